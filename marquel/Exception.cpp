#include "marquel/Exception.h"

#include <cstdarg>
#include <cstdio>

namespace Marquel {

Exception::Exception(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
}

} // namespace Marquel
