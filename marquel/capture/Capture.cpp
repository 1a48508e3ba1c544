#include "marquel/capture/Capture.h"

#include "marquel/Display.h"
#include "marquel/Exception.h"
#include "marquel/capture/FrameSink.h"
#include "marquel/capture/OutputMark.h"
#include "vx/DirectorySource.h"
#include "vx/FileSystem.h"
#include "vx/PngCodec.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace Marquel {

namespace {

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
    if (auto* png = dynamic_cast<Vx::PngCodec*>(output.getImageManager().getCodec("png")))
        png->setText(PNG_MARK_KEYWORD, OUTPUT_MARK);
}

Capture::~Capture() {
    // Frames under way still reach the disk; the workers never outlive what they use.
    pipeline.reset();
    sink.reset();
}

void Capture::configure(const std::string& newName, const Vx::VideoInfo& newInfo,
                        int32_t newFrameSkip, const std::string& crf, const std::string& preset) {
    name = newName;
    info = newInfo;
    frameSkip = newFrameSkip;
    sink.reset();
    std::unique_ptr<FrameSink> made = openFrameSink(name, info, output, folder);
    made->configure(crf, preset);
    sink = std::move(made);
}

bool Capture::takesMusic() const {
    return sink && sink->takesMusic();
}

bool Capture::recordsVideo() const {
    return sink && sink->needsFixedClock();
}

double Capture::renderStep() const {
    return static_cast<double>(info.fpsBase) / info.fps / frameSkip;
}

float dumpStepTime(double origin, int64_t steps, double step) {
    return static_cast<float>(origin + static_cast<double>(steps) * step);
}

int64_t dumpStepsBefore(double origin, int64_t steps, double step, double end) {
    // Counted with the clock's own rounding, so the count does not waver from frame to frame.
    const double guess = std::floor((end - origin) / step);
    if (!(guess < FARTHEST_STEPS))
        return static_cast<int64_t>(FARTHEST_STEPS);
    int64_t last = std::max(steps, static_cast<int64_t>(guess));
    while (dumpStepTime(origin, last + 1, step) < end)
        ++last;
    while (last > steps && !(dumpStepTime(origin, last, step) < end))
        --last;
    return last - steps;
}

float Capture::stepTime(double origin, int64_t steps) const {
    return dumpStepTime(origin, steps, renderStep());
}

int64_t Capture::stepsLeft(double origin, int64_t steps) const {
    return dumpStepsBefore(origin, steps, renderStep(), endTime);
}

void Capture::start(const Vx::File& music, double origin, double newEndTime) {
    if (!dumping())
        return;
    endTime = newEndTime;
    if (!(stepTime(origin, 1) < endTime))
        throw Exception("[Marquel] Nothing to record into '%s/%s': the start mark, %.2f s, is "
                        "at or past the script's end, %.2f s",
                        folder.c_str(), name.c_str(), origin, endTime);
    // Every output follows one rule: what is below the folder is the demo's, and a link or a
    // pipe there is refused before anything is drawn; so is a file the player did not write.
    std::string refused = sink->firstFile();
    std::string refusal = Vx::outputRefusal(folder, refused);
    if (refusal.empty() && !(refused = sink->foreignFile()).empty())
        refusal = FOREIGN_FILE;
    if (!refusal.empty())
        throw Exception("[Marquel] Not recording into '%s/%s': %s", folder.c_str(),
                        refused.c_str(), refusal.c_str());
    framesDumped = 0;
    framesDone = 0;
    framesLost = 0;
    framesExpected = 0;
    phase = 0;
    began = lastReport = std::chrono::steady_clock::now();
    FrameSink::Start opening;
    if (sink->takesMusic())
        opening.music = music;
    opening.musicStart = origin + renderStep();
    sink->open(opening);
    openPipeline();
}

void Capture::openPipeline() {
    if (discarding) {
        pipeline = std::make_unique<FramePipeline>(
            0, 1, [](FramePipeline::Frame&) {}, [this](FramePipeline::Frame&) { deliver(true); });
        return;
    }
    pipeline = std::make_unique<FramePipeline>(
        pipelined ? sink->workers() : 0, sink->framesUnderWay(),
        [this](FramePipeline::Frame& frame) { sink->encode(frame); },
        [this](FramePipeline::Frame& frame) { deliver(sink->write(frame)); });
}

void Capture::saveScreenshot(Display& display) {
    const int32_t w = static_cast<int32_t>(display.width());
    const int32_t h = static_cast<int32_t>(display.height());
    Vx::Image grab{new Vx::ImageObject(w, h, nullptr, nullptr, "grab")};
    // A display that cannot read its frame back leaves black, not stale memory.
    if (uint8_t* pixels = grab->getWriteData())
        std::fill(pixels, pixels + static_cast<size_t>(w) * h * 4, uint8_t(0));
    display.grabImage(grab);
    const std::string path = folder + "/screenshot.png";
    if (foreignFile(path, OUTPUT_KIND_PNG))
        std::fprintf(stderr, "[Marquel] Not saving '%s': %s\n", path.c_str(), FOREIGN_FILE);
    else if (!output.saveImage("screenshot.png", grab))
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
    return !sink->stopped();
}

void Capture::finish(Display& display) {
    if (!pipeline)
        return;
    for (std::vector<uint8_t> rows = pipeline->buffer(); display.takeGrab(rows, true);
         rows = pipeline->buffer())
        pipeline->push(std::move(rows));
    pipeline->finish();
    pipeline.reset();
    const bool ended = sink->close();
    // A recording cut short shows how far it got.
    reportProgress(true);
    sink->reportLoss(framesDumped, framesLost, ended);
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
