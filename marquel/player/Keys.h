#pragma once

#include "marquel/System.h"

namespace Marquel {

struct Event;

// The player's keys: what each does and when it is refused, one row a key in Keys.cpp.
// Adding a key adds a row.
class Keys {
public:
    // Acts on a key pressed, or on the window's close button, as its row says; other
    // records and keys without a row pass.
    static void press(System& system, System::Loop& loop, const Event& event);
    // Once a frame, after the clock: the inspector's loop (its L key) takes the frame's time
    // back to the loop's start when it has reached the loop's end.
    static void repeatLoop(System& system, System::Loop& loop);

private:
    struct Row;
    static const Row ROWS[];
};

} // namespace Marquel
