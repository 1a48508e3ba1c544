#include "marquel/System.h"

#include "marquel/Display.h"
#include "marquel/Effect.h"
#include "marquel/Exception.h"
#include "marquel/overlay/Hud.h"
#include "marquel/overlay/Inspector.h"
#include "marquel/timeline/ScriptFiles.h"
#include "sound/fmod.h"
#include "vorlik/TextureManager.h"

#include <SDL.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace Marquel {

namespace {

// The oldest library the music calls were written against (4.00.37), and that version as
// the message shows it: the two-decimal placeholder holds major.minor, so it reads 4.00.
constexpr unsigned int REQUIRED_FMOD_VERSION = 0x00040037;
constexpr double REQUIRED_FMOD_MAJOR_MINOR = 4.00;

constexpr FMOD_MODE MUSIC_MODE = FMOD_OPENMEMORY | FMOD_CREATESTREAM | FMOD_SOFTWARE | FMOD_2D;
static_assert(MUSIC_MODE == 0x8C8, "the music streams from memory in software, 2D");

constexpr int FPS_SAMPLES = 32;

// While dumping, a frame is shown at most every this many milliseconds.
constexpr uint32_t SHOWN_FRAME_TICKS = 100;

// The clock counts milliseconds in 32 bits, about 24 days either way. A time beyond this
// (a slip such as a start mark of 1e30) is taken as this far: past the end of any script,
// where the demo ends, instead of a wrapped count that lands weeks before it or at 0.
constexpr float FARTHEST_TIME = 2000000;

// A time the clock can show: "nan" in the configuration counts as no number, so as 0.
float clockable(float t) {
    return std::isnan(t) ? 0 : std::clamp(t, -FARTHEST_TIME, FARTHEST_TIME);
}

uint32_t ticks() {
    return SDL_GetTicks();
}

bool isQuit(const Event& event) {
    return event.type == EVENT_QUIT || (event.type == EVENT_KEYDOWN && event.key == SDLK_ESCAPE);
}

} // namespace

// The locals of the main loop that live from frame to frame.
struct System::Loop {
    bool running = true;
    float frameTime = 0;
    uint32_t lastFrameTicks = 0;
    std::array<float, FPS_SAMPLES> fpsSamples{};
    int32_t fpsIndex = 0;
    // S was pressed: the frame is saved once it is drawn, before it is shown.
    bool screenshotWanted = false;
    uint32_t lastShownTicks = 0;
};

System::System() = default;

System::~System() {
    if (configured) {
        try {
            saveConfiguration();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "[Marquel] The settings were not saved: %s\n", e.what());
        } catch (...) {
            std::fprintf(stderr, "[Marquel] The settings were not saved: unknown error\n");
        }
    }
    // A run that ended by an exception leaves the music open. It must end before the display
    // shuts SDL down, whose audio it plays through.
    releaseMusic();
    inspector.reset();
    hud.reset();
    display.reset();
    events.clear();
    musicData.reset();
}

void System::openMusic() {
    FMOD_RESULT result = FMOD_System_Create(&fmodSystem);
    if (result != FMOD_OK)
        throw Exception("[Marquel] FMOD-ERROR; (%d) %s", result, FMOD_ErrorString(result));
    unsigned int version = 0;
    fmodSystem->getVersion(&version);
    if (version < REQUIRED_FMOD_VERSION) {
        throw Exception("[Marquel] FMOD-ERROR; You are using the wrong DLL version!  You should "
                        "be using FMOD %.02f",
                        REQUIRED_FMOD_MAJOR_MINOR);
    }
    musicData.reset();
    musicData = readMusic();
    result = fmodSystem->init(32, FMOD_INIT_NORMAL, nullptr);
    if (result != FMOD_OK)
        throw Exception("[Marquel] FMOD-ERROR; %s", FMOD_ErrorString(result));
    FMOD_CREATESOUNDEXINFO info = {};
    info.cbsize = sizeof info;
    info.length = static_cast<unsigned int>(musicData->getSize());
    // The stream reads these bytes while it plays: musicData holds them until the end.
    result = fmodSystem->createSound(musicData->getChars(), MUSIC_MODE, &info, &sound);
    if (result != FMOD_OK)
        throw Exception("[Marquel] FMOD-ERROR; %s", FMOD_ErrorString(result));
}

