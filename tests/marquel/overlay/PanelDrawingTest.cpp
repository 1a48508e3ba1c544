// Drawing on the overlay canvases: rectangles, discs, pixels and text, their clip band and
// scroll, the canvas edges, and the HUD's box and texts.

#include "SystemFixture.h"
#include "common/TempDir.h"
#include "marquel/overlay/Hud.h"
#include "marquel/overlay/Panel.h"
#include "vx/FileSystem.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

using system_test::codeGlyph;
using system_test::fontFile;
using system_test::readCodeText;

namespace {

constexpr uint32_t INK = 0xFF112233;

uint32_t pixelAt(const Marquel::Panel& panel, int x, int y) {
    return panel.pixels[static_cast<size_t>(y) * panel.width + x];
}

// A panel that paints nothing by itself.
class Canvas : public Marquel::Panel {
public:
    using Panel::Panel;
    void redraw() override {}

    uint32_t at(int x, int y) const { return pixelAt(*this, x, y); }
    int inked() const {
        int n = 0;
        for (uint32_t p : pixels)
            n += p != 0;
        return n;
    }
};

class PanelDrawingTest : public ::testing::Test {
protected:
    PanelDrawingTest() {
        files.addPath(dir.prefix());
        dir.write("marquel.font", system_test::barFont());
    }

    Marquel::TextItem text(const std::string& s, int x, int y, int maxWidth = 0,
                           bool clip = false) {
        Marquel::TextItem item;
        item.text = s;
        item.x = x;
        item.y = y;
        item.colour = INK;
        item.maxWidth = maxWidth;
        item.clip = clip;
        return item;
    }

    testing_support::TempDir dir;
    Vx::FileSystem files;
};

} // namespace

TEST_F(PanelDrawingTest, ClippedRectanglesScrollAndKeepToTheBand) {
    Canvas canvas(&files);
    canvas.resize(8, 40);
    canvas.clipTop = 10;
    canvas.clipBottom = 20;
    canvas.scrollY = 5;
    auto rowsSet = [&] {
        std::string rows;
        for (int y = 0; y < 40; ++y)
            rows += canvas.at(3, y) ? '#' : '.';
        canvas.pixels.assign(canvas.pixels.size(), 0);
        return rows;
    };
    canvas.fillRect(0, 17, 8, 4, INK, true); // rows 12 to 15 after the scroll
    EXPECT_EQ(rowsSet(), std::string(12, '.') + "####" + std::string(24, '.'));
    canvas.fillRect(0, 20, 8, 10, INK, true); // 15 to 24: cut at the band's end
    EXPECT_EQ(rowsSet(), std::string(15, '.') + "#####" + std::string(20, '.'));
    canvas.fillRect(0, 8, 8, 10, INK, true); // 3 to 12: starts at the band's top
    EXPECT_EQ(rowsSet(), std::string(10, '.') + "###" + std::string(27, '.'));
    canvas.fillRect(0, 5, 8, 30, INK, true); // above the band and past its end: nothing
    EXPECT_EQ(rowsSet(), std::string(40, '.'));
    canvas.fillRect(0, 30, 8, 2, INK, true); // wholly below
    EXPECT_EQ(rowsSet(), std::string(40, '.'));
    canvas.fillRect(0, 5, 8, 30, INK, false); // unclipped: no scroll, no band
    EXPECT_EQ(rowsSet(), std::string(5, '.') + std::string(30, '#') + std::string(5, '.'));
    canvas.fillRect(2, 0, 3, 1, INK, false);
    EXPECT_EQ(canvas.at(1, 0), 0u);
    EXPECT_EQ(canvas.at(2, 0), INK);
    EXPECT_EQ(canvas.at(4, 0), INK);
    EXPECT_EQ(canvas.at(5, 0), 0u) << "x grows by w, no more";
}

