// Drift between the millisecond clock and the heard position over a stretch of real-time
// playback: once on SDL's disk driver paced at one buffer per 23 ms, once on the silent
// timer output used when there is no device. A timed program, not a test.
//
//   sound_drift [seconds]      (default 60)

#include "sound/fmod.h"
#include "tests/common/MusicFiles.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

using namespace sound_test;

namespace {

void measure(const char* label, int seconds) {
    std::string music = wav(twoTones(seconds + 5, 1.0));
    FMOD::System* system = nullptr;
    FMOD::Sound* sound = nullptr;
    FMOD::Channel* channel = nullptr;
    FMOD_System_Create(&system);
    system->init(32, FMOD_INIT_NORMAL, nullptr);
    FMOD_CREATESOUNDEXINFO exinfo = {};
    exinfo.cbsize = sizeof exinfo;
    exinfo.length = static_cast<unsigned>(music.size());
    system->createSound(music.data(), FMOD_OPENMEMORY | FMOD_CREATESTREAM, &exinfo, &sound);
    system->playSound(FMOD_CHANNEL_FREE, sound, false, &channel);
    Uint32 start = SDL_GetTicks();
    std::printf("%s\n  clock ms  position ms  drift ms\n", label);
    for (int s = 10; s <= seconds; s += 10) {
        while (SDL_GetTicks() - start < static_cast<Uint32>(s * 1000))
            SDL_Delay(1);
        unsigned ms = 0;
        channel->getPosition(&ms, FMOD_TIMEUNIT_MS);
        Uint32 clock = SDL_GetTicks() - start;
        std::printf("  %8u  %11u  %8d\n", clock, ms,
                    static_cast<int>(ms) - static_cast<int>(clock));
    }
    channel->stop();
    sound->release();
    system->close();
    system->release();
}

} // namespace

int main(int argc, char** argv) {
    int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    SDL_Init(SDL_INIT_TIMER);
    std::string out = (std::filesystem::temp_directory_path() / "sound_drift.raw").string();
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", out.c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "23", 1);
    measure("disk driver, SDL_DISKAUDIODELAY=23 (1024-frame buffers, 23.2 ms each)", seconds);
    std::filesystem::remove(out);
    setenv("SDL_AUDIODRIVER", "none", 1);
    measure("no device: silent timer output", seconds);
    SDL_Quit();
}
