#pragma once

#include <cstdint>
#include <vector>

struct AVFrame;
struct SwsContext;

namespace Marquel {

// Turns the rows a display reads back (B, G, R, A, the bottom row first) into the H.264
// encoder's pictures: studio-range BT.709 in 4:2:0, whose even sizes an odd edge reaches by
// repeating its last row or column once.
class PictureConverter {
public:
    // The coded size for a side of the frame.
    static int32_t coded(int32_t side) { return side + side % 2; }

    // averaging takes each 2 x 2 block's colour as the average of its four pixels, else as
    // the average of the lower two. Throws Marquel::Exception when FFmpeg cannot make it.
    PictureConverter(int32_t width, int32_t height, bool averaging);
    ~PictureConverter();
    PictureConverter(const PictureConverter&) = delete;
    PictureConverter& operator=(const PictureConverter&) = delete;

    // The picture made from rows of width * height pixels; the converter owns it and
    // writes the next one into it.
    AVFrame* convert(const uint8_t* rows);

private:
    void open(bool averaging);
    void release();

    int32_t width, height;
    int32_t codedWidth, codedHeight;
    std::vector<uint8_t> padded;
    AVFrame* picture = nullptr;
    SwsContext* scale = nullptr;
};

} // namespace Marquel
