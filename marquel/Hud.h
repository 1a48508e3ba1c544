#pragma once

#include "marquel/Panel.h"

namespace Marquel {

// The small box with the demo time and the frame rate, hidden until the configuration or
// the F key shows it.
class Hud : public Panel {
public:
    explicit Hud(Vx::FileSystem* files) : Panel(files) { resize(64, 32); }

    // The overlays repaint the box from the frame's info record here.
    void handleEvents(EventList&) override {}
    void redraw() override {}

    float time = 0;
    float start = 0;
    float fps = 0;
};

} // namespace Marquel
