#include "vx/TgaCodec.h"

#include "vx/Exception.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

// Only the TGA reader is built, so a file is never taken for another format, and its
// functions stay private to this file, apart from any other copy of the library linked in.
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_TGA
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#include <stb_image.h>

namespace Vx {

namespace {

const uint32_t HEADER_SIZE = 18;
const int RLE_FLAG = 8;
const int MAX_RUN = 128;

uint32_t word(const uint8_t* at) {
    return uint32_t(at[0]) | uint32_t(at[1]) << 8;
}

struct Header {
    uint32_t width;
    uint32_t height;
    uint32_t pixelBytes;
    bool rle;
    bool mirrored;
    uint64_t dataBytes;
};

Header readHeader(const uint8_t* data, uint32_t size) {
    if (size < HEADER_SIZE)
        throw Exception("[Vx::loadTGA] Not a tga-file! Header is wrong!");
    const bool colourMapped = data[1] == 1;
    const uint64_t mapBytes = colourMapped ? uint64_t(word(data + 5)) * ((data[7] + 7) / 8) : 0;
    const uint64_t before = HEADER_SIZE + uint64_t(data[0]) + mapBytes;
    Header header;
    header.width = word(data + 12);
    header.height = word(data + 14);
    header.pixelBytes = (data[16] + 7) / 8;
    header.rle = data[2] & RLE_FLAG;
    header.mirrored = data[17] & 0x10;
    header.dataBytes = size > before ? size - before : 0;
    return header;
}

// The reader takes a colour map's first entry for bytes to skip and then looks colours up from
// entry 0, so a map that starts further on gave wrong colours: it is given that many empty
// entries in front and starts at 0.
std::vector<uint8_t> mapFromEntryZero(const uint8_t* data, uint32_t size) {
    const uint32_t first = word(data + 3);
    const uint32_t entries = first + word(data + 5);
    const size_t mapAt = HEADER_SIZE + data[0];
    if (entries > 0xFFFF || mapAt > size)
        throw Exception("[Vx::loadTGA] Error when decoding tga-file! (bad colour map)");
    std::vector<uint8_t> copy(data, data + mapAt);
    copy.insert(copy.end(), size_t(first) * ((data[7] + 7) / 8), uint8_t(0));
    copy.insert(copy.end(), data + mapAt, data + size);
    copy[3] = copy[4] = 0;
    copy[5] = uint8_t(entries);
    copy[6] = uint8_t(entries >> 8);
    return copy;
}

// The reader takes missing bytes for zeros, so a few bytes claiming a huge picture would cost
// a huge allocation and decode as black: the data must be able to hold the picture. A run
// packet is at least one byte for at most 128 pixels.
void checkSize(const Header& header) {
    const uint64_t pixels = uint64_t(header.width) * header.height;
    if (pixels * 4 > MAX_IMAGE_BYTES)
        throw Exception("[Vx::loadTGA] Image is too large (%u x %u)", header.width, header.height);
    const bool fits = header.rle ? pixels <= MAX_RUN * header.dataBytes
                                 : pixels * header.pixelBytes <= header.dataBytes;
    if (!fits)
        throw Exception("[Vx::loadTGA] File is shorter than its %u x %u pixels need", header.width,
                        header.height);
}

// Grey, grey with alpha, RGB or RGBA from the reader into blue, green, red, alpha; a picture
// stored right to left is turned round here, the reader already sets it upright.
void toBgra(const stbi_uc* source, int width, int height, int channels, bool mirrored,
            uint8_t* out) {
    const bool colour = channels >= 3;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x, out += 4) {
            int column = mirrored ? width - 1 - x : x;
            const stbi_uc* p = source + (size_t(y) * width + column) * channels;
            out[0] = p[colour ? 2 : 0];
            out[1] = p[colour ? 1 : 0];
            out[2] = p[0];
            out[3] = channels % 2 == 0 ? p[channels - 1] : 255;
        }
}

} // namespace

void TgaCodec::decode(const uint8_t* data, uint32_t size, ImageObject& image) {
    std::vector<uint8_t> fromZero;
    if (size >= HEADER_SIZE && data[1] == 1 && word(data + 3) != 0) {
        fromZero = mapFromEntryZero(data, size);
        data = fromZero.data();
        size = uint32_t(std::min<size_t>(fromZero.size(), UINT32_MAX));
    }
    Header header = readHeader(data, size);
    checkSize(header);
    int width = 0, height = 0, channels = 0;
    std::unique_ptr<stbi_uc, void (*)(void*)> decoded(
        stbi_load_from_memory(data, int(std::min<uint32_t>(size, INT32_MAX)), &width, &height,
                              &channels, 0),
        stbi_image_free);
    if (!decoded)
        throw Exception("[Vx::loadTGA] Error when decoding tga-file! (%s)", stbi_failure_reason());
    std::unique_ptr<uint8_t[]> pixels(new uint8_t[size_t(width) * height * 4]);
    toBgra(decoded.get(), width, height, channels, header.mirrored, pixels.get());
    image.setData(width, height, std::move(pixels));
}

} // namespace Vx
