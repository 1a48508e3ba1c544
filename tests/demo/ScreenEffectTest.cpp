// The clear, the beat relay and the flash panels, read back from the frame; the demo's script.

#include "EffectFixture.h"
#include "demo/ClearEffect.h"
#include "demo/DemoEffects.h"
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

// The demo's effects, ready in the window, with the generated script loaded.
void loadDemo(Marquel::System& system, DemoEffects& effects, Marquel::GLDisplay& display) {
    system.addSearchPath(std::string(RUN_DIR) + "/data/");
    effects.registerWith(system);
    for (const auto& entry : system.script.effects)
        entry.second->init(&display, &system);
    const std::string text = testing_support::readFile(RUN_DIR "/data/demo.xml");
    ASSERT_TRUE(system.script.load(text.data(), int(text.size())));
}

// The generated script with every effect of the demo, at each of its beats.
TEST_F(ScreenEffectTest, EveryBeatOfTheDemoShowsAndItsFlashDiesDownBeforeTheNext) {
    DemoEffects effects;
    loadDemo(system, effects, display);
    std::vector<float> beats;
    for (const auto& node : system.script.nodes)
        for (const auto& trigger : node->triggers)
            for (int k = 0; node->name == "synch" && k < trigger->repeat; ++k)
                beats.push_back(node->start + trigger->start + k * trigger->delay);
    ASSERT_GT(beats.size(), 50u);
    // From the start with only the nodes that keep names, every sixteenth pixel's colour of
    // the frames at the given times after each beat.
    const auto playBeats = [&](bool (*keep)(const std::string&), std::vector<float> after) {
        for (const auto& node : system.script.nodes)
            node->active = keep(node->name);
        effects.beat.beat = 0; // a beat left raised stays up while no synch node runs
        frame([&] { system.script.update(0); });
        std::vector<std::vector<uint8_t>> shown;
        for (float beat : beats)
            for (float delay : after) {
                frame([&] { system.script.update(beat + delay); });
                shown.emplace_back();
                for (size_t i = 0; i < pixels.size(); i += 64)
                    shown.back().insert(shown.back().end(), &pixels[i], &pixels[i + 3]);
            }
        return shown;
    };
    // A little past each beat, so that rounding never leaves its trigger undue.
    const auto played = playBeats([](const std::string&) { return true; }, {1e-3f});
    const auto unbeaten =
        playBeats([](const std::string& name) { return name != "synch"; }, {1e-3f});
    const auto flashes = playBeats(
        [](const std::string& name) { return name == "synch" || name == "tolvy"; }, {1e-3f, 0.48f});
    const auto brightest = [](const std::vector<uint8_t>& colours) {
        return int(*std::max_element(colours.begin(), colours.end()));
    };
    for (size_t n = 0; n < beats.size(); ++n) {
        // The frame of each beat against the same moment played with no beats.
        double change = 0;
        for (size_t i = 0; i < played[n].size(); ++i)
            change += std::abs(played[n][i] - unbeaten[n][i]);
        EXPECT_GT(change / played[n].size(), 4) << "the beat at " << beats[n];
        // The flash panels alone: lit on the beat, below half that brightness 0.48 s later.
        EXPECT_GT(brightest(flashes[2 * n]), 40) << "the beat at " << beats[n];
        EXPECT_LT(brightest(flashes[2 * n + 1]), brightest(flashes[2 * n]) / 2)
            << "0.48 s after the beat at " << beats[n];
    }
}

// The generated script's pictures from a start mark, against the same moments played from 0.
TEST_F(ScreenEffectTest, FromAStartMarkTheDemosPicturesAreThoseOfPlayingFromZero) {
    // The flash, the stars and the knot keep clocks of their own (a beat's fading, a swell's
    // shrinking, a drifting shape), which a jump cannot give them: every other node plays.
    struct Run {
        explicit Run(Marquel::GLDisplay& display) {
            loadDemo(system, effects, display);
            for (const auto& node : system.script.nodes)
                node->active =
                    node->name != "tolvy" && node->name != "star" && node->name != "torus";
        }
        Marquel::System system;
        DemoEffects effects;
    };
    // In the break the straight bone was set last at 4 s into it, in the second drop the
    // twisted one at 12 s.
    const float step = 0.1f;
    const int marks[] = {445, 602};
    std::vector<std::vector<uint8_t>> played;
    Run fromZero(display);
    for (int k = 0; k <= marks[1] + 1; ++k) {
        if (k == marks[0] + 1 || k == marks[1] + 1) {
            frame([&] { fromZero.system.script.update(float(k * double(step))); });
            played.push_back(pixels);
        } else {
            display.beginFrame();
            fromZero.system.script.update(float(k * double(step)));
            display.endFrame();
        }
    }
    for (size_t m = 0; m < 2; ++m) {
        Run fromMark(display);
        for (int k = marks[m]; k <= marks[m] + 1; ++k)
            frame([&] { fromMark.system.script.update(float(k * double(step))); });
        int differing = 0;
        for (size_t i = 0; i < pixels.size(); i += 4)
            differing += std::abs(pixels[i] - played[m][i]) +
                             std::abs(pixels[i + 1] - played[m][i + 1]) +
                             std::abs(pixels[i + 2] - played[m][i + 2]) >
                         6;
        EXPECT_EQ(differing, 0) << "one frame after a start mark of " << marks[m] * step << " s";
    }
}

} // namespace
