#include "sound/fmod.h"

#include "sound/Decoder.h"
#include "sound/Output.h"
#include "sound/Stream.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <new>

namespace Audio = Marquel::Audio;
using Hold = std::lock_guard<std::mutex>;

const char* FMOD_ErrorString(FMOD_RESULT result) {
    switch (result) {
    case FMOD_OK:
        return "No errors.";
    case FMOD_ERR_INVALID_PARAM:
        return "A parameter passed to the call is invalid.";
    case FMOD_ERR_INVALID_HANDLE:
        return "The object was stopped or released and can no longer be used.";
    case FMOD_ERR_UNINITIALIZED:
        return "The system has not been initialised: call System::init first.";
    case FMOD_ERR_INITIALIZED:
        return "The system is already initialised: close it first.";
    case FMOD_ERR_UNSUPPORTED:
        return "This call or option is not supported by this sound library.";
    case FMOD_ERR_FORMAT:
        return "Unsupported file or audio format. ";
    case FMOD_ERR_FILE_EOF:
        return "The audio data ends early: the file is cut short or damaged.";
    case FMOD_ERR_FILE_COULDNOTSEEK:
        return "The stream could not be moved to that position.";
    case FMOD_ERR_MEMORY:
        return "Not enough memory.";
    }
    return "Unknown error.";
}

FMOD_RESULT FMOD_System_Create(FMOD::System** system) {
    if (!system)
        return FMOD_ERR_INVALID_PARAM;
    *system = new (std::nothrow) FMOD::System();
    return *system ? FMOD_OK : FMOD_ERR_MEMORY;
}

namespace FMOD {

System::System() = default;

System::~System() {
    close();
}

FMOD_RESULT System::getVersion(unsigned int* version) {
    if (!version)
        return FMOD_ERR_INVALID_PARAM;
    *version = FMOD_VERSION;
    return FMOD_OK;
}

FMOD_RESULT System::init(int maxchannels, FMOD_INITFLAGS, void*) {
    if (output)
        return FMOD_ERR_INITIALIZED;
    if (maxchannels < 1)
        return FMOD_ERR_INVALID_PARAM;
    output = std::make_unique<Audio::Output>([this](short* out, int frames) { mix(out, frames); });
    return FMOD_OK;
}

FMOD_RESULT System::createSound(const char* nameOrData, FMOD_MODE mode,
                                FMOD_CREATESOUNDEXINFO* exinfo, Sound** sound) {
    if (!output)
        return FMOD_ERR_UNINITIALIZED;
    if (!nameOrData || !sound)
        return FMOD_ERR_INVALID_PARAM;
    if (!(mode & FMOD_OPENMEMORY))
        return FMOD_ERR_UNSUPPORTED;
    if (!exinfo || exinfo->cbsize < static_cast<int>(offsetof(FMOD_CREATESOUNDEXINFO, reserved)) ||
        exinfo->length == 0)
        return FMOD_ERR_INVALID_PARAM;
    std::unique_ptr<Audio::Decoder> decoder;
    switch (Audio::openDecoder(nameOrData, exinfo->length, decoder)) {
    case Audio::DECODER_OK:
        break;
    case Audio::DECODER_TRUNCATED:
        return FMOD_ERR_FILE_EOF;
    case Audio::DECODER_UNKNOWN_FORMAT:
        return FMOD_ERR_FORMAT;
    }
    Hold hold(lock);
    sounds.emplace_back(new Sound(*this, std::move(decoder)), &Sound::destroy);
    *sound = sounds.back().get();
    return FMOD_OK;
}

FMOD_RESULT System::playSound(FMOD_CHANNELINDEX channelid, Sound* sound, bool paused,
                              Channel** channel) {
    if (!output)
        return FMOD_ERR_UNINITIALIZED;
    if (!sound || !channel)
        return FMOD_ERR_INVALID_PARAM;
    if (channelid != FMOD_CHANNEL_FREE || paused)
        return FMOD_ERR_UNSUPPORTED;
    Hold hold(lock);
    if (sound->playing)
        sound->playing->end();
    channels.emplace_back(new Channel(*this, *sound), &Channel::destroy);
    Channel* started = channels.back().get();
    if (started->stream->seek(0) < 0) {
        started->end();
        return FMOD_ERR_FILE_COULDNOTSEEK;
    }
    sound->playing = started;
    *channel = started;
    return FMOD_OK;
}

FMOD_RESULT System::close() {
    if (!output)
        return FMOD_ERR_UNINITIALIZED;
    // Closing the output waits for the audio thread, which takes the lock: not under it.
    output.reset();
    sounds.clear();
    channels.clear();
    return FMOD_OK;
}

FMOD_RESULT System::release() {
    delete this;
    return FMOD_OK;
}

void System::mix(short* out, int frames) {
    Hold hold(lock);
    mixBuffer.assign(static_cast<size_t>(frames) * 2, 0);
    for (auto& channel : channels)
        if (channel->stream)
            channel->stream->render(mixBuffer.data(), frames, !channel->muted);
    for (size_t i = 0; i < mixBuffer.size(); ++i)
        out[i] = static_cast<short>(std::clamp(mixBuffer[i], SHRT_MIN, SHRT_MAX));
}

Sound::Sound(System& system, std::unique_ptr<Audio::Decoder> decoder)
    : system(system), decoder(std::move(decoder)) {
}

Sound::~Sound() {
    if (playing)
        playing->end();
}

FMOD_RESULT Sound::release() {
    Hold hold(system.lock);
    auto& sounds = system.sounds;
    sounds.erase(std::find_if(sounds.begin(), sounds.end(),
                              [this](const auto& sound) { return sound.get() == this; }));
    return FMOD_OK;
}

Channel::Channel(System& system, Sound& sound)
    : system(system), sound(&sound), stream(std::make_unique<Audio::Stream>(*sound.decoder)) {
}

Channel::~Channel() = default;

void Channel::end() {
    if (sound && sound->playing == this)
        sound->playing = nullptr;
    sound = nullptr;
    stream.reset();
}

FMOD_RESULT Channel::setMute(bool mute) {
    Hold hold(system.lock);
    if (!stream)
        return FMOD_ERR_INVALID_HANDLE;
    muted = mute;
    return FMOD_OK;
}

FMOD_RESULT Channel::setPosition(unsigned int position, FMOD_TIMEUNIT postype) {
    if (postype != FMOD_TIMEUNIT_MS)
        return FMOD_ERR_UNSUPPORTED;
    Hold hold(system.lock);
    if (!stream)
        return FMOD_ERR_INVALID_HANDLE;
    return stream->seek(position) < 0 ? FMOD_ERR_FILE_COULDNOTSEEK : FMOD_OK;
}

FMOD_RESULT Channel::getPosition(unsigned int* position, FMOD_TIMEUNIT postype) {
    if (!position)
        return FMOD_ERR_INVALID_PARAM;
    if (postype != FMOD_TIMEUNIT_MS)
        return FMOD_ERR_UNSUPPORTED;
    Hold hold(system.lock);
    if (!stream)
        return FMOD_ERR_INVALID_HANDLE;
    double ms = stream->position(system.output->latency());
    *position = static_cast<unsigned int>(std::min(ms, static_cast<double>(UINT_MAX)));
    return FMOD_OK;
}

FMOD_RESULT Channel::stop() {
    Hold hold(system.lock);
    if (!stream)
        return FMOD_ERR_INVALID_HANDLE;
    end();
    return FMOD_OK;
}

} // namespace FMOD
