#pragma once

#include <cstdint>

namespace Marquel {

// Where the inspector draws on its canvas, in pixels: the list of rows on the left, the time
// chart beside it, the footer under both.
namespace InspectorLayout {

// The time window spans the chart's columns, so one column is the window's length / width.
constexpr int32_t CHART_LEFT = 110;
constexpr int32_t CHART_WIDTH = 398;
// The band the list scrolls in.
constexpr int32_t LIST_TOP = 30;
constexpr int32_t LIST_HEIGHT = 456;
// The white row between the list and the footer; the footer's first text line starts on it.
constexpr int32_t FOOTER_SEPARATOR = LIST_TOP + LIST_HEIGHT;
constexpr int32_t ROW = 12;
constexpr int32_t SPLINE_ROW = 48;

} // namespace InspectorLayout

} // namespace Marquel
