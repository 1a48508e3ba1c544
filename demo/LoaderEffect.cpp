#include "demo/LoaderEffect.h"

#include "demo/EffectTexture.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

const char LoaderEffect::GREETING[] = "w e l c o m e p a r t y ! ! !";

namespace {

constexpr float CELL = 0.009765625f;
// A little less than a cell, so a letter never samples its neighbour.
constexpr float CELL_SAMPLED = 0.008765625f;
constexpr int BLANK_CELL = 86;
const char SIGNS[] = "!?@:;.,()><-+*/\\";

} // namespace

float LoaderEffect::cellOf(char c) {
    int cell = BLANK_CELL;
    if (c >= 'a' && c <= 'z')
        cell = c - 'a';
    else if (c >= '0' && c <= '9')
        cell = 26 + (c - '0');
    else if (const char* sign = c ? std::strchr(SIGNS, c) : nullptr)
        cell = 36 + static_cast<int>(sign - SIGNS);
    return static_cast<float>(cell) * CELL;
}

void LoaderEffect::load(Marquel::System*) {
    font = loadEffectTexture(textures, "font.png");
}

void LoaderEffect::trigger(float, const std::string& name, const std::string& value) {
    if (name == "max")
        maximum = std::atoi(value.c_str());
    else if (name == "index")
        index = std::atoi(value.c_str());
}

void LoaderEffect::render(float, float, float progress) {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glLoadIdentity();
    glEnable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    font->bind();
    glRotatef(30, 0, 0, 1);

    const int n = static_cast<int>(sizeof GREETING - 1);
    // Ten steps of slack, so the whole line stands before loading ends.
    // Written so that a progress that is no number shows the whole line.
    const int shown = !(progress < 1) ? n : static_cast<int>(progress * static_cast<float>(n + 10));
    for (int v = 0; v < n && v <= shown; ++v) {
        const float fv = static_cast<float>(v);
        glPushMatrix();
        glTranslatef(0.02f * fv + 0.035f - 0.3f, 0, -1);
        const float c = 2 - 1.5f * fv / static_cast<float>(n);
        glColor4f(c, 0.72f * c, 0.44f * c, 0.59f);
        const float top = std::fabs(12 * std::sin(50 * fv) + 5) * 0.01f;
        const float bottom = -std::fabs(12 * std::sin(30 * fv) + 5) * 0.01f;
        const float u0 = cellOf(GREETING[v]);
        glBegin(GL_TRIANGLE_STRIP);
        glTexCoord2f(u0, 0);
        glVertex3f(-0.01f, top, 0);
        glTexCoord2f(u0, 1);
        glVertex3f(-0.01f, bottom, 0);
        glTexCoord2f(u0 + CELL_SAMPLED, 0);
        glVertex3f(0.01f, top, 0);
        glTexCoord2f(u0 + CELL_SAMPLED, 1);
        glVertex3f(0.01f, bottom, 0);
        glEnd();
        glPopMatrix();
    }
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
}
