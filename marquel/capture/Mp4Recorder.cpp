#include "marquel/capture/Mp4Recorder.h"

#include "marquel/Exception.h"
#include "sound/Decoder.h"
#include "vx/DirectorySource.h"
#include "vx/ImageManager.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <vector>

namespace Marquel {

namespace {

// The slowest x264 preset that records the demo at 1280 x 720 and 30 fps faster than it plays
// on two cores without a GPU: drawing the frames alone takes more than half the processor
// time there is, and "superfast" fits into the rest, where "veryfast" needs a fifth more
// time than the demo lasts.
constexpr const char* X264_PRESET = "superfast";
// x264's presets from the fastest on. Those slower than the recorder's own have the time to
// average each 2 x 2 block's colour, about 5 ms a frame at 1280 x 720, which takes away the
// fringes the point converter leaves at sharp coloured edges.
constexpr const char* PRESETS[] = {"ultrafast", "superfast", "veryfast", "faster",   "fast",
                                   "medium",    "slow",      "slower",   "veryslow", "placebo"};
// The MP4 muxer counts a video track's time in at least this many ticks a second, doubling
// the rate's own until it gets there; one frame must last less than INT_MAX ticks.
constexpr int64_t MUXER_TICKS_PER_SECOND = 10000;
// Music frames decoded per read.
constexpr int MUSIC_CHUNK = 4096;
// The AAC encoder's rate for music at a rate it does not take.
constexpr int FALLBACK_RATE = 48000;
constexpr int64_t AUDIO_BIT_RATE_PER_CHANNEL = 96000;
constexpr int BYTES_PER_PIXEL = 4;
// Music times beyond this many seconds either way would overflow the sample counts.
constexpr double FARTHEST_MUSIC_START = 1e7;

std::string reason(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// Throws the one-line message of a libav call that failed, naming what it was for.
int check(int code, const std::string& what) {
    if (code < 0)
        throw Exception("[Marquel] Could not %s: %s", what.c_str(), reason(code).c_str());
    return code;
}

template <typename T> T* checkAlloc(T* made, const char* what) {
    if (!made)
        check(AVERROR(ENOMEM), what);
    return made;
}

bool averagesColour(const std::string& preset) {
    const auto slower = std::find(std::begin(PRESETS), std::end(PRESETS), std::string(X264_PRESET));
    return std::find(slower + 1, std::end(PRESETS), preset) != std::end(PRESETS);
}

// The rate in lowest terms, or false when the MP4 muxer cannot hold one frame's time.
bool holdableRate(int32_t& fps, int32_t& fpsBase) {
    int num = 0, den = 0;
    av_reduce(&num, &den, fps, fpsBase, INT_MAX);
    int64_t ticks = fpsBase = den;
    for (int64_t perSecond = fps = num; perSecond < MUXER_TICKS_PER_SECOND; perSecond *= 2)
        ticks *= 2;
    return ticks < INT_MAX;
}

bool takesRate(const AVCodec* codec, int rate) {
    for (const int* r = codec->supported_samplerates; r && *r; ++r)
        if (*r == rate)
            return true;
    return false;
}

// A file-size limit kills a writer with SIGXFSZ; ignored, the write fails with EFBIG instead
// and the recording ends cleanly with what it has written.
class IgnoredFileSizeSignal {
public:
    IgnoredFileSizeSignal() {
        struct sigaction ignore = {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        sigaction(SIGXFSZ, &ignore, &previous);
    }
    ~IgnoredFileSizeSignal() { sigaction(SIGXFSZ, &previous, nullptr); }
    IgnoredFileSizeSignal(const IgnoredFileSizeSignal&) = delete;
    IgnoredFileSizeSignal& operator=(const IgnoredFileSizeSignal&) = delete;

private:
    struct sigaction previous = {};
};

} // namespace

struct Mp4Recorder::State {
    IgnoredFileSizeSignal fileSizeSignal;
    Settings settings;
    // H.264 in 4:2:0 codes even sizes: an odd edge is repeated once.
    int32_t codedWidth = 0, codedHeight = 0;
    std::vector<uint8_t> padded;

    AVFormatContext* format = nullptr;
    AVCodecContext* video = nullptr;
    AVCodecContext* audio = nullptr;
    AVStream* videoStream = nullptr;
    AVStream* audioStream = nullptr;
    SwsContext* scale = nullptr;
    SwrContext* resample = nullptr;
    AVAudioFifo* fifo = nullptr;
    AVFrame* picture = nullptr;
    AVFrame* sound = nullptr;
    AVPacket* packet = nullptr;

    std::unique_ptr<Audio::Decoder> music;
    bool musicEnded = false;
    std::vector<int16_t> musicFrames;
    std::vector<std::vector<float>> converted;
    // Output samples of silence before the music proper.
    int64_t silenceAhead = 0;
    int64_t audioSamples = 0;

    int64_t given = 0;
    // Video packets known to be on disk, and those in the fragment not yet flushed.
    int64_t kept = 0, pending = 0;
    // Where the last fragment that reached the disk whole ends.
    int64_t fragmentEnd = 0;
    bool headerWritten = false, finished = false, failed = false, result = false;
    // The file did not exist before: one that never got a frame goes again.
    bool madeFile = false;
    std::string failure;

    explicit State(const Settings& s) : settings(s) {}
    ~State();

    void openVideo();
    void openAudio();
    void startMusic();
    // Refuses a file that cannot be written, before anything is drawn; the file itself is
    // replaced only at the first frame, so quitting while the demo loads keeps an older one.
    void checkFile();
    void openFile();

    void encodePicture(const uint8_t* rows);
    void encodeAudioUntil(int64_t frames, bool last);
    void fillSound(int samples);
    bool pullMusic();
    void send(AVCodecContext* codec, AVFrame* frame);
    void writePacket(AVCodecContext* codec, AVStream* stream);
    void flushFragment();
    void checkWrite(int code);
    void endFile();
    void fail(const std::exception& e) {
        if (!failed)
            failure = e.what();
        failed = true;
    }
    int64_t audioEndOfFrames(int64_t frames) const {
        return frames * settings.fpsBase * audio->sample_rate / settings.fps;
    }
};

Mp4Recorder::State::~State() {
    if (format && format->pb)
        avio_closep(&format->pb);
    avformat_free_context(format);
    avcodec_free_context(&video);
    avcodec_free_context(&audio);
    sws_freeContext(scale);
    swr_free(&resample);
    if (fifo)
        av_audio_fifo_free(fifo);
    av_frame_free(&picture);
    av_frame_free(&sound);
    av_packet_free(&packet);
}

void Mp4Recorder::State::openVideo() {
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    if (!codec)
        throw Exception("[Marquel] Could not find the H.264 encoder: this FFmpeg has no libx264");
    codedWidth = settings.width + settings.width % 2;
    codedHeight = settings.height + settings.height % 2;
    video = checkAlloc(avcodec_alloc_context3(codec), "make the H.264 encoder");
    video->width = codedWidth;
    video->height = codedHeight;
    video->pix_fmt = AV_PIX_FMT_YUV420P;
    video->time_base = AVRational{settings.fpsBase, settings.fps};
    video->framerate = AVRational{settings.fps, settings.fpsBase};
    // A key frame about every second: a recording cut short loses at most its last second.
    video->gop_size = std::max(1, static_cast<int>(std::lround(av_q2d(video->framerate))));
    video->color_range = AVCOL_RANGE_MPEG;
    video->colorspace = AVCOL_SPC_BT709;
    video->color_primaries = AVCOL_PRI_BT709;
    video->color_trc = AVCOL_TRC_BT709;
    // Where the colour of each 2 x 2 block is taken: the converter below either averages
    // the four pixels, or averages the two of the lower row.
    const std::string& preset = settings.preset.empty() ? X264_PRESET : settings.preset;
    const bool averaging = averagesColour(preset);
    video->chroma_sample_location = averaging ? AVCHROMA_LOC_CENTER : AVCHROMA_LOC_BOTTOM;
    video->thread_count = 0; // x264 picks its threads for the cores
    if (format->oformat->flags & AVFMT_GLOBALHEADER)
        video->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    check(av_opt_set(video->priv_data, "preset", preset.c_str(), 0),
          "set x264's preset to '" + preset + "'");
    check(av_opt_set_double(video->priv_data, "crf", settings.crf, 0), "set x264's crf");
    check(avcodec_open2(video, codec, nullptr),
          "open the H.264 encoder at " + std::to_string(codedWidth) + " x " +
              std::to_string(codedHeight) + " with the preset '" + preset + "'");

    videoStream = checkAlloc(avformat_new_stream(format, nullptr), "add the video stream");
    check(avcodec_parameters_from_context(videoStream->codecpar, video), "add the video stream");
    videoStream->time_base = video->time_base;
    videoStream->avg_frame_rate = video->framerate;

    picture = checkAlloc(av_frame_alloc(), "make a picture");
    picture->format = video->pix_fmt;
    picture->width = codedWidth;
    picture->height = codedHeight;
    check(av_frame_get_buffer(picture, 0), "make a picture");
    if (codedWidth != settings.width || codedHeight != settings.height)
        padded.resize(static_cast<size_t>(codedWidth) * codedHeight * BYTES_PER_PIXEL);
    // By default the point converter: half the time of averaging the four, and the time
    // counts, since the recording is to keep up with the demo.
    scale = checkAlloc(sws_getContext(codedWidth, codedHeight, AV_PIX_FMT_BGRA, codedWidth,
                                      codedHeight, AV_PIX_FMT_YUV420P,
                                      averaging ? SWS_AREA : SWS_POINT, nullptr, nullptr, nullptr),
                       "make the colour converter");
    // Studio-range BT.709, as the stream says: players show the colours the demo drew.
    check(sws_setColorspaceDetails(scale, sws_getCoefficients(SWS_CS_DEFAULT), 1,
                                   sws_getCoefficients(SWS_CS_ITU709), 0, 0, 1 << 16, 1 << 16),
          "set the colour converter to BT.709");
}

void Mp4Recorder::State::openAudio() {
    switch (Audio::openDecoder(settings.music, settings.musicSize, music)) {
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
    audio = checkAlloc(avcodec_alloc_context3(codec), "make the AAC encoder");
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
    check(avcodec_open2(audio, codec, nullptr), "open the AAC encoder");

    audioStream = checkAlloc(avformat_new_stream(format, nullptr), "add the audio stream");
    check(avcodec_parameters_from_context(audioStream->codecpar, audio), "add the audio stream");
    audioStream->time_base = audio->time_base;

    AVChannelLayout input;
    av_channel_layout_default(&input, music->channels());
    int made = swr_alloc_set_opts2(&resample, &audio->ch_layout, AV_SAMPLE_FMT_FLTP, rate, &input,
                                   AV_SAMPLE_FMT_S16, music->rate(), 0, nullptr);
    av_channel_layout_uninit(&input);
    check(made, "make the music converter");
    check(swr_init(resample), "open the music converter");
    fifo = checkAlloc(av_audio_fifo_alloc(AV_SAMPLE_FMT_FLTP, channels, MUSIC_CHUNK),
                      "make the music buffer");
    sound = checkAlloc(av_frame_alloc(), "make a sound frame");
    sound->format = AV_SAMPLE_FMT_FLTP;
    sound->sample_rate = rate;
    sound->nb_samples = audio->frame_size;
    check(av_channel_layout_copy(&sound->ch_layout, &audio->ch_layout), "make a sound frame");
    check(av_frame_get_buffer(sound, 0), "make a sound frame");
    musicFrames.resize(static_cast<size_t>(MUSIC_CHUNK) * music->channels());
    converted.resize(static_cast<size_t>(channels));
    startMusic();
}

// Sets the music at the time frame 0 shows: silence first for a time before the music,
// else the decoder moves there.
void Mp4Recorder::State::startMusic() {
    const double start =
        std::isfinite(settings.musicStart)
            ? std::clamp(settings.musicStart, -FARTHEST_MUSIC_START, FARTHEST_MUSIC_START)
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

void Mp4Recorder::State::checkFile() {
    const std::string& path = settings.path;
    // A link could make a recording overwrite a file of the user's anywhere, and a pipe
    // would hold the player until something reads it: both are refused and left as they are.
    const std::filesystem::path place(path);
    const std::string refusal =
        Vx::outputRefusal(place.parent_path().string(), place.filename().string());
    if (!refusal.empty())
        throw Exception("[Marquel] Not recording into '%s': %s", path.c_str(), refusal.c_str());
    struct stat old;
    madeFile = ::lstat(path.c_str(), &old) != 0;
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    check(fd < 0 ? AVERROR(errno) : 0, "open '" + path + "'");
    ::close(fd);
}

void Mp4Recorder::State::openFile() {
    const std::string& path = settings.path;
    check(avio_open(&format->pb, path.c_str(), AVIO_FLAG_WRITE), "open '" + path + "'");
    // Fragments are flushed by hand at every key frame, so frames count as kept only once
    // their fragment reached the disk, and the header holds no index to rewrite at the end. It
    // waits for the first fragment to tell where each track starts: B-frames delay the
    // pictures and the AAC encoder primes the sound, and neither may shift them apart.
    check(av_opt_set(format->priv_data, "movflags",
                     "frag_custom+empty_moov+delay_moov+default_base_moof", 0),
          "set the MP4 muxer to fragments");
    check(avformat_write_header(format, nullptr), "write the header of '" + path + "'");
    headerWritten = true;
    packet = checkAlloc(av_packet_alloc(), "make a packet");
}

void Mp4Recorder::State::encodePicture(const uint8_t* rows) {
    check(av_frame_make_writable(picture), "make a picture");
    const ptrdiff_t rowBytes = static_cast<ptrdiff_t>(settings.width) * BYTES_PER_PIXEL;
    const ptrdiff_t codedBytes = static_cast<ptrdiff_t>(codedWidth) * BYTES_PER_PIXEL;
    const uint8_t* source = rows;
    if (!padded.empty()) {
        // The rows come bottom first, so the bottom row is the one that repeats before them;
        // each row's last pixel repeats after it.
        const int32_t extraRows = codedHeight - settings.height;
        for (int32_t y = 0; y < codedHeight; ++y) {
            uint8_t* out = padded.data() + y * codedBytes;
            std::memcpy(out, rows + std::max(y - extraRows, 0) * rowBytes,
                        static_cast<size_t>(rowBytes));
            if (codedBytes > rowBytes)
                std::memcpy(out + rowBytes, out + rowBytes - BYTES_PER_PIXEL, BYTES_PER_PIXEL);
        }
        source = padded.data();
    }
    // A negative stride reads the rows top first.
    const uint8_t* top[1] = {source + (codedHeight - 1) * codedBytes};
    const int stride[1] = {static_cast<int>(-codedBytes)};
    check(sws_scale(scale, top, stride, 0, codedHeight, picture->data, picture->linesize),
          "convert a picture");
    picture->pts = given - 1;
    send(video, picture);
}

// Encodes the sound up to the end of the first frames frames: whole encoder frames only,
// unless it is the last stretch.
void Mp4Recorder::State::encodeAudioUntil(int64_t frames, bool last) {
    if (!audio)
        return;
    const int64_t end = audioEndOfFrames(frames);
    while (audioSamples < end) {
        const int64_t samples = std::min<int64_t>(audio->frame_size, end - audioSamples);
        if (samples < audio->frame_size && !last)
            return;
        fillSound(static_cast<int>(samples));
        sound->pts = audioSamples;
        audioSamples += samples;
        send(audio, sound);
    }
}

void Mp4Recorder::State::fillSound(int samples) {
    check(av_frame_make_writable(sound), "make a sound frame");
    sound->nb_samples = samples;
    const int channels = audio->ch_layout.nb_channels;
    int filled = static_cast<int>(std::min<int64_t>(silenceAhead, samples));
    av_samples_set_silence(sound->data, 0, filled, channels, AV_SAMPLE_FMT_FLTP);
    silenceAhead -= filled;
    while (filled < samples && (av_audio_fifo_size(fifo) > 0 || pullMusic())) {
        void* planes[2] = {};
        for (int c = 0; c < channels; ++c)
            planes[c] = sound->data[c] + filled * sizeof(float);
        filled += check(av_audio_fifo_read(fifo, planes, samples - filled), "read the music");
    }
    // The music has ended before the picture: silence to the end.
    av_samples_set_silence(sound->data, filled, samples - filled, channels, AV_SAMPLE_FMT_FLTP);
}

// Decodes and converts more music into the buffer; false once it has ended.
bool Mp4Recorder::State::pullMusic() {
    while (!musicEnded && av_audio_fifo_size(fifo) == 0) {
        const int got = music->read(musicFrames.data(), MUSIC_CHUNK);
        // At the end, a null input drains what the resampler still holds.
        const uint8_t* input[1] = {reinterpret_cast<const uint8_t*>(musicFrames.data())};
        const int capacity =
            check(swr_get_out_samples(resample, std::max(got, 0)), "convert the music");
        uint8_t* out[2] = {};
        // Never empty: the resampler wants buffers even when it has nothing to give.
        for (size_t c = 0; c < converted.size(); ++c) {
            converted[c].resize(static_cast<size_t>(capacity) + 1);
            out[c] = reinterpret_cast<uint8_t*>(converted[c].data());
        }
        const int made = check(
            swr_convert(resample, out, capacity + 1, got > 0 ? input : nullptr, std::max(got, 0)),
            "convert the music");
        check(av_audio_fifo_write(fifo, reinterpret_cast<void**>(out), made), "buffer the music");
        musicEnded = got <= 0;
    }
    return av_audio_fifo_size(fifo) > 0;
}

// Hands a frame (null to drain) to an encoder and writes every packet it gives back.
void Mp4Recorder::State::send(AVCodecContext* codec, AVFrame* frame) {
    check(avcodec_send_frame(codec, frame), "encode the recording");
    for (;;) {
        int received = avcodec_receive_packet(codec, packet);
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
            return;
        check(received, "encode the recording");
        writePacket(codec, codec == video ? videoStream : audioStream);
    }
}

void Mp4Recorder::State::writePacket(AVCodecContext* codec, AVStream* stream) {
    const bool isVideo = codec == video;
    if (isVideo && (packet->flags & AV_PKT_FLAG_KEY) && pending > 0)
        flushFragment();
    av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
    packet->stream_index = stream->index;
    const int written = av_write_frame(format, packet);
    av_packet_unref(packet);
    checkWrite(written);
    if (isVideo)
        ++pending;
}

void Mp4Recorder::State::flushFragment() {
    const int written = av_write_frame(format, nullptr);
    avio_flush(format->pb);
    checkWrite(written);
    kept += pending;
    pending = 0;
    fragmentEnd = avio_tell(format->pb);
}

// A full disk or a file-size limit shows in the file's error as well as in the call's result.
void Mp4Recorder::State::checkWrite(int code) {
    check(code < 0 ? code : format->pb->error, "write '" + settings.path + "'");
}

// Writes the last fragment and the index. After a failed write the file is cut back to its
// last whole fragment instead: a fragment cut short claims bytes that are not there, and
// players and copies stumble over it.
void Mp4Recorder::State::endFile() {
    if (!headerWritten)
        return;
    int ended = failed ? AVERROR(EIO) : av_write_trailer(format);
    avio_flush(format->pb);
    if (ended >= 0)
        ended = format->pb->error;
    const int closed = avio_closep(&format->pb);
    if (ended >= 0)
        ended = closed;
    if (ended >= 0) {
        kept += pending;
        return;
    }
    pending = 0;
    const int cut = ::truncate(settings.path.c_str(), fragmentEnd);
    if (!failed)
        check(ended, "end '" + settings.path + "'");
    check(cut < 0 ? AVERROR(errno) : 0, "cut '" + settings.path + "' back to its last whole part");
}

bool Mp4Recorder::takes(const std::string& name) {
    return strcasecmp(Vx::ImageManager::getExtension(name).c_str(), "mp4") == 0;
}

Mp4Recorder::Mp4Recorder(const Settings& settings) : state(std::make_unique<State>(settings)) {
    State& s = *state;
    if (settings.width < 1 || settings.height < 1 || settings.fps < 1 || settings.fpsBase < 1)
        throw Exception("[Marquel] Could not record '%s' at %d x %d pixels and %d / %d frames a "
                        "second",
                        settings.path.c_str(), settings.width, settings.height, settings.fps,
                        settings.fpsBase);
    if (!holdableRate(s.settings.fps, s.settings.fpsBase))
        throw Exception("[Marquel] Could not record '%s' at %d / %d frames a second: an MP4 "
                        "file cannot hold frames that far apart",
                        settings.path.c_str(), settings.fps, settings.fpsBase);
    // Only errors: the encoders' notes would crowd the player's own lines.
    av_log_set_level(AV_LOG_ERROR);
    check(avformat_alloc_output_context2(&s.format, nullptr, "mp4", settings.path.c_str()),
          "make the MP4 muxer");
    s.openVideo();
    if (settings.music)
        s.openAudio();
    s.checkFile();
}

Mp4Recorder::~Mp4Recorder() {
    finish();
}

bool Mp4Recorder::addFrame(const uint8_t* rows) {
    State& s = *state;
    if (s.finished)
        return false;
    ++s.given;
    if (s.failed)
        return false;
    try {
        if (!s.headerWritten)
            s.openFile();
        s.encodePicture(rows);
        s.encodeAudioUntil(s.given, false);
    } catch (const std::exception& e) {
        s.fail(e);
    }
    return !s.failed;
}

bool Mp4Recorder::finish() {
    State& s = *state;
    if (s.finished)
        return s.result;
    s.finished = true;
    try {
        if (!s.headerWritten && s.madeFile)
            ::unlink(s.settings.path.c_str());
        if (!s.failed && s.headerWritten) {
            s.encodeAudioUntil(s.given, true);
            s.send(s.video, nullptr);
            if (s.audio)
                s.send(s.audio, nullptr);
        }
    } catch (const std::exception& e) {
        s.fail(e);
    }
    try {
        s.endFile();
    } catch (const std::exception& e) {
        s.fail(e);
    }
    s.result = !s.failed;
    return s.result;
}

int64_t Mp4Recorder::framesGiven() const {
    return state->given;
}

int64_t Mp4Recorder::framesLost() const {
    return state->given - state->kept;
}

const std::string& Mp4Recorder::failure() const {
    return state->failure;
}

} // namespace Marquel