Vx::File System::readMusic() {
    Vx::File music = files.readFile(musicFile);
    if (music.isNull())
        throw Exception("[Marquel] Could not find music in '%s'", musicFile.c_str());
    // The sound library takes a length of 0 for a missing parameter, and says only that.
    if (music->getSize() == 0)
        throw Exception("[Marquel] The music file '%s' is empty", musicFile.c_str());
    return music;
}

void System::startMusic(bool muted) {
    // The device must not take a buffer between the start and the mute: muted music was
    // heard for a moment after a pause whenever the audio thread came in between.
    SDL_LockAudio();
    // A stream that cannot start leaves no channel, and the clock runs on the ticks alone.
    if (fmodSystem->playSound(FMOD_CHANNEL_FREE, sound, false, &channel) != FMOD_OK)
        channel = nullptr;
    muteChannel(muted);
    SDL_UnlockAudio();
}

void System::muteChannel(bool on) {
    if (channel)
        channel->setMute(on);
}

void System::releaseMusic() {
    if (channel)
        channel->stop();
    if (sound)
        sound->release();
    if (fmodSystem) {
        fmodSystem->close();
        fmodSystem->release();
    }
    channel = nullptr;
    sound = nullptr;
    fmodSystem = nullptr;
}

float System::now() const {
    if (paused)
        return position;
    if (capture.dumping())
        return dumpTime();
    return static_cast<float>(static_cast<int32_t>(ticks()) - tickOffset) * 0.001f;
}

float System::dumpTime() const {
    return capture.stepTime(dumpOrigin, dumpSteps);
}

void System::seek(float t) {
    t = clockable(t);
    if (paused) {
        // The music follows when the pause ends.
        position = t;
        return;
    }
    dumpOrigin = t;
    dumpSteps = 0;
    // Before the music has started there is no channel to position: the ticks alone count.
    if (noSound || !channel) {
        tickOffset = static_cast<int32_t>(ticks() - static_cast<double>(t) * 1000);
    } else {
        unsigned int target = t > 0 ? static_cast<unsigned int>(t * 1000) : 0;
        // What the stream reports is what is heard: the clock runs from there.
        unsigned int heard = target;
        channel->setPosition(target, FMOD_TIMEUNIT_MS);
        channel->getPosition(&heard, FMOD_TIMEUNIT_MS);
        heard = std::min(heard, static_cast<unsigned int>(FARTHEST_TIME * 1000));
        tickOffset = static_cast<int32_t>(ticks()) - static_cast<int32_t>(heard);
    }
    position = t;
}

void System::run() {
    requireDisplay();
    startCapture();
    // A dump renders the script as it was when the dump began.
    // A change made while the effects load is looked at in the first frame.
    if (!capture.dumping())
        scriptFiles->startFollowing();
    loadEffects();
    startPlayback();
    Loop loop;
    loop.frameTime = startTime;
    while (loop.running) {
        // Before the keys: a Ctrl+S must know of a change the editor has just saved.
        followScriptFiles();
        handleEvents(loop);
        advanceClock(loop);
        measureFrame(loop);
        feedPanels(loop);
        display->beginFrame();
        const bool drawn = script.update(loop.frameTime);
        // Before the first node, after a negative start mark, between nodes: black, not the
        // loader's last picture or the frame before.
        if (!script.rendered)
            display->clearFrame();
        if (!drawn)
            loop.running = false;
        drawPanels();
        if (loop.screenshotWanted)
            capture.saveScreenshot(*display);
        loop.screenshotWanted = false;
        // From the script's end on no node runs and the back buffer holds a stale picture:
        // such a frame has no place in a video. One between two nodes keeps its place.
        if (drawn && loop.frameTime < script.endTime &&
            !capture.dumpFrame(*display, dumpOrigin, dumpSteps))
            loop.running = false;
        followFullscreen();
        showSometimes(loop);
        display->endFrame();
    }
    scriptFiles->stopFollowing();
    if (!noSound)
        releaseMusic();
    capture.finish(*display);
}

void System::showSometimes(Loop& loop) {
    if (!capture.dumping())
        return;
    // A dump shows a few frames a second: enough to watch it go, while the time goes to it.
    const uint32_t now = ticks();
    const bool show = now - loop.lastShownTicks >= SHOWN_FRAME_TICKS;
    if (show)
        loop.lastShownTicks = now;
    display->setPresenting(show);
}

void System::startCapture() {
    // A video takes the music into its file, unless the user wants no sound.
    const Vx::File music = soundOffForDump && capture.recordsVideo() ? readMusic() : Vx::File();
    // Frame 0 shows the start mark plus one step: so does the sound beside it.
    capture.start(music, static_cast<double>(clockable(startTime)), script.endTime);
}

