#include "marquel/capture/Mp4Recorder.h"

#include "marquel/Exception.h"
#include "marquel/capture/AvCheck.h"
#include "marquel/capture/OutputMark.h"
#include "marquel/capture/PictureConverter.h"
#include "marquel/capture/SoundTrack.h"
#include "marquel/player/LibraryWarnings.h"
#include "vx/ImageManager.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
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

    AVFormatContext* format = nullptr;
    AVCodecContext* video = nullptr;
    AVStream* videoStream = nullptr;
    AVPacket* packet = nullptr;
    std::unique_ptr<PictureConverter> converter;
    // Null for a recording without sound.
    std::unique_ptr<SoundTrack> track;

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
    // Refuses a file that cannot be written, before anything is drawn; the file itself is
    // replaced only at the first frame, so quitting while the demo loads keeps an older one.
    void checkFile();
    void openFile();

    void encodePicture(const uint8_t* rows);
    void encodeAudioUntil(int64_t frames, bool last);
    void send(AVCodecContext* codec, AVFrame* frame);
    void writePacket(AVCodecContext* codec, AVStream* stream);
    void flushFragment();
    void flushMuxer();
    void checkWrite(int code);
    void endFile();
    void fail(const std::exception& e) {
        if (!failed)
            failure = e.what();
        failed = true;
    }
};

Mp4Recorder::State::~State() {
    if (format && format->pb)
        avio_closep(&format->pb);
    avformat_free_context(format);
    avcodec_free_context(&video);
    av_packet_free(&packet);
}

void Mp4Recorder::State::openVideo() {
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    if (!codec)
        throw Exception("[Marquel] Could not find the H.264 encoder: this FFmpeg has no libx264");
    // H.264 in 4:2:0 codes even sizes: an odd edge is repeated once.
    const int32_t codedWidth = PictureConverter::coded(settings.width);
    const int32_t codedHeight = PictureConverter::coded(settings.height);
    video = avCheckAlloc(avcodec_alloc_context3(codec), "make the H.264 encoder");
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
    avCheck(av_opt_set(video->priv_data, "preset", preset.c_str(), 0),
            "set x264's preset to '" + preset + "'");
    avCheck(av_opt_set_double(video->priv_data, "crf", settings.crf, 0), "set x264's crf");
    avCheck(avcodec_open2(video, codec, nullptr),
            "open the H.264 encoder at " + std::to_string(codedWidth) + " x " +
                std::to_string(codedHeight) + " with the preset '" + preset + "'");

    videoStream = avCheckAlloc(avformat_new_stream(format, nullptr), "add the video stream");
    avCheck(avcodec_parameters_from_context(videoStream->codecpar, video), "add the video stream");
    videoStream->time_base = video->time_base;
    videoStream->avg_frame_rate = video->framerate;

    converter = std::make_unique<PictureConverter>(settings.width, settings.height, averaging);
}

void Mp4Recorder::State::checkFile() {
    const std::string& path = settings.path;
    // The capture has refused links and pipes below its folder before this; opened without
    // following a link and without waiting for a reader, one that appears since fails here.
    struct stat old;
    madeFile = ::lstat(path.c_str(), &old) != 0;
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    avCheck(fd < 0 ? AVERROR(errno) : 0, "open '" + path + "'");
    ::close(fd);
}

void Mp4Recorder::State::openFile() {
    const std::string& path = settings.path;
    avCheck(avio_open(&format->pb, path.c_str(), AVIO_FLAG_WRITE), "open '" + path + "'");
    // Fragments are flushed by hand at every key frame, so frames count as kept only once
    // their fragment reached the disk, and the header holds no index to rewrite at the end. It
    // waits for the first fragment to tell where each track starts: B-frames delay the
    // pictures and the AAC encoder primes the sound, and neither may shift them apart.
    avCheck(av_opt_set(format->priv_data, "movflags",
                       "frag_custom+empty_moov+delay_moov+default_base_moof", 0),
            "set the MP4 muxer to fragments");
    avCheck(avformat_write_header(format, nullptr), "write the header of '" + path + "'");
    headerWritten = true;
    packet = avCheckAlloc(av_packet_alloc(), "make a packet");
}

void Mp4Recorder::State::encodePicture(const uint8_t* rows) {
    AVFrame* picture = converter->convert(rows);
    picture->pts = given - 1;
    send(video, picture);
}

// Encodes the sound up to the end of the first frames frames: whole encoder frames only,
// unless it is the last stretch.
void Mp4Recorder::State::encodeAudioUntil(int64_t frames, bool last) {
    if (!track)
        return;
    const int64_t end = track->endOfFrames(frames, settings.fps, settings.fpsBase);
    while (AVFrame* sound = track->next(end, last))
        send(track->codec(), sound);
}

// Hands a frame (null to drain) to an encoder and writes every packet it gives back.
void Mp4Recorder::State::send(AVCodecContext* codec, AVFrame* frame) {
    avCheck(avcodec_send_frame(codec, frame), "encode the recording");
    for (;;) {
        int received = avcodec_receive_packet(codec, packet);
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
            return;
        avCheck(received, "encode the recording");
        writePacket(codec, codec == video ? videoStream : track->stream());
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
    // With the header held back, the first flush writes the header alone and leaves the
    // frames for the next one: flushed again at once, they are counted only once on disk, and
    // a disk too full for them cuts the file back to its header.
    if (!fragmentEnd) {
        flushMuxer();
        fragmentEnd = avio_tell(format->pb);
    }
    flushMuxer();
    kept += pending;
    pending = 0;
    fragmentEnd = avio_tell(format->pb);
}

void Mp4Recorder::State::flushMuxer() {
    const int written = av_write_frame(format, nullptr);
    avio_flush(format->pb);
    checkWrite(written);
}

// A full disk or a file-size limit shows in the file's error as well as in the call's result.
void Mp4Recorder::State::checkWrite(int code) {
    avCheck(code < 0 ? code : format->pb->error, "write '" + settings.path + "'");
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
    // Without its header the file holds nothing, and bearing no mark it would stand in the
    // way of the next recording.
    const int cut = fragmentEnd ? ::truncate(settings.path.c_str(), fragmentEnd)
                                : ::unlink(settings.path.c_str());
    if (!failed)
        avCheck(ended, "end '" + settings.path + "'");
    avCheck(cut < 0 ? AVERROR(errno) : 0,
            "cut '" + settings.path + "' back to its last whole part");
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
    avCheck(avformat_alloc_output_context2(&s.format, nullptr, "mp4", settings.path.c_str()),
            "make the MP4 muxer");
    // The header's mark tells the next recording that this file may be replaced.
    avCheck(av_dict_set(&s.format->metadata, "comment", OUTPUT_MARK, 0), "mark the MP4 file");
    s.openVideo();
    if (settings.music) {
        LibraryWarnings named(settings.musicName);
        s.track = std::make_unique<SoundTrack>(settings.music, settings.musicSize,
                                               settings.musicStart, s.format);
    }
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
            if (s.track)
                s.send(s.track->codec(), nullptr);
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
