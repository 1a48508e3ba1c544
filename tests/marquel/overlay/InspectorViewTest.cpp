// The inspector's picture: the fixed frame and logo, the time window, node bars, trigger
// ticks, the notes on bars and the scrolling of a long list, read from the canvas.

#include "InspectorFixture.h"
#include "marquel/Exception.h"

#include <gtest/gtest.h>

using inspector_test::infoEvent;
using inspector_test::InspectorFixture;
using system_test::logoPixel;

namespace {

constexpr uint32_t RED = 0xffff0000;
constexpr uint32_t SELECTED = 0xee004466;

class InspectorViewTest : public InspectorFixture {
protected:
    // The canvas rows, from 30 to 485, whose column 108 shows the selection's colour.
    std::vector<int> selectedRows() const {
        std::vector<int> rows;
        for (int r = 0; r < 512; ++r)
            if (at(108, r) == SELECTED)
                rows.push_back(r);
        return rows;
    }

    // The selected row is wholly shown, height rows tall, inside the list's band.
    void expectSelectionShown(int height, const std::string& where) {
        const std::vector<int> rows = selectedRows();
        ASSERT_EQ(static_cast<int>(rows.size()), height) << where;
        EXPECT_GE(rows.front(), 30) << where;
        EXPECT_LE(rows.back(), 485) << where;
        EXPECT_EQ(rows.back() - rows.front() + 1, height) << where;
    }
};

TEST_F(InspectorViewTest, AttachShowsTheFirstNodeFromTimeZeroFortySecondsAcross) {
    addNode("fx", 0, 10);
    addNode("fx", 5, 20);
    inspector->selectedNode = 1;
    inspector->editMode = true;
    inspector->windowLength = 15;
    inspector->scrollY = 40;
    inspector->dirty = false;
    inspector->attach(&script);
    EXPECT_EQ(inspector->script, &script);
    EXPECT_EQ(inspector->selectedNode, 0);
    EXPECT_EQ(inspector->selectedItem, 0);
    EXPECT_EQ(inspector->selectedHandle, 0);
    EXPECT_FALSE(inspector->editMode);
    EXPECT_EQ(inspector->expanded, std::vector<bool>({false, false}));
    EXPECT_FLOAT_EQ(inspector->windowLength, 40);
    EXPECT_FLOAT_EQ(inspector->windowStart, 0);
    EXPECT_FLOAT_EQ(inspector->cursorOffset, 0);
    EXPECT_EQ(inspector->scrollY, 0);
    EXPECT_EQ(inspector->textTarget, nullptr);
    EXPECT_FLOAT_EQ(inspector->getTimeStep(), 40.0f / 398);
    EXPECT_TRUE(inspector->dirty) << "attach repaints";
    EXPECT_EQ(selectedRows().front(), 30);
    EXPECT_EQ(at(200, 30), SELECTED) << "the first node's row";
    EXPECT_EQ(at(200, 42), 0xcc333344u) << "the second, unselected, on the plain stripe";
    EXPECT_EQ(at(308, 46), 0xcc4477ccu) << "its bar ends before 20 s";
    EXPECT_EQ(at(309, 46), 0xccffffffu) << "and its end tick is at 20 s";
    EXPECT_EQ(at(310, 46), 0xcc333344u);
}

TEST_F(InspectorViewTest, FrameHasARoundedWhiteBorderTheOpaqueLogoAndSeparators) {
    EXPECT_FALSE(inspector->visible);
    EXPECT_EQ(inspector->clipTop, 30);
    EXPECT_EQ(inspector->clipBottom, 486);
    EXPECT_EQ(at(0, 0), 0u) << "rounded corner";
    EXPECT_EQ(at(511, 0), 0u);
    EXPECT_EQ(at(0, 200), 0xffffffffu);
    EXPECT_EQ(at(1, 200), 0xffffffffu);
    EXPECT_EQ(at(2, 200), 0xff000000u);
    EXPECT_EQ(at(200, 0), 0xffffffffu);
    EXPECT_EQ(at(200, 511), 0xffffffffu);
    EXPECT_EQ(at(300, 28), 0xffffffffu);
    EXPECT_EQ(at(300, 486), 0xffffffffu);
    const int left = 256 - LOGO_WIDTH / 2;
    for (int y = 0; y < LOGO_HEIGHT; y += 3)
        for (int x = 0; x < LOGO_WIDTH; x += 4)
            ASSERT_EQ(at(left + x, 2 + y), 0xff000000u | logoPixel(x, y)) << x << " " << y;
    EXPECT_EQ(at(left - 1, 2), 0xff000000u);
    EXPECT_EQ(at(left + LOGO_WIDTH, 2), 0xff000000u);
}

TEST_F(InspectorViewTest, LogoLargerThanTheCanvasIsCutAtItsEdges) {
    dir.write("marquel_logo.png", system_test::logoPng(600, 530));
    Marquel::Inspector wide(&files);
    // Column 0 shows logo column 44, row 511 logo row 509.
    EXPECT_EQ(wide.pixels[2 * 512], 0xff000000u | logoPixel(44, 0));
    EXPECT_EQ(wide.pixels[511 * 512 + 511], 0xff000000u | logoPixel(555, 509));
}

TEST_F(InspectorViewTest, MissingLogoRaisesTheImageError) {
    std::filesystem::remove(dir.path() / "marquel_logo.png");
    try {
        Marquel::Inspector without(&files);
        ADD_FAILURE() << "made without a logo";
    } catch (const Marquel::Exception& e) {
        EXPECT_EQ(std::string(e.what()), "[Marquel] The inspector could not load its logo: "
                                         "Vx::loadImage, File not found (marquel_logo.png)");
    }
}

TEST_F(InspectorViewTest, CursorFollowsTheClockAndTheStartMarkIsDotted) {
    inspector->attach(&script);
    feed({infoEvent(5, 10, 59.5f)});
    EXPECT_FLOAT_EQ(inspector->windowStart, 0);
    EXPECT_FLOAT_EQ(inspector->cursorOffset, 5);
    for (int r = 30; r <= 485; ++r)
        ASSERT_EQ(at(159, r) == RED, r % 3 != 2) << r;
    EXPECT_NE(at(158, 30), RED);
    // The start mark at 10 s: column 110 + trunc(99.5), every fifth row.
    EXPECT_EQ(at(209, 35), 0xff7777ffu);
    EXPECT_EQ(at(209, 36), 0xcc333344u);
    EXPECT_EQ(textAt(15, 486, "time : 00:05.000", 0xffffffff), "time : 00:05.000");
    EXPECT_EQ(textAt(19, 496, "fps : 59.50", 0xffffffff), "fps : 59.50");

    feed({infoEvent(100, 10)});
    EXPECT_FLOAT_EQ(inspector->windowStart, 80);
    for (int r = 30; r <= 485; ++r)
        ASSERT_EQ(at(309, r) == RED, r % 3 != 2) << r;
    EXPECT_NE(at(159, 30), RED);
    EXPECT_NE(at(209, 35), 0xff7777ffu) << "the start mark left the window";
    EXPECT_EQ(textAt(15, 486, "time : 01:40.000", 0xffffffff), "time : 01:40.000");
}

// The player's clock counts milliseconds as ticks * 0.001 in floats; the footer must read
// back the same millisecond the HUD shows, not one less where the float lies just below it.
TEST_F(InspectorViewTest, ClockReadsTheMillisecondTheTicksGave) {
    inspector->attach(&script);
    feed({infoEvent(33 * 0.001f)});
    EXPECT_EQ(textAt(15, 486, "time : 00:00.033", 0xffffffff), "time : 00:00.033");
    feed({infoEvent(75.1f)});
    EXPECT_EQ(textAt(15, 486, "time : 01:15.100", 0xffffffff), "time : 01:15.100");
}

TEST_F(InspectorViewTest, NodeFromThirtyToFiftySecondsEndsAtTheWindowsEdge) {
    addNode("fx", 30, 50);
    inspector->attach(&script);
    EXPECT_EQ(at(407, 35), SELECTED);
    EXPECT_EQ(at(408, 35), 0xccffffffu) << "start tick";
    for (int x = 409; x <= 507; ++x)
        ASSERT_EQ(at(x, 35), 0xcc4477ccu) << x;
    EXPECT_EQ(at(508, 35), 0xccffffffu) << "end tick";
    EXPECT_EQ(at(508, 31), 0xccffffffu);
    EXPECT_EQ(at(508, 40), 0xccffffffu);
    EXPECT_EQ(at(450, 30), SELECTED) << "the bar leaves the row's first line";
    // The footer shows the node.
    EXPECT_EQ(at(115, 505), 0xcc4477ccu);
    EXPECT_EQ(textAt(120, 486, "start: 30.000", 0xffffffff), "start: 30.000");
    EXPECT_EQ(textAt(120, 496, "end: 50.000", 0xffffffff), "end: 50.000");
    EXPECT_EQ(textAt(220, 486, "triggers: 0", 0xffffffff), "triggers: 0");
}

TEST_F(InspectorViewTest, RunningNodeHasItsInnerBarAndEditModeMarksTheHandle) {
    addNode("fx", 0, 20);
    inspector->attach(&script);
    feed({infoEvent(5)});
    EXPECT_EQ(at(150, 33), 0xcc99bbffu) << "running: the inner bar";
    EXPECT_EQ(at(150, 31), 0xcc4477ccu);
    press({SDLK_RETURN});
    EXPECT_EQ(at(150, 35), 0xee002277u) << "edited";
    EXPECT_EQ(at(110, 33), RED) << "handle 0 is the start tick";
    EXPECT_EQ(at(200, 30), 0xee000000u);
    press({SDLK_RIGHT});
    EXPECT_EQ(at(150, 35), RED) << "handle 1 is the whole span";
    press({SDLK_RIGHT});
    EXPECT_EQ(at(110 + 199, 35), RED) << "handle 2 is the end tick";
    EXPECT_EQ(at(110, 33), 0xccffffffu);
}

TEST_F(InspectorViewTest, TriggerTicksAtEachFiringAndGreyOnceFired) {
    Marquel::EffectNode& node = addNode("fx", 10, 30);
    Marquel::Trigger& trigger = addTrigger(node, 1, 3, 1);
    trigger.fired = 1;
    inspector->attach(&script);
    press({SDLK_RIGHT}); // expands the node: its trigger row lies at y 42
    const int columns[] = {219, 229, 239};
    EXPECT_EQ(at(columns[0], 47), 0xff777777u) << "fired";
    EXPECT_EQ(at(columns[1], 47), 0xffffffffu);
    EXPECT_EQ(at(columns[2], 47), 0xffffffffu);
    EXPECT_EQ(at(columns[2], 43), 0xffffffffu);
    EXPECT_EQ(at(columns[2], 52), 0xffffffffu);
    EXPECT_EQ(at(columns[2], 42), 0xcc003f00u) << "the span under the ticks";
    EXPECT_EQ(at(columns[2] + 1, 47), 0xcc003f00u);
    EXPECT_EQ(at(100, 47), 0xcc003f00u) << "the trigger's name cell";

    trigger.fired = 3;
    press({SDLK_DOWN, SDLK_RETURN, SDLK_RIGHT});
    EXPECT_EQ(at(columns[0], 47), 0xff777777u);
    EXPECT_EQ(at(columns[1], 47), RED) << "the edited firing";
    EXPECT_EQ(at(columns[2], 47), 0xff777777u);
    EXPECT_EQ(textAt(120, 496, "current: 2.00", 0xffffffff), "current: 2.00");
    EXPECT_EQ(textAt(220, 486, "repeat: 3", 0xffffffff), "repeat: 3");
    EXPECT_EQ(textAt(220, 496, "delay: 1.00", 0xffffffff), "delay: 1.00");
}

// Two thousand million firings a hundredth of a microsecond apart: far more than columns,
// which the chart must draw without visiting each firing.
TEST_F(InspectorViewTest, FiringsDenserThanTheColumnsFillThemGreyUpToTheFiredCount) {
    Marquel::EffectNode& node = addNode("fx", 10, 35);
    addTrigger(node, 1, 2000000000, 1e-8f).fired = 1000000000;
    Marquel::EffectNode& backwards = addNode("fx", 10, 35);
    addTrigger(backwards, 21, 2000000000, -1e-8f).fired = 1000000000;
    inspector->attach(&script);
    press({SDLK_RIGHT, SDLK_DOWN, SDLK_DOWN, SDLK_RIGHT}); // trigger rows at y 42 and 66
    const uint32_t grey = 0xff777777;
    const uint32_t white = 0xffffffff;
    EXPECT_EQ(at(110 + 108, 47), 0xcc003f00u) << "before demo time 11";
    EXPECT_EQ(at(110 + 109, 47), grey);
    EXPECT_EQ(at(110 + 150, 47), grey);
    EXPECT_EQ(at(110 + 207, 47), grey) << "fired up to demo time 21, in column 208";
    EXPECT_EQ(at(110 + 208, 47), white);
    EXPECT_EQ(at(110 + 308, 47), white);
    EXPECT_EQ(at(110 + 309, 47), 0xcc003f00u) << "after the last firing at 31";
    // Going back from demo time 31 the fired half lies to the right.
    EXPECT_EQ(at(110 + 108, 71), 0xcc003f00u);
    EXPECT_EQ(at(110 + 109, 71), white);
    EXPECT_EQ(at(110 + 208, 71), white);
    EXPECT_EQ(at(110 + 209, 71), grey);
    EXPECT_EQ(at(110 + 308, 71), grey);
    EXPECT_EQ(at(110 + 309, 71), 0xcc003f00u);
}

TEST_F(InspectorViewTest, UnregisteredNodeSaysNoCallbackAndAnInactiveOneInactive) {
    addNode("ghost", 0, 20);
    addNode("fx", 0, 20, false);
    inspector->attach(&script);
    EXPECT_EQ(at(150, 31), 0xcc550000u);
    EXPECT_EQ(textAt(114, 30, "No Callback", 0xccffffff), "No Callback");
    EXPECT_EQ(at(150, 43), 0xcc000000u) << "the inactive node's black bar";
    EXPECT_EQ(textAt(114, 42, "Inactive", 0xccffffff), "Inactive");
    EXPECT_EQ(textAt(11, 41, "fx", 0xee999999), "fx") << "a grey name";
    EXPECT_EQ(textAt(11, 29, "ghost", 0xeeffffff), "ghost");
}

TEST_F(InspectorViewTest, LongListScrollsTheSelectionIntoTheBand) {
    for (int i = 0; i < 30; ++i) {
        Marquel::EffectNode& node = addNode("fx", float(i), float(i + 5));
        addTrigger(node, 0.5f);
        addSpline(node, {{0, 0, 0}, {1, 1, 0}});
    }
    inspector->attach(&script);
    expectSelectionShown(12, "after attach");
    // Down through every row, expanding each node on the way: 30 x (12 + 12 + 48) rows.
    for (int i = 0; i < 30; ++i) {
        press({SDLK_RIGHT});
        expectSelectionShown(12, "node " + std::to_string(i));
        press({SDLK_DOWN});
        expectSelectionShown(12, "trigger " + std::to_string(i));
        press({SDLK_DOWN});
        expectSelectionShown(48, "spline " + std::to_string(i));
        press({SDLK_DOWN});
    }
    EXPECT_GT(inspector->scrollY, 1500);
    for (int i = 29; i >= 0; --i) {
        expectSelectionShown(48, "back to spline " + std::to_string(i));
        press({SDLK_UP});
        expectSelectionShown(12, "back to trigger " + std::to_string(i));
        press({SDLK_UP, SDLK_UP});
    }
    expectSelectionShown(12, "the first node again");
    EXPECT_EQ(inspector->scrollY, 0);
}

TEST_F(InspectorViewTest, SplineRowDrawsItsCurveKeysAndFooter) {
    Marquel::EffectNode& node = addNode("fx", 0, 20);
    Marquel::Spline& spline = addSpline(node, {{0, 0, 0}, {10, 1, 0}, {20, 0, 0}});
    spline.type = "linear";
    spline.prepare();
    inspector->attach(&script);
    feed({infoEvent(5), Marquel::Event(), inspector_test::keyEvent(SDLK_RIGHT),
          inspector_test::keyEvent(SDLK_DOWN)});
    // Row at 42: zero line at 65; the key at 10 s is at column 110 + 99, value 1 at row 43.
    EXPECT_EQ(at(120, 65), 0xee004466u | 0xffaa2222u) << "the zero line every fifth column";
    EXPECT_EQ(at(121, 65), 0xee004466u);
    EXPECT_EQ(at(209, 43), 0xffffffffu);
    EXPECT_EQ(at(209, 42), 0xffffffffu);
    EXPECT_EQ(at(208, 43), 0xffffffffu);
    EXPECT_EQ(at(110, 65), 0xffffffffu) << "the first key sits on the zero line";
    EXPECT_EQ(at(150, 65 - 8) & 0xee666666, 0xee666666u) << "the curve at 40 columns";
    EXPECT_EQ(textAt(120, 486, "keys: 3", 0xffffffff), "keys: 3");
    // Its last digit runs under the next column of texts in this wide test font.
    EXPECT_EQ(textAt(120, 496, "current: 0.50", 0xffffffff), "current: 0.50");
    EXPECT_EQ(textAt(220, 486, "max: 1.000", 0xffffffff), "max: 1.000");
    EXPECT_EQ(textAt(20, 41, "new", 0xeeffffff), "new");
    spline.valuescale = -2;
    feed({infoEvent(5)});
    EXPECT_EQ(textAt(220, 486, "max: 0.000", 0xffffffff), "max: 0.000") << "turned over";
}

// The footer's texts start on the separator's row: what the yellow value left there must go
// once another panel is shown.
TEST_F(InspectorViewTest, FooterSeparatorKeepsNoTraceOfAPanelShownBefore) {
    Marquel::EffectNode& node = addNode("fx", 0, 20);
    addTrigger(node, 1).value = "on";
    inspector->attach(&script);
    press({SDLK_RIGHT, SDLK_DOWN});
    ASSERT_EQ(at(320 + 5, 486), 0xffffff00u) << "the value's top row lies on the separator";
    press({SDLK_UP});
    for (int x = 0; x < 512; ++x)
        ASSERT_EQ(at(x, 486), 0xffffffffu) << x;
}

// Long numbers and values stop short of the next column of texts and of the frame.
TEST_F(InspectorViewTest, LongFooterTextsAreClippedToTheirColumns) {
    Marquel::EffectNode& node = addNode("fx", 0, 20);
    addTrigger(node, 1e30f, 2000000000, 1e30f).value = std::string(300, 'W');
    inspector->attach(&script);
    const auto inked = [&](int x, int top, int bottom) {
        for (int y = top; y < bottom; ++y)
            if (at(x, y) == 0xffffffffu || at(x, y) == 0xffffff00u || at(x, y) == 0xeeffffffu)
                return true;
        return false;
    };
    press({SDLK_RIGHT, SDLK_DOWN});
    for (int x : {218, 219, 318, 319, 508})
        EXPECT_FALSE(inked(x, 487, 510)) << "a footer text runs into column " << x;
}

} // namespace
