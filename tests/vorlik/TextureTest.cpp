// Making textures: their sides, pixels, target, upload and OpenGL state, and the failures.

#include "TextureFixture.h"

#include "vorlik/Exception.h"

#include <cmath>

namespace {

using Vorlik::TEX_1D;
using Vorlik::TEX_2D;
using Vorlik::TEX_MIPMAP;

constexpr Vorlik::TextureDesc PLAIN_2D{0, 0, 0, TEX_2D};

// Column and row of a picture spelled in colour levels 16 and 12 apart, so that rounding in
// the rasteriser cannot turn one place into its neighbour: red and green hold the column,
// blue the row modulo 16.
Rgb placeColour(int x, int y) {
    return {uint8_t((x % 16) * 16 + 8), uint8_t((x / 16) * 12 + 8), uint8_t((y % 16) * 16 + 8)};
}

int columnOf(Rgb rgb) {
    return int(std::lround((rgb[0] - 8) / 16.0)) + 16 * int(std::lround((rgb[1] - 8) / 12.0));
}

int rowModulo16Of(Rgb rgb) {
    return int(std::lround((rgb[2] - 8) / 16.0));
}

using TextureTest = TextureFixture;

TEST_F(TextureTest, PowerOfTwoPathScalesByNearestNeighbour) {
    openWindow(512, 256);
    withoutNonPowerOfTwo();
    writePicture("wide.png", 300, 200, placeColour);
    Vorlik::TextureRef texture = manager->getTexture("wide.png", PLAIN_2D);
    EXPECT_EQ(texture->getWidth(), 512);
    EXPECT_EQ(texture->getHeight(), 256);
    EXPECT_EQ(texture->getDepth(), 1);
    EXPECT_EQ(glSides(texture), (std::array<int, 2>{512, 256}));

    // Both scales are exact binary fractions, so nearest neighbour is the floor of the
    // scaled place: texel 511 comes from column 299, texel 255 from row 199.
    std::vector<uint8_t> rgb = drawAndRead(texture);
    int wrong = 0;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 512; ++x) {
            Rgb seen = pixelAt(rgb, x, y);
            if (columnOf(seen) != x * 300 / 512 || rowModulo16Of(seen) != (y * 200 / 256) % 16)
                ++wrong;
        }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(columnOf(pixelAt(rgb, 511, 0)), 299);
    EXPECT_EQ(columnOf(pixelAt(rgb, 2, 0)), 1);
    EXPECT_EQ(rowModulo16Of(pixelAt(rgb, 0, 255)), 199 % 16);
    EXPECT_EQ(rowModulo16Of(pixelAt(rgb, 0, 5)), 3);
}

TEST_F(TextureTest, SidesRoundUpToPowersOfTwo) {
    openWindow(64, 64);
    withoutNonPowerOfTwo();
    struct Case {
        int width, height, textureWidth, textureHeight;
    };
    for (Case c : {Case{257, 256, 512, 256}, Case{3, 1, 4, 1}, Case{1, 5, 1, 8}}) {
        std::string name = std::to_string(c.width) + "x" + std::to_string(c.height) + ".png";
        writePicture(name, c.width, c.height, placeColour);
        Vorlik::TextureRef texture = manager->getTexture(name, PLAIN_2D);
        EXPECT_EQ(glSides(texture), (std::array<int, 2>{c.textureWidth, c.textureHeight})) << name;
        EXPECT_EQ(texture->getWidth(), c.textureWidth) << name;
        EXPECT_EQ(texture->getHeight(), c.textureHeight) << name;
    }
}

