#include "marquel/overlay/Hud.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace Marquel {

namespace {

constexpr uint32_t BOX = 0xAA000000;
constexpr uint32_t INSIDE = 0xAA660000;
constexpr uint32_t TEXT = 0xFFFFFFFF;
constexpr int32_t WIDTH = 64;
constexpr int32_t HEIGHT = 32;
// The box with a message: one more line, at most this wide (the text is cut).
constexpr int32_t MESSAGE_HEIGHT = 46;
constexpr int32_t MESSAGE_MAX_WIDTH = 512;

// Truncated towards zero; a value no integer holds (a clock run wild, NaN) reads as 0
// rather than being converted out of range.
long long truncated(float value) {
    if (!(value > -1e15f && value < 1e15f))
        return 0;
    return static_cast<long long>(value);
}

std::string clockText(float time) {
    const long long minutes = truncated(time * 0.016666668f) % 60;
    const long long seconds = truncated(time) % 60;
    const long long hundredths = truncated(time * 1000) % 1000 / 10;
    char text[64];
    std::snprintf(text, sizeof text, "%02lld:%02lld.%02lld", minutes, seconds, hundredths);
    return text;
}

} // namespace

Hud::Hud(Vx::FileSystem* files) : Panel(files) {
    resize(WIDTH, HEIGHT);
}

void Hud::setMessage(const std::string& text) {
    if (text == message)
        return;
    message = text;
    // The text starts 3 pixels in and keeps as much room on the right.
    const int32_t needed = std::min(textWidth(message), MESSAGE_MAX_WIDTH) + 6;
    if (message.empty())
        resize(WIDTH, HEIGHT);
    else
        resize(static_cast<uint32_t>(std::clamp(needed, WIDTH, MESSAGE_MAX_WIDTH)), MESSAGE_HEIGHT);
    redraw();
    dirty = true;
}

void Hud::handleEvents(EventList& events) {
    for (int32_t e = 0; e < events.count; ++e) {
        const Event& event = events.events[e];
        if (event.type != EVENT_INFO)
            continue;
        time = event.infoTime;
        start = event.infoStart;
        fps = event.infoFps;
        redraw();
        dirty = true;
    }
}

void Hud::redraw() {
    const auto w = static_cast<int32_t>(width);
    const auto h = static_cast<int32_t>(height);
    fillRect(0, 0, w, h, BOX, false);
    // The dark red leaves a black edge on the top, bottom and left.
    for (int32_t y = 1; y <= h - 2; ++y)
        fillRect(1, y, w - 1, 1, INSIDE, false);
    TextItem line;
    line.colour = TEXT;
    line.maxWidth = WIDTH;
    line.x = 3;
    line.y = 2;
    line.text = clockText(time);
    drawText(line);
    char rate[64];
    std::snprintf(rate, sizeof rate, "fps:%.0f", fps);
    line.y = 16;
    line.text = rate;
    drawText(line);
    line.y = 30;
    line.maxWidth = w - line.x;
    line.text = message;
    drawText(line);
}

} // namespace Marquel
