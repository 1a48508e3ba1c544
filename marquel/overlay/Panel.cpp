#include "marquel/overlay/Panel.h"

#include "marquel/Exception.h"
#include "vx/FileSystem.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>

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

// Coordinates are widened to 64 bits before any sum, so that no position or size a caller
// passes can overflow into the canvas from the other side.
void Panel::fillRect(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour, bool clip) {
    int64_t top = y;
    int64_t rows = h;
    if (clip) {
        top -= scrollY;
        if (top + rows >= clipBottom) {
            if (top < clipTop)
                return;
            rows = clipBottom - top;
        }
        if (top < clipTop) {
            rows -= clipTop - top;
            top = clipTop;
        }
    }
    const int64_t left = std::max<int64_t>(x, 0);
    const int64_t right = std::min<int64_t>(int64_t(x) + w, width);
    const int64_t bottom = std::min<int64_t>(top + rows, height);
    if (left >= right)
        return;
    for (int64_t row = std::max<int64_t>(top, 0); row < bottom; ++row) {
        auto rowStart = pixels.begin() + row * width;
        std::fill(rowStart + left, rowStart + right, colour);
    }
}

void Panel::fillDisc(int32_t cx, int32_t cy, int32_t d, uint32_t colour) {
    const int32_t r = d / 2;
    if (r <= 0)
        return;
    // Only the part of the square that lies on the canvas is visited.
    const int64_t firstRow = std::max<int64_t>(-r, -int64_t(cy));
    const int64_t lastRow = std::min<int64_t>(r - 1, int64_t(height) - 1 - cy);
    const int64_t firstColumn = std::max<int64_t>(-r, -int64_t(cx));
    const int64_t lastColumn = std::min<int64_t>(r - 1, int64_t(width) - 1 - cx);
    for (int64_t i = firstRow; i <= lastRow; ++i) {
        for (int64_t j = firstColumn; j <= lastColumn; ++j) {
            const float di = static_cast<float>(i) / r;
            const float dj = static_cast<float>(j) / r;
            if (std::sqrt(di * di + dj * dj) < 1.0f)
                setPixel(cx + j, cy + i, colour);
        }
    }
}

void Panel::orPixel(int32_t x, int32_t y, uint32_t colour, bool clip) {
    int64_t row = y;
    if (clip) {
        row -= scrollY;
        if (row >= clipBottom || row < clipTop)
            return;
    }
    if (x >= 0 && row >= 0 && x < int64_t(width) && row < int64_t(height))
        pixels[row * width + x] |= colour;
}

int32_t Panel::drawText(const TextItem& item) {
    int64_t top = item.y;
    if (item.clip) {
        top -= scrollY;
        if (top + fontHeight >= clipBottom || top < int64_t(clipTop) - 1)
            return 0;
    }
    int64_t offset = 0;
    for (unsigned char c : item.text) {
        const int64_t left = item.x + offset;
        const bool onCanvas = left < int64_t(width) && left + fontWidth > 0;
        if (onCanvas && (item.maxWidth == 0 || offset < item.maxWidth)) {
            for (int r = 0; r < fontHeight; ++r)
                for (int k = 0; k < fontWidth; ++k)
                    if (glyphPixel(c, r, k) && (item.maxWidth == 0 || offset + k < item.maxWidth))
                        setPixel(left + k, top + r, item.colour);
        }
        offset += advances[c];
    }
    return static_cast<int32_t>(std::min<int64_t>(offset, INT32_MAX));
}

int32_t Panel::textWidth(const std::string& text) const {
    int64_t advance = 0;
    for (unsigned char c : text)
        advance += advances[c];
    return static_cast<int32_t>(std::min<int64_t>(advance, INT32_MAX));
}

void Panel::setPixel(int64_t x, int64_t y, uint32_t colour) {
    if (x >= 0 && y >= 0 && x < int64_t(width) && y < int64_t(height))
        pixels[y * width + x] = colour;
}

void Panel::loadFont() {
    Vx::File font = files->readFile(FONT_NAME);
    if (font.isNull()) {
        // The search paths are relative: a player started from another folder looks
        // elsewhere, and the user needs to see where.
        std::error_code unknown;
        const std::string folder = std::filesystem::current_path(unknown).string();
        std::string tried;
        for (const std::string& path : files->lookupPaths(FONT_NAME))
            tried += (tried.empty() ? "'" : ", '") + path + "'";
        throw Exception("[Marquel] Could not find 'marquel.font'!\n[Marquel] The working folder "
                        "is '%s', and the font was looked for as %s",
                        folder.c_str(),
                        tried.empty() ? "nothing: no folder is searched" : tried.c_str());
    }
    setFont(font->getData(), font->getSize());
}

void Panel::setFont(const uint8_t* data, int32_t size) {
    if (size < 4 || std::memcmp(data, "IBF!", 4) != 0)
        throw Exception("Font not an Ilvane Binary Font -!-\n");
    if (size < HEADER_SIZE)
        throw Exception("[Marquel] 'marquel.font' ends before its glyph size (%d bytes)", size);
    // Checked in locals first, so that a refused font leaves the current one whole.
    const uint8_t newWidth = data[4];
    const uint8_t newHeight = data[5];
    if (newWidth == 0 || newHeight == 0) {
        throw Exception("[Marquel] 'marquel.font' has an empty glyph size of %d x %d", newWidth,
                        newHeight);
    }
    const size_t pixelCount = 256u * newWidth * newHeight;
    // 256 glyphs of W x H bits are always a whole number of bytes: 32 x W x H.
    const size_t needed = HEADER_SIZE + pixelCount / 8;
    if (static_cast<size_t>(size) < needed) {
        throw Exception("[Marquel] 'marquel.font' is cut short: %d bytes where a %d x %d font "
                        "needs %zu",
                        size, newWidth, newHeight, needed);
    }

    // One continuous bit stream, most significant bit first, no padding anywhere.
    const uint8_t* bits = data + HEADER_SIZE;
    fontWidth = newWidth;
    fontHeight = newHeight;
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
