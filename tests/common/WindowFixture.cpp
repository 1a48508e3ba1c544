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

int screenWidth() {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        return 0;
    const int width = SDL_GetVideoInfo()->current_w;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return width;
}
