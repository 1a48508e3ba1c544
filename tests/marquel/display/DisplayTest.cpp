// The OpenGL window: opening, the first frame, the frame state, the cursor and switching
// between window and full screen (the Xvfb screen is 1024 x 768).

#include "WindowFixture.h"
#include "marquel/Exception.h"
#include "marquel/display/GLDisplay.h"

#include <GL/gl.h>

#include <array>
#include <cmath>
#include <stdexcept>
#include <string>

namespace {

constexpr int WIDTH = 160;
constexpr int HEIGHT = 120;

std::array<GLint, 4> viewport() {
    std::array<GLint, 4> box{};
    glGetIntegerv(GL_VIEWPORT, box.data());
    return box;
}

std::array<GLfloat, 16> matrix(GLenum which) {
    std::array<GLfloat, 16> m{};
    glGetFloatv(which, m.data());
    return m;
}

// Red, green and blue of one pixel of the frame being drawn.
std::array<int, 3> backPixel(int x, int y) {
    std::array<GLubyte, 4> rgba{};
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return {rgba[0], rgba[1], rgba[2]};
}

bool cursorShown() {
    return SDL_ShowCursor(SDL_QUERY) == SDL_ENABLE;
}

bool videoModeIsFullscreen() {
    SDL_Surface* screen = SDL_GetVideoSurface();
    return screen && (screen->flags & SDL_FULLSCREEN);
}

using DisplayTest = WindowFixture;

TEST_F(DisplayTest, OpenShowsAnOpaqueBlackWindowWithTexturesAndExtensions) {
    Marquel::GLDisplay display;
    EXPECT_FALSE(display.isOpen());
    EXPECT_EQ(display.getTextureManager(), nullptr);
    display.open("first frame", WIDTH, HEIGHT, false);
    EXPECT_TRUE(display.isOpen());
    EXPECT_FALSE(display.isFullscreen());
    EXPECT_EQ(display.width(), unsigned(WIDTH));
    EXPECT_EQ(display.height(), unsigned(HEIGHT));
    EXPECT_NE(display.getTextureManager(), nullptr);
    char* title = nullptr;
    SDL_WM_GetCaption(&title, nullptr);
    EXPECT_STREQ(title, "first frame");
    // The shown buffer cannot be read back here, so check the clear that made it: OpenGL
    // starts with transparent black, the loading frame is opaque black.
    std::array<GLfloat, 4> clear{};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear.data());
    EXPECT_EQ(clear, (std::array<GLfloat, 4>{0, 0, 0, 1}));
    const GLubyte* names = glGetString(GL_EXTENSIONS);
    ASSERT_NE(names, nullptr);
    EXPECT_EQ(display.getExtensions(), reinterpret_cast<const char*>(names));
    EXPECT_NE(display.getExtensions().find("GL_"), std::string::npos);
    SDL_Surface* screen = SDL_GetVideoSurface();
    ASSERT_NE(screen, nullptr);
    EXPECT_TRUE(screen->flags & SDL_OPENGL);
    EXPECT_EQ(screen->w, WIDTH);
    int doubleBuffered = 0, depthBits = 0;
    SDL_GL_GetAttribute(SDL_GL_DOUBLEBUFFER, &doubleBuffered);
    SDL_GL_GetAttribute(SDL_GL_DEPTH_SIZE, &depthBits);
    EXPECT_EQ(doubleBuffered, 1);
    EXPECT_GE(depthBits, 24);
}

