#include "demo/FlashEffect.h"

#include <GL/gl.h>

namespace {

// A flash time later than now was kept from a later moment (a seek back, or a node before
// this one that ran longer): such a panel is unlit, not far brighter than full.
void panelColour(const Color& color, float time, float flashTime) {
    const float brightness = flashTime > time ? 0 : 1 - 2 * (time - flashTime);
    glColor4f(brightness * color.red, brightness * color.green, brightness * color.blue, 1);
}

} // namespace

void FlashEffect::load(Marquel::System*) {
    color = Color{};
    panel = 0;
    flashTime[0] = flashTime[1] = 0;
}

void FlashEffect::trigger(float, const std::string& name, const std::string& value) {
    if (name == "color")
        color = readColor(value);
}

void FlashEffect::render(float time, float, float) {
    if (beatSignal->beat > 0) {
        flashTime[panel] = time;
        panel = 1 - panel;
    }
    glLoadIdentity();
    glTranslatef(0, 0, -2);
    glRotatef(time * 150, 0, 0, 1);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    // Brightness outside 0 to 1 is left to OpenGL to clamp.
    glBegin(GL_TRIANGLE_STRIP);
    panelColour(color, time, flashTime[0]);
    glVertex3f(-2, 2, 0);
    glVertex3f(-2, -2, 0);
    glVertex3f(0, 2, 0);
    glVertex3f(0, -2, 0);
    panelColour(color, time, flashTime[1]);
    glVertex3f(0, 2, 0);
    glVertex3f(0, -2, 0);
    glVertex3f(2, 2, 0);
    glVertex3f(2, -2, 0);
    glEnd();
}
