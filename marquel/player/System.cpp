#include "marquel/System.h"

#include "marquel/Display.h"
#include "marquel/Effect.h"
#include "marquel/Exception.h"
#include "marquel/capture/Capture.h"
#include "marquel/overlay/Hud.h"
#include "marquel/overlay/Inspector.h"
#include "marquel/player/Clock.h"
#include "marquel/player/Keys.h"
#include "marquel/player/Loop.h"
#include "marquel/player/Music.h"
#include "marquel/player/StackRoom.h"
#include "marquel/timeline/ScriptFiles.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>
#include <sstream>

namespace Marquel {

namespace {

// While dumping, a frame is shown at most every this many milliseconds.
constexpr uint32_t SHOWN_FRAME_TICKS = 100;
// The ticks count milliseconds, the demo clock seconds.
constexpr float SECONDS_PER_TICK = 0.001f;
constexpr float TICKS_PER_SECOND = 1000.0f;
// The frame time shown is a running average, each frame weighing a hundredth (a shade less),
// so the rate settles over about a hundred frames instead of jumping with every one.
constexpr float FRAME_TIME_KEPT = 0.99f;
constexpr float FRAME_TIME_TAKEN = 0.00999999f;
// How long after a seek the rate is not shown.
constexpr float FPS_SETTLE_SECONDS = 0.1f;

bool isQuit(const Event& event) {
    return event.type == EVENT_QUIT || (event.type == EVENT_KEYDOWN && event.key == SDLK_ESCAPE);
}

// Says on standard error, once each, the names in the script that no effect is registered
// under: a misspelt name draws nothing, and nothing else would tell why.
void sayUnregisteredNames(const Script& script) {
    std::set<std::string> names;
    std::vector<const EffectNode*> open;
    for (const auto& node : script.nodes)
        open.push_back(node.get());
    while (!open.empty()) {
        const EffectNode* node = open.back();
        open.pop_back();
        if (!script.findEffect(node->name))
            names.insert("'" + node->name + "'");
        for (const auto& child : node->children)
            open.push_back(child.get());
    }
    if (names.empty())
        return;
    std::string list;
    for (const std::string& name : names)
        list += (list.empty() ? "" : ", ") + name;
    std::fprintf(stderr, "[Marquel] No effect is registered under %s: these nodes draw nothing\n",
                 list.c_str());
}

} // namespace

System::System()
    : capture(std::make_unique<Capture>(outputFiles, "screenshots")),
      music(std::make_unique<Music>(files, musicFile, musicData, fmodSystem, sound, channel)),
      clock(std::make_unique<Clock>(position, paused, tickOffset, noSound, *music, *capture)) {
    makeStackRoom();
}

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
    music->release();
    // Effects that outlive the system free their OpenGL objects while the context lives.
    for (const auto& call : displayClosing)
        if (const auto release = call.lock())
            (*release)();
    inspector.reset();
    hud.reset();
    display.reset();
    events.clear();
    musicData.reset();
}

float System::now() const {
    return clock->now();
}

void System::seek(float t) {
    clock->seek(t);
}

void System::run() {
    requireDisplay();
    sayUnregisteredNames(script);
    startCapture();
    // A dump renders the script as it was when the dump began; otherwise the files are
    // followed, and a change made while the effects load is looked at in the first frame.
    if (!capture->dumping())
        scriptFiles->startFollowing();
    loadEffects();
    clock->start(startTime, mute);
    Loop loop;
    loop.frameTime = startTime;
    while (loop.running) {
        // Before the keys: a Ctrl+S must know of a change the editor has just saved.
        followScriptFiles();
        handleEvents(loop);
        loop.frameTime = clock->advance();
        Keys::repeatLoop(*this, loop);
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
            capture->saveScreenshot(*display);
        loop.screenshotWanted = false;
        // From the script's end on no node runs and the back buffer holds a stale picture:
        // such a frame has no place in a video. One between two nodes keeps its place.
        if (drawn && loop.frameTime < script.endTime &&
            !capture->dumpFrame(*display, clock->getDumpOrigin(), clock->getDumpSteps()))
            loop.running = false;
        followFullscreen();
        showSometimes(loop);
        display->endFrame();
    }
    scriptFiles->stopFollowing();
    if (!noSound)
        music->release();
    capture->finish(*display);
    refuseFaultyDump();
}

void System::refuseFaultyDump() const {
    if (dumpFaults.empty())
        return;
    std::string faults;
    for (const std::string& fault : dumpFaults)
        faults += (faults.empty() ? "" : "; ") + fault;
    // The frames show what the effects drew instead; the user decides what to keep.
    throw Exception("[Marquel] The video dump '%s' holds frames drawn while an effect could "
                    "not draw; they are kept. %s",
                    capture->dumpPath().c_str(), faults.c_str());
}

