#include "demo/ParamEffect.h"

#include "demo/EffectTexture.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

void ParamEffect::spline(float, const std::string& name, float value) {
    const float v = value * 0.1f;
    if (name == "alpha")
        alpha = v;
    else if (name == "x")
        x = v;
    else if (name == "y")
        y = v;
    else if (name == "angle")
        angleOffset = v;
    else if (name == "size")
        size = v;
}

void ParamEffect::resetParameters() {
    color = Color{};
    alpha = 1;
    x = y = 0;
    angleAmplitude = 0;
    size = 1;
    speed = 0;
    angleOffset = 0;
}

bool ParamEffect::applyTrigger(const std::string& name, const std::string& value) {
    if (name == "color")
        color = readColor(value);
    else if (name == "texture")
        takeTexture(value);
    else if (name == "speed")
        speed = static_cast<float>(std::atof(value.c_str()));
    else if (name == "angle")
        angleAmplitude = static_cast<float>(std::atof(value.c_str()));
    else
        return false;
    return true;
}

void ParamEffect::takeTexture(const std::string& name) {
    texture = loadEffectTexture(textures, name);
    const auto same = [this](const Vorlik::TextureRef& held) {
        return held.get() == texture.get();
    };
    if (std::none_of(taken.begin(), taken.end(), same))
        taken.push_back(texture);
}

float ParamEffect::wobbleAngle(float progress) const {
    return std::sin(progress * speed) * angleAmplitude + angleOffset;
}

void ParamEffect::beginSquare(bool textured) {
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glEnable(GL_BLEND);
    if (textured) {
        glEnable(GL_TEXTURE_2D);
        texture->bind();
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    } else {
        glDisable(GL_TEXTURE_2D);
    }
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(color.red, color.green, color.blue, alpha);
}

void ParamEffect::drawSquare(float half) {
    glBegin(GL_TRIANGLE_STRIP);
    glTexCoord2f(0, 0);
    glVertex3f(-half, half, 0);
    glTexCoord2f(0, 1);
    glVertex3f(-half, -half, 0);
    glTexCoord2f(1, 0);
    glVertex3f(half, half, 0);
    glTexCoord2f(1, 1);
    glVertex3f(half, -half, 0);
    glEnd();
}
