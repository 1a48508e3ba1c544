// The demo script as the player reads it: every effect, trigger and spline kind it is meant
// to show, beats on the music's beats, sections on the music's sections.

#include "tools/DemoScript.h"
#include "marquel/Effect.h"
#include "marquel/Script.h"
#include "tools/Pictures.h"
#include "tools/Timing.h"
#include "xml/XmlParser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <set>
#include <string>

using namespace Content;

namespace {

// Calls visit for every node with its start on the demo clock and its depth (0 at the top).
void walk(const std::vector<std::unique_ptr<Marquel::EffectNode>>& nodes, float parentStart,
          int depth, const std::function<void(const Marquel::EffectNode&, float, int)>& visit) {
    for (const auto& node : nodes) {
        const float start = parentStart + node->start;
        visit(*node, start, depth);
        walk(node->children, start, depth + 1, visit);
    }
}

class DemoScriptTest : public testing::Test {
protected:
    void SetUp() override {
        text = DemoScript::script();
        ASSERT_TRUE(script.load(text.data(), int(text.size())));
    }

    std::string text;
    Marquel::Script script;
};

// What the script's triggers last told one effect, and how many beats it was given.
class StateEffect : public Marquel::Effect {
public:
    // As for the knot, a node's start shows what "toggle" hid.
    void start() override { last.erase("toggle"); }
    void trigger(float, const std::string& name, const std::string& value) override {
        last[name] = value;
        beats += name == "baseline";
    }
    void render(float, float, float) override { rendered = true; }

    std::map<std::string, std::string> last;
    int beats = 0;
    bool rendered = false;
};

// The demo script driving one StateEffect per effect name, frame by frame at 60 frames a
// second as the player would.
class Playback {
public:
    Playback() {
        const std::string text = DemoScript::script();
        EXPECT_TRUE(script.load(text.data(), int(text.size())));
        walk(script.nodes, 0, 0, [&](const Marquel::EffectNode& node, float, int) {
            script.addEffect(node.name, &effects[node.name]);
        });
    }

    // The frames after time up to and including time + seconds.
    void play(float time, float seconds) {
        const int frames = int(std::lround(seconds * 60));
        for (int i = 1; i <= frames; ++i)
            frame(time + float(i) / 60);
    }
    void frame(float time) {
        for (auto& entry : effects)
            entry.second.rendered = false;
        script.update(time);
    }

    Marquel::Script script;
    std::map<std::string, StateEffect> effects;
};

bool onBeat(float time) {
    const float beats = time / Timing::BEAT;
    return std::fabs(beats - std::round(beats)) < 1e-3f;
}

} // namespace

TEST_F(DemoScriptTest, EndsWhenTheMusicsTailHasRungOut) {
    EXPECT_FLOAT_EQ(script.endTime, Timing::END);
    // One node clears the screen first in every frame, in each section's colour from its start.
    std::vector<const Marquel::EffectNode*> clears;
    for (const auto& node : script.nodes)
        if (node->name == "quessa")
            clears.push_back(node.get());
    ASSERT_EQ(clears.size(), 1u);
    EXPECT_EQ(clears[0], script.nodes[0].get());
    EXPECT_FLOAT_EQ(clears[0]->end, Timing::END);
    ASSERT_EQ(clears[0]->triggers.size(), Timing::SECTIONS.size());
    for (size_t i = 0; i < Timing::SECTIONS.size(); ++i)
        EXPECT_FLOAT_EQ(clears[0]->triggers[i]->start, Timing::SECTIONS[i].start()) << i;
}

TEST_F(DemoScriptTest, ShowsEveryEffectTriggerAndSplineKind) {
    std::set<std::string> effects, triggers, splineTypes;
    int deepest = 0;
    walk(script.nodes, 0, 0, [&](const Marquel::EffectNode& node, float, int depth) {
        EXPECT_TRUE(node.active) << node.name;
        effects.insert(node.name);
        deepest = std::max(deepest, depth);
        for (const auto& trigger : node.triggers)
            triggers.insert(trigger->name);
        for (const auto& spline : node.splines)
            splineTypes.insert(spline->type);
    });
    const std::set<std::string> all = {"synch",     "quessa",    "kel cool",  "kel coolmouth",
                                       "kel back1", "kel back2", "kel back3", "kel back4",
                                       "kel boner", "torus",     "tolvy",     "star",
                                       "shader"};
    EXPECT_EQ(effects, all);
    for (const char* name :
         {"baseline", "color", "texture", "pq", "toggle", "new", "shader", "texture0"})
        EXPECT_EQ(triggers.count(name), 1u) << name;
    EXPECT_EQ(splineTypes, (std::set<std::string>{"smooth", "bezier", "linear", "square"}));
    // A seek back replays only top-level nodes: a nested one would keep its old values.
    EXPECT_EQ(deepest, 0) << "a node nested inside another";
}

