#pragma once
// TGA files for tests and seeds: the header, an optional colour map of 24-bit entries, then
// the rows in the order the origin bits ask for, raw or as run-length packets.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace testing_support {

struct TgaSettings {
    int type = 2;   // 1 colour-mapped, 2 true colour, 3 grey; + 8 run-length encoded
    int bits = 24;  // per stored pixel (an index in a colour-mapped file)
    int origin = 0; // 0x20 the top row first, 0x10 each row right to left
    int width = 0;
    int height = 0;
    std::vector<uint8_t> colourMap; // blue, green, red of each entry
};

// pixel(x, y) gives the bytes that store pixel (x, y) of the picture; runs of equal pixels
// become repeat packets.
inline std::vector<uint8_t> writeTga(const TgaSettings& settings,
                                     const std::function<std::vector<uint8_t>(int, int)>& pixel) {
    const size_t entries = settings.colourMap.size() / 3;
    const bool rle = settings.type > 8;
    std::vector<uint8_t> out(18, 0);
    out[1] = entries > 0;
    out[2] = uint8_t(settings.type);
    out[5] = uint8_t(entries);
    out[6] = uint8_t(entries >> 8);
    out[7] = entries > 0 ? 24 : 0;
    out[12] = uint8_t(settings.width);
    out[13] = uint8_t(settings.width >> 8);
    out[14] = uint8_t(settings.height);
    out[15] = uint8_t(settings.height >> 8);
    out[16] = uint8_t(settings.bits);
    out[17] = uint8_t(settings.origin);
    for (uint8_t byte : settings.colourMap)
        out.push_back(byte);
    for (int row = 0; row < settings.height; ++row) {
        std::vector<std::vector<uint8_t>> pixels;
        for (int column = 0; column < settings.width; ++column)
            pixels.push_back(pixel(settings.origin & 0x10 ? settings.width - 1 - column : column,
                                   settings.origin & 0x20 ? row : settings.height - 1 - row));
        for (size_t x = 0, run = 1; x < pixels.size(); x += run, run = 1) {
            while (rle && run < 128 && x + run < pixels.size() && pixels[x + run] == pixels[x])
                ++run;
            if (rle)
                out.push_back(uint8_t(run > 1 ? 0x80 | (run - 1) : 0));
            out.insert(out.end(), pixels[x].begin(), pixels[x].end());
        }
    }
    return out;
}

} // namespace testing_support
