#include "marquel/player/Clock.h"

#include "marquel/capture/Capture.h"
#include "marquel/player/Music.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>

namespace Marquel {

namespace {

// The clock counts milliseconds in 32 bits, about 24 days either way. A time beyond this
// (a slip such as a start mark of 1e30) is taken as this far: past the end of any script,
// where the demo ends, instead of a wrapped count that lands weeks before it or at 0.
constexpr float FARTHEST_TIME = 2000000;

} // namespace

uint32_t Clock::ticks() {
    return SDL_GetTicks();
}

float Clock::clockable(float t) {
    // "nan" in the configuration counts as no number, so as 0.
    return std::isnan(t) ? 0 : std::clamp(t, -FARTHEST_TIME, FARTHEST_TIME);
}

float Clock::now() const {
    if (paused)
        return position;
    if (capture.dumping())
        return capture.stepTime(dumpOrigin, dumpSteps);
    return static_cast<float>(static_cast<int32_t>(ticks()) - tickOffset) * 0.001f;
}

void Clock::seek(float t) {
    t = clockable(t);
    if (paused) {
        // The music follows when the pause ends.
        position = t;
        return;
    }
    dumpOrigin = t;
    dumpSteps = 0;
    // Before the music has started there is no channel to position: the ticks alone count.
    if (noSound || !music.playing()) {
        tickOffset = static_cast<int32_t>(ticks() - static_cast<double>(t) * 1000);
    } else {
        const unsigned int target = t > 0 ? static_cast<unsigned int>(t * 1000) : 0;
        // What the stream reports is what is heard: the clock runs from there.
        const unsigned int heard =
            std::min(music.moveTo(target), static_cast<unsigned int>(FARTHEST_TIME * 1000));
        tickOffset = static_cast<int32_t>(ticks()) - static_cast<int32_t>(heard);
    }
    position = t;
}

void Clock::start(float t, bool muted) {
    if (!noSound)
        music.start(true);
    seek(t);
    if (noSound || !music.playing())
        return;
    // A freshly started stream may not land on the first seek; it stays silent until the
    // third one has put it where the clock is.
    SDL_Delay(50);
    seek(t);
    SDL_Delay(50);
    seek(t);
    music.mute(muted);
}

float Clock::advance() {
    // A dump is rendered at its own pace: each frame is exactly one step of its rate.
    // Pauses and seeks move this clock, so a recording never jumps to the wall clock.
    if (!paused && capture.dumping())
        ++dumpSteps;
    return now();
}

void Clock::pause() {
    position = now();
    if (!noSound)
        music.stop();
    paused = true;
}

void Clock::resume(bool muted) {
    // A new channel would play out loud, even while the user has the music muted.
    if (!noSound)
        music.start(muted);
    paused = false;
    seek(position);
}

} // namespace Marquel
