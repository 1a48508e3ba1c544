#pragma once

#include <string>

namespace Vorlik {
class TextureManager;
}

namespace Marquel {

class Display;
struct EffectNode;
class System;

// Base of every visual effect. The timeline pushes everything an effect needs into it:
// start() when a node naming it is armed, then each frame the due triggers, the spline
// values and render(). Effects keep the names they know and ignore the others.
class Effect {
public:
    virtual ~Effect() = default;

    virtual void start() {}
    // time is the node's local time; name and value are the script's texts, unchanged.
    virtual void trigger(float time, const std::string& name, const std::string& value);
    virtual void spline(float time, const std::string& name, float value);
    // time is the node's local time, dt the demo clock's change since the last frame,
    // progress the elapsed fraction of the node's span.
    virtual void render(float time, float dt, float progress) = 0;
    // Loads the effect's resources; called by init() only.
    virtual void load(System* system);
    // Binds the effect to the display and the system, then calls load(). Called once per
    // registered effect by the loading phase.
    virtual void init(Display* display, System* system) final;
    // Called once a frame on every registered effect after the script's nodes drew and
    // before the overlay panels and a recording see the frame.
    virtual void frameDrawn() {}

    // The node that drives the calls from start() to render(): the script sets it before
    // each of them, so one registered effect can keep a state for each of its nodes. Null
    // outside the script's calls (the loading screen).
    const EffectNode* node = nullptr;
    // The node's local time the firing passed to trigger() was due: the time trigger() is
    // given, or earlier when the script catches up after a jump or a slow frame. The script
    // sets it before each trigger() call.
    float dueTime = 0;

    System* system = nullptr;
    bool initialised = false;
    Display* display = nullptr;
    Vorlik::TextureManager* textures = nullptr;
};

} // namespace Marquel
