#pragma once
// Tiny images and archives made inside the tests: PNGs through libpng in any format,
// JPEGs through libjpeg's compressor, zip archives through minizip's writer.

#include "common/JpegWriter.h"
#include "common/TempDir.h"
#include "vx/FileSystem.h"

#include <cstdint>
#include <cstdio>
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <png.h>
#include <string>
#include <utility>
#include <vector>
#include <zip.h>

namespace vx_test {

using Bytes = std::vector<uint8_t>;

// A picture whose channels all differ, so swapped or shifted bytes show.
inline uint8_t sample(int x, int y, int channel) {
    return static_cast<uint8_t>(x * 37 + y * 11 + channel * 71 + (x ^ y) * 3);
}

// Stored in any libpng-supported format; 16-bit samples repeat their 8-bit value.
inline Bytes makePng(int width, int height, int colorType, int bitDepth, bool interlaced = false) {
    int channels = colorType == PNG_COLOR_TYPE_RGB          ? 3
                   : colorType == PNG_COLOR_TYPE_RGB_ALPHA  ? 4
                   : colorType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                                                            : 1;
    int sampleBytes = bitDepth == 16 ? 2 : 1;
    size_t stride = size_t(width) * channels * sampleBytes;
    Bytes pixels(stride * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < channels; ++c)
                for (int b = 0; b < sampleBytes; ++b) {
                    uint8_t value = sample(x, y, c);
                    if (colorType == PNG_COLOR_TYPE_PALETTE)
                        value %= 4;
                    pixels[y * stride + (size_t(x) * channels + c) * sampleBytes + b] = value;
                }
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        ADD_FAILURE() << "libpng could not write the test image";
        return Bytes();
    }
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, png_size_t size) {
            Bytes* target = static_cast<Bytes*>(png_get_io_ptr(p));
            target->insert(target->end(), data, data + size);
        },
        nullptr);
    png_set_IHDR(png, info, width, height, colorType == PNG_COLOR_TYPE_PALETTE ? 8 : bitDepth,
                 colorType, interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_color palette[4] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    if (colorType == PNG_COLOR_TYPE_PALETTE)
        png_set_PLTE(png, info, palette, 4);
    png_write_info(png, info);
    std::vector<png_bytep> rows(height);
    for (int y = 0; y < height; ++y)
        rows[y] = pixels.data() + y * stride;
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

// A baseline JPEG of flat colour (so it decodes back to nearly that colour) or of gray.
inline Bytes makeJpeg(int width, int height, uint8_t red, uint8_t green, uint8_t blue,
                      bool gray = false) {
    testing_support::JpegSettings settings;
    settings.width = width;
    settings.height = height;
    settings.components = gray ? 1 : 3;
    settings.space = gray ? JCS_GRAYSCALE : JCS_RGB;
    settings.quality = 95;
    return testing_support::writeJpeg(settings, [&](int, uint8_t* row) {
        for (int x = 0; x < width; ++x) {
            if (gray) {
                row[x] = red;
                continue;
            }
            row[x * 3] = red;
            row[x * 3 + 1] = green;
            row[x * 3 + 2] = blue;
        }
    });
}

// Entries stored uncompressed when asked, so a test can find and damage their bytes.
inline void makeZip(const std::string& path,
                    const std::vector<std::pair<std::string, std::string>>& entries,
                    bool stored = false) {
    zipFile zip = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
    ASSERT_NE(zip, nullptr);
    for (const auto& entry : entries) {
        zip_fileinfo info = {};
        ASSERT_EQ(zipOpenNewFileInZip(zip, entry.first.c_str(), &info, nullptr, 0, nullptr, 0,
                                      nullptr, stored ? 0 : Z_DEFLATED, Z_DEFAULT_COMPRESSION),
                  ZIP_OK);
        ASSERT_EQ(zipWriteInFileInZip(zip, entry.second.data(), unsigned(entry.second.size())),
                  ZIP_OK);
        ASSERT_EQ(zipCloseFileInZip(zip), ZIP_OK);
    }
    ASSERT_EQ(zipClose(zip, nullptr), ZIP_OK);
}

inline std::string text(const Vx::File& file) {
    return std::string(file->getChars(), size_t(file->getSize()));
}

inline std::string asString(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// The message a call throws as Vx::Exception; empty when it throws nothing.
template <typename Call> std::string messageOf(Call call) {
    try {
        call();
    } catch (const Vx::Exception& e) {
        return e.what();
    }
    return std::string();
}

class VxTest : public ::testing::Test {
protected:
    testing_support::TempDir dir;
    Vx::FileSystem fs;
};

} // namespace vx_test
