#pragma once
// Files the panels read, made by the tests: a bitmap font and the inspector's logo.

#include "marquel/overlay/Panel.h"
#include "vx/Image.h"
#include "vx/ImageManager.h"
#include "vx/ImageObject.h"

#include <cstdint>
#include <functional>
#include <string>

namespace system_test {

// A font file: W x H glyphs where inked(c, r, k) says which pixels are set.
inline std::string fontFile(int w, int h, const std::function<bool(int, int, int)>& inked) {
    std::string bytes = "IBF!";
    bytes += static_cast<char>(w);
    bytes += static_cast<char>(h);
    std::string bits(static_cast<size_t>(32 * w * h), '\0');
    size_t n = 0;
    for (int c = 0; c < 256; ++c)
        for (int r = 0; r < h; ++r)
            for (int k = 0; k < w; ++k, ++n)
                if (inked(c, r, k))
                    bits[n / 8] = static_cast<char>(bits[n / 8] | (0x80 >> (n % 8)));
    return bytes + bits;
}

// Every glyph a bar of c % 8 + 1 columns: glyph c's rightmost inked column is c % 8.
inline std::string barFont() {
    return fontFile(8, 8, [](int c, int, int k) { return k <= c % 8; });
}

// Glyphs 6 wide and 8 high that spell their own code: row 0 has its last column inked, so
// every character advances by 8; rows 1 and 2 hold the high and the low four bits of the
// code in columns 0 to 3, most significant first.
inline bool codeGlyph(int c, int r, int k) {
    if (r == 0)
        return k == 5;
    if (r == 1 || r == 2)
        return k < 4 && ((c >> ((r == 1 ? 4 : 0) + 3 - k)) & 1);
    return false;
}

// Reads count characters of code-font text drawn in colour at (x, y).
inline std::string readCodeText(const Marquel::Panel& panel, int x, int y, int count,
                                uint32_t colour) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        int code = 0;
        for (int bit = 0; bit < 8; ++bit) {
            const int k = bit % 4;
            const int r = bit < 4 ? 1 : 2;
            code = code * 2 +
                   (panel.pixels[static_cast<size_t>(y + r) * panel.width + x + 8 * i + k] == colour
                        ? 1
                        : 0);
        }
        text += static_cast<char>(code);
    }
    return text;
}

// The blue, green, red and alpha bytes of logo pixel (x, y): alpha is never 0xff, so a
// copy that forces it opaque shows.
inline uint32_t logoPixel(int x, int y) {
    return uint32_t(x * 7 % 256) | uint32_t(y * 13 % 256) << 8 | uint32_t((x + y) % 256) << 16 |
           uint32_t(0x40) << 24;
}

// A w x h PNG file of logoPixel, made with the image library's own encoder.
inline std::string logoPng(int w, int h) {
    Vx::Image image(new Vx::ImageObject(w, h, nullptr, nullptr, "logo.png"));
    uint8_t* data = image->getWriteData();
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const uint32_t p = logoPixel(x, y);
            for (int b = 0; b < 4; ++b)
                *data++ = static_cast<uint8_t>(p >> (8 * b));
        }
    }
    Vx::ImageManager manager;
    const Vx::File file = manager.encodeImage("logo.png", image);
    return file->getText();
}

} // namespace system_test
