#pragma once

#include "marquel/overlay/Panel.h"

#include <string>

namespace Marquel {

// The small box with the demo time and the frame rate, hidden until the configuration or
// the F key shows it. A message widens it by a line below, and shows it while the message
// stands.
class Hud : public Panel {
public:
    // A 64 x 32 canvas.
    explicit Hud(Vx::FileSystem* files);

    // Takes time, start mark and frame rate from each info record and repaints; other
    // records are ignored.
    void handleEvents(EventList& events) override;
    // The box, "mm:ss.hh" of time and "fps:n", and the message.
    void redraw() override;
    // Sets the line below the clock and repaints; an empty one takes it away.
    void setMessage(const std::string& text);
    bool shown() const { return visible || !message.empty(); }

    float time = 0;
    float start = 0;
    float fps = 0;
    std::string message;
};

} // namespace Marquel
