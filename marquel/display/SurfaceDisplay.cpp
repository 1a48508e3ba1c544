#include "marquel/display/SurfaceDisplay.h"

#include <SDL.h>

#include <cstdio>

namespace Marquel {

void SurfaceDisplay::open(const std::string& caption, int width, int height, bool fullscreen) {
    reopen(caption, width, height, fullscreen);
    if (SDL_Init(SDL_INIT_VIDEO) < 0)
        failWithSdlError(stdout, "Video initialization failed: %s\n");
    Uint32 flags = SDL_SWSURFACE | SDL_DOUBLEBUF | (fullscreen ? SDL_FULLSCREEN : 0);
    surface = SDL_SetVideoMode(width, height, 32, flags);
    if (!surface)
        failWithSdlError(stderr, "Video mode set failed: %s\n");
    takeScreenSize(surface);
    SDL_WM_SetCaption(caption.c_str(), nullptr);
    SDL_ShowCursor(0);
    opened = true;
}

void SurfaceDisplay::beginFrame() {
    // After close the surface is gone with SDL.
    if (!opened)
        return;
    if (SDL_MUSTLOCK(surface))
        surfaceOpened = SDL_LockSurface(surface) == 0;
}

void SurfaceDisplay::endFrame() {
    // After close the surface is gone with SDL.
    if (!opened)
        return;
    if (surfaceOpened)
        SDL_UnlockSurface(surface);
    surfaceOpened = false;
    SDL_Flip(surface);
}

void SurfaceDisplay::clearFrame() {
    if (opened)
        SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));
}

void SurfaceDisplay::drawInspector(Panel&) {
}

void SurfaceDisplay::drawHud(Panel&) {
}

void SurfaceDisplay::drawProgress(float) {
}

} // namespace Marquel
