// The inspector's keys: typing names and values, edits of the selected row's times and
// values, and moving the selection; the structure edits are in InspectorStructure.cpp, the
// beat's keys and the grid's steps in InspectorBeat.cpp.

#include "marquel/overlay/Inspector.h"

#include "marquel/Script.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace Marquel {

namespace {

constexpr char CURSOR_MARK = '|';

// Keeps every text writable by the script saver, which cannot write a text holding both
// kinds of quote.
bool acceptsCharacter(const std::string& text, int key) {
    if (!((key >= 32 && key <= 90) || (key >= 97 && key <= 122)))
        return false;
    if (key == '"')
        return text.find('\'') == std::string::npos;
    if (key == '\'')
        return text.find('"') == std::string::npos;
    return true;
}

// A key's time on the node's clock, where the chart and the neighbour tests compare keys.
float scaledTime(const Spline& spline, const SplineKey& key) {
    return spline.timescale * key.time + spline.timeoffset;
}

// A one-pixel move divided by a scale of 0, or by a tiny one, gives infinity or NaN, which
// the key would then carry into the curve and the saved file: such moves are not made.
bool place(float& target, float moved) {
    if (!std::isfinite(moved))
        return false;
    target = moved;
    return true;
}

bool shift(float& target, float amount) {
    return place(target, target + amount);
}

// A number typed for a time or a value: its digits, a point and a sign.
bool acceptsNumberCharacter(int key) {
    return (key >= '0' && key <= '9') || key == '.' || key == '-';
}

} // namespace

void Inspector::handleKey(const Event& key) {
    note.clear();
    if (textTarget) {
        typeKey(key);
        return;
    }
    if (beatKey(key))
        return;
    // Ctrl+Return and Alt+Return switch the full screen, which is no edit.
    if (key.key == SDLK_RETURN && !key.ctrl && !key.alt) {
        selectedHandle = 0;
        editMode = !editMode;
    }
    if (!editMode && key.ctrl && !editStructure(key)) {
        EffectNode* node = selectedEffectNode();
        Trigger* trigger = selectedTrigger();
        Spline* spline = selectedSpline();
        if (key.key == SDLK_n && node)
            startTyping(trigger ? trigger->name : spline ? spline->name : node->name);
        else if (key.key == SDLK_v && trigger)
            startTyping(trigger->value);
    }
    if (editMode && changesValue(key))
        markEdited();
    if (editMode)
        editValue(key);
    else
        navigate(key);
    if (key.key == SDLK_KP_MINUS)
        windowLength += 5;
    else if (key.key == SDLK_KP_PLUS && windowLength > 5)
        windowLength -= 5;
}

void Inspector::startTyping(std::string& target) {
    textTarget = &target;
    textTarget->push_back(CURSOR_MARK);
}

void Inspector::typeKey(const Event& key) {
    std::string& text = *textTarget;
    if (!text.empty())
        text.pop_back();
    const bool intoScript = !typingNumber();
    if (key.key == SDLK_BACKSPACE) {
        if (!text.empty()) {
            text.pop_back();
            if (intoScript)
                markEdited();
        }
    } else if (key.key == SDLK_RETURN) {
        textTarget = nullptr;
        if (!intoScript)
            applyNumber();
        return;
    } else if (intoScript ? acceptsCharacter(text, key.key) : acceptsNumberCharacter(key.key)) {
        text.push_back(static_cast<char>(key.key));
        if (intoScript)
            markEdited();
    }
    text.push_back(CURSOR_MARK);
}

void Inspector::markEdited() {
    if (script)
        script->edited = true;
}

void Inspector::editValue(const Event& key) {
    EffectNode* node = selectedEffectNode();
    if (!node)
        return;
    if (Trigger* trigger = selectedTrigger()) {
        editTrigger(key, *trigger, node->start);
    } else if (Spline* spline = selectedSpline()) {
        editSpline(key, *spline, node->start);
        spline->prepare();
    } else {
        editNode(key, *node);
    }
}

void Inspector::moveHandle(const Event& key, int last) {
    if (key.ctrl)
        return;
    if (key.key == SDLK_RIGHT && selectedHandle < last)
        ++selectedHandle;
    else if (key.key == SDLK_LEFT && selectedHandle > 0)
        --selectedHandle;
}

void Inspector::editNode(const Event& key, EffectNode& node) {
    moveHandle(key, 2);
    if (!key.ctrl)
        return;
    // A refused move keeps the old time itself: adding the step back would round differently.
    if (key.key == SDLK_RIGHT) {
        const float start = steppedTime(node.start, 0, 1, 1);
        if (selectedHandle <= 1 && !(start > node.end))
            node.start = start;
        if (selectedHandle >= 1)
            node.end = steppedTime(node.end, 0, 1, 1);
    } else if (key.key == SDLK_LEFT) {
        if (selectedHandle <= 1)
            node.start = std::max(steppedTime(node.start, 0, 1, -1), 0.0f);
        const float end = steppedTime(node.end, 0, 1, -1);
        if (selectedHandle >= 1 && !(end < node.start))
            node.end = end;
    }
}

