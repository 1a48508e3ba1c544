#pragma once

#include "demo/BeatSignal.h"
#include "demo/Color.h"
#include "marquel/Effect.h"
#include "vorlik/TextureRef.h"

#include <string>
#include <vector>

// Base of the effects that the script places, sizes, fades and swings: the image squares,
// the stars and the torus. Spline values arrive ten times too large (a script's curves are
// easier to edit in whole numbers) and are scaled down here.
class ParamEffect : public Marquel::Effect {
public:
    explicit ParamEffect(BeatSignal* beat) : beatSignal(beat) {}

    // "alpha", "x", "y", "angle" (the angle offset) and "size", each value times 0.1.
    void spline(float time, const std::string& name, float value) override;

protected:
    // "color", "texture", "speed" and "angle"; false for any other name.
    bool applyTrigger(const std::string& name, const std::string& value);
    // Makes the named picture the current texture. Every texture taken stays held, so that a
    // later "texture" trigger for it finds it in the cache.
    void takeTexture(const std::string& name);
    // Start values: white, opaque, size 1, in the middle, still.
    void resetParameters();
    // The swing about the view axis, in degrees, at the node's elapsed fraction.
    float wobbleAngle(float progress) const;
    // The state of an alpha-blended square in the effect's colour, textured or plain, after
    // the caller has placed it.
    void beginSquare(bool textured);
    // A square of half-side half around the origin, texture (0, 0) at its top left.
    static void drawSquare(float half);

    BeatSignal* beatSignal;
    Vorlik::TextureRef texture;
    float alpha = 1;
    float x = 0;
    float y = 0;
    float angleAmplitude = 0;
    float size = 1;
    float speed = 0;
    float angleOffset = 0;
    Color color;

private:
    std::vector<Vorlik::TextureRef> taken;
};
