#pragma once

// The music library: plays one music file held in the caller's memory as a stream through
// SDL audio (44.1 kHz, stereo, 16-bit) and reports the position being heard, so that a demo
// can run its clock on the music. The decoder is chosen by the file's content: libsndfile
// (WAV, FLAC, Ogg Vorbis, Opus), libmpg123 (MP3) or libopenmpt (tracker modules). Without an
// audio device it plays silently on a timer, so positions still advance in real time.
//
// Every call answers a result code, FMOD_OK (0) on success. Objects are made and ended only
// through these calls. Calls come from one thread; audio runs on its own thread behind a lock.

#include <memory>
#include <mutex>
#include <vector>

enum FMOD_RESULT : int {
    FMOD_OK = 0,
    FMOD_ERR_INVALID_PARAM,
    FMOD_ERR_INVALID_HANDLE,
    FMOD_ERR_UNINITIALIZED,
    FMOD_ERR_INITIALIZED,
    FMOD_ERR_UNSUPPORTED,
    FMOD_ERR_FORMAT,
    FMOD_ERR_FILE_EOF,
    FMOD_ERR_FILE_COULDNOTSEEK,
    FMOD_ERR_MEMORY,
};

// This library's version: at least the 4.00.37 the player asks for.
constexpr unsigned int FMOD_VERSION = 0x00040100;

typedef unsigned int FMOD_INITFLAGS;
constexpr FMOD_INITFLAGS FMOD_INIT_NORMAL = 0;

// createSound modes. Sounds are always streamed in software in 2D; the bits are accepted so
// callers can say so. FMOD_OPENMEMORY is required: the name is the address of the file bytes.
typedef unsigned int FMOD_MODE;
constexpr FMOD_MODE FMOD_2D = 0x8;
constexpr FMOD_MODE FMOD_SOFTWARE = 0x40;
constexpr FMOD_MODE FMOD_CREATESTREAM = 0x80;
constexpr FMOD_MODE FMOD_OPENMEMORY = 0x800;

typedef unsigned int FMOD_TIMEUNIT;
constexpr FMOD_TIMEUNIT FMOD_TIMEUNIT_MS = 1;

typedef int FMOD_CHANNELINDEX;
constexpr FMOD_CHANNELINDEX FMOD_CHANNEL_FREE = -1;

// Extra information for createSound. Callers zero it and set cbsize to the size they know;
// fields past cbsize are not read. The reserved room keeps the record at 72 bytes.
struct FMOD_CREATESOUNDEXINFO {
    int cbsize;
    unsigned int length; // bytes of the file in memory
    unsigned int reserved[16];
};
static_assert(sizeof(FMOD_CREATESOUNDEXINFO) == 72, "callers fill cbsize with 72");

// A readable text for a result; "Unknown error." for codes this library does not answer.
const char* FMOD_ErrorString(FMOD_RESULT result);

namespace Marquel::Audio {
class Output;
class Decoder;
class Stream;
} // namespace Marquel::Audio

namespace FMOD {

class System;
class Sound;
class Channel;

} // namespace FMOD

FMOD_RESULT FMOD_System_Create(FMOD::System** system);

namespace FMOD {

// The library's root: owns the output, every sound and every channel.
class System {
public:
    FMOD_RESULT getVersion(unsigned int* version);
    // Opens the audio device, or the silent timer output when there is none.
    FMOD_RESULT init(int maxchannels, FMOD_INITFLAGS flags, void* extradriverdata);
    // nameOrData is the file's bytes (FMOD_OPENMEMORY) and exinfo->length their count. The
    // bytes are read while the sound plays: keep them until Sound::release.
    FMOD_RESULT createSound(const char* nameOrData, FMOD_MODE mode, FMOD_CREATESOUNDEXINFO* exinfo,
                            Sound** sound);
    // A new channel playing sound from its start. A stream plays on one channel at a time, so
    // a channel already playing it is stopped. Only FMOD_CHANNEL_FREE and paused false.
    FMOD_RESULT playSound(FMOD_CHANNELINDEX channelid, Sound* sound, bool paused,
                          Channel** channel);
    // Closes the output and ends every sound and channel; init may follow again.
    FMOD_RESULT close();
    // Closes, then ends the system itself.
    FMOD_RESULT release();

private:
    friend FMOD_RESULT(::FMOD_System_Create)(System** system);
    friend class Sound;
    friend class Channel;
    System();
    ~System();
    void mix(short* out, int frames);

    std::mutex lock; // between the calls and the audio thread
    std::unique_ptr<Marquel::Audio::Output> output;
    std::vector<std::unique_ptr<Sound, void (*)(Sound*)>> sounds;
    std::vector<std::unique_ptr<Channel, void (*)(Channel*)>> channels;
    std::vector<int> mixBuffer;
};

// A music file ready to play from memory.
class Sound {
public:
    FMOD_RESULT release();

private:
    friend class System;
    friend class Channel;
    Sound(System& system, std::unique_ptr<Marquel::Audio::Decoder> decoder);
    ~Sound();
    static void destroy(Sound* sound) { delete sound; }

    System& system;
    std::unique_ptr<Marquel::Audio::Decoder> decoder;
    Channel* playing = nullptr;
};

// One playing of a sound. After stop (or its sound's release) every call answers
// FMOD_ERR_INVALID_HANDLE; the object stays valid until System::close.
class Channel {
public:
    // Silences the channel; its position keeps advancing.
    FMOD_RESULT setMute(bool mute);
    // Seeks; a module lands on the nearest row. A position past the end is kept as asked.
    FMOD_RESULT setPosition(unsigned int position, FMOD_TIMEUNIT postype);
    // The position being heard: what was handed to the device, less the device's buffer.
    FMOD_RESULT getPosition(unsigned int* position, FMOD_TIMEUNIT postype);
    FMOD_RESULT stop();

private:
    friend class System;
    friend class Sound;
    Channel(System& system, Sound& sound);
    ~Channel();
    static void destroy(Channel* channel) { delete channel; }
    void end();

    System& system;
    Sound* sound;
    std::unique_ptr<Marquel::Audio::Stream> stream;
    bool muted = false;
};

} // namespace FMOD
