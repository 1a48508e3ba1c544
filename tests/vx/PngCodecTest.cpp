#include "VxFixture.h"

#include "vx/PngCodec.h"

#include <cstring>
#include <sys/resource.h>
#include <zlib.h>

using namespace vx_test;

namespace {

Vx::ImageObject decode(const Bytes& bytes) {
    Vx::ImageObject image(0, 0, nullptr, nullptr, "");
    Vx::PngCodec().decode(bytes.data(), uint32_t(bytes.size()), image);
    return image;
}

std::string decodeMessage(const Bytes& bytes) {
    return messageOf([&] { decode(bytes); });
}

// Pixel (x, y) of a decoded image as B, G, R, A.
std::vector<uint8_t> pixel(const Vx::ImageObject& image, int x, int y) {
    const uint8_t* p = image.getData() + (size_t(y) * image.getWidth() + x) * 4;
    return {p[0], p[1], p[2], p[3]};
}

void putBigEndian(Bytes& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = uint8_t(value >> (24 - 8 * i));
}

// What pixel (x, y) of makePng's picture decodes to: low depths widen by repeating their bits,
// 16 bits round to the nearest 8-bit value, a transparency chunk becomes alpha.
std::vector<uint8_t> expected(int type, int depth, bool transparency, int x, int y) {
    auto widened = [&](int c) {
        uint32_t v = storedSample(x, y, c, depth);
        return uint8_t(depth == 16 ? (v * 255 + 32767) / 65535 : v * 255 / ((1u << depth) - 1));
    };
    if (type == PNG_COLOR_TYPE_PALETTE) {
        std::vector<uint8_t> entry = paletteEntry(int(storedSample(x, y, 0, depth)));
        return {entry[2], entry[1], entry[0], transparency ? entry[3] : uint8_t(255)};
    }
    const int last = (type & PNG_COLOR_MASK_COLOR) ? 2 : 0;
    bool key = transparency;
    for (int c = 0; c <= last; ++c)
        key = key && storedSample(x, y, c, depth) == storedSample(0, 0, c, depth);
    uint8_t alpha = (type & PNG_COLOR_MASK_ALPHA) ? widened(last + 1) : key ? 0 : 255;
    return {widened(last), widened(last / 2), widened(0), alpha};
}

const std::string NOT_PNG = "[Vx::loadPNG] Not a png-file! Header is wrong!";
const std::string DECODE_ERROR = "[Vx::loadPNG] Error when decoding png-file!";

} // namespace

