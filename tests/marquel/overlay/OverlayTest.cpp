// The OpenGL display's overlays read back from the frame: both panels' places and sizes,
// their uploads, their state, the loading bar and the frame grabs.

#include "SystemFixture.h"
#include "common/TempDir.h"
#include "marquel/display/GLDisplay.h"
#include "marquel/overlay/Hud.h"
#include "marquel/overlay/Panel.h"
#include "vx/Exception.h"
#include "vx/FileSystem.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <vector>

namespace {

constexpr int WIDTH = 640;
constexpr int HEIGHT = 480;

using Rgb = std::array<int, 3>;

constexpr Rgb GREY{128, 128, 128};
constexpr Rgb RED{255, 0, 0};
constexpr Rgb GREEN{0, 255, 0};
constexpr Rgb BLUE{0, 0, 255};
constexpr Rgb YELLOW{255, 255, 0};

uint32_t argb(const Rgb& c) {
    return 0xFF000000u | uint32_t(c[0]) << 16 | uint32_t(c[1]) << 8 | uint32_t(c[2]);
}

// The frame being drawn, read straight from OpenGL, top row first.
class Frame {
public:
    Frame() : pixels(WIDTH * HEIGHT * 3) {
        glReadBuffer(GL_BACK);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, WIDTH, HEIGHT, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    }
    // x from the left, y from the top.
    Rgb at(int x, int y) const {
        const uint8_t* p = &pixels[((HEIGHT - 1 - y) * WIDTH + x) * 3];
        return {p[0], p[1], p[2]};
    }

private:
    std::vector<uint8_t> pixels;
};

// Within a few levels: software rasterisers differ in the last bits.
::testing::AssertionResult near(const Rgb& got, const Rgb& want) {
    for (int i = 0; i < 3; ++i)
        if (std::abs(got[i] - want[i]) > 3)
            return ::testing::AssertionFailure()
                   << "got " << got[0] << "," << got[1] << "," << got[2] << " want " << want[0]
                   << "," << want[1] << "," << want[2];
    return ::testing::AssertionSuccess();
}

// A panel of one opaque colour with marked corners: top-left red, bottom-right blue.
class FlatPanel : public Marquel::Panel {
public:
    FlatPanel(Vx::FileSystem* files, uint32_t w, uint32_t h, const Rgb& colour)
        : Panel(files), colour(colour) {
        resize(w, h);
        redraw();
        visible = true;
    }
    void redraw() override {
        fillRect(0, 0, int32_t(width), int32_t(height), argb(colour), false);
        pixels.front() = argb(RED);
        pixels.back() = argb(BLUE);
        dirty = true;
    }
    Rgb colour;
};

class OverlayTest : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        files.addPath(dir.prefix());
        dir.write("marquel.font", system_test::barFont());
        display.open("overlays", WIDTH, HEIGHT, false);
    }

    // A frame cleared to grey, as an effect would leave it.
    void beginGreyFrame() {
        display.beginFrame();
        glClearColor(GREY[0] / 255.0f, GREY[1] / 255.0f, GREY[2] / 255.0f, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }

    testing_support::TempDir dir;
    Vx::FileSystem files;
    Marquel::GLDisplay display;
};

TEST_F(OverlayTest, InspectorTallerThanTheWindowFillsItsHeightCentredAndSquare) {
    FlatPanel panel(&files, 512, 512, GREEN);
    // Quadrants, to see that the panel's top row is at the top and its left at the left.
    panel.fillRect(256, 0, 256, 256, argb(YELLOW), false);
    panel.fillRect(0, 256, 256, 256, argb(BLUE), false);
    beginGreyFrame();
    display.drawInspector(panel);
    Frame frame;
    EXPECT_FALSE(panel.dirty) << "uploaded";
    // 480 pixels square from column 80.
    for (int y : {0, 240, 479}) {
        EXPECT_TRUE(near(frame.at(79, y), GREY)) << y;
        EXPECT_FALSE(near(frame.at(80, y), GREY)) << y;
        EXPECT_FALSE(near(frame.at(559, y), GREY)) << y;
        EXPECT_TRUE(near(frame.at(560, y), GREY)) << y;
    }
    EXPECT_TRUE(near(frame.at(200, 100), GREEN));
    EXPECT_TRUE(near(frame.at(440, 100), YELLOW));
    EXPECT_TRUE(near(frame.at(200, 380), BLUE));
    display.endFrame();

    panel.hide();
    beginGreyFrame();
    display.drawInspector(panel);
    EXPECT_TRUE(near(Frame().at(320, 240), GREY)) << "a hidden inspector is not drawn";
    display.endFrame();
}

