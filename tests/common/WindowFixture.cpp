#include "WindowFixture.h"

#include <X11/Xlib.h>

#include <chrono>
#include <thread>

bool holdXServer() {
    static ::Display* held = nullptr;
    for (int attempt = 0; !held && attempt < 50; ++attempt) {
        held = XOpenDisplay(nullptr);
        if (!held)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return held != nullptr;
}
