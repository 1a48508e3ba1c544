// The loading screen's greeting: one more letter quad for each step of progress.

#include "demo/LoaderEffect.h"
#include "EffectFixture.h"

#include <cstring>

namespace {

class LoaderEffectTest : public EffectFixture {
protected:
    void SetUp() override {
        EffectFixture::SetUp();
        // Letter cells white, the blank cell and everything after it red.
        writePicture("font.png", 512, 8, [](int x, int) {
            return x < 430 ? Rgba{255, 255, 255, 255} : Rgba{255, 0, 0, 255};
        });
        loader.init(&display, &system);
    }

    // Where the middle of character v lands: the line is tilted by 30 degrees, one unit
    // in front of the camera.
    static std::array<int, 2> placeOf(int v) {
        const float along = 0.025f * static_cast<float>(v - 14) + 0.015f;
        return project(along * std::cos(0.5235988f), along * std::sin(0.5235988f), -1);
    }

    // The lit character quads after a step of 12, as the player drives the loader for a script
    // of 26 top-level nodes: letters sample the white cells, spaces the red blank cell.
    struct Count {
        int letters = 0;
        int spaces = 0;
    };
    Count countShown(int step) {
        loader.trigger(0, "max", "26");
        loader.trigger(0, "percent", std::to_string(static_cast<float>(step) / 12));
        loader.trigger(0, "index", std::to_string(step));
        frame([&] { loader.render(0, 0, static_cast<float>(step) / 26); });
        Count count;
        for (int v = 0; v < 29; ++v) {
            const Rgba c = pixel(placeOf(v)[0], placeOf(v)[1]);
            if (c[1] > 20)
                ++count.letters;
            else if (c[0] > 20)
                ++count.spaces;
        }
        return count;
    }

    LoaderEffect loader;
};

TEST_F(LoaderEffectTest, TheLineGrowsWithTheEffectsLoadedAndIsWholeAtTheLastStep) {
    ASSERT_EQ(std::strlen(LoaderEffect::GREETING), 29u);
    Count shown = countShown(0);
    EXPECT_EQ(shown.letters + shown.spaces, 1);
    EXPECT_EQ(shown.letters, 1);
    shown = countShown(5);
    EXPECT_EQ(shown.letters + shown.spaces, 15);
    EXPECT_EQ(shown.letters, 8);
    shown = countShown(11);
    EXPECT_EQ(shown.letters, 15);
    EXPECT_EQ(shown.spaces, 14);
}

TEST_F(LoaderEffectTest, CellsFollowTheFontStripOrder) {
    EXPECT_FLOAT_EQ(LoaderEffect::cellOf('a'), 0);
    EXPECT_FLOAT_EQ(LoaderEffect::cellOf('z'), 25 * 0.009765625f);
    EXPECT_FLOAT_EQ(LoaderEffect::cellOf('0'), 26 * 0.009765625f);
    EXPECT_FLOAT_EQ(LoaderEffect::cellOf('!'), 36 * 0.009765625f);
    EXPECT_FLOAT_EQ(LoaderEffect::cellOf(','), 42 * 0.009765625f);
    EXPECT_FLOAT_EQ(LoaderEffect::cellOf('('), 43 * 0.009765625f);
    EXPECT_FLOAT_EQ(LoaderEffect::cellOf('\\'), 51 * 0.009765625f);
    for (char blank : {' ', 'A', 'Z', '#', '\0'})
        EXPECT_FLOAT_EQ(LoaderEffect::cellOf(blank), 0.83984375f) << int(blank);
}

} // namespace
