// The picture squares: size and alpha from splines, plain until a "texture" trigger.

#include "demo/ImageEffect.h"
#include "EffectFixture.h"
#include "marquel/Exception.h"
#include "vorlik/TextureManager.h"

namespace {

class ImageEffectTest : public EffectFixture {
protected:
    void SetUp() override {
        EffectFixture::SetUp();
        for (const char* name : {"mccool.png", "mcboner.png", "mcbonertwist.png", "mcscroller.png"})
            writeFlat(name, {0, 255, 0, 255});
        writeFlat("mcstar.png", {0, 0, 255, 255});
        writeFlat("mcbrallor.png", {255, 0, 0, 255});
    }

    // Lit pixels along the row and the column through (x, y).
    std::array<int, 2> extentThrough(int x, int y) const {
        std::array<int, 2> lit{};
        for (int i = 0; i < WIDTH; ++i)
            lit[0] += pixel(i, y)[0] > 40;
        for (int i = 0; i < HEIGHT; ++i)
            lit[1] += pixel(x, i)[0] > 40;
        return lit;
    }

    ImageEffect kel{&beat};
};

TEST_F(ImageEffectTest, SplinesGiveSizeAlphaAndPlaceOfAPlainSquare) {
    kel.init(&display, &system);
    kel.spline(0, "size", 10);
    kel.spline(0, "alpha", 5);
    frame([&] { kel.render(0, 0, 0); });
    // Plain white at half alpha over black, though "mcbrallor.png" is the current texture.
    EXPECT_THAT(pixel(WIDTH / 2, HEIGHT / 2), NearColour(Rgba({128, 128, 128}), 3));
    // Half-side 1 at depth 8.
    const auto corner = project(1, 1, -8);
    const int side = 2 * (corner[1] - HEIGHT / 2);
    const auto lit = extentThrough(WIDTH / 2, HEIGHT / 2);
    EXPECT_NEAR(lit[0], side, 2);
    EXPECT_NEAR(lit[1], side, 2);

    kel.spline(0, "x", 10);
    kel.spline(0, "y", -10);
    kel.spline(0, "size", 2);
    frame([&] { kel.render(0, 0, 0); });
    const auto moved = project(1, -1, -8);
    EXPECT_THAT(pixel(moved[0], moved[1]), NearColour(Rgba({128, 128, 128}), 3));
    EXPECT_THAT(pixel(WIDTH / 2, HEIGHT / 2), NearColour(Rgba({0, 0, 0}), 0));
}

TEST_F(ImageEffectTest, TextureTriggerTexturesTheSquareFromTheCache) {
    kel.init(&display, &system);
    Vorlik::TextureManager* textures = display.getTextureManager();
    EXPECT_EQ(textures->getCachedCount(), 6u);
    ImageEffect second{&beat};
    second.init(&display, &system);
    EXPECT_EQ(textures->getCachedCount(), 6u);

    frame([&] { kel.render(0, 0, 0); });
    EXPECT_THAT(pixel(WIDTH / 2, HEIGHT / 2), NearColour(Rgba({255, 255, 255}), 1));

    kel.trigger(0, "texture", "mcstar.png");
    EXPECT_EQ(textures->getCachedCount(), 6u);
    kel.trigger(0, "color", "255255128");
    kel.spline(0, "alpha", 5);
    frame([&] { kel.render(0, 0, 0); });
    EXPECT_THAT(pixel(WIDTH / 2, HEIGHT / 2), NearColour(Rgba({0, 0, 64}), 3));
    // The other object is still plain.
    frame([&] { second.render(0, 0, 0); });
    EXPECT_THAT(pixel(WIDTH / 2, HEIGHT / 2), NearColour(Rgba({255, 255, 255}), 1));
}

TEST_F(ImageEffectTest, AMissingPictureOrAWindowWithoutTexturesFailsWithAMessage) {
    kel.init(&display, &system);
    EXPECT_THROW(kel.trigger(0, "texture", "nothere.png"), std::exception);
    // What a configuration with a software window leaves the effects.
    ImageEffect withoutOpenGL{&beat};
    EXPECT_EQ(raisedMessage<Marquel::Exception>([&] { withoutOpenGL.load(&system); }),
              "[Marquel] The demo's effects need an OpenGL window; cannot load 'mccool.png' "
              "(set the window type to \"opengl\")");
}

} // namespace