TEST_F(OverlayTest, SmallInspectorIsCentredPixelForPixel) {
    FlatPanel panel(&files, 200, 100, GREEN);
    beginGreyFrame();
    display.drawInspector(panel);
    Frame frame;
    EXPECT_TRUE(near(frame.at(220, 190), RED)) << "the panel's top-left pixel";
    EXPECT_TRUE(near(frame.at(419, 289), BLUE)) << "its bottom-right pixel";
    EXPECT_TRUE(near(frame.at(221, 190), GREEN));
    EXPECT_TRUE(near(frame.at(219, 190), GREY));
    EXPECT_TRUE(near(frame.at(220, 189), GREY));
    EXPECT_TRUE(near(frame.at(420, 289), GREY));
    EXPECT_TRUE(near(frame.at(419, 290), GREY));
    display.endFrame();
}

TEST_F(OverlayTest, HudSitsFivePixelsFromTheBottomRightAtItsExactSize) {
    FlatPanel panel(&files, 64, 32, GREEN);
    beginGreyFrame();
    display.drawHud(panel);
    Frame frame;
    const int left = WIDTH - 5 - 64, top = HEIGHT - 5 - 32;
    EXPECT_TRUE(near(frame.at(left, top), RED));
    EXPECT_TRUE(near(frame.at(left + 63, top + 31), BLUE));
    EXPECT_TRUE(near(frame.at(left + 1, top), GREEN));
    EXPECT_TRUE(near(frame.at(left - 1, top), GREY));
    EXPECT_TRUE(near(frame.at(left, top - 1), GREY));
    EXPECT_TRUE(near(frame.at(left + 64, top + 31), GREY));
    EXPECT_TRUE(near(frame.at(left + 63, top + 32), GREY));
    display.endFrame();
}

TEST_F(OverlayTest, PanelsBlendWithoutDepthTestWhateverTheEffectsLeft) {
    Marquel::Hud hud(&files);
    Marquel::EventList events;
    Marquel::Event info;
    info.type = Marquel::EVENT_INFO;
    events.append(info);
    hud.handleEvents(events);
    display.beginFrame();
    // Grey, not black, so that what shows through the translucent box is seen.
    glClearColor(GREY[0] / 255.0f, GREY[1] / 255.0f, GREY[2] / 255.0f, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    // What a careless effect might leave behind.
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_NEVER);
    glDisable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ZERO);
    glColor4f(1, 0, 0, 0);
    glViewport(0, 0, 10, 10);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glTranslatef(3, 3, 0);
    glMatrixMode(GL_TEXTURE);
    glScalef(2, 2, 2);
    glMatrixMode(GL_MODELVIEW);
    glScalef(0.1f, 0.1f, 1);
    display.drawHud(hud);
    Frame frame;
    const int left = WIDTH - 5 - 64, top = HEIGHT - 5 - 32;
    // 0xAA660000 over grey: 0x66 * 0xAA / 255 red, plus 128 * 0x55 / 255 of the grey.
    EXPECT_TRUE(near(frame.at(left + 40, top + 30), Rgb{111, 43, 43}));
    EXPECT_TRUE(near(frame.at(left, top + 10), Rgb{43, 43, 43})) << "the black edge";
    GLint depth = -1;
    glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 0) << "the frame's saved state was restored, the overlay's popped";
    display.endFrame();
}

