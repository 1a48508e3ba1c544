#pragma once
// Content: the generator of every data file of the demo (pictures, fonts, logo, music,
// script, configuration). Everything is drawn or synthesised here from fixed numbers, so
// the same source always gives the same bytes.

#include <cstdint>
#include <vector>

namespace Content {

// The project's own pixel font: every printable ASCII character on a grid of 4 columns and
// 8 rows (capitals 7 rows tall, row 7 for descenders). One design serves the overlay font
// file, the loader's font strip, the logo and the lettering on the pictures.
class PixelFont {
public:
    static constexpr int COLUMNS = 4;
    static constexpr int ROWS = 8;

    // Whether the pixel at (column, row) of character c is inked; characters outside
    // 33..126 are blank.
    static bool inked(char c, int column, int row);

    // The overlay font file: "IBF!", width, height and the glyphs of all 256 codes as one
    // bit stream, first pixel in the most significant bit. The cell is one column wider
    // than the glyphs so that proportional advances keep a gap.
    static std::vector<uint8_t> fontFile();
};

} // namespace Content
