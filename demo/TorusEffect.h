#pragma once

#include "demo/ParamEffect.h"

#include <cstdint>

// A tube wound along a (p, q) torus knot, tumbling and shaded face by face with a dark
// outline. A beat brings it near with a new colour and knot; it then falls back while its
// shape drifts faster the farther away it is.
class TorusEffect : public ParamEffect {
public:
    explicit TorusEffect(BeatSignal* beat) : ParamEffect(beat) {}

    void start() override;
    void trigger(float time, const std::string& name, const std::string& value) override;
    void render(float time, float dt, float progress) override;
    void load(Marquel::System* system) override;

    static constexpr int RINGS = 100;
    static constexpr int RING_VERTICES = 10;

    struct Vertex {
        float x, y, z;
    };

private:
    // Picks colour and knot from the generator the caller seeded with the beat's time.
    void pickOnBeat();
    void buildMesh();
    void drawMesh();
    const Vertex& vertexAt(int ring, int around) const {
        return mesh[(ring % RINGS) * RING_VERTICES + around % RING_VERTICES];
    }

    int32_t p = 1;
    int32_t q = 2;
    bool textured = false;
    bool visible = true;
    float zoom = 2;
    float lastTime = 0;
    float phase = 0;
    Vertex mesh[RINGS * RING_VERTICES];
};
