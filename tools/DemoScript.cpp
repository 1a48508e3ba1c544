#include "tools/DemoScript.h"

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
// is closed by its own end tag, also when it has no children, so that a nested node never
// ends the node around it.
class Writer {
public:
    Writer() { text = "<script>\n"; }

    // A section: the screen cleared in its colour over the section's span. The section's
    // nodes follow beside it at the top level, their times counted from the section's start:
    // a seek back starts only top-level nodes afresh and fires only their triggers again, so
    // a nested node would keep the beats and values of wherever the clock had been.
    void section(const Section& s, const std::string& colour) {
        base = 0;
        node("quessa", s.start(), s.end(), [&] { trigger(0, "color", colour); });
        base = s.start();
    }

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
    w.section(s, "005005020");
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
    w.section(s, "020005030");
    w.node("synch", 0, length, [&] { w.beats(0, s.bars * BEATS_PER_BAR); });
    w.node("tolvy", 0, length, [&] { w.trigger(0, "color", "050015070"); });
    w.node("kel back2", 0, length, [&] {
        w.trigger(0, "texture", "mcbrallor.png");
        w.spline("alpha", "linear", {{0, 0}, {2, 8}, {length - 1, 8}, {length, 10}});
        w.spline("size", "smooth", {{0, 55}, {half, 60}, {length, 64}});
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
    w.node("kel coolmouth", half, length, [&] {
        w.trigger(0, "texture", "mcscroller.png");
        w.spline("x", "linear", {{0, 100}, {half, -100}});
        w.constant("y", 22);
        w.constant("size", 32);
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
    w.section(s, second ? "020000020" : "000000000");
    w.node("synch", 0, length, [&] { w.beats(0, beatCount); });
    w.node("tolvy", 0, length, [&] { w.trigger(0, "color", second ? "000070120" : "110030070"); });
    // The knot is drawn untextured only while no picture has switched texturing on in the
    // frame, so it goes first and the backdrop lies over it as a thin veil.
    w.open("torus", 0, length);
    w.trigger(0, "color", second ? "000255128" : "255200000");
    w.trigger(0, "pq", second ? "34" : "23");
    w.trigger(0, "angle", second ? "45" : "30");
    w.trigger(0, "speed", "6.283");
    // A stutter before the last bar: the knot blinks off and on twice on sixteenths.
    w.repeated(length - BAR - BEAT, "toggle", "1", 4, BEAT / 4);
    w.spline("x", "smooth", {{0, -60}, {length / 2, 60}, {length, 0}});
    w.spline("y", second ? "square" : "linear", {{0, 0}, {length / 2, 20}, {length, 0}});
    w.constant("alpha", 10);
    w.close();
    w.node(second ? "kel back1" : "kel back3", 0, length, [&] {
        w.trigger(0, "texture", second ? "mcbrallor.png" : "mcuniverse.png");
        if (second)
            w.trigger(0, "color", "255255255");
        w.spline("alpha", "linear", {{0, 4}, {length, 2.5f}});
        w.constant("size", 62);
        w.spline("angle", "smooth", {{0, 0}, {length / 2, second ? -150.0f : 300.0f}, {length, 0}});
    });
    if (second) {
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
    }
    w.node("star", 0, length, [&] {
        w.trigger(0, "texture", "mcstar.png");
        w.repeated(0, "new", "1", beatCount / 2, BEAT * 2);
        w.spline("alpha", "linear", {{0, 10}, {length, 7}});
    });
}

void pause(Writer& w, const Section& s) {
    const float length = s.end() - s.start();
    w.section(s, "010020040");
    w.node("synch", 0, length, [&] { w.beats(0, s.bars, BEATS_PER_BAR); });
    w.node("tolvy", 0, length, [&] { w.trigger(0, "color", "030060100"); });
    w.node("kel back4", 0, length, [&] {
        w.trigger(0, "texture", "mcbrallor.png");
        w.trigger(0, "color", "150170255");
        w.spline("alpha", "linear", {{0, 0}, {2, 9}, {length, 9}});
        w.constant("size", 60);
    });
    w.node("kel boner", 0, length, [&] {
        w.repeated(0, "texture", "mcboner.png", s.bars, BAR);
        w.repeated(BAR / 2, "texture", "mcbonertwist.png", s.bars, BAR);
        w.trigger(0, "color", "255255255");
        w.trigger(0, "angle", "0");
        w.trigger(0, "speed", "0");
        w.spline("size", "smooth", {{0, 0}, {2, 26}, {length, 22}});
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
    const float length = s.end() - s.start();
    w.section(s, "000000000");
    w.node("synch", 0, length, [&] { w.beats(0, 2 * BEATS_PER_BAR); });
    w.node("tolvy", 0, BAR * 2, [&] { w.trigger(0, "color", "040010060"); });
    // Before any picture, while texturing is still off in the frame.
    w.node("torus", 0, BAR * 2, [&] {
        w.trigger(0, "pq", "25");
        w.trigger(0, "color", "255080200");
        // The swing it had at the end of the second drop, whatever played before.
        w.trigger(0, "angle", "45");
        w.trigger(0, "speed", "6.283");
        w.constant("x", 0);
        w.constant("y", 0);
        w.constant("alpha", 10);
    });
    w.node("kel back2", 0, length, [&] {
        w.trigger(0, "texture", "mcuniverse.png");
        w.spline("alpha", "smooth", {{0, 10}, {length - 2, 6}, {length, 0}});
        w.spline("size", "linear", {{0, 60}, {length, 90}});
        w.constant("y", 0);
    });
    w.node("kel cool", 0, length, [&] {
        w.trigger(0, "texture", "mccool.png");
        w.trigger(0, "color", "255255255");
        w.trigger(0, "angle", "0");
        w.trigger(0, "speed", "0");
        w.spline("size", "square", {{0, 22}, {2, 18}, {4, 14}, {6, 9}, {7, 4}});
        w.spline("alpha", "linear", {{0, 10}, {length - 1, 10}, {length, 0}});
        w.constant("x", 0);
        w.constant("y", 0);
    });
    w.node("star", 0, length, [&] {
        w.trigger(0, "texture", "mcstar.png");
        w.trigger(0, "color", "255255255");
        w.spline("alpha", "linear", {{0, 10}, {length, 0}});
    });
}

} // namespace

std::string script() {
    Writer w;
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
