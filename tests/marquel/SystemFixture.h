#pragma once
// A run folder as the player expects it (bin/ beside data/, the working directory in bin/),
// the files it needs made by the test, and effects that press keys from inside the main
// loop.

#include "TestFiles.h"
#include "WindowFixture.h"
#include "common/MusicFiles.h"
#include "common/TempDir.h"
#include "marquel/Effect.h"
#include "marquel/System.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace system_test {

// Pushes a key press into SDL's queue, as if the user typed it; the main loop sees it in
// the next frame.
inline void pressKey(SDLKey key, int modifiers = KMOD_NONE) {
    SDL_Event event = {};
    event.type = SDL_KEYDOWN;
    event.key.state = SDL_PRESSED;
    event.key.keysym.sym = key;
    event.key.keysym.mod = static_cast<SDLMod>(modifiers);
    SDL_PushEvent(&event);
}

// Renders by doing what the test planned for each of its frames, and notes its local time.
class ScriptedEffect : public Marquel::Effect {
public:
    void render(float time, float, float) override {
        times.push_back(time);
        ticks.push_back(SDL_GetTicks());
        auto action = plan.find(static_cast<int>(times.size()) - 1);
        if (action != plan.end())
            action->second();
    }
    void load(Marquel::System*) override { ++loads; }

    // Frame index (from 0) to what happens in that frame's render.
    std::map<int, std::function<void()>> plan;
    std::vector<float> times;
    // SDL_GetTicks() at each render, beside its time.
    std::vector<uint32_t> ticks;
    int loads = 0;
};

class SystemFixture : public ::testing::Test {
protected:
    SystemFixture() {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        std::filesystem::create_directories(dir.path() / "bin");
        std::filesystem::create_directories(dir.path() / "data");
        write("data/marquel.font", barFont());
        write("data/marquel_logo.png", logoPng(24, 20));
        previousDirectory = std::filesystem::current_path();
        std::filesystem::current_path(dir.path() / "bin");
    }
    void SetUp() override { ASSERT_TRUE(holdXServer()) << "no X server: run under xvfb-run"; }

    // The system writes back relative to the run folder, so it ends before the folder is left.
    ~SystemFixture() override {
        system.reset();
        std::filesystem::current_path(previousDirectory);
    }

    // name is relative to the run folder: "marquel.xml" is "../", "data/x" is "../data/".
    void write(const std::string& name, const std::string& bytes) { dir.write(name, bytes); }
    std::string read(const std::string& name) const { return dir.read(name); }

    // A system with the program's search paths, initialised from the run folder's files.
    Marquel::System& start() {
        system = std::make_unique<Marquel::System>();
        system->addSearchPath("../");
        system->addSearchPath("../data/");
        system->init("");
        return *system;
    }
    // Destroys the system, which writes its configuration back.
    void finish() { system.reset(); }

    // A demo of one effect, "keys", running from 0 to end seconds.
    void writeScript(float end, const std::string& name = "data/demo.xml") {
        write(name, "<script><effect name=\"keys\" start=\"0\" end=\"" + std::to_string(end) +
                        "\"/></script>");
    }

    testing_support::TempDir dir;
    std::filesystem::path previousDirectory;
    std::unique_ptr<Marquel::System> system;
};

} // namespace system_test
