// What the effects see, frame by frame, as the timeline runs a script.

#include "RecordingEffect.h"
#include "marquel/Script.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Calls = std::vector<std::string>;

namespace {

class TimelineTest : public ::testing::Test {
protected:
    TimelineTest() {
        script.addEffect("rec", &rec);
        script.addEffect("other", &other);
    }

    void load(const std::string& text) {
        ASSERT_TRUE(script.load(text.data(), static_cast<int>(text.size())));
    }

    // Runs one frame and returns what the effects were told.
    Calls frame(float time, bool expectRunning = true) {
        EXPECT_EQ(script.update(time), expectRunning) << "at time " << time;
        return log.take();
    }

    CallLog log;
    RecordingEffect rec{log};
    RecordingEffect other{log, "other"};
    Marquel::Script script;
};

} // namespace

TEST_F(TimelineTest, FirstFrameStartsTriggersSplinesThenRenders) {
    load(R"(<script>
        <effect name="rec" start="0" end="4">
            <spline name="fade" type="linear"><key time="0" value="1"/><key time="4" value="0"/></spline>
            <trigger name="color" value="red" start="0"/>
            <spline name="size" type="square"><key time="0" value="7"/></spline>
        </effect></script>)");
    EXPECT_EQ(frame(0), (Calls{"start", "trigger 0 color red", "spline 0 fade 1", "spline 0 size 7",
                               "render 0 0 0"}));
    EXPECT_EQ(frame(1), (Calls{"spline 1 fade 0.75", "spline 1 size 7", "render 1 1 0.25"}));
    EXPECT_EQ(frame(3), (Calls{"spline 3 fade 0.25", "spline 3 size 7", "render 3 2 0.75"}));
}

TEST_F(TimelineTest, NodeRunsFromItsStartUpToButNotAtItsEnd) {
    load(R"(<script><effect name="rec" start="2" end="5"/><effect name="x" end="8"/></script>)");
    EXPECT_EQ(frame(1.5f), Calls{});
    EXPECT_EQ(frame(2), (Calls{"start", "render 0 0.5 0"}));
    EXPECT_EQ(frame(4.25f), (Calls{"render 2.25 2.25 0.75"}));
    EXPECT_EQ(frame(5), Calls{});
    EXPECT_EQ(frame(6), Calls{});
}

TEST_F(TimelineTest, RepeatedTriggerFiresOncePerDueTime) {
    load(R"(<script><effect name="rec" end="10">
        <trigger name="beat" value="1" start="1" repeat="3" delay="0.5"/>
        </effect></script>)");
    frame(0);
    EXPECT_EQ(frame(0.9f), Calls{"render 0.9 0.9 0.09"});
    EXPECT_EQ(frame(1), (Calls{"trigger 1 beat 1", "render 1 0.1 0.1"}));
    EXPECT_EQ(frame(1.4f), Calls{"render 1.4 0.4 0.14"});
    EXPECT_EQ(frame(1.5f), (Calls{"trigger 1.5 beat 1", "render 1.5 0.1 0.15"}));
    EXPECT_EQ(frame(2.5f), (Calls{"trigger 2.5 beat 1", "render 2.5 1 0.25"}));
    EXPECT_EQ(frame(9), Calls{"render 9 6.5 0.9"});
}

TEST_F(TimelineTest, JumpFiresTheDueFiringsInTheOrderOfTheirTimesTiesInListOrder) {
    load(R"(<script><effect name="rec" end="10">
        <trigger name="a" value="x" start="1" repeat="3" delay="0.5"/>
        <trigger name="b" value="y" start="0.5"/>
        <trigger name="c" value="z" start="2.1"/>
        <trigger name="d" value="w" start="1.25" repeat="2" delay="0.25"/>
        </effect></script>)");
    frame(0);
    EXPECT_EQ(frame(0.9f), (Calls{"trigger 0.9 b y", "render 0.9 0.9 0.09"}));
    EXPECT_EQ(frame(2.2f),
              (Calls{"trigger 2.2 a x", "trigger 2.2 d w", "trigger 2.2 a x", "trigger 2.2 d w",
                     "trigger 2.2 a x", "trigger 2.2 c z", "render 2.2 1.3 0.22"}));
}

TEST_F(TimelineTest, TriggerIsCalledAtMostTenThousandTimesAFrameAndTheRestAreSpent) {
    load(R"(<script><effect name="rec" end="10">
        <trigger name="burst" value="b" repeat="25000" delay="0"/>
        <trigger name="flood" value="f" start="1" repeat="2000000000" delay="0.000001"/>
        <trigger name="storm" value="s" start="3" repeat="2000000000" delay="0"/>
        </effect></script>)");
    Calls calls = frame(0.5f);
    ASSERT_EQ(calls.size(), 10002u);
    EXPECT_EQ(calls[10000], "trigger 0.5 burst b");
    EXPECT_EQ(calls[10001], "render 0.5 0.5 0.05");
    EXPECT_EQ(frame(0.6f), Calls{"render 0.6 0.1 0.06"});

    ASSERT_EQ(frame(1.5f).size(), 10001u);
    // Spent up to the first firing not yet due, as if each had been called.
    const Marquel::Trigger& flood = *script.nodes[0]->triggers[1];
    EXPECT_LE(flood.start + (flood.fired - 1) * flood.delay, 1.5f);
    EXPECT_GT(flood.start + flood.fired * flood.delay, 1.5f);
    ASSERT_EQ(frame(3).size(), 20001u);
    EXPECT_EQ(script.nodes[0]->triggers[2]->fired, 2000000000);
}

