#include "marquel/capture/SoundTrack.h"

#include "marquel/Exception.h"
#include "marquel/capture/AvCheck.h"
#include "sound/Decoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cmath>

namespace Marquel {

namespace {

// Music frames decoded per read.
constexpr int MUSIC_CHUNK = 4096;
// The AAC encoder's rate for music at a rate it does not take.
constexpr int FALLBACK_RATE = 48000;
constexpr int64_t AUDIO_BIT_RATE_PER_CHANNEL = 96000;
// Music times beyond this many seconds either way would overflow the sample counts.
constexpr double FARTHEST_MUSIC_START = 1e7;

bool takesRate(const AVCodec* codec, int rate) {
    for (const int* r = codec->supported_samplerates; r && *r; ++r)
        if (*r == rate)
            return true;
    return false;
}

} // namespace

SoundTrack::SoundTrack(const void* bytes, size_t size, double musicStart, AVFormatContext* format) {
    // What was made before a failure goes with it.
    try {
        open(bytes, size, musicStart, format);
    } catch (...) {
        release();
        throw;
    }
}

SoundTrack::~SoundTrack() {
    release();
}

void SoundTrack::open(const void* bytes, size_t size, double musicStart, AVFormatContext* format) {
    switch (Audio::openDecoder(bytes, size, music)) {
    case Audio::DECODER_OK:
        break;
    case Audio::DECODER_TRUNCATED:
        throw Exception("[Marquel] Could not record the music: the file is cut short");
    case Audio::DECODER_UNKNOWN_FORMAT:
        throw Exception(
            "[Marquel] Could not record the music: the player does not know its format");
    }
    const AVCodec* codec = avcodec_find_encoder_by_name("aac");
    if (!codec)
        throw Exception("[Marquel] Could not find FFmpeg's AAC encoder");
    audio = avCheckAlloc(avcodec_alloc_context3(codec), "make the AAC encoder");
    const int rate = takesRate(codec, music->rate()) ? music->rate() : FALLBACK_RATE;
    // Music of more channels than two is mixed down to stereo.
    const int channels = music->channels() == 1 ? 1 : 2;
    audio->sample_fmt = AV_SAMPLE_FMT_FLTP;
    audio->sample_rate = rate;
    av_channel_layout_default(&audio->ch_layout, channels);
    audio->bit_rate = AUDIO_BIT_RATE_PER_CHANNEL * channels;
    audio->time_base = AVRational{1, rate};
    if (format->oformat->flags & AVFMT_GLOBALHEADER)
        audio->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    avCheck(avcodec_open2(audio, codec, nullptr), "open the AAC encoder");

    audioStream = avCheckAlloc(avformat_new_stream(format, nullptr), "add the audio stream");
    avCheck(avcodec_parameters_from_context(audioStream->codecpar, audio), "add the audio stream");
    audioStream->time_base = audio->time_base;

    AVChannelLayout input;
    av_channel_layout_default(&input, music->channels());
    int made = swr_alloc_set_opts2(&resample, &audio->ch_layout, AV_SAMPLE_FMT_FLTP, rate, &input,
                                   AV_SAMPLE_FMT_S16, music->rate(), 0, nullptr);
    av_channel_layout_uninit(&input);
    avCheck(made, "make the music converter");
    avCheck(swr_init(resample), "open the music converter");
    fifo = avCheckAlloc(av_audio_fifo_alloc(AV_SAMPLE_FMT_FLTP, channels, MUSIC_CHUNK),
                        "make the music buffer");
    sound = avCheckAlloc(av_frame_alloc(), "make a sound frame");
    sound->format = AV_SAMPLE_FMT_FLTP;
    sound->sample_rate = rate;
    sound->nb_samples = audio->frame_size;
    avCheck(av_channel_layout_copy(&sound->ch_layout, &audio->ch_layout), "make a sound frame");
    avCheck(av_frame_get_buffer(sound, 0), "make a sound frame");
    musicFrames.resize(static_cast<size_t>(MUSIC_CHUNK) * music->channels());
    converted.resize(static_cast<size_t>(channels));
    startMusic(musicStart);
}

void SoundTrack::release() {
    avcodec_free_context(&audio);
    swr_free(&resample);
    if (fifo)
        av_audio_fifo_free(fifo);
    av_frame_free(&sound);
}

// Sets the music at the time frame 0 shows: silence first for a time before the music,
// else the decoder moves there.
void SoundTrack::startMusic(double musicStart) {
    const double start = std::isfinite(musicStart)
                             ? std::clamp(musicStart, -FARTHEST_MUSIC_START, FARTHEST_MUSIC_START)
                             : 0;
    const int rate = audio->sample_rate;
    if (start <= 0) {
        silenceAhead = std::llround(-start * rate);
        return;
    }
    const int64_t target = std::llround(start * music->rate());
    const int64_t at = music->seek(target);
    if (at < 0) {
        // Past the music's end: the sound track is silence.
        musicEnded = true;
    } else if (at > target) {
        // A module lands on the next row: what lies before it is heard as silence.
        silenceAhead = (at - target) * rate / music->rate();
    } else {
        for (int64_t skip = target - at; skip > 0 && !musicEnded;) {
            const int got = music->read(musicFrames.data(),
                                        static_cast<int>(std::min<int64_t>(skip, MUSIC_CHUNK)));
            musicEnded = got <= 0;
            skip -= got;
        }
    }
}

int64_t SoundTrack::endOfFrames(int64_t frames, int32_t fps, int32_t fpsBase) const {
    return frames * fpsBase * audio->sample_rate / fps;
}

AVFrame* SoundTrack::next(int64_t end, bool last) {
    if (audioSamples >= end)
        return nullptr;
    const int64_t samples = std::min<int64_t>(audio->frame_size, end - audioSamples);
    if (samples < audio->frame_size && !last)
        return nullptr;
    fillSound(static_cast<int>(samples));
    sound->pts = audioSamples;
    audioSamples += samples;
    return sound;
}

void SoundTrack::fillSound(int samples) {
    avCheck(av_frame_make_writable(sound), "make a sound frame");
    sound->nb_samples = samples;
    const int channels = audio->ch_layout.nb_channels;
    int filled = static_cast<int>(std::min<int64_t>(silenceAhead, samples));
    av_samples_set_silence(sound->data, 0, filled, channels, AV_SAMPLE_FMT_FLTP);
    silenceAhead -= filled;
    while (filled < samples && (av_audio_fifo_size(fifo) > 0 || pullMusic())) {
        void* planes[2] = {};
        for (int c = 0; c < channels; ++c)
            planes[c] = sound->data[c] + filled * sizeof(float);
        filled += avCheck(av_audio_fifo_read(fifo, planes, samples - filled), "read the music");
    }
    // The music has ended before the picture: silence to the end.
    av_samples_set_silence(sound->data, filled, samples - filled, channels, AV_SAMPLE_FMT_FLTP);
}

// Decodes and converts more music into the buffer; false once it has ended.
bool SoundTrack::pullMusic() {
    while (!musicEnded && av_audio_fifo_size(fifo) == 0) {
        const int got = music->read(musicFrames.data(), MUSIC_CHUNK);
        // At the end, a null input drains what the resampler still holds.
        const uint8_t* input[1] = {reinterpret_cast<const uint8_t*>(musicFrames.data())};
        const int capacity =
            avCheck(swr_get_out_samples(resample, std::max(got, 0)), "convert the music");
        uint8_t* out[2] = {};
        // Never empty: the resampler wants buffers even when it has nothing to give.
        for (size_t c = 0; c < converted.size(); ++c) {
            converted[c].resize(static_cast<size_t>(capacity) + 1);
            out[c] = reinterpret_cast<uint8_t*>(converted[c].data());
        }
        const int made = avCheck(
            swr_convert(resample, out, capacity + 1, got > 0 ? input : nullptr, std::max(got, 0)),
            "convert the music");
        avCheck(av_audio_fifo_write(fifo, reinterpret_cast<void**>(out), made), "buffer the music");
        musicEnded = got <= 0;
    }
    return av_audio_fifo_size(fifo) > 0;
}

} // namespace Marquel
