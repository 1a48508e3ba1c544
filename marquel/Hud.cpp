#include "marquel/Hud.h"

#include <cstdio>
#include <string>

namespace Marquel {

namespace {

constexpr uint32_t BOX = 0xAA000000;
constexpr uint32_t INSIDE = 0xAA660000;
constexpr uint32_t TEXT = 0xFFFFFFFF;

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
    resize(64, 32);
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
    fillRect(0, 0, 64, 32, BOX, false);
    // The dark red leaves a black edge on the top, bottom and left.
    for (int32_t y = 1; y <= 30; ++y)
        fillRect(1, y, 63, 1, INSIDE, false);
    TextItem line;
    line.colour = TEXT;
    line.maxWidth = 64;
    line.x = 3;
    line.y = 2;
    line.text = clockText(time);
    drawText(line);
    char rate[64];
    std::snprintf(rate, sizeof rate, "fps:%.0f", fps);
    line.y = 16;
    line.text = rate;
    drawText(line);
}

} // namespace Marquel
