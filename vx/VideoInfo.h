#pragma once

#include <cstdint>

namespace Vx {

// A dumped frame sequence: its frame size and its rate of fps / fpsBase frames per second.
struct VideoInfo {
    int32_t width;
    int32_t height;
    int32_t fps;
    int32_t fpsBase = 1;
};

} // namespace Vx
