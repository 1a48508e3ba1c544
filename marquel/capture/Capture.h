#pragma once

#include "marquel/capture/FramePipeline.h"
#include "vx/File.h"
#include "vx/VideoInfo.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

namespace Vx {
class FileSystem;
}

namespace Marquel {

// The demo time a dump shows steps frames of step seconds after origin, rounded as the
// player's clock rounds it.
float dumpStepTime(double origin, int64_t steps, double step);
// How many frames after the first steps still show a time before end; what a recording from
// origin to end holds is dumpStepsBefore(origin, 0, step, end).
int64_t dumpStepsBefore(double origin, int64_t steps, double step, double end);

class Display;
class FrameSink;

// The pictures that leave the player: the screenshot S asks for, and the video dump into a
// frame sink of the kind its name asks for. Dump frames are read back and
// handed to worker threads, so the next frame is drawn while earlier ones are encoded; they
// reach the disk whole and in order.
class Capture {
public:
    // Files go into the first source of output, which is the folder named folder.
    Capture(Vx::FileSystem& output, std::string folder);
    ~Capture();
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;

    // Takes the video dump into the sink its name chooses, with that kind's settings (crf and
    // preset as the videodump element gives them); throws for a name no kind takes and for
    // settings the kind cannot use.
    void configure(const std::string& name, const Vx::VideoInfo& info, int32_t frameSkip,
                   const std::string& crf, const std::string& preset);
    bool dumping() const { return sink != nullptr; }
    // The dump records the music: the player hands it over.
    bool takesMusic() const;
    // The dump's picture runs on the fixed frame clock, never paused or moved, and without
    // the panels: a video with its sound is being made.
    bool recordsVideo() const;
    const Vx::VideoInfo& getInfo() const { return info; }
    int32_t getFrameSkip() const { return frameSkip; }
    // Where the dump goes: "folder/name".
    std::string dumpPath() const { return folder + "/" + name; }
    // Seconds between two drawn frames while dumping.
    double renderStep() const;
    // The demo time a dump shows steps drawn frames after origin.
    float stepTime(double origin, int64_t steps) const;

    // Opens the dump before anything is drawn: music is the music file for a video's sound
    // (null for none), the first frame shows one step after origin, and frames at endTime or
    // later are not recorded. Throws Marquel::Exception for an output that cannot be made,
    // that would record nothing or that would replace a file the player did not write.
    void start(const Vx::File& music, double origin, double endTime);
    // Writes the drawn frame as "screenshot.png", over an earlier one only if the player wrote
    // it.
    void saveScreenshot(Display& display);
    // Every frameSkip-th drawn frame into the dump, the first one included; the drawn frame
    // is steps steps after origin. False once a video can take no more frames: the run then
    // ends, as nothing more would reach the file.
    bool dumpFrame(Display& display, double origin, int64_t steps);
    // Waits for the frames under way, closes the dump and says how many frames were lost.
    // Throws Marquel::Exception with that line when a video stopped short of a write.
    void finish(Display& display);
    // Frames of the dump that have been delivered, written or lost.
    int64_t getFramesDone() const { return framesDone; }
    // Says, once, that keys moving the clock do nothing while a video records.
    void refuseClockKey();

    // For measurements, set before start. Not pipelined, each frame is read back, encoded
    // and written before the next one is drawn, all on the player's thread; discarding, the
    // frames are read back and dropped.
    void setPipelined(bool on) { pipelined = on; }
    void setDiscarding(bool on) { discarding = on; }

private:
    void openPipeline();
    void deliver(bool written);
    void reportProgress(bool last);
    // The drawn frames after steps steps from origin whose time lies before the end.
    int64_t stepsLeft(double origin, int64_t steps) const;

    Vx::FileSystem& output;
    std::string folder;
    std::string name;
    Vx::VideoInfo info;
    int32_t frameSkip = 1;
    bool clockKeyRefused = false;
    bool pipelined = true;
    bool discarding = false;
    std::unique_ptr<FrameSink> sink;
    double endTime = 0;
    std::unique_ptr<FramePipeline> pipeline;
    int32_t phase = 0;
    int64_t framesDumped = 0;
    // Counted as the frames are delivered, on a worker thread.
    std::atomic<int64_t> framesDone{0};
    std::atomic<int64_t> framesLost{0};
    std::atomic<int64_t> framesExpected{0};
    std::chrono::steady_clock::time_point began;
    std::chrono::steady_clock::time_point lastReport;
};

} // namespace Marquel
