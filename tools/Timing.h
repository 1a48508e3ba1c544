#pragma once

#include <array>

namespace Content {

// The tempo and the sections of the track. The music and the script are both written from
// these numbers, so every beat of the picture falls on a beat of the sound.
namespace Timing {

constexpr float BPM = 120;
constexpr float BEAT = 60 / BPM; // seconds
constexpr int BEATS_PER_BAR = 4;
constexpr float BAR = BEAT * BEATS_PER_BAR;

enum SectionKind {
    SECTION_INTRO,
    SECTION_BUILD,
    SECTION_DROP,
    SECTION_BREAK,
    SECTION_DROP2,
    SECTION_OUTRO
};

struct Section {
    SectionKind kind;
    int firstBar;
    int bars;
    float start() const { return firstBar * BAR; }
    float end() const { return (firstBar + bars) * BAR; }
};

constexpr std::array<Section, 6> SECTIONS = {{{SECTION_INTRO, 0, 4},
                                              {SECTION_BUILD, 4, 8},
                                              {SECTION_DROP, 12, 8},
                                              {SECTION_BREAK, 20, 4},
                                              {SECTION_DROP2, 24, 8},
                                              {SECTION_OUTRO, 32, 4}}};

// The drums stop after the outro's first bars; the chords ring on.
constexpr int OUTRO_DRUM_BARS = 2;

constexpr int TOTAL_BARS = 36;
// The last bar's end. The sound rings on a little past it.
constexpr float LENGTH = TOTAL_BARS * BAR;
constexpr float TAIL = 1.5f; // seconds the last notes ring past the last bar
// Where the music and the demo end: a demo that stopped with the last bar would cut the
// last chord off with a click.
constexpr float END = LENGTH + TAIL;

} // namespace Timing

} // namespace Content
