// Editing the live script from the keyboard: inserting, swapping and deleting, the value
// edits of edit mode, typing names, and a save of the edited script.

#include "InspectorFixture.h"
#include "xml/XmlException.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ios>

using inspector_test::infoEvent;
using inspector_test::InspectorFixture;
using inspector_test::keyEvent;

namespace {

constexpr float STEP = 40.0f / 398;

using InspectorEditTest = InspectorFixture;

TEST_F(InspectorEditTest, CtrlF4AddsASplineOverTheNodesSpan) {
    addNode("fx", 10, 20);
    inspector->attach(&script);
    ctrl(SDLK_F4);
    const Marquel::EffectNode& node = *script.nodes[0];
    ASSERT_EQ(node.splines.size(), 1u);
    const Marquel::Spline& spline = *node.splines[0];
    EXPECT_EQ(spline.name, "new");
    EXPECT_EQ(spline.type, "smooth");
    ASSERT_EQ(spline.keys.size(), 3u);
    EXPECT_FLOAT_EQ(spline.keys[0].time, 0);
    EXPECT_FLOAT_EQ(spline.keys[0].value, 0);
    EXPECT_FLOAT_EQ(spline.keys[1].time, 5);
    EXPECT_FLOAT_EQ(spline.keys[1].value, 1);
    EXPECT_FLOAT_EQ(spline.keys[2].time, 10);
    EXPECT_FLOAT_EQ(spline.keys[2].value, 0);
    EXPECT_FLOAT_EQ(spline.max, 1) << "prepared";
    EXPECT_TRUE(inspector->expanded[0]);
    EXPECT_FLOAT_EQ(spline.evaluate(5), 1);
}

TEST_F(InspectorEditTest, NodesAddedBehindTheInspectorAreDrawnOnTheNextFrame) {
    inspector->attach(&script); // empty: nothing selected, nothing expanded
    addNode("fx", 0, 10);
    addTrigger(addNode("fx", 2, 4), 1);
    feed({infoEvent(1)}); // a frame without keys still redraws the list
    EXPECT_EQ(inspector->expanded.size(), 2u);
    ctrl(SDLK_F3); // and the keys find the new nodes
    EXPECT_EQ(script.nodes[0]->triggers.size(), 1u);
}

TEST_F(InspectorEditTest, StructureKeysAddTriggersAndNodesAtTheCursor) {
    addNode("fx", 10, 20);
    inspector->attach(&script);
    feed({inspector_test::infoEvent(14)});
    ctrl(SDLK_F3);
    ASSERT_EQ(script.nodes[0]->triggers.size(), 1u);
    EXPECT_FLOAT_EQ(script.nodes[0]->triggers[0]->start, 4);
    EXPECT_EQ(script.nodes[0]->triggers[0]->repeat, 1);
    ctrl(SDLK_INSERT);
    ASSERT_EQ(script.nodes.size(), 2u);
    EXPECT_EQ(script.nodes[0]->name, "new");
    EXPECT_FALSE(script.nodes[0]->active);
    EXPECT_FLOAT_EQ(script.nodes[0]->start, 14);
    EXPECT_FLOAT_EQ(script.nodes[0]->end, 24);
    EXPECT_EQ(inspector->expanded, std::vector<bool>({false, true})) << "flags follow";
    ctrl(SDLK_o);
    EXPECT_TRUE(script.nodes[0]->active);
}

TEST_F(InspectorEditTest, NewTriggersAndSplinesTakeTheSelectedRowsPlace) {
    Marquel::EffectNode& node = addNode("fx", 10, 20);
    addTrigger(node, 1).name = "first";
    addTrigger(node, 2).name = "second";
    addSpline(node, {{0, 0, 0}}).name = "one";
    addSpline(node, {{0, 0, 0}}).name = "two";
    inspector->attach(&script);
    feed({infoEvent(4)}); // the cursor lies before the node starts
    press({SDLK_RIGHT, SDLK_DOWN, SDLK_DOWN});
    ctrl(SDLK_F3);
    ASSERT_EQ(node.triggers.size(), 3u);
    EXPECT_EQ(node.triggers[0]->name, "first");
    EXPECT_EQ(node.triggers[1]->name, "new") << "in the selected trigger's place";
    EXPECT_FLOAT_EQ(node.triggers[1]->start, 0) << "never before the node's start";
    EXPECT_EQ(node.triggers[2]->name, "second");
    press({SDLK_DOWN, SDLK_DOWN}); // the first spline, below the three triggers
    ctrl(SDLK_F4);
    ASSERT_EQ(node.splines.size(), 3u);
    EXPECT_EQ(node.splines[0]->name, "new") << "in the selected spline's place";
    EXPECT_EQ(node.splines[1]->name, "one");
    EXPECT_EQ(node.splines[2]->name, "two");
}

TEST_F(InspectorEditTest, HandleOneMovesTheSpanAndHandleTwoOnlyTheEnd) {
    Marquel::EffectNode& node = addNode("fx", 10, 20);
    inspector->attach(&script);
    Marquel::Event fullScreen = keyEvent(SDLK_RETURN);
    fullScreen.alt = true;
    feed({fullScreen});
    EXPECT_FALSE(inspector->editMode) << "Alt+Return switches the full screen only";
    press({SDLK_RETURN, SDLK_RIGHT});
    EXPECT_TRUE(inspector->editMode);
    EXPECT_EQ(inspector->selectedHandle, 1);
    ctrl(SDLK_RIGHT);
    EXPECT_FLOAT_EQ(node.start, 10 + STEP);
    EXPECT_FLOAT_EQ(node.end, 20 + STEP);
    press({SDLK_RIGHT, SDLK_RIGHT});
    EXPECT_EQ(inspector->selectedHandle, 2) << "no handle past the end";
    ctrl(SDLK_RIGHT);
    EXPECT_FLOAT_EQ(node.start, 10 + STEP);
    EXPECT_FLOAT_EQ(node.end, 20 + 2 * STEP);
    press({SDLK_LEFT});
    ctrl(SDLK_LEFT);
    EXPECT_FLOAT_EQ(node.start, 10) << "handle one moves the span back";
    EXPECT_FLOAT_EQ(node.end, 20 + STEP);
    press({SDLK_RIGHT});
    // The end never goes below the start, nor the start below 0.
    node.start = 0.05f;
    node.end = 0.1f;
    ctrl(SDLK_LEFT);
    EXPECT_FLOAT_EQ(node.end, 0.1f);
    press({SDLK_LEFT, SDLK_LEFT});
    ctrl(SDLK_LEFT);
    EXPECT_FLOAT_EQ(node.start, 0);
    press({SDLK_UP, SDLK_DOWN});
    EXPECT_EQ(inspector->selectedNode, 0) << "no navigation in edit mode";
    press({SDLK_RETURN});
    EXPECT_FALSE(inspector->editMode);
    EXPECT_EQ(inspector->selectedHandle, 0);
}

// A refused move leaves the time exactly as it was: subtracting the step again after adding
// it rounds differently near 0, and every refused press would walk the saved time away.
TEST_F(InspectorEditTest, RefusedSpanMovesLeaveTheTimesBitForBit) {
    Marquel::EffectNode& node = addNode("fx", 0.01f, 0.05f);
    inspector->attach(&script);
    press({SDLK_RETURN});
    for (int i = 0; i < 5; ++i)
        ctrl(SDLK_RIGHT); // the start would pass the end
    EXPECT_EQ(node.start, 0.01f) << std::hexfloat << node.start;
    node.start = 0.005f;
    node.end = 0.01f;
    press({SDLK_RIGHT, SDLK_RIGHT});
    for (int i = 0; i < 5; ++i)
        ctrl(SDLK_LEFT); // the end would fall below the start
    EXPECT_EQ(node.end, 0.01f) << std::hexfloat << node.end;
    EXPECT_EQ(node.start, 0.005f);
}

TEST_F(InspectorEditTest, DelayMovesByAStepOverTheFiringsIndex) {
    Marquel::EffectNode& node = addNode("fx", 0, 20);
    Marquel::Trigger& trigger = addTrigger(node, 1, 3, 1);
    inspector->attach(&script);
    press({SDLK_RIGHT, SDLK_DOWN, SDLK_RETURN, SDLK_RIGHT, SDLK_RIGHT, SDLK_RIGHT});
    EXPECT_EQ(inspector->selectedHandle, 2) << "up to repeat - 1";
    ctrl(SDLK_RIGHT);
    EXPECT_FLOAT_EQ(trigger.delay, 1 + STEP / 2);
    EXPECT_FLOAT_EQ(trigger.start + 2 * trigger.delay, 3 + STEP) << "the third firing moved";
    trigger.delay = 1.25f * STEP;
    ctrl(SDLK_LEFT);
    EXPECT_FLOAT_EQ(trigger.delay, 0.75f * STEP) << "the third firing is still past one step";
    trigger.delay = 0.06f;
    ctrl(SDLK_LEFT);
    EXPECT_FLOAT_EQ(trigger.delay, STEP / 2) << "k * delay never below one step";
    press({SDLK_LEFT, SDLK_LEFT});
    ctrl(SDLK_LEFT);
    EXPECT_FLOAT_EQ(trigger.start, 1 - STEP);
    trigger.start = 0.05f;
    ctrl(SDLK_LEFT);
    EXPECT_FLOAT_EQ(trigger.start, 0) << "never before the node's start";
    press({SDLK_DELETE, SDLK_DELETE, SDLK_DELETE});
    EXPECT_EQ(trigger.repeat, 1) << "a trigger keeps its one firing";
    press({SDLK_INSERT});
    EXPECT_EQ(trigger.repeat, 2);
    EXPECT_FLOAT_EQ(trigger.delay, 40.0f * 5 / 398);
    trigger.delay = 0.75f;
    press({SDLK_INSERT});
    EXPECT_EQ(trigger.repeat, 3);
    EXPECT_FLOAT_EQ(trigger.delay, 0.75f) << "only the second firing brings a fresh delay";
}

TEST_F(InspectorEditTest, CtrlUpSwapsAndTheSelectionFollowsTheMovedNode) {
    Marquel::EffectNode& first = addNode("a", 0, 10);
    addTrigger(first, 0);
    addTrigger(first, 1);
    Marquel::EffectNode& second = addNode("b", 10, 20);
    addTrigger(second, 0);
    addSpline(second, {{0, 0, 0}, {1, 1, 0}, {2, 0, 0}});
    inspector->attach(&script);
    ctrl(SDLK_UP);
    EXPECT_EQ(script.nodes[0]->name, "a") << "the first node has nothing above it";
    press({SDLK_DOWN});
    ctrl(SDLK_UP);
    EXPECT_EQ(script.nodes[0]->name, "b");
    EXPECT_EQ(script.nodes[1]->name, "a");
    EXPECT_EQ(inspector->selectedNode, 0);
    EXPECT_EQ(inspector->selectedItem, 0);

    // With the first position expanded the selection lands on the moved node's last row.
    press({SDLK_DOWN, SDLK_UP, SDLK_RIGHT, SDLK_DOWN, SDLK_DOWN, SDLK_DOWN});
    ASSERT_EQ(inspector->selectedNode, 1);
    ASSERT_EQ(inspector->selectedItem, 0);
    ctrl(SDLK_UP);
    EXPECT_EQ(script.nodes[0]->name, "a");
    EXPECT_EQ(inspector->selectedNode, 0);
    EXPECT_EQ(inspector->selectedItem, 2) << "a's two triggers under the expanded position";
    EXPECT_EQ(inspector->expanded, std::vector<bool>({true, false}));
}

TEST_F(InspectorEditTest, CtrlDownSwapsWithTheNextNodeAndStopsAtTheLast) {
    addNode("a", 0, 10);
    addNode("b", 10, 20);
    addNode("c", 20, 30);
    inspector->attach(&script);
    ctrl(SDLK_DOWN);
    EXPECT_EQ(script.nodes[0]->name, "b");
    EXPECT_EQ(script.nodes[1]->name, "a");
    EXPECT_EQ(inspector->selectedNode, 1) << "the selection follows the moved node";
    ctrl(SDLK_DOWN);
    ctrl(SDLK_DOWN);
    ASSERT_EQ(script.nodes.size(), 3u);
    EXPECT_EQ(script.nodes[2]->name, "a");
    EXPECT_EQ(script.nodes[1]->name, "c");
    EXPECT_EQ(inspector->selectedNode, 2) << "the last node has nothing below it";
}

TEST_F(InspectorEditTest, RenamedNodeFindsItsEffectFromTheNextFrame) {
    addNode("x", 0, 20, true);
    script.endTime = 20;
    inspector->attach(&script);
    script.update(1);
    EXPECT_EQ(effect.renders, 0);
    EXPECT_EQ(at(150, 31), 0xcc550000u) << "No Callback";
    ctrl(SDLK_n);
    ASSERT_EQ(inspector->textTarget, &script.nodes[0]->name);
    EXPECT_EQ(script.nodes[0]->name, "x|");
    press({SDLK_BACKSPACE, SDLK_f, SDLK_LSHIFT, SDLK_x});
    EXPECT_EQ(script.nodes[0]->name, "fx|");
    press({SDLK_RETURN});
    EXPECT_EQ(inspector->textTarget, nullptr);
    EXPECT_EQ(script.nodes[0]->name, "fx");
    EXPECT_FALSE(inspector->editMode) << "the Enter that ends typing does nothing else";
    script.update(2);
    EXPECT_EQ(effect.renders, 1);
    EXPECT_EQ(at(150, 31), 0xcc4477ccu);
}

TEST_F(InspectorEditTest, TypingTakesLettersDigitsAndPunctuationButNeverBothQuotes) {
    Marquel::EffectNode& node = addNode("fx", 0, 20);
    Marquel::Trigger& trigger = addTrigger(node, 0);
    inspector->attach(&script);
    press({SDLK_RIGHT, SDLK_DOWN});
    ctrl(SDLK_v);
    ASSERT_EQ(inspector->textTarget, &trigger.value);
    press({'A', 'z', '0', ' ', '\'', '"', '[', '|', '~', SDLK_TAB, SDLK_UP});
    EXPECT_EQ(trigger.value, "Az0 '|");
    press({SDLK_BACKSPACE, '"'});
    EXPECT_EQ(trigger.value, "Az0 \"|");
    press({SDLK_BACKSPACE, SDLK_BACKSPACE, SDLK_BACKSPACE, SDLK_BACKSPACE, SDLK_BACKSPACE,
           SDLK_BACKSPACE});
    EXPECT_EQ(trigger.value, "|");
    press({'\'', SDLK_RETURN});
    EXPECT_EQ(trigger.value, "'");
    EXPECT_EQ(inspector->selectedItem, 1) << "keys while typing do not navigate";
    EXPECT_NO_THROW(script.save());
}

TEST_F(InspectorEditTest, SplineKeysMoveUpToTheirNeighboursAndKeepTheirLastKeys) {
    Marquel::EffectNode& node = addNode("fx", 0, 20);
    Marquel::Spline& spline = addSpline(node, {{0, 0, 0}, {0.05f, 1, 0}, {10, 0, 0}});
    spline.type = "linear";
    inspector->attach(&script);
    press({SDLK_RIGHT, SDLK_DOWN, SDLK_RETURN});
    ctrl(SDLK_RIGHT);
    EXPECT_FLOAT_EQ(spline.keys[0].time, 0) << "would pass the next key";
    EXPECT_EQ(inspector->selectedHandle, 1);
    ctrl(SDLK_LEFT);
    EXPECT_FLOAT_EQ(spline.keys[1].time, 0) << "stops at 0, level with the first key";
    ctrl(SDLK_UP);
    EXPECT_FLOAT_EQ(spline.keys[1].value, 2);
    EXPECT_FLOAT_EQ(spline.max, 2) << "prepared after the edit";
    press({SDLK_INSERT});
    ASSERT_EQ(spline.keys.size(), 4u);
    EXPECT_FLOAT_EQ(spline.keys[2].time, 5);
    EXPECT_FLOAT_EQ(spline.keys[2].value, 1) << "on the curve halfway";
    EXPECT_EQ(inspector->selectedHandle, 2);
    press({SDLK_DELETE, SDLK_DELETE, SDLK_DELETE});
    EXPECT_EQ(spline.keys.size(), 2u) << "edit mode takes keys while 3 or more are left";
    EXPECT_EQ(inspector->selectedHandle, 0);
    press({SDLK_RETURN});
    ctrl(SDLK_t);
    EXPECT_EQ(spline.type, "bezier");
    spline.keys.push_back({20, 0, 0});
    spline.keys.push_back({30, 0, 0});
    ctrl(SDLK_DELETE);
    EXPECT_EQ(spline.keys.size(), 3u) << "from 4 keys the row loses its last key";
    ctrl(SDLK_DELETE);
    EXPECT_TRUE(node.splines.empty());
    EXPECT_EQ(inspector->selectedItem, 0);
}

TEST_F(InspectorEditTest, KeyStepsAreOnePixelAndOneUnitOfTheCurvesOutput) {
    Marquel::EffectNode& node = addNode("fx", 0, 20);
    Marquel::Spline& spline = addSpline(node, {{0, 0, 0}, {5, 1, 0}, {10, 0, 0}});
    spline.timescale = 2;
    spline.valuescale = 0.5f;
    inspector->attach(&script);
    press({SDLK_RIGHT, SDLK_DOWN, SDLK_RETURN, SDLK_RIGHT});
    ctrl(SDLK_UP);
    EXPECT_FLOAT_EQ(spline.keys[1].value, 3);
    ctrl(SDLK_DOWN);
    ctrl(SDLK_DOWN);
    EXPECT_FLOAT_EQ(spline.keys[1].value, -1);
    ctrl(SDLK_RIGHT);
    EXPECT_FLOAT_EQ(spline.keys[1].time, 5 + STEP / 2);
    ctrl(SDLK_LEFT);
    ctrl(SDLK_LEFT);
    EXPECT_FLOAT_EQ(spline.keys[1].time, 5 - STEP / 2);
}

TEST_F(InspectorEditTest, KeyInsertedAfterTheLastKeyFollowsItByFivePixels) {
    Marquel::EffectNode& node = addNode("fx", 0, 20);
    Marquel::Spline& spline = addSpline(node, {{0, 0, 0}, {5, 2, 0}, {10, 3, 0}});
    inspector->attach(&script);
    press({SDLK_RIGHT, SDLK_DOWN, SDLK_RETURN, SDLK_RIGHT, SDLK_RIGHT, SDLK_INSERT});
    ASSERT_EQ(spline.keys.size(), 4u);
    EXPECT_FLOAT_EQ(spline.keys[3].time, 10 + 5 * STEP);
    EXPECT_FLOAT_EQ(spline.keys[3].value, 3) << "the curve holds on level";
    EXPECT_FLOAT_EQ(spline.keys[2].time, 10);
    EXPECT_EQ(inspector->selectedHandle, 3);
}

// Edits never put a value into the script that is not a number: the keys, the curve fed
// to the effect and the saved file would all carry it on.
TEST_F(InspectorEditTest, KeyInsertedBetweenKeysAtOneTimeGetsAFiniteValue) {
    Marquel::EffectNode& node = addNode("fx", 0, 20);
    Marquel::Spline& spline = addSpline(node, {{0, 0, 0}, {5, 1, 0}, {10, 0, 0}});
    inspector->attach(&script);
    press({SDLK_RIGHT, SDLK_DOWN, SDLK_RETURN, SDLK_RIGHT});
    for (int i = 0; i < 60; ++i)
        ctrl(SDLK_LEFT);
    ASSERT_EQ(spline.keys[1].time, 0) << "stopped at 0, level with the first key";
    press({SDLK_LEFT, SDLK_INSERT});
    ASSERT_EQ(spline.keys.size(), 4u);
    EXPECT_EQ(spline.keys[1].time, 0);
    EXPECT_TRUE(std::isfinite(spline.keys[1].value)) << spline.keys[1].value;
    EXPECT_GE(spline.keys[1].value, 0);
    EXPECT_LE(spline.keys[1].value, 1) << "between its neighbours";
    EXPECT_FLOAT_EQ(spline.keys[1].value, 0.5f) << "halfway, as the curve has no value there";
    EXPECT_TRUE(std::isfinite(spline.evaluate(5))) << "the curve after the keys stays defined";
    EXPECT_EQ(script.save().find("nan"), std::string::npos);
}

TEST_F(InspectorEditTest, MovesThatWouldOverflowUnderATinyScaleAreNotMade) {
    Marquel::EffectNode& node = addNode("fx", 0, 20);
    Marquel::Spline& spline = addSpline(node, {{0, 0, 0}, {5, 1, 0}, {10, 0, 0}});
    spline.valuescale = 1e-40f; // a scale read from a file: tiny, yet not 0
    spline.timescale = 1e-40f;
    inspector->attach(&script);
    press({SDLK_RIGHT, SDLK_DOWN, SDLK_RETURN, SDLK_RIGHT, SDLK_RIGHT});
    ctrl(SDLK_UP);
    ctrl(SDLK_DOWN);
    ctrl(SDLK_RIGHT);
    ctrl(SDLK_LEFT);
    for (const Marquel::SplineKey& key : spline.keys) {
        EXPECT_TRUE(std::isfinite(key.time)) << key.time;
        EXPECT_TRUE(std::isfinite(key.value)) << key.value;
    }
    EXPECT_EQ(script.save().find("inf"), std::string::npos);
}

// At 140 beats a minute a grid step is 60 / 560 s, no binary fraction: steps added one to
// another would miss the whole seconds on the beat, which must be saved as "3", not 2.99….
TEST_F(InspectorEditTest, OnTheGridMovesLandOnItsTimesAndSaveAsTheShortestDecimal) {
    Marquel::EffectNode& node = addNode("fx", 4, 20);
    Marquel::Trigger& trigger = addTrigger(node, 2.95f, 2, 2.9f);
    Marquel::Spline& spline = addSpline(node, {{0, 0, 0}, {5.9f, 1, 0}, {10, 0, 0}});
    script.endTime = 20;
    inspector->attach(&script);
    inspector->grid.bpm = 140;
    inspector->grid.proposed = true;
    press({SDLK_g, SDLK_RETURN});
    EXPECT_TRUE(script.bpm == 140 && script.edited) << "snapping accepts a proposed tempo";
    for (int i = 0; i < 10; ++i)
        ctrl(SDLK_LEFT);
    EXPECT_EQ(node.start, 3.0f) << std::hexfloat << node.start;
    press({SDLK_RETURN, SDLK_RIGHT, SDLK_DOWN, SDLK_RETURN});
    ctrl(SDLK_RIGHT); // the first firing from 5.95 s to 6 s
    press({SDLK_RIGHT});
    ctrl(SDLK_RIGHT); // the second from 8.9 s to 9 s
    EXPECT_EQ(trigger.start, 3.0f);
    EXPECT_EQ(trigger.delay, 3.0f);
    press({SDLK_RETURN, SDLK_DOWN, SDLK_RETURN, SDLK_RIGHT});
    ctrl(SDLK_RIGHT);
    EXPECT_EQ(spline.keys[1].time, 6.0f);
    const std::string saved = script.save();
    for (const char* exact : {"start=\"3\"", "delay=\"3\"", "time=\"6\"", "bpm=\"140\""})
        EXPECT_NE(saved.find(exact), std::string::npos) << exact << " in " << saved;
    press({SDLK_g});
    ctrl(SDLK_RIGHT);
    EXPECT_FLOAT_EQ(spline.keys[1].time, 6 + STEP) << "without snapping a column, as before";
    // A typed time is the demo's; the trigger keeps it on its node's clock.
    press({SDLK_RETURN, SDLK_UP});
    ctrl(SDLK_e);
    press({'7', '.', '5', SDLK_RETURN});
    EXPECT_EQ(trigger.start, 4.5f);
    ctrl(SDLK_e);
    press({'7', '-', SDLK_RETURN});
    EXPECT_EQ(trigger.start, 4.5f) << "no number, no change";
    feed({infoEvent(5)});
    press({SDLK_l});
    EXPECT_TRUE(inspector->looping && inspector->loopStart <= 5 && 5 < inspector->loopEnd);
    EXPECT_FLOAT_EQ(inspector->loopEnd - inspector->loopStart, 4 * 60.0f / 140);
    // The third bar's start rounds down as a float: standing there loops that bar.
    const float barThree = static_cast<float>(36.0 / 7);
    feed({infoEvent(barThree)});
    press({SDLK_l, SDLK_l});
    EXPECT_EQ(inspector->loopStart, barThree);
}

TEST_F(InspectorEditTest, RepeatAtTheLargestCountStaysPositive) {
    Marquel::EffectNode& node = addNode("fx", 0, 20);
    Marquel::Trigger& trigger = addTrigger(node, 1, 2147483647, 1);
    inspector->attach(&script);
    press({SDLK_RIGHT, SDLK_DOWN, SDLK_RETURN, SDLK_INSERT});
    EXPECT_EQ(trigger.repeat, 2147483647) << "one more firing than an int holds is none";
}

TEST_F(InspectorEditTest, DeletingEverythingLeavesAnEmptyListThatStillTakesANewNode) {
    Marquel::EffectNode& node = addNode("fx", 0, 20);
    addTrigger(node, 0);
    addNode("fx", 5, 10);
    inspector->attach(&script);
    press({SDLK_DOWN});
    ctrl(SDLK_DELETE);
    EXPECT_EQ(inspector->selectedNode, 0) << "the last node's place went";
    press({SDLK_RIGHT, SDLK_DOWN});
    ctrl(SDLK_DELETE);
    EXPECT_EQ(inspector->selectedItem, 0);
    ctrl(SDLK_DELETE);
    EXPECT_TRUE(script.nodes.empty());
    EXPECT_TRUE(inspector->expanded.empty());
    for (int key : {SDLK_DELETE, SDLK_F3, SDLK_F4, SDLK_o, SDLK_t, SDLK_n, SDLK_v, SDLK_UP})
        ctrl(key);
    press({SDLK_DOWN, SDLK_RIGHT, SDLK_RETURN, SDLK_RIGHT, SDLK_INSERT, SDLK_DELETE});
    EXPECT_EQ(inspector->textTarget, nullptr);
    press({SDLK_RETURN});
    ctrl(SDLK_F2);
    ASSERT_EQ(script.nodes.size(), 1u);
    EXPECT_EQ(inspector->selectedNode, 0);
    EXPECT_EQ(inspector->expanded.size(), 1u);
}

TEST_F(InspectorEditTest, DeletedNodeTakesItsExpandedFlagAlong) {
    addNode("a", 0, 10);
    addNode("b", 10, 20);
    addNode("c", 20, 30);
    inspector->attach(&script);
    press({SDLK_DOWN, SDLK_DOWN, SDLK_RIGHT, SDLK_UP, SDLK_UP});
    ASSERT_EQ(inspector->expanded, std::vector<bool>({false, false, true}));
    ctrl(SDLK_DELETE);
    ASSERT_EQ(script.nodes.size(), 2u);
    EXPECT_EQ(script.nodes[1]->name, "c");
    EXPECT_EQ(inspector->expanded, std::vector<bool>({false, true})) << "c stays open";
}

TEST_F(InspectorEditTest, KeypadZoomsInFiveSecondStepsDownToFive) {
    inspector->attach(&script);
    inspector->windowLength = 10;
    press({SDLK_KP_PLUS});
    EXPECT_FLOAT_EQ(inspector->windowLength, 5);
    press({SDLK_KP_PLUS});
    EXPECT_FLOAT_EQ(inspector->windowLength, 5);
    press({SDLK_RETURN, SDLK_KP_MINUS});
    EXPECT_FLOAT_EQ(inspector->windowLength, 10) << "in edit mode too";
}

TEST_F(InspectorEditTest, SavedEditsLoadBackIntoTheSameScript) {
    Marquel::EffectNode& node = addNode("fx", 10, 20);
    addTrigger(node, 1, 3, 0.5f).value = "v";
    inspector->attach(&script);
    ctrl(SDLK_F4);
    ctrl(SDLK_F3);
    press({SDLK_DOWN, SDLK_RETURN, SDLK_INSERT, SDLK_RETURN});
    ctrl(SDLK_n);
    press({'q', SDLK_RETURN});
    press({SDLK_UP, SDLK_RETURN, SDLK_RIGHT});
    ctrl(SDLK_RIGHT);
    press({SDLK_RETURN});
    ctrl(SDLK_INSERT);
    const std::string saved = script.save();
    Marquel::Script loaded;
    ASSERT_TRUE(loaded.load(saved.c_str(), static_cast<int>(saved.size())));
    EXPECT_EQ(loaded.save(), saved);
    ASSERT_EQ(loaded.nodes.size(), 2u);
    const Marquel::EffectNode& edited = *loaded.nodes[1];
    EXPECT_FLOAT_EQ(edited.start, 10 + STEP);
    ASSERT_EQ(edited.triggers.size(), 2u);
    EXPECT_EQ(edited.triggers[0]->name, "newq");
    EXPECT_EQ(edited.triggers[0]->repeat, 2);
    EXPECT_EQ(edited.triggers[1]->value, "v");
    ASSERT_EQ(edited.splines.size(), 1u);
    EXPECT_EQ(edited.splines[0]->keys.size(), 3u);
    EXPECT_FLOAT_EQ(edited.splines[0]->keys[1].value, 1);
}

} // namespace
