#pragma once
// A sound system on SDL's disk driver: every frame the device receives lands in a file the
// test reads back.

#include "common/MusicFiles.h"
#include "common/TempDir.h"
#include "sound/fmod.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace sound_test {

constexpr size_t DEVICE_FRAMES = 1024;

class SoundFixture : public ::testing::Test {
protected:
    // delayMs is how long the disk driver waits between buffers. Keep it at 1 or more: with
    // 0 the driver writes as fast as the disk takes it, and a test thread that is not
    // scheduled for a while (a busy machine) finds gigabytes waiting to be read back.
    void openDisk(int delayMs) {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", outputPath().c_str(), 1);
        setenv("SDL_DISKAUDIODELAY", std::to_string(delayMs).c_str(), 1);
        openSystem();
    }

    void openSystem() {
        ASSERT_EQ(FMOD_System_Create(&system), FMOD_OK);
        ASSERT_EQ(system->init(32, FMOD_INIT_NORMAL, nullptr), FMOD_OK);
    }

    FMOD_RESULT load(const std::string& bytes) {
        music = bytes;
        FMOD_CREATESOUNDEXINFO exinfo = {};
        exinfo.cbsize = 72;
        exinfo.length = static_cast<unsigned int>(music.size());
        return system->createSound(music.data(),
                                   FMOD_OPENMEMORY | FMOD_CREATESTREAM | FMOD_SOFTWARE | FMOD_2D,
                                   &exinfo, &sound);
    }

    // Starts playing and seeks to ms (when given) before the device takes a frame.
    void play(int seekMs = -1) {
        SDL_LockAudio();
        ASSERT_EQ(system->playSound(FMOD_CHANNEL_FREE, sound, false, &channel), FMOD_OK);
        if (seekMs >= 0) {
            ASSERT_EQ(channel->setPosition(static_cast<unsigned>(seekMs), FMOD_TIMEUNIT_MS),
                      FMOD_OK);
        }
        SDL_UnlockAudio();
    }

    unsigned position() {
        unsigned ms = 0;
        EXPECT_EQ(channel->getPosition(&ms, FMOD_TIMEUNIT_MS), FMOD_OK);
        return ms;
    }

    // Waits (up to 20 s) until the heard position reaches ms.
    void waitFor(unsigned ms) {
        auto give = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (position() < ms && std::chrono::steady_clock::now() < give)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_GE(position(), ms);
    }

    // Waits until the device has received frames more frames than now.
    void waitForFrames(size_t frames) {
        size_t until = deliveredFrames() + frames;
        auto give = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (deliveredFrames() < until && std::chrono::steady_clock::now() < give)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_GE(deliveredFrames(), until);
    }

    size_t deliveredFrames() const {
        std::error_code ignored;
        auto size = std::filesystem::file_size(outputPath(), ignored);
        return ignored ? 0 : static_cast<size_t>(size / 4);
    }

    // What the device has received so far. The driver keeps writing while this reads, so
    // only the frames already there are taken: reading to the end could chase it forever.
    Frames output() const {
        Frames frames(deliveredFrames() * 2);
        std::ifstream in(outputPath(), std::ios::binary);
        in.read(reinterpret_cast<char*>(frames.data()),
                static_cast<std::streamsize>(frames.size() * 2));
        frames.resize(static_cast<size_t>(in.gcount()) / 2);
        return frames;
    }

    static size_t firstSound(const Frames& out, size_t from = 0) {
        for (size_t i = from; i < out.size() / 2; ++i)
            if (out[2 * i] != 0 || out[2 * i + 1] != 0)
                return i;
        return out.size() / 2;
    }

    std::string outputPath() const { return (dir.path() / "device.raw").string(); }

    void TearDown() override {
        if (system) {
            system->close();
            system->release();
        }
    }

    testing_support::TempDir dir;
    std::string music;
    FMOD::System* system = nullptr;
    FMOD::Sound* sound = nullptr;
    FMOD::Channel* channel = nullptr;
};

} // namespace sound_test
