#pragma once

#include "marquel/Effect.h"
#include "vorlik/TextureRef.h"

#include <cstdint>

// The loading screen: a tilted greeting that appears letter by letter as the effects load,
// whole once the last has loaded, each letter cut from the font strip "font.png" and
// stretched to its own height.
class LoaderEffect : public Marquel::Effect {
public:
    // Reads "percent" and "index"; the rest is ignored.
    void trigger(float time, const std::string& name, const std::string& value) override;
    // progress counts top-level nodes, not the effects that load, so the letters follow
    // the steps instead.
    void render(float time, float dt, float progress) override;
    void load(Marquel::System* system) override;

    // The greeting: twelve letters and three exclamation marks, spaced.
    static const char GREETING[];

    // The left edge of a character's cell in the font strip, as a share of its width.
    static float cellOf(char c);

private:
    // The share of the effects loaded once the current step's has: (index + 1) over the
    // steps, which follow from "percent" (index over the steps) past the first step; 0
    // before that.
    float shareLoaded() const;

    float percent = 0;
    int32_t index = 0;
    Vorlik::TextureRef font;
};
