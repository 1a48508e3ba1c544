#pragma once

#include "demo/BeatSignal.h"
#include "marquel/Effect.h"

// Turns the script's "baseline" triggers into beats. A beat set by a trigger lives through
// the rest of its frame and the next frame's effects up to this one, so every reader sees it
// in exactly one frame, whether its node comes before or after this one.
class SynchEffect : public Marquel::Effect {
public:
    explicit SynchEffect(BeatSignal* beat) : beatSignal(beat) {}

    void trigger(float time, const std::string& name, const std::string& value) override;
    void render(float time, float dt, float progress) override;
    void load(Marquel::System* system) override;

private:
    BeatSignal* beatSignal;
};
