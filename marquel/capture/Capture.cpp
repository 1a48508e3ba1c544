#include "marquel/capture/Capture.h"

#include "marquel/Display.h"
#include "marquel/Exception.h"
#include "marquel/capture/Mp4Recorder.h"
#include "vx/DirectorySource.h"
#include "vx/FileSystem.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

namespace Marquel {

namespace {

// PNG frames encode on both cores while the player draws; the video encoder spreads over
// the cores by itself, so its frames go to one thread in order.
constexpr int PNG_WORKERS = 2;
constexpr size_t PNG_FRAMES_UNDER_WAY = 4;
constexpr size_t VIDEO_FRAMES_UNDER_WAY = 3;

// Without a terminal to redraw one line on, a progress line every few seconds.
constexpr double REPORT_SECONDS = 5;
constexpr double TERMINAL_REPORT_SECONDS = 0.25;
// Beyond this many steps to come a script has no end worth counting to.
constexpr double FARTHEST_STEPS = 1e12;

double secondsSince(std::chrono::steady_clock::time_point from) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count();
}

} // namespace

Capture::Capture(Vx::FileSystem& output, std::string folder)
    : output(output), folder(std::move(folder)) {
}

Capture::~Capture() {
    // Frames under way still reach the disk; the workers never outlive what they use.
    pipeline.reset();
    recorder.reset();
}

void Capture::configure(const std::string& newName, const Vx::VideoInfo& newInfo,
                        int32_t newFrameSkip, int32_t newCrf, const std::string& newPreset) {
    name = newName;
    info = newInfo;
    frameSkip = newFrameSkip;
    crf = newCrf;
    preset = newPreset;
    writer.reset();
    videoFile = Mp4Recorder::takes(name);
    if (!videoFile)
        writer = Vx::openVideoWriter(name, &info, &output);
}

double Capture::renderStep() const {
    return static_cast<double>(info.fpsBase) / info.fps / frameSkip;
}

float Capture::stepTime(double origin, int64_t steps) const {
    return static_cast<float>(origin + static_cast<double>(steps) * renderStep());
}

int64_t Capture::stepsLeft(double origin, int64_t steps) const {
    // Counted with the clock's own rounding, so the count does not waver from frame to frame.
    const double guess = std::floor((endTime - origin) / renderStep());
    if (!(guess < FARTHEST_STEPS))
        return static_cast<int64_t>(FARTHEST_STEPS);
    int64_t last = std::max(steps, static_cast<int64_t>(guess));
    while (stepTime(origin, last + 1) < endTime)
        ++last;
    while (last > steps && !(stepTime(origin, last) < endTime))
        --last;
    return last - steps;
}

void Capture::start(const Vx::File& newMusic, double origin, double newEndTime) {
    if (!dumping())
        return;
    endTime = newEndTime;
    if (!(stepTime(origin, 1) < endTime))
        throw Exception("[Marquel] Nothing to record into '%s/%s': the start mark, %.2f s, is "
                        "at or past the script's end, %.2f s",
                        folder.c_str(), name.c_str(), origin, endTime);
    // Every output follows one rule: what is below the folder is the demo's, and a link or a
    // pipe there is refused before anything is drawn.
    const std::string firstFile = videoFile ? name : writer->frameName(0);
    const std::string refusal = Vx::outputRefusal(folder, firstFile);
    if (!refusal.empty())
        throw Exception("[Marquel] Not recording into '%s/%s': %s", folder.c_str(),
                        firstFile.c_str(), refusal.c_str());
    framesDumped = 0;
    framesDone = 0;
    framesLost = 0;
    framesExpected = 0;
    videoStopped = false;
    phase = 0;
    began = lastReport = std::chrono::steady_clock::now();
    if (videoFile) {
        music = newMusic;
        Mp4Recorder::Settings settings;
        settings.path = folder + "/" + name;
        // A name with folders in it gets them, as a PNG sequence's does.
        std::error_code ignored;
        std::filesystem::create_directories(std::filesystem::path(settings.path).parent_path(),
                                            ignored);
        settings.width = info.width;
        settings.height = info.height;
        settings.fps = info.fps;
        settings.fpsBase = info.fpsBase;
        settings.crf = crf;
        settings.preset = preset;
        if (!music.isNull()) {
            settings.music = music->getChars();
            settings.musicSize = static_cast<size_t>(music->getSize());
        }
        settings.musicStart = origin + renderStep();
        recorder = std::make_unique<Mp4Recorder>(settings);
    }
    openPipeline();
}

void Capture::openPipeline() {
    const size_t bytes = static_cast<size_t>(info.width) * info.height * 4;
    if (discarding) {
        pipeline = std::make_unique<FramePipeline>(
            0, 1, [](FramePipeline::Frame&) {}, [this](FramePipeline::Frame&) { deliver(true); });
        return;
    }
    if (recorder) {
        pipeline = std::make_unique<FramePipeline>(
            pipelined ? 1 : 0, VIDEO_FRAMES_UNDER_WAY,
            [this, bytes](FramePipeline::Frame& frame) {
                // A frame of another size (the window changed) cannot go into the video.
                frame.ok = frame.rows.size() == bytes && recorder->addFrame(frame.rows.data());
                if (!recorder->failure().empty())
                    videoStopped = true;
            },
            [this](FramePipeline::Frame& frame) { deliver(frame.ok); });
        return;
    }
    pipeline = std::make_unique<FramePipeline>(
        pipelined ? PNG_WORKERS : 0, PNG_FRAMES_UNDER_WAY,
        [this](FramePipeline::Frame& frame) { writePng(frame); },
        [this](FramePipeline::Frame& frame) {
            deliver(frame.ok && writer->writeEncoded(frame.encoded));
        });
}

