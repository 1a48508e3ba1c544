#include "vx/FileName.h"

#include <algorithm>

namespace Vx {

bool isPathSeparator(char c) {
    return c == '/' || c == '\\';
}

size_t extensionDot(const std::string& name, bool lastComponent) {
    for (size_t i = name.size(); i-- > 0;) {
        if (name[i] == '.')
            return i;
        if (lastComponent && isPathSeparator(name[i]))
            break;
    }
    return std::string::npos;
}

bool leavesItsFolder(const std::string& name) {
    if (!name.empty() && isPathSeparator(name[0]))
        return true;
    int depth = 0;
    for (size_t start = 0; start <= name.size();) {
        const size_t end = std::min(name.find_first_of("/\\", start), name.size());
        const std::string part = name.substr(start, end - start);
        if (part == ".." && --depth < 0)
            return true;
        if (part != ".." && part != "." && !part.empty())
            ++depth;
        start = end + 1;
    }
    return false;
}

} // namespace Vx
