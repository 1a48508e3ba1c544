// Recording speed of the real demo at 1280 x 720 and 30 fps, every path in one run: drawing
// with the read-back alone (the floor), the MP4 recording of the whole demo, and the PNG
// sequence pipelined and one frame after another on the first 20 s. Needs an X server: run
// under xvfb-run.
//
// demo_record_bench <run folder> [work folder] [seconds of the PNG runs] [paths] [preset]
//
// The run folder is the demo's (build/run: its data folder holds demo.xml and demo.ogg).
// Paths picks some of the runs by letter: a (draw only, whole demo), v (MP4), d (draw only,
// first seconds), p (PNG pipelined), s (PNG one frame after another); all by default.
// Preset is x264's for the MP4, the recorder's own by default.

#include "demo/DemoEffects.h"
#include "marquel/System.h"
#include "marquel/capture/Capture.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr int WIDTH = 1280;
constexpr int HEIGHT = 720;
constexpr int FPS = 30;

std::string preset;

struct Mode {
    const char* label;
    const char* dumpName;
    bool pipelined;
    bool discarding;
    // The demo up to this time, or the whole of it for 0.
    double until;
};

struct Result {
    double seconds = 0;
    double demoSeconds = 0;
    int64_t frames = 0;
    uintmax_t bytes = 0;
};

uintmax_t folderBytes(const fs::path& folder) {
    uintmax_t bytes = 0;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error))
        if (entry.is_regular_file())
            bytes += entry.file_size();
    return bytes;
}

Result record(const fs::path& run, const fs::path& work, const Mode& mode) {
    fs::remove_all(work);
    fs::create_directories(work / "bin");
    fs::create_directory_symlink(fs::absolute(run / "data"), work / "data");
    std::ofstream(work / "marquel.xml")
        << "<demo><time start=\"0\"/><hud mini=\"off\"/>"
        << "<window caption=\"recording bench\" width=\"" << WIDTH << "\" height=\"" << HEIGHT
        << "\" mode=\"windowed\" type=\"opengl\"/><videodump name=\"" << mode.dumpName
        << "\" fps=\"" << FPS << "\" fpsbase=\"1\" frameskip=\"1\" preset=\"" << preset << "\"/>"
        << "<music file=\"demo.ogg\"/><script file=\"demo.xml\"/></demo>\n";
    const fs::path home = fs::current_path();
    fs::current_path(work / "bin");
    Result result;
    {
        Marquel::System system;
        system.addSearchPath("../");
        system.addSearchPath("../data/");
        system.init("");
        DemoEffects effects;
        effects.registerWith(system);
        system.capture->setPipelined(mode.pipelined);
        system.capture->setDiscarding(mode.discarding);
        if (mode.until > 0 && mode.until < system.script.endTime)
            system.script.endTime = static_cast<float>(mode.until);
        result.demoSeconds = system.script.endTime - system.startTime;
        const auto began = std::chrono::steady_clock::now();
        system.run();
        result.seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
        result.frames = system.capture->getFramesDone();
    }
    result.bytes = folderBytes(work / "bin/screenshots");
    fs::current_path(home);
    fs::remove_all(work);
    return result;
}

void print(const Mode& mode, const Result& r, const Result& floor) {
    std::printf("| %s | %g | %lld | %.1f | %.1f | %.2f | %.2f |", mode.label, r.demoSeconds,
                static_cast<long long>(r.frames), r.seconds, r.frames / r.seconds,
                r.seconds / r.demoSeconds, r.seconds / floor.seconds);
    if (r.bytes > 0 && !mode.discarding)
        std::printf(" %.1f MB, %.2f Mbit/s |\n", r.bytes / 1e6, r.bytes * 8 / 1e6 / r.demoSeconds);
    else
        std::printf(" |\n");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: demo_record_bench <run folder> [work folder] [seconds]\n");
        return 2;
    }
    const fs::path run = fs::absolute(argv[1]);
    const fs::path work = fs::absolute(argc > 2 ? argv[2] : "demo-record-bench");
    const double part = argc > 3 ? std::atof(argv[3]) : 20;
    const std::string paths = argc > 4 ? argv[4] : "avdps";
    preset = argc > 5 ? argv[5] : "";
    const auto wanted = [&paths](char path) { return paths.find(path) != std::string::npos; };
    const Mode renderAll{"draw and read back only", "frame.png", true, true, 0};
    const Mode video{"MP4 recording", "demo.mp4", true, false, 0};
    const Mode renderPart{"draw and read back only", "frame.png", true, true, part};
    const Mode pngPipelined{"PNG sequence, pipelined", "frame.png", true, false, part};
    const Mode pngSequential{"PNG sequence, one frame after another", "frame.png", false, false,
                             part};
    std::printf("| path | demo s | frames | wall s | frames/s | wall / demo | / floor | file |\n"
                "|---|---:|---:|---:|---:|---:|---:|---|\n");
    try {
        // Without its floor, a path is compared with itself.
        Result floorAll;
        if (wanted('a'))
            print(renderAll, floorAll = record(run, work, renderAll), floorAll);
        if (wanted('v')) {
            const Result r = record(run, work, video);
            print(video, r, wanted('a') ? floorAll : r);
        }
        Result floorPart;
        if (wanted('d'))
            print(renderPart, floorPart = record(run, work, renderPart), floorPart);
        for (const auto& [letter, mode] : {std::pair{'p', pngPipelined}, {'s', pngSequential}}) {
            if (wanted(letter)) {
                const Result r = record(run, work, mode);
                print(mode, r, wanted('d') ? floorPart : r);
            }
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "demo_record_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