TEST_F(DemoScriptTest, EveryBaselineFallsOnABeatInsideItsNode) {
    int firings = 0;
    walk(script.nodes, 0, 0, [&](const Marquel::EffectNode& node, float start, int) {
        for (const auto& trigger : node.triggers) {
            if (trigger->name != "baseline")
                continue;
            EXPECT_EQ(node.name, "synch");
            for (int k = 0; k < trigger->repeat; ++k) {
                const float local = trigger->start + k * trigger->delay;
                EXPECT_TRUE(onBeat(start + local)) << "baseline at " << start + local;
                EXPECT_LT(local, node.end - node.start) << "a baseline after its node ends";
                ++firings;
            }
        }
    });
    // The drums play in the build, both drops and the outro's first half; the break beats once
    // a bar.
    EXPECT_EQ(firings, 32 + 32 + 4 + 32 + 8);
}

TEST_F(DemoScriptTest, TriggerValuesAreWhatTheEffectsRead) {
    const std::set<std::string> pictures = {"mccool.png",     "mcboner.png", "mcbonertwist.png",
                                            "mcscroller.png", "mcstar.png",  "mcbrallor.png",
                                            "mcuniverse.png"};
    walk(script.nodes, 0, 0, [&](const Marquel::EffectNode& node, float, int) {
        for (const auto& trigger : node.triggers) {
            const std::string& value = trigger->value;
            if (trigger->name == "color") {
                EXPECT_EQ(value.size(), 9u) << node.name;
                EXPECT_EQ(value.find_first_not_of("0123456789"), std::string::npos) << value;
            } else if (trigger->name == "texture") {
                EXPECT_EQ(pictures.count(value), 1u) << value;
            } else if (trigger->name == "pq") {
                ASSERT_EQ(value.size(), 2u);
                EXPECT_TRUE(value[0] >= '1' && value[0] <= '9' && value[1] >= '1' &&
                            value[1] <= '9')
                    << value;
            }
        }
    });
}

TEST_F(DemoScriptTest, EveryPictureNodeNamesItsPictureAtItsStart) {
    // Otherwise a start mark past the node that set the picture shows a plain square.
    walk(script.nodes, 0, 0, [&](const Marquel::EffectNode& node, float start, int) {
        if (node.name.rfind("kel ", 0) != 0 && node.name != "star")
            return;
        bool named = false;
        for (const auto& trigger : node.triggers)
            named = named || (trigger->name == "texture" && trigger->start == 0);
        EXPECT_TRUE(named) << node.name << " at " << start;
    });
}

TEST_F(DemoScriptTest, EveryNodeSetsAllThatItsEffectIsGivenElsewhere) {
    // An effect keeps its values from node to node, so a node that leaves one out shows
    // whatever the node played before it left: after a seek back from the outro's fade the
    // characters of the earlier sections would stay faded out.
    std::map<std::string, std::vector<std::set<std::string>>> givenByNode;
    walk(script.nodes, 0, 0, [&](const Marquel::EffectNode& node, float, int) {
        // The shader effect keeps each node's values apart.
        if (node.name == "shader")
            return;
        std::set<std::string> given;
        for (const auto& trigger : node.triggers) {
            // "toggle" is undone by every node's start; "new" picks a colour.
            if (trigger->start == 0 && trigger->name != "toggle")
                given.insert(trigger->name == "new" ? "color" : trigger->name);
        }
        for (const auto& spline : node.splines)
            given.insert(spline->name + " spline");
        givenByNode[node.name].push_back(given);
    });
    for (const auto& [effect, nodes] : givenByNode) {
        std::set<std::string> all;
        for (const auto& given : nodes)
            all.insert(given.begin(), given.end());
        for (size_t n = 0; n < nodes.size(); ++n)
            for (const std::string& value : all)
                EXPECT_EQ(nodes[n].count(value), 1u)
                    << effect << " node " << n << " leaves out " << value;
    }
}

TEST(DemoSeekTest, ASeekBackPlaysOnAsIfPlayedStraightThere) {
    // From late in a section back into it, and across sections whose effects other sections
    // have changed since: the beats must come again and every effect on screen must hold
    // what its node told it. A beat later, firings that a seek sets off together have all
    // been overtaken by the ones played since.
    const struct { float from, to; } seeks[] = {{38, 26}, {60, 18}, {70, 42}, {50, 9}};
    for (const auto& seek : seeks) {
        Playback straight;
        straight.frame(0);
        straight.play(0, seek.to);
        Playback back;
        back.frame(0);
        back.play(0, seek.from);
        back.frame(seek.to);
        for (Playback* run : {&straight, &back}) {
            for (auto& entry : run->effects)
                entry.second.beats = 0;
            run->play(seek.to, 2);
        }
        EXPECT_EQ(back.effects["synch"].beats, straight.effects["synch"].beats)
            << "beats after a seek from " << seek.from << " to " << seek.to;
        for (auto& [name, effect] : straight.effects) {
            if (!effect.rendered)
                continue;
            EXPECT_TRUE(back.effects[name].rendered) << name;
            EXPECT_EQ(back.effects[name].last, effect.last)
                << name << " after a seek from " << seek.from << " to " << seek.to;
        }
    }
}

