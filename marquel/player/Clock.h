#pragma once

#include <cstdint>

namespace Marquel {

class Capture;
class Music;

// The demo clock: the wall clock shifted by an offset, held while paused, and moved by whole
// frame steps while a video is dumped. The music follows it. The time, the pause and the
// offset are the player's own members, which this works on.
class Clock {
public:
    Clock(float& position, bool& paused, int32_t& tickOffset, const bool& noSound, Music& music,
          const Capture& capture)
        : position(position), paused(paused), tickOffset(tickOffset), noSound(noSound),
          music(music), capture(capture) {}

    // Milliseconds of the wall clock.
    static uint32_t ticks();
    // A time the clock can show: no number counts as 0, and a time beyond what the
    // millisecond count holds as its farthest.
    static float clockable(float t);

    // The demo time now: the frozen time while paused, the frame time while dumping.
    float now() const;
    // Moves the clock, and the music unless paused, to t seconds.
    void seek(float t);
    // Starts the music (muted as muted once it is in place) and the clock at t.
    void start(float t, bool muted);
    // The time of the frame about to be drawn; while dumping, one step after the last.
    float advance();
    // Stops the clock and the music at the time now.
    void pause();
    // Plays on from the paused time, on a new channel muted as muted.
    void resume(bool muted);

    // While dumping, time is the last seek's time plus the steps taken since, so float
    // rounding never accumulates.
    double getDumpOrigin() const { return dumpOrigin; }
    int64_t getDumpSteps() const { return dumpSteps; }

private:
    float& position;
    bool& paused;
    int32_t& tickOffset;
    const bool& noSound;
    Music& music;
    const Capture& capture;
    double dumpOrigin = 0;
    int64_t dumpSteps = 0;
};

} // namespace Marquel
