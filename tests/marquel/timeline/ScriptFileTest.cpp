// Reading and writing the script file: defaults, failures and the text written back.

#include "marquel/Script.h"
#include "xml/XmlException.h"

#include <gtest/gtest.h>

#include <string>

using Marquel::EffectNode;
using Marquel::Script;

namespace {

bool load(Script& script, const std::string& text) {
    return script.load(text.data(), static_cast<int>(text.size()));
}

const char* const FULL_SCRIPT = R"(<?xml version="1.0"?>
<script>
    <!-- a comment and stray text are ignored -->
    loose text
    <effect name="clear" start="0" end="12.5">
        <trigger name="color" value="0.1 0.2 0.3" start="0.5" repeat="4" delay="0.25"/>
        <spline name="alpha" type="bezier" timescale="2" timeoffset="-1" valuescale="0.5" valueoffset="3">
            <key time="0" value="1"/><key time="1" value="0"/><key time="2" value="1"/>
        </spline>
        <trigger name="texture" value='say "hi"'/>
        <effect name="torus" state="off" start="1" end="2">
            <effect name="inner" start="0.1" end="0.2"/>
            <trigger name="after" value="1"/>
        </effect>
        <unknown attribute="1"/>
    </effect>
    <effect end="30"><spline><key value="4"/></spline></effect>
</script>
)";

} // namespace

TEST(ScriptFileTest, LoadReadsTheWholeTree) {
    Script script;
    ASSERT_TRUE(load(script, FULL_SCRIPT));
    ASSERT_EQ(script.nodes.size(), 2u);
    EXPECT_FLOAT_EQ(script.endTime, 30);

    const EffectNode& clear = *script.nodes[0];
    EXPECT_EQ(clear.name, "clear");
    EXPECT_TRUE(clear.active);
    EXPECT_TRUE(clear.needsStart);
    EXPECT_FLOAT_EQ(clear.end, 12.5f);
    ASSERT_EQ(clear.triggers.size(), 2u);
    EXPECT_EQ(clear.triggers[0]->value, "0.1 0.2 0.3");
    EXPECT_FLOAT_EQ(clear.triggers[0]->start, 0.5f);
    EXPECT_EQ(clear.triggers[0]->repeat, 4);
    EXPECT_FLOAT_EQ(clear.triggers[0]->delay, 0.25f);
    EXPECT_EQ(clear.triggers[1]->value, "say \"hi\"");
    ASSERT_EQ(clear.splines.size(), 1u);
    EXPECT_EQ(clear.splines[0]->type, "bezier");
    EXPECT_FLOAT_EQ(clear.splines[0]->timeoffset, -1);
    ASSERT_EQ(clear.splines[0]->keys.size(), 3u);
    EXPECT_FLOAT_EQ(clear.splines[0]->keys[1].time, 1);
    ASSERT_EQ(clear.children.size(), 1u);
    EXPECT_FALSE(clear.children[0]->active);
    // An empty-element effect is a whole child: what follows it stays in its parent.
    EXPECT_EQ(clear.children[0]->triggers.size(), 1u);
    ASSERT_EQ(clear.children[0]->children.size(), 1u);
    EXPECT_EQ(clear.children[0]->children[0]->name, "inner");

    // Every attribute missing: empty names, zero times, scales of 1, an empty type.
    const EffectNode& bare = *script.nodes[1];
    EXPECT_EQ(bare.name, "");
    EXPECT_TRUE(bare.active);
    EXPECT_FLOAT_EQ(bare.start, 0);
    const Marquel::Spline& spline = *bare.splines[0];
    EXPECT_EQ(spline.name, "");
    EXPECT_EQ(spline.type, "");
    EXPECT_FLOAT_EQ(spline.timescale, 1);
    EXPECT_FLOAT_EQ(spline.valuescale, 1);
    EXPECT_FLOAT_EQ(spline.evaluate(5), 4);
}

