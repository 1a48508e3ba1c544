// The inspector's time chart: a row per node with its span, the expanded rows of its
// triggers' firings and its splines' curves, and the cursor over them.

#include "marquel/overlay/Inspector.h"

#include "marquel/Script.h"
#include "marquel/overlay/InspectorDrawing.h"

#include <algorithm>

namespace Marquel {

namespace {

using namespace InspectorDrawing;
using namespace InspectorLayout;

// A firing index from a quotient of times, held inside what the loops can count; NaN gives
// none.
int64_t firingIndex(double value) {
    if (std::isnan(value))
        return -1;
    return static_cast<int64_t>(std::clamp(value, -1.0, 4e9));
}

// The columns x0 and x1 of a span from demo time s to e, when any of it is in the window.
bool visibleSpan(float s, float e, float windowStart, float windowLength, int32_t& x0,
                 int32_t& x1) {
    if (!(s - windowStart < windowLength && e - windowStart > 0))
        return false;
    x0 = column(std::clamp(s - windowStart, 0.0f, windowLength), windowLength);
    x1 = column(std::clamp(e - windowStart, 0.0f, windowLength), windowLength);
    return true;
}

// What tells a trigger's row from a spline's: its height and its colours.
struct ItemRow {
    int32_t height;
    uint32_t cell;
    // The node's span while the row is edited.
    uint32_t editedSpan;
};

constexpr ItemRow TRIGGER_ITEM = {ROW, TRIGGER_CELL, 0xee002200};
constexpr ItemRow SPLINE_ITEM = {SPLINE_ROW, SPLINE_CELL, 0xee440000};

// The band of a trigger's or a spline's row: the stripe, the name cell (the whole row while
// edited) and the node's span on the chart. False, with nothing on the chart, when no part
// of the node is in the window.
bool drawItemBand(Inspector& view, const EffectNode& node, int32_t y, const ItemRow& row,
                  bool selected, int32_t& x0, int32_t& x1) {
    view.fillRect(INNER_LEFT, y, INNER_WIDTH, ROW, view.stripe ? STRIPE : BACKGROUND, true);
    if (selected && view.editMode)
        view.fillRect(INNER_LEFT, y, INNER_WIDTH, row.height, EDITED, true);
    else
        view.fillRect(INNER_LEFT, y, CHART_LEFT - INNER_LEFT, row.height,
                      selected ? SELECTED : row.cell, true);
    if (!visibleSpan(node.start, node.end, view.windowStart, view.windowLength, x0, x1))
        return false;
    const uint32_t span = !selected ? row.cell : view.editMode ? row.editedSpan : SELECTED;
    view.fillRect(CHART_LEFT + x0, y, x1 - x0, row.height - 1, span, true);
    return true;
}

// How far from its axis a spline's row reaches: the curve's output, through a value scale of
// either sign and the offset, and the keys' dots, which a bezier's middle keys put off the
// curve. At least 1, so that a flat curve stays flat.
double rowScale(const Spline& spline) {
    double scale = 1;
    const auto cover = [&](float value) {
        scale = std::max(scale, std::fabs(double(value) * spline.valuescale + spline.valueoffset));
    };
    cover(spline.min);
    cover(spline.max);
    for (const SplineKey& key : spline.keys)
        cover(key.value);
    return scale;
}

} // namespace

void Inspector::drawNodeRow(const EffectNode& node, int32_t y, bool selected, bool isExpanded) {
    const bool edited = selected && editMode;
    uint32_t background = stripe ? STRIPE : BACKGROUND;
    if (selected)
        background = editMode ? EDITED : SELECTED;
    fillRect(INNER_LEFT, y, INNER_WIDTH, ROW, background, true);

    const bool running = isRunning(node);
    const bool registered = isRegistered(node);
    uint32_t nameColour = running ? 0xeeeebb33 : ROW_TEXT;
    if (!node.active)
        nameColour = GREY_TEXT;
    text(node.name, 11, y - 1, nameColour, 97, true);
    if (!node.triggers.empty() || !node.splines.empty())
        text(isExpanded ? "-" : "+", 4, y, ROW_TEXT, 10, true);

    int32_t x0 = 0;
    int32_t x1 = 0;
    if (!visibleSpan(node.start, node.end, windowStart, windowLength, x0, x1))
        return;
    uint32_t bar = NODE_BAR;
    if (edited && selectedHandle == 1)
        bar = RED;
    else if (!node.active)
        bar = 0xcc000000;
    else if (!registered)
        bar = SPLINE_CELL;
    else if (edited)
        bar = 0xee002277;
    fillRect(CHART_LEFT + x0, y + 1, x1 - x0, 10, bar, true);
    if (bar == NODE_BAR && running)
        fillRect(CHART_LEFT + x0, y + 3, x1 - x0, 6, 0xcc99bbff, true);
    const char* note = !node.active ? "Inactive" : !registered ? "No Callback" : nullptr;
    if (note && x1 - x0 - 4 > 0)
        text(note, CHART_LEFT + 4 + x0, y, 0xccffffff, x1 - x0 - 4, true);
    fillRect(CHART_LEFT + x1, y + 1, 1, 10, 0xccffffff, true);
    fillRect(CHART_LEFT + x0, y + 1, 1, 10, 0xccffffff, true);
    if (edited && selectedHandle != 1)
        fillRect(CHART_LEFT + (selectedHandle == 0 ? x0 : x1), y + 1, 1, 10, RED, true);
}

void Inspector::drawTriggerRow(const EffectNode& node, const Trigger& trigger, int32_t y,
                               bool selected) {
    const bool edited = selected && editMode;
    int32_t x0 = 0;
    int32_t x1 = 0;
    drawItemBand(*this, node, y, TRIGGER_ITEM, selected, x0, x1);
    text(trigger.name, 20, y - 1, node.active ? WHITE : GREY_TEXT, 78, true);

    // Only the firings that can land inside the window are visited.
    const double base = double(node.start) + trigger.start - windowStart;
    int64_t first = 0;
    int64_t last = int64_t(trigger.repeat) - 1;
    if (trigger.delay == 0) {
        first = last; // every firing is on the same column: the last one drawn shows
    } else {
        // Firing k lies at base + k * delay: the window's two ends bound k.
        const double atStart = -base / trigger.delay;
        const double atEnd = (double(windowLength) - base) / trigger.delay;
        first = std::max<int64_t>(first, firingIndex(std::min(atStart, atEnd)));
        last = std::min<int64_t>(last, firingIndex(std::max(atStart, atEnd)) + 1);
    }
    first = std::max<int64_t>(first, 0);
    // Where firing k lands in the window, and its column (-1 when left of the window).
    const auto timeOf = [&](int64_t k) {
        return static_cast<float>(base + double(k) * trigger.delay);
    };
    const auto columnOf = [&](int64_t k) {
        const float t = timeOf(k);
        return 0 < t ? column(t, windowLength) : -1;
    };
    const auto tick = [&](int64_t k) {
        const float t = timeOf(k);
        if (!(0 < t && t < windowLength))
            return;
        uint32_t colour = k < trigger.fired ? 0xff777777 : WHITE;
        if (edited && k == selectedHandle)
            colour = RED;
        fillRect(CHART_LEFT + column(t, windowLength), y + 1, 1, 10, colour, true);
    };
    if (last - first < 4 * CHART_WIDTH) {
        for (int64_t k = first; k <= last; ++k)
            tick(k);
        return;
    }
    // More firings than columns (a huge repeat with a tiny delay): in each column only the
    // last firing drawn there shows, so that one is found by bisection. Columns follow k up
    // for a positive delay and down for a negative one.
    for (int32_t x = 0; x < CHART_WIDTH; ++x) {
        const auto before = [&](int64_t k) {
            return trigger.delay > 0 ? columnOf(k) <= x : columnOf(k) >= x;
        };
        if (!before(first))
            continue;
        int64_t low = first;
        int64_t high = last;
        while (low < high) {
            const int64_t middle = low + (high - low + 1) / 2;
            if (before(middle))
                low = middle;
            else
                high = middle - 1;
        }
        if (columnOf(low) == x)
            tick(low);
    }
}

void Inspector::drawSplineRow(const EffectNode& node, const Spline& spline, int32_t y,
                              bool selected) {
    const bool edited = selected && editMode;
    const double scale = rowScale(spline);
    int32_t x0 = 0;
    int32_t x1 = 0;
    if (drawItemBand(*this, node, y, SPLINE_ITEM, selected, x0, x1)) {
        for (int32_t x = x0; x < x1; x += 5)
            orPixel(CHART_LEFT + x, y + 23, 0xffaa2222, true);
        drawCurve(node, spline, y, x0, x1, scale);
    }

    for (size_t k = 0; k < spline.keys.size(); ++k) {
        const SplineKey& key = spline.keys[k];
        const float t = spline.timescale * key.time + spline.timeoffset + node.start - windowStart;
        if (!(0 <= t && t < windowLength))
            continue;
        const int32_t x = CHART_LEFT + column(t, windowLength);
        const int32_t ky =
            y + 23 -
            trunc32((double(key.value) * spline.valuescale + spline.valueoffset) * 22 / scale);
        const uint32_t colour = edited && int(k) == selectedHandle ? RED : WHITE;
        orPixel(x, ky - 1, colour, true);
        orPixel(x, ky + 1, colour, true);
        orPixel(x, ky, colour, true);
        orPixel(x + 1, ky, colour, true);
        orPixel(x - 1, ky, colour, true);
    }

    const uint32_t nameColour = node.active ? ROW_TEXT : GREY_TEXT;
    text(spline.name, 20, y - 1, nameColour, 78, true);
    text(spline.type, 25, y + 11, 0xffaaaaaa, 78, true);
}

// Column by column, joined vertically to the previous column so that steep parts stay
// connected. Rows beyond the band are cut before the run is drawn: only the visible part
// of an enormous value costs anything.
void Inspector::drawCurve(const EffectNode& node, const Spline& spline, int32_t y, int32_t x0,
                          int32_t x1, double scale) {
    const int32_t top = scrollY + clipTop - 1;
    const int32_t bottom = scrollY + clipBottom;
    int32_t previous = 0;
    for (int32_t c = x0; c < x1; ++c) {
        const float v = spline.evaluate(windowStart + c * windowLength / CHART_WIDTH - node.start);
        const int32_t py = std::clamp(y + 23 - trunc32(v * 22 / scale), top, bottom);
        const int32_t from = c == x0 ? py : previous;
        for (int32_t row = std::min(from, py); row <= std::max(from, py); ++row)
            orPixel(CHART_LEFT + c, row, 0xee666666, true);
        previous = py;
    }
}

void Inspector::drawCursor() {
    const int32_t cursor = CHART_LEFT + column(cursorOffset, windowLength);
    const float mark = startMark - windowStart;
    const bool markShown = 0 <= mark && mark < windowLength;
    const int32_t markColumn = CHART_LEFT + column(mark, windowLength);
    for (int32_t row = LIST_TOP; row < LIST_TOP + LIST_HEIGHT; ++row) {
        if (row % 3 != 2)
            fillRect(cursor, row, 1, 1, RED, false);
        if (markShown && row % 5 == 0)
            orPixel(markColumn, row, 0xff7777ff, false);
    }
}

} // namespace Marquel
