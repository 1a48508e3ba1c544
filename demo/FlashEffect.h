#pragma once

#include "demo/BeatSignal.h"
#include "demo/Color.h"
#include "marquel/Effect.h"

// Two turning half-screen panels that light in turn on the beats and fade to black in half a
// second.
class FlashEffect : public Marquel::Effect {
public:
    explicit FlashEffect(BeatSignal* beat) : beatSignal(beat) {}

    void trigger(float time, const std::string& name, const std::string& value) override;
    void render(float time, float dt, float progress) override;
    void load(Marquel::System* system) override;

private:
    BeatSignal* beatSignal;
    int32_t panel = 0;
    float flashTime[2] = {0, 0};
    Color color;
};
