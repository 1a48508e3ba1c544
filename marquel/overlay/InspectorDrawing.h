#pragma once

#include "marquel/overlay/InspectorLayout.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace Marquel {

// The colours and the position arithmetic the inspector's drawing sources share: the list
// and frame, the chart's rows, the music's lane and the footer.
namespace InspectorDrawing {

constexpr uint32_t WHITE = 0xffffffff;
constexpr uint32_t BLACK = 0xff000000;
constexpr uint32_t RED = 0xffff0000;
constexpr uint32_t BACKGROUND = 0xcc333344;
constexpr uint32_t STRIPE = 0xcc383849;
constexpr uint32_t SELECTED = 0xee004466;
constexpr uint32_t EDITED = 0xee000000;
constexpr uint32_t NODE_BAR = 0xcc4477cc;
constexpr uint32_t TRIGGER_CELL = 0xcc003f00;
constexpr uint32_t SPLINE_CELL = 0xcc550000;
constexpr uint32_t GREY_TEXT = 0xee999999;
constexpr uint32_t ROW_TEXT = 0xeeffffff;
constexpr uint32_t YELLOW = 0xffffff00;
// The music's lane, behind its strip and around it.
constexpr uint32_t LANE_CELL = 0xee202028;

// Truncated towards zero and held far inside int32_t, so that a wild value (a huge scale,
// infinity, NaN) gives a position off the canvas instead of an undefined conversion.
inline int32_t trunc32(double value) {
    if (std::isnan(value))
        return 0;
    return static_cast<int32_t>(std::clamp(value, -1e8, 1e8));
}

// The pixel column, from 0, of an offset into the time window.
inline int32_t column(float offset, float windowLength) {
    return trunc32(InspectorLayout::CHART_WIDTH * static_cast<double>(offset) / windowLength);
}

} // namespace InspectorDrawing

} // namespace Marquel
