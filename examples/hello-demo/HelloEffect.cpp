#include "HelloEffect.h"

#include <marquel/Exception.h>
#include <vorlik/TextureManager.h>

#include <GL/gl.h>

#include <algorithm>

void HelloEffect::load(Marquel::System*) {
    // Every picture is taken here, so a missing one stops the demo before it plays.
    if (!textures)
        throw Marquel::Exception("[Hello] The effect needs an OpenGL window (type=\"opengl\")");
    picture = textures->getTexture("hello.png");
}

void HelloEffect::start() {
    // A seek back starts the node again: no flash is left over from later in the demo.
    flashTime = -1;
}

void HelloEffect::trigger(float time, const std::string& name, const std::string&) {
    if (name == "flash")
        flashTime = time;
}

void HelloEffect::spline(float, const std::string& name, float value) {
    if (name == "size")
        size = value;
}

void HelloEffect::render(float time, float, float) {
    // A flash time later than now (kept from a later moment) is no flash at all.
    const float since = time - flashTime;
    const float flash = since < 0 ? 0 : std::max(0.0f, 1 - 3 * since);
    // The player does not clear the frame; this demo's only effect does.
    glClearColor(0.1f + 0.5f * flash, 0.05f + 0.3f * flash, 0.25f + 0.3f * flash, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    glLoadIdentity();
    glTranslatef(0, 0, -4);
    glRotatef(time * 45, 0, 0, 1);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    picture->bind();
    glColor4f(1, 1, 1, 1);
    // The corners counter-clockwise from the top left; the picture's top row at the top.
    const float corners[4][2] = {{-1, 1}, {-1, -1}, {1, -1}, {1, 1}};
    glBegin(GL_QUADS);
    for (const auto& corner : corners) {
        glTexCoord2f((1 + corner[0]) / 2, (1 - corner[1]) / 2);
        glVertex3f(size * corner[0], size * corner[1], 0);
    }
    glEnd();
}
