// Recording speed: frames per second of the whole video-dump path (render, read back, PNG
// encode, write the numbered file) against the PNG encoder alone on the very same frames, in
// one run. Needs an X server: run under xvfb-run.
//
// recording_bench [frames per round] [rounds] [output folder] [durable]
//
// "durable" writes the frames as a user's file is written (each flushed to the disk before
// it takes its name), for comparison with the frame writer's own writes.

#include "marquel/display/GLDisplay.h"
#include "vx/FileSystem.h"
#include "vx/PngSequenceWriter.h"

#include <GL/gl.h>
#include <SDL.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point from) {
    return std::chrono::duration<double>(Clock::now() - from).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// A fixed scene that changes from frame to frame like a demo's: a smooth-shaded background
// and a ring of turning, coloured quads.
void renderScene(int frame) {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0, 0, -6);
    glBegin(GL_QUADS);
    glColor3f(0.1f, 0.1f, 0.3f);
    glVertex3f(-5, -4, -1);
    glColor3f(0.4f, 0.1f, 0.2f);
    glVertex3f(5, -4, -1);
    glColor3f(0.1f, 0.4f, 0.3f);
    glVertex3f(5, 4, -1);
    glColor3f(0.5f, 0.5f, 0.1f);
    glVertex3f(-5, 4, -1);
    glEnd();
    for (int i = 0; i < 24; ++i) {
        glPushMatrix();
        glRotatef(i * 15.0f + frame * 2.0f, 0, 0, 1);
        glTranslatef(1.8f, 0, 0);
        glRotatef(frame * 5.0f + i * 30, 1, 1, 0);
        glBegin(GL_QUADS);
        glColor3f(std::fabs(std::sin(i * 0.3f)), 0.3f, 0.8f);
        glVertex3f(-0.3f, -0.3f, 0);
        glColor3f(0.9f, std::fabs(std::cos(i * 0.2f)), 0.1f);
        glVertex3f(0.3f, -0.3f, 0);
        glColor3f(0.2f, 0.9f, 0.5f);
        glVertex3f(0.3f, 0.3f, 0);
        glColor3f(1, 1, 1);
        glVertex3f(-0.3f, 0.3f, 0);
        glEnd();
        glPopMatrix();
    }
}

// An X server resets when its last client leaves and refuses connections meanwhile; one
// connection held for the whole program keeps it up between the two window sizes.
bool holdXServer() {
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (XOpenDisplay(nullptr))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

// Seconds spent in one round, the dump path split into its steps.
struct Round {
    double render = 0;
    double grab = 0;
    double write = 0;
    double present = 0;
    double encode = 0;

    double dump() const { return render + grab + write + present; }
};

// One round: frames through the whole dump path, then the same frames through the encoder.
Round runRound(Marquel::GLDisplay& display, Vx::FileSystem& output, int width, int height,
               int frames, bool durable) {
    Vx::VideoInfo info{width, height, 25, 1};
    Vx::PngSequenceWriter writer;
    writer.open("bench.png", &info, &output);
    Vx::Image grab(new Vx::ImageObject(width, height, nullptr, nullptr, "grab"));
    writer.setImage(grab);
    std::vector<Vx::Image> copies;

    Round round;
    for (int f = 0; f < frames; ++f) {
        Clock::time_point start = Clock::now();
        display.beginFrame();
        renderScene(f);
        glFinish();
        round.render += seconds(start);
        start = Clock::now();
        display.grabImage(grab);
        round.grab += seconds(start);
        start = Clock::now();
        if (durable) {
            char name[64];
            std::snprintf(name, sizeof name, "bench.%06d.png", f);
            output.saveImage(name, grab, Vx::WRITE_DURABLE);
        } else {
            writer.writeFrame();
        }
        round.write += seconds(start);
        start = Clock::now();
        display.endFrame();
        round.present += seconds(start);
        // Kept outside the timing, for the encoder's turn.
        auto pixels = std::make_unique<uint8_t[]>(size_t(width) * height * 4);
        std::copy(grab->getData(), grab->getData() + size_t(width) * height * 4, pixels.get());
        copies.emplace_back(new Vx::ImageObject(width, height, std::move(pixels), nullptr, ""));
    }
    Vx::ImageManager& images = output.getImageManager();
    size_t bytes = 0;
    const Clock::time_point start = Clock::now();
    for (const Vx::Image& frame : copies)
        bytes += images.encodeImage("frame.png", frame)->getSize();
    round.encode = seconds(start);
    if (bytes == 0)
        std::fprintf(stderr, "nothing was encoded\n");
    return round;
}

} // namespace

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    const std::string folder = argc > 3 ? argv[3] : "recording-bench-frames";
    const bool durable = argc > 4 && std::string(argv[4]) == "durable";
    std::filesystem::create_directories(folder);
    if (!holdXServer()) {
        std::fprintf(stderr, "No X server: run under xvfb-run\n");
        return 1;
    }

    std::printf("median of %d rounds of %d frames, %s writes; milliseconds per frame\n", rounds,
                frames, durable ? "durable" : "frame");
    std::printf("%-10s %9s %11s %7s %6s %6s %8s %8s %7s\n", "size", "dump fps", "encode fps",
                "render", "grab", "write", "present", "encode", "ratio");
    for (auto [width, height] : {std::pair{640, 480}, {1280, 720}}) {
        Marquel::GLDisplay display;
        display.open("recording bench", width, height, false);
        Vx::FileSystem output;
        output.addPath(folder);
        // A first round, not counted, compiles the rasteriser's code and fills the caches.
        runRound(display, output, width, height, frames, durable);
        std::vector<Round> all;
        for (int r = 0; r < rounds; ++r)
            all.push_back(runRound(display, output, width, height, frames, durable));
        // Medians over the rounds, in milliseconds per frame.
        auto perFrame = [&](double Round::*part) {
            std::vector<double> values;
            for (const Round& round : all)
                values.push_back(round.*part / frames * 1000);
            return median(values);
        };
        std::vector<double> dump, ratio;
        for (const Round& round : all) {
            dump.push_back(round.dump() / frames * 1000);
            ratio.push_back(round.dump() / round.encode);
        }
        const double encode = perFrame(&Round::encode);
        std::printf("%4dx%-5d %9.1f %11.1f %7.1f %6.1f %6.1f %8.1f %8.1f %7.3f\n", width, height,
                    1000 / median(dump), 1000 / encode, perFrame(&Round::render),
                    perFrame(&Round::grab), perFrame(&Round::write), perFrame(&Round::present),
                    encode, median(ratio));
    }
    std::filesystem::remove_all(folder);
    return 0;
}
