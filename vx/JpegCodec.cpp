#include "vx/JpegCodec.h"

#include "vx/Exception.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>

#include <jerror.h>

namespace Vx {

namespace {

// Every picture becomes a texture, and the display takes at most 16384 texels on a side.
// Making one holds four to five times the decoded picture at once (a power-of-two copy, the
// driver's copy, mipmaps), so the total is kept to a full 8192 x 8192 or a 16384 x 4096 strip:
// 256 MB decoded. A flat picture coded arithmetically takes about 200 bytes at any size, so
// no bound on the file's length can stand in for these.
const uint32_t MAX_SIDE = 16384;
const uint64_t MAX_PIXELS = uint64_t(1) << 26;
// A multi-scan file (progressive, or one scan a component) keeps every coefficient in libjpeg's
// memory: 2 bytes a sample and at most four samples a pixel (print inks at full resolution),
// twice the decoded picture. The rest is room for the row buffers of the widest picture.
const uint64_t COEFFICIENT_BYTES_PER_PIXEL = 8;
const uint64_t ROW_BUFFER_ROOM = uint64_t(16) << 20;
// Each scan passes over the whole picture, however few bytes it holds; encoders write about
// ten, and thousands of empty ones would take minutes. A large picture gets fewer, 2^31 pixels
// over all scans (32 over the largest picture): a 4 KB arithmetic-coded file can hold 250
// scans over 8192 x 8192 pixels, 20 s of decoding.
const int MAX_SCANS = 256;
const uint64_t MAX_SCAN_PIXELS = uint64_t(1) << 31;

// Everything one decode needs, released however it ends. libjpeg's errors, and the one
// warning that means pixels are missing, jump back here with the text.
struct Decoder {
    jpeg_decompress_struct cinfo;
    jpeg_source_mgr source;
    jpeg_error_mgr errors;
    jpeg_progress_mgr progress;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX] = "";
    bool created = false;

    ~Decoder() {
        if (created)
            jpeg_destroy_decompress(&cinfo);
    }
};

[[noreturn]] void jumpWithText(j_common_ptr cinfo, const char* text) {
    Decoder* decoder = static_cast<Decoder*>(cinfo->client_data);
    std::snprintf(decoder->message, sizeof decoder->message, "%s", text);
    std::longjmp(decoder->jump, 1);
}

[[noreturn]] void jumpWithMessage(j_common_ptr cinfo) {
    // Without a backing store, coefficients beyond the memory bound end here.
    if (cinfo->err->msg_code == JERR_NO_BACKING_STORE)
        jumpWithText(cinfo, "Image is too large");
    char text[JMSG_LENGTH_MAX];
    cinfo->err->format_message(cinfo, text);
    jumpWithText(cinfo, text);
}

void errorExit(j_common_ptr cinfo) {
    jumpWithMessage(cinfo);
}

// Called before each row of input libjpeg takes in.
void countScans(j_common_ptr cinfo) {
    const j_decompress_ptr decompress = reinterpret_cast<j_decompress_ptr>(cinfo);
    const uint64_t pixels =
        std::max<uint64_t>(1, uint64_t(decompress->image_width) * decompress->image_height);
    const int allowed = int(std::min<uint64_t>(MAX_SCANS, MAX_SCAN_PIXELS / pixels));
    if (decompress->input_scan_number <= allowed)
        return;
    char text[JMSG_LENGTH_MAX];
    std::snprintf(text, sizeof text, "Image has more than %d scans", allowed);
    jumpWithText(cinfo, text);
}

// Viewers show a picture libjpeg only warns about (an unknown JFIF revision, stray bytes
// before a marker), so those decode; a file cut short would show grey where data is missing.
void emitMessage(j_common_ptr cinfo, int level) {
    if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF)
        jumpWithMessage(cinfo);
    if (level < 0)
        ++cinfo->err->num_warnings;
}

void initSource(j_decompress_ptr) {
}
void termSource(j_decompress_ptr) {
}

// The whole file is in the buffer already. Asked for more, libjpeg gets an end marker and a
// premature-end warning, which ends the decoding: it never reads past the data.
boolean fillInput(j_decompress_ptr cinfo) {
    static const JOCTET endOfImage[2] = {0xFF, JPEG_EOI};
    WARNMS(cinfo, JWRN_JPEG_EOF);
    cinfo->src->next_input_byte = endOfImage;
    cinfo->src->bytes_in_buffer = sizeof endOfImage;
    return TRUE;
}

void skipInput(j_decompress_ptr cinfo, long count) {
    if (count <= 0)
        return;
    size_t skip = static_cast<size_t>(count);
    if (skip > cinfo->src->bytes_in_buffer)
        skip = cinfo->src->bytes_in_buffer;
    cinfo->src->next_input_byte += skip;
    cinfo->src->bytes_in_buffer -= skip;
}

