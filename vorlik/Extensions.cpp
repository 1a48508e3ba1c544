#include "vorlik/Extensions.h"

#include <GL/gl.h>

#include <cstring>

namespace Vorlik {

bool extensionListed(const char* list, const char* name) {
    size_t length = std::strlen(name);
    if (!list || length == 0)
        return false;
    for (const char* found = std::strstr(list, name); found;
         found = std::strstr(found + length, name)) {
        char after = found[length];
        if (after == ' ' || after == '\0')
            return true;
    }
    return false;
}

std::string driverExtensions() {
    const GLubyte* names = glGetString(GL_EXTENSIONS);
    return names ? reinterpret_cast<const char*>(names) : "";
}

} // namespace Vorlik
