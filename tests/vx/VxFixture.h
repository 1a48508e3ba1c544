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

// Channel c of (x, y) as a file of a bit depth stores it: the top bits of a 16-bit value whose
// high byte is sample(x, y, c), so 8-bit files hold sample(x, y, c) itself.
inline uint32_t storedSample(int x, int y, int c, int bitDepth) {
    return (uint32_t(sample(x, y, c)) << 8 | sample(x, y, c + 4)) >> (16 - bitDepth);
}

// Palette entry i as R, G, B and its alpha in the transparency chunk.
inline std::vector<uint8_t> paletteEntry(int i) {
    return {uint8_t(i), uint8_t(255 - i), uint8_t(i * 3), uint8_t(i * 7 + 1)};
}

// Any colour type and depth; a palette holds every index the depth allows. With transparency,
// a palette gets an alpha per entry, grey or RGB the colour of pixel (0, 0).
inline Bytes makePng(int width, int height, int colorType, int bitDepth, bool interlaced = false,
                     bool transparency = false) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    Bytes out;
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
    png_set_IHDR(png, info, width, height, bitDepth, colorType,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> palette;
    std::vector<png_byte> alphas;
    for (int i = 0; colorType == PNG_COLOR_TYPE_PALETTE && i < (1 << bitDepth); ++i) {
        std::vector<uint8_t> entry = paletteEntry(i);
        palette.push_back({entry[0], entry[1], entry[2]});
        alphas.push_back(entry[3]);
    }
    if (!palette.empty())
        png_set_PLTE(png, info, palette.data(), int(palette.size()));
    png_color_16 key = {0, png_uint_16(storedSample(0, 0, 0, bitDepth)),
                        png_uint_16(storedSample(0, 0, 1, bitDepth)),
                        png_uint_16(storedSample(0, 0, 2, bitDepth)),
                        png_uint_16(storedSample(0, 0, 0, bitDepth))};
    if (transparency)
        png_set_tRNS(png, info, alphas.data(), int(alphas.size()), &key);
    png_write_info(png, info);
    png_set_packing(png);
    int channels = png_get_channels(png, info);
    int sampleBytes = bitDepth == 16 ? 2 : 1;
    size_t stride = size_t(width) * channels * sampleBytes;
    Bytes pixels(stride * height);
    std::vector<png_bytep> rows(height);
    for (int y = 0; y < height; ++y) {
        rows[y] = pixels.data() + y * stride;
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < channels; ++c) {
                uint32_t value = storedSample(x, y, c, bitDepth);
                png_bytep at = rows[y] + (size_t(x) * channels + c) * sampleBytes;
                at[0] = uint8_t(sampleBytes == 2 ? value >> 8 : value);
                at[sampleBytes - 1] = uint8_t(value);
            }
    }
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

// A baseline (or progressive) JPEG of flat colour (so it decodes back to nearly that colour) or of gray.
inline Bytes makeJpeg(int width, int height, uint8_t red, uint8_t green, uint8_t blue,
                      bool gray = false, bool progressive = false) {
    testing_support::JpegSettings settings;
    settings.progressive = progressive;
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
    return file->getText();
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
