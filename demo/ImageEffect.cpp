#include "demo/ImageEffect.h"

#include <GL/gl.h>

namespace {

const char* const PICTURES[] = {"mccool.png",     "mcboner.png", "mcbonertwist.png",
                                "mcscroller.png", "mcstar.png",  "mcbrallor.png"};

} // namespace

void ImageEffect::load(Marquel::System*) {
    for (const char* picture : PICTURES)
        takeTexture(picture);
    textured = false;
    resetParameters();
}

void ImageEffect::trigger(float, const std::string& name, const std::string& value) {
    if (applyTrigger(name, value) && name == "texture")
        textured = true;
}

void ImageEffect::render(float, float, float progress) {
    glLoadIdentity();
    glTranslatef(x, y, -8);
    glRotatef(wobbleAngle(progress), 0, 0, 1);
    beginSquare(textured);
    drawSquare(size);
}
