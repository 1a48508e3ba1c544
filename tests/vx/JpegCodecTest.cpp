#include "VxFixture.h"

#include "vx/JpegCodec.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

using namespace vx_test;

namespace {

Vx::ImageObject decode(const Bytes& bytes) {
    Vx::ImageObject image(0, 0, nullptr, nullptr, "");
    Vx::JpegCodec().decode(bytes.data(), uint32_t(bytes.size()), image);
    return image;
}

std::string decodeMessage(const Bytes& bytes) {
    return messageOf([&] { decode(bytes); });
}

void expectNear(const uint8_t* pixel, int blue, int green, int red) {
    EXPECT_NEAR(pixel[0], blue, 3);
    EXPECT_NEAR(pixel[1], green, 3);
    EXPECT_NEAR(pixel[2], red, 3);
    EXPECT_EQ(pixel[3], 255);
}

// The first marker of a kind: the segment it starts, or the file's size when there is none.
size_t findMarker(const Bytes& jpeg, uint8_t marker) {
    for (size_t i = 0; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == marker)
            return i;
    return jpeg.size();
}

} // namespace

TEST(JpegCodecTest, ColourDecodesOpaqueWithBlueFirst) {
    Vx::ImageObject image = decode(makeJpeg(24, 17, 200, 100, 30));
    ASSERT_EQ(image.getWidth(), 24);
    ASSERT_EQ(image.getHeight(), 17);
    for (int i = 0; i < 24 * 17; ++i)
        expectNear(image.getData() + i * 4, 30, 100, 200);
}

TEST(JpegCodecTest, GrayDecodesToEqualChannels) {
    Vx::ImageObject image = decode(makeJpeg(8, 8, 90, 0, 0, true));
    for (int i = 0; i < 64; ++i)
        expectNear(image.getData() + i * 4, 90, 90, 90);
}

TEST(JpegCodecTest, TruncatedFileEndsWithLibjpegsMessage) {
    Bytes jpeg = makeJpeg(64, 64, 10, 20, 30);
    for (size_t length : {size_t(0), size_t(2), size_t(100), jpeg.size() / 2, jpeg.size() - 2}) {
        std::string message = decodeMessage(Bytes(jpeg.begin(), jpeg.begin() + length));
        EXPECT_EQ(message.rfind("Internal jpeglib error; ", 0), 0u) << length << ": " << message;
    }
}

TEST(JpegCodecTest, GarbageIsRefusedWithLibjpegsMessage) {
    EXPECT_EQ(decodeMessage(Bytes{'n', 'o', 't', ' ', 'a', ' ', 'j', 'p', 'e', 'g'}),
              "Internal jpeglib error; Not a JPEG file: starts with 0x6e 0x6f");
}

// SOF0 holds height then width; 60000 x 60000 pixels would need 14 GB.
TEST(JpegCodecTest, HugeDimensionsAreRefused) {
    Bytes jpeg = makeJpeg(8, 8, 1, 2, 3);
    size_t sof = findMarker(jpeg, 0xC0);
    ASSERT_LT(sof, jpeg.size());
    jpeg[sof + 5] = 0xEA;
    jpeg[sof + 6] = 0x60;
    jpeg[sof + 7] = 0xEA;
    jpeg[sof + 8] = 0x60;
    EXPECT_EQ(decodeMessage(jpeg), "Internal jpeglib error; Image is too large");
}

// The same inks stored plainly, and inverted under an Adobe marker as Photoshop writes them.
TEST(JpegCodecTest, PrintInksDecodeToColour) {
    for (bool adobe : {true, false}) {
        testing_support::JpegSettings settings;
        settings.width = settings.height = 16;
        settings.components = 4;
        settings.space = JCS_CMYK;
        settings.quality = 98;
        settings.adobeMarker = adobe;
        const uint8_t inks[] = {55, 155, 205, 35};
        Bytes jpeg = testing_support::writeJpeg(settings, [&](int, uint8_t* row) {
            for (int i = 0; i < 16 * 4; ++i)
                row[i] = uint8_t(adobe ? 255 - inks[i % 4] : inks[i % 4]);
        });
        Vx::ImageObject image = decode(jpeg);
        for (int i = 0; i < 16 * 16; ++i)
            expectNear(image.getData() + i * 4, 43, 86, 173);
    }
}

