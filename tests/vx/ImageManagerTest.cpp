#include "VxFixture.h"

#include <memory>

using namespace vx_test;

namespace {

class ImageTest : public VxTest {
protected:
    void SetUp() override {
        dir.write("pic.png", asString(makePng(4, 3, PNG_COLOR_TYPE_RGB_ALPHA, 8)));
        fs.addPath(dir.prefix());
    }
};

} // namespace

TEST_F(ImageTest, SameNameGivesTheSameObjectWhileHeld) {
    Vx::Image first = fs.loadImage("pic.png");
    // A changed file shows the second load comes from the cache, not from a new decode.
    dir.write("pic.png", asString(makePng(2, 2, PNG_COLOR_TYPE_RGB, 8)));
    Vx::Image second = fs.loadImage("pic.png");
    EXPECT_EQ(&*first, &*second);
    EXPECT_EQ(second->getWidth(), 4);
    EXPECT_EQ(first->getManager(), &fs.getImageManager());
}

TEST_F(ImageTest, DroppingTheLastOutsideHandleLeavesTheCache) {
    Vx::Image image = fs.loadImage("pic.png");
    Vx::Image copy = image;
    image.reset();
    EXPECT_FALSE(fs.getImageManager().findImage("pic.png").isNull());
    copy.reset();
    EXPECT_TRUE(fs.getImageManager().findImage("pic.png").isNull());
    dir.write("pic.png", asString(makePng(2, 2, PNG_COLOR_TYPE_RGB, 8)));
    EXPECT_EQ(fs.loadImage("pic.png")->getWidth(), 2);
}

TEST_F(ImageTest, AssigningHandlesKeepsCountsRight) {
    Vx::Image image = fs.loadImage("pic.png");
    Vx::Image other;
    other = image;
    other = other;
    image = Vx::Image();
    EXPECT_FALSE(fs.getImageManager().findImage("pic.png").isNull());
    other = Vx::Image();
    EXPECT_TRUE(fs.getImageManager().findImage("pic.png").isNull());
}

TEST_F(ImageTest, UncachedLoadsAreSeparateAndWritable) {
    Vx::Image cached = fs.loadImage("pic.png");
    Vx::Image a = fs.loadImage("pic.png", -1, true);
    Vx::Image b = fs.loadImage("pic.png", -1, true);
    EXPECT_NE(&*a, &*b);
    EXPECT_NE(&*a, &*cached);
    EXPECT_EQ(a->getManager(), nullptr);
    EXPECT_NE(a->getWriteData(), nullptr);
    EXPECT_EQ(messageOf([&] { cached->getWriteData(); }),
              "ImageObject::getWriteData, Access not allowed!");
}

TEST_F(ImageTest, CacheKeysAreExactNames) {
    dir.write("PIC.PNG", dir.read("pic.png"));
    Vx::Image plain = fs.loadImage("pic.png");
    Vx::Image dotted = fs.loadImage("./pic.png");
    Vx::Image upper = fs.loadImage("PIC.PNG");
    EXPECT_NE(&*plain, &*dotted);
    EXPECT_NE(&*plain, &*upper);
}

TEST_F(ImageTest, ImagesOutliveTheirFileSystemUncachedAndWritable) {
    Vx::Image kept;
    {
        Vx::FileSystem local;
        local.addPath(dir.prefix());
        kept = local.loadImage("pic.png");
        Vx::Image dropped = local.loadImage("pic.png");
    }
    EXPECT_EQ(kept->getManager(), nullptr);
    EXPECT_EQ(kept->getWidth(), 4);
    EXPECT_NE(kept->getWriteData(), nullptr);
}

TEST_F(ImageTest, LoadFailuresNameTheFile) {
    dir.write("pic.jpeg", "x");
    dir.write("noext", "x");
    dir.write("pic.tga", "x");
    std::filesystem::resize_file(dir.write("huge.png", ""), (int64_t(1) << 30) + 1);
    EXPECT_EQ(messageOf([&] { fs.loadImage("gone.png"); }),
              "Vx::loadImage, File not found (gone.png)");
    EXPECT_EQ(messageOf([&] { fs.loadImage("huge.png"); }),
              "Vx::loadImage, File is larger than 1 GiB (huge.png, 1073741825 bytes)");
    EXPECT_EQ(messageOf([&] { fs.loadImage("pic.jpeg"); }),
              "Vx::ImageManager::loadImage, No decoder found for pic.jpeg");
    EXPECT_EQ(messageOf([&] { fs.loadImage("noext"); }),
              "Vx::ImageManager::loadImage, No decoder found for noext");
    EXPECT_EQ(messageOf([&] { fs.loadImage("pic.tga"); }),
              "[Vx::loadTGA] Not a tga-file! Header is wrong!");
    EXPECT_TRUE(fs.getImageManager().findImage("pic.tga").isNull());
}

