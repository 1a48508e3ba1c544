// The overlay font as the panels load it from "marquel.font".

#include "SystemFixture.h"
#include "common/TempDir.h"
#include "marquel/Exception.h"
#include "marquel/overlay/Hud.h"
#include "marquel/overlay/Inspector.h"
#include "vx/FileSystem.h"

#include <gtest/gtest.h>

using system_test::fontFile;

namespace {

class PanelTest : public ::testing::Test {
protected:
    PanelTest() {
        files.addPath(dir.prefix());
        dir.write("marquel_logo.png", system_test::logoPng(8, 8));
    }

    std::string refusal(const std::string& font) {
        dir.write("marquel.font", font);
        try {
            Marquel::Hud hud(&files);
            return "loaded";
        } catch (const Marquel::Exception& e) {
            return e.what();
        }
    }

    testing_support::TempDir dir;
    Vx::FileSystem files;
};

} // namespace

TEST_F(PanelTest, GlyphBitsRunOnAcrossRowsAndGlyphs) {
    // W = 3 makes rows and glyphs start inside bytes. Glyph c has pixel (r, k) set when
    // (c + r + k) % 5 == 0; glyph 200 alone is empty.
    auto inked = [](int c, int r, int k) { return c != 200 && (c + r + k) % 5 == 0; };
    dir.write("marquel.font", fontFile(3, 5, inked));
    Marquel::Inspector inspector(&files);
    ASSERT_EQ(inspector.fontWidth, 3);
    ASSERT_EQ(inspector.fontHeight, 5);
    ASSERT_EQ(inspector.glyphs.size(), 256u * 15);
    for (int c = 0; c < 256; ++c)
        for (int r = 0; r < 5; ++r)
            for (int k = 0; k < 3; ++k)
                ASSERT_EQ(inspector.glyphPixel(c, r, k), inked(c, r, k) ? 1 : 0)
                    << c << " " << r << " " << k;
    EXPECT_EQ(inspector.advances[200], 0) << "an empty glyph";
    EXPECT_EQ(inspector.advances[0], 2 + 3) << "rightmost inked column 2";
    EXPECT_EQ(inspector.width, 512u);
    EXPECT_EQ(inspector.pixels.size(), 512u * 512);
    EXPECT_FALSE(inspector.visible);
    EXPECT_TRUE(inspector.dirty);
}

TEST_F(PanelTest, AdvanceIsTheRightmostInkedColumnPlusThreeAndFourForSpace) {
    dir.write("marquel.font", system_test::barFont());
    Marquel::Hud hud(&files);
    EXPECT_EQ(hud.advances['A'], 65 % 8 + 3);
    EXPECT_EQ(hud.advances[5], 8) << "rightmost column 5";
    EXPECT_EQ(hud.advances[255], 7 + 3);
    EXPECT_EQ(hud.advances[' '], 4) << "whatever its glyph";
    EXPECT_EQ(hud.width, 64u);
    EXPECT_EQ(hud.height, 32u);
    EXPECT_EQ(hud.clipBottom, 32);
}

TEST_F(PanelTest, MissingForeignEmptyOrShortFontsAreRefused) {
    EXPECT_EQ(refusal(""), "Font not an Ilvane Binary Font -!-\n");
    EXPECT_EQ(refusal("IBF"), "Font not an Ilvane Binary Font -!-\n");
    EXPECT_EQ(refusal("PNG!" + std::string(2054, '\0')), "Font not an Ilvane Binary Font -!-\n");
    EXPECT_EQ(refusal("IBF!\x08"), "[Marquel] 'marquel.font' ends before its glyph size (5 bytes)");
    EXPECT_EQ(refusal(std::string("IBF!\x00\x08", 6) + std::string(100, '\xff')),
              "[Marquel] 'marquel.font' has an empty glyph size of 0 x 8");
    EXPECT_EQ(refusal(std::string("IBF!\x08\x00", 6)),
              "[Marquel] 'marquel.font' has an empty glyph size of 8 x 0");
    const std::string full = system_test::barFont();
    EXPECT_EQ(full.size(), 6u + 2048);
    EXPECT_EQ(refusal(full.substr(0, full.size() - 1)),
              "[Marquel] 'marquel.font' is cut short: 2053 bytes where a 8 x 8 font needs 2054");
    EXPECT_EQ(refusal(full), "loaded");
    EXPECT_EQ(refusal(full + "trailing bytes are not read"), "loaded");

    std::filesystem::remove(dir.path() / "marquel.font");
    try {
        Marquel::Inspector inspector(&files);
        ADD_FAILURE() << "loaded without a font";
    } catch (const Marquel::Exception& e) {
        EXPECT_EQ(e.what(),
                  "[Marquel] Could not find 'marquel.font'!\n[Marquel] The working folder is '" +
                      std::filesystem::current_path().string() +
                      "', and the font was looked for as '" +
                      (dir.path() / "marquel.font").string() + "'");
    }
}

TEST_F(PanelTest, SetFontReplacesTheFontAndARefusedOneKeepsTheCurrentOneWhole) {
    dir.write("marquel.font", system_test::barFont());
    Marquel::Hud hud(&files);
    const std::vector<uint8_t> before = hud.glyphs;
    const auto advancesBefore = hud.advances;

    // The header claims 16 x 16 glyphs, the bytes hold far fewer: taking the size alone
    // would make every later glyph read run past the old glyphs.
    std::string cut = std::string("IBF!\x10\x10", 6) + std::string(100, '\xff');
    auto bytes = [](const std::string& text) {
        return reinterpret_cast<const uint8_t*>(text.data());
    };
    EXPECT_THROW(hud.setFont(bytes(cut), int32_t(cut.size())), Marquel::Exception);
    EXPECT_EQ(hud.fontWidth, 8);
    EXPECT_EQ(hud.fontHeight, 8);
    EXPECT_EQ(hud.glyphs, before);
    EXPECT_EQ(hud.advances, advancesBefore);
    Marquel::TextItem item;
    item.text = "still drawn";
    EXPECT_GT(hud.drawText(item), 0);

    auto inked = [](int c, int r, int k) { return (c + r + k) % 3 == 0; };
    std::string small = fontFile(3, 5, inked);
    hud.setFont(bytes(small), int32_t(small.size()));
    EXPECT_EQ(hud.fontWidth, 3);
    EXPECT_EQ(hud.fontHeight, 5);
    EXPECT_EQ(hud.glyphs.size(), 256u * 15);
    EXPECT_EQ(hud.glyphPixel(1, 1, 1), inked(1, 1, 1) ? 1 : 0);
}
