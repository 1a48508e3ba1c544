#pragma once

#include "marquel/Panel.h"

namespace Marquel {

// The small box with the demo time and the frame rate, hidden until the configuration or
// the F key shows it.
class Hud : public Panel {
public:
    // A 64 x 32 canvas.
    explicit Hud(Vx::FileSystem* files);

    // Takes time, start mark and frame rate from each info record and repaints; other
    // records are ignored.
    void handleEvents(EventList& events) override;
    // The box, "mm:ss.hh" of time and "fps:n".
    void redraw() override;

    float time = 0;
    float start = 0;
    float fps = 0;
};

} // namespace Marquel