TEST_F(DemoScriptTest, SplinesStayFiniteAndInRange) {
    walk(script.nodes, 0, 0, [&](const Marquel::EffectNode& node, float, int) {
        for (const auto& spline : node.splines) {
            for (float t = 0; t <= node.end - node.start; t += 0.05f) {
                const float v = spline->evaluate(t);
                ASSERT_TRUE(std::isfinite(v)) << node.name << " " << spline->name << " at " << t;
                if (spline->name == "alpha") {
                    EXPECT_TRUE(v >= 0 && v <= 10) << node.name << " alpha " << v;
                } else if (spline->name == "size") {
                    EXPECT_TRUE(v >= 0 && v <= 100) << node.name << " size " << v;
                }
            }
        }
    });
}

TEST_F(DemoScriptTest, GreetingsPassAboveTheGuyTheBreakOpensWholeTheOutroShrinksSmoothly) {
    const auto value = [](const Marquel::EffectNode& node, const char* name, float time) {
        for (const auto& spline : node.splines)
            if (spline->name == name)
                return spline->evaluate(time - node.start) * 0.1f;
        return 0.0f;
    };
    // In half sizes from the centres: the box's lowest row, the guy's highest point swung by
    // his 8 degrees either way.
    const Canvas box = Pictures::scroller(), guy = Pictures::cool();
    float boxBottom = 1, quiff = -1;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const float u = std::fabs(x / 128.0f - 1), v = 1 - y / 128.0f;
            if (guy.at(x, y).a > 0.5f)
                quiff = std::max({quiff, v, u * std::sin(0.14f) + v * std::cos(0.14f)});
            if (box.at(2 * x, 2 * y).a > 0)
                boxBottom = v;
        }
    for (const auto& a : script.nodes)
        for (const auto& b : script.nodes)
            for (float t = std::max(a->start, b->start);
                 a->name == "kel coolmouth" && b->name == "kel cool" &&
                 t < std::min(a->end, b->end);
                 t += 0.5f)
                EXPECT_GT(value(*a, "y", t) + value(*a, "size", t) * boxBottom,
                          value(*b, "y", t) + value(*b, "size", t) * quiff)
                    << "the greetings cover the guy at " << t << " s";
    for (const auto& node : script.nodes) {
        if (node->start == Timing::SECTIONS[3].start() && node->name != "star") {
            EXPECT_GE(value(*node, node->name == "kel back4" ? "alpha" : "size", node->start), 0.9f)
                << node->name;
        }
        for (float t = node->start; node->name == "kel cool" &&
                                    node->start == Timing::SECTIONS[5].start() && t < node->end;
             t += 1.0f / 60)
            EXPECT_LT(std::fabs(value(*node, "size", t + 1.0f / 60) - value(*node, "size", t)),
                      0.1f)
                << "the outro's guy jumps in size at " << t << " s";
    }
}

TEST_F(DemoScriptTest, SavesBackTheSameTree) {
    Marquel::Script again;
    const std::string saved = script.save();
    ASSERT_TRUE(again.load(saved.data(), int(saved.size())));
    EXPECT_EQ(again.save(), saved);
    EXPECT_FLOAT_EQ(again.endTime, script.endTime);
}

TEST(DemoConfigurationTest, OpensAWindowedOpenGLPlayerOnTheTrackAndScript) {
    const std::string text = DemoScript::configuration();
    Xml::XmlParser document;
    document.parse(text.data(), int(text.size()));
    ASSERT_EQ(document.getName(), "demo");
    std::map<std::string, Xml::XmlTag> elements;
    Xml::IteratorConst it = static_cast<const Xml::XmlParser&>(document).getChildren();
    while (++it)
        if (it->getTagType() == Xml::TT_NORMAL)
            elements[it->getName()] = *it;
    ASSERT_EQ(elements.size(), 5u);
    EXPECT_EQ(elements["window"].getAttribute("type"), "opengl");
    EXPECT_EQ(elements["window"].getAttribute("mode"), "windowed");
    EXPECT_EQ(elements["window"].getIntAttribute("width"), 1280);
    EXPECT_EQ(elements["window"].getIntAttribute("height"), 720);
    EXPECT_EQ(elements["music"].getAttribute("file"), DemoScript::MUSIC_FILE);
    EXPECT_EQ(elements["script"].getAttribute("file"), DemoScript::SCRIPT_FILE);
    EXPECT_EQ(elements["time"].getAttribute("start"), "0");
    EXPECT_EQ(elements["hud"].getAttribute("mini"), "off");
}
