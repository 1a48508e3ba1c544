#include "marquel/Display.h"

#include "marquel/display/FrameReadback.h"

#include <SDL.h>

#include <csignal>
#include <cstring>
#include <iterator>
#include <stdexcept>

namespace Marquel {

namespace {

constexpr SDLMod CTRL_MASK = SDLMod(KMOD_LCTRL | KMOD_RCTRL);
constexpr SDLMod ALT_MASK = SDLMod(KMOD_LALT | KMOD_RALT);
constexpr SDLMod SHIFT_MASK = SDLMod(KMOD_LSHIFT | KMOD_RSHIFT);

// SDL turns SIGINT and SIGTERM into the quit of the close button, which the inspector holds
// back; with its own handler the player tells them apart, so that Ctrl+C in the terminal,
// timeout or a desktop logging out always end it.
constexpr int QUIT_SIGNALS[] = {SIGINT, SIGTERM};
volatile std::sig_atomic_t quitSignal = 0;
bool catchingQuitSignals = false;
struct sigaction previousActions[std::size(QUIT_SIGNALS)];

void noteQuitSignal(int signal) {
    // A second one finds the player stuck: it ends at once, as without a window.
    if (quitSignal != 0) {
        std::signal(signal, SIG_DFL);
        std::raise(signal);
        return;
    }
    quitSignal = signal;
}

// Before SDL_Init, which then leaves the handler in place.
void catchQuitSignals() {
    if (catchingQuitSignals)
        return;
    quitSignal = 0;
    struct sigaction action = {};
    action.sa_handler = noteQuitSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < std::size(QUIT_SIGNALS); ++i)
        sigaction(QUIT_SIGNALS[i], &action, &previousActions[i]);
    catchingQuitSignals = true;
}

void releaseQuitSignals() {
    if (!catchingQuitSignals)
        return;
    for (size_t i = 0; i < std::size(QUIT_SIGNALS); ++i)
        sigaction(QUIT_SIGNALS[i], &previousActions[i], nullptr);
    catchingQuitSignals = false;
}

} // namespace

Display::Display()
    : readback(std::make_unique<FrameReadback>([this](uint8_t* rows) { readRows(rows); })) {
}

Display::~Display() {
    SDL_Quit();
    releaseQuitSignals();
    opened = false;
}

bool Display::quitSignalled() {
    return quitSignal != 0;
}

void Display::pollEvents(EventList& events) {
    if (quitSignalled()) {
        Event quit;
        quit.type = EVENT_QUIT;
        events.append(quit);
        return;
    }
    SDL_PumpEvents();
    // At most CAPACITY - 1 events are taken from SDL's queue a frame, so a burst of keys
    // carries over to the next frames intact.
    while (events.count < EventList::CAPACITY - 1) {
        SDL_Event sdlEvent;
        if (SDL_PeepEvents(&sdlEvent, 1, SDL_GETEVENT, SDL_ALLEVENTS) <= 0)
            return;
        if (sdlEvent.type == SDL_QUIT) {
            Event quit;
            quit.type = EVENT_QUIT;
            events.append(quit);
            return;
        }
        if (sdlEvent.type != SDL_KEYDOWN && sdlEvent.type != SDL_KEYUP)
            continue;
        const SDL_keysym& keysym = sdlEvent.key.keysym;
        ctrl = (keysym.mod & CTRL_MASK) != 0;
        alt = (keysym.mod & ALT_MASK) != 0;
        shift = (keysym.mod & SHIFT_MASK) != 0;
        Event key;
        key.type = sdlEvent.type == SDL_KEYDOWN ? EVENT_KEYDOWN : EVENT_KEYUP;
        key.key = keysym.sym;
        key.scancode = keysym.scancode;
        key.ctrl = ctrl;
        key.alt = alt;
        key.shift = shift;
        events.append(key);
    }
}

void Display::setFullscreen(bool) {
}

bool Display::isFullscreen() const {
    return false;
}

void Display::close() {
    SDL_Quit();
    releaseQuitSignals();
    opened = false;
}

void Display::grabImage(Vx::Image&) {
}

void uprightOpaque(const uint8_t* rows, uint8_t* pixels, int32_t width, int32_t height) {
    const size_t rowBytes = static_cast<size_t>(width) * 4;
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* to = pixels + y * rowBytes;
        std::memcpy(to, rows + (height - 1 - y) * rowBytes, rowBytes);
        for (size_t x = 3; x < rowBytes; x += 4)
            to[x] = 255;
    }
}

void Display::startGrab() {
    readback->start(static_cast<size_t>(width()) * height() * 4);
}

bool Display::takeGrab(std::vector<uint8_t>& rows, bool all) {
    return readback->take(rows, all);
}

void Display::readRows(uint8_t*) {
}

void Display::failWithSdlError(std::FILE* stream, const char* format) {
    char message[1024];
    std::snprintf(message, sizeof message, format, SDL_GetError());
    std::fputs(message, stream);
    throw std::runtime_error(message);
}

void Display::reopen(const std::string& newCaption, int width, int height, bool wantFullscreen) {
    if (opened)
        close();
    catchQuitSignals();
    windowWidth = width;
    windowHeight = height;
    fullscreen = wantFullscreen;
    caption = newCaption;
}

void Display::takeScreenSize(const SDL_Surface* screen) {
    windowWidth = static_cast<unsigned>(screen->w);
    windowHeight = static_cast<unsigned>(screen->h);
}

} // namespace Marquel