void Inspector::editTrigger(const Event& key, Trigger& trigger, float origin) {
    const float step = getTimeStep();
    const int k = selectedHandle;
    moveHandle(key, std::max(trigger.repeat - 1, 0));
    const bool move = key.ctrl && (key.key == SDLK_RIGHT || key.key == SDLK_LEFT);
    if (move && k > 0 && grid.snaps()) {
        moveFiring(trigger, k, origin, key.key == SDLK_RIGHT ? 1 : -1);
    } else if (key.ctrl && key.key == SDLK_RIGHT) {
        if (k == 0)
            trigger.start = steppedTime(trigger.start, origin, 1, 1);
        else
            trigger.delay += step / k;
    } else if (key.ctrl && key.key == SDLK_LEFT) {
        if (k == 0) {
            trigger.start = std::max(steppedTime(trigger.start, origin, 1, -1), 0.0f);
        } else {
            trigger.delay -= step / k;
            if (k * trigger.delay < step)
                trigger.delay = step / k;
        }
    } else if (key.key == SDLK_INSERT) {
        // At the largest count one more would wrap round to a trigger that never fires.
        if (trigger.repeat < std::numeric_limits<int>::max())
            trigger.repeat = std::max(trigger.repeat, 0) + 1;
        if (trigger.repeat == 2)
            trigger.delay = insertGap();
    } else if (key.key == SDLK_DELETE && trigger.repeat > 1) {
        --trigger.repeat;
        if (selectedHandle > trigger.repeat - 1)
            --selectedHandle;
    }
}

void Inspector::editSpline(const Event& key, Spline& spline, float origin) {
    const int last = static_cast<int>(spline.keys.size()) - 1;
    moveHandle(key, std::max(last, 0));
    if (selectedHandle > last)
        return; // a spline without keys has nothing to edit
    const size_t k = static_cast<size_t>(selectedHandle);
    SplineKey& selected = spline.keys[k];
    // Where the key's time 0 lies in demo time.
    const double zeroAt = double(origin) + spline.timeoffset;
    if (key.ctrl && key.key == SDLK_RIGHT) {
        const float before = selected.time;
        // A key does not pass its neighbour: the selection moves on to the neighbour.
        if (place(selected.time, steppedTime(selected.time, zeroAt, spline.timescale, 1)) &&
            selectedHandle < last &&
            scaledTime(spline, selected) > scaledTime(spline, spline.keys[k + 1])) {
            selected.time = before;
            ++selectedHandle;
        }
    } else if (key.ctrl && key.key == SDLK_LEFT) {
        const float before = selected.time;
        if (place(selected.time, steppedTime(selected.time, zeroAt, spline.timescale, -1))) {
            const float zero = -spline.timeoffset / spline.timescale;
            if (scaledTime(spline, selected) < 0 && std::isfinite(zero))
                selected.time = zero;
            if (k > 0 && scaledTime(spline, spline.keys[k - 1]) > scaledTime(spline, selected)) {
                selected.time = before;
                --selectedHandle;
            }
        }
    } else if (key.ctrl && key.key == SDLK_UP) {
        shift(selected.value, 1 / spline.valuescale);
    } else if (key.ctrl && key.key == SDLK_DOWN) {
        shift(selected.value, -1 / spline.valuescale);
    } else if (key.key == SDLK_INSERT) {
        SplineKey added = selected;
        if (selectedHandle == last) {
            added.time = selected.time + insertGap();
        } else {
            const SplineKey& next = spline.keys[k + 1];
            added.time = (selected.time + next.time) / 2;
            // The curve's own value there, in key units, so the curve keeps its shape. Where
            // the two keys share one time the curve is undefined: halfway between them.
            const float curve = spline.evaluate(scaledTime(spline, added));
            const float value = (curve - spline.valueoffset) / spline.valuescale;
            added.value = std::isfinite(value) ? value : selected.value / 2 + next.value / 2;
        }
        spline.keys.insert(spline.keys.begin() + static_cast<std::ptrdiff_t>(k) + 1, added);
        ++selectedHandle;
    } else if (key.key == SDLK_DELETE && spline.keys.size() >= 3) {
        spline.keys.erase(spline.keys.begin() + static_cast<std::ptrdiff_t>(k));
        if (selectedHandle > 0)
            --selectedHandle;
    }
}

void Inspector::navigate(const Event& key) {
    const EffectNode* node = selectedEffectNode();
    if (!node)
        return;
    const bool open = expanded[static_cast<size_t>(selectedNode)];
    const int items = static_cast<int>(node->triggers.size() + node->splines.size());
    switch (key.key) {
    case SDLK_UP:
        if (selectedItem > 0 && open) {
            --selectedItem;
        } else if (selectedNode > 0) {
            --selectedNode;
            const EffectNode& above = *script->nodes[static_cast<size_t>(selectedNode)];
            selectedItem = expanded[static_cast<size_t>(selectedNode)]
                               ? static_cast<int>(above.triggers.size() + above.splines.size())
                               : 0;
        }
        break;
    case SDLK_DOWN:
        if (open && selectedItem < items) {
            ++selectedItem;
        } else if (selectedNode + 1 < nodeCount()) {
            ++selectedNode;
            selectedItem = 0;
        }
        break;
    case SDLK_RIGHT:
        expanded[static_cast<size_t>(selectedNode)] = true;
        break;
    case SDLK_LEFT:
        expanded[static_cast<size_t>(selectedNode)] = false;
        selectedItem = 0;
        break;
    default:
        break;
    }
}

} // namespace Marquel