void System::requireDisplay() const {
    if (!configured) {
        throw Exception("[Marquel] Nothing to play: 'marquel.xml' was not read, or its root "
                        "element is not 'demo'");
    }
    if (!display)
        throw Exception("[Marquel] Nothing to show: 'marquel.xml' has no 'window' element");
}

void System::loadEffects() {
    // A script without top-level nodes gives the loader a progress of 0, not a division by 0.
    const int32_t topLevel = static_cast<int32_t>(script.nodes.size());
    if (loader) {
        loader->init(display.get(), this);
        loader->trigger(0, "max", std::to_string(topLevel));
    }
    const int32_t count = static_cast<int32_t>(script.effects.size());
    int32_t index = 0;
    for (const auto& entry : script.effects) {
        events.clear();
        display->pollEvents(events);
        for (int32_t e = 0; e < events.count; ++e)
            if (isQuit(events.events[e]))
                throw Exception("User aborted!");
        if (entry.second)
            entry.second->init(display.get(), this);
        display->beginFrame();
        if (loader) {
            const float t = static_cast<float>(ticks()) * 0.001f;
            loader->trigger(t, "percent", std::to_string(static_cast<float>(index) / count));
            loader->trigger(t, "index", std::to_string(index));
            loader->render(t, 0, topLevel > 0 ? static_cast<float>(index) / topLevel : 0.0f);
        } else {
            // One effect alone is loaded all at once: a full bar rather than 0 / 0.
            display->drawProgress(count > 1 ? static_cast<float>(index) / (count - 1) : 1.0f);
        }
        display->endFrame();
        ++index;
    }
}

void System::startPlayback() {
    if (!noSound)
        startMusic(true);
    seek(startTime);
    if (noSound || !channel)
        return;
    // A freshly started stream may not land on the first seek; it stays silent until the
    // third one has put it where the clock is.
    SDL_Delay(50);
    seek(startTime);
    SDL_Delay(50);
    seek(startTime);
    muteChannel(mute);
}

void System::handleEvents(Loop& loop) {
    events.clear();
    display->pollEvents(events);
    for (int32_t e = 0; e < events.count; ++e) {
        const Event& event = events.events[e];
        // While the inspector is up, Escape and the close button belong to it; a signal
        // does not.
        if (isQuit(event) && (!inspector->visible || Display::quitSignalled()))
            loop.running = false;
        if (event.type != EVENT_KEYDOWN)
            continue;
        // Each key acts in full before the next is looked at: a key that starts typing keeps
        // the keys after it in its frame out of the table (an S typed into a value takes no
        // screenshot), and the Return that ends typing lets the keys after it act at once.
        if (!inspector->textTarget)
            handleKey(event, loop);
        if (inspector->visible) {
            EventList key;
            key.append(event);
            inspector->handleEvents(key);
        }
    }
}

void System::handleKey(const Event& key, Loop& loop) {
    // A video's sound runs straight on: its picture must too.
    const bool movesClock = key.key == SDLK_p || key.key == SDLK_PAGEUP ||
                            key.key == SDLK_PAGEDOWN || key.key == SDLK_SPACE;
    if (movesClock && capture.recordsVideo()) {
        capture.refuseClockKey();
        return;
    }
    switch (key.key) {
    case SDLK_RETURN:
        if (key.ctrl || key.alt)
            fullscreen = !fullscreen;
        break;
    case SDLK_p:
        if (key.ctrl) {
            startTime = now();
        } else {
            if (key.alt)
                startTime = 0;
            position = startTime;
            seek(startTime);
        }
        break;
    case SDLK_s:
        if (key.ctrl)
            saveScript();
        else if (!capture.dumping())
            loop.screenshotWanted = true;
        break;
    case SDLK_r:
        if (key.ctrl && !capture.dumping() && !scriptFiles->names().empty())
            reloadScript();
        break;
    case SDLK_m:
        if (!noSound) {
            mute = !mute;
            muteChannel(mute);
        }
        break;
    case SDLK_PAGEUP:
    case SDLK_PAGEDOWN:
        stepTime(key);
        break;
    case SDLK_SPACE:
        togglePause();
        break;
    // A video is what a maker publishes: it never carries the panels.
    case SDLK_TAB:
        if (!capture.recordsVideo())
            inspector->toggle();
        break;
    case SDLK_f:
        if (!capture.recordsVideo())
            hud->toggle();
        break;
    default:
        break;
    }
}

