// The beat stars: star n swells at entry n of the beat table.

#include "demo/StarEffect.h"
#include "EffectFixture.h"
#include "demo/Random.h"

namespace {

const float TABLE[] = {0.116f, 0.394f, 0.693f, 0.912f, 1.175f, 1.242f, 1.787f,
                       1.985f, 2.147f, 2.333f, 2.522f, 2.867f, 3.099f, 3.119f};

class StarEffectTest : public EffectFixture {
protected:
    void SetUp() override {
        EffectFixture::SetUp();
        writeFlat("mcuniverse.png", {255, 0, 0, 255});
        star.init(&display, &system);
        // The sky the effect draws from its fixed seed.
        Random::srand(4123122);
        for (int i = 0; i < StarEffect::STARS; ++i) {
            const float x = (static_cast<float>(Random::rand()) / 32767 - 0.5f) * 8;
            const float y = (static_cast<float>(Random::rand()) / 32767 - 0.5f) * 6;
            places.push_back(project(x, y, -8));
        }
    }

    void play(float time) {
        frame([&] { star.render(time, 0, 0); });
    }

    // Lit pixels in a box around star i: about 9 at rest, the whole box when swollen.
    int litAt(int i) const { return litAround(places[i][0], places[i][1], 10); }

    // The brightest pixel in the box around star i: the star's own colour.
    Rgba colourAt(int i) const {
        Rgba best{0, 0, 0, 0};
        for (int y = places[i][1] - 3; y <= places[i][1] + 3; ++y)
            for (int x = places[i][0] - 3; x <= places[i][0] + 3; ++x) {
                const Rgba c = pixel(x, y);
                if (c[0] + c[1] + c[2] > best[0] + best[1] + best[2])
                    best = c;
            }
        return best;
    }

    StarEffect star{&beat};
    std::vector<std::array<int, 2>> places;
};

TEST_F(StarEffectTest, StarNSwellsAtTableEntryN) {
    star.start();
    play(0);
    for (int i = 0; i < StarEffect::STARS; ++i)
        EXPECT_LE(litAt(i), 30) << "star " << i << " at rest";
    for (int n : {0, 4, 5, 12, 13}) {
        play(TABLE[n] - 0.002f);
        const int before = litAt(n);
        play(TABLE[n] + 0.002f);
        EXPECT_GT(litAt(n) - before, 300) << "star " << n;
    }
}

TEST_F(StarEffectTest, AJumpSwellsEveryStarWhoseEntryItPassedAndANewNodeRestsThemAll) {
    star.start();
    play(0);
    play(2.2f);
    for (int n = 0; n <= 8; ++n)
        EXPECT_GT(litAt(n), 300) << "star " << n;
    EXPECT_LE(litAt(9), 30);
    star.start();
    play(0);
    for (int n = 0; n <= 8; ++n)
        EXPECT_LE(litAt(n), 30) << "star " << n;
}

TEST_F(StarEffectTest, PastTheTableNoStarSwellsAndSwollenOnesShrinkBack) {
    star.start();
    play(0);
    play(8);
    play(11.5f);
    for (int i = 0; i < StarEffect::STARS; ++i)
        EXPECT_LE(litAt(i), 30) << "star " << i;
    play(1000);
    for (int i = 0; i < StarEffect::STARS; ++i)
        EXPECT_LE(litAt(i), 30) << "star " << i;
}

TEST_F(StarEffectTest, NewPicksOneRandomColourForAllStarsAndTextureTexturesThem) {
    // Stars in the middle of the window, well inside it.
    const int a = 7, b = 21;
    ASSERT_GT(places[a][0], 10);
    ASSERT_GT(places[b][0], 10);
    star.start();
    play(0);
    // Plain white, though the loaded picture is red.
    EXPECT_THAT(colourAt(a), NearColour(Rgba({255, 255, 255}), 2));

    star.trigger(0, "new", "");
    play(0.01f);
    const Rgba first = colourAt(a);
    EXPECT_FALSE(testing::Value(first, NearColour(Rgba({255, 255, 255}), 2)));
    EXPECT_GT(first[0] + first[1] + first[2], 0);
    EXPECT_THAT(colourAt(b), NearColour(first, 2)) << "every star takes the same colour";

    star.trigger(0, "new", "");
    play(0.02f);
    EXPECT_FALSE(testing::Value(colourAt(a), NearColour(first, 2))) << "the next pick differs";

    // A named picture textures the stars from then on.
    writeFlat("mcstar.png", {0, 0, 255, 255});
    star.trigger(0, "color", "255255255");
    star.trigger(0, "texture", "mcstar.png");
    play(0.03f);
    EXPECT_THAT(colourAt(a), NearColour(Rgba({0, 0, 255}), 2));
    EXPECT_THAT(colourAt(b), NearColour(Rgba({0, 0, 255}), 2));
}

} // namespace
