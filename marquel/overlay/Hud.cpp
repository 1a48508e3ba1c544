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
// The clock's line, the rate's below it, then the message's; one more line each.
constexpr int32_t LINE_HEIGHT = 14;
constexpr int32_t CLOCK_TOP = 2;
constexpr int32_t RATE_TOP = CLOCK_TOP + LINE_HEIGHT;
constexpr int32_t MESSAGE_TOP = RATE_TOP + LINE_HEIGHT;
// The box with a message is at most this wide.
constexpr int32_t MESSAGE_MAX_WIDTH = 512;
// The text starts this far in and keeps as much room on the right.
constexpr int32_t TEXT_INSET = 3;

// A larger time (a clock run wild) reads as 0: the bound lies well inside what a long long
// holds, so the conversion never leaves its range.
constexpr float LARGEST_TIME = 1e15f;
// The clock's fields: minutes of the hour (the time times a sixtieth), seconds of the
// minute, and hundredths cut from the whole milliseconds.
constexpr float MINUTES_PER_SECOND = 0.016666668f;
constexpr long long MINUTES_PER_HOUR = 60;
constexpr long long SECONDS_PER_MINUTE = 60;
constexpr long long MS_PER_SECOND = 1000;
constexpr long long MS_PER_HUNDREDTH = 10;

// Truncated towards zero; a value no integer holds (a clock run wild, NaN) reads as 0
// rather than being converted out of range.
long long truncated(float value) {
    if (!(value > -LARGEST_TIME && value < LARGEST_TIME))
        return 0;
    return static_cast<long long>(value);
}

std::string clockText(float time) {
    const long long minutes = truncated(time * MINUTES_PER_SECOND) % MINUTES_PER_HOUR;
    const long long seconds = truncated(time) % SECONDS_PER_MINUTE;
    const long long hundredths = truncated(time * MS_PER_SECOND) % MS_PER_SECOND / MS_PER_HUNDREDTH;
    char text[64];
    std::snprintf(text, sizeof text, "%02lld:%02lld.%02lld", minutes, seconds, hundredths);
    return text;
}

// The longest start of word no wider than room, at least one character.
size_t fittingPart(const Panel& panel, const std::string& word, int32_t room) {
    size_t length = 1;
    while (length < word.size() && panel.textWidth(word.substr(0, length + 1)) <= room)
        ++length;
    return length;
}

// Text in lines no wider than room: broken at spaces and line feeds, and a word wider than
// the room wherever it has to be.
std::vector<std::string> wrapped(const Panel& panel, const std::string& text, int32_t room) {
    std::vector<std::string> lines(1);
    for (size_t at = 0; at < text.size();) {
        const size_t end = std::min(text.find_first_of(" \n", at), text.size());
        std::string word = text.substr(at, end - at);
        std::string& line = lines.back();
        if (!word.empty() && !line.empty() && panel.textWidth(line + " " + word) <= room) {
            line += " " + word;
        } else if (!word.empty()) {
            if (!line.empty())
                lines.emplace_back();
            while (panel.textWidth(word) > room) {
                const size_t length = fittingPart(panel, word, room);
                lines.back() = word.substr(0, length);
                lines.emplace_back();
                word.erase(0, length);
            }
            lines.back() = word;
        }
        if (end < text.size() && text[end] == '\n')
            lines.emplace_back();
        at = end + 1;
    }
    return lines;
}

} // namespace

Hud::Hud(Vx::FileSystem* files) : Panel(files) {
    resize(WIDTH, HEIGHT);
}

void Hud::setMessage(const std::string& text) {
    if (text == message)
        return;
    message = text;
    layOut();
}

void Hud::fitInto(uint32_t windowWidth, uint32_t windowHeight) {
    if (windowWidth == roomWidth && windowHeight == roomHeight)
        return;
    roomWidth = windowWidth;
    roomHeight = windowHeight;
    if (!message.empty())
        layOut();
}

void Hud::layOut() {
    messageLines.clear();
    if (message.empty()) {
        resize(WIDTH, HEIGHT);
    } else {
        // The box never grows past the window's left or top edge, where it is not seen:
        // the lines that do not fit under the clock are left out.
        // Before the window is known, the message has the widest box and 36 lines.
        const int64_t roomAcross =
            roomWidth > 0 ? int64_t(roomWidth) - 2 * MARGIN : MESSAGE_MAX_WIDTH;
        const int64_t roomBelowClock =
            roomHeight > 0 ? int64_t(roomHeight) - 2 * MARGIN - HEIGHT : MESSAGE_MAX_WIDTH;
        const auto boxWidth =
            static_cast<int32_t>(std::clamp<int64_t>(roomAcross, WIDTH, MESSAGE_MAX_WIDTH));
        messageLines = wrapped(*this, message, boxWidth - 2 * TEXT_INSET);
        const auto fitting =
            static_cast<size_t>(std::max<int64_t>(roomBelowClock / LINE_HEIGHT, 1));
        if (messageLines.size() > fitting)
            messageLines.resize(fitting);
        int32_t needed = 0;
        for (const std::string& line : messageLines)
            needed = std::max(needed, textWidth(line) + 2 * TEXT_INSET);
        const auto lines = static_cast<int32_t>(messageLines.size());
        resize(static_cast<uint32_t>(std::clamp(needed, WIDTH, boxWidth)),
               static_cast<uint32_t>(HEIGHT + lines * LINE_HEIGHT));
    }
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
    line.x = TEXT_INSET;
    line.y = CLOCK_TOP;
    line.text = clockText(time);
    drawText(line);
    char rate[64];
    std::snprintf(rate, sizeof rate, "fps:%.0f", fps);
    line.y = RATE_TOP;
    line.text = rate;
    drawText(line);
    line.y = MESSAGE_TOP;
    line.maxWidth = w - line.x;
    for (const std::string& text : messageLines) {
        line.text = text;
        drawText(line);
        line.y += LINE_HEIGHT;
    }
}

} // namespace Marquel
