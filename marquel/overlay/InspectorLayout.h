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
// Inside the frame's two-pixel border: the list's rows and the footer span this; a row's
// name cell ends where the chart begins.
constexpr int32_t INNER_LEFT = 2;
constexpr int32_t INNER_WIDTH = 508;

// The music's lane at the foot of the list's band, under a line of its own, while there is
// music or a tempo to show; the rows then scroll in the band above it.
constexpr int32_t LANE_HEIGHT = 24;
constexpr int32_t LANE_TOP = FOOTER_SEPARATOR - LANE_HEIGHT;

// The footer's band under the separator, its two text lines and its three columns of
// values beside the clock.
constexpr int32_t FOOTER_TOP = FOOTER_SEPARATOR + 1;
constexpr int32_t FOOTER_HEIGHT = 23;
constexpr int32_t FOOTER_LINE = FOOTER_SEPARATOR;
constexpr int32_t FOOTER_SECOND_LINE = FOOTER_SEPARATOR + 10;
constexpr int32_t FOOTER_COLUMNS[] = {CHART_LEFT + 10, CHART_LEFT + 110, CHART_LEFT + 210};
// Room for a footer text before the next column of texts (every 100 pixels), and for the
// last column before the frame: a long number or value is cut there.
constexpr int32_t FOOTER_COLUMN = 96;
constexpr int32_t LAST_COLUMN = CHART_LEFT + CHART_WIDTH - FOOTER_COLUMNS[2];

} // namespace InspectorLayout

} // namespace Marquel
