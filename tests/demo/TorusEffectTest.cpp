// The torus knot: what a beat picks depends only on the beat's time.

#include "demo/TorusEffect.h"
#include "EffectFixture.h"

#include <set>

namespace {

class TorusEffectTest : public EffectFixture {
protected:
    // The knot's colour in the last frame: 'r', 'g', 'b', 'y', or '-' for an empty frame.
    char knotColour() const {
        double sum[3] = {0, 0, 0};
        for (size_t i = 0; i < pixels.size(); i += 4)
            for (int c = 0; c < 3; ++c)
                sum[c] += pixels[i + c];
        const double most = std::max({sum[0], sum[1], sum[2]});
        if (most == 0)
            return '-';
        const bool r = sum[0] > most / 2, g = sum[1] > most / 2, b = sum[2] > most / 2;
        if (r && g && !b)
            return 'y';
        if (r + g + b != 1)
            return '?';
        return r ? 'r' : g ? 'g' : 'b';
    }

    // A knot and a colour of the script's choosing, none of those a beat picks.
    void giveOwnChoices(TorusEffect& torus) {
        torus.init(&display, &system);
        torus.trigger(0, "pq", "25");
        torus.trigger(0, "color", "255255255");
    }

    void play(TorusEffect& torus, float time, bool onBeat) {
        beat.beat = onBeat ? 1 : 0;
        frame([&] { torus.render(time, 0, 0.5f); });
    }
};

TEST_F(TorusEffectTest, ABeatReplacesColourAndKnotTheSameWayForTheSameTime) {
    TorusEffect plain{&beat};
    plain.init(&display, &system);
    play(plain, 3.1f, true);
    const std::vector<uint8_t> picked = pixels;
    EXPECT_NE(knotColour(), '-');

    TorusEffect set{&beat};
    giveOwnChoices(set);
    play(set, 3.1f, false);
    EXPECT_NE(pixels, picked);
    EXPECT_EQ(knotColour(), '?');

    TorusEffect setThenBeat{&beat};
    giveOwnChoices(setThenBeat);
    play(setThenBeat, 3.1f, true);
    EXPECT_EQ(pixels, picked);
}

// Beats seeded so that the colour pick, then the knot pick, draws rand()'s largest value.
TEST_F(TorusEffectTest, TheLargestRandomValuePicksTheLastColourAndKnot) {
    TorusEffect colourPick{&beat};
    colourPick.init(&display, &system);
    play(colourPick, 24884 / 20000.0f, true);
    EXPECT_EQ(knotColour(), 'y');

    TorusEffect knotPick{&beat};
    knotPick.init(&display, &system);
    play(knotPick, 35257 / 20000.0f, true);
    const std::vector<uint8_t> picked = pixels;
    TorusEffect lastKnot{&beat};
    lastKnot.init(&display, &system);
    lastKnot.trigger(0, "pq", "34");
    lastKnot.trigger(0, "color", "000255000");
    play(lastKnot, 35257 / 20000.0f, false);
    EXPECT_EQ(pixels, picked);
}

TEST_F(TorusEffectTest, ReplayingAfterASeekBackPicksTheSameColours) {
    TorusEffect torus{&beat};
    torus.init(&display, &system);
    std::string first, replay;
    for (int round = 0; round < 2; ++round) {
        torus.start();
        std::string& colours = round == 0 ? first : replay;
        for (int i = 1; i <= 12; ++i) {
            const float time = 0.37f * static_cast<float>(i);
            play(torus, time, true);
            colours += knotColour();
            play(torus, time + 0.1f, false);
            EXPECT_EQ(knotColour(), colours.back());
        }
    }
    EXPECT_EQ(first, replay);
    EXPECT_EQ(first.find_first_not_of("rgby"), std::string::npos) << first;
    EXPECT_GT(std::set<char>(first.begin(), first.end()).size(), 1u) << first;
}

TEST_F(TorusEffectTest, ToggleHidesTheKnotAndANewNodeShowsItAgain) {
    TorusEffect torus{&beat};
    torus.init(&display, &system);
    torus.trigger(0, "toggle", "");
    play(torus, 0.5f, false);
    EXPECT_EQ(knotColour(), '-');
    torus.trigger(0, "toggle", "");
    play(torus, 0.6f, false);
    EXPECT_EQ(knotColour(), 'r');
    torus.trigger(0, "toggle", "");
    torus.start();
    play(torus, 0.7f, false);
    EXPECT_EQ(knotColour(), 'r');
}

TEST_F(TorusEffectTest, PqTakesTwoDigitsAndShortTextsStillDraw) {
    TorusEffect torus{&beat};
    torus.init(&display, &system);
    play(torus, 0, false);
    const std::vector<uint8_t> oneTwo = pixels;
    torus.trigger(0, "pq", "25");
    play(torus, 0, false);
    EXPECT_NE(pixels, oneTwo);
    torus.trigger(0, "pq", "12");
    play(torus, 0, false);
    EXPECT_EQ(pixels, oneTwo);
    // At time 0 nothing moves, so only the knot changes the picture. A missing digit reads
    // as 0; no windings at all draws nothing, and nothing fails.
    EXPECT_NO_THROW(torus.trigger(0, "pq", ""));
    for (const char* text : {"7", "x9"}) {
        torus.trigger(0, "pq", text);
        play(torus, 0, false);
        EXPECT_NE(knotColour(), '-') << text;
    }
}

} // namespace
