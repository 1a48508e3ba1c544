// The MP4 recorder read back with FFmpeg: every frame in its place and close to what was
// given, the exact frame rate, the music in step, and a file that survives failing writes.

#include "marquel/capture/Mp4Recorder.h"
#include "Mp4Decode.h"
#include "common/MusicFiles.h"
#include "common/TempDir.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using Marquel::Mp4Recorder;

namespace {

constexpr int BITS = 8, BLOCK = 16;

// Frame k: its number in black and white blocks along the top, over moving gradients.
int channel(int k, int x, int y, int c, int w, int h) {
    if (y >= 4 && y < 4 + BLOCK && x >= 4 && x < 4 + BITS * BLOCK)
        return (k >> (BITS - 1 - (x - 4) / BLOCK)) & 1 ? 255 : 0;
    return c == 0   ? x * 255 / w
           : c == 1 ? y * 255 / h
                    : int(128 + 100 * std::sin((x + y) / 20.0 + k / 5.0));
}

// Rows bottom first, as OpenGL reads them.
std::vector<uint8_t> frameRows(int k, int w, int h) {
    std::vector<uint8_t> rows(size_t(w) * h * 4, 255);
    for (size_t i = 0; i < rows.size(); ++i)
        if (i % 4 < 3)
            rows[i] = uint8_t(channel(k, int(i / 4 % w), h - 1 - int(i / 4 / w), int(i % 4), w, h));
    return rows;
}

int shownNumber(const system_test::DecodedMp4& video, size_t i) {
    int n = 0;
    for (int b = 0; b < BITS; ++b)
        n = n * 2 + (video.pixel(i, 12 + BLOCK * b, 12)[1] > 128);
    return n;
}

double psnr(const system_test::DecodedMp4& video, size_t i, int w, int h) {
    double error = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c)
                error += std::pow(video.pixel(i, x, y)[c] - channel(int(i), x, y, c, w, h), 2);
    return 10 * std::log10(255.0 * 255.0 * w * h * 3 / std::max(error, 1.0));
}

// Records frames 0 to count - 1; the first frame refused, or count, and finish's result.
std::pair<int, bool> record(Mp4Recorder& recorder, const Mp4Recorder::Settings& s, int count) {
    int refused = count;
    for (int k = 0; k < count; ++k)
        if (!recorder.addFrame(frameRows(k, s.width, s.height).data()) && refused == count)
            refused = k;
    return {refused, recorder.finish()};
}

} // namespace

TEST(Mp4Recorder, RecordsEveryFrameInPlaceAtItsRateWithTheMusicInStep) {
    testing_support::TempDir dir;
    const std::string path = (dir.path() / "out.mp4").string();
    struct Case {
        Mp4Recorder::Settings s;
        int frames, rate, channels;
        double click; // music seconds; no music at a rate of 0
    };
    // Odd sizes pad the edges; music at a rate AAC does not take is resampled; a rate in
    // other than lowest terms is reduced to one the file holds.
    for (Case c :
         {Case{{path, 160, 96, 30, 1, 18, nullptr, 0, 0.5, {}, {}}, 45, 44100, 2, 1.0},
          Case{{path, 161, 91, 30000, 1001, 18, nullptr, 0, -0.5, {}, {}}, 30, 37800, 1, 0.25},
          Case{{path, 160, 96, 25, 1, 18, nullptr, 0, 0, {}, {}}, 10, 0, 0, 0},
          Case{{path, 160, 96, INT_MAX, INT_MAX, 18, nullptr, 0, 0, {}, {}}, 3, 0, 0, 0}}) {
        SCOPED_TRACE(c.s.fps);
        sound_test::Frames music(size_t(2 * c.rate * (c.click + 1)) + 256); // one click
        std::fill_n(music.begin() + 2 * std::lround(c.click * c.rate), 256, 30000);
        const std::string file =
            sound_test::encode(SF_FORMAT_WAV | SF_FORMAT_PCM_16, music, c.rate, -1, c.channels);
        c.s.music = c.rate ? file.data() : nullptr;
        c.s.musicSize = file.size();
        Mp4Recorder recorder(c.s);
        ASSERT_EQ(record(recorder, c.s, c.frames), std::make_pair(c.frames, true));
        EXPECT_EQ(recorder.framesLost(), 0);

        const system_test::DecodedMp4 video = system_test::decodeMp4(path);
        EXPECT_EQ(av_cmp_q(video.frameRate, AVRational{c.s.fps, c.s.fpsBase}), 0);
        // Times as whole ticks: frame k at k * ticks exactly.
        const int64_t perSecond = int64_t(c.s.fps) * video.timeBase.num;
        const int64_t ticks = int64_t(c.s.fpsBase) * video.timeBase.den;
        ASSERT_EQ(ticks % perSecond, 0);
        EXPECT_EQ(video.duration * perSecond, c.frames * ticks);
        ASSERT_EQ(video.pictures.size(), size_t(c.frames));
        for (int k = 0; k < c.frames; ++k) {
            EXPECT_EQ(shownNumber(video, k), k);
            EXPECT_EQ(video.times[k] * perSecond, k * ticks);
            EXPECT_GE(psnr(video, k, c.s.width, c.s.height), 30) << "frame " << k;
        }
        EXPECT_EQ(video.hasSound, c.rate != 0);
        if (c.rate) {
            EXPECT_NEAR(video.firstLoudSecond, c.click - c.s.musicStart, 1024.0 / 48000);
        }
    }
}

