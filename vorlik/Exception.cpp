#include "vorlik/Exception.h"

#include <cstdarg>
#include <cstdio>

namespace Vorlik {

Exception::Exception(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
}

} // namespace Vorlik