// Viewers show what libjpeg only warns about; pixels missing or of 12 bits are still refused.
TEST(JpegCodecTest, WarningsDecodeButNotAnEndCutShort) {
    Bytes jpeg = makeJpeg(16, 16, 200, 100, 30);
    Bytes newerJfif = jpeg;
    newerJfif[11] = 2;
    Bytes strayBytes = jpeg;
    strayBytes.insert(strayBytes.begin() + findMarker(jpeg, 0xDB), {0x12, 0x34});
    for (const Bytes& warned : {newerJfif, strayBytes})
        expectNear(decode(warned).getData(), 30, 100, 200);
    EXPECT_EQ(decodeMessage(Bytes(jpeg.begin(), jpeg.end() - 2)),
              "Internal jpeglib error; Premature end of JPEG file");
    jpeg[findMarker(jpeg, 0xC0) + 4] = 12;
    EXPECT_EQ(decodeMessage(jpeg), "Internal jpeglib error; Unsupported JPEG data precision 12");
}

// Libjpeg makes up missing data: a progressive file of a few hundred bytes claiming 16000 x
// 16000 pixels decoded grey at gigabytes, and thousands of empty scans took minutes. Arithmetic
// coding packs a flat picture of any size into about 200 bytes, so a file of that length may
// claim up to the most pixels a picture may have, and no more.
TEST(JpegCodecTest, FilesCannotClaimMorePixelsMemoryOrScansThanTheyHold) {
    Bytes jpeg = makeJpeg(16, 16, 200, 100, 30, false, true);
    expectNear(decode(jpeg).getData(), 30, 100, 200);
    const size_t sof = findMarker(jpeg, 0xC2), scan = findMarker(jpeg, 0xDA);
    Bytes scans(jpeg.begin(), jpeg.begin() + scan), empty = scans;
    for (int i = 0; i < 30; ++i)
        scans.insert(scans.end(), jpeg.begin() + scan, jpeg.end() - 2);
    empty.insert(empty.end(), jpeg.begin() + scan, jpeg.begin() + scan + 2 + jpeg[scan + 3]);
    for (Bytes* file : {&scans, &empty})
        file->insert(file->end(), {0xFF, 0xD9});
    for (size_t at : {sof + 5, sof + 7})
        empty[at] = 8000 >> 8, empty[at + 1] = 8000 & 0xFF;
    EXPECT_EQ(decodeMessage(empty),
              "Internal jpeglib error; File is shorter than its 8000 x 8000 pixels need");
    EXPECT_EQ(decodeMessage(scans), "Internal jpeglib error; Image has more than 256 scans");
    testing_support::JpegSettings flat;
    flat.width = flat.height = 16;
    flat.arithmetic = true;
    for (bool progressive : {false, true}) {
        flat.progressive = progressive;
        Bytes claim = testing_support::writeJpeg(
            flat, [](int, uint8_t* row) { std::fill(row, row + 16 * 3, uint8_t(90)); });
        const size_t frame = findMarker(claim, progressive ? 0xCA : 0xC9);
        for (auto [width, height] :
             {std::pair(16384, 8), std::pair(16385, 8), std::pair(8, 16385), std::pair(16384, 4097),
              std::pair(9000, 9000), std::pair(16384, 16383)}) {
            claim[frame + 5] = uint8_t(height >> 8), claim[frame + 6] = uint8_t(height);
            claim[frame + 7] = uint8_t(width >> 8), claim[frame + 8] = uint8_t(width);
            const bool allowed = width == 16384 && height == 8;
            EXPECT_EQ(decodeMessage(claim),
                      allowed ? "" : "Internal jpeglib error; Image is too large")
                << width << " x " << height;
        }
    }
}

TEST_F(VxTest, JpegLoadsThroughTheFileSystem) {
    dir.write("photo.JPG", asString(makeJpeg(9, 9, 0, 0, 255)));
    fs.addPath(dir.prefix());
    Vx::Image image = fs.loadImage("photo.JPG");
    expectNear(image->getData(), 255, 0, 0);
}
