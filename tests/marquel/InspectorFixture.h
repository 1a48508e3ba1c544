#pragma once
// An inspector on a script built by the test, with a test font and logo, and key records
// fed the way the main loop feeds them. No window: the panel is software.

#include "TestFiles.h"
#include "common/TempDir.h"
#include "marquel/Effect.h"
#include "marquel/overlay/Inspector.h"
#include "marquel/Script.h"
#include "vx/FileSystem.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>

namespace inspector_test {

// Counts its frames, so a test sees whether the script reached it.
class CountingEffect : public Marquel::Effect {
public:
    void render(float, float, float) override { ++renders; }
    int renders = 0;
};

inline Marquel::Event keyEvent(int key, bool ctrl = false) {
    Marquel::Event event;
    event.type = Marquel::EVENT_KEYDOWN;
    event.key = key;
    event.ctrl = ctrl;
    return event;
}

inline Marquel::Event infoEvent(float time, float start = 0, float fps = 0) {
    Marquel::Event event;
    event.type = Marquel::EVENT_INFO;
    event.infoTime = time;
    event.infoStart = start;
    event.infoFps = fps;
    return event;
}

class InspectorFixture : public ::testing::Test {
protected:
    InspectorFixture() {
        files.addPath(dir.prefix());
        dir.write("marquel.font", system_test::fontFile(6, 8, system_test::codeGlyph));
        dir.write("marquel_logo.png", system_test::logoPng(LOGO_WIDTH, LOGO_HEIGHT));
        inspector = std::make_unique<Marquel::Inspector>(&files);
        script.addEffect("fx", &effect);
    }

    Marquel::EffectNode& addNode(const std::string& name, float start, float end,
                                 bool active = true) {
        auto node = std::make_unique<Marquel::EffectNode>();
        node->name = name;
        node->start = start;
        node->end = end;
        node->active = active;
        script.nodes.push_back(std::move(node));
        return *script.nodes.back();
    }

    static Marquel::Trigger& addTrigger(Marquel::EffectNode& node, float start, int repeat = 1,
                                        float delay = 0) {
        node.triggers.push_back(std::make_unique<Marquel::Trigger>());
        Marquel::Trigger& trigger = *node.triggers.back();
        trigger.start = start;
        trigger.repeat = repeat;
        trigger.delay = delay;
        return trigger;
    }

    static Marquel::Spline& addSpline(Marquel::EffectNode& node,
                                      std::initializer_list<Marquel::SplineKey> keys) {
        node.splines.push_back(std::make_unique<Marquel::Spline>());
        Marquel::Spline& spline = *node.splines.back();
        spline.keys = keys;
        spline.prepare();
        return spline;
    }

    // One frame's records, as the main loop hands them over.
    void feed(std::initializer_list<Marquel::Event> records) {
        Marquel::EventList list;
        for (const Marquel::Event& record : records)
            list.append(record);
        inspector->handleEvents(list);
    }
    // Each key in its own frame.
    void press(std::initializer_list<int> keys, bool ctrl = false) {
        for (int key : keys)
            feed({keyEvent(key, ctrl)});
    }
    void ctrl(int key) { feed({keyEvent(key, true)}); }

    uint32_t at(int x, int y) const {
        return inspector->pixels[static_cast<size_t>(y) * inspector->width + x];
    }

    // The text drawn at (x, y) in colour where expected would be, read glyph by glyph with
    // the font's advances (a space advances by 4).
    std::string textAt(int x, int y, const std::string& expected, uint32_t colour) const {
        std::string text;
        for (unsigned char c : expected) {
            text += system_test::readCodeText(*inspector, x, y, 1, colour);
            x += inspector->advances[c];
        }
        return text;
    }

    static constexpr int LOGO_WIDTH = 30;
    static constexpr int LOGO_HEIGHT = 20;
    testing_support::TempDir dir;
    Vx::FileSystem files;
    std::unique_ptr<Marquel::Inspector> inspector;
    Marquel::Script script;
    CountingEffect effect;
};

} // namespace inspector_test
