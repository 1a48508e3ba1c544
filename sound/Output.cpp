#include "sound/Output.h"

#include "sound/Stream.h"

#include <SDL.h>

#include <chrono>
#include <cstdio>
#include <vector>

namespace Marquel::Audio {

namespace {
// About 23 ms: short enough for the heard position to follow the music closely.
constexpr int DEVICE_FRAMES = 1024;
constexpr auto TIMER_PERIOD = std::chrono::milliseconds(10);
} // namespace

Output::Output(Fill fill) : fill(std::move(fill)) {
    if (openDevice())
        return;
    std::fprintf(stderr, "[sound] No audio device (%s): the music plays silently.\n",
                 SDL_GetError());
    timer = std::thread(&Output::runTimer, this);
}

Output::~Output() {
    if (timer.joinable()) {
        {
            std::lock_guard<std::mutex> hold(timerLock);
            quit = true;
        }
        wake.notify_all();
        timer.join();
        return;
    }
    SDL_CloseAudio();
    if (ownsSubsystem)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool Output::openDevice() {
    if (!SDL_WasInit(SDL_INIT_AUDIO)) {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) < 0)
            return false;
        ownsSubsystem = true;
    }
    SDL_AudioSpec want = {};
    want.freq = OUTPUT_RATE;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = DEVICE_FRAMES;
    want.callback = &Output::deviceCallback;
    want.userdata = this;
    // Without asking for the device's own format back, SDL converts to whatever it takes.
    if (SDL_OpenAudio(&want, nullptr) < 0) {
        if (ownsSubsystem)
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
        ownsSubsystem = false;
        return false;
    }
    bufferFrames = want.samples;
    SDL_PauseAudio(0);
    return true;
}

void Output::deviceCallback(void* user, unsigned char* stream, int bytes) {
    auto* output = static_cast<Output*>(user);
    output->fill(reinterpret_cast<short*>(stream), bytes / 4);
}

void Output::runTimer() {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    std::vector<short> scratch(DEVICE_FRAMES * 2);
    int64_t done = 0;
    std::unique_lock<std::mutex> hold(timerLock);
    while (!wake.wait_for(hold, TIMER_PERIOD, [this] { return quit; })) {
        auto elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        auto due = static_cast<int64_t>(elapsed * OUTPUT_RATE);
        while (done < due) {
            int n = static_cast<int>(std::min<int64_t>(DEVICE_FRAMES, due - done));
            fill(scratch.data(), n);
            done += n;
        }
    }
}

} // namespace Marquel::Audio
