// The inspector's beat: the grid's keys, snapped moves of times, exact numbers typed for the
// selected part, and the loop of a bar or a node.

#include "marquel/overlay/Inspector.h"

#include "marquel/Script.h"

#include <SDL.h>

#include <algorithm>
#include <charconv>
#include <cmath>

namespace Marquel {

namespace {

// Steps a beat Ctrl+G goes through.
constexpr int LARGEST_SUBDIVISION = 8;

// A whole typed number and nothing else, or false.
bool readNumber(const std::string& text, double& number) {
    const char* end = text.data() + text.size();
    const auto read = std::from_chars(text.data(), end, number);
    return read.ec == std::errc() && read.ptr == end && std::isfinite(number);
}

// Sets result to the float number comes to, when that is finite; false leaves it.
bool toFloat(double number, float& result) {
    const float rounded = static_cast<float>(number);
    if (!std::isfinite(rounded))
        return false;
    result = rounded;
    return true;
}

} // namespace

bool Inspector::beatKey(const Event& key) {
    if (key.key == SDLK_g && key.ctrl)
        grid.subdivision = grid.subdivision >= LARGEST_SUBDIVISION ? 1 : grid.subdivision * 2;
    else if (key.key == SDLK_g)
        toggleSnapping();
    else if (key.key == SDLK_l && !key.ctrl)
        toggleLoop();
    else if (key.key == SDLK_e && key.ctrl)
        startNumber(FIELD_TIME);
    else if (key.key == SDLK_v && key.ctrl && selectedSpline())
        startNumber(FIELD_VALUE);
    else
        return false;
    return true;
}

void Inspector::takeTempo() {
    if (script && script->bpm > 0) {
        // The same tempo read again keeps the maker's grid as it was.
        if (grid.proposed || grid.bpm != script->bpm || grid.firstBeat != script->firstBeat) {
            grid.bpm = script->bpm;
            grid.firstBeat = script->firstBeat;
            grid.proposed = false;
            grid.snapping = true;
            grid.subdivision = 4;
        }
    } else if (!grid.proposed) {
        // The guess comes from the music, which stays when the script changes.
        grid = BeatGrid();
    }
}

void Inspector::toggleSnapping() {
    if (!grid.active()) {
        note = "no tempo to snap to";
    } else if (grid.proposed) {
        // Accepted: the script carries the tempo from its next save on.
        if (script) {
            script->bpm = grid.bpm;
            script->firstBeat = grid.firstBeat;
            markEdited();
        }
        grid.proposed = false;
        grid.snapping = true;
    } else {
        grid.snapping = !grid.snapping;
    }
}

void Inspector::toggleLoop() {
    if (looping) {
        looping = false;
        return;
    }
    const EffectNode* node = selectedEffectNode();
    loopStart = loopEnd = 0;
    // A proposed tempo drives nothing until it is accepted.
    if (grid.active() && !grid.proposed) {
        const int beats = std::max(grid.beatsPerBar, 1);
        double bar = std::floor(grid.beatAt(currentTime) / beats);
        // Standing on a bar's start (a grid step lands there) the float time may read just
        // under it, which would loop the bar that ends here.
        if (static_cast<float>(grid.beatTime((bar + 1) * beats)) <= currentTime)
            bar += 1;
        loopStart = static_cast<float>(grid.beatTime(bar * beats));
        loopEnd = static_cast<float>(grid.beatTime((bar + 1) * beats));
    } else if (node) {
        loopStart = node->start;
        loopEnd = node->end;
    }
    // The bar before the first beat may start before the demo; past the script's end the
    // demo would stop before the loop came round.
    loopStart = std::max(loopStart, 0.0f);
    if (script)
        loopEnd = std::min(loopEnd, script->endTime);
    looping = loopStart < loopEnd;
    if (!looping)
        note = "nothing to loop";
}

float Inspector::steppedTime(float time, double origin, float scale, int direction) const {
    if (!grid.snaps())
        return time + static_cast<float>(direction) * (getTimeStep() / scale);
    const float demoTime = static_cast<float>(origin + double(scale) * time);
    return static_cast<float>((double(grid.step(demoTime, direction)) - origin) / scale);
}

float Inspector::cursorTime() const {
    const float cursor = windowStart + cursorOffset;
    return grid.snaps() ? grid.snap(cursor) : cursor;
}

float Inspector::insertGap() const {
    if (grid.snaps())
        return static_cast<float>(60.0 / double(grid.bpm));
    return windowLength * 5 / InspectorLayout::CHART_WIDTH;
}

void Inspector::moveFiring(Trigger& trigger, int k, float origin, int direction) {
    const double first = double(origin) + trigger.start;
    const float firing =
        grid.step(static_cast<float>(first + double(k) * trigger.delay), direction);
    float delay = 0;
    if (toFloat((double(firing) - first) / k, delay) && delay > 0)
        trigger.delay = delay;
}

void Inspector::startNumber(NumberField field) {
    const Spline* spline = selectedSpline();
    if (!selectedEffectNode() || (spline && spline->keys.empty()))
        return;
    typedField = field;
    typedNumber.clear();
    startTyping(typedNumber);
}

void Inspector::applyNumber() {
    double number = 0;
    EffectNode* node = selectedEffectNode();
    if (!readNumber(typedNumber, number)) {
        note = "not a number: " + typedNumber;
    } else if (!node) {
        return;
    } else if (typedField == FIELD_VALUE ? applyValue(number) : applyTime(*node, number)) {
        markEdited();
        if (Spline* spline = selectedSpline())
            spline->prepare();
    } else {
        note = typedNumber + ": out of range here";
    }
}

// A time typed is the demo's, as the clock shows it; the file holds a trigger's and a
// key's times on their node's clock.
bool Inspector::applyTime(EffectNode& node, double time) {
    const double local = time - node.start;
    const int k = selectedHandle;
    float result = 0;
    if (Trigger* trigger = selectedTrigger()) {
        if (k == 0 && local >= 0 && toFloat(local, trigger->start))
            return true;
        // A later firing is set by the delay, and stays after the first one.
        if (k == 0 || !toFloat((local - trigger->start) / k, result) || !(result > 0))
            return false;
        trigger->delay = result;
        return true;
    }
    if (Spline* spline = selectedSpline()) {
        const size_t at = static_cast<size_t>(k);
        // Between its neighbours and not before the node, where the keys' moves keep it.
        const auto scaledTime = [&](size_t i) {
            return double(spline->timescale) * spline->keys[i].time + spline->timeoffset;
        };
        if (local < 0 || (at > 0 && local < scaledTime(at - 1)) ||
            (at + 1 < spline->keys.size() && local > scaledTime(at + 1)) ||
            !toFloat((local - spline->timeoffset) / spline->timescale, result))
            return false;
        spline->keys[at].time = result;
        return true;
    }
    if (!toFloat(time, result) || result < 0)
        return false;
    if (k == 0) {
        if (result > node.end)
            return false;
        node.start = result;
    } else if (k == 1) {
        // The whole node keeps its length.
        float end = 0;
        if (!toFloat(double(result) + (double(node.end) - node.start), end))
            return false;
        node.start = result;
        node.end = end;
    } else {
        if (result < node.start)
            return false;
        node.end = result;
    }
    return true;
}

// A value typed is the curve's, as the footer shows it.
bool Inspector::applyValue(double value) {
    Spline* spline = selectedSpline();
    const size_t at = static_cast<size_t>(selectedHandle);
    float result = 0;
    if (!spline || at >= spline->keys.size() ||
        !toFloat((value - spline->valueoffset) / spline->valuescale, result))
        return false;
    spline->keys[at].value = result;
    return true;
}

} // namespace Marquel
