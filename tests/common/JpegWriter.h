#pragma once
// JPEG files made with libjpeg's own compressor, for tests, seeds and benchmarks: one
// place drives the compressor, each caller says only what goes into a row.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

namespace testing_support {

struct JpegSettings {
    int width = 0;
    int height = 0;
    int components = 3;
    J_COLOR_SPACE space = JCS_RGB;
    int quality = 90;
    bool progressive = false;
    bool arithmetic = false;
    // libjpeg marks CMYK files as Photoshop does, inks inverted; false writes plain inks.
    bool adobeMarker = true;
};

// fillRow(y, row) writes row y (width × components bytes) before it is compressed.
inline std::vector<uint8_t> writeJpeg(const JpegSettings& settings,
                                      const std::function<void(int, uint8_t*)>& fillRow) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr errors;
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = settings.width;
    cinfo.image_height = settings.height;
    cinfo.input_components = settings.components;
    cinfo.in_color_space = settings.space;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, settings.quality, TRUE);
    if (!settings.adobeMarker)
        cinfo.write_Adobe_marker = FALSE;
    if (settings.progressive)
        jpeg_simple_progression(&cinfo);
    cinfo.arith_code = settings.arithmetic ? TRUE : FALSE;
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<uint8_t> row(size_t(settings.width) * settings.components);
    while (cinfo.next_scanline < cinfo.image_height) {
        fillRow(static_cast<int>(cinfo.next_scanline), row.data());
        JSAMPROW pointer = row.data();
        jpeg_write_scanlines(&cinfo, &pointer, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<uint8_t> out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

} // namespace testing_support
