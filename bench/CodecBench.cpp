// Codec speed against the peers in one run: PNG decode of RGBA, RGB, palette and grey files
// against libpng's simplified png_image API and stb_image, PNG encode against
// png_image_write_to_memory, JPEG decode against libjpeg's plain decompress loop. Images are
// generated here: 1920x1080 and 512x512.

#include "tests/common/JpegWriter.h"
#include "vx/ImageObject.h"
#include "vx/JpegCodec.h"
#include "vx/PngCodec.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>
#include <jpeglib.h>
#include <memory>
#include <png.h>
#include <stb_image.h>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
// A decoded picture's buffer left uninitialised, as the image's own is: a zero-filled vector
// would charge the peers a pass over the whole picture that ours does not make.
using Pixels = std::unique_ptr<uint8_t[]>;

struct Size {
    int width;
    int height;
};
const Size SIZES[] = {{1920, 1080}, {512, 512}};

// Smooth gradients and rings with a little noise: compresses like a rendered demo frame.
Vx::ImageObject makePicture(Size size, bool opaque) {
    Vx::ImageObject image(size.width, size.height, nullptr, nullptr, "");
    uint8_t* p = image.getWriteData();
    uint32_t noise = 12345;
    for (int y = 0; y < size.height; ++y)
        for (int x = 0; x < size.width; ++x) {
            noise = noise * 1664525u + 1013904223u;
            int grain = int(noise >> 29);
            double ring = std::sin(std::hypot(x - size.width / 2.0, y - size.height / 2.0) / 9.0);
            *p++ = uint8_t(x * 255 / size.width + grain);
            *p++ = uint8_t(y * 255 / size.height + grain);
            *p++ = uint8_t(127 + 120 * ring);
            *p++ = opaque ? 255 : uint8_t(255 - (x + y) % 64);
        }
    return image;
}

// The picture's file kinds, in the order of the benchmarks' second argument.
enum PngKind { RGBA_FILE, RGB_FILE, PALETTE_FILE, GREY_FILE };
const char* const PNG_KIND_LABELS[] = {" RGBA file", " RGB file", " palette file", " grey file"};

// RGB, palette and grey files through png_image_write_to_memory, so the decoders' fill-in of
// alpha and libpng's expansions are measured too. The palette is 256 colours of the picture
// (its top bits); grey is its green channel.
Bytes encodePng(Size size, PngKind kind) {
    Vx::ImageObject image = makePicture(size, kind != RGBA_FILE);
    Bytes png;
    if (kind == RGBA_FILE) {
        Vx::PngCodec().encode(png, image);
        return png;
    }
    png_image header = {};
    header.version = PNG_IMAGE_VERSION;
    header.width = size.width;
    header.height = size.height;
    header.format = kind == RGB_FILE    ? PNG_FORMAT_BGR
                    : kind == GREY_FILE ? PNG_FORMAT_GRAY
                                        : PNG_FORMAT_BGR_COLORMAP;
    Bytes colourMap, samples;
    for (int i = 0; i < 256; ++i)
        colourMap.insert(colourMap.end(),
                         {uint8_t(i << 5), uint8_t(i << 2 & 0xE0), uint8_t(i & 0xC0)});
    header.colormap_entries = kind == PALETTE_FILE ? 256 : 0;
    for (int i = 0; i < size.width * size.height; ++i) {
        const uint8_t* p = image.getData() + i * 4;
        if (kind == RGB_FILE)
            samples.insert(samples.end(), p, p + 3);
        else if (kind == GREY_FILE)
            samples.push_back(p[1]);
        else
            samples.push_back(uint8_t((p[0] >> 5) | (p[1] >> 5) << 3 | (p[2] >> 6) << 6));
    }
    png_alloc_size_t length = PNG_IMAGE_PNG_SIZE_MAX(header);
    png.resize(length);
    png_image_write_to_memory(&header, png.data(), &length, 0, samples.data(), 0, colourMap.data());
    png.resize(length);
    return png;
}

Bytes encodeJpeg(Size size) {
    Vx::ImageObject image = makePicture(size, true);
    testing_support::JpegSettings settings;
    settings.width = size.width;
    settings.height = size.height;
    settings.components = 4;
    settings.space = JCS_EXT_BGRA;
    return testing_support::writeJpeg(settings, [&](int y, uint8_t* row) {
        const uint8_t* source = image.getData() + size_t(y) * size.width * 4;
        std::copy(source, source + size_t(size.width) * 4, row);
    });
}

// Arguments: size index, then the file's PngKind.
const Bytes& pngFile(const benchmark::State& state) {
    static std::vector<Bytes> files;
    if (files.empty())
        for (const Size& size : SIZES)
            for (PngKind kind : {RGBA_FILE, RGB_FILE, PALETTE_FILE, GREY_FILE})
                files.push_back(encodePng(size, kind));
    return files[state.range(0) * 4 + state.range(1)];
}

const Bytes& jpegFile(const benchmark::State& state) {
    static std::vector<Bytes> files;
    if (files.empty())
        for (const Size& size : SIZES)
            files.push_back(encodeJpeg(size));
    return files[state.range(0)];
}

