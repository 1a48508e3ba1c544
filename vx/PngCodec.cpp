#include "vx/PngCodec.h"

#include "vx/Exception.h"

#include <cstdio>
#include <cstring>
#include <png.h>

namespace Vx {

namespace {

const char* const DECODE_ERROR = "[Vx::loadPNG] Error when decoding png-file!";
const size_t SIGNATURE_SIZE = 8;

struct ReadState {
    const uint8_t* data;
    uint32_t size;
    uint32_t position;
};

// Running out of data is a libpng error like any other, never a read past the end.
void readHook(png_structp png, png_bytep out, png_size_t length) {
    ReadState* state = static_cast<ReadState*>(png_get_io_ptr(png));
    if (length > state->size - state->position)
        png_error(png, "Read past the end of the data");
    std::memcpy(out, state->data + state->position, length);
    state->position += static_cast<uint32_t>(length);
}

void writeHook(png_structp png, png_bytep bytes, png_size_t length) {
    std::vector<uint8_t>* buffer = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    buffer->insert(buffer->end(), bytes, bytes + length);
}

void flushHook(png_structp) {
}

// libpng allocates, and for text chunks zeroes, the length a chunk declares before reading
// its bytes, so a file of a few dozen bytes could cost a gigabyte. The whole file is here: a
// chunk (length, type, data, CRC) that runs past its end is refused first. A header cut short
// is left for libpng to report.
bool chunksFit(const uint8_t* data, uint32_t size) {
    const uint32_t headerSize = 8;
    const uint32_t crcSize = 4;
    uint64_t position = SIGNATURE_SIZE;
    while (size - position >= headerSize) {
        const uint8_t* chunk = data + position;
        position += headerSize + uint64_t(png_get_uint_32(chunk)) + crcSize;
        if (position > size)
            return false;
        if (std::memcmp(chunk + 4, "IEND", 4) == 0)
            break;
    }
    return true;
}

// libpng's lines on standard error name the file they are about; an error still returns
// through the jump buffer.
void warnNamingTheFile(png_structp png, png_const_charp message) {
    const char* name = static_cast<const char*>(png_get_error_ptr(png));
    std::fprintf(stderr, "[Vx::loadPNG] libpng warning in '%s': %s\n", name, message);
}

[[noreturn]] void failNamingTheFile(png_structp png, png_const_charp message) {
    const char* name = static_cast<const char*>(png_get_error_ptr(png));
    std::fprintf(stderr, "[Vx::loadPNG] libpng error in '%s': %s\n", name, message);
    png_longjmp(png, 1);
}

// Releases the read structures however decoding ends.
struct ReadStructs {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~ReadStructs() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

struct WriteStructs {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~WriteStructs() { png_destroy_write_struct(&png, info ? &info : nullptr); }
};

struct Header {
    png_uint_32 width;
    png_uint_32 height;
    int colorType;
    bool transparency;
};

// libpng reports errors by longjmp to the setjmp below. The functions that arm it hold no
// objects with destructors, so the jump skips nothing; they answer false instead.
bool readHeader(png_structp png, png_infop info, Header& header) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_sig_bytes(png, SIGNATURE_SIZE);
    png_read_info(png, info);
    header.width = png_get_image_width(png, info);
    header.height = png_get_image_height(png, info);
    header.colorType = png_get_color_type(png, info);
    header.transparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    return true;
}

// libpng's own transforms turn every colour type and depth into blue, green, red, alpha and
// write every row straight into the image's buffer: no second pass over the pixels. Gamma is
// left alone, so a picture looks the same whatever chunks it carries.
bool readPixels(png_structp png, png_infop info, const Header& header, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    if (header.colorType == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    if (!(header.colorType & PNG_COLOR_MASK_COLOR)) {
        png_set_expand_gray_1_2_4_to_8(png);
        png_set_gray_to_rgb(png);
    }
    if (header.transparency)
        png_set_tRNS_to_alpha(png);
    png_set_scale_16(png);
    png_set_bgr(png);
    if (!(header.colorType & PNG_COLOR_MASK_ALPHA) && !header.transparency)
        png_set_filler(png, 0xff, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    // A combination the transforms above do not bring to 4 bytes would overrun the rows.
    if (png_get_rowbytes(png, info) != size_t(header.width) * 4)
        return false;
    png_read_image(png, rows);
    png_read_end(png, nullptr);
    return true;
}

bool writePixels(png_structp png, png_infop info, const ImageObject& image, png_bytepp rows,
                 png_textp text) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_IHDR(png, info, image.getWidth(), image.getHeight(), 8, PNG_COLOR_TYPE_RGB_ALPHA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (text)
        png_set_text(png, info, text, 1);
    png_write_info(png, info);
    png_set_bgr(png);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    return true;
}

std::vector<png_bytep> rowPointers(uint8_t* pixels, uint32_t width, uint32_t height) {
    std::vector<png_bytep> rows(height);
    for (uint32_t y = 0; y < height; ++y)
        rows[y] = pixels + size_t(y) * width * 4;
    return rows;
}

} // namespace

void loadPNG(const uint8_t* data, uint32_t size, ImageObject& image) {
    if (size < SIGNATURE_SIZE || png_sig_cmp(data, 0, SIGNATURE_SIZE) != 0)
        throw Exception("[Vx::loadPNG] Not a png-file! Header is wrong!");
    if (!chunksFit(data, size))
        throw Exception("%s", DECODE_ERROR);
    ReadState state{data, size, SIGNATURE_SIZE};
    ReadStructs structs;
    structs.png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, const_cast<char*>(image.getName().c_str()),
                               failNamingTheFile, warnNamingTheFile);
    if (!structs.png)
        throw Exception("[Vx::loadPNG] Could not setup libpng (pngstruct)!");
    structs.info = png_create_info_struct(structs.png);
    if (!structs.info)
        throw Exception("[Vx::loadPNG] Could not setup libpng (pnginfo)!");
    png_set_read_fn(structs.png, &state, readHook);

    Header header;
    if (!readHeader(structs.png, structs.info, header))
        throw Exception("%s", DECODE_ERROR);
    uint64_t bytes = uint64_t(header.width) * header.height * 4;
    if (bytes == 0 || bytes > MAX_IMAGE_BYTES)
        throw Exception("%s", DECODE_ERROR);

    std::unique_ptr<uint8_t[]> pixels(new uint8_t[bytes]);
    std::vector<png_bytep> rows = rowPointers(pixels.get(), header.width, header.height);
    if (!readPixels(structs.png, structs.info, header, rows.data()))
        throw Exception("%s", DECODE_ERROR);
    image.setData(int32_t(header.width), int32_t(header.height), std::move(pixels));
}

void PngCodec::decode(const uint8_t* data, uint32_t size, ImageObject& image) {
    loadPNG(data, size, image);
}

bool PngCodec::encode(std::vector<uint8_t>& buffer, ImageObject& image) {
    uint8_t* pixels = image.getWriteData();
    if (!pixels)
        return false;
    WriteStructs structs;
    structs.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, this, nullptr, nullptr);
    if (!structs.png)
        return false;
    structs.info = png_create_info_struct(structs.png);
    if (!structs.info)
        return false;
    std::vector<uint8_t> written;
    png_set_write_fn(structs.png, &written, writeHook, flushHook);
    std::vector<png_bytep> rows = rowPointers(pixels, image.getWidth(), image.getHeight());
    png_text text = {};
    text.compression = PNG_TEXT_COMPRESSION_NONE;
    text.key = const_cast<png_charp>(textKeyword.c_str());
    text.text = const_cast<png_charp>(textValue.c_str());
    text.text_length = textValue.size();
    if (!writePixels(structs.png, structs.info, image, rows.data(),
                     textKeyword.empty() ? nullptr : &text))
        return false;
    buffer.swap(written);
    return true;
}

void PngCodec::setText(const std::string& keyword, const std::string& text) {
    textKeyword = keyword;
    textValue = text;
}

} // namespace Vx
