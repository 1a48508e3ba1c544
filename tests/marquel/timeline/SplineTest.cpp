// Spline values at and between keys, checked against values worked out by hand.

#include "marquel/Spline.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>

using Marquel::Spline;

namespace {

Spline makeSpline(const char* type, std::initializer_list<std::pair<float, float>> keys) {
    Spline spline;
    spline.type = type;
    for (const auto& key : keys)
        spline.keys.push_back({key.first, key.second, 0});
    spline.prepare();
    return spline;
}

// Each pair is a time and the value the spline must give there.
void expectValues(const Spline& spline, std::initializer_list<std::pair<float, float>> expected) {
    for (const auto& point : expected)
        EXPECT_FLOAT_EQ(spline.evaluate(point.first), point.second)
            << spline.type << " at " << point.first;
}

} // namespace

TEST(SplineTest, OneKeyGivesItsScaledValueAtAnyTimeForEveryType) {
    for (const char* type : {"smooth", "bezier", "linear", "square", ""}) {
        Spline spline = makeSpline(type, {{2, 5}});
        spline.valuescale = 2;
        spline.valueoffset = -1;
        expectValues(spline, {{-10, 9}, {0, 9}, {2, 9}, {3, 9}, {100, 9}});
    }
}

TEST(SplineTest, WithoutKeysTheCurveIsZero) {
    Spline spline = makeSpline("smooth", {});
    spline.valuescale = 3;
    spline.valueoffset = 0.5f;
    EXPECT_FLOAT_EQ(spline.evaluate(1), 0.5f);
    EXPECT_FLOAT_EQ(spline.max, 0);
    EXPECT_FLOAT_EQ(spline.min, 0);
}

TEST(SplineTest, SquareHoldsEachKeyUntilAfterTheNextKeysTime) {
    Spline spline = makeSpline("square", {{0, 1}, {1, 3}, {3, -1}});
    expectValues(spline, {{-1, 1}, {0, 1}, {0.5f, 1}, {1, 1}, {1.01f, 3}, {3, 3}, {3.5f, -1}});
}

TEST(SplineTest, LinearMeetsEachKeyAndHoldsTheEnds) {
    Spline spline = makeSpline("linear", {{0, 1}, {1, 3}, {3, -1}});
    expectValues(spline, {{-2, 1}, {0, 1}, {0.5f, 2}, {1, 3}, {2, 1}, {2.5f, 0}, {3, -1}, {5, -1}});
}

TEST(SplineTest, SmoothFollowsTheWeightedTangents) {
    // Tangents 1, 1/3 and -1; halfway through the segments the cubic gives 7/12 and 2/3.
    Spline spline = makeSpline("smooth", {{0, 0}, {1, 1}, {3, 0}});
    EXPECT_FLOAT_EQ(spline.keys[0].tangent, 1);
    EXPECT_FLOAT_EQ(spline.keys[1].tangent, 1.0f / 3);
    EXPECT_FLOAT_EQ(spline.keys[2].tangent, -1);
    expectValues(spline, {{-1, 0}, {0, 0}, {0.5f, 7.0f / 12}, {1, 1}, {2, 2.0f / 3}});
    EXPECT_NEAR(spline.evaluate(3), 0, 1e-6);
    EXPECT_FLOAT_EQ(spline.evaluate(4), 0);
}

TEST(SplineTest, SmoothWithTwoKeysIsAStraightLine) {
    Spline spline = makeSpline("smooth", {{0, 2}, {4, 6}});
    expectValues(spline, {{1, 3}, {2, 4}, {3, 5}});
}

TEST(SplineTest, SmoothRangeCoversTheOvershootBetweenKeys) {
    // From key 1 to key 2 the curve rises to 89/81 a third of the way along, at time 5/3.
    Spline spline = makeSpline("smooth", {{0, 0}, {1, 1}, {3, 1}});
    EXPECT_FLOAT_EQ(spline.evaluate(5.0f / 3), 89.0f / 81);
    EXPECT_FLOAT_EQ(spline.max, 89.0f / 81);
    EXPECT_FLOAT_EQ(spline.min, 0);

    // The same curve upside down dips below its keys by as much.
    Spline dipping = makeSpline("smooth", {{0, 0}, {1, -1}, {3, -1}});
    EXPECT_FLOAT_EQ(dipping.min, -89.0f / 81);
    EXPECT_FLOAT_EQ(dipping.max, 0);
}

TEST(SplineTest, SmoothRangeCoversAQuadraticSegment) {
    // Tangents 1/2 and -1/2 around the middle segment leave it without a cubic term:
    // 1 + g/2 - g^2/2, which peaks at 9/8 halfway, at time 1.5.
    Spline spline = makeSpline("smooth", {{0, 0}, {1, 1}, {2, 1}, {3, 0}});
    EXPECT_FLOAT_EQ(spline.evaluate(1.5f), 9.0f / 8);
    EXPECT_FLOAT_EQ(spline.max, 9.0f / 8);
    EXPECT_FLOAT_EQ(spline.min, 0);
}

