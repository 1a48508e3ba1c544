#pragma once

#include "marquel/Event.h"
#include "marquel/overlay/TextItem.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace Vx {
class FileSystem;
}

namespace Marquel {

// A software 32-bit ARGB canvas with the bitmap font of "marquel.font": the base of the
// overlay panels the display draws over the frame.
class Panel {
public:
    // Loads the font through files at once, then makes a 512 x 512 transparent canvas.
    // Throws Marquel::Exception for a missing, foreign or damaged font.
    explicit Panel(Vx::FileSystem* files);
    virtual ~Panel() = default;
    Panel(const Panel&) = delete;
    Panel& operator=(const Panel&) = delete;

    virtual void redraw() = 0;
    // The base repaints whenever the frame brought any record.
    virtual void handleEvents(EventList& events);

    // A new canvas of w x h transparent black pixels, clipping reset to all of its rows.
    void resize(uint32_t w, uint32_t h);
    // Replaces the font with the "marquel.font" bytes in data. Throws Marquel::Exception, as
    // the constructor does, for a foreign or damaged font, and then keeps the current one.
    void setFont(const uint8_t* data, int32_t size);

    // Drawing: x grows to the right, y downwards, (0, 0) is the top-left pixel. Nothing is
    // ever written outside the canvas. With clip set, scrollY is subtracted from y and only
    // the rows clipTop <= row < clipBottom are touched (for text: the whole line or nothing).
    // None of these sets dirty: the panel classes do after a repaint.

    // A w x h rectangle. A clipped rectangle that starts above the band and reaches below
    // its end is not drawn at all.
    void fillRect(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour, bool clip);
    // The pixels (cx + j, cy + i), i and j from -d/2 to d/2 - 1, inside the circle of
    // radius d/2; never clipped to the band.
    void fillDisc(int32_t cx, int32_t cy, int32_t d, uint32_t colour);
    // ORs colour into one pixel.
    void orPixel(int32_t x, int32_t y, uint32_t colour, bool clip);
    // Draws item's text with the font and returns its advance in pixels, the whole text's
    // even where maxWidth or the canvas cut it; 0 for a clipped line that was skipped.
    int32_t drawText(const TextItem& item);
    // The advance drawText gives text, without drawing it.
    int32_t textWidth(const std::string& text) const;

    void show() { visible = true; }
    void hide() { visible = false; }
    void toggle() { visible = !visible; }

    // 1 for an inked pixel of glyph c, row r, column k.
    uint8_t glyphPixel(int c, int r, int k) const {
        return glyphs[(static_cast<size_t>(c) * fontHeight + r) * fontWidth + k];
    }

    uint32_t width = 0;
    uint32_t height = 0;
    // Row-major, row 0 at the top, each pixel 0xAARRGGBB.
    std::vector<uint32_t> pixels;
    // Set by the panel classes after a repaint, cleared by the display after an upload.
    bool dirty = false;
    bool visible = false;
    int32_t clipTop = 0;
    int32_t clipBottom = 0;
    Vx::FileSystem* files;
    int32_t scrollY = 0;
    uint8_t fontWidth = 0;
    uint8_t fontHeight = 0;
    // One byte (0 or 1) per pixel of the 256 glyphs, in character order.
    std::vector<uint8_t> glyphs;
    std::array<uint8_t, 256> advances{};

private:
    void loadFont();
    // Sets a pixel when (x, y) lies on the canvas.
    void setPixel(int64_t x, int64_t y, uint32_t colour);
};

} // namespace Marquel
