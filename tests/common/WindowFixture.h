#pragma once
// Tests that open a real window. They run under Xvfb; SDL is held to its X11 driver so that a
// missing X server fails loudly instead of falling back to a text terminal. Each test ends
// with SDL shut down, since SDL keeps one window per process.
//
// An X server resets whenever its last client leaves and drops connections that arrive
// meanwhile, so the fixture holds one connection of its own for the whole program; without
// it, closing and reopening SDL fails now and then with "Couldn't open X11 display".

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

// Opens the held connection on first use, retrying while a reset is under way; false when
// no X server answers.
bool holdXServer();

// The X screen's width in pixels, asked of SDL before any window opens. A full screen wider
// than it can never be given, whatever screen the tests run on.
int screenWidth();

// The text of the Raised exception that action throws, or "no exception"; an exception of
// another type passes through and fails the test.
template <class Raised, class Action> std::string raisedMessage(Action action) {
    try {
        action();
    } catch (const Raised& e) {
        return e.what();
    }
    return "no exception";
}

class WindowFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(holdXServer()) << "no X server: run under xvfb-run";
        setVideoDriver("x11");
    }

    void TearDown() override {
        SDL_Quit();
        if (savedDriver)
            setenv("SDL_VIDEODRIVER", savedDriver->c_str(), 1);
        else
            unsetenv("SDL_VIDEODRIVER");
    }

    void setVideoDriver(const char* driver) {
        if (!driverSaved) {
            if (const char* current = std::getenv("SDL_VIDEODRIVER"))
                savedDriver = current;
            driverSaved = true;
        }
        setenv("SDL_VIDEODRIVER", driver, 1);
    }

private:
    bool driverSaved = false;
    std::optional<std::string> savedDriver;
};
