// The cache: sharing, counted handles, the last drop, and rebuilding every texture after a
// video-mode change.

#include "TextureFixture.h"

#include "vorlik/Exception.h"

#include <cstring>
#include <new>

namespace {

using Vorlik::TEX_2D;
using Vorlik::TEX_MIPMAP;

constexpr Rgb RED{255, 0, 0};
constexpr Rgb GREEN{0, 255, 0};
constexpr Rgb BLUE{0, 0, 255};

using TextureCacheTest = TextureFixture;

TEST_F(TextureCacheTest, SameDescriptionSharesOneTextureAndCacheNamesSplitIt) {
    openWindow(64, 64);
    writeFlat("mcstar.png", 16, 16, RED);
    Vorlik::TextureRef first = manager->getTexture("mcstar.png");
    Vorlik::TextureRef second = manager->getTexture("mcstar.png");
    EXPECT_EQ(first.get(), second.get());
    EXPECT_EQ(first->getUseCount(), 2);
    EXPECT_EQ(manager->getCachedCount(), 1u);

    Vorlik::TextureRef named = manager->getTexture("mcstar.png", {0, 0, 0, 0x22}, "glow");
    Vorlik::TextureRef namedAgain = manager->getTexture("other.png", {0, 0, 0, 0x22}, "glow");
    EXPECT_NE(named.get(), first.get());
    // The cache name alone is the key: the second file is never read.
    EXPECT_EQ(named.get(), namedAgain.get());
    EXPECT_NE(named->getId(), first->getId());

    Vorlik::TextureRef plain = manager->getTexture("mcstar.png", {0, 0, 0, TEX_2D});
    Vorlik::TextureRef sized = manager->getTexture("mcstar.png", {16, 16, 0, 0x22});
    EXPECT_NE(plain.get(), first.get());
    EXPECT_NE(sized.get(), first.get());
    EXPECT_EQ(manager->getCachedCount(), 4u);
    EXPECT_EQ(centreOf(sized), RED);
}

TEST_F(TextureCacheTest, TheLastDropDeletesTheTextureAndItsObject) {
    openWindow(64, 64);
    writeFlat("mcstar.png", 16, 16, RED);
    Vorlik::TextureRef held = manager->getTexture("mcstar.png");
    GLuint name = held->getId();
    ASSERT_TRUE(glIsTexture(name));
    {
        Vorlik::TextureRef copy = held;
        Vorlik::TextureRef assigned;
        assigned = copy;
        EXPECT_EQ(held->getUseCount(), 3);
    }
    EXPECT_EQ(held->getUseCount(), 1);
    EXPECT_EQ(manager->getCachedCount(), 1u);

    held.reset();
    EXPECT_TRUE(held.isNull());
    EXPECT_EQ(manager->getCachedCount(), 0u);
    EXPECT_FALSE(glIsTexture(name));

    // A new picture under the old name shows the new texture is made afresh.
    writeFlat("mcstar.png", 16, 16, BLUE);
    Vorlik::TextureRef again = manager->getTexture("mcstar.png");
    EXPECT_EQ(again->getUseCount(), 1);
    EXPECT_EQ(manager->getCachedCount(), 1u);
    EXPECT_EQ(centreOf(again), BLUE);
}

TEST_F(TextureCacheTest, EmptyHandlesRefuseToBeUsed) {
    Vorlik::TextureRef empty;
    EXPECT_FALSE(empty);
    EXPECT_EQ(raisedMessage<Vorlik::Exception>([&] { empty->bind(); }),
              "TextureRef: Attempt to use an empty texture handle!");
}

TEST_F(TextureCacheTest, EveryTextureShowsAgainAfterFullScreenAndBack) {
    openWindow(64, 64);
    writeFlat("red.png", 8, 8, RED);
    writeFlat("green.png", 300, 200, GREEN);
    writeFlat("blue.png", 4, 1, BLUE);
    Vorlik::TextureRef textures[] = {manager->getTexture("red.png"),
                                     manager->getTexture("green.png", {0, 0, 0, TEX_2D}),
                                     manager->getTexture("blue.png", {0, 0, 0, Vorlik::TEX_1D})};
    const Rgb colours[] = {RED, GREEN, BLUE};

    for (bool fullscreen : {true, false}) {
        display.setFullscreen(fullscreen);
        ASSERT_EQ(display.isFullscreen(), fullscreen);
        ASSERT_EQ(bool(SDL_GetVideoSurface()->flags & SDL_FULLSCREEN), fullscreen);
        for (int i = 0; i < 3; ++i) {
            EXPECT_NE(textures[i]->getId(), 0u) << i;
            EXPECT_TRUE(glIsTexture(textures[i]->getId())) << i;
            EXPECT_EQ(centreOf(textures[i]), colours[i]) << i << (fullscreen ? " full" : " window");
        }
    }
    EXPECT_EQ(manager->getCachedCount(), 3u);

    manager->releaseAll();
    for (auto& texture : textures)
        EXPECT_EQ(texture->getId(), 0u);
    manager->reloadAll();
    EXPECT_EQ(centreOf(textures[1]), GREEN);
}

TEST_F(TextureCacheTest, TexturesOutliveTheirManager) {
    openWindow(64, 64);
    writeFlat("red.png", 8, 8, RED);
    // The manager lives in storage the test scribbles over once it is gone, so a texture
    // that still reached for it would walk a garbage cache.
    alignas(Vorlik::TextureManager) unsigned char storage[sizeof(Vorlik::TextureManager)];
    auto* own = new (storage) Vorlik::TextureManager;
    own->setFileSystem(&files);
    Vorlik::TextureRef survivor = own->getTexture("red.png");
    own->~TextureManager();
    std::memset(storage, 0xA5, sizeof storage);
    EXPECT_EQ(survivor->getManager(), nullptr);
    EXPECT_EQ(survivor->getUseCount(), 1);
    EXPECT_EQ(centreOf(survivor), RED);
    survivor.reset();
    EXPECT_TRUE(survivor.isNull());
}

} // namespace
