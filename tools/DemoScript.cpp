#include "tools/DemoScript.h"

#include "tools/Shaders.h"
#include "tools/Timing.h"

#include <cstdio>
#include <initializer_list>
#include <utility>

namespace Content {
namespace DemoScript {

const char* const SCRIPT_FILE = "demo.xml";
const char* const MUSIC_FILE = "demo.ogg";

namespace {

using namespace Timing;
using Keys = std::initializer_list<std::pair<float, float>>;

// Numbers as a person would write them: up to three decimals, no trailing zeros.
std::string number(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", double(value));
    std::string s = text;
    s.erase(s.find_last_not_of('0') + 1);
    if (s.back() == '.')
        s.pop_back();
    return s == "-0" ? "0" : s;
}

// Writes the script by hand, one element a line, indented by a tab per level. Every effect
// is closed by its own end tag, also when it has no children.
class Writer {
public:
    Writer() { text = "<script>\n"; }

    // Where the times of the nodes written next count from. Every node stands at the top
    // level, its times counted from a section's start: a seek back starts only top-level
    // nodes afresh and fires only their triggers again, so a nested node would keep the beats
    // and values of wherever the clock had been.
    void from(float start) { base = start; }

    void open(const std::string& name, float start, float end) {
        line("<effect name=\"" + name + "\" start=\"" + number(base + start) + "\" end=\"" +
             number(base + end) + "\">");
        ++depth;
    }
    void close() {
        --depth;
        line("</effect>");
    }
    // An effect node with only its triggers and splines, written with a callback.
    template <class Body> void node(const std::string& name, float start, float end, Body body) {
        open(name, start, end);
        body();
        close();
    }

    void trigger(float start, const std::string& name, const std::string& value) {
        line("<trigger start=\"" + number(start) + "\" name=\"" + name + "\" value=\"" + value +
             "\"/>");
    }
    void repeated(float start, const std::string& name, const std::string& value, int repeat,
                  float delay) {
        line("<trigger start=\"" + number(start) + "\" name=\"" + name + "\" value=\"" + value +
             "\" repeat=\"" + std::to_string(repeat) + "\" delay=\"" + number(delay) + "\"/>");
    }
    // A "baseline" on every beat from local time start for count beats.
    void beats(float start, int count, int beatsApart = 1) {
        repeated(start, "baseline", "1", count, BEAT * beatsApart);
    }

    void spline(const std::string& name, const std::string& type, Keys keys) {
        line("<spline name=\"" + name + "\" type=\"" + type + "\">");
        ++depth;
        for (const auto& key : keys)
            line("<key time=\"" + number(key.first) + "\" value=\"" + number(key.second) + "\"/>");
        --depth;
        line("</spline>");
    }
    // A value that holds for the whole node.
    void constant(const std::string& name, float value) { spline(name, "square", {{0, value}}); }

    std::string finish() { return text + "</script>\n"; }

private:
    void line(const std::string& content) { text += std::string(depth, '\t') + content + "\n"; }

