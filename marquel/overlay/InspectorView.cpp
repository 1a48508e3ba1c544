// The inspector's drawing: the fixed frame, the time chart of the script and the footer.

#include "marquel/overlay/Inspector.h"

#include "marquel/Exception.h"
#include "marquel/Script.h"
#include "vx/Exception.h"
#include "vx/FileSystem.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace Marquel {

namespace {

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

using namespace InspectorLayout;

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

// Truncated towards zero and held far inside int32_t, so that a wild value (a huge scale,
// infinity, NaN) gives a position off the canvas instead of an undefined conversion.
int32_t trunc32(double value) {
    if (std::isnan(value))
        return 0;
    return static_cast<int32_t>(std::clamp(value, -1e8, 1e8));
}

// The pixel column, from 0, of an offset into the time window.
int32_t column(float offset, float windowLength) {
    return trunc32(CHART_WIDTH * static_cast<double>(offset) / windowLength);
}

std::string format(const char* pattern, double value) {
    char line[128];
    std::snprintf(line, sizeof line, pattern, value);
    return line;
}

std::string format(const char* pattern, int value) {
    char line[128];
    std::snprintf(line, sizeof line, pattern, value);
    return line;
}

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

} // namespace

void Inspector::drawFrame() {
    fillRect(10, 0, 492, 500, WHITE, false);
    fillRect(0, 10, 512, 492, WHITE, false);
    fillRect(0, 500, 512, 12, WHITE, false);
    fillDisc(10, 10, 20, WHITE);
    fillDisc(502, 10, 20, WHITE);
    fillRect(12, 2, 488, 508, BLACK, false);
    fillRect(2, 12, 508, 488, BLACK, false);
    fillDisc(12, 12, 20, BLACK);
    fillDisc(500, 12, 20, BLACK);
    copyLogo();
    fillRect(0, 28, 512, 1, WHITE, false);
    fillRect(0, FOOTER_SEPARATOR, 512, 1, WHITE, false);
}

// Centred with its top row at y = 2; whatever of it falls outside the canvas is dropped.
void Inspector::copyLogo() {
    Vx::Image logo;
    try {
        logo = files->loadImage("marquel_logo.png");
    } catch (const Vx::Exception& e) {
        // The loader's text names the file but not who needs it: a demo of one's own may
        // not know that the inspector does.
        throw Exception("[Marquel] The inspector could not load its logo: %s", e.what());
    }
    const int64_t w = logo->getWidth();
    const int64_t h = logo->getHeight();
    const uint8_t* bgra = logo->getData();
    if (!bgra)
        return;
    const int64_t left = 256 - w / 2;
    for (int64_t row = 0; row < h && row + 2 < int64_t(height); ++row) {
        for (int64_t x = std::max<int64_t>(0, -left); x < w && x + left < int64_t(width); ++x) {
            const uint8_t* p = bgra + (row * w + x) * 4;
            pixels[(row + 2) * width + (x + left)] =
                0xff000000u | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
        }
    }
}

void Inspector::redraw() {
    fillRect(2, LIST_TOP, 508, LIST_HEIGHT, BACKGROUND, false);
    // The footer's texts start on the separator's row: without this, the top of a yellow
    // value would stay there under every panel shown after it.
    fillRect(0, FOOTER_SEPARATOR, 512, 1, WHITE, false);
    fillRect(2, 502, 508, 8, BACKGROUND, false);
    fillRect(2, FOOTER_TOP, 508, 15, BACKGROUND, false);
    fillRect(2, FOOTER_TOP, CHART_LEFT, FOOTER_HEIGHT, BLACK, false);
    updateScroll();
    drawList();
    fillRect(CHART_LEFT - 1, LIST_TOP, 1, 480, WHITE, false);
    drawCursor();
    drawClock();
    dirty = true;
}

// Keeps the selected row wholly inside the list's band: down to its bottom, up to its top.
void Inspector::updateScroll() {
    const EffectNode* selected = selectedEffectNode();
    if (!selected)
        return;
    int64_t a = 0;
    for (int i = 0; i < selectedNode; ++i) {
        const EffectNode& node = *script->nodes[static_cast<size_t>(i)];
        a += ROW;
        if (expanded[static_cast<size_t>(i)])
            a += ROW * int64_t(node.triggers.size()) + SPLINE_ROW * int64_t(node.splines.size());
    }
    a += ROW;
    const int64_t triggers = int64_t(selected->triggers.size());
    int64_t rowHeight = ROW;
    if (expanded[static_cast<size_t>(selectedNode)] && selectedItem > 0) {
        if (selectedItem <= triggers) {
            a += selectedItem * ROW;
        } else {
            a += triggers * ROW + (selectedItem - triggers) * SPLINE_ROW;
            rowHeight = SPLINE_ROW;
        }
    }
    int64_t scroll = scrollY;
    if (scroll < a - LIST_HEIGHT)
        scroll = a - LIST_HEIGHT;
    else if (a - rowHeight < scroll)
        scroll = a - rowHeight;
    scrollY = static_cast<int32_t>(std::clamp<int64_t>(scroll, 0, INT32_MAX));
}

