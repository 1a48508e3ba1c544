#pragma once

#include "demo/BeatSignal.h"
#include "demo/Color.h"
#include "marquel/Effect.h"

// Clears the frame to one colour, black until a "color" trigger.
class ClearEffect : public Marquel::Effect {
public:
    explicit ClearEffect(BeatSignal* beat) : beatSignal(beat) {}

    void trigger(float time, const std::string& name, const std::string& value) override;
    void render(float time, float dt, float progress) override;

private:
    BeatSignal* beatSignal;
    Color color{0, 0, 0};
};
