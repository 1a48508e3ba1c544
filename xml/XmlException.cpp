#include "xml/XmlException.h"

#include <cstdarg>
#include <cstdio>

namespace Xml {

XmlException::XmlException(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
}

} // namespace Xml
