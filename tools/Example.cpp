#include "tools/Example.h"

#include "tools/Music.h"

#include <cmath>

namespace Content {
namespace Example {

const char* const PICTURE_FILE = "hello.png";
const char* const MUSIC_FILE = "hello.ogg";

Canvas picture() {
    Canvas c(128, 128);
    c.fillOutlined(circle(64, 64, 58), vertical({0.3f, 0.8f, 1, 1}, {0.1f, 0.2f, 0.7f, 1}, 6, 122),
                   {0.05f, 0.05f, 0.15f, 1}, 3);
    const std::string word = "hello";
    const float scale = 4;
    c.text(word, 64 - Canvas::textWidth(word, scale) / 2, 50, scale, flat({1, 1, 0.85f, 1}));
    return c;
}

std::vector<float> music() {
    constexpr float PI = 3.14159265f, BEAT = 0.5f;
    constexpr int BEATS = 16;
    // A minor, climbing and falling in eighth notes.
    constexpr float NOTES[8] = {220.0f,  261.63f, 329.63f, 440.0f,
                                523.25f, 440.0f,  329.63f, 261.63f};
    const size_t frames = size_t(BEATS * BEAT * Music::RATE);
    std::vector<float> stereo(frames * 2);
    for (size_t i = 0; i < frames; ++i) {
        const float t = float(i) / Music::RATE;
        const float sinceBeat = std::fmod(t, BEAT);
        const float sinceNote = std::fmod(t, BEAT / 2);
        const float note = NOTES[size_t(t / (BEAT / 2)) % 8];
        // The kick falls from 150 Hz to 50 Hz; its phase is the integral of that sweep.
        const float kickPhase = 50 * sinceBeat + 100 * (1 - std::exp(-sinceBeat * 30)) / 30;
        const float kick = std::sin(2 * PI * kickPhase) * std::exp(-sinceBeat * 8);
        const float pluck = std::sin(2 * PI * note * sinceNote) * std::exp(-sinceNote * 9);
        // The kick in the middle, the pluck a little to the right.
        stereo[2 * i] = 0.6f * kick + 0.2f * pluck;
        stereo[2 * i + 1] = 0.6f * kick + 0.3f * pluck;
    }
    return stereo;
}

} // namespace Example
} // namespace Content