void System::showSometimes(Loop& loop) {
    if (!capture->dumping())
        return;
    // A dump shows a few frames a second: enough to watch it go, while the time goes to it.
    const uint32_t now = Clock::ticks();
    const bool show = now - loop.lastShownTicks >= SHOWN_FRAME_TICKS;
    if (show)
        loop.lastShownTicks = now;
    display->setPresenting(show);
}

void System::startCapture() {
    // A video takes the music into its file, unless the user wants no sound.
    const Vx::File sound = music->offForDump && capture->takesMusic() ? music->read() : Vx::File();
    // Frame 0 shows the start mark plus one step: so does the sound beside it.
    capture->start(sound, static_cast<double>(Clock::clockable(startTime)), script.endTime);
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
            const float t = static_cast<float>(Clock::ticks()) * SECONDS_PER_TICK;
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

void System::handleEvents(Loop& loop) {
    events.clear();
    display->pollEvents(events);
    for (int32_t e = 0; e < events.count; ++e) {
        const Event& event = events.events[e];
        // Each key acts in full before the next is looked at: a key that starts typing keeps
        // the keys after it in its frame from acting (an S typed into a value takes no
        // screenshot), and the Return that ends typing lets the keys after it act at once.
        Keys::press(*this, loop, event);
        if (event.type == EVENT_KEYDOWN && inspector->visible) {
            EventList key;
            key.append(event);
            inspector->handleEvents(key);
        }
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
    if (step == ScriptStep::STEP_NONE)
        return;
    scriptNews = scriptFiles->message();
    showMessages();
    if (step != ScriptStep::STEP_RELOADED)
        return;
    sayUnregisteredNames(script);
    inspector->scriptReplaced();
    // A script that now ends before the time shown would end the demo: it waits on its last
    // moment, where the nodes that end with it still draw.
    if (now() >= script.endTime) {
        if (!paused)
            clock->pause();
        position = std::nextafter(script.endTime, -HUGE_VALF);
    }
}

void System::setEffectMessage(const Effect& effect, const std::string& text) {
    std::istringstream lines(capture->dumping() ? text : std::string());
    for (std::string line; std::getline(lines, line);)
        if (std::find(dumpFaults.begin(), dumpFaults.end(), line) == dumpFaults.end())
            dumpFaults.push_back(line);
    if (text.empty())
        effectMessages.erase(&effect);
    else
        effectMessages[&effect] = text;
    showMessages();
}

void System::beforeDisplayCloses(const std::shared_ptr<std::function<void()>>& release) {
    displayClosing.push_back(release);
}

void System::showMessages() {
    if (!hud)
        return;
    std::string text = scriptNews;
    for (const auto& entry : effectMessages)
        text += (text.empty() ? "" : "\n") + entry.second;
    hud->setMessage(text);
}

void System::measureFrame(Loop& loop) {
    const float duration =
        static_cast<float>(Clock::ticks() - loop.lastFrameTicks) * SECONDS_PER_TICK;
    loop.lastFrameTicks = Clock::ticks();
    averageFrameTime = averageFrameTime * FRAME_TIME_KEPT + duration * FRAME_TIME_TAKEN;
}

void System::feedPanels(Loop& loop) {
    if (!inspector->visible && !hud->shown())
        return;
    // The inspector had this frame's keys as they came: the panels get only the clock here.
    EventList clockOnly;
    if (inspector->getTimeStep() * TICKS_PER_SECOND + static_cast<float>(lastInfoTicks) <
        static_cast<float>(Clock::ticks())) {
        lastInfoTicks = static_cast<int32_t>(Clock::ticks());
        Event info;
        info.type = EVENT_INFO;
        info.infoTime = loop.frameTime;
        info.infoStart = startTime;
        loop.fpsSamples[loop.fpsIndex % Loop::FPS_SAMPLES] = 1 / averageFrameTime;
        ++loop.fpsIndex;
        // Just after a seek the average still holds the frames before it.
        if (loop.frameTime - position > FPS_SETTLE_SECONDS) {
            float sum = 0;
            for (float sample : loop.fpsSamples)
                sum += sample;
            info.infoFps = sum / Loop::FPS_SAMPLES;
        }
        clockOnly.append(info);
    }
    if (inspector->visible)
        inspector->handleEvents(clockOnly);
    if (hud->shown())
        hud->handleEvents(clockOnly);
}

void System::drawPanels() {
    if (capture->recordsVideo())
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
