// Random key sequences over random scripts: the inspector never reads what is not there,
// its selection always names a row that exists, and the script stays writable.

#include "InspectorFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using inspector_test::InspectorFixture;
using inspector_test::keyEvent;

namespace {

class InspectorPropertyTest : public InspectorFixture {
protected:
    void randomScript() {
        script.nodes.clear();
        script.bpm = pick(0, 1) ? real(40, 300) : 0; // half of them edited on a beat grid
        const int nodes = pick(0, 4);
        for (int n = 0; n < nodes; ++n) {
            const float start = real(-5, 60);
            Marquel::EffectNode& node =
                addNode(pick(0, 1) ? "fx" : "other", start, start + real(-2, 40), pick(0, 1));
            for (int t = pick(0, 3); t > 0; --t) {
                Marquel::Trigger& trigger =
                    addTrigger(node, real(-1, 30), pick(-1, 5), real(-1, 3));
                trigger.fired = pick(0, 4);
            }
            for (int s = pick(0, 3); s > 0; --s) {
                Marquel::Spline& spline = addSpline(node, {});
                for (int k = pick(1, 5); k > 0; --k)
                    spline.keys.push_back({real(-2, 20), real(-3, 3), 0});
                const char* types[] = {"smooth", "linear", "bezier", "square", "other"};
                spline.type = types[pick(0, 4)];
                const float scales[] = {1, 0, -2, 0.5f};
                spline.timescale = scales[pick(0, 3)];
                spline.valuescale = scales[pick(0, 3)];
                spline.timeoffset = real(-2, 2);
                spline.valueoffset = real(-2, 2);
                spline.prepare();
            }
        }
    }

    Marquel::Event randomEvent() {
        static const int keys[] = {
            SDLK_UP,     SDLK_DOWN,      SDLK_LEFT,    SDLK_RIGHT,    SDLK_RETURN, SDLK_INSERT,
            SDLK_DELETE, SDLK_F2,        SDLK_F3,      SDLK_F4,       SDLK_o,      SDLK_n,
            SDLK_v,      SDLK_t,         SDLK_KP_PLUS, SDLK_KP_MINUS, SDLK_a,      '"',
            '\'',        SDLK_BACKSPACE, SDLK_SPACE,   SDLK_LSHIFT,   '|',         SDLK_TAB,
            SDLK_e,      SDLK_g,         SDLK_l,       '1',           '.',         '-'};
        if (pick(0, 20) == 0)
            return inspector_test::infoEvent(real(0, 120), real(0, 60), real(0, 100));
        // Leave typing often enough that the structure keys get their turn.
        if (inspector->textTarget && pick(0, 3) == 0)
            return keyEvent(SDLK_RETURN);
        return keyEvent(keys[pick(0, int(std::size(keys)) - 1)], pick(0, 1) == 1);
    }

    // Every index names something that exists, and the text being typed belongs to it.
    void expectValid(int event) {
        const int nodes = static_cast<int>(script.nodes.size());
        ASSERT_EQ(inspector->expanded.size(), script.nodes.size()) << event;
        if (nodes == 0) {
            ASSERT_EQ(inspector->selectedNode, 0) << event;
            ASSERT_EQ(inspector->selectedItem, 0) << event;
            ASSERT_EQ(inspector->textTarget, nullptr) << event;
            return;
        }
        ASSERT_GE(inspector->selectedNode, 0) << event;
        ASSERT_LT(inspector->selectedNode, nodes) << event;
        const Marquel::EffectNode& node = *script.nodes[size_t(inspector->selectedNode)];
        const int triggers = static_cast<int>(node.triggers.size());
        const int items = triggers + static_cast<int>(node.splines.size());
        const int item = inspector->selectedItem;
        ASSERT_GE(item, 0) << event;
        ASSERT_LE(item, items) << event;
        int handles = 3;
        if (item >= 1 && item <= triggers)
            handles = std::max(node.triggers[size_t(item - 1)]->repeat, 1);
        else if (item > triggers)
            handles = std::max(int(node.splines[size_t(item - triggers - 1)]->keys.size()), 1);
        ASSERT_GE(inspector->selectedHandle, 0) << event;
        ASSERT_LT(inspector->selectedHandle, handles) << event;
        if (inspector->textTarget) {
            std::string* target = inspector->textTarget;
            bool owned = inspector->typingNumber() || target == &node.name;
            for (const auto& trigger : node.triggers)
                owned = owned || target == &trigger->name || target == &trigger->value;
            for (const auto& spline : node.splines)
                owned = owned || target == &spline->name;
            ASSERT_TRUE(owned) << event;
            ASSERT_EQ(target->back(), '|') << event;
        }
        for (const auto& spline : node.splines)
            ASSERT_FALSE(spline->keys.empty()) << event << " no spline loses its last key";
        // The cursor mark goes with the typing: no text keeps it once typing has ended.
        if (!inspector->textTarget) {
            auto unmarked = [](const std::string& text) { return text.find('|') == text.npos; };
            for (const auto& each : script.nodes) {
                ASSERT_TRUE(unmarked(each->name)) << event << " " << each->name;
                for (const auto& trigger : each->triggers) {
                    ASSERT_TRUE(unmarked(trigger->name)) << event << " " << trigger->name;
                    ASSERT_TRUE(unmarked(trigger->value)) << event << " " << trigger->value;
                }
                for (const auto& spline : each->splines)
                    ASSERT_TRUE(unmarked(spline->name)) << event << " " << spline->name;
            }
        }
    }

    // The text without the typing cursor, which no key leaves in a name or value.
    static std::string uncursored(std::string text) {
        text.erase(std::remove(text.begin(), text.end(), '|'), text.end());
        return text;
    }

    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }
    float real(float low, float high) {
        return std::uniform_real_distribution<float>(low, high)(random);
    }

    std::mt19937 random{20240611};
};

TEST_F(InspectorPropertyTest, RandomKeysOverRandomScriptsKeepEveryIndexValid) {
    int event = 0;
    int nextScript = 0;
    int scripts = 0;
    while (event < 20000) {
        if (event >= nextScript && !inspector->textTarget) {
            randomScript();
            inspector->attach(&script);
            nextScript = event + 400;
            ++scripts;
        }
        Marquel::EventList list;
        for (int n = pick(1, 9); n > 0 && event < 20000; --n, ++event)
            list.append(randomEvent());
        script.edited = false;
        const std::string before = uncursored(script.save());
        inspector->handleEvents(list);
        expectValid(event);
        if (HasFatalFailure())
            return;
        // A missed edit would let a change on disk be loaded over it.
        if (uncursored(script.save()) != before) {
            ASSERT_TRUE(script.edited) << event;
        }
        if (event % 7 == 0) {
            EXPECT_NO_THROW(script.save()) << event;
        }
    }
    EXPECT_GE(scripts, 40);
}

} // namespace
