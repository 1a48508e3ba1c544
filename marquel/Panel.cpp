#include "marquel/Panel.h"

#include "marquel/Exception.h"
#include "vx/FileSystem.h"

#include <algorithm>
#include <cstring>

namespace Marquel {

namespace {

constexpr const char* FONT_NAME = "marquel.font";
constexpr int HEADER_SIZE = 6;

} // namespace

Panel::Panel(Vx::FileSystem* files) : files(files) {
    loadFont();
    width = height = 512;
    dirty = true;
    visible = false;
    scrollY = 0;
    resize(512, 512);
}

void Panel::handleEvents(EventList& events) {
    if (events.count > 0)
        redraw();
}

void Panel::resize(uint32_t w, uint32_t h) {
    width = w;
    height = h;
    clipTop = 0;
    clipBottom = static_cast<int32_t>(h);
    pixels.assign(static_cast<size_t>(w) * h, 0);
}

void Panel::loadFont() {
    Vx::File font = files->readFile(FONT_NAME);
    if (font.isNull())
        throw Exception("[Marquel] Could not find 'marquel.font'!");
    const uint8_t* data = font->getData();
    const int32_t size = font->getSize();
    if (size < 4 || std::memcmp(data, "IBF!", 4) != 0)
        throw Exception("Font not an Ilvane Binary Font -!-\n");
    if (size < HEADER_SIZE)
        throw Exception("[Marquel] 'marquel.font' ends before its glyph size (%d bytes)", size);
    fontWidth = data[4];
    fontHeight = data[5];
    if (fontWidth == 0 || fontHeight == 0) {
        throw Exception("[Marquel] 'marquel.font' has an empty glyph size of %d x %d", fontWidth,
                        fontHeight);
    }
    const size_t pixelCount = 256u * fontWidth * fontHeight;
    // 256 glyphs of W x H bits are always a whole number of bytes: 32 x W x H.
    const size_t needed = HEADER_SIZE + pixelCount / 8;
    if (static_cast<size_t>(size) < needed) {
        throw Exception("[Marquel] 'marquel.font' is cut short: %d bytes where a %d x %d font "
                        "needs %zu",
                        size, fontWidth, fontHeight, needed);
    }

    // One continuous bit stream, most significant bit first, no padding anywhere.
    const uint8_t* bits = data + HEADER_SIZE;
    glyphs.resize(pixelCount);
    for (size_t n = 0; n < pixelCount; ++n)
        glyphs[n] = (bits[n / 8] >> (7 - n % 8)) & 1;

    // A glyph advances past its rightmost inked column with a gap; an empty glyph by nothing.
    for (int c = 0; c < 256; ++c) {
        int rightmost = -1;
        for (int r = 0; r < fontHeight; ++r)
            for (int k = fontWidth - 1; k > rightmost; --k)
                if (glyphPixel(c, r, k))
                    rightmost = k;
        advances[c] = rightmost < 0 ? 0 : static_cast<uint8_t>(std::min(rightmost + 3, 255));
    }
    advances[' '] = 4;
}

} // namespace Marquel
