#pragma once

#include <string>

namespace Marquel {

// A named event of a script node. Firing k (0 <= k < repeat) is due at local time
// start + k * delay; fired counts the firings made since creation or the last reset.
struct Trigger {
    // When firing number firing is due, in the node's local time.
    float firingTime(int firing) const { return start + static_cast<float>(firing) * delay; }

    int fired = 0;
    std::string name = "new";
    std::string value;
    float start = 0;
    int repeat = 1;
    float delay = 0;
    // The file's repeat when it held more firings than an int does (repeat then holds the
    // most, with its sign): saved back as it was read while repeat stays there.
    std::string repeatRead;
};

} // namespace Marquel
