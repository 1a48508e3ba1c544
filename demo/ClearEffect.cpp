#include "demo/ClearEffect.h"

#include <GL/gl.h>

void ClearEffect::trigger(float, const std::string& name, const std::string& value) {
    if (name == "color")
        color = readColor(value);
}

void ClearEffect::render(float, float, float) {
    glClearColor(color.red, color.green, color.blue, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
}
