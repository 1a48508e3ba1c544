#include "marquel/player/Music.h"

#include "marquel/Exception.h"
#include "marquel/player/LibraryWarnings.h"

#include <SDL.h>

namespace Marquel {

namespace {

constexpr FMOD_MODE MUSIC_MODE = FMOD_OPENMEMORY | FMOD_CREATESTREAM | FMOD_SOFTWARE | FMOD_2D;
static_assert(MUSIC_MODE == 0x8C8, "the music streams from memory in software, 2D");

} // namespace

void Music::open() {
    FMOD_RESULT result = FMOD_System_Create(&fmodSystem);
    if (result != FMOD_OK)
        throw Exception("[Marquel] FMOD-ERROR; (%d) %s", result, FMOD_ErrorString(result));
    musicData.reset();
    musicData = read();
    result = fmodSystem->init(32, FMOD_INIT_NORMAL, nullptr);
    if (result != FMOD_OK)
        throw Exception("[Marquel] FMOD-ERROR; %s", FMOD_ErrorString(result));
    FMOD_CREATESOUNDEXINFO info = {};
    info.cbsize = sizeof info;
    info.length = static_cast<unsigned int>(musicData->getSize());
    // The stream reads these bytes while it plays: musicData holds them until the end.
    {
        LibraryWarnings named(musicFile);
        result = fmodSystem->createSound(musicData->getChars(), MUSIC_MODE, &info, &sound);
    }
    if (result != FMOD_OK)
        throw Exception("[Marquel] FMOD-ERROR; %s", FMOD_ErrorString(result));
}

Vx::File Music::read() const {
    Vx::File music = files.readFile(musicFile);
    if (music.isNull())
        throw Exception("[Marquel] Could not find music in '%s'", musicFile.c_str());
    // The sound library takes a length of 0 for a missing parameter, and says only that.
    if (music->getSize() == 0)
        throw Exception("[Marquel] The music file '%s' is empty", musicFile.c_str());
    return music;
}

void Music::start(bool muted) {
    // The device must not take a buffer between the start and the mute: muted music was
    // heard for a moment after a pause whenever the audio thread came in between.
    SDL_LockAudio();
    // A stream that cannot start leaves no channel, and the clock runs on the ticks alone.
    if (fmodSystem->playSound(FMOD_CHANNEL_FREE, sound, false, &channel) != FMOD_OK)
        channel = nullptr;
    mute(muted);
    SDL_UnlockAudio();
}

void Music::mute(bool on) {
    if (channel)
        channel->setMute(on);
}

void Music::stop() {
    if (channel)
        channel->stop();
}

unsigned int Music::moveTo(unsigned int ms) {
    unsigned int heard = ms;
    channel->setPosition(ms, FMOD_TIMEUNIT_MS);
    channel->getPosition(&heard, FMOD_TIMEUNIT_MS);
    return heard;
}

void Music::release() {
    stop();
    if (sound)
        sound->release();
    if (fmodSystem) {
        fmodSystem->close();
        fmodSystem->release();
    }
    channel = nullptr;
    sound = nullptr;
    fmodSystem = nullptr;
}

} // namespace Marquel