TEST_F(TextureTest, ThreeColumnsSpreadOverFourTexels) {
    openWindow(4, 4);
    withoutNonPowerOfTwo();
    const Rgb columns[3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    writePicture("three.png", 3, 3, [&](int x, int) { return columns[x]; });
    Vorlik::TextureRef texture = manager->getTexture("three.png", PLAIN_2D);
    ASSERT_EQ(glSides(texture), (std::array<int, 2>{4, 4}));
    // A step of 3/4: texels 0..3 take columns 0, 0, 1, 2.
    std::vector<uint8_t> rgb = drawAndRead(texture);
    EXPECT_EQ(pixelAt(rgb, 0, 1), columns[0]);
    EXPECT_EQ(pixelAt(rgb, 1, 1), columns[0]);
    EXPECT_EQ(pixelAt(rgb, 2, 1), columns[1]);
    EXPECT_EQ(pixelAt(rgb, 3, 1), columns[2]);
}

TEST_F(TextureTest, DriverWithTheExtensionKeepsThePictureSides) {
    openWindow(300, 200);
    // Mesa announces non-power-of-two textures, so the driver's own text is used here.
    ASSERT_TRUE(manager->hasExtension("ARB_texture_non_power_of_two"));
    writePicture("wide.png", 300, 200, placeColour);
    Vorlik::TextureRef texture = manager->getTexture("wide.png", PLAIN_2D);
    EXPECT_EQ(glSides(texture), (std::array<int, 2>{300, 200}));
    std::vector<uint8_t> rgb = drawAndRead(texture);
    EXPECT_EQ(pixelAt(rgb, 299, 199), placeColour(299, 199));
    EXPECT_EQ(pixelAt(rgb, 17, 33), placeColour(17, 33));

    // The driver is asked again for every texture.
    withoutNonPowerOfTwo();
    Vorlik::TextureRef rounded = manager->getTexture("wide.png", PLAIN_2D, "rounded");
    EXPECT_EQ(glSides(rounded), (std::array<int, 2>{512, 256}));
}

TEST_F(TextureTest, ExtensionMustEndAtASpaceOrTheEnd) {
    openWindow(64, 64);
    writePicture("wide.png", 300, 200, placeColour);
    struct Case {
        const char* extensions;
        int width;
    };
    int made = 0;
    for (Case c : {Case{"GL_ARB_texture_non_power_of_two_foo GL_X", 512},
                   Case{"GL_X GL_ARB_texture_non_power_of_two", 300},
                   Case{"GL_ARB_texture_non_power_of_two GL_X", 300},
                   Case{"GL_ARB_texture_non_power_of_two_foo GL_ARB_texture_non_power_of_two", 300},
                   Case{"GL_ARB_texture_non_power_of_twoGL_X", 512}}) {
        std::string text = c.extensions;
        manager->setExtensionSource([text] { return text; });
        Vorlik::TextureRef texture =
            manager->getTexture("wide.png", PLAIN_2D, "case" + std::to_string(made++));
        EXPECT_EQ(texture->getWidth(), c.width) << c.extensions;
    }
}

TEST_F(TextureTest, MipmapsKeepThePictureSidesAndFilterLinearly) {
    openWindow(64, 64);
    withoutNonPowerOfTwo();
    writePicture("wide.png", 300, 200, placeColour);
    Vorlik::TextureRef texture = manager->getTexture("wide.png");
    EXPECT_EQ(texture->getWidth(), 300);
    EXPECT_EQ(texture->getHeight(), 200);
    // GLU scales a copy to powers of two below the picture before it builds the levels.
    std::array<int, 2> base = glSides(texture);
    EXPECT_EQ(glSides(texture, 1), (std::array<int, 2>{base[0] / 2, base[1] / 2}));

    Vorlik::Texture& made = asTexture(texture);
    made.bind();
    GLint magnify = 0, minify = 0, wrapS = 0, wrapT = 0, bound = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magnify);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minify);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrapS);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrapT);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(magnify, GL_LINEAR);
    EXPECT_EQ(minify, GL_LINEAR);
    EXPECT_EQ(wrapS, GL_REPEAT);
    EXPECT_EQ(wrapT, GL_REPEAT);
    EXPECT_EQ(GLuint(bound), made.getId());
    made.unbind();
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 0);
}

