#pragma once

#include <string>

namespace Vorlik {

// True when list holds name followed by a space or by the end of the text. An occurrence
// followed by anything else is only a longer name that starts the same way, so the search
// goes on after it. The name may sit anywhere in an entry: "ARB_texture_non_power_of_two"
// finds "GL_ARB_texture_non_power_of_two".
bool extensionListed(const char* list, const char* name);

// The extension text of the current OpenGL context; empty without one.
std::string driverExtensions();

} // namespace Vorlik