void Capture::writePng(FramePipeline::Frame& frame) {
    // A frame of another size (the window changed) is lost, not read past its end.
    const int32_t w = info.width;
    const int32_t h =
        frame.rows.size() == static_cast<size_t>(w) * info.height * 4 ? info.height : 0;
    Vx::Image image{new Vx::ImageObject(w, h, nullptr, nullptr, "frame")};
    if (uint8_t* pixels = image->getWriteData())
        uprightOpaque(frame.rows.data(), pixels, w, h);
    frame.encoded = writer->encodeFrame(image, static_cast<int32_t>(frame.index));
    frame.ok = !frame.encoded.isNull();
}

void Capture::saveScreenshot(Display& display) {
    const int32_t w = static_cast<int32_t>(display.width());
    const int32_t h = static_cast<int32_t>(display.height());
    Vx::Image grab{new Vx::ImageObject(w, h, nullptr, nullptr, "grab")};
    // A display that cannot read its frame back leaves black, not stale memory.
    if (uint8_t* pixels = grab->getWriteData())
        std::fill(pixels, pixels + static_cast<size_t>(w) * h * 4, uint8_t(0));
    display.grabImage(grab);
    if (!output.saveImage("screenshot.png", grab))
        std::fprintf(stderr, "[Marquel] Could not write 'screenshot.png' into '%s'\n",
                     folder.c_str());
}

bool Capture::dumpFrame(Display& display, double origin, int64_t steps) {
    if (!pipeline)
        return true;
    if (phase == 0) {
        ++framesDumped;
        display.startGrab();
        std::vector<uint8_t> rows = pipeline->buffer();
        if (display.takeGrab(rows, !pipelined))
            pipeline->push(std::move(rows));
        // The frames the rest of the demo adds: of the drawn frames before the end, every
        // frameSkip-th after this one.
        framesExpected = framesDumped + stepsLeft(origin, steps) / frameSkip;
    }
    phase = (phase + 1) % frameSkip;
    return !videoStopped;
}

void Capture::finish(Display& display) {
    if (!pipeline)
        return;
    for (std::vector<uint8_t> rows = pipeline->buffer(); display.takeGrab(rows, true);
         rows = pipeline->buffer())
        pipeline->push(std::move(rows));
    pipeline->finish();
    pipeline.reset();
    const bool ended = !recorder || recorder->finish();
    // A recording cut short shows how far it got.
    reportProgress(true);
    if (recorder) {
        // Frames the recorder never got (the window changed size) are lost as well.
        const int64_t kept = recorder->framesGiven() - recorder->framesLost();
        const int64_t lost = framesDumped - kept;
        const std::string failure = recorder->failure();
        recorder.reset();
        music.reset();
        if (!failure.empty())
            std::fprintf(stderr, "%s\n", failure.c_str());
        if (lost > 0 || !ended) {
            const Exception lostLine(
                "[Marquel] %lld of %lld video frames could not be written into '%s/%s'; it "
                "holds the first %lld",
                static_cast<long long>(lost), static_cast<long long>(framesDumped), folder.c_str(),
                name.c_str(), static_cast<long long>(kept));
            // A video that stopped on a failed write must not pass for a finished one.
            if (!ended)
                throw lostLine;
            std::fprintf(stderr, "%s\n", lostLine.what());
        }
    } else if (framesLost > 0) {
        // A frame that cannot be written is dropped and the dump goes on, but a recording
        // with holes must not look complete.
        std::fprintf(stderr,
                     "[Marquel] %lld of %lld video-dump frames could not be written into "
                     "'%s'\n",
                     static_cast<long long>(framesLost.load()),
                     static_cast<long long>(framesDumped), folder.c_str());
    }
}

void Capture::refuseClockKey() {
    if (clockKeyRefused)
        return;
    clockKeyRefused = true;
    std::fprintf(stderr,
                 "[Marquel] Pause, seeking and the start mark do nothing while '%s' "
                 "records: the picture would leave its sound\n",
                 name.c_str());
}

void Capture::deliver(bool written) {
    ++framesDone;
    if (!written)
        ++framesLost;
    reportProgress(false);
}

void Capture::reportProgress(bool last) {
    static const bool terminal = isatty(STDERR_FILENO) == 1;
    const double elapsed = secondsSince(began);
    if (!last && secondsSince(lastReport) < (terminal ? TERMINAL_REPORT_SECONDS : REPORT_SECONDS))
        return;
    lastReport = std::chrono::steady_clock::now();
    const int64_t done = framesDone;
    const int64_t total = std::max(framesExpected.load(), done);
    const double rate = elapsed > 0 ? done / elapsed : 0;
    const double left = rate > 0 ? (total - done) / rate : 0;
    std::fprintf(
        stderr,
        "%s[Marquel] Recording '%s': %lld of %lld frames (%d %%), %.1f frames a "
        "second, %d:%02d left%s",
        terminal ? "\r" : "", name.c_str(), static_cast<long long>(done),
        static_cast<long long>(total), total > 0 ? static_cast<int>(100 * done / total) : 100, rate,
        static_cast<int>(left) / 60, static_cast<int>(left) % 60, terminal && !last ? "  " : "\n");
    std::fflush(stderr);
}

} // namespace Marquel
