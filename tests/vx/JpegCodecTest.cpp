#include "VxFixture.h"

#include "vx/JpegCodec.h"

#include <cstdlib>

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
    size_t sof = 0;
    for (size_t i = 0; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            sof = i;
            break;
        }
    ASSERT_NE(sof, 0u);
    jpeg[sof + 5] = 0xEA;
    jpeg[sof + 6] = 0x60;
    jpeg[sof + 7] = 0xEA;
    jpeg[sof + 8] = 0x60;
    EXPECT_EQ(decodeMessage(jpeg), "Internal jpeglib error; Image is too large");
}

TEST_F(VxTest, JpegLoadsThroughTheFileSystem) {
    dir.write("photo.JPG", asString(makeJpeg(9, 9, 0, 0, 255)));
    fs.addPath(dir.prefix());
    Vx::Image image = fs.loadImage("photo.JPG");
    expectNear(image->getData(), 255, 0, 0);
}
