#include "marquel/player/Keys.h"

#include "marquel/Display.h"
#include "marquel/Event.h"
#include "marquel/capture/Capture.h"
#include "marquel/overlay/Hud.h"
#include "marquel/overlay/Inspector.h"
#include "marquel/player/Clock.h"
#include "marquel/player/Loop.h"
#include "marquel/player/Music.h"
#include "marquel/timeline/ScriptFiles.h"

#include <SDL.h>

#include <algorithm>
#include <iterator>

namespace Marquel {

namespace {

// The states in which a row may refuse its key.
enum State : unsigned {
    REFUSE_NONE = 0,
    // An MP4 records. Its sound runs straight on, so its picture must too; and a video is
    // what a maker publishes: it never carries the panels.
    REFUSE_RECORDING = 1,
    // A video dump runs, as PNG frames or an MP4.
    REFUSE_DUMPING = 2,
    // A name or value is typed in the inspector: the key is part of the text.
    REFUSE_TYPING = 4,
    // The inspector shows: Escape leaves its fields, and the close button waits for it.
    REFUSE_INSPECTING = 8,
};

enum class Modifiers { MOD_ANY, MOD_CTRL, MOD_NO_CTRL, MOD_CTRL_OR_ALT };

// The window's close button, or a quit signal: they come as no key.
constexpr int32_t CLOSE = -1;

unsigned stateOf(const System& system) {
    unsigned state = REFUSE_NONE;
    if (system.capture->recordsVideo())
        state |= REFUSE_RECORDING;
    if (system.capture->dumping())
        state |= REFUSE_DUMPING;
    if (system.inspector->textTarget)
        state |= REFUSE_TYPING;
    // A signal is not the user at the inspector: nothing keeps it from ending the demo.
    if (system.inspector->visible && !Display::quitSignalled())
        state |= REFUSE_INSPECTING;
    return state;
}

bool matches(Modifiers modifiers, const Event& key) {
    switch (modifiers) {
    case Modifiers::MOD_CTRL:
        return key.ctrl;
    case Modifiers::MOD_NO_CTRL:
        return !key.ctrl;
    case Modifiers::MOD_CTRL_OR_ALT:
        return key.ctrl || key.alt;
    default:
        return true;
    }
}

// Without a grid Page Up and Page Down step an eightieth of the inspector's window: 0.5 s at
// its first zoom.
constexpr float PAGE_STEPS_A_WINDOW = 80;

// Page Up and Page Down: a step of the inspector's window, more with Ctrl and Shift, never
// before 0; on the grid a beat, with Ctrl a bar, with Shift four bars, landing on the beat.
void stepTime(System& system, const Event& key) {
    const BeatGrid& grid = system.inspector->grid;
    const int direction = key.key == SDLK_PAGEUP ? 1 : -1;
    float t = system.now();
    if (grid.snaps()) {
        const int bar = std::max(grid.beatsPerBar, 1);
        t = grid.stepBeats(t, direction * (key.shift ? 4 * bar : key.ctrl ? bar : 1));
    } else {
        const float step = system.inspector->windowLength / PAGE_STEPS_A_WINDOW;
        const int steps = 1 + (key.ctrl ? 1 : 0) + (key.shift ? 1 : 0);
        for (int i = 0; i < steps; ++i)
            t = key.key == SDLK_PAGEUP ? t + step : t - step;
    }
    if (t < 0)
        t = 0;
    system.position = t;
    system.seek(t);
}

} // namespace

struct Keys::Row {
    int32_t key;
    Modifiers modifiers;
    // The states in which the key does nothing.
    unsigned refusedWhile;
    // Of those, the ones in which it says so, once: the keys moving the clock while an MP4
    // records.
    unsigned toldWhile;
    void (*act)(System& system, System::Loop& loop, const Event& key);
};

// The first row of the key with matching modifiers is the key's.
const Keys::Row Keys::ROWS[] = {
    {SDLK_ESCAPE, Modifiers::MOD_ANY, REFUSE_INSPECTING, REFUSE_NONE,
     [](System&, System::Loop& loop, const Event&) { loop.running = false; }},
    {CLOSE, Modifiers::MOD_ANY, REFUSE_INSPECTING, REFUSE_NONE,
     [](System&, System::Loop& loop, const Event&) { loop.running = false; }},
    // Full screen. Return without Ctrl and Alt is the inspector's, which edits with it.
    {SDLK_RETURN, Modifiers::MOD_CTRL_OR_ALT, REFUSE_TYPING, REFUSE_NONE,
     [](System& s, System::Loop&, const Event&) { s.fullscreen = !s.fullscreen; }},
    // The start mark goes to the time shown.
    {SDLK_p, Modifiers::MOD_CTRL, REFUSE_TYPING | REFUSE_RECORDING, REFUSE_RECORDING,
     [](System& s, System::Loop&, const Event&) { s.startTime = s.now(); }},
    // Back to the start mark; with Alt the mark goes to 0 first.
    {SDLK_p, Modifiers::MOD_NO_CTRL, REFUSE_TYPING | REFUSE_RECORDING, REFUSE_RECORDING,
     [](System& s, System::Loop&, const Event& key) {
         if (key.alt)
             s.startTime = 0;
         s.position = s.startTime;
         s.seek(s.startTime);
     }},
    // Writes the script files back with the inspector's edits.
    {SDLK_s, Modifiers::MOD_CTRL, REFUSE_TYPING, REFUSE_NONE,
     [](System& s, System::Loop&, const Event&) { s.saveScript(); }},
    // A screenshot of the next frame drawn.
    {SDLK_s, Modifiers::MOD_NO_CTRL, REFUSE_TYPING | REFUSE_DUMPING, REFUSE_NONE,
     [](System&, System::Loop& loop, const Event&) { loop.screenshotWanted = true; }},
    // Loads the script files anew, dropping the inspector's edits.
    {SDLK_r, Modifiers::MOD_CTRL, REFUSE_TYPING | REFUSE_DUMPING, REFUSE_NONE,
     [](System& s, System::Loop&, const Event&) {
         if (!s.scriptFiles->names().empty())
             s.reloadScript();
     }},
    {SDLK_m, Modifiers::MOD_ANY, REFUSE_TYPING, REFUSE_NONE,
     [](System& s, System::Loop&, const Event&) {
         if (!s.noSound) {
             s.mute = !s.mute;
             s.music->mute(s.mute);
         }
     }},
    {SDLK_PAGEUP, Modifiers::MOD_ANY, REFUSE_TYPING | REFUSE_RECORDING, REFUSE_RECORDING,
     [](System& s, System::Loop&, const Event& key) { stepTime(s, key); }},
    {SDLK_PAGEDOWN, Modifiers::MOD_ANY, REFUSE_TYPING | REFUSE_RECORDING, REFUSE_RECORDING,
     [](System& s, System::Loop&, const Event& key) { stepTime(s, key); }},
    // Pause and play on.
    {SDLK_SPACE, Modifiers::MOD_ANY, REFUSE_TYPING | REFUSE_RECORDING, REFUSE_RECORDING,
     [](System& s, System::Loop&, const Event&) {
         if (s.paused)
             s.clock->resume(s.mute);
         else
             s.clock->pause();
     }},
    {SDLK_TAB, Modifiers::MOD_ANY, REFUSE_TYPING | REFUSE_RECORDING, REFUSE_NONE,
     [](System& s, System::Loop&, const Event&) { s.inspector->toggle(); }},
    {SDLK_f, Modifiers::MOD_ANY, REFUSE_TYPING | REFUSE_RECORDING, REFUSE_NONE,
     [](System& s, System::Loop&, const Event&) { s.hud->toggle(); }},
};

void Keys::press(System& system, System::Loop& loop, const Event& event) {
    if (event.type != EVENT_KEYDOWN && event.type != EVENT_QUIT)
        return;
    const int32_t key = event.type == EVENT_QUIT ? CLOSE : event.key;
    for (const Row& row : ROWS) {
        if (row.key != key || !matches(row.modifiers, event))
            continue;
        const unsigned refused = row.refusedWhile & stateOf(system);
        if (refused == REFUSE_NONE)
            row.act(system, loop, event);
        else if ((refused & ~row.toldWhile) == REFUSE_NONE)
            system.capture->refuseClockKey();
        return;
    }
}

void Keys::repeatLoop(System& system, System::Loop& loop) {
    const Inspector& inspector = *system.inspector;
    // A dump would loop for ever; a pause holds the time where the maker put it.
    if (!inspector.visible || !inspector.looping || system.paused || system.capture->dumping() ||
        loop.frameTime < inspector.loopEnd)
        return;
    system.position = inspector.loopStart;
    system.seek(inspector.loopStart);
    loop.frameTime = system.now();
}

} // namespace Marquel
