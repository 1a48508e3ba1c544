// The software window: its surface, cursor, frames and failures.

#include "WindowFixture.h"
#include "marquel/display/SurfaceDisplay.h"

#include <cstdint>
#include <stdexcept>
#include <string>

namespace {

// Shows whether the frame holds the surface locked.
class SoftwareWindow : public Marquel::SurfaceDisplay {
public:
    bool locked() const { return surfaceOpened; }
};

using DisplaySurfaceTest = WindowFixture;

TEST_F(DisplaySurfaceTest, OpensA32BitSurfaceWithoutCursorOrTextures) {
    SoftwareWindow display;
    display.open("software", 96, 64, false);
    EXPECT_TRUE(display.isOpen());
    EXPECT_FALSE(display.isFullscreen());
    EXPECT_EQ(display.getTextureManager(), nullptr);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    char* title = nullptr;
    SDL_WM_GetCaption(&title, nullptr);
    EXPECT_STREQ(title, "software");
    SDL_Surface* screen = SDL_GetVideoSurface();
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->format->BitsPerPixel, 32);
    EXPECT_FALSE(screen->flags & SDL_OPENGL);
    EXPECT_EQ(display.width(), 96u);
    EXPECT_EQ(display.height(), 64u);

    // A frame may write every pixel of the surface.
    display.beginFrame();
    ASSERT_NE(screen->pixels, nullptr);
    EXPECT_EQ(display.locked(), bool(SDL_MUSTLOCK(screen)));
    auto* pixels = static_cast<uint32_t*>(screen->pixels);
    for (int y = 0; y < screen->h; ++y)
        for (int x = 0; x < screen->w; ++x)
            pixels[y * screen->pitch / 4 + x] = SDL_MapRGB(screen->format, 0, 128, 255);
    display.endFrame();
    EXPECT_FALSE(display.locked());
}

TEST_F(DisplaySurfaceTest, AWindowWithoutASizeReportsTheSizeItOpenedAt) {
    SoftwareWindow display;
    display.open("no size", 0, 0, false);
    SDL_Surface* screen = SDL_GetVideoSurface();
    ASSERT_NE(screen, nullptr);
    EXPECT_GT(screen->w, 0);
    EXPECT_EQ(display.width(), unsigned(screen->w));
    EXPECT_EQ(display.height(), unsigned(screen->h));
}

TEST_F(DisplaySurfaceTest, FullScreenSetsTheModeAndClosedFramesDoNothing) {
    SoftwareWindow display;
    display.open("software full screen", 640, 480, true);
    EXPECT_TRUE(display.isFullscreen());
    SDL_Surface* screen = SDL_GetVideoSurface();
    ASSERT_NE(screen, nullptr);
    EXPECT_TRUE(screen->flags & SDL_FULLSCREEN);
    display.setFullscreen(false);
    EXPECT_TRUE(display.isFullscreen());
    display.close();
    EXPECT_FALSE(display.isOpen());
    display.beginFrame();
    display.endFrame();
    EXPECT_FALSE(display.locked());
}

TEST_F(DisplaySurfaceTest, AnImpossibleModePrintsToStandardErrorAndRaises) {
    SoftwareWindow display;
    testing::internal::CaptureStderr();
    EXPECT_EQ(
        raisedMessage<std::runtime_error>([&] { display.open("absurd", 100000, 100000, false); }),
        "Video mode set failed: A scanline is too wide\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Video mode set failed: A scanline is too wide\n");
    EXPECT_FALSE(display.isOpen());
    display.open("sensible", 96, 64, false);
    display.beginFrame();
    display.endFrame();
    EXPECT_TRUE(display.isOpen());
}

TEST_F(DisplaySurfaceTest, AMissingVideoDriverPrintsToStandardOutputAndRaises) {
    setVideoDriver("nosuchdriver");
    SoftwareWindow display;
    testing::internal::CaptureStdout();
    std::string message =
        raisedMessage<std::runtime_error>([&] { display.open("nowhere", 96, 64, false); });
    EXPECT_EQ(message.rfind("Video initialization failed: ", 0), 0u) << message;
    EXPECT_EQ(testing::internal::GetCapturedStdout(), message);
    EXPECT_FALSE(display.isOpen());
}

} // namespace
