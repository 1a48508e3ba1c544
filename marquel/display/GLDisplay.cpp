#include "marquel/display/GLDisplay.h"

#include "marquel/Exception.h"
#include "marquel/display/FrameReadback.h"
#include "marquel/overlay/Hud.h"
#include "marquel/overlay/Panel.h"
#include "vorlik/Extensions.h"
#include "vorlik/TextureManager.h"
#include "vx/Image.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>
#include <SDL.h>

#include <cstdio>
#include <vector>

namespace Marquel {

namespace {

// Every server attribute group, so that effects cannot leave state behind them.
constexpr GLbitfield ALL_ATTRIB_BITS = 0xFFFFF;

// The HUD's distance from the window's right and bottom edges, in pixels.
constexpr float HUD_MARGIN = Hud::MARGIN;

// One quad of the loading bar in its own coordinates: x across, y along, grey level grey.
void drawBarQuad(float grey, float halfWidth, float bottom, float top) {
    glColor3f(grey, grey, grey);
    glBegin(GL_QUADS);
    glVertex3f(-halfWidth, bottom, 0);
    glVertex3f(halfWidth, bottom, 0);
    glVertex3f(halfWidth, top, 0);
    glVertex3f(-halfWidth, top, 0);
    glEnd();
}

} // namespace

GLDisplay::GLDisplay() = default;

GLDisplay::~GLDisplay() {
    if (opened) {
        deletePanelTextures();
        readback->dropBuffers();
    }
    textures.reset();
}

void GLDisplay::open(const std::string& caption, int width, int height, bool fullscreen) {
    reopen(caption, width, height, fullscreen);
    if (SDL_Init(SDL_INIT_VIDEO) < 0)
        throw Exception("Video initialization failed: %s\n", SDL_GetError());
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_WM_SetCaption(caption.c_str(), nullptr);
    if (fullscreen)
        SDL_ShowCursor(0);
    Uint32 flags = SDL_OPENGL | SDL_ANYFORMAT | (fullscreen ? SDL_FULLSCREEN : 0);
    SDL_Surface* screen = SDL_SetVideoMode(width, height, 0, flags);
    if (!screen) {
        Exception failure("Could not set video mode '%s'", SDL_GetError());
        // SDL keeps half-made window state after a failed mode; a later open must start clean.
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        throw failure;
    }
    takeScreenSize(screen);
    // Seeking keys act again and again while held.
    SDL_EnableKeyRepeat(500, 30);
    extensions = Vorlik::driverExtensions();
    readback->usePixelBuffers(extensions);
    opened = true;
    // The window stays black while the effects load.
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    SDL_GL_SwapBuffers();
    // Effects keep the manager they were given, so a window opened again keeps it too.
    if (!textures)
        textures = std::make_unique<Vorlik::TextureManager>();
}

void GLDisplay::setFullscreen(bool wanted) {
    if (!opened)
        return;
    // The mode change loses the OpenGL context and every texture object in it.
    readback->releaseBuffers();
    textures->releaseAll();
    deletePanelTextures();
    if (setVideoMode(wanted)) {
        fullscreen = wanted;
        textures->reloadAll();
        return;
    }
    const std::string reason = SDL_GetError();
    // SDL refuses a mode the screen cannot give before it touches the window, whose context
    // then lives on; a window lost on the way is made again in the mode it had. Either way
    // the textures come back, so the demo can go on in that mode.
    if (SDL_GetVideoSurface() || setVideoMode(fullscreen))
        textures->reloadAll();
    else
        opened = false;
    SDL_SetError("%s", reason.c_str());
    failWithSdlError(stderr, "Video mode set failed: %s\n");
}

bool GLDisplay::setVideoMode(bool full) {
    const Uint32 flags = SDL_OPENGL | (full ? SDL_FULLSCREEN : 0);
    for (int bits : {32, 24, 16})
        if (SDL_SetVideoMode(windowWidth, windowHeight, bits, flags))
            return true;
    return false;
}

void GLDisplay::beginFrame() {
    glShadeModel(GL_SMOOTH);
    glClearDepth(1);
    glDisable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glDisable(GL_LIGHTING);
    glColor4f(1, 1, 1, 0.5f);
    glDisable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_TEXTURE_2D);
    // A frame begun twice must not grow the attribute stack, which holds only a few levels.
    restoreSavedState();
    glPushAttrib(ALL_ATTRIB_BITS);
    glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
    stateSaved = true;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glViewport(0, 0, windowWidth, windowHeight);
    gluPerspective(45, double(windowWidth) / windowHeight, 0.1, 100);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void GLDisplay::clearFrame() {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void GLDisplay::endFrame() {
    restoreSavedState();
    if (presenting)
        SDL_GL_SwapBuffers();
}

void GLDisplay::drawInspector(Panel& panel) {
    if (!panel.visible)
        return;
    const float w = static_cast<float>(panel.width) / windowWidth;
    const float h = static_cast<float>(panel.height) / windowHeight;
    // Pixel for pixel in the middle; a panel taller than the window fills its height.
    const float scale = h > 1 ? 1 / h : 1;
    drawPanel(panel, inspectorTexture, {-w * scale, h * scale, w * scale, -h * scale});
}

void GLDisplay::drawHud(Panel& panel) {
    const float halfWidth = static_cast<float>(windowWidth / 2);
    const float halfHeight = static_cast<float>(windowHeight / 2);
    const float w = static_cast<float>(panel.width);
    const float h = static_cast<float>(panel.height);
    const float right = static_cast<float>(windowWidth) - HUD_MARGIN;
    drawPanel(panel, hudTexture,
              {(right - w) / halfWidth - 1, (h + HUD_MARGIN) / halfHeight - 1,
               right / halfWidth - 1, HUD_MARGIN / halfHeight - 1});
}

void GLDisplay::drawPanel(Panel& panel, unsigned& texture, const PanelQuad& quad) {
    // Nothing the effects left behind may reach the overlay.
    restoreSavedState();
    glPushAttrib(ALL_ATTRIB_BITS);
    glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
    // An effect's init runs outside the frame brackets: its viewport survives the pop.
    glViewport(0, 0, static_cast<GLsizei>(windowWidth), static_cast<GLsizei>(windowHeight));
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glEnable(GL_TEXTURE_2D);
    // The texture matrix is no attribute: an effect's would bend the panel.
    glMatrixMode(GL_TEXTURE);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);

    const bool made = texture == 0;
    if (made) {
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    } else {
        glBindTexture(GL_TEXTURE_2D, texture);
    }
    if (made || panel.dirty) {
        // 0xAARRGGBB words are B, G, R, A bytes in memory.
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
        glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
        glTexImage2D(GL_TEXTURE_2D, 0, 4, static_cast<GLsizei>(panel.width),
                     static_cast<GLsizei>(panel.height), 0, GL_BGRA, GL_UNSIGNED_BYTE,
                     panel.pixels.data());
        panel.dirty = false;
    }

    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glLoadIdentity();
    glColor4f(1, 1, 1, 1);
    // Texture row 0, the panel's top row, at the top.
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(quad.left, quad.top);
    glTexCoord2f(0, 1);
    glVertex2f(quad.left, quad.bottom);
    glTexCoord2f(1, 1);
    glVertex2f(quad.right, quad.bottom);
    glTexCoord2f(1, 0);
    glVertex2f(quad.right, quad.top);
    glEnd();

    glBindTexture(GL_TEXTURE_2D, 0);
    glMatrixMode(GL_TEXTURE);
    glPopMatrix();
    glPopClientAttrib();
    glPopAttrib();
}

void GLDisplay::drawProgress(float fraction) {
    glClearColor(0, 0, 0, 1);
    glDisable(GL_DEPTH_TEST);
    glClear(GL_COLOR_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0, 0.3f, -13.05f);
    // Across the screen at 0, upright at one half, across again end for end at 1.
    glRotatef(fraction * 180 - 90, 0, 0, 1);
    drawBarQuad(0.7f, 0.2f, -2, 2);
    drawBarQuad(0, 0.18f, -1.98f, 1.98f);
    drawBarQuad(0.3f, 0.14f, -1.96f, 2 * ((2 * fraction - 1) - 0.02f));
}

void GLDisplay::grabImage(Vx::Image& image) {
    // Raises the image library's own errors for an empty handle or a cached image.
    uint8_t* pixels = image->getWriteData();
    // A grab never writes past the image: one of another size takes the window's.
    if (image->getWidth() != static_cast<int32_t>(windowWidth) ||
        image->getHeight() != static_cast<int32_t>(windowHeight)) {
        image->resize(static_cast<int32_t>(windowWidth), static_cast<int32_t>(windowHeight));
        pixels = image->getWriteData();
    }
    if (!pixels)
        return;
    std::vector<uint8_t> rows(static_cast<size_t>(windowWidth) * windowHeight * 4);
    readRows(rows.data());
    uprightOpaque(rows.data(), pixels, static_cast<int32_t>(windowWidth),
                  static_cast<int32_t>(windowHeight));
}

void GLDisplay::readRows(uint8_t* rows) {
    readPixels(GL_BGRA, rows);
}

void GLDisplay::readPixels(unsigned format, void* target) {
    // The shown buffer reads black on some drivers: the frame is read before the swap.
    glPushAttrib(GL_PIXEL_MODE_BIT);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glPixelStorei(GL_PACK_SKIP_ROWS, 0);
    glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
    glReadPixels(0, 0, static_cast<GLsizei>(windowWidth), static_cast<GLsizei>(windowHeight),
                 format, GL_UNSIGNED_BYTE, target);
    glPopClientAttrib();
    glPopAttrib();
}

void GLDisplay::deletePanelTextures() {
    for (unsigned* name : {&inspectorTexture, &hudTexture}) {
        if (*name)
            glDeleteTextures(1, name);
        *name = 0;
    }
}

void GLDisplay::restoreSavedState() {
    if (!stateSaved)
        return;
    glPopClientAttrib();
    glPopAttrib();
    stateSaved = false;
}

} // namespace Marquel