TEST(ScriptFileTest, OnlyTheExactWordOffSwitchesANodeOff) {
    Script script;
    ASSERT_TRUE(load(script, R"(<script><effect state="off"/><effect state="Off"/>
        <effect state="0"/><effect state=""/><effect state="on"/></script>)"));
    ASSERT_EQ(script.nodes.size(), 5u);
    EXPECT_FALSE(script.nodes[0]->active);
    for (int i = 1; i < 5; ++i)
        EXPECT_TRUE(script.nodes[i]->active) << i;
}

TEST(ScriptFileTest, DelayIsReadOnlyWithARepeat) {
    Script script;
    ASSERT_TRUE(load(script, R"(<script><effect>
        <trigger repeat="3"/><trigger delay="2"/><trigger repeat="0" delay="1"/>
        <trigger repeat="" delay="5"/><trigger repeat=" 2x" delay="abc"/><trigger repeat="2" delay=""/>
        </effect></script>)"));
    const auto& triggers = script.nodes[0]->triggers;
    ASSERT_EQ(triggers.size(), 6u);
    struct Expected {
        int repeat;
        float delay;
    } expected[] = {{3, 0.1f}, {1, 0}, {0, 1}, {1, 0}, {2, 0}, {2, 0.1f}};
    for (size_t i = 0; i < triggers.size(); ++i) {
        EXPECT_EQ(triggers[i]->repeat, expected[i].repeat) << i;
        EXPECT_FLOAT_EQ(triggers[i]->delay, expected[i].delay) << i;
        EXPECT_EQ(triggers[i]->fired, 0);
    }
}

TEST(ScriptFileTest, ScalesFallBackToOneOnlyWhenMissingOrEmpty) {
    Script script;
    ASSERT_TRUE(load(script, R"(<script><effect>
        <spline timescale="abc" valuescale="" timeoffset="xyz" valueoffset=" 2.5kg"><key/></spline>
        <spline timescale="" valuescale="abc"><key/></spline>
        </effect></script>)"));
    const auto& splines = script.nodes[0]->splines;
    EXPECT_FLOAT_EQ(splines[0]->timescale, 0);
    EXPECT_FLOAT_EQ(splines[0]->valuescale, 1);
    EXPECT_FLOAT_EQ(splines[0]->timeoffset, 0);
    EXPECT_FLOAT_EQ(splines[0]->valueoffset, 2.5f);
    EXPECT_FLOAT_EQ(splines[1]->timescale, 1);
    EXPECT_FLOAT_EQ(splines[1]->valuescale, 0);
}

TEST(ScriptFileTest, KeysKeepFileOrderAndArePrepared) {
    Script script;
    ASSERT_TRUE(load(script, R"(<script><effect><spline type="smooth">
        <key time="2" value="5"/><key time="1" value="-7"/><key time="3" value="1"/>
        </spline></effect></script>)"));
    const Marquel::Spline& spline = *script.nodes[0]->splines[0];
    EXPECT_FLOAT_EQ(spline.keys[0].time, 2);
    EXPECT_FLOAT_EQ(spline.keys[1].time, 1);
    // The intervals are taken as they stand, -1 and 2, for the middle tangent.
    EXPECT_FLOAT_EQ(spline.keys[0].tangent, -12);
    EXPECT_FLOAT_EQ(spline.keys[1].tangent, -32);
    EXPECT_FLOAT_EQ(spline.keys[2].tangent, 8);
}

TEST(ScriptFileTest, SplineWithoutKeysStopsTheLoadAtItsTopLevelNode) {
    Script script;
    ASSERT_TRUE(load(script, R"(<script><effect name="first" end="5"/></script>)"));
    EXPECT_FALSE(load(script, R"(<script>
        <effect name="kept" end="40"/>
        <effect name="failing" end="50"><effect name="deep"><spline name="empty"/></effect></effect>
        <effect name="after" end="60"/>
        </script>)"));
    ASSERT_EQ(script.nodes.size(), 2u);
    EXPECT_EQ(script.nodes[0]->name, "first");
    EXPECT_EQ(script.nodes[1]->name, "kept");
    // The end time is only worked out after a load that succeeds.
    EXPECT_FLOAT_EQ(script.endTime, 5);
}

TEST(ScriptFileTest, FailedFirstLoadLeavesTheEndAtZero) {
    Script script;
    EXPECT_FALSE(
        load(script, R"(<script><effect end="9"/><effect end="4"><spline/></effect></script>)"));
    EXPECT_EQ(script.nodes.size(), 1u);
    EXPECT_FLOAT_EQ(script.endTime, 0);
    EXPECT_FALSE(script.update(0.01f));
}

TEST(ScriptFileTest, SecondFileAppendsAndTheEndCoversBoth) {
    Script script;
    ASSERT_TRUE(
        load(script, R"(<script><effect name="a" end="7"/><effect name="b" end="3"/></script>)"));
    ASSERT_TRUE(load(script, R"(<script><effect name="c" start="1" end="4"/></script>)"));
    EXPECT_FLOAT_EQ(script.endTime, 7);
    ASSERT_EQ(script.nodes.size(), 3u);
    EXPECT_EQ(script.nodes[2]->name, "c");
    ASSERT_TRUE(load(script, R"(<script><effect name="d" end="11"/></script>)"));
    EXPECT_FLOAT_EQ(script.endTime, 11);
}

TEST(ScriptFileTest, EndIsNeverBelowZero) {
    Script script;
    ASSERT_TRUE(load(script, "<script></script>"));
    EXPECT_FLOAT_EQ(script.endTime, 0);
    ASSERT_TRUE(load(script, R"(<script><effect start="-9" end="-2"/></script>)"));
    EXPECT_FLOAT_EQ(script.endTime, 0);
}

TEST(ScriptFileTest, OtherRootAddsNothing) {
    Script script;
    ASSERT_TRUE(load(script, R"(<script><effect end="3"/></script>)"));
    EXPECT_FALSE(load(script, R"(<scripts><effect end="8"/></scripts>)"));
    EXPECT_EQ(script.nodes.size(), 1u);
    EXPECT_FLOAT_EQ(script.endTime, 3);
}

TEST(ScriptFileTest, SyntaxErrorThrowsAndAddsNothing) {
    Script script;
    EXPECT_THROW(load(script, R"(<script><effect name="a" end="3"/><effect name=)"),
                 Xml::XmlException);
    EXPECT_TRUE(script.nodes.empty());
}

TEST(ScriptFileTest, SaveWritesDefaultsInAFixedOrder) {
    Script script;
    ASSERT_TRUE(load(script, R"(<script>
        <effect end="2" name="a" state="Off"><spline valueoffset="1" name="s"><key value="2" time="0.5"/></spline>
            <effect name="b" state="off" end="1"></effect><trigger value="v" name="t" repeat="0"/><trigger start="1" repeat="2"/>
            <trigger name="once"/>
        </effect></script>)"));
    EXPECT_EQ(script.save(), "<script>\n"
                             "\t<effect name=\"a\" start=\"0\" end=\"2\">\n"
                             "\t\t<trigger start=\"0\" name=\"t\" value=\"v\" repeat=\"0\" "
                             "delay=\"0.1\"/>\n"
                             "\t\t<trigger start=\"1\" name=\"\" value=\"\" repeat=\"2\" "
                             "delay=\"0.1\"/>\n"
                             // One firing, the default, needs neither repeat nor delay.
                             "\t\t<trigger start=\"0\" name=\"once\" value=\"\"/>\n"
                             "\t\t<spline name=\"s\" type=\"\" timescale=\"1\" timeoffset=\"0\" "
                             "valuescale=\"1\" valueoffset=\"1\">\n"
                             "\t\t\t<key time=\"0.5\" value=\"2\"/>\n"
                             "\t\t</spline>\n"
                             "\t\t<effect name=\"b\" state=\"off\" start=\"0\" end=\"1\"/>\n"
                             "\t</effect>\n"
                             "</script>\n");
}

TEST(ScriptFileTest, RefusalsNameTheRuleAndLineAndSavesReadBackAsLoaded) {
    Script script;
    EXPECT_FALSE(load(script, "<?xml version=\"1.0\"?>\n<timeline>\n</timeline>"));
    EXPECT_EQ(script.loadFault(), "its root element must be 'script', not 'timeline' (line 2)");
    EXPECT_FALSE(load(script, "<script>\n<effect>\n\n  <spline name=\"size\"/></effect></script>"));
    EXPECT_EQ(script.loadFault(),
              "every spline needs a key, and the spline 'size' in line 4 has none");

    // Effect number i opens on line i + 1.
    auto nested = [](int depth) {
        std::string text = "<script>";
        for (int i = 1; i <= depth; ++i)
            text += "\n<effect name=\"e" + std::to_string(i) + "\">";
        for (int i = 1; i <= depth; ++i)
            text += "</effect>";
        return text + "</script>";
    };
    Script deep;
    ASSERT_TRUE(load(deep, nested(1000)));
    EXPECT_TRUE(deep.loadFault().empty());
    EXPECT_FALSE(load(deep, nested(1001)));
    EXPECT_EQ(
        deep.loadFault(),
        "effects nest at most 1000 levels deep, and the effect 'e1001' in line 1002 is deeper");

    EXPECT_FALSE(load(deep, "<script>\n<effect name=\"e\" end=\"1e400\"/></script>"));
    EXPECT_EQ(deep.loadFault(), "an end must be a finite number, and the effect 'e' in line 2 "
                                "has '1e400'");

    // A trigger that never fires stays so, a count beyond an int is kept as it was read, and
    // a key moved to time 0 is not written "-0".
    ASSERT_TRUE(load(script, R"(<script><effect><trigger repeat="0" delay="3"/>
        <trigger repeat="99999999999" delay="1"/>
        <trigger repeat="-2"/><spline><key time="1"/></spline></effect></script>)"));
    script.nodes[0]->splines[0]->keys[0].time = -0.0f;
    // Its shortest decimal, 7.038531e-26, reads back through a double as its neighbour.
    script.nodes[0]->triggers[0]->start = 0x1.5c87fap-84f;
    const std::string saved = script.save();
    EXPECT_NE(saved.find("<key time=\"0\" value=\"0\"/>"), std::string::npos) << saved;
    EXPECT_NE(saved.find("repeat=\"99999999999\""), std::string::npos) << saved;
    Script reloaded;
    ASSERT_TRUE(load(reloaded, saved));
    const auto& triggers = reloaded.nodes[0]->triggers;
    EXPECT_EQ(triggers[0]->repeat, 0);
    EXPECT_EQ(triggers[0]->start, 0x1.5c87fap-84f);
    EXPECT_FLOAT_EQ(triggers[0]->delay, 3);
    EXPECT_EQ(triggers[1]->repeat, 2147483647);
    EXPECT_EQ(triggers[2]->repeat, -2);
    EXPECT_FLOAT_EQ(triggers[2]->delay, 0.1f);
}

TEST(ScriptFileTest, SaveLoadSaveGivesTheSameText) {
    Script first;
    ASSERT_TRUE(load(first, FULL_SCRIPT));
    std::string saved = first.save();
    Script second;
    ASSERT_TRUE(load(second, saved));
    EXPECT_EQ(second.save(), saved);
    EXPECT_FLOAT_EQ(second.endTime, first.endTime);
}

TEST(ScriptFileTest, EditedTreeIsSavedAsItNowStands) {
    Script script;
    ASSERT_TRUE(
        load(script, R"(<script><effect name="a" end="1"/><effect name="b" end="2"/></script>)"));
    std::swap(script.nodes[0], script.nodes[1]);
    script.nodes[0]->active = false;
    script.nodes[1]->children.push_back(std::make_unique<EffectNode>());
    EXPECT_EQ(script.save(), "<script>\n"
                             "\t<effect name=\"b\" state=\"off\" start=\"0\" end=\"2\"/>\n"
                             "\t<effect name=\"a\" start=\"0\" end=\"1\">\n"
                             "\t\t<effect name=\"new\" state=\"off\" start=\"0\" end=\"0\"/>\n"
                             "\t</effect>\n"
                             "</script>\n");
}

TEST(ScriptFileTest, TextTheFileCannotCarryFailsTheSave) {
    Script script;
    ASSERT_TRUE(
        load(script, R"(<script><effect name="a"><trigger value="it's"/></effect></script>)"));
    script.nodes[0]->triggers[0]->value = "it's \"quoted\"";
    EXPECT_THROW(script.save(), Xml::XmlException);
    script.nodes[0]->triggers[0]->value = "two\nlines";
    EXPECT_THROW(script.save(), Xml::XmlException);
}

// The tempo rides on the root and comes back from a save; a script without one, or one that
// older players wrote, reads and writes as before; a tempo that cannot be read is no tempo
// and is written back as it stood.
TEST(ScriptFileTest, TempoOnTheRootSurvivesASaveAndABadOneIsKeptAsRead) {
    Script script;
    ASSERT_TRUE(load(script, R"(<script bpm="128" firstbeat="0.5"><effect end="3"/></script>)"));
    EXPECT_FLOAT_EQ(script.bpm, 128);
    EXPECT_FLOAT_EQ(script.firstBeat, 0.5f);
    const std::string saved = script.save();
    EXPECT_EQ(saved.rfind("<script bpm=\"128\" firstbeat=\"0.5\">\n", 0), 0u) << saved;
    Script again;
    ASSERT_TRUE(load(again, saved));
    EXPECT_EQ(again.save(), saved);
    ASSERT_TRUE(load(again, R"(<script><effect end="4"/></script>)"));
    EXPECT_FLOAT_EQ(again.bpm, 128) << "a second file without a tempo keeps the first's";

    Script plain;
    ASSERT_TRUE(load(plain, R"(<script><effect end="3"/></script>)"));
    EXPECT_EQ(plain.save(), "<script>\n\t<effect name=\"\" start=\"0\" end=\"3\"/>\n</script>\n");

    for (const char* bad : {"-120", "fast", "1e9", "nan", "120x"}) {
        Script odd;
        const std::string text =
            std::string("<script bpm=\"") + bad + "\" firstbeat=\"1\"><effect end=\"3\"/></script>";
        ASSERT_TRUE(load(odd, text)) << bad;
        EXPECT_EQ(odd.bpm, 0) << bad;
        EXPECT_NE(odd.save().find(std::string("bpm=\"") + bad + "\" firstbeat=\"1\""),
                  std::string::npos)
            << bad;
    }
}