TEST_F(ImageTest, CachedImageIsNotLoadedOnceItsFileIsGone) {
    Vx::Image held = fs.loadImage("pic.png");
    std::filesystem::remove(dir.path() / "pic.png");
    EXPECT_EQ(messageOf([&] { fs.loadImage("pic.png"); }),
              "Vx::loadImage, File not found (pic.png)");
}

TEST(ImageManagerTest, ExtensionsAndCodecs) {
    Vx::ImageManager manager;
    EXPECT_EQ(Vx::ImageManager::getExtension("dir.v2/file"), "v2/file");
    EXPECT_EQ(Vx::ImageManager::getExtension("a.b.png"), "png");
    EXPECT_EQ(Vx::ImageManager::getExtension("none"), "");
    EXPECT_EQ(manager.getCodec("PNG")->getExtension(), "png");
    EXPECT_EQ(manager.getCodec("jpg")->getExtension(), "jpg");
    EXPECT_EQ(manager.getCodec("jpeg"), nullptr);
    EXPECT_EQ(messageOf([&] { manager.removeImage("x"); }),
              "Vx::ImageManager::removeImage, Image x not found!");
}

TEST(ImageHandleTest, EmptyHandleRefusesDereference) {
    Vx::Image empty;
    EXPECT_TRUE(empty.isNull());
    EXPECT_TRUE(Vx::Image(nullptr).isNull());
    EXPECT_EQ(messageOf([&] { empty->getWidth(); }),
              "Image::operator->() - Attempt to dereference (NULL)ImageObject!");
    EXPECT_EQ(messageOf([&] { (*empty).getWidth(); }),
              "Image::operator*() Attempt to dereference (NULL)ImageObject!");
}

TEST(ImageObjectTest, ResizeAndSetData) {
    Vx::ImageObject image(2, 2, nullptr, nullptr, "");
    EXPECT_NE(image.getData(), nullptr);
    const uint8_t* before = image.getData();
    image.setData(5, 5, nullptr);
    EXPECT_EQ(image.getData(), before);
    EXPECT_EQ(image.getWidth(), 2);
    image.resize(0, 0);
    EXPECT_EQ(image.getData(), nullptr);
    std::unique_ptr<uint8_t[]> pixels(new uint8_t[3 * 1 * 4]);
    uint8_t* raw = pixels.get();
    image.setData(3, 1, std::move(pixels));
    EXPECT_EQ(image.getData(), raw);
    EXPECT_EQ(image.getWidth(), 3);
}

TEST(FileHandleTest, CopiesShareOneObjectUntilTheLastGoes) {
    Vx::File file = Vx::File::fromString("a.txt", "abc");
    Vx::File copy = file;
    EXPECT_EQ(&*file, &*copy);
    file.reset();
    EXPECT_TRUE(file.isNull());
    EXPECT_EQ(text(copy), "abc");
    copy = copy;
    EXPECT_EQ(copy->getName(), "a.txt");
    EXPECT_FALSE(messageOf([&] { file->getSize(); }).empty());
}

TEST_F(ImageTest, SaveImageOnlyForEncodableNames) {
    Vx::Image image(new Vx::ImageObject(2, 2, nullptr, nullptr, ""));
    EXPECT_FALSE(fs.saveImage("shot.jpg", image));
    EXPECT_FALSE(dir.exists("shot.jpg"));
    EXPECT_TRUE(fs.saveImage("shot.png", image));
    EXPECT_TRUE(dir.exists("shot.png"));
    Vx::Image cached = fs.loadImage("pic.png");
    EXPECT_EQ(messageOf([&] { fs.saveImage("copy.png", cached); }),
              "ImageObject::getWriteData, Access not allowed!");
    EXPECT_EQ(messageOf([&] { fs.saveImage("none.png", Vx::Image()); }),
              "Image::operator*() Attempt to dereference (NULL)ImageObject!");
}
