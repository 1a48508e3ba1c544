#include "marquel/overlay/Inspector.h"

#include "marquel/Script.h"

#include <algorithm>

namespace Marquel {

Inspector::Inspector(Vx::FileSystem* files) : Panel(files) {
    drawFrame();
    editMode = false;
    textTarget = nullptr;
    clipTop = InspectorLayout::LIST_TOP;
    clipBottom = InspectorLayout::FOOTER_SEPARATOR;
}

void Inspector::attach(Script* attached) {
    script = attached;
    editMode = false;
    // Whatever was being typed belonged to the text of the script shown so far.
    textTarget = nullptr;
    selectedNode = selectedItem = selectedHandle = 0;
    cursorOffset = 0;
    windowLength = FIRST_WINDOW_LENGTH;
    windowStart = 0;
    scrollY = 0;
    expanded.assign(static_cast<size_t>(nodeCount()), false);
    looping = false;
    takeTempo();
    redraw();
}

void Inspector::scriptReplaced() {
    keepSelectionValid();
    takeTempo();
    redraw();
}

void Inspector::handleEvents(EventList& events) {
    const int32_t count = std::min(events.count, EventList::CAPACITY);
    for (int32_t e = 0; e < count; ++e) {
        const Event& event = events.events[e];
        if (event.type == EVENT_INFO) {
            currentTime = event.infoTime;
            startMark = event.infoStart;
            frameRate = event.infoFps;
            windowStart = std::max(currentTime - windowLength / 2, 0.0f);
            cursorOffset = currentTime - windowStart;
        } else if (event.type == EVENT_KEYDOWN) {
            keepSelectionValid();
            handleKey(event);
        }
    }
    // After the keys, and for a script changed behind the inspector's back.
    if (count > 0) {
        keepSelectionValid();
        redraw();
    }
}

int Inspector::nodeCount() const {
    return script ? static_cast<int>(script->nodes.size()) : 0;
}

EffectNode* Inspector::selectedEffectNode() const {
    if (selectedNode < 0 || selectedNode >= nodeCount())
        return nullptr;
    return script->nodes[static_cast<size_t>(selectedNode)].get();
}

Trigger* Inspector::selectedTrigger() const {
    EffectNode* node = selectedEffectNode();
    if (!node || selectedItem < 1 || selectedItem > static_cast<int>(node->triggers.size()))
        return nullptr;
    return node->triggers[static_cast<size_t>(selectedItem - 1)].get();
}

Spline* Inspector::selectedSpline() const {
    EffectNode* node = selectedEffectNode();
    if (!node)
        return nullptr;
    const int index = selectedItem - 1 - static_cast<int>(node->triggers.size());
    if (index < 0 || index >= static_cast<int>(node->splines.size()))
        return nullptr;
    return node->splines[static_cast<size_t>(index)].get();
}

// The edits keep the selection valid by themselves; this also covers a script changed
// behind the inspector's back (nodes added by another load) and values read from a file
// that no edit could make, such as a repeat below 1.
void Inspector::keepSelectionValid() {
    const int nodes = nodeCount();
    expanded.resize(static_cast<size_t>(nodes), false);
    selectedNode = std::clamp(selectedNode, 0, std::max(nodes - 1, 0));
    const EffectNode* node = selectedEffectNode();
    const int items = node ? static_cast<int>(node->triggers.size() + node->splines.size()) : 0;
    selectedItem = std::clamp(selectedItem, 0, items);
    int lastHandle = 0;
    if (const Trigger* trigger = selectedTrigger())
        lastHandle = std::max(trigger->repeat - 1, 0);
    else if (const Spline* spline = selectedSpline())
        lastHandle = std::max(static_cast<int>(spline->keys.size()) - 1, 0);
    else if (node)
        lastHandle = 2;
    selectedHandle = std::clamp(selectedHandle, 0, lastHandle);
}

} // namespace Marquel