TEST_F(PanelDrawingTest, RectanglesNeverReachPastTheCanvas) {
    Canvas canvas(&files);
    canvas.resize(16, 8);
    // Off the left edge would land at the end of the row above; off the right edge at the
    // start of the next row.
    canvas.fillRect(-3, 4, 5, 1, INK, false);
    EXPECT_EQ(canvas.at(15, 3), 0u);
    EXPECT_EQ(canvas.at(1, 4), INK);
    EXPECT_EQ(canvas.inked(), 2);
    canvas.fillRect(14, 1, 6, 1, INK, false);
    EXPECT_EQ(canvas.at(0, 2), 0u);
    EXPECT_EQ(canvas.inked(), 4);

    canvas.pixels.assign(canvas.pixels.size(), 0);
    canvas.fillRect(-100, -100, 1000, 1000, INK, false);
    EXPECT_EQ(canvas.inked(), 16 * 8);
    canvas.pixels.assign(canvas.pixels.size(), 0);
    canvas.fillRect(INT_MAX - 1, INT_MAX - 1, INT_MAX, INT_MAX, INK, false); // sums overflow
    canvas.fillRect(INT_MIN, INT_MIN, INT_MAX, INT_MAX, INK, false);
    canvas.fillRect(3, 3, -2, -2, INK, false);
    canvas.fillRect(5, -50, 1, INT_MAX, INK, true); // a band far beyond the canvas
    EXPECT_EQ(canvas.inked(), 0);
    canvas.clipTop = -100;
    canvas.clipBottom = 100;
    canvas.fillRect(0, -50, 1, 99, INK, true);
    EXPECT_EQ(canvas.inked(), 8) << "a band wider than the canvas still ends at its rows";
}

TEST_F(PanelDrawingTest, DiscsFillTheInsideOfTheirCircleAndStopAtTheEdges) {
    Canvas canvas(&files);
    canvas.resize(32, 32);
    canvas.fillDisc(10, 10, 6, INK);
    // r = 3: offsets -3 to 2 whose i * i + j * j is below 9.
    int expected = 0;
    for (int i = -4; i <= 4; ++i) {
        for (int j = -4; j <= 4; ++j) {
            const bool inside = i >= -3 && i <= 2 && j >= -3 && j <= 2 && i * i + j * j < 9;
            expected += inside;
            EXPECT_EQ(canvas.at(10 + j, 10 + i), inside ? INK : 0u) << i << " " << j;
        }
    }
    EXPECT_EQ(canvas.inked(), expected);
    canvas.pixels.assign(canvas.pixels.size(), 0);
    canvas.fillDisc(10, 10, 1, INK); // radius 0
    canvas.fillDisc(10, 10, -8, INK);
    EXPECT_EQ(canvas.inked(), 0);

    canvas.clipTop = 20;
    canvas.scrollY = 50;
    canvas.fillDisc(0, 0, 8, INK); // the band does not apply; the canvas edges do
    EXPECT_EQ(canvas.at(0, 0), INK);
    EXPECT_EQ(canvas.at(31, 0), 0u) << "no wrap into the row above";
    EXPECT_EQ(canvas.at(31, 31), 0u);
    canvas.fillDisc(31, 31, 8, INK);
    EXPECT_EQ(canvas.at(0, 31), 0u) << "no wrap into the row below";
    canvas.pixels.assign(canvas.pixels.size(), 0);
    canvas.fillDisc(16, 16, INT_MAX, INK);
    EXPECT_EQ(canvas.inked(), 32 * 32);
    canvas.pixels.assign(canvas.pixels.size(), 0);
    canvas.fillDisc(INT_MAX, INT_MIN, INT_MAX, INK);
    EXPECT_EQ(canvas.inked(), 0);
}

TEST_F(PanelDrawingTest, PixelsAreOredInsideTheBandAndTheCanvas) {
    Canvas canvas(&files);
    canvas.resize(8, 8);
    canvas.orPixel(2, 3, 0xFF000000, false);
    canvas.orPixel(2, 3, 0x00110022, false);
    EXPECT_EQ(canvas.at(2, 3), 0xFF110022u);
    canvas.clipTop = 2;
    canvas.clipBottom = 4;
    canvas.scrollY = 3;
    canvas.orPixel(1, 5, INK, true); // row 2
    canvas.orPixel(1, 7, INK, true); // row 4: outside the band
    canvas.orPixel(1, 4, INK, true); // row 1: outside the band
    EXPECT_EQ(canvas.at(1, 2), INK);
    EXPECT_EQ(canvas.inked(), 2);
    for (auto [x, y] : {std::pair{-1, 1}, {8, 1}, {0, -1}, {0, 8}, {INT_MIN, INT_MAX}})
        canvas.orPixel(x, y, INK, false);
    EXPECT_EQ(canvas.inked(), 2);
}

