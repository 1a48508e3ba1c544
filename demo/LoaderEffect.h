#pragma once

#include "marquel/Effect.h"
#include "vorlik/TextureRef.h"

#include <cstdint>

// The loading screen: a tilted greeting that appears letter by letter as loading advances,
// each letter cut from the font strip "font.png" and stretched to its own height.
class LoaderEffect : public Marquel::Effect {
public:
    void trigger(float time, const std::string& name, const std::string& value) override;
    // Only progress counts: the share of loading done, 0 to 1.
    void render(float time, float dt, float progress) override;
    void load(Marquel::System* system) override;

    // The greeting: twelve letters and three exclamation marks, spaced.
    static const char GREETING[];

    // The left edge of a character's cell in the font strip, as a share of its width.
    static float cellOf(char c);

private:
    int32_t maximum = 0;
    int32_t index = 0;
    Vorlik::TextureRef font;
};