void countPixels(benchmark::State& state, const char* kind = "") {
    Size size = SIZES[state.range(0)];
    state.counters["MP/s"] = benchmark::Counter(
        double(size.width) * size.height * state.iterations() / 1e6, benchmark::Counter::kIsRate);
    state.SetLabel(std::to_string(size.width) + "x" + std::to_string(size.height) + kind);
}

void BM_PngDecode_Vx(benchmark::State& state) {
    const Bytes& file = pngFile(state);
    for (auto _ : state) {
        Vx::ImageObject image(0, 0, nullptr, nullptr, "");
        Vx::PngCodec().decode(file.data(), uint32_t(file.size()), image);
        benchmark::DoNotOptimize(image.getData());
    }
    countPixels(state, PNG_KIND_LABELS[state.range(1)]);
}

void BM_PngDecode_LibpngSimplified(benchmark::State& state) {
    const Bytes& file = pngFile(state);
    for (auto _ : state) {
        png_image image = {};
        image.version = PNG_IMAGE_VERSION;
        png_image_begin_read_from_memory(&image, file.data(), file.size());
        image.format = PNG_FORMAT_BGRA;
        Pixels pixels(new uint8_t[PNG_IMAGE_SIZE(image)]);
        png_image_finish_read(&image, nullptr, pixels.get(), 0, nullptr);
        benchmark::DoNotOptimize(pixels.get());
    }
    countPixels(state, PNG_KIND_LABELS[state.range(1)]);
}

void BM_PngDecode_StbImage(benchmark::State& state) {
    const Bytes& file = pngFile(state);
    for (auto _ : state) {
        int width, height, channels;
        stbi_uc* pixels =
            stbi_load_from_memory(file.data(), int(file.size()), &width, &height, &channels, 4);
        benchmark::DoNotOptimize(pixels);
        stbi_image_free(pixels);
    }
    countPixels(state, PNG_KIND_LABELS[state.range(1)]);
}

void BM_PngEncode_Vx(benchmark::State& state) {
    Vx::ImageObject image = makePicture(SIZES[state.range(0)], false);
    for (auto _ : state) {
        Bytes png;
        Vx::PngCodec().encode(png, image);
        benchmark::DoNotOptimize(png.data());
    }
    countPixels(state);
}

void BM_PngEncode_LibpngSimplified(benchmark::State& state) {
    Size size = SIZES[state.range(0)];
    Vx::ImageObject image = makePicture(size, false);
    png_image header = {};
    header.version = PNG_IMAGE_VERSION;
    header.width = size.width;
    header.height = size.height;
    header.format = PNG_FORMAT_BGRA;
    Bytes png(PNG_IMAGE_PNG_SIZE_MAX(header));
    for (auto _ : state) {
        png_alloc_size_t length = png.size();
        png_image_write_to_memory(&header, png.data(), &length, 0, image.getData(), 0, nullptr);
        benchmark::DoNotOptimize(length);
    }
    countPixels(state);
}

void BM_JpegDecode_Vx(benchmark::State& state) {
    const Bytes& file = jpegFile(state);
    for (auto _ : state) {
        Vx::ImageObject image(0, 0, nullptr, nullptr, "");
        Vx::JpegCodec().decode(file.data(), uint32_t(file.size()), image);
        benchmark::DoNotOptimize(image.getData());
    }
    countPixels(state);
}

void BM_JpegDecode_Libjpeg(benchmark::State& state) {
    const Bytes& file = jpegFile(state);
    for (auto _ : state) {
        jpeg_decompress_struct cinfo;
        jpeg_error_mgr errors;
        cinfo.err = jpeg_std_error(&errors);
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, file.data(), file.size());
        jpeg_read_header(&cinfo, TRUE);
        cinfo.out_color_space = JCS_RGB;
        jpeg_start_decompress(&cinfo);
        Pixels pixels(new uint8_t[size_t(cinfo.output_width) * cinfo.output_height * 3]);
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW row = pixels.get() + size_t(cinfo.output_scanline) * cinfo.output_width * 3;
            jpeg_read_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
        benchmark::DoNotOptimize(pixels.get());
    }
    countPixels(state);
}

void pngArgs(benchmark::internal::Benchmark* b) {
    b->ArgsProduct({{0, 1}, {RGBA_FILE, RGB_FILE, PALETTE_FILE, GREY_FILE}})
        ->Unit(benchmark::kMillisecond);
}
void rgbaArgs(benchmark::internal::Benchmark* b) {
    b->ArgsProduct({{0, 1}, {0}})->Unit(benchmark::kMillisecond);
}

} // namespace

BENCHMARK(BM_PngDecode_Vx)->Apply(pngArgs);
BENCHMARK(BM_PngDecode_LibpngSimplified)->Apply(pngArgs);
BENCHMARK(BM_PngDecode_StbImage)->Apply(pngArgs);
BENCHMARK(BM_PngEncode_Vx)->Apply(rgbaArgs);
BENCHMARK(BM_PngEncode_LibpngSimplified)->Apply(rgbaArgs);
BENCHMARK(BM_JpegDecode_Vx)->Apply(rgbaArgs);
BENCHMARK(BM_JpegDecode_Libjpeg)->Apply(rgbaArgs);

BENCHMARK_MAIN();