    std::string text;
    int depth = 1;
    // Where the times of the nodes being written count from.
    float base = 0;
};

// Wobble speed that swings a picture once per two beats over a node of the given length:
// the effects take sin(progress x speed).
std::string swingSpeed(float length) {
    return number(length / (2 * BEAT) * 6.2831853f);
}

void intro(Writer& w, const Section& s) {
    const float length = s.end() - s.start();
    w.from(s.start());
    w.node("kel back1", 0, length, [&] {
        w.trigger(0, "texture", "mcuniverse.png");
        w.trigger(0, "color", "255255255");
        w.spline("alpha", "linear", {{0, 0}, {3, 10}, {length, 10}});
        w.spline("size", "linear", {{0, 70}, {length, 82}});
        w.spline("angle", "linear", {{0, 0}, {length, 60}});
    });
    w.node("star", 0, length, [&] {
        w.trigger(0, "texture", "mcstar.png");
        w.trigger(0, "color", "255240200");
        w.spline("alpha", "linear", {{0, 0}, {2, 10}, {length, 10}});
    });
    w.node("kel coolmouth", BAR * 2, length, [&] {
        w.trigger(0, "texture", "mcscroller.png");
        w.spline("x", "linear", {{0, 90}, {BAR * 2, -10}});
        w.constant("y", -20);
        w.constant("size", 30);
        w.spline("alpha", "linear", {{0, 0}, {1, 10}});
    });
}

void build(Writer& w, const Section& s) {
    const float length = s.end() - s.start();
    const float half = length / 2;
    w.from(s.start());
    w.node("kel back2", 0, length, [&] {
        w.trigger(0, "texture", "mcbrallor.png");
        // Never opaque: the flashes show through it on every beat.
        w.spline("alpha", "linear", {{0, 0}, {2, 8}, {length, 8}});
        // Wider than a 16:9 view at its depth from the start (a half-width of 5.9).
        w.spline("size", "smooth", {{0, 61}, {half, 64}, {length, 67}});
        // A quadratic piece: the middle key is its control point.
        w.spline("y", "bezier", {{0, -6}, {half, 0}, {length, 6}});
    });
    w.open("kel cool", 0, length);
    w.trigger(0, "texture", "mccool.png");
    w.trigger(0, "color", "255255255");
    w.trigger(0, "angle", "8");
    w.trigger(0, "speed", swingSpeed(length));
    w.constant("alpha", 10);
    // Slides in past its place and settles back: a quadratic piece to 6 s, then still.
    w.spline("x", "bezier", {{0, -90}, {3, 0}, {6, -28}, {length, -28}});
    w.spline("size", "square", {{0, 16}, {BAR * 2, 18}, {BAR * 4, 20}});
    w.constant("y", -3);
    w.close();
    // The scroller and the second character join in the second half, drawn over the first.
    // The scroller runs above the first one's quiff, whichever way he swings.
    w.node("kel coolmouth", half, length, [&] {
        w.trigger(0, "texture", "mcscroller.png");
        w.spline("x", "linear", {{0, 100}, {half, -100}});
        w.constant("y", 26);
        w.constant("size", 28);
        w.constant("alpha", 10);
    });
    w.node("kel boner", half, length, [&] {
        w.trigger(0, "texture", "mcboner.png");
        w.trigger(0, "color", "255255255");
        w.trigger(0, "angle", "12");
        w.trigger(0, "speed", swingSpeed(half));
        w.spline("x", "smooth", {{0, 90}, {2, 30}, {half, 28}});
        w.constant("size", 18);
        w.constant("y", -4);
        w.constant("angle", 0);
    });
}

void drop(Writer& w, const Section& s, bool second) {
    const float length = s.end() - s.start();
    const int beatCount = s.bars * BEATS_PER_BAR;
    w.from(s.start());
    if (second) {
        // A look in GLSL: a tunnel lit by the music's spectrum and flaring on the beat, one
        // layer over the window where the first drop has two. The flashes show through a quarter.
        w.node("shader", 0, length, [&] {
            w.trigger(0, "shader", Shaders::TUNNEL_FILE);
            w.trigger(0, "texture0", "spectrum");
            w.repeated(0, "beat", "1", beatCount, BEAT);
            w.spline("alpha", "linear", {{0, 0.5f}, {BEAT, 0.75f}, {length, 0.75f}});
        });
        w.node("kel coolmouth", 0, length, [&] {
            w.trigger(0, "texture", "mcscroller.png");
            w.spline("x", "linear",
                     {{0, 100}, {length / 2, -100}, {length / 2, 100}, {length, -100}});
            w.constant("y", 24);
            w.constant("size", 30);
            w.constant("alpha", 10);
        });
        // Every node names its picture, so the demo looks the same from any start mark.
        w.node("kel cool", 0, length, [&] {
            w.trigger(0, "texture", "mccool.png");
            w.trigger(0, "angle", "8");
            w.trigger(0, "color", "255210210");
            w.trigger(0, "speed", swingSpeed(length));
            w.spline("x", "smooth", {{0, -100}, {2, -40}, {length, -40}});
            w.constant("y", -10);
            w.constant("size", 14);
            w.constant("alpha", 10);
        });
        w.node("kel boner", 0, length, [&] {
            w.repeated(0, "texture", "mcbonertwist.png", beatCount / 2, BEAT * 2);
            w.repeated(BEAT, "texture", "mcboner.png", beatCount / 2, BEAT * 2);
            w.trigger(0, "color", "255255255");
            w.trigger(0, "angle", "0");
            w.trigger(0, "speed", "0");
            w.constant("angle", 0);
            w.spline("x", "smooth", {{0, 100}, {2, 40}, {length, 40}});
            w.constant("y", -10);
            w.constant("size", 14);
        });
    } else {
        // The knot is drawn untextured only while no picture has switched texturing on in the
        // frame, so it goes first and the backdrop lies over it as a thin veil. Its colour and
        // shape are the beat's pick: the first beat comes with the node's start.
        w.node("torus", 0, length, [&] {
            w.trigger(0, "angle", "30");
            w.trigger(0, "speed", "6.283");
            // A stutter before the last bar: the knot blinks off and on twice on sixteenths.
            w.repeated(length - BAR - BEAT, "toggle", "1", 4, BEAT / 4);
            w.spline("x", "smooth", {{0, -60}, {length / 2, 60}, {length, 0}});
            w.spline("y", "linear", {{0, 0}, {length / 2, 20}, {length, 0}});
            w.constant("alpha", 10);
        });
        w.node("kel back3", 0, length, [&] {
            w.trigger(0, "texture", "mcuniverse.png");
            w.spline("alpha", "linear", {{0, 4}, {length, 2.5f}});
            // Turning, it covers a 16:9 view at any angle (the view's corners lie 6.8 out).
            w.constant("size", 70);
            w.spline("angle", "smooth", {{0, 0}, {length / 2, 300}, {length, 0}});
        });
    }
    w.node("star", 0, length, [&] {
        w.trigger(0, "texture", "mcstar.png");
        w.repeated(0, "new", "1", beatCount / 2, BEAT * 2);
        w.spline("alpha", "linear", {{0, 10}, {length, 7}});
    });
    if (!second)
        return;
    // Over the finished picture, on each bar's first beat: red and blue tear apart and close
    // again within half a beat. Short nodes, since copying the frame costs a frame's worth.
    for (int bar = 0; bar < s.bars; ++bar)
        w.node("shader", bar * BAR, bar * BAR + BEAT / 2, [&] {
            w.trigger(0, "shader", Shaders::SPLIT_FILE);
            w.trigger(0, "texture0", "frame");
        });
}

void pause(Writer& w, const Section& s) {
    const float length = s.end() - s.start();
    w.from(s.start());
    w.node("kel back4", 0, length, [&] {
        w.trigger(0, "texture", "mcbrallor.png");
        w.trigger(0, "color", "150170255");
        // Over the whole frame from the section's first frame, so that the beat's flash there
        // shows through it dimmed like every other.
        w.constant("alpha", 9);
        w.constant("size", 60);
    });
    w.node("kel boner", 0, length, [&] {
        w.repeated(0, "texture", "mcboner.png", s.bars, BAR);
        w.repeated(BAR / 2, "texture", "mcbonertwist.png", s.bars, BAR);
        w.trigger(0, "color", "255255255");
        w.trigger(0, "angle", "0");
        w.trigger(0, "speed", "0");
        // Readable from its first frame, it swells to full size in two seconds.
        w.spline("size", "smooth", {{0, 18}, {2, 26}, {length, 22}});
        w.spline("angle", "smooth", {{0, -150}, {length / 2, 150}, {length, 0}});
        w.constant("x", 0);
        w.constant("y", 0);
    });
    w.node("star", 0, length, [&] {
        w.trigger(0, "texture", "mcstar.png");
        w.trigger(0, "color", "200220255");
        w.repeated(0, "new", "1", s.bars, BAR);
        w.constant("alpha", 10);
    });
}

void outro(Writer& w, const Section& s) {
    const float drums = OUTRO_DRUM_BARS * BAR;
    // The picture is black half a second after the last bar, well before the last chord has
    // rung out and the demo ends.
    const float fadeEnd = LENGTH + 0.5f - s.start();
    w.from(s.start());
    // Before any picture, while texturing is still off in the frame.
    w.node("torus", 0, drums + BAR, [&] {
        // The swing it had at the end of the second drop, whatever played before.
        w.trigger(0, "angle", "45");
        w.trigger(0, "speed", "6.283");
        // Once the drums stop, no beat picks over it: the knot turns pink and sinks behind
        // the backdrop.
        w.trigger(drums, "pq", "25");
        w.trigger(drums, "color", "255080200");
        w.constant("x", 0);
        w.constant("y", 0);
        w.constant("alpha", 10);
    });
    // A thin veil while the drums play, so the knot and the flashes show their beats; opaque
    // once the knot has gone, then fading out.
    w.node("kel back2", 0, fadeEnd, [&] {
        w.trigger(0, "texture", "mcuniverse.png");
        w.spline("alpha", "linear", {{0, 3}, {drums, 3}, {drums + BAR, 10}, {fadeEnd, 0}});
        w.spline("size", "linear", {{0, 60}, {fadeEnd, 92}});
        w.constant("y", 0);
    });
    w.node("kel cool", 0, fadeEnd, [&] {
        w.trigger(0, "texture", "mccool.png");
        w.trigger(0, "color", "255255255");
        w.trigger(0, "angle", "0");
        w.trigger(0, "speed", "0");
        // Shrinks away smoothly, ever faster, rather than in steps.
        w.spline("size", "smooth", {{0, 22}, {2, 18}, {4, 14}, {6, 9}, {7, 4}});
        w.spline("alpha", "linear", {{0, 10}, {fadeEnd - 1.5f, 10}, {fadeEnd, 0}});
        w.constant("x", 0);
        w.constant("y", 0);
    });
    w.node("star", 0, fadeEnd, [&] {
        w.trigger(0, "texture", "mcstar.png");
        w.trigger(0, "color", "255255255");
        w.spline("alpha", "linear", {{0, 10}, {fadeEnd, 0}});
    });
}

// By section kind: the colour the screen is cleared to, and that of the flashes on the
// beats (none in the intro, which has no drums). The build's and the break's are bright, as
// they show through a backdrop that lets only a fifth or a tenth of them through; the
// outro's, as its knot is far away and often dark.
const char* const CLEAR_COLOURS[] = {"005005020", "020005030", "000000000",
                                     "010020040", "020000020", "000000000"};
const char* const FLASH_COLOURS[] = {nullptr,     "125040175", "110030070",
                                     "075150250", "000070120", "080020120"};

// The beats of a section from local time start: every beat where the drums play, once a bar
// in the break.
void sectionBeats(Writer& w, const Section& s, float start) {
    switch (s.kind) {
    case SECTION_INTRO:
        break;
    case SECTION_BREAK:
        w.beats(start, s.bars, BEATS_PER_BAR);
        break;
    case SECTION_OUTRO:
        w.beats(start, OUTRO_DRUM_BARS * BEATS_PER_BAR);
        break;
    default:
        w.beats(start, s.bars * BEATS_PER_BAR);
    }
}

// The clear, the beats and the flashes, each one node across the sections, before every
// section's own nodes. An effect keeps its state from node to node while a new node's clock
// starts at 0: a flash node per section would find the flash times of the node before lying
// in its future, and one panel would stand far brighter than full until the beats relit it.
void screen(Writer& w) {
    w.from(0);
    w.node("quessa", 0, END, [&] {
        for (const Section& s : SECTIONS)
            w.trigger(s.start(), "color", CLEAR_COLOURS[s.kind]);
    });
    // From the first section with drums until the outro's drums stop: no beat comes later.
    const float first = SECTIONS[1].start();
    const float last = SECTIONS.back().start() + OUTRO_DRUM_BARS * BAR;
    w.from(first);
    w.node("synch", 0, last - first, [&] {
        for (const Section& s : SECTIONS)
            sectionBeats(w, s, s.start() - first);
    });
    w.node("tolvy", 0, last - first, [&] {
        for (const Section& s : SECTIONS)
            if (FLASH_COLOURS[s.kind])
                w.trigger(s.start() - first, "color", FLASH_COLOURS[s.kind]);
    });
}

} // namespace

std::string script() {
    Writer w;
    screen(w);
    for (const Section& s : SECTIONS) {
        switch (s.kind) {
        case SECTION_INTRO:
            intro(w, s);
            break;
        case SECTION_BUILD:
            build(w, s);
            break;
        case SECTION_DROP:
        case SECTION_DROP2:
            drop(w, s, s.kind == SECTION_DROP2);
            break;
        case SECTION_BREAK:
            pause(w, s);
            break;
        case SECTION_OUTRO:
            outro(w, s);
            break;
        }
    }
    return w.finish();
}

std::string configuration() {
    return std::string("<demo>\n"
                       "\t<time start=\"0\"/>\n"
                       "\t<hud mini=\"off\"/>\n"
                       "\t<window caption=\"Marquel\" width=\"1280\" height=\"720\" "
                       "mode=\"windowed\" type=\"opengl\"/>\n"
                       "\t<music file=\"") +
           MUSIC_FILE + "\" mute=\"off\"/>\n\t<script file=\"" + SCRIPT_FILE + "\"/>\n</demo>\n";
}

} // namespace DemoScript
} // namespace Content
