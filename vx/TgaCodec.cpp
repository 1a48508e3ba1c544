#include "vx/TgaCodec.h"

#include "vx/Exception.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace {

// The reader's buffer becomes the image's, so a picture is never held twice: it is made with
// new[], as the image frees it, and its first allocation in a decode, the picture, gets room
// for four bytes a pixel to be converted in place.
thread_local size_t pictureRoom = 0;

void* allocate(size_t size) {
    const size_t bytes = std::max(size, pictureRoom);
    pictureRoom = 0;
    return new (std::nothrow) uint8_t[bytes];
}

void release(void* block) {
    delete[] static_cast<uint8_t*>(block);
}

[[maybe_unused]] void* reallocate(void* block, size_t oldSize, size_t newSize) {
    void* moved = allocate(newSize);
    if (moved && block)
        std::memcpy(moved, block, std::min(oldSize, newSize));
    if (moved)
        release(block);
    return moved;
}

} // namespace

// Only the TGA reader is built, so a file is never taken for another format, and its
// functions stay private to this file, apart from any other copy of the library linked in.
#define STBI_MALLOC(size) allocate(size)
#define STBI_FREE(block) release(block)
#define STBI_REALLOC_SIZED(block, oldSize, newSize) reallocate(block, oldSize, newSize)
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

uint32_t word(const uint8_t* at) {
    return uint32_t(at[0]) | uint32_t(at[1]) << 8;
}

struct Header {
    uint32_t width;
    uint32_t height;
    uint32_t pixelBytes;
    bool rle;
    bool mirrored;
    uint64_t dataAt;
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
    header.dataAt = before;
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

// The reader takes missing bytes for zeros, so a run-length file cut short decoded with its
// missing part black: its packets must cover every pixel. A packet is a count byte, then one
// pixel repeated or that many pixels.
bool packetsCoverPicture(const uint8_t* data, uint32_t size, const Header& header) {
    uint64_t left = uint64_t(header.width) * header.height;
    uint64_t at = header.dataAt;
    while (left > 0) {
        if (at >= size)
            return false;
        const uint8_t packet = data[at++];
        const uint64_t count = std::min<uint64_t>((packet & 0x7F) + 1, left);
        at += (packet & 0x80 ? 1 : count) * header.pixelBytes;
        left -= count;
    }
    return at <= size;
}

// A few bytes claiming a huge picture would otherwise cost a huge allocation and decode as
// black: the data must hold the picture.
void checkSize(const uint8_t* data, uint32_t size, const Header& header) {
    const uint64_t pixels = uint64_t(header.width) * header.height;
    if (pixels * 4 > MAX_IMAGE_BYTES)
        throw Exception("[Vx::loadTGA] Image is too large (%u x %u)", header.width, header.height);
    const bool fits = header.rle ? packetsCoverPicture(data, size, header)
                                 : header.dataAt + pixels * header.pixelBytes <= size;
    if (!fits)
        throw Exception("[Vx::loadTGA] File is shorter than its %u x %u pixels need", header.width,
                        header.height);
}

// Grey, grey with alpha, RGB or RGBA from the reader into blue, green, red, alpha in the same
// buffer, from the last pixel back, so that no pixel is overwritten before it is read.
void toBgra(uint8_t* pixels, size_t count, int channels) {
    const bool colour = channels >= 3;
    for (size_t i = count; i-- > 0;) {
        const uint8_t* p = pixels + i * channels;
        const uint8_t bgra[4] = {p[colour ? 2 : 0], p[colour ? 1 : 0], p[0],
                                 uint8_t(channels % 2 == 0 ? p[channels - 1] : 255)};
        std::memcpy(pixels + i * 4, bgra, 4);
    }
}

// A picture stored right to left is turned round here; the reader already sets it upright.
void mirror(uint8_t* pixels, int width, int height) {
    for (int y = 0; y < height; ++y) {
        uint8_t* row = pixels + size_t(y) * width * 4;
        for (int x = 0; x < width / 2; ++x)
            std::swap_ranges(row + x * 4, row + x * 4 + 4, row + (width - 1 - x) * 4);
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
    checkSize(data, size, header);
    int width = 0, height = 0, channels = 0;
    pictureRoom = size_t(header.width) * header.height * 4;
    std::unique_ptr<uint8_t[]> pixels(stbi_load_from_memory(
        data, int(std::min<uint32_t>(size, INT32_MAX)), &width, &height, &channels, 0));
    pictureRoom = 0;
    if (!pixels)
        throw Exception("[Vx::loadTGA] Error when decoding tga-file! (%s)", stbi_failure_reason());
    toBgra(pixels.get(), size_t(width) * height, channels);
    if (header.mirrored)
        mirror(pixels.get(), width, height);
    image.setData(width, height, std::move(pixels));
}

} // namespace Vx