// An effect's init runs outside the frame brackets, so what it leaves is the state every
// frame returns to when the overlay drops the effects' changes.
TEST_F(OverlayTest, PanelsIgnoreViewportAndUnpackStateLeftBeforeTheFrame) {
    FlatPanel panel(&files, 64, 32, GREEN);
    glViewport(0, 0, 256, 256);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 8);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 4);
    beginGreyFrame();
    display.drawHud(panel);
    Frame frame;
    const int left = WIDTH - 5 - 64, top = HEIGHT - 5 - 32;
    EXPECT_TRUE(near(frame.at(left, top), RED)) << "the panel's own top-left pixel";
    EXPECT_TRUE(near(frame.at(left + 63, top + 31), BLUE)) << "its bottom-right pixel";
    EXPECT_TRUE(near(frame.at(left + 32, top + 16), GREEN));
    EXPECT_TRUE(near(frame.at(left - 1, top), GREY));
    display.endFrame();
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glViewport(0, 0, WIDTH, HEIGHT);
}

TEST_F(OverlayTest, APanelIsUploadedAgainOnlyWhenDirty) {
    FlatPanel panel(&files, 64, 32, GREEN);
    const int x = WIDTH - 5 - 32, y = HEIGHT - 5 - 16;
    beginGreyFrame();
    display.drawHud(panel);
    EXPECT_TRUE(near(Frame().at(x, y), GREEN));
    display.endFrame();

    panel.colour = YELLOW;
    panel.redraw();
    panel.dirty = false;
    beginGreyFrame();
    display.drawHud(panel);
    EXPECT_TRUE(near(Frame().at(x, y), GREEN)) << "the old texture until the panel says so";
    display.endFrame();

    panel.dirty = true;
    beginGreyFrame();
    display.drawHud(panel);
    EXPECT_TRUE(near(Frame().at(x, y), YELLOW));
    EXPECT_FALSE(panel.dirty);
    display.endFrame();
}

TEST_F(OverlayTest, AfterFullScreenAndBackBothPanelsShowAgain) {
    FlatPanel inspector(&files, 200, 100, GREEN);
    FlatPanel hud(&files, 64, 32, YELLOW);
    auto drawBoth = [&] {
        beginGreyFrame();
        display.drawInspector(inspector);
        display.drawHud(hud);
        Frame frame;
        EXPECT_TRUE(near(frame.at(WIDTH / 2, HEIGHT / 2), GREEN));
        EXPECT_TRUE(near(frame.at(WIDTH - 5 - 32, HEIGHT - 5 - 16), YELLOW));
        display.endFrame();
    };
    drawBoth();
    ASSERT_FALSE(inspector.dirty);
    ASSERT_FALSE(hud.dirty);
    // The switch loses the OpenGL context and every texture in it.
    display.setFullscreen(true);
    drawBoth();
    display.setFullscreen(false);
    drawBoth();
}

// Loading bar: in a 640 x 480 window a bar unit is 480 / (2 * 13.05 * tan 22.5 deg), about
// 44.4 pixels, and the bar's centre lies 0.3 units above the window's centre.
class ProgressBarTest : public OverlayTest {
protected:
    static constexpr float UNIT = 44.4f;
    static constexpr int CENTRE_X = WIDTH / 2;
    static constexpr int CENTRE_Y = HEIGHT / 2 - 13;

    // The pixels along the row and the column through the bar's centre that show the
    // fill's grey, as '#', one character per 0.2 units from -2.2 to 2.2.
    void drawAt(float fraction) {
        display.beginFrame();
        display.drawProgress(fraction);
        Frame frame;
        row.clear();
        column.clear();
        for (int step = -11; step <= 11; ++step) {
            const int offset = static_cast<int>(step * 0.2f * UNIT);
            row += near(frame.at(CENTRE_X + offset, CENTRE_Y), FILL) ? '#' : '.';
            column += near(frame.at(CENTRE_X, CENTRE_Y + offset), FILL) ? '#' : '.';
        }
        ends = {frame.at(CENTRE_X - static_cast<int>(2.02f * UNIT), CENTRE_Y),
                frame.at(CENTRE_X + static_cast<int>(1.99f * UNIT), CENTRE_Y)};
        display.endFrame();
    }