TEST(SplineTest, OtherTypesRangeOverTheKeysOnly) {
    Spline spline = makeSpline("linear", {{0, -3}, {1, 2}, {2, 1}});
    EXPECT_FLOAT_EQ(spline.max, 2);
    EXPECT_FLOAT_EQ(spline.min, -3);
    // The same keys as a curve that overshoots: only the cubic widens its range.
    Spline square = makeSpline("square", {{0, 0}, {1, 1}, {3, 1}});
    EXPECT_FLOAT_EQ(square.max, 1);
}

TEST(SplineTest, UnknownOrEmptyTypeIsPreparedAndDrawnAsSmooth) {
    Spline smooth = makeSpline("smooth", {{0, 0}, {1, 1}, {3, 1}});
    for (const char* type : {"", "wobbly", "Smooth"}) {
        Spline other = makeSpline(type, {{0, 0}, {1, 1}, {3, 1}});
        EXPECT_FLOAT_EQ(other.keys[1].tangent, 2.0f / 3) << type;
        for (float time : {0.25f, 1.0f, 5.0f / 3, 2.5f})
            EXPECT_FLOAT_EQ(other.evaluate(time), smooth.evaluate(time)) << type << time;
        EXPECT_FLOAT_EQ(other.max, 89.0f / 81) << type;
    }
}

TEST(SplineTest, BezierPiecesRunThroughEvenKeysTowardsTheKeysBetween) {
    // One piece, 8g(1 - g) with g over keys 0..2: the middle key pulls it up to 2, never to 4.
    Spline arch = makeSpline("bezier", {{0, 0}, {1, 4}, {2, 0}});
    expectValues(arch, {{-1, 0}, {0.5f, 1.5f}, {1, 2}, {1.5f, 1.5f}, {2, 0}, {3, 0}});
    EXPECT_FLOAT_EQ(arch.max, 2);

    // An even count ends with a line from the last piece's end, without a jump.
    Spline four = makeSpline("bezier", {{0, 2}, {1, 4}, {2, 6}, {4, 0}});
    expectValues(four, {{0.5f, 3}, {1.5f, 5}, {2, 6}, {2.001f, 5.997f}, {3, 3}, {5, 0}});

    // The second piece turns at 6/7, above its middle key.
    Spline five = makeSpline("bezier", {{0, 2}, {1, 4}, {2, 6}, {4, 0}, {6, 1}});
    expectValues(five, {{2, 6}, {3, 3.4375f}, {5, 0.9375f}, {6, 1}});
    EXPECT_FLOAT_EQ(five.min, 6.0f / 7);
    EXPECT_FLOAT_EQ(five.max, 6);

    // Keys out of time order can leave a piece no span and the time before its first key,
    // which it then holds instead of running off to infinity.
    Spline folded = makeSpline("bezier", {{0, 0}, {1, 1}, {5, 2}, {1, 3}, {5, 4}});
    EXPECT_FLOAT_EQ(folded.evaluate(3), 2);
}

TEST(SplineTest, TimeAndValueAreMappedByScaleAndOffset) {
    Spline spline = makeSpline("linear", {{3, 4}, {5, 8}});
    spline.timescale = 2;
    spline.timeoffset = 1;
    spline.valuescale = 0.5f;
    spline.valueoffset = 1;
    expectValues(spline, {{0, 3}, {7, 3}, {9, 4}, {11, 5}, {20, 5}});
}

TEST(SplineTest, KeysOutOfOrderAreUsedAsTheyStand) {
    // The last key earlier than the time wins, wherever it sits in the list.
    Spline spline = makeSpline("linear", {{0, 0}, {2, 10}, {1, 20}});
    expectValues(spline, {{-1, 0}, {0.5f, 2.5f}, {1.5f, 20}, {3, 20}});

    // Before the first listed key the value is that of the last key earlier than the time,
    // and at the first key's own time the curve runs on from that earlier key.
    Spline later = makeSpline("linear", {{1, 0}, {0, 5}, {2, 10}});
    expectValues(later, {{-1, 0}, {0.5f, 5}, {1, 7.5f}, {1.5f, 8.75f}});
}

TEST(SplineTest, PrepareFollowsEditedKeys) {
    Spline spline = makeSpline("smooth", {{0, 0}, {1, 4}});
    spline.keys[1].value = -8;
    spline.prepare();
    EXPECT_FLOAT_EQ(spline.keys[0].tangent, -8);
    EXPECT_FLOAT_EQ(spline.evaluate(0.5f), -4);
    EXPECT_FLOAT_EQ(spline.min, -8);
    EXPECT_FLOAT_EQ(spline.max, 0);
}
