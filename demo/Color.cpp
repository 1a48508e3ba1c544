#include "demo/Color.h"

#include <cstdlib>

namespace {

float channel(const std::string& text, size_t group) {
    const size_t start = group * 3;
    if (start >= text.size())
        return 0;
    return static_cast<float>(std::atoi(text.substr(start, 3).c_str())) * 0.003921569f;
}

} // namespace

Color readColor(const std::string& text) {
    return {channel(text, 0), channel(text, 1), channel(text, 2)};
}
