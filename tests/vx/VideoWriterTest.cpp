#include "VxFixture.h"

#include "vx/PngSequenceWriter.h"

#include <cstring>

using namespace vx_test;

namespace {

class WriterTest : public VxTest {
protected:
    void SetUp() override {
        fs.addPath(dir.prefix() + "screenshots");
        info.width = 3;
        info.height = 2;
        info.fps = 30;
    }

    std::unique_ptr<Vx::VideoWriter> open(const std::string& name) {
        std::unique_ptr<Vx::VideoWriter> writer = Vx::openVideoWriter(name, &info, &fs);
        writer->setImage(frame);
        return writer;
    }

    Vx::VideoInfo info;
    Vx::Image frame{new Vx::ImageObject(3, 2, nullptr, nullptr, "")};
};

} // namespace

TEST_F(WriterTest, FramesAreNumberedWithSixDigits) {
    auto writer = open("dump.png");
    writer->writeFrame();
    writer->writeFrame();
    EXPECT_TRUE(dir.exists("screenshots/dump.000000.png"));
    EXPECT_TRUE(dir.exists("screenshots/dump.000001.png"));
    EXPECT_EQ(writer->getWidth(), 3);
    EXPECT_EQ(writer->getHeight(), 2);
    EXPECT_EQ(writer->getInfo().fps, 30);
    EXPECT_EQ(writer->getInfo().fpsBase, 1);
}

TEST_F(WriterTest, BaseNameIsEverythingBeforeTheLastDot) {
    open("video.frames.png")->writeFrame();
    open("xpng")->writeFrame();
    open(".png")->writeFrame();
    EXPECT_TRUE(dir.exists("screenshots/video.frames.000000.png"));
    EXPECT_TRUE(dir.exists("screenshots/xpng.000000.png"));
    EXPECT_TRUE(dir.exists("screenshots/.png.000000.png"));
}

TEST_F(WriterTest, OtherTargetsAreRefusedByName) {
    for (const char* name : {"dump.PNG", "dump.jpg", "dump", ""})
        EXPECT_EQ(messageOf([&] { Vx::openVideoWriter(name, &info, &fs); }),
                  std::string("Could not find something that could write to '") + name + "'");
    EXPECT_EQ(messageOf([&] { Vx::openVideoWriter("dump.png", &info, nullptr); }),
              "Could not find something that could write to 'dump.png'");
}

TEST_F(WriterTest, WrittenFrameHoldsTheCallersLatestPixels) {
    auto writer = open("dump.png");
    uint8_t* pixels = frame->getWriteData();
    for (int i = 0; i < 3 * 2 * 4; ++i)
        pixels[i] = uint8_t(i * 9);
    writer->writeFrame();
    Vx::Image back = fs.loadImage("dump.000000.png");
    EXPECT_EQ(std::memcmp(back->getData(), pixels, 3 * 2 * 4), 0);
}

TEST_F(WriterTest, UnwritableFramesStillUseUpTheirNumbers) {
    dir.write("screenshots", "a file where the folder should be");
    auto writer = open("dump.png");
    for (int i = 0; i < 10; ++i)
        writer->writeFrame();
    std::filesystem::remove(dir.path() / "screenshots");
    writer->writeFrame();
    EXPECT_FALSE(dir.exists("screenshots/dump.000000.png"));
    EXPECT_TRUE(dir.exists("screenshots/dump.000010.png"));
}

// While the shared image has no pixels every frame is skipped quickly, so the numbers can
// run up without writing a million files.
TEST_F(WriterTest, NumberingGoesPast999999) {
    Vx::Image empty(new Vx::ImageObject(0, 0, nullptr, nullptr, ""));
    Vx::PngSequenceWriter writer;
    ASSERT_TRUE(writer.open("dump.png", &info, &fs));
    writer.setImage(empty);
    for (int i = 0; i < 999999; ++i)
        writer.writeFrame();
    empty->resize(3, 2);
    writer.writeFrame();
    writer.writeFrame();
    EXPECT_TRUE(dir.exists("screenshots/dump.999999.png"));
    EXPECT_TRUE(dir.exists("screenshots/dump.1000000.png"));
    EXPECT_EQ(writer.getCounter(), 1000001);
}

TEST_F(WriterTest, FrameWithoutImageThrowsTheHandlesMessage) {
    auto writer = Vx::openVideoWriter("dump.png", &info, &fs);
    EXPECT_EQ(messageOf([&] { writer->writeFrame(); }),
              "Image::operator*() Attempt to dereference (NULL)ImageObject!");
}

// Short components, so only the 1023-character limit (not the platform's) stands in the way.
TEST_F(WriterTest, OverlongFrameNameIsSkippedNotCut) {
    std::string longName;
    for (int i = 0; i < 6; ++i)
        longName += std::string(200, char('a' + i)) + "/";
    Vx::PngSequenceWriter writer;
    ASSERT_TRUE(writer.open(longName + "dump.png", &info, &fs));
    writer.setImage(frame);
    writer.writeFrame();
    EXPECT_EQ(writer.getCounter(), 1);
    EXPECT_FALSE(dir.exists("screenshots/" + std::string(200, 'a')));
}
