#pragma once

#include <array>
#include <cstdint>

namespace Marquel {

enum EventType : int32_t {
    EVENT_KEYDOWN = 8,
    EVENT_KEYUP = 9,
    EVENT_INFO = 11,
    EVENT_QUIT = 12,
};

// One input record of a frame. Key records carry the SDL 1.2 key symbol and modifiers; the
// info record carries the clock for the overlay panels.
struct Event {
    int32_t type = EVENT_KEYUP;
    float infoTime = 0;
    float infoStart = 0;
    float infoFps = 0;
    int32_t key = 0;
    uint8_t scancode = 0;
    bool ctrl = false;
    bool alt = false;
    bool shift = false;
};

// This frame's records. The display fills at most CAPACITY - 1 of them and leaves a longer
// burst in SDL's queue for the next frames; the info record goes to the panels in a list of
// its own.
struct EventList {
    static constexpr int CAPACITY = 10;

    void clear() { count = 0; }
    bool isFull() const { return count >= CAPACITY; }
    // Appends when there is room; false when the list is full.
    bool append(const Event& event) {
        if (isFull())
            return false;
        events[count++] = event;
        return true;
    }

    int32_t count = 0;
    std::array<Event, CAPACITY> events{};
};

} // namespace Marquel
