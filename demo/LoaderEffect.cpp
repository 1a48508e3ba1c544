#include "demo/LoaderEffect.h"

#include "demo/EffectTexture.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

const char LoaderEffect::GREETING[] = "w e l c o m e p a r t y ! ! !";

namespace {

constexpr float CELL = 0.009765625f;
// A little less than a cell, so a letter never samples its neighbour.
constexpr float CELL_SAMPLED = 0.008765625f;
constexpr int BLANK_CELL = 86;
// From one character to the next along the line, and half a letter's width: the letters,
// every other character, stand nearly side by side, some 30 pixels wide at 1280 x 720.
constexpr float PITCH = 0.025f;
constexpr float HALF_WIDTH = 0.021f;
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
    if (name == "percent")
        percent = static_cast<float>(std::atof(value.c_str()));
    else if (name == "index")
        index = std::atoi(value.c_str());
}

float LoaderEffect::shareLoaded() const {
    // Written so that a percent that is no number counts as none.
    if (index <= 0 || !(percent > 0 && percent <= 1))
        return 0;
    const float steps = std::round(static_cast<float>(index) / percent);
    return std::min(1.0f, static_cast<float>(index + 1) / steps);
}

void LoaderEffect::render(float, float, float) {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glLoadIdentity();
    glEnable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    font->bind();
    // A letter's top row never takes in the bottom row of the strip.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    glRotatef(30, 0, 0, 1);

    const int n = static_cast<int>(sizeof GREETING - 1);
    // The first character from the start, the last once every effect has loaded.
    const float shown = shareLoaded() * static_cast<float>(n);
    for (int v = 0; v < n && (v == 0 || static_cast<float>(v) < shown); ++v) {
        const float fv = static_cast<float>(v);
        glPushMatrix();
        glTranslatef(PITCH * (fv - 0.5f * static_cast<float>(n - 1)) + 0.015f, 0, -1);
        const float c = 2 - 1.5f * fv / static_cast<float>(n);
        glColor4f(c, 0.72f * c, 0.44f * c, 0.59f);
        // Each letter stretched its own way, at most about twice its shape's height, so that
        // it still reads.
        const float top = 0.05f + 0.035f * std::fabs(std::sin(50 * fv));
        const float bottom = -0.05f - 0.035f * std::fabs(std::sin(30 * fv));
        const float u0 = cellOf(GREETING[v]);
        glBegin(GL_TRIANGLE_STRIP);
        glTexCoord2f(u0, 0);
        glVertex3f(-HALF_WIDTH, top, 0);
        glTexCoord2f(u0, 1);
        glVertex3f(-HALF_WIDTH, bottom, 0);
        glTexCoord2f(u0 + CELL_SAMPLED, 0);
        glVertex3f(HALF_WIDTH, top, 0);
        glTexCoord2f(u0 + CELL_SAMPLED, 1);
        glVertex3f(HALF_WIDTH, bottom, 0);
        glEnd();
        glPopMatrix();
    }
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
}
