#pragma once

#include "marquel/Display.h"

#include <string>

struct SDL_Surface;

namespace Marquel {

// A software window without OpenGL: a fallback whose drawing operations do nothing. Its
// failures print a message and raise a standard exception.
class SurfaceDisplay : public Display {
public:
    void open(const std::string& caption, int width, int height, bool fullscreen) override;
    bool isFullscreen() const override { return fullscreen; }
    // Locks the surface when SDL requires it for drawing into its pixels.
    void beginFrame() override;
    // Unlocks a locked surface and shows the frame.
    void endFrame() override;
    void clearFrame() override;
    void drawInspector(Panel& panel) override;
    void drawHud(Panel& panel) override;
    void drawProgress(float fraction) override;

protected:
    // The surface is locked for this frame's drawing.
    bool surfaceOpened = false;
    SDL_Surface* surface = nullptr;
};

} // namespace Marquel