TEST(PngCodecTest, RgbGetsOpaqueAlphaAndBlueFirst) {
    Vx::ImageObject image = decode(makePng(5, 3, PNG_COLOR_TYPE_RGB, 8));
    ASSERT_EQ(image.getWidth(), 5);
    ASSERT_EQ(image.getHeight(), 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(pixel(image, x, y), (std::vector<uint8_t>{sample(x, y, 2), sample(x, y, 1),
                                                                sample(x, y, 0), 255}));
}

TEST(PngCodecTest, RgbaKeepsItsAlpha) {
    Vx::ImageObject image = decode(makePng(4, 4, PNG_COLOR_TYPE_RGB_ALPHA, 8));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(pixel(image, x, y), (std::vector<uint8_t>{sample(x, y, 2), sample(x, y, 1),
                                                                sample(x, y, 0), sample(x, y, 3)}));
}

TEST(PngCodecTest, InterlacedDecodesLikeItsTwin) {
    Vx::ImageObject plain = decode(makePng(13, 9, PNG_COLOR_TYPE_RGB, 8));
    Vx::ImageObject interlaced = decode(makePng(13, 9, PNG_COLOR_TYPE_RGB, 8, true));
    EXPECT_EQ(std::memcmp(plain.getData(), interlaced.getData(), 13 * 9 * 4), 0);
}

TEST(PngCodecTest, EncodeThenDecodeGivesTheSamePixels) {
    Vx::ImageObject image(7, 5, nullptr, nullptr, "");
    uint8_t* pixels = image.getWriteData();
    for (int i = 0; i < 7 * 5 * 4; ++i)
        pixels[i] = uint8_t(i * 13 + 5);
    Bytes encoded;
    ASSERT_TRUE(Vx::PngCodec().encode(encoded, image));
    Vx::ImageObject back = decode(encoded);
    ASSERT_EQ(back.getWidth(), 7);
    ASSERT_EQ(back.getHeight(), 5);
    EXPECT_EQ(std::memcmp(back.getData(), image.getData(), 7 * 5 * 4), 0);
    EXPECT_EQ(encoded[25], PNG_COLOR_TYPE_RGB_ALPHA);
}

TEST(PngCodecTest, EncodeRefusesAnImageWithoutPixels) {
    Vx::ImageObject image(0, 0, nullptr, nullptr, "");
    Bytes encoded;
    EXPECT_FALSE(Vx::PngCodec().encode(encoded, image));
}

// Every colour type at every depth, plain and interlaced, with and without a transparency
// chunk where the type may carry one.
TEST(PngCodecTest, EveryColourTypeAndDepthDecodesToItsPixels) {
    const std::pair<int, std::vector<int>> kinds[] = {{PNG_COLOR_TYPE_GRAY, {1, 2, 4, 8, 16}},
                                                      {PNG_COLOR_TYPE_PALETTE, {1, 2, 4, 8}},
                                                      {PNG_COLOR_TYPE_RGB, {8, 16}},
                                                      {PNG_COLOR_TYPE_GRAY_ALPHA, {8, 16}},
                                                      {PNG_COLOR_TYPE_RGB_ALPHA, {8, 16}}};
    for (const auto& [type, depths] : kinds)
        for (int depth : depths)
            for (int variant = 0; variant < ((type & PNG_COLOR_MASK_ALPHA) ? 2 : 4); ++variant) {
                Vx::ImageObject image =
                    decode(makePng(11, 7, type, depth, variant & 1, variant & 2));
                for (int y = 0; y < 7; ++y)
                    for (int x = 0; x < 11; ++x)
                        EXPECT_EQ(pixel(image, x, y), expected(type, depth, variant & 2, x, y))
                            << "type " << type << ", " << depth << " bits, variant " << variant;
            }
}

TEST(PngCodecTest, WrongOrShortHeaderIsNotAPng) {
    Bytes png = makePng(2, 2, PNG_COLOR_TYPE_RGB, 8);
    EXPECT_EQ(decodeMessage(Bytes(png.begin(), png.begin() + 7)), NOT_PNG);
    png[1] = 'Q';
    EXPECT_EQ(decodeMessage(png), NOT_PNG);
    EXPECT_EQ(decodeMessage(Bytes()), NOT_PNG);
}

TEST(PngCodecTest, TruncatedFileIsRefusedAtEveryLength) {
    Bytes png = makePng(16, 16, PNG_COLOR_TYPE_RGB_ALPHA, 8);
    for (size_t length = 8; length < png.size(); ++length)
        EXPECT_EQ(decodeMessage(Bytes(png.begin(), png.begin() + length)), DECODE_ERROR)
            << "cut at " << length;
}

// A text chunk with a broken checksum is dropped with a warning.
TEST(PngCodecTest, WarningsNameTheFile) {
    Bytes png = makePng(2, 2, PNG_COLOR_TYPE_RGB, 8);
    png.insert(png.begin() + 33, {0, 0, 0, 3, 't', 'E', 'X', 't', 'k', 0, 'v', 0, 0, 0, 0});
    Vx::ImageObject image(0, 0, nullptr, nullptr, "pic.png");
    testing::internal::CaptureStderr();
    Vx::PngCodec().decode(png.data(), uint32_t(png.size()), image);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "[Vx::loadPNG] libpng warning in 'pic.png': tEXt: CRC error\n");
}

// A header claiming 40000 x 40000 pixels (6.4 GB) is refused before any allocation.
TEST(PngCodecTest, HugeDimensionsAreRefused) {
    Bytes png = makePng(2, 2, PNG_COLOR_TYPE_RGB_ALPHA, 8);
    putBigEndian(png, 16, 40000);
    putBigEndian(png, 20, 40000);
    putBigEndian(png, 29, uint32_t(crc32(0, png.data() + 12, 17)));
    EXPECT_EQ(decodeMessage(png), DECODE_ERROR);
}

// A text chunk claiming a gigabyte in a file of 46 bytes made libpng allocate and zero it.
TEST(PngCodecTest, ChunkLongerThanTheFileIsRefusedBeforeAnyAllocation) {
    Bytes png = makePng(2, 2, PNG_COLOR_TYPE_RGB, 8);
    png.resize(33);
    png.insert(png.end(), {0x3f, 0xff, 0xff, 0xff, 't', 'E', 'X', 't', 'k', 'e', 'y', 0, 'v'});
    rusage before, after;
    getrusage(RUSAGE_SELF, &before);
    EXPECT_EQ(decodeMessage(png), DECODE_ERROR);
    getrusage(RUSAGE_SELF, &after);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 64 * 1024) << "kilobytes more at the peak";
}
