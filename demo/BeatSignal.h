#pragma once

#include <cstdint>

// The beat the effects share: SynchEffect raises it on a "baseline" trigger and lets it fall
// after one frame; the flash and the torus react while it is above 0.
struct BeatSignal {
    int32_t beat = 0;
};
