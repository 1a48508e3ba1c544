// The clear, the beat relay and the flash panels, read back from the frame.

#include "EffectFixture.h"
#include "demo/ClearEffect.h"
#include "demo/FlashEffect.h"
#include "demo/SynchEffect.h"

#include <cmath>

namespace {

using ScreenEffectTest = EffectFixture;

const Rgba BLACK{0, 0, 0, 255};
const Rgba WHITE{255, 255, 255, 255};

TEST_F(ScreenEffectTest, ColorTriggerSetsTheClearColourAndShortTextsReadAsZero) {
    ClearEffect quessa(&beat);
    quessa.init(&display, &system);
    frame([&] { quessa.render(0, 0, 0); });
    EXPECT_THAT(pixel(10, 10), NearColour(BLACK, 0));

    quessa.trigger(0, "color", "000255000");
    frame([&] { quessa.render(0.1f, 0.1f, 0.5f); });
    EXPECT_THAT(pixel(10, 10), NearColour(Rgba({0, 255, 0}), 1));
    EXPECT_THAT(pixel(WIDTH - 1, HEIGHT - 1), NearColour(Rgba({0, 255, 0}), 1));

    // Missing groups are 0 and the run goes on; digits that are no number are 0 too.
    quessa.trigger(0, "color", "255");
    frame([&] { quessa.render(0.2f, 0.1f, 0.5f); });
    EXPECT_THAT(pixel(10, 10), NearColour(Rgba({255, 0, 0}), 1));
    quessa.trigger(0, "color", "abc128");
    frame([&] { quessa.render(0.3f, 0.1f, 0.5f); });
    EXPECT_THAT(pixel(10, 10), NearColour(Rgba({0, 128, 0}), 1));
    quessa.trigger(0, "color", "");
    frame([&] { quessa.render(0.4f, 0.1f, 0.5f); });
    EXPECT_THAT(pixel(10, 10), NearColour(BLACK, 0));
}

class FlashTest : public EffectFixture {
protected:
    void SetUp() override {
        EffectFixture::SetUp();
        synch.init(&display, &system);
        tolvy.init(&display, &system);
    }

    // One frame with "synch" before "tolvy" in the script, optionally with a "baseline".
    void play(float time, bool baseline = false) {
        frame([&] {
            if (baseline)
                synch.trigger(time, "baseline", "");
            synch.render(time, 0, 0);
            tolvy.render(time, 0, 0);
        });
    }

    // The middle of panel 0 (side -1) or panel 1 (side 1) once the panels have turned with
    // the time, as they do at 150 degrees a second.
    Rgba panel(int side, float time) const {
        const float turn = std::fmod(time * 150, 360.0f) * 3.14159265f / 180;
        const auto at = project(side * 0.5f * std::cos(turn), side * 0.5f * std::sin(turn), -2);
        return pixel(at[0], at[1]);
    }

    SynchEffect synch{&beat};
    FlashEffect tolvy{&beat};
};

TEST_F(FlashTest, BeforeAnyBeatBothPanelsFadeFromFullColourInHalfASecond) {
    play(0);
    EXPECT_THAT(panel(-1, 0), NearColour(WHITE, 2));
    EXPECT_THAT(panel(1, 0), NearColour(WHITE, 2));
    play(0.25f);
    EXPECT_THAT(panel(-1, 0.25f), NearColour(Rgba({128, 128, 128}), 3));
    EXPECT_THAT(panel(1, 0.25f), NearColour(Rgba({128, 128, 128}), 3));
    play(0.6f);
    EXPECT_THAT(panel(-1, 0.6f), NearColour(BLACK, 0));
    EXPECT_THAT(panel(1, 0.6f), NearColour(BLACK, 0));
}

TEST_F(FlashTest, BeatsLightLeftRightLeftAndEachFlashFades) {
    tolvy.trigger(0, "color", "255128000");
    // At multiples of 2.4 s the panels have turned whole circles: panel 0 is on the left.
    play(2.4f, true);
    EXPECT_THAT(panel(-1, 2.4f), NearColour(Rgba({255, 128, 0}), 2));
    EXPECT_THAT(panel(1, 2.4f), NearColour(BLACK, 0));
    // The beat lasts one frame: the next one neither lights the other panel nor restarts
    // the fade.
    play(2.45f);
    EXPECT_EQ(beat.beat, 0);
    EXPECT_THAT(panel(-1, 2.45f), NearColour(Rgba({230, 115, 0}), 3));
    EXPECT_THAT(panel(1, 2.45f), NearColour(BLACK, 0));

    play(4.8f, true);
    EXPECT_THAT(panel(-1, 4.8f), NearColour(BLACK, 0));
    EXPECT_THAT(panel(1, 4.8f), NearColour(Rgba({255, 128, 0}), 2));

    play(7.2f, true);
    EXPECT_THAT(panel(-1, 7.2f), NearColour(Rgba({255, 128, 0}), 2));
    EXPECT_THAT(panel(1, 7.2f), NearColour(BLACK, 0));
    play(7.45f);
    EXPECT_THAT(panel(-1, 7.45f), NearColour(Rgba({128, 64, 0}), 3));
    play(7.75f);
    EXPECT_THAT(panel(-1, 7.75f), NearColour(BLACK, 0));
    // After a seek back, flashes from later moments are unlit, not solid panels.
    play(1);
    EXPECT_THAT(panel(-1, 1), NearColour(BLACK, 0));
    EXPECT_THAT(panel(1, 1), NearColour(BLACK, 0));
}

TEST_F(FlashTest, AReaderBeforeTheSynchNodeSeesTheBeatOneFrameLater) {
    frame([&] {
        tolvy.render(2.4f, 0, 0);
        synch.trigger(2.4f, "baseline", "");
        synch.render(2.4f, 0, 0);
    });
    EXPECT_THAT(panel(-1, 2.4f), NearColour(BLACK, 0));
    frame([&] {
        tolvy.render(4.8f, 0, 0);
        synch.render(4.8f, 0, 0);
    });
    EXPECT_THAT(panel(-1, 4.8f), NearColour(WHITE, 2));
    EXPECT_EQ(beat.beat, 0);
}

TEST_F(FlashTest, TwoBaselinesOneFrameApartGiveTwoBeatFrames) {
    play(2.4f, true);
    play(4.8f, true);
    EXPECT_THAT(panel(-1, 4.8f), NearColour(BLACK, 0));
    EXPECT_THAT(panel(1, 4.8f), NearColour(WHITE, 2));
    play(7.2f);
    EXPECT_THAT(panel(-1, 7.2f), NearColour(BLACK, 0));
}

} // namespace
