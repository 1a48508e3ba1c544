#pragma once

#include "demo/ParamEffect.h"

#include <cstdint>

// Fifty small squares scattered over the screen that swell one after another on a fixed
// table of beat times and shrink back; the sequence restarts with every node.
class StarEffect : public ParamEffect {
public:
    explicit StarEffect(BeatSignal* beat) : ParamEffect(beat) {}

    void start() override;
    // "new" picks a random colour; the others as for every ParamEffect.
    void trigger(float time, const std::string& name, const std::string& value) override;
    void render(float time, float dt, float progress) override;
    void load(Marquel::System* system) override;

    static constexpr int STARS = 50;
    static constexpr float REST_SIZE = 0.1f;

private:
    void restAll();

    float lastTime = 0;
    int32_t nextBeat = 0;
    bool textured = false;
    float starX[STARS] = {};
    float starY[STARS] = {};
    float starSize[STARS] = {};
};