void Inspector::drawList() {
    if (!script)
        return;
    int64_t y = LIST_TOP;
    const int64_t stop = int64_t(scrollY) + 504;
    stripe = false;
    for (size_t i = 0; i < script->nodes.size(); ++i) {
        const EffectNode& node = *script->nodes[i];
        const bool thisNode = static_cast<int>(i) == selectedNode;
        const bool isExpanded = i < expanded.size() && expanded[i];
        stripe = !stripe;
        drawNodeRow(node, static_cast<int32_t>(y), thisNode && selectedItem == 0, isExpanded);
        if (thisNode && selectedItem == 0)
            drawNodePanel(node);
        y += ROW;
        if (isExpanded) {
            int item = 1;
            for (const auto& trigger : node.triggers) {
                const bool selected = thisNode && selectedItem == item++;
                drawTriggerRow(node, *trigger, static_cast<int32_t>(y), selected);
                if (selected)
                    drawTriggerPanel(*trigger);
                y += ROW;
                if (y > stop)
                    return;
            }
            for (const auto& spline : node.splines) {
                const bool selected = thisNode && selectedItem == item++;
                drawSplineRow(node, *spline, static_cast<int32_t>(y), selected);
                if (selected)
                    drawSplinePanel(node, *spline);
                y += SPLINE_ROW;
                if (y > stop)
                    return;
            }
        }
        if (y > stop)
            return;
    }
}

bool Inspector::isRegistered(const EffectNode& node) const {
    return script && script->findEffect(node.name) != nullptr;
}

bool Inspector::isRunning(const EffectNode& node) const {
    const float t = windowStart + cursorOffset;
    return node.active && isRegistered(node) && node.start <= t && t < node.end;
}

void Inspector::text(const std::string& line, int32_t x, int32_t y, uint32_t colour,
                     int32_t maxWidth, bool clip) {
    TextItem item;
    item.text = line;
    item.x = x;
    item.y = y;
    item.colour = colour;
    item.maxWidth = maxWidth;
    item.clip = clip;
    drawText(item);
}

void Inspector::drawNodeRow(const EffectNode& node, int32_t y, bool selected, bool isExpanded) {
    const bool edited = selected && editMode;
    uint32_t background = stripe ? STRIPE : BACKGROUND;
    if (selected)
        background = editMode ? EDITED : SELECTED;
    fillRect(2, y, 508, ROW, background, true);

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
        text(note, 114 + x0, y, 0xccffffff, x1 - x0 - 4, true);
    fillRect(CHART_LEFT + x1, y + 1, 1, 10, 0xccffffff, true);
    fillRect(CHART_LEFT + x0, y + 1, 1, 10, 0xccffffff, true);
    if (edited && selectedHandle != 1)
        fillRect(CHART_LEFT + (selectedHandle == 0 ? x0 : x1), y + 1, 1, 10, RED, true);
}

