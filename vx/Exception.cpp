#include "vx/Exception.h"

#include <cstdarg>
#include <cstdio>

namespace Vx {

Exception::Exception(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
}

} // namespace Vx
