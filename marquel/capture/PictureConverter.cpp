#include "marquel/capture/PictureConverter.h"

#include "marquel/capture/AvCheck.h"

extern "C" {
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace Marquel {

namespace {

constexpr int BYTES_PER_PIXEL = 4;

} // namespace

PictureConverter::PictureConverter(int32_t newWidth, int32_t newHeight, bool averaging)
    : width(newWidth), height(newHeight), codedWidth(coded(newWidth)),
      codedHeight(coded(newHeight)) {
    try {
        open(averaging);
    } catch (...) {
        // What was made before a failure goes with it.
        release();
        throw;
    }
}

void PictureConverter::open(bool averaging) {
    picture = avCheckAlloc(av_frame_alloc(), "make a picture");
    picture->format = AV_PIX_FMT_YUV420P;
    picture->width = codedWidth;
    picture->height = codedHeight;
    avCheck(av_frame_get_buffer(picture, 0), "make a picture");
    if (codedWidth != width || codedHeight != height)
        padded.resize(static_cast<size_t>(codedWidth) * codedHeight * BYTES_PER_PIXEL);
    // By default the point converter: half the time of averaging the four, and the time
    // counts, since the recording is to keep up with the demo.
    scale =
        avCheckAlloc(sws_getContext(codedWidth, codedHeight, AV_PIX_FMT_BGRA, codedWidth,
                                    codedHeight, AV_PIX_FMT_YUV420P,
                                    averaging ? SWS_AREA : SWS_POINT, nullptr, nullptr, nullptr),
                     "make the colour converter");
    // Studio-range BT.709, as the stream says: players show the colours the demo drew.
    avCheck(sws_setColorspaceDetails(scale, sws_getCoefficients(SWS_CS_DEFAULT), 1,
                                     sws_getCoefficients(SWS_CS_ITU709), 0, 0, 1 << 16, 1 << 16),
            "set the colour converter to BT.709");
}

PictureConverter::~PictureConverter() {
    release();
}

void PictureConverter::release() {
    sws_freeContext(scale);
    scale = nullptr;
    av_frame_free(&picture);
}

AVFrame* PictureConverter::convert(const uint8_t* rows) {
    avCheck(av_frame_make_writable(picture), "make a picture");
    const ptrdiff_t rowBytes = static_cast<ptrdiff_t>(width) * BYTES_PER_PIXEL;
    const ptrdiff_t codedBytes = static_cast<ptrdiff_t>(codedWidth) * BYTES_PER_PIXEL;
    const uint8_t* source = rows;
    if (!padded.empty()) {
        // The rows come bottom first, so the bottom row is the one that repeats before them;
        // each row's last pixel repeats after it.
        const int32_t extraRows = codedHeight - height;
        for (int32_t y = 0; y < codedHeight; ++y) {
            uint8_t* out = padded.data() + y * codedBytes;
            std::memcpy(out, rows + std::max(y - extraRows, 0) * rowBytes,
                        static_cast<size_t>(rowBytes));
            if (codedBytes > rowBytes)
                std::memcpy(out + rowBytes, out + rowBytes - BYTES_PER_PIXEL, BYTES_PER_PIXEL);
        }
        source = padded.data();
    }
    // A negative stride reads the rows top first.
    const uint8_t* top[1] = {source + (codedHeight - 1) * codedBytes};
    const int stride[1] = {static_cast<int>(-codedBytes)};
    avCheck(sws_scale(scale, top, stride, 0, codedHeight, picture->data, picture->linesize),
            "convert a picture");
    return picture;
}

} // namespace Marquel
