// The inspector's footer: the clock and the frame rate, and beside them the numbers of the
// selected node, trigger or spline, and under those the grid, the loop and a number typed.

#include "marquel/overlay/Inspector.h"

#include "marquel/Script.h"
#include "marquel/overlay/InspectorDrawing.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace Marquel {

namespace {

using namespace InspectorDrawing;
using namespace InspectorLayout;

// pattern with its one conversion filled by value (a double for %f, an int for %d).
template <typename Number> std::string format(const char* pattern, Number value) {
    char line[128];
    std::snprintf(line, sizeof line, pattern, value);
    return line;
}

} // namespace

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
    text("value: " + trigger.value, FOOTER_COLUMNS[2], FOOTER_LINE, YELLOW, LAST_COLUMN);
}

void Inspector::drawSplinePanel(const EffectNode& node, const Spline& spline) {
    fillRect(CHART_LEFT, FOOTER_TOP, CHART_WIDTH, FOOTER_HEIGHT, SPLINE_CELL, false);
    text(format("keys: %d", int(spline.keys.size())), FOOTER_COLUMNS[0], FOOTER_LINE, WHITE,
         FOOTER_COLUMN);
    text(format("current: %.3f", double(spline.evaluate(currentTime - node.start))),
         FOOTER_COLUMNS[0], FOOTER_SECOND_LINE, WHITE, FOOTER_COLUMN);
    // A negative scale turns the curve over: its largest key gives the smallest output. Adding
    // 0 makes a -0 from the scale print as 0.
    const double high = double(spline.max) * spline.valuescale + 0.0;
    const double low = double(spline.min) * spline.valuescale + 0.0;
    text(format("max: %.3f", std::max(high, low)), FOOTER_COLUMNS[1], FOOTER_LINE, WHITE,
         FOOTER_COLUMN);
    text(format("min: %.3f", std::min(high, low)), FOOTER_COLUMNS[1], FOOTER_SECOND_LINE, WHITE,
         FOOTER_COLUMN);
    const size_t key = static_cast<size_t>(selectedHandle);
    if (editMode && key < spline.keys.size()) {
        // The curve at the key, the key's time taken into the node's time as the keys are
        // placed on the chart.
        const float local = spline.timescale * spline.keys[key].time + spline.timeoffset;
        text(format("current key: %.2f", double(spline.evaluate(local))), FOOTER_COLUMNS[2],
             FOOTER_LINE, WHITE, LAST_COLUMN);
    }
}

// The second line's last column, which no panel uses: what is typed, what a key refused, or
// the grid's steps a beat, snapping and the loop (the lane shows the tempo).
void Inspector::drawBeatState() {
    if (typingNumber()) {
        text((typedField == FIELD_TIME ? "time = " : "value = ") + typedNumber, FOOTER_COLUMNS[2],
             FOOTER_SECOND_LINE, WHITE, LAST_COLUMN);
        return;
    }
    if (!note.empty()) {
        text(note, FOOTER_COLUMNS[2], FOOTER_SECOND_LINE, YELLOW, LAST_COLUMN);
        return;
    }
    std::string line;
    if (grid.active())
        line = format("beat/%d", grid.subdivision) + (grid.snapping ? " snap" : "");
    if (looping)
        line += (line.empty() ? "" : " ") + format("loop %.3f", double(loopStart));
    text(line, FOOTER_COLUMNS[2], FOOTER_SECOND_LINE, GREY_TEXT, LAST_COLUMN);
}

} // namespace Marquel
