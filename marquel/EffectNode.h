#pragma once

#include "marquel/Spline.h"
#include "marquel/Trigger.h"

#include <memory>
#include <string>
#include <vector>

namespace Marquel {

// One span of the timeline: the registered effect it drives, when (start <= parent time <
// end, in the parent's time), and what it feeds the effect. The node owns its triggers,
// splines and child nodes; children measure their spans from this node's start.
struct EffectNode {
    std::string name = "new";
    bool active = false;
    float start = 0;
    float end = 0;
    // Armed: the next run calls the effect's start() first.
    bool needsStart = true;
    // For a top-level node, the script file it was loaded from, counted in load order; -1
    // for a node added since. The script files write each file back with its own nodes.
    int file = -1;
    std::vector<std::unique_ptr<EffectNode>> children;
    std::vector<std::unique_ptr<Trigger>> triggers;
    std::vector<std::unique_ptr<Spline>> splines;
};

} // namespace Marquel