void Inspector::drawTriggerRow(const EffectNode& node, const Trigger& trigger, int32_t y,
                               bool selected) {
    const bool edited = selected && editMode;
    fillRect(2, y, 508, ROW, stripe ? STRIPE : BACKGROUND, true);
    if (edited)
        fillRect(2, y, 508, ROW, EDITED, true);
    else
        fillRect(2, y, 108, ROW, selected ? SELECTED : TRIGGER_CELL, true);
    int32_t x0 = 0;
    int32_t x1 = 0;
    if (visibleSpan(node.start, node.end, windowStart, windowLength, x0, x1)) {
        const uint32_t span = !selected ? TRIGGER_CELL : editMode ? 0xee002200 : SELECTED;
        fillRect(CHART_LEFT + x0, y, x1 - x0, 11, span, true);
    }
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
    fillRect(2, y, 508, ROW, stripe ? STRIPE : BACKGROUND, true);
    if (edited)
        fillRect(2, y, 508, SPLINE_ROW, EDITED, true);
    else
        fillRect(2, y, 108, SPLINE_ROW, selected ? SELECTED : SPLINE_CELL, true);

    const double scale = std::max(double(spline.absMax) * spline.valuescale, 1.0);
    int32_t x0 = 0;
    int32_t x1 = 0;
    if (visibleSpan(node.start, node.end, windowStart, windowLength, x0, x1)) {
        const uint32_t span = !selected ? SPLINE_CELL : editMode ? 0xee440000 : SELECTED;
        fillRect(CHART_LEFT + x0, y, x1 - x0, 47, span, true);
        for (int32_t x = x0; x < x1; x += 5)
            orPixel(CHART_LEFT + x, y + 23, 0xffaa2222, true);
        drawCurve(node, spline, y, x0, x1);
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
                          int32_t x1) {
    const double scale = std::max(double(spline.absMax) * spline.valuescale, 1.0);
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

void Inspector::drawClock() {
    // In floats, as the clock was made: the millisecond of ticks * 0.001f comes back exactly,
    // where the wider product can fall just below it.
    const float t = currentTime;
    char line[64];
    std::snprintf(line, sizeof line, "time : %02d:%02d.%03d", trunc32(t / 60) % 60, trunc32(t) % 60,
                  trunc32(t * 1000) % 1000);
    text(line, 15, FOOTER_LINE, WHITE);
    text(format("fps : %.2f", double(frameRate)), 19, FOOTER_SECOND_LINE, WHITE);
}

void Inspector::drawNodePanel(const EffectNode& node) {
    fillRect(CHART_LEFT, FOOTER_TOP, CHART_WIDTH, FOOTER_HEIGHT, NODE_BAR, false);
    text(format("start: %.3f", double(node.start)), FOOTER_COLUMNS[0], FOOTER_LINE, WHITE,
         FOOTER_COLUMN);
    text(format("end: %.3f", double(node.end)), FOOTER_COLUMNS[0], FOOTER_SECOND_LINE, WHITE,
         FOOTER_COLUMN);
    text(format("triggers: %d", int(node.triggers.size())), FOOTER_COLUMNS[1], FOOTER_LINE, WHITE,
         FOOTER_COLUMN);
    text(format("splines: %d", int(node.splines.size())), FOOTER_COLUMNS[1], FOOTER_SECOND_LINE,
         WHITE, FOOTER_COLUMN);
}

void Inspector::drawTriggerPanel(const Trigger& trigger) {
    fillRect(CHART_LEFT, FOOTER_TOP, CHART_WIDTH, FOOTER_HEIGHT, TRIGGER_CELL, false);
    text(format("start: %.3f", double(trigger.start)), FOOTER_COLUMNS[0], FOOTER_LINE, WHITE,
         FOOTER_COLUMN);
    if (trigger.repeat > 1) {
        if (editMode) {
            const double current = double(trigger.start) + selectedHandle * double(trigger.delay);
            text(format("current: %.2f", current), FOOTER_COLUMNS[0], FOOTER_SECOND_LINE, WHITE,
                 FOOTER_COLUMN);
        }
        text(format("repeat: %d", trigger.repeat), FOOTER_COLUMNS[1], FOOTER_LINE, WHITE,
             FOOTER_COLUMN);
        text(format("delay: %.2f", double(trigger.delay)), FOOTER_COLUMNS[1], FOOTER_SECOND_LINE,
             WHITE, FOOTER_COLUMN);
    }
    text("value: " + trigger.value, FOOTER_COLUMNS[2], FOOTER_LINE, 0xffffff00, LAST_COLUMN);
}

void Inspector::drawSplinePanel(const EffectNode& node, const Spline& spline) {
    fillRect(CHART_LEFT, FOOTER_TOP, CHART_WIDTH, FOOTER_HEIGHT, SPLINE_CELL, false);
    text(format("keys: %d", int(spline.keys.size())), FOOTER_COLUMNS[0], FOOTER_LINE, WHITE,
         FOOTER_COLUMN);
    text(format("current: %.3f", double(spline.evaluate(currentTime - node.start))),
         FOOTER_COLUMNS[0], FOOTER_SECOND_LINE, WHITE, FOOTER_COLUMN);
    text(format("max: %.3f", double(spline.max) * spline.valuescale), FOOTER_COLUMNS[1],
         FOOTER_LINE, WHITE, FOOTER_COLUMN);
    text(format("min: %.3f", double(spline.min) * spline.valuescale), FOOTER_COLUMNS[1],
         FOOTER_SECOND_LINE, WHITE, FOOTER_COLUMN);
    const size_t key = static_cast<size_t>(selectedHandle);
    if (editMode && key < spline.keys.size()) {
        // The curve at the key, the key's time taken into the node's time as the keys are
        // placed on the chart.
        const float local = spline.timescale * spline.keys[key].time + spline.timeoffset;
        text(format("current key: %.2f", double(spline.evaluate(local))), FOOTER_COLUMNS[2],
             FOOTER_LINE, WHITE, LAST_COLUMN);
    }
}

} // namespace Marquel
