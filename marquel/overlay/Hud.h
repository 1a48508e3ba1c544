#pragma once

#include "marquel/overlay/Panel.h"

#include <string>
#include <vector>

namespace Marquel {

// The small box with the demo time and the frame rate, hidden until the configuration or
// the F key shows it. A message widens it by lines below, wrapped to the window, and shows it
// while the message stands.
class Hud : public Panel {
public:
    // How far the display keeps the box from the window's right and bottom edges, and the
    // message from its left edge.
    static constexpr int32_t MARGIN = 5;

    // A 64 x 32 canvas.
    explicit Hud(Vx::FileSystem* files);

    // Takes time, start mark and frame rate from each info record and repaints; other
    // records are ignored.
    void handleEvents(EventList& events) override;
    // The box, "mm:ss.hh" of time and "fps:n", and the message.
    void redraw() override;
    // Sets the lines below the clock and repaints; an empty text takes them away.
    void setMessage(const std::string& text);
    // The window's size in pixels, which the message is wrapped to fit; before the first
    // call the box is at most 512 pixels wide.
    void fitInto(uint32_t windowWidth, uint32_t windowHeight);
    bool shown() const { return visible || !message.empty(); }

    float time = 0;
    float start = 0;
    float fps = 0;
    std::string message;
    // The message as drawn, one line each.
    std::vector<std::string> messageLines;

private:
    // Wraps the message and sizes the box for it.
    void layOut();

    uint32_t roomWidth = 0;
    uint32_t roomHeight = 0;
};

} // namespace Marquel
