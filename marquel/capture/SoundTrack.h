#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

struct AVAudioFifo;
struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVStream;
struct SwrContext;

namespace Marquel {

namespace Audio {
class Decoder;
}

// A recording's sound: the music file decoded, converted and cut into the AAC encoder's
// frames, starting at the music time the first picture shows.
class SoundTrack {
public:
    // Opens the music (bytes that outlive the track), the AAC encoder and a stream for it in
    // format. Throws Marquel::Exception when any of them cannot be opened.
    SoundTrack(const void* music, size_t musicSize, double musicStart, AVFormatContext* format);
    ~SoundTrack();
    SoundTrack(const SoundTrack&) = delete;
    SoundTrack& operator=(const SoundTrack&) = delete;

    AVCodecContext* codec() const { return audio; }
    AVStream* stream() const { return audioStream; }
    // The sample at which the first frames pictures end, at fps / fpsBase.
    int64_t endOfFrames(int64_t frames, int32_t fps, int32_t fpsBase) const;
    // The next encoder frame of sound before end: a whole one, or with last the stretch
    // that is left; null when there is none.
    AVFrame* next(int64_t end, bool last);

private:
    void open(const void* bytes, size_t size, double musicStart, AVFormatContext* format);
    void release();
    void startMusic(double musicStart);
    void fillSound(int samples);
    bool pullMusic();

    std::unique_ptr<Audio::Decoder> music;
    AVCodecContext* audio = nullptr;
    AVStream* audioStream = nullptr;
    SwrContext* resample = nullptr;
    AVAudioFifo* fifo = nullptr;
    AVFrame* sound = nullptr;
    bool musicEnded = false;
    std::vector<int16_t> musicFrames;
    std::vector<std::vector<float>> converted;
    // Output samples of silence before the music proper.
    int64_t silenceAhead = 0;
    int64_t audioSamples = 0;
};

} // namespace Marquel
