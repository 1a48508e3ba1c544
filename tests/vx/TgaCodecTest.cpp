#include "VxFixture.h"

#include "common/TgaWriter.h"
#include "vx/TgaCodec.h"

using namespace vx_test;

namespace {

Vx::ImageObject decode(const Bytes& bytes) {
    Vx::ImageObject image(0, 0, nullptr, nullptr, "");
    Vx::TgaCodec().decode(bytes.data(), uint32_t(bytes.size()), image);
    return image;
}

// How a file of the kind stores pixel (x, y), and what it decodes to (B, G, R, A). Indices
// repeat in pairs so that run-length packets get runs.
std::pair<Bytes, Bytes> tgaPixel(int type, int bits, int x, int y) {
    uint8_t r = sample(x, y, 0), g = sample(x, y, 1), b = sample(x, y, 2), a = sample(x, y, 3);
    auto five = [](uint8_t v) { return uint8_t((v >> 3) * 255 / 31); };
    uint16_t packed = uint16_t((r >> 3) << 10 | (g >> 3) << 5 | b >> 3);
    uint8_t index = uint8_t((x / 2 + y) % 4);
    if (type % 8 == 1)
        return {{index}, {sample(index, 9, 2), sample(index, 9, 1), sample(index, 9, 0), 255}};
    if (type % 8 == 3)
        return {{r}, {r, r, r, 255}};
    if (bits <= 16)
        return {{uint8_t(packed), uint8_t(packed >> 8)}, {five(b), five(g), five(r), 255}};
    if (bits == 24)
        return {{b, g, r}, {b, g, r, 255}};
    return {{b, g, r, a}, {b, g, r, a}};
}

Bytes makeTga(int type, int bits, int origin, int width, int height) {
    testing_support::TgaSettings kind{type, bits, origin, width, height, {}};
    for (int i = 0; i < (type % 8 == 1 ? 4 : 0); ++i)
        kind.colourMap.insert(kind.colourMap.end(),
                              {sample(i, 9, 2), sample(i, 9, 1), sample(i, 9, 0)});
    return testing_support::writeTga(
        kind, [&](int x, int y) { return tgaPixel(type, bits, x, y).first; });
}

} // namespace

// Image type, bits per pixel and origin of every kind a paint program writes.
TEST(TgaCodecTest, EveryKindDecodesUpright) {
    const int kinds[][3] = {{2, 24, 0},     {2, 32, 0x28}, {2, 16, 0},     {2, 15, 0x20},
                            {3, 8, 0x20},   {1, 8, 0},     {10, 24, 0x20}, {10, 32, 0},
                            {10, 16, 0x20}, {11, 8, 0},    {9, 8, 0x20},   {2, 24, 0x30},
                            {10, 32, 0x10}};
    for (const auto& kind : kinds) {
        Vx::ImageObject image = decode(makeTga(kind[0], kind[1], kind[2], 7, 5));
        ASSERT_EQ(image.getWidth() * 10 + image.getHeight(), 75);
        for (int i = 0; i < 7 * 5; ++i)
            EXPECT_EQ(Bytes(image.getData() + i * 4, image.getData() + i * 4 + 4),
                      tgaPixel(kind[0], kind[1], i % 7, i / 7).second)
                << "type " << kind[0] << ", " << kind[1] << " bits, origin " << kind[2];
    }
    // A colour map may start at an entry other than 0; the indices count from there.
    Bytes mapFromTwo = makeTga(1, 8, 0, 7, 5);
    mapFromTwo[3] = 2;
    for (size_t i = 18 + 4 * 3; i < mapFromTwo.size(); ++i)
        mapFromTwo[i] += 2;
    Vx::ImageObject image = decode(mapFromTwo);
    for (int i = 0; i < 7 * 5; ++i)
        EXPECT_EQ(Bytes(image.getData() + i * 4, image.getData() + i * 4 + 4),
                  tgaPixel(1, 8, i % 7, i / 7).second);
}

// The reader takes missing bytes for zeros: headers promising more than the file holds, and
// run-length files cut anywhere, are refused before it allocates anything.
TEST(TgaCodecTest, HostileHeadersAreRefused) {
    Bytes raw = makeTga(2, 24, 0, 200, 200);
    raw.resize(raw.size() - 1);
    Bytes rle = makeTga(10, 24, 0, 200, 200);
    rle.pop_back();
    Bytes huge = makeTga(10, 32, 0, 1, 1);
    huge[12] = huge[13] = huge[14] = huge[15] = 0xFF;
    Bytes unknownType = makeTga(2, 24, 0, 4, 4);
    unknownType[2] = 5;
    EXPECT_EQ(messageOf([&] { decode(Bytes(17, 0)); }),
              "[Vx::loadTGA] Not a tga-file! Header is wrong!");
    std::vector<Bytes> cuts = {raw, rle};
    for (int tenth = 1; tenth < 10; ++tenth)
        cuts.emplace_back(rle.begin(), rle.begin() + rle.size() * tenth / 10);
    for (const Bytes& tga : cuts)
        EXPECT_EQ(messageOf([&] { decode(tga); }),
                  "[Vx::loadTGA] File is shorter than its 200 x 200 pixels need");
    EXPECT_EQ(messageOf([&] { decode(huge); }), "[Vx::loadTGA] Image is too large (65535 x 65535)");
    EXPECT_EQ(messageOf([&] { decode(unknownType); }),
              "[Vx::loadTGA] Error when decoding tga-file! (unknown image type)");
}
