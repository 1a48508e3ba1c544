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

} // namespace
