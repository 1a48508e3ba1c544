#include "marquel/GLDisplay.h"

#include "marquel/Exception.h"
#include "vorlik/TextureManager.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <SDL.h>

namespace Marquel {

namespace {

// Every server attribute group, so that effects cannot leave state behind them.
constexpr GLbitfield ALL_ATTRIB_BITS = 0xFFFFF;

} // namespace

GLDisplay::GLDisplay() = default;

GLDisplay::~GLDisplay() {
    if (opened)
        deletePanelTextures();
    textures.reset();
}

void GLDisplay::open(const std::string& caption, int width, int height, bool fullscreen) {
    if (opened)
        close();
    windowWidth = width;
    windowHeight = height;
    this->fullscreen = fullscreen;
    this->caption = caption;
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
    if (!SDL_SetVideoMode(width, height, 0, flags)) {
        Exception failure("Could not set video mode '%s'", SDL_GetError());
        // SDL keeps half-made window state after a failed mode; a later open must start clean.
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        throw failure;
    }
    // Seeking keys act again and again while held.
    SDL_EnableKeyRepeat(500, 30);
    const GLubyte* names = glGetString(GL_EXTENSIONS);
    extensions = names ? reinterpret_cast<const char*>(names) : "";
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
    textures->releaseAll();
    deletePanelTextures();
    Uint32 flags = SDL_OPENGL | (wanted ? SDL_FULLSCREEN : 0);
    for (int bits : {32, 24, 16}) {
        if (SDL_SetVideoMode(windowWidth, windowHeight, bits, flags)) {
            fullscreen = wanted;
            textures->reloadAll();
            return;
        }
    }
    failWithSdlError(stderr, "Video mode set failed: %s\n");
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

void GLDisplay::endFrame() {
    restoreSavedState();
    SDL_GL_SwapBuffers();
}

// The overlay panels, the loading bar and the frame read-back are drawn by the overlays.
void GLDisplay::drawInspector(Panel&) {
}

void GLDisplay::drawHud(Panel&) {
}

void GLDisplay::drawProgress(float) {
}

void GLDisplay::grabRgb(uint8_t*) {
}

void GLDisplay::grabImage(Vx::Image&) {
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
