#pragma once

#include "marquel/System.h"

#include <array>
#include <cstdint>

namespace Marquel {

// The locals of the main loop that live from frame to frame.
struct System::Loop {
    static constexpr int FPS_SAMPLES = 32;

    bool running = true;
    float frameTime = 0;
    uint32_t lastFrameTicks = 0;
    std::array<float, FPS_SAMPLES> fpsSamples{};
    int32_t fpsIndex = 0;
    // S was pressed: the frame is saved once it is drawn, before it is shown.
    bool screenshotWanted = false;
    uint32_t lastShownTicks = 0;
};

} // namespace Marquel