void System::stepTime(const Event& key) {
    const float step = inspector->getTimeStep() * 5;
    const int steps = 1 + (key.ctrl ? 1 : 0) + (key.shift ? 1 : 0);
    float t = now();
    for (int i = 0; i < steps; ++i)
        t = key.key == SDLK_PAGEUP ? t + step : t - step;
    if (t < 0)
        t = 0;
    position = t;
    seek(t);
}

void System::togglePause() {
    if (paused) {
        // A new channel would play out loud, even while the user has the music muted.
        if (!noSound)
            startMusic(mute);
        paused = false;
        seek(position);
    } else {
        position = now();
        if (!noSound && channel)
            channel->stop();
        paused = true;
    }
}

void System::followScriptFiles() {
    showScriptStep(scriptFiles->follow(script, inspector->textTarget != nullptr));
}

void System::saveScript() {
    scriptFiles->save(script);
}

void System::reloadScript() {
    showScriptStep(scriptFiles->reload(script));
}

void System::showScriptStep(ScriptStep step) {
    if (step == ScriptStep::None)
        return;
    hud->setMessage(scriptFiles->message());
    if (step != ScriptStep::Reloaded)
        return;
    inspector->scriptReplaced();
    // A script that now ends before the time shown would end the demo: it waits on its last
    // moment, where the nodes that end with it still draw.
    if (now() >= script.endTime) {
        if (!paused)
            togglePause();
        position = std::nextafter(script.endTime, -HUGE_VALF);
    }
}

void System::advanceClock(Loop& loop) {
    if (paused) {
        loop.frameTime = position;
    } else if (capture.dumping()) {
        // A dump is rendered at its own pace: each frame is exactly one step of its rate.
        // Pauses and seeks move this clock, so a recording never jumps to the wall clock.
        ++dumpSteps;
        loop.frameTime = dumpTime();
    } else {
        loop.frameTime = static_cast<float>(static_cast<int32_t>(ticks()) - tickOffset) * 0.001f;
    }
}

void System::measureFrame(Loop& loop) {
    const float duration = static_cast<float>(ticks() - loop.lastFrameTicks) * 0.001f;
    loop.lastFrameTicks = ticks();
    averageFrameTime = averageFrameTime * 0.99f + duration * 0.00999999f;
}

void System::feedPanels(Loop& loop) {
    if (!inspector->visible && !hud->shown())
        return;
    // The inspector had this frame's keys as they came: the panels get only the clock here.
    EventList clock;
    if (inspector->getTimeStep() * 1000 + static_cast<float>(lastInfoTicks) <
        static_cast<float>(ticks())) {
        lastInfoTicks = static_cast<int32_t>(ticks());
        Event info;
        info.type = EVENT_INFO;
        info.infoTime = loop.frameTime;
        info.infoStart = startTime;
        loop.fpsSamples[loop.fpsIndex % FPS_SAMPLES] = 1 / averageFrameTime;
        ++loop.fpsIndex;
        // Just after a seek the average still holds the frames before it.
        if (loop.frameTime - position > 0.1f) {
            float sum = 0;
            for (float sample : loop.fpsSamples)
                sum += sample;
            info.infoFps = sum * 0.03125f;
        }
        clock.append(info);
    }
    if (inspector->visible)
        inspector->handleEvents(clock);
    if (hud->shown())
        hud->handleEvents(clock);
}

void System::drawPanels() {
    if (capture.recordsVideo())
        return;
    display->drawInspector(*inspector);
    if (hud->shown()) {
        hud->fitInto(display->width(), display->height());
        display->drawHud(*hud);
    }
}

void System::followFullscreen() {
    if (display->isFullscreen() == fullscreen)
        return;
    try {
        display->setFullscreen(fullscreen);
    } catch (const std::exception&) {
        // Without its window the demo cannot go on; the write-back still records the mode
        // that last worked.
        if (!display->isOpen()) {
            fullscreen = !fullscreen;
            throw;
        }
        // The display has said why. The demo plays on in the mode it has, and the write-back
        // records that mode: a refused one saved would fail every later start.
        std::fprintf(stderr, "[Marquel] Could not switch to %s; the demo plays on in %s\n",
                     fullscreen ? "full screen" : "a window",
                     fullscreen ? "its window" : "full screen");
        fullscreen = display->isFullscreen();
    }
}

} // namespace Marquel