TEST_F(TimelineTest, ClockGoingBackRearmsTopLevelNodesButNotChildren) {
    load(R"(<script>
        <effect name="rec" start="0" end="20">
            <trigger name="t" value="1" start="1"/>
            <trigger name="late" value="2" start="6"/>
            <effect name="other" start="0" end="20"><trigger name="c" value="3" start="1"/></effect>
        </effect></script>)");
    frame(0);
    frame(10);
    EXPECT_EQ(frame(4),
              (Calls{"start", "trigger 4 t 1", "render 4 -6 0.2", "other: render 4 -6 0.2"}));
    EXPECT_EQ(frame(7), (Calls{"trigger 7 late 2", "render 7 3 0.35", "other: render 7 3 0.35"}));
}

TEST_F(TimelineTest, ClockGoingBackRearmsTopLevelNodesOutsideTheirSpan) {
    load(R"(<script>
        <effect name="rec" start="0" end="2"><trigger name="t" value="1"/></effect>
        <effect name="other" start="0" end="20"/>
        </script>)");
    frame(1);
    frame(5);
    EXPECT_EQ(frame(1.5f), (Calls{"start", "trigger 1.5 t 1", "render 1.5 -3.5 0.75",
                                  "other: start", "other: render 1.5 -3.5 0.075"}));
}

TEST_F(TimelineTest, ChildReenteredAfterAStepBackIsNotStartedAgain) {
    load(
        R"(<script><effect name="other" end="20"><effect name="rec" start="1" end="2"></effect></effect></script>)");
    frame(0);
    EXPECT_EQ(frame(1), (Calls{"other: render 1 1 0.05", "start", "render 0 1 0"}));
    EXPECT_EQ(frame(3), (Calls{"other: render 3 2 0.15"}));
    EXPECT_EQ(frame(1.5f),
              (Calls{"other: start", "other: render 1.5 -1.5 0.075", "render 0.5 -1.5 0.5"}));
}

TEST_F(TimelineTest, TimeAtTheEndStillRunsAndBeyondItEndsTheDemo) {
    load(R"(<script><effect name="rec" end="10"/><effect name="other" end="3"/></script>)");
    EXPECT_FLOAT_EQ(script.endTime, 10);
    frame(9);
    EXPECT_EQ(frame(10), Calls{});
    EXPECT_FLOAT_EQ(script.currentTime, 10);
    EXPECT_EQ(frame(10.001f, false), Calls{});
    // The clock was still taken: the step back is measured from the time past the end.
    EXPECT_EQ(frame(9.001f), (Calls{"start", "render 9.001 -1 0.9001"}));
}

TEST_F(TimelineTest, NegativeTimeIsIgnored) {
    load(R"(<script><effect name="rec" start="0" end="10"/></script>)");
    frame(2);
    EXPECT_EQ(frame(-1), Calls{});
    EXPECT_FLOAT_EQ(script.currentTime, 2);
    // No step back was seen, so nothing is rearmed, and dt counts from time 2.
    EXPECT_EQ(frame(3), Calls{"render 3 1 0.3"});
}

TEST_F(TimelineTest, ChildSpansAreMeasuredFromTheParentsStart) {
    load(R"(<script><effect name="other" start="10" end="20">
        <effect name="rec" start="1" end="3"><spline name="s" type="linear"><key time="0" value="0"/>
            <key time="2" value="4"/></spline></effect>
        </effect></script>)");
    EXPECT_EQ(frame(10.5f), (Calls{"other: start", "other: render 0.5 10.5 0.05"}));
    EXPECT_EQ(frame(11),
              (Calls{"other: render 1 0.5 0.1", "start", "spline 0 s 0", "render 0 0.5 0"}));
    EXPECT_EQ(frame(12), (Calls{"other: render 2 1 0.2", "spline 1 s 2", "render 1 1 0.5"}));
    EXPECT_EQ(frame(13), (Calls{"other: render 3 1 0.3"}));
}

TEST_F(TimelineTest, UnregisteredOrInactiveNodeSkipsItsWholeSubtree) {
    load(R"(<script>
        <effect name="ghost" end="10"><trigger name="t"/><effect name="rec" end="10"></effect></effect>
        <effect name="rec" state="off" end="10"><effect name="other" end="10"></effect></effect>
        <effect name="other" end="10"><effect name="rec" state="off" end="10"></effect></effect>
        </script>)");
    EXPECT_EQ(frame(0), (Calls{"other: start", "other: render 0 0 0"}));
    EXPECT_EQ(frame(1), (Calls{"other: render 1 1 0.1"}));
}

TEST_F(TimelineTest, OneEffectNamedByTwoNodesGetsBothInTreeOrder) {
    load(R"(<script>
        <effect name="rec" start="0" end="10"><trigger name="first" value="1"/></effect>
        <effect name="rec" start="1" end="5"><trigger name="second" value="2"/></effect>
        </script>)");
    EXPECT_EQ(frame(2), (Calls{"start", "trigger 2 first 1", "render 2 2 0.2", "start",
                               "trigger 1 second 2", "render 1 2 0.25"}));
}

TEST_F(TimelineTest, EffectRegisteredLaterIsDrivenFromThenOn) {
    load(R"(<script><effect name="late" end="10"><trigger name="t" value="v"/></effect></script>)");
    EXPECT_EQ(frame(1), Calls{});
    RecordingEffect late{log, "late"};
    script.addEffect("late", &late);
    EXPECT_EQ(frame(2), (Calls{"late: start", "late: trigger 2 t v", "late: render 2 1 0.2"}));
}