TEST_F(PanelDrawingTest, TextDrawsGlyphBitsAtTheirAdvancesWithoutBackground) {
    dir.write("marquel.font", fontFile(6, 8, codeGlyph));
    Canvas canvas(&files);
    canvas.resize(100, 20);
    canvas.fillRect(0, 0, 100, 20, 0xFF000001, false);
    const std::string upper = "\x80\xC3\xFF";
    EXPECT_EQ(canvas.drawText(text("Az" + upper, 4, 5)), 5 * 8);
    EXPECT_EQ(readCodeText(canvas, 4, 5, 5, INK), "Az" + upper)
        << "codes above 127 draw their own glyphs";
    EXPECT_EQ(canvas.at(4 + 5, 5), INK) << "row 0, last column";
    EXPECT_EQ(canvas.at(4 + 4, 5), 0xFF000001u) << "an unset glyph pixel keeps the canvas";
    EXPECT_EQ(canvas.at(4, 4), 0xFF000001u);
    EXPECT_EQ(canvas.at(4 + 40, 5), 0xFF000001u);
}

TEST_F(PanelDrawingTest, MaxWidthCutsTheColumnsButNotTheAdvance) {
    Canvas canvas(&files); // bar font: glyph c is c % 8 + 1 columns wide, every row
    canvas.resize(64, 16);
    // '\x07' is 8 wide and advances 10: columns 0 to 19 of "\x07\x07\x07" are 0-7, 10-17.
    EXPECT_EQ(canvas.drawText(text("\x07\x07\x07", 2, 1, 20)), 30);
    std::string row;
    for (int x = 0; x < 40; ++x)
        row += canvas.at(x, 3) == INK ? '#' : '.';
    EXPECT_EQ(row, "..########..########....................");
    EXPECT_EQ(canvas.drawText(text("\x07", 2, 10, -1)), 10) << "a negative width draws nothing";
    EXPECT_EQ(canvas.at(2, 10), 0u);
}

TEST_F(PanelDrawingTest, ClippedTextIsDrawnWholeOrSkipped) {
    Canvas canvas(&files);
    canvas.resize(64, 64);
    canvas.clipTop = 10;
    canvas.clipBottom = 30;
    canvas.scrollY = 100;
    EXPECT_EQ(canvas.drawText(text("\x03", 0, 100 + 22, 0, true)), 0) << "22 + 8 reaches the end";
    EXPECT_EQ(canvas.drawText(text("\x03", 0, 100 + 8, 0, true)), 0) << "more than a row above";
    EXPECT_EQ(canvas.inked(), 0);
    EXPECT_EQ(canvas.drawText(text("\x03", 0, 100 + 21, 0, true)), 6);
    EXPECT_EQ(canvas.at(0, 21), INK);
    EXPECT_EQ(canvas.at(0, 28), INK);
    EXPECT_EQ(canvas.drawText(text("\x03", 10, 100 + 9, 0, true)), 6) << "one row above passes";
    EXPECT_EQ(canvas.at(10, 9), INK);
    EXPECT_EQ(canvas.drawText(text("\x03", 20, 5, 0, false)), 6) << "unclipped: no scroll";
    EXPECT_EQ(canvas.at(20, 5), INK);
}