    static constexpr Rgb FILL{77, 77, 77};
    std::string row, column;
    // Just inside the left and right ends of a bar lying across.
    std::array<Rgb, 2> ends;
};

TEST_F(ProgressBarTest, TheBarTurnsFromAcrossAndEmptyToAcrossAndFull) {
    drawAt(0);
    // Empty but for the fill's first sliver, 0.08 units over the bar's start at -2.
    EXPECT_EQ(row, ".#" + std::string(21, '.'));
    EXPECT_EQ(column, std::string(23, '.')) << "lying across";
    // The bar's start lies on the left at the first step: the sliver shows there, the
    // frame's light grey at the other end.
    EXPECT_TRUE(near(ends[0], FILL));
    EXPECT_TRUE(near(ends[1], Rgb{179, 179, 179}));

    drawAt(0.5f);
    EXPECT_EQ(row, std::string(23, '.')) << "upright";
    // Upright, filled from the bottom (y grows downwards here) to just below the middle.
    EXPECT_EQ(column, "..........." + std::string(1, '.') + std::string(9, '#') + "..");

    drawAt(1);
    EXPECT_EQ(row, ".." + std::string(19, '#') + "..") << "across and full";
    EXPECT_EQ(column, std::string(11, '.') + "#" + std::string(11, '.')) << "0.28 units thick";
}

TEST_F(OverlayTest, GrabbedFramesAreUprightAndOpaque) {
    display.beginFrame();
    // Top half red, bottom half blue, both transparent.
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, HEIGHT / 2, WIDTH, HEIGHT / 2);
    glClearColor(1, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    glScissor(0, 0, WIDTH, HEIGHT / 2);
    glClearColor(0, 0, 1, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);

    // An image of another size takes the window's, so the read cannot overrun it.
    Vx::Image image(new Vx::ImageObject(3, 2, nullptr, nullptr, "grab"));
    display.grabImage(image);
    ASSERT_EQ(image->getWidth(), WIDTH);
    ASSERT_EQ(image->getHeight(), HEIGHT);
    const uint8_t* bgra = image->getData();
    auto imageAt = [&](int x, int y) {
        const uint8_t* p = bgra + (static_cast<size_t>(y) * WIDTH + x) * 4;
        return std::array<int, 4>{p[2], p[1], p[0], p[3]};
    };
    EXPECT_EQ(imageAt(0, 0), (std::array<int, 4>{255, 0, 0, 255}));
    EXPECT_EQ(imageAt(WIDTH - 1, HEIGHT / 2 - 1), (std::array<int, 4>{255, 0, 0, 255}));
    EXPECT_EQ(imageAt(0, HEIGHT / 2), (std::array<int, 4>{0, 0, 255, 255}));
    EXPECT_EQ(imageAt(WIDTH - 1, HEIGHT - 1), (std::array<int, 4>{0, 0, 255, 255}));
    int opaque = 0;
    for (int i = 0; i < WIDTH * HEIGHT; ++i)
        opaque += bgra[i * 4 + 3] == 255;
    EXPECT_EQ(opaque, WIDTH * HEIGHT);
    display.endFrame();
}

TEST_F(OverlayTest, GrabbingIntoAnEmptyOrCachedImageRaisesTheImageErrors) {
    Vx::Image empty;
    EXPECT_EQ(raisedMessage<Vx::Exception>([&] { display.grabImage(empty); }),
              "Image::operator->() - Attempt to dereference (NULL)ImageObject!");
    Vx::FileSystem pictures;
    pictures.addPath(dir.prefix());
    Vx::Image made(new Vx::ImageObject(4, 4, nullptr, nullptr, "made"));
    std::fill(made->getWriteData(), made->getWriteData() + 64, uint8_t(200));
    ASSERT_TRUE(pictures.saveImage("made.png", made));
    Vx::Image cached = pictures.loadImage("made.png");
    EXPECT_EQ(raisedMessage<Vx::Exception>([&] { display.grabImage(cached); }),
              "ImageObject::getWriteData, Access not allowed!");
    EXPECT_EQ(cached->getWidth(), 4) << "left as it was";
}

} // namespace
