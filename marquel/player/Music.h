#pragma once

#include "sound/fmod.h"
#include "vx/FileSystem.h"

#include <string>

namespace Marquel {

// The demo's one music track: the sound library, the stream read from the music file and the
// channel it plays on. The objects are the player's own members, which this works on.
class Music {
public:
    Music(Vx::FileSystem& files, const std::string& musicFile, Vx::File& musicData,
          FMOD::System*& fmodSystem, FMOD::Sound*& sound, FMOD::Channel*& channel)
        : files(files), musicFile(musicFile), musicData(musicData), fmodSystem(fmodSystem),
          sound(sound), channel(channel) {}

    // Makes the sound library and the stream of the music file; throws with the reason.
    void open();
    // The music file's bytes; throws when it is missing or empty.
    Vx::File read() const;
    // Plays the music on a new channel and sets its mute; no channel when it cannot start.
    void start(bool muted);
    // Sets the channel's mute when there is a channel to set.
    void mute(bool on);
    // Stops the channel when there is one; start plays again.
    void stop();
    // Moves the playing channel to ms milliseconds and returns where the stream says it is.
    unsigned int moveTo(unsigned int ms);
    // A channel plays: a stream that could not start has none, nor music not started yet.
    bool playing() const { return channel != nullptr; }
    // Closes what open made; harmless when nothing is open.
    void release();

    // The music does not play only because a video is dumped (an MP4 records it instead).
    bool offForDump = false;

private:
    Vx::FileSystem& files;
    const std::string& musicFile;
    Vx::File& musicData;
    FMOD::System*& fmodSystem;
    FMOD::Sound*& sound;
    FMOD::Channel*& channel;
};

} // namespace Marquel