TEST_F(TextureTest, OneRowPicturesMake1DTexturesUnless2DIsAsked) {
    openWindow(4, 4);
    const Rgb ramp[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}};
    writePicture("row.png", 4, 1, [&](int x, int) { return ramp[x]; });

    Vorlik::TextureRef line = manager->getTexture("row.png", {0, 0, 0, TEX_1D});
    EXPECT_EQ(asTexture(line).getTarget(), GLuint(GL_TEXTURE_1D));
    GLint width = 0;
    line->bind();
    glGetTexLevelParameteriv(GL_TEXTURE_1D, 0, GL_TEXTURE_WIDTH, &width);
    line->unbind();
    EXPECT_EQ(width, 4);
    std::vector<uint8_t> rgb = drawAndRead(line);
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(pixelAt(rgb, x, 3), ramp[x]) << x;

    Vorlik::TextureRef flat = manager->getTexture("row.png", {0, 0, 0, TEX_1D | TEX_2D});
    EXPECT_EQ(asTexture(flat).getTarget(), GLuint(GL_TEXTURE_2D));
    EXPECT_EQ(glSides(flat), (std::array<int, 2>{4, 1}));

    Vorlik::TextureRef built = manager->getTexture("row.png", {0, 0, 0, TEX_1D | TEX_MIPMAP});
    EXPECT_EQ(asTexture(built).getTarget(), GLuint(GL_TEXTURE_1D));
}

TEST_F(TextureTest, DescriptionsWithoutATargetAreRefused) {
    openWindow(64, 64);
    writePicture("wide.png", 300, 200, placeColour);
    writePicture("tall.png", 1, 2, placeColour);
    EXPECT_EQ(raisedMessage<Vorlik::Exception>([&] {
                  manager->getTexture("wide.png", {0, 0, 0, TEX_MIPMAP});
              }),
              "Could not load 200x300 image");
    // Two rows are no line.
    EXPECT_EQ(raisedMessage<Vorlik::Exception>([&] {
                  manager->getTexture("tall.png", {0, 0, 0, TEX_1D});
              }),
              "Could not load 2x1 image");
    EXPECT_EQ(manager->getCachedCount(), 0u);
}

TEST_F(TextureTest, MissingPicturesFailWithTheFileSystemMessage) {
    openWindow(64, 64);
    EXPECT_EQ(raisedMessage<Vx::Exception>([&] { manager->getTexture("absent.png"); }),
              "Vx::loadImage, File not found (absent.png)");
    dir.write("broken.png", "not a picture");
    EXPECT_EQ(raisedMessage<Vx::Exception>([&] { manager->getTexture("broken.png"); }),
              "[Vx::loadPNG] Not a png-file! Header is wrong!");
    EXPECT_EQ(manager->getCachedCount(), 0u);
    Vorlik::TextureManager unready;
    EXPECT_EQ(raisedMessage<Vorlik::Exception>([&] { unready.getTexture("wide.png"); }),
              "Could not load 'wide.png', no file system to read it from!");
}

TEST_F(TextureTest, PicturesWithoutPixelsAreRefused) {
    openWindow(64, 64);
    withoutNonPowerOfTwo();
    // Rounding up would make a 1 x 1 texture to be filled from no pixels at all.
    Vx::Image empty(new Vx::ImageObject(0, 0, nullptr, nullptr, "empty"));
    EXPECT_EQ(raisedMessage<Vorlik::Exception>([&] { Vorlik::Texture(manager, PLAIN_2D, empty); }),
              "Could not load 0x0 image");
    EXPECT_EQ(
        raisedMessage<Vx::Exception>([&] { Vorlik::Texture(manager, PLAIN_2D, Vx::Image()); }),
        "Image::operator*() Attempt to dereference (NULL)ImageObject!");
}

} // namespace
