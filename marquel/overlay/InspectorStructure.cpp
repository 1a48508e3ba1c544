// The inspector's edits of the script's structure: adding, deleting and reordering nodes,
// triggers and splines.

#include "marquel/overlay/Inspector.h"

#include "marquel/Script.h"

#include <SDL.h>

#include <algorithm>
#include <utility>

namespace Marquel {

// True when the key was one of the structure edits (whether or not it found anything to
// act on); Ctrl+Up and Ctrl+Down still move the selection afterwards.
bool Inspector::editStructure(const Event& key) {
    EffectNode* node = selectedEffectNode();
    const bool nodeRow = node && selectedItem == 0;
    switch (key.key) {
    case SDLK_o:
        if (nodeRow) {
            node->active = !node->active;
            markEdited();
        }
        return true;
    case SDLK_UP:
        if (nodeRow && selectedNode > 0)
            swapNodes(selectedNode, selectedNode - 1);
        return true;
    case SDLK_DOWN:
        if (nodeRow && selectedNode + 1 < nodeCount())
            swapNodes(selectedNode, selectedNode + 1);
        return true;
    case SDLK_INSERT:
    case SDLK_F2:
        insertNode();
        return true;
    case SDLK_F3:
        if (node)
            insertTrigger(*node);
        return true;
    case SDLK_F4:
        if (node)
            insertSpline(*node);
        return true;
    case SDLK_DELETE:
        deleteSelected();
        return true;
    case SDLK_t:
        if (Spline* spline = selectedSpline()) {
            static const char* const cycle[] = {"square", "linear", "bezier", "smooth"};
            for (int i = 0; i < 4; ++i) {
                if (spline->type == cycle[i]) {
                    spline->type = cycle[(i + 1) % 4];
                    markEdited();
                    break;
                }
            }
            spline->prepare();
        }
        return true;
    default:
        return false;
    }
}

// The expanded flags stay with the positions, not with the nodes.
void Inspector::swapNodes(int a, int b) {
    std::swap(script->nodes[static_cast<size_t>(a)], script->nodes[static_cast<size_t>(b)]);
    markEdited();
}

void Inspector::insertNode() {
    if (!script)
        return;
    auto node = std::make_unique<EffectNode>();
    node->name = "new";
    node->active = false;
    node->start = cursorTime();
    node->end = node->start + 10;
    const size_t at =
        std::min(static_cast<size_t>(std::max(selectedNode, 0)), script->nodes.size());
    script->nodes.insert(script->nodes.begin() + static_cast<std::ptrdiff_t>(at), std::move(node));
    expanded.insert(expanded.begin() + static_cast<std::ptrdiff_t>(at), false);
    selectedNode = static_cast<int>(at);
    selectedItem = 0;
    markEdited();
}

void Inspector::insertTrigger(EffectNode& node) {
    auto trigger = std::make_unique<Trigger>();
    trigger->name = "new";
    trigger->repeat = 1;
    trigger->delay = 0;
    trigger->start = std::max(cursorTime() - node.start, 0.0f);
    const int count = static_cast<int>(node.triggers.size());
    const int at = std::clamp(selectedItem - 1, 0, std::max(count - 1, 0));
    node.triggers.insert(node.triggers.begin() + at, std::move(trigger));
    expanded[static_cast<size_t>(selectedNode)] = true;
    markEdited();
}

void Inspector::insertSpline(EffectNode& node) {
    auto spline = std::make_unique<Spline>();
    spline->name = "new";
    spline->type = "smooth";
    const float length = node.end - node.start;
    spline->keys = {{0, 0, 0}, {length / 2, 1, 0}, {length, 0, 0}};
    spline->prepare();
    const int triggers = static_cast<int>(node.triggers.size());
    const int count = static_cast<int>(node.splines.size());
    const int at = std::clamp(selectedItem - triggers - 1, 0, std::max(count - 1, 0));
    node.splines.insert(node.splines.begin() + at, std::move(spline));
    expanded[static_cast<size_t>(selectedNode)] = true;
    markEdited();
}

void Inspector::deleteSelected() {
    EffectNode* node = selectedEffectNode();
    if (!node)
        return;
    markEdited();
    const int items = static_cast<int>(node->triggers.size() + node->splines.size());
    if (selectedItem == 0) {
        script->nodes.erase(script->nodes.begin() + selectedNode);
        expanded.erase(expanded.begin() + selectedNode);
        selectedNode = std::max(std::min(selectedNode, nodeCount() - 1), 0);
    } else if (selectedTrigger()) {
        node->triggers.erase(node->triggers.begin() + (selectedItem - 1));
        if (selectedItem > items - 1)
            --selectedItem;
    } else if (Spline* spline = selectedSpline()) {
        // A spline never loses its last keys here: from 3 keys on the row goes instead.
        if (spline->keys.size() >= 4) {
            spline->keys.pop_back();
            spline->prepare();
            return;
        }
        const int index = selectedItem - 1 - static_cast<int>(node->triggers.size());
        node->splines.erase(node->splines.begin() + index);
        if (selectedItem > items - 1)
            --selectedItem;
    }
}

bool Inspector::changesValue(const Event& key) const {
    // A move the item refuses (past its neighbour, below 0) counts as well.
    const bool move = key.ctrl && (key.key == SDLK_LEFT || key.key == SDLK_RIGHT);
    if (const Trigger* trigger = selectedTrigger())
        return move || key.key == SDLK_INSERT || (key.key == SDLK_DELETE && trigger->repeat > 1);
    if (const Spline* spline = selectedSpline()) {
        const bool vertical = key.ctrl && (key.key == SDLK_UP || key.key == SDLK_DOWN);
        return !spline->keys.empty() &&
               (move || vertical || key.key == SDLK_INSERT ||
                (key.key == SDLK_DELETE && spline->keys.size() >= 3));
    }
    return move && selectedEffectNode();
}

} // namespace Marquel