void setUp(Decoder& decoder, const uint8_t* data, uint32_t size) {
    decoder.cinfo.err = jpeg_std_error(&decoder.errors);
    decoder.errors.emit_message = emitMessage;
    decoder.errors.error_exit = errorExit;
    decoder.progress = jpeg_progress_mgr();
    decoder.progress.progress_monitor = countScans;
    decoder.source.next_input_byte = data;
    decoder.source.bytes_in_buffer = size;
    decoder.source.init_source = initSource;
    decoder.source.fill_input_buffer = fillInput;
    decoder.source.skip_input_data = skipInput;
    decoder.source.resync_to_restart = jpeg_resync_to_restart;
    decoder.source.term_source = termSource;
}

// The functions that arm the jump hold no objects with destructors, so the jump skips
// nothing; they answer false with the message in the decoder.
bool readHeader(Decoder& decoder) {
    if (setjmp(decoder.jump))
        return false;
    jpeg_create_decompress(&decoder.cinfo);
    decoder.created = true;
    decoder.cinfo.client_data = &decoder;
    decoder.cinfo.src = &decoder.source;
    decoder.cinfo.progress = &decoder.progress;
    jpeg_read_header(&decoder.cinfo, TRUE);
    return true;
}

// Huffman codes take at least one bit for every 8 x 8 block of every component, so a file of
// a few hundred bytes cannot hold a picture of millions of pixels: libjpeg would make up the
// missing data and decode grey at full size. Arithmetic coding can pack a flat picture below
// that, so only the bounds on pixels and memory apply to it.
bool dataCoversPicture(const jpeg_decompress_struct& cinfo, uint32_t size) {
    if (cinfo.arith_code)
        return true;
    uint64_t blocks = 0;
    for (int c = 0; c < cinfo.num_components; ++c)
        blocks +=
            uint64_t(cinfo.comp_info[c].width_in_blocks) * cinfo.comp_info[c].height_in_blocks;
    return blocks <= uint64_t(size) * 8;
}

// Four ink values a pixel, in place: R = C × K / 255 on inverted inks (255 = no ink), which
// Photoshop writes and marks with its Adobe segment; other files hold plain inks.
void inksToBgra(uint8_t* row, JDIMENSION width, bool inverted) {
    for (JDIMENSION x = 0; x < width; ++x, row += 4) {
        int c = row[0], m = row[1], y = row[2], k = row[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        row[0] = uint8_t((y * k + 127) / 255);
        row[1] = uint8_t((m * k + 127) / 255);
        row[2] = uint8_t((c * k + 127) / 255);
        row[3] = 255;
    }
}

// libjpeg writes blue, green, red and an opaque alpha straight into the image's rows; print
// colours (CMYK, or YCCK which libjpeg turns into CMYK) come as inks, converted row by row.
bool readPixels(Decoder& decoder, uint8_t* pixels) {
    if (setjmp(decoder.jump))
        return false;
    jpeg_decompress_struct& cinfo = decoder.cinfo;
    const bool inks = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = inks ? JCS_CMYK : JCS_EXT_BGRA;
    jpeg_start_decompress(&cinfo);
    size_t stride = size_t(cinfo.output_width) * 4;
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = pixels + cinfo.output_scanline * stride;
        jpeg_read_scanlines(&cinfo, &row, 1);
        if (inks)
            inksToBgra(row, cinfo.output_width, cinfo.saw_Adobe_marker);
    }
    jpeg_finish_decompress(&cinfo);
    return true;
}

[[noreturn]] void fail(const char* message) {
    throw Exception("Internal jpeglib error; %s", message);
}

} // namespace

void JpegCodec::decode(const uint8_t* data, uint32_t size, ImageObject& image) {
    Decoder decoder;
    setUp(decoder, data, size);
    if (!readHeader(decoder))
        fail(decoder.message);
    uint32_t width = decoder.cinfo.image_width;
    uint32_t height = decoder.cinfo.image_height;
    const uint64_t pixelCount = uint64_t(width) * height;
    if (width > MAX_SIDE || height > MAX_SIDE || pixelCount > MAX_PIXELS)
        fail("Image is too large");
    // Beyond this libjpeg finds no backing store and the decode ends as too large.
    decoder.cinfo.mem->max_memory_to_use =
        long(pixelCount * COEFFICIENT_BYTES_PER_PIXEL + ROW_BUFFER_ROOM);
    if (!dataCoversPicture(decoder.cinfo, size)) {
        char message[80];
        std::snprintf(message, sizeof message, "File is shorter than its %u x %u pixels need",
                      width, height);
        fail(message);
    }
    std::unique_ptr<uint8_t[]> pixels(new uint8_t[size_t(width) * height * 4]);
    if (!readPixels(decoder, pixels.get()))
        fail(decoder.message);
    image.setData(int32_t(width), int32_t(height), std::move(pixels));
}

} // namespace Vx
