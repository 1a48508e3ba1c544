#pragma once

#include "demo/BeatSignal.h"
#include "demo/ClearEffect.h"
#include "demo/FlashEffect.h"
#include "demo/ImageEffect.h"
#include "demo/LoaderEffect.h"
#include "demo/StarEffect.h"
#include "demo/SynchEffect.h"
#include "demo/TorusEffect.h"
#include "marquel/ShaderEffect.h"

namespace Marquel {
class System;
}

// The demo's effects and the beat they share, built in the order the script's effects are
// listed and torn down in reverse. One object serves the program and the playback benchmark.
struct DemoEffects {
    // Registers the thirteen named effects with system and makes the loader its loading screen.
    void registerWith(Marquel::System& system);

    BeatSignal beat;
    LoaderEffect loader;
    SynchEffect synch{&beat};
    ClearEffect quessa{&beat};
    ImageEffect kelCool{&beat};
    ImageEffect kelCoolMouth{&beat};
    ImageEffect kelBack1{&beat};
    ImageEffect kelBack2{&beat};
    ImageEffect kelBack3{&beat};
    ImageEffect kelBack4{&beat};
    ImageEffect kelBoner{&beat};
    TorusEffect torus{&beat};
    FlashEffect tolvy{&beat};
    StarEffect star{&beat};
    // Looks written in GLSL: every "shader" node names its own file.
    Marquel::ShaderEffect shader;
};