TEST_F(PanelDrawingTest, TextNeverReachesPastTheCanvas) {
    Canvas canvas(&files);
    canvas.resize(16, 16);
    // A long value runs off the right edge: nothing may wrap into the following rows.
    const std::string longText(1000, '\x07');
    EXPECT_EQ(canvas.drawText(text(longText, 4, 2)), 10000);
    for (int y = 10; y < 16; ++y)
        for (int x = 0; x < 4; ++x)
            ASSERT_EQ(canvas.at(x, y), 0u) << x << " " << y;
    EXPECT_EQ(canvas.at(15, 2), INK);
    canvas.pixels.assign(canvas.pixels.size(), 0);
    canvas.drawText(text("\x07\x07", -5, 3)); // columns -5 to 2, then 5 to 12
    EXPECT_EQ(canvas.at(15, 2), 0u) << "no wrap into the row above";
    EXPECT_EQ(canvas.at(2, 3), INK);
    EXPECT_EQ(canvas.at(3, 3), 0u);
    canvas.pixels.assign(canvas.pixels.size(), 0);
    canvas.drawText(text("\x07", 0, -4)); // rows -4 to 3
    canvas.drawText(text("\x07", 0, 12)); // rows 12 to 19
    EXPECT_EQ(canvas.inked(), 8 * 4 + 8 * 4);
    canvas.drawText(text(longText, INT_MAX - 5, INT_MIN));
    canvas.drawText(text(longText, INT_MIN, INT_MAX));
    EXPECT_EQ(canvas.inked(), 64);
}

TEST_F(PanelDrawingTest, HudShowsClockAndRateFromInfoRecords) {
    dir.write("marquel.font", fontFile(6, 8, codeGlyph));
    Marquel::Hud hud(&files);
    hud.dirty = false;
    Marquel::EventList events;
    Marquel::Event key;
    key.type = Marquel::EVENT_KEYDOWN;
    events.append(key);
    hud.handleEvents(events);
    EXPECT_FALSE(hud.dirty) << "only info records repaint";
    EXPECT_EQ(hud.pixels[0], 0u);

    Marquel::Event info;
    info.type = Marquel::EVENT_INFO;
    info.infoTime = 75.678f;
    info.infoStart = 12.5f;
    info.infoFps = 59.6f;
    events.append(info);
    hud.handleEvents(events);
    EXPECT_TRUE(hud.dirty);
    EXPECT_FLOAT_EQ(hud.time, 75.678f);
    EXPECT_FLOAT_EQ(hud.start, 12.5f);
    EXPECT_FLOAT_EQ(hud.fps, 59.6f);
    EXPECT_EQ(readCodeText(hud, 3, 2, 8, 0xFFFFFFFF), "01:15.67");
    EXPECT_EQ(readCodeText(hud, 3, 16, 6, 0xFFFFFFFF), "fps:60");
    // The box: black edge on the top, bottom and left, dark red inside up to the right edge.
    EXPECT_EQ(pixelAt(hud, 0, 0), 0xAA000000u);
    EXPECT_EQ(pixelAt(hud, 63, 0), 0xAA000000u);
    EXPECT_EQ(pixelAt(hud, 0, 15), 0xAA000000u);
    EXPECT_EQ(pixelAt(hud, 63, 31), 0xAA000000u);
    EXPECT_EQ(pixelAt(hud, 1, 1), 0xAA660000u);
    EXPECT_EQ(pixelAt(hud, 63, 30), 0xAA660000u);

    for (auto [time, shown] : {std::pair{3600.0f, "00:00.00"},
                               {3725.5f, "02:05.50"},
                               {59.999f, "00:59.99"},
                               {0.0f, "00:00.00"}}) {
        events.clear();
        info.infoTime = time;
        events.append(info);
        hud.handleEvents(events);
        EXPECT_EQ(readCodeText(hud, 3, 2, 8, 0xFFFFFFFF), shown) << time;
    }

    // A message wraps to the window less its margins: at spaces, and where it must in a word
    // wider than the room (84 pixels of text: 10 characters).
    hud.fitInto(100, 200);
    hud.setMessage("one two three fourfivesixseven");
    EXPECT_EQ(hud.messageLines,
              (std::vector<std::string>{"one two", "three", "fourfivesi", "xseven"}));
    EXPECT_EQ(hud.width, 86u);
    EXPECT_EQ(hud.height, 32u + 4 * 14);
    EXPECT_EQ(readCodeText(hud, 3, 30 + 2 * 14, 10, 0xFFFFFFFF), "fourfivesi");
    // No higher than the window: what does not fit under the clock is left out.
    hud.fitInto(100, 60);
    EXPECT_EQ(hud.messageLines, std::vector<std::string>{"one two"});
    EXPECT_EQ(hud.height, 46u);
}
