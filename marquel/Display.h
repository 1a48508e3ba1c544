#pragma once

#include "marquel/Event.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace Vorlik {
class TextureManager;
}
namespace Vx {
class Image;
}
struct SDL_Surface;

namespace Marquel {

class FrameReadback;
class Panel;

// Rows as startGrab gives them (the bottom row first) into an image's pixels the way a
// screenshot holds them: the top row first and opaque.
void uprightOpaque(const uint8_t* rows, uint8_t* pixels, int32_t width, int32_t height);

// The window the demo draws into: it opens it, turns SDL input into event records, sets the
// frame state and presents the frame, draws the overlay panels and reads frames back.
// Effects take their texture manager from it.
class Display {
public:
    Display();
    virtual ~Display();

    // Appends this frame's key and quit records to events, at most one fewer than the list
    // holds; events that do not fit stay queued for the next frame.
    virtual void pollEvents(EventList& events);
    virtual void open(const std::string& caption, int width, int height, bool fullscreen) = 0;
    virtual void setFullscreen(bool wanted);
    virtual bool isFullscreen() const;
    virtual void close();
    virtual void beginFrame() = 0;
    virtual void endFrame() = 0;
    virtual void drawInspector(Panel& panel) = 0;
    virtual void drawHud(Panel& panel) = 0;
    virtual void drawProgress(float fraction) = 0;
    // Makes the frame begun black, for a frame in which no effect draws.
    virtual void clearFrame() {}
    // The last rendered frame, top row first: a 32-bit B, G, R, A image resized to the window.
    virtual void grabImage(Vx::Image& image);
    // Starts reading the drawn frame back for a recording: width * height B, G, R, A pixels,
    // the bottom row first. A display that can read without waiting hands the rows out a
    // frame later, so the read overlaps the next frame's drawing.
    virtual void startGrab();
    // Moves the oldest frame started and not yet taken into rows. With all false, only a
    // frame that is ready without waiting; false when none is.
    virtual bool takeGrab(std::vector<uint8_t>& rows, bool all);
    virtual unsigned width() const { return windowWidth; }
    virtual unsigned height() const { return windowHeight; }

    // Null for a display without OpenGL.
    virtual Vorlik::TextureManager* getTextureManager() { return nullptr; }

    bool isOpen() const { return opened; }
    // A SIGINT or SIGTERM came while a window was open: the quit record pollEvents then
    // gives is one nothing may hold back.
    static bool quitSignalled();
    // Whether endFrame shows the frame it ends. A recording shows only a few: nobody watches
    // each one, and showing one costs a copy of the whole picture to the screen.
    void setPresenting(bool on) { presenting = on; }

protected:
    // Closes an open window and keeps what the next one is opened with. From here until
    // the window closes, SIGINT and SIGTERM become quit records.
    void reopen(const std::string& newCaption, int width, int height, bool wantFullscreen);
    // Keeps the size of the window that opened: SDL gives a side asked for as 0 the screen's.
    void takeScreenSize(const SDL_Surface* screen);
    // Prints format, filled with SDL's last error, to stream and raises it as a standard
    // exception: the failures of a software window and of a mode switch are reported this way.
    [[noreturn]] static void failWithSdlError(std::FILE* stream, const char* format);
    // The back buffer's rows as startGrab gives them; the base display has none and leaves
    // them black.
    virtual void readRows(uint8_t* rows);

    // The frames of a recording on their way back from the window.
    std::unique_ptr<FrameReadback> readback;

    std::string caption;
    unsigned windowWidth = 0;
    unsigned windowHeight = 0;
    bool fullscreen = false;
    bool opened = false;
    bool presenting = true;
    // Modifier state of the last key event.
    bool alt = false;
    bool shift = false;
    bool ctrl = false;
};

} // namespace Marquel
