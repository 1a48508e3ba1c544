#pragma once

#include "demo/ParamEffect.h"

// One picture as a square in front of the camera, placed, sized, faded and swung by the
// script. It stays a plain square in its colour until a "texture" trigger names a picture.
class ImageEffect : public ParamEffect {
public:
    explicit ImageEffect(BeatSignal* beat) : ParamEffect(beat) {}

    void trigger(float time, const std::string& name, const std::string& value) override;
    void render(float time, float dt, float progress) override;
    // Loads every picture the squares use, so that no "texture" trigger loads during play.
    void load(Marquel::System* system) override;

private:
    bool textured = false;
};