TEST_F(DisplayTest, BeginFrameSetsTheFrameStateAndEndFrameUndoesTheEffects) {
    Marquel::GLDisplay display;
    display.open("frame", WIDTH, HEIGHT, false);
    glViewport(1, 2, 3, 4);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glEnable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
    glShadeModel(GL_FLAT);
    display.beginFrame();
    EXPECT_EQ(viewport(), (std::array<GLint, 4>{0, 0, WIDTH, HEIGHT}));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    GLint value = 0;
    glGetIntegerv(GL_SHADE_MODEL, &value);
    EXPECT_EQ(value, GL_SMOOTH);
    glGetIntegerv(GL_DEPTH_FUNC, &value);
    EXPECT_EQ(value, GL_LEQUAL);
    glGetIntegerv(GL_BLEND_SRC, &value);
    EXPECT_EQ(value, GL_SRC_ALPHA);
    glGetIntegerv(GL_BLEND_DST, &value);
    EXPECT_EQ(value, GL_ONE_MINUS_SRC_ALPHA);
    glGetIntegerv(GL_MATRIX_MODE, &value);
    EXPECT_EQ(value, GL_MODELVIEW);
    std::array<GLfloat, 4> colour{};
    glGetFloatv(GL_CURRENT_COLOR, colour.data());
    EXPECT_EQ(colour, (std::array<GLfloat, 4>{1, 1, 1, 0.5f}));
    glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &value);
    EXPECT_EQ(value, 1);
    glGetIntegerv(GL_CLIENT_ATTRIB_STACK_DEPTH, &value);
    EXPECT_EQ(value, 1);

    // 45 degrees vertically, the window's aspect, near 0.1 and far 100.
    const double f = 1 / std::tan(45.0 / 2 * M_PI / 180);
    const double aspect = double(WIDTH) / HEIGHT, near = 0.1, far = 100;
    std::array<GLfloat, 16> expected{};
    expected[0] = f / aspect;
    expected[5] = f;
    expected[10] = (far + near) / (near - far);
    expected[11] = -1;
    expected[14] = 2 * far * near / (near - far);
    std::array<GLfloat, 16> projection = matrix(GL_PROJECTION_MATRIX);
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(projection[i], expected[i], 1e-5) << "element " << i;
    std::array<GLfloat, 16> identity{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    EXPECT_EQ(matrix(GL_MODELVIEW_MATRIX), identity);

    // An effect changes state and leaves it behind.
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glColor4f(0.2f, 0.3f, 0.4f, 1);
    glEnableClientState(GL_VERTEX_ARRAY);
    glViewport(5, 6, 7, 8);
    display.endFrame();
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
    glGetFloatv(GL_CURRENT_COLOR, colour.data());
    EXPECT_EQ(colour, (std::array<GLfloat, 4>{1, 1, 1, 0.5f}));
    // The viewport was saved before the frame set its own.
    EXPECT_EQ(viewport(), (std::array<GLint, 4>{1, 2, 3, 4}));
    glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &value);
    EXPECT_EQ(value, 0);
    glGetIntegerv(GL_CLIENT_ATTRIB_STACK_DEPTH, &value);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(DisplayTest, FramesBegunTwiceOrEndedTwiceKeepTheStateStackBalanced) {
    Marquel::GLDisplay display;
    display.open("stack", WIDTH, HEIGHT, false);
    GLint depth = 0;
    for (int i = 0; i < 20; ++i)
        display.beginFrame();
    glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);
    display.endFrame();
    display.endFrame();
    glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

// A quad 0.8 units wide at distance 2 in front of the eye, drawn in the frame's state with
// its default colour: opaque white (blending is off), where the perspective puts it.
void drawCentredQuad() {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glBegin(GL_QUADS);
    glVertex3f(-0.4f, -0.4f, -2);
    glVertex3f(0.4f, -0.4f, -2);
    glVertex3f(0.4f, 0.4f, -2);
    glVertex3f(-0.4f, 0.4f, -2);
    glEnd();
}

// Its edges: 0.2 * cot(22.5 degrees) of the half-size, divided by the aspect across.
void expectCentredQuad(int width, int height) {
    const double f = 1 / std::tan(45.0 / 2 * M_PI / 180);
    const int halfX = int(0.2 * f * height / width * width / 2);
    const int halfY = int(0.2 * f * height / 2);
    const int cx = width / 2, cy = height / 2;
    const std::array<int, 3> white{255, 255, 255}, black{0, 0, 0};
    EXPECT_EQ(backPixel(cx, cy), white);
    EXPECT_EQ(backPixel(cx - halfX + 3, cy), white);
    EXPECT_EQ(backPixel(cx + halfX - 3, cy), white);
    EXPECT_EQ(backPixel(cx, cy + halfY - 3), white);
    EXPECT_EQ(backPixel(cx - halfX - 3, cy), black);
    EXPECT_EQ(backPixel(cx + halfX + 3, cy), black);
    EXPECT_EQ(backPixel(cx, cy - halfY - 3), black);
    EXPECT_EQ(backPixel(2, 2), black);
}

TEST_F(DisplayTest, TheFrameProjectionPutsGeometryWhereThePerspectiveSays) {
    Marquel::GLDisplay display;
    display.open("projection", WIDTH, HEIGHT, false);
    display.beginFrame();
    drawCentredQuad();
    expectCentredQuad(WIDTH, HEIGHT);
    display.endFrame();
}

TEST_F(DisplayTest, AWindowWithoutASizeTakesTheScreensAndDrawsAcrossIt) {
    // SDL opens a side given as 0 at the screen's size (1024 x 768 under Xvfb); the frame
    // must be laid out over the window that opened, not over an empty rectangle.
    Marquel::GLDisplay display;
    display.open("no size", 0, 0, false);
    SDL_Surface* screen = SDL_GetVideoSurface();
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(display.width(), unsigned(screen->w));
    EXPECT_EQ(display.height(), unsigned(screen->h));
    display.beginFrame();
    drawCentredQuad();
    expectCentredQuad(screen->w, screen->h);
    display.endFrame();

    display.open("no height", WIDTH, 0, false);
    screen = SDL_GetVideoSurface();
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(display.width(), unsigned(WIDTH));
    EXPECT_EQ(display.height(), unsigned(screen->h));
    display.beginFrame();
    EXPECT_EQ(viewport(), (std::array<GLint, 4>{0, 0, WIDTH, screen->h}));
    display.endFrame();
}