TEST(Mp4Recorder, WritesFailingPartWayKeepAPlayableFileAndCountTheLostFrames) {
    testing_support::TempDir dir;
    const Mp4Recorder::Settings settings{
        (dir.path() / "cut.mp4").string(), 160, 96, 30, 1, 18, nullptr, 0, 0, {}, {}};
    constexpr int FRAMES = 150;
    Mp4Recorder whole(settings);
    record(whole, settings, FRAMES);
    const auto wholeSize = std::filesystem::file_size(settings.path);
    { Mp4Recorder unused(settings); }
    ASSERT_EQ(std::filesystem::file_size(settings.path), wholeSize)
        << "a recording that got no frame (quit while loading) keeps the older file";
    // Past the header by a byte, no frame fits: the file keeps its header and holds none.
    // Without room for the header the file goes, as it would bear no mark of the player's.
    const rlim_t headerEnd = dir.read("cut.mp4").find("moof") - 4;

    for (const rlim_t limit : {rlim_t(1), headerEnd + 1, rlim_t(wholeSize / 2)}) {
        // The file-size limit kills the child unless the recorder takes the failed writes. It
        // exits with the frames it counts as kept: some of those before the first one refused.
        const pid_t child = fork();
        if (child == 0) {
            const rlimit size{limit, limit};
            setrlimit(RLIMIT_FSIZE, &size);
            Mp4Recorder recorder(settings);
            const auto [refused, finished] = record(recorder, settings, FRAMES);
            const int64_t kept = FRAMES - recorder.framesLost();
            _exit(!finished && kept <= refused ? int(kept) : 255);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status)) << status;
        const int kept = WEXITSTATUS(status);
        ASSERT_TRUE(kept < 255 && (kept > 0) == (limit > headerEnd + 1)) << kept;

        av_log_set_level(AV_LOG_FATAL); // the cut fragment's errors are expected
        const system_test::DecodedMp4 video = system_test::decodeMp4(settings.path);
        ASSERT_EQ(video.pictures.size(), size_t(kept))
            << "the file ends at its last whole fragment";
        ASSERT_EQ(std::filesystem::exists(settings.path), limit > 1);
        EXPECT_EQ(limit > 1 && std::filesystem::file_size(settings.path) == headerEnd,
                  limit == headerEnd + 1);
        for (int k = 0; k < kept; ++k)
            EXPECT_EQ(shownNumber(video, k), k);
    }
}

// Where each 2 x 2 block's colour is taken is what players read from the file; a rate whose
// frame the file cannot hold is refused.
TEST(Mp4Recorder, ColourSitingAndRatesAreWhatPlayersRead) {
    testing_support::TempDir dir;
    Mp4Recorder::Settings s{
        (dir.path() / "out.mp4").string(), 64, 64, 30, 1, 18, nullptr, 0, 0, {}, {}};
    // Red rows over blue rows, the top row red; the rows come bottom first.
    std::vector<uint8_t> rows(64 * 64 * 4, 0);
    for (size_t i = 0; i < rows.size(); i += 4)
        rows[i + (i / 4 / 64 % 2 ? 2 : 0)] = 255;
    for (const char* preset : {"", "veryfast"}) {
        s.preset = preset;
        Mp4Recorder recorder(s);
        ASSERT_TRUE(recorder.addFrame(rows.data()) && recorder.finish()) << recorder.failure();
        const system_test::DecodedMp4 video = system_test::decodeMp4(s.path);
        ASSERT_EQ(video.pictures.size(), 1u);
        double error[2] = {}; // in the even rows and in the odd ones
        for (int i = 0; i < 64 * 64 * 3; ++i)
            error[i / 192 % 2] += std::abs(video.pixel(0, i / 3 % 64, i / 192)[i % 3] -
                                           (i % 3 == (i / 192 % 2 ? 0 : 2)) * 255);
        const int at = video.chromaLocation; // wrong colour in the rows it is not taken from
        const double fromTop = at == AVCHROMA_LOC_TOP || at == AVCHROMA_LOC_TOPLEFT         ? 1
                               : at == AVCHROMA_LOC_BOTTOM || at == AVCHROMA_LOC_BOTTOMLEFT ? 0
                                                                                            : 0.5;
        EXPECT_NEAR(error[1] / (error[0] + error[1]), fromTop, 0.15) << preset << " " << at;
    }
    s.fps = INT_MAX - 1, s.fpsBase = INT_MAX; // a frame of more ticks than the file's 31 bits
    EXPECT_THROW(Mp4Recorder{s}, std::exception);
}
