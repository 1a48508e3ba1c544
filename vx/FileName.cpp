#include "vx/FileName.h"

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

} // namespace Vx