TEST_F(DisplayTest, AWindowKeepsTheCursorAndFullScreenHidesIt) {
    Marquel::GLDisplay display;
    display.open("windowed", WIDTH, HEIGHT, false);
    EXPECT_TRUE(cursorShown());
    display.open("full screen", 640, 480, true);
    EXPECT_TRUE(display.isOpen());
    EXPECT_TRUE(display.isFullscreen());
    EXPECT_TRUE(videoModeIsFullscreen());
    EXPECT_FALSE(cursorShown());
    // Opening again shut SDL down in between, which shows the cursor again.
    display.open("windowed again", WIDTH, HEIGHT, false);
    EXPECT_TRUE(cursorShown());
    EXPECT_FALSE(videoModeIsFullscreen());
}

TEST_F(DisplayTest, SwitchingToFullScreenAndBackKeepsSizeTexturesAndCursor) {
    Marquel::GLDisplay display;
    display.open("switch", 640, 480, false);
    Vorlik::TextureManager* textures = display.getTextureManager();
    display.setFullscreen(true);
    EXPECT_TRUE(display.isFullscreen());
    EXPECT_TRUE(videoModeIsFullscreen());
    EXPECT_TRUE(cursorShown());
    EXPECT_EQ(display.width(), 640u);
    EXPECT_EQ(display.height(), 480u);
    EXPECT_EQ(display.getTextureManager(), textures);
    display.beginFrame();
    drawCentredQuad();
    expectCentredQuad(640, 480);
    display.endFrame();

    display.setFullscreen(false);
    EXPECT_FALSE(display.isFullscreen());
    EXPECT_FALSE(videoModeIsFullscreen());
    EXPECT_EQ(display.width(), 640u);
    EXPECT_EQ(display.height(), 480u);
    SDL_Surface* screen = SDL_GetVideoSurface();
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->w, 640);
    EXPECT_EQ(screen->h, 480);
    display.beginFrame();
    drawCentredQuad();
    expectCentredQuad(640, 480);
    display.endFrame();
}

TEST_F(DisplayTest, AFullScreenLargerThanTheScreenFailsAndKeepsTheMode) {
    const int width = screenWidth() + 64;
    ASSERT_GT(width, 64) << SDL_GetError();
    Marquel::GLDisplay display;
    display.open("too large", width, 200, false);
    testing::internal::CaptureStderr();
    std::string message = raisedMessage<std::runtime_error>([&] { display.setFullscreen(true); });
    EXPECT_EQ(message, "Video mode set failed: No video mode large enough for " +
                           std::to_string(width) + "x200\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), message);
    EXPECT_FALSE(display.isFullscreen());
    // The window is still there to draw into.
    display.beginFrame();
    drawCentredQuad();
    expectCentredQuad(width, 200);
    display.endFrame();
}

TEST_F(DisplayTest, AnImpossibleWindowRaisesTheVideoModeMessage) {
    Marquel::GLDisplay display;
    EXPECT_EQ(
        raisedMessage<Marquel::Exception>([&] { display.open("absurd", 100000, 100000, false); }),
        "Could not set video mode 'A scanline is too wide'");
    EXPECT_FALSE(display.isOpen());
    // The same display opens a sensible window afterwards.
    display.open("sensible", WIDTH, HEIGHT, false);
    EXPECT_TRUE(display.isOpen());
}

TEST_F(DisplayTest, AMissingVideoDriverRaisesTheInitializationMessage) {
    setVideoDriver("nosuchdriver");
    Marquel::GLDisplay display;
    std::string message =
        raisedMessage<Marquel::Exception>([&] { display.open("nowhere", WIDTH, HEIGHT, false); });
    EXPECT_EQ(message.rfind("Video initialization failed: ", 0), 0u) << message;
    EXPECT_EQ(message.back(), '\n');
    EXPECT_FALSE(display.isOpen());
}

TEST_F(DisplayTest, CloseShutsTheWindowAndSwitchingAClosedDisplayDoesNothing) {
    Marquel::GLDisplay display;
    display.open("closing", WIDTH, HEIGHT, false);
    display.close();
    EXPECT_FALSE(display.isOpen());
    EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u);
    display.setFullscreen(true);
    EXPECT_FALSE(display.isFullscreen());
    EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u);
}

} // namespace
