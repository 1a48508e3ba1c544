#include "marquel/System.h"

#include "marquel/Display.h"
#include "marquel/Effect.h"
#include "marquel/Exception.h"
#include "marquel/GLDisplay.h"
#include "marquel/Hud.h"
#include "marquel/Inspector.h"
#include "marquel/SurfaceDisplay.h"
#include "sound/fmod.h"
#include "vorlik/TextureManager.h"
#include "xml/XmlException.h"
#include "xml/XmlParser.h"

#include <SDL.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace Marquel {

namespace {

constexpr const char* CONFIGURATION = "marquel.xml";

// The oldest library the music calls were written against (4.00.37), and that version as
// the message shows it: the two-decimal placeholder holds major.minor, so it reads 4.00.
constexpr unsigned int REQUIRED_FMOD_VERSION = 0x00040037;
constexpr double REQUIRED_FMOD_MAJOR_MINOR = 4.00;

constexpr FMOD_MODE MUSIC_MODE = FMOD_OPENMEMORY | FMOD_CREATESTREAM | FMOD_SOFTWARE | FMOD_2D;
static_assert(MUSIC_MODE == 0x8C8, "the music streams from memory in software, 2D");

constexpr int FPS_SAMPLES = 32;

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

int32_t intAttribute(const Xml::XmlTag& tag, const char* name) {
    return static_cast<int32_t>(std::strtol(tag.getAttribute(name).c_str(), nullptr, 0));
}

std::string formatted(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// The parser's message gives a line and a column but not the file they are in.
template <typename Parse> auto parseNamed(const std::string& name, Parse parse) {
    try {
        return parse();
    } catch (const Xml::XmlException& e) {
        throw Exception("[Marquel] '%s' is not well-formed XML: %s", name.c_str(), e.what());
    }
}

// Reads and parses "marquel.xml"; false when its root is not "demo".
bool readConfiguration(Vx::FileSystem& files, Xml::XmlParser& document) {
    Vx::File text = files.readFile(CONFIGURATION);
    if (text.isNull())
        throw Exception("[Marquel] Could not load 'marquel.xml'");
    parseNamed(CONFIGURATION, [&] { document.parse(text->getChars(), text->getSize()); });
    return document.getName() == "demo";
}

bool isQuit(const Event& event) {
    return event.type == EVENT_QUIT || (event.type == EVENT_KEYDOWN && event.key == SDLK_ESCAPE);
}

// Visits every child of root named name, in document order.
template <typename Visit> void forEach(Xml::XmlNode& root, const char* name, Visit visit) {
    Xml::Iterator it = root.getChildren(name);
    while (++it)
        visit(*it);
}

// Why an output name is refused: written under its folder, it would land outside it. An
// absolute name stays inside, since every folder joins the name to its own path.
constexpr const char* LEAVES_FOLDER = "its name may not hold '..'";

bool leavesFolder(const std::string& name) {
    const std::filesystem::path path(name);
    return std::any_of(path.begin(), path.end(), [](const auto& part) { return part == ".."; });
}

// A message as one line, without the line break some carry at their end.
std::string oneLine(const char* message) {
    std::string line = message;
    while (!line.empty() && line.back() == '\n')
        line.pop_back();
    return line;
}

} // namespace

// The locals of the main loop that live from frame to frame.
struct System::Loop {
    bool running = true;
    float frameTime = 0;
    uint32_t lastFrameTicks = 0;
    std::array<float, FPS_SAMPLES> fpsSamples{};
    int32_t fpsIndex = 0;
    int32_t dumpPhase = 0;
    // The frame buffer read back for screenshots and the dump: sized to the display at its
    // first use, and writable, since no image manager caches it.
    Vx::Image grab{new Vx::ImageObject(0, 0, nullptr, nullptr, "grab")};
    // S was pressed: the frame is saved once it is drawn, before it is shown.
    bool screenshotWanted = false;
    // Dump frames written and lost, for the one line that tells a recording is incomplete.
    int32_t framesDumped = 0;
    int32_t framesLost = 0;
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
    videoDump.reset();
    inspector.reset();
    hud.reset();
    display.reset();
    events.clear();
    musicData.reset();
}

void System::addSearchPath(const std::string& path) {
    if (!path.empty())
        files.addPath(path);
}

void System::init(const std::string& extraPath) {
    outputFiles.addPath("screenshots");
    if (!extraPath.empty())
        files.addPath(extraPath);
    inspector = std::make_unique<Inspector>(&files);
    hud = std::make_unique<Hud>(&files);

    Xml::XmlParser document;
    if (!readConfiguration(files, document))
        return;

    // Without a music element there is no sound at all.
    noSound = true;
    soundOffForDump = false;
    mute = false;
    frameSkip = 1;
    // Each kind may need the ones before it: the video dump the window's size, the music
    // an archive, the script the music's silence.
    applyTime(document);
    applyHud(document);
    applyWindow(document);
    applyArchives(document);
    applyVideoDump(document);
    applyMusic(document);
    applyScript(document);
    configured = true;
}

void System::applyTime(Xml::XmlNode& root) {
    forEach(root, "time", [this](const Xml::XmlTag& tag) {
        startTime = static_cast<float>(std::atof(tag.getAttribute("start").c_str()));
    });
}

void System::applyHud(Xml::XmlNode& root) {
    forEach(root, "hud",
            [this](const Xml::XmlTag& tag) { hud->visible = tag.getAttribute("mini") == "on"; });
}

void System::applyWindow(Xml::XmlNode& root) {
    forEach(root, "window", [this](const Xml::XmlTag& tag) {
        fullscreen = tag.getAttribute("mode") == "fullscreen";
        // The old window closes before the new one opens: SDL has one video mode.
        display.reset();
        if (tag.getAttribute("type") == "opengl")
            display = std::make_unique<GLDisplay>();
        else
            display = std::make_unique<SurfaceDisplay>();
        const std::string& caption = tag.getAttribute("caption");
        const int32_t width = intAttribute(tag, "width");
        const int32_t height = intAttribute(tag, "height");
        try {
            display->open(caption, width, height, fullscreen);
        } catch (const std::exception& e) {
            // A full screen the screen cannot give would fail every start until the file is
            // mended by hand: the window opens instead, and is what the write-back records.
            // Said only once the window is there: where no window opens either (no video at
            // all), the window's own failure is the one that explains it.
            if (!fullscreen)
                throw;
            const std::string why = oneLine(e.what());
            display->open(caption, width, height, false);
            fullscreen = false;
            std::fprintf(stderr,
                         "[Marquel] Could not open the full screen, so a window opens "
                         "instead: %s\n",
                         why.c_str());
        }
    });
}

void System::applyArchives(Xml::XmlNode& root) {
    forEach(root, "archive",
            [this](const Xml::XmlTag& tag) { files.addPath(tag.getAttribute("file")); });
}

void System::applyVideoDump(Xml::XmlNode& root) {
    Xml::Iterator it = root.getChildren("videodump");
    if (!++it)
        return;
    const Xml::XmlTag& tag = *it;
    const std::string& name = tag.getAttribute("name");
    if (!display) {
        throw Exception("[Marquel] The videodump '%s' takes its frame size from the window: "
                        "'marquel.xml' needs a 'window' element",
                        name.c_str());
    }
    // A demo from someone else must not make a recording overwrite a file of the user's.
    if (leavesFolder(name)) {
        throw Exception("[Marquel] The videodump '%s' must stay inside 'screenshots': %s",
                        name.c_str(), LEAVES_FOLDER);
    }
    Vx::VideoInfo info;
    info.width = static_cast<int32_t>(display->width());
    info.height = static_cast<int32_t>(display->height());
    info.fps = intAttribute(tag, "fps");
    if (info.fps <= 0) {
        throw Exception("[Marquel] The videodump '%s' needs an fps above 0, not '%s'", name.c_str(),
                        tag.getAttribute("fps").c_str());
    }
    info.fpsBase = std::max(intAttribute(tag, "fpsbase"), 1);
    frameSkip = std::max(intAttribute(tag, "frameskip"), 1);
    videoDump = Vx::openVideoWriter(name, &info, &outputFiles);
}

void System::applyMusic(Xml::XmlNode& root) {
    forEach(root, "music", [this](const Xml::XmlTag& tag) {
        releaseMusic();
        musicFile = tag.getAttribute("file");
        const std::string& muteText = tag.getAttribute("mute");
        mute = muteText == "on";
        noSound = muteText == "nosound";
        // A dump renders slower or faster than real time: no music can keep up. The silence
        // is the dump's, not the user's choice, so it is not written back.
        soundOffForDump = videoDump && !noSound;
        if (videoDump)
            noSound = true;
        if (!noSound)
            openMusic();
    });
}

void System::applyScript(Xml::XmlNode& root) {
    forEach(root, "script", [this](const Xml::XmlTag& tag) {
        scriptFile = tag.getAttribute("file");
        Vx::File text = files.readFile(scriptFile);
        if (text.isNull())
            throw Exception("[Marquel] Could not find the scriptfile '%s'", scriptFile.c_str());
        // One name per call of load, which numbers the nodes it reads in the same order.
        scriptFiles.push_back(scriptFile);
        // A script read only in part would play wrongly, and Ctrl+S would then write that
        // part over the whole file.
        if (!parseNamed(scriptFile,
                        [&] { return script.load(text->getChars(), text->getSize()); })) {
            throw Exception("[Marquel] The scriptfile '%s' is not a script: %s", scriptFile.c_str(),
                            script.loadFault().c_str());
        }
        inspector->attach(&script);
    });
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
    musicData = files.readFile(musicFile);
    if (musicData.isNull())
        throw Exception("[Marquel] Could not find music in '%s'", musicFile.c_str());
    // The sound library takes a length of 0 for a missing parameter, and says only that.
    if (musicData->getSize() == 0)
        throw Exception("[Marquel] The music file '%s' is empty", musicFile.c_str());
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

void System::startMusic(bool muted) {
    // A stream that cannot start leaves no channel, and the clock runs on the ticks alone.
    if (fmodSystem->playSound(FMOD_CHANNEL_FREE, sound, false, &channel) != FMOD_OK)
        channel = nullptr;
    muteChannel(muted);
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

void System::saveConfiguration() {
    Xml::XmlParser document;
    if (!readConfiguration(files, document))
        return;

    // Missing elements go in at the front, through one iterator that has not moved yet, so
    // a new time comes first and a new hud right after it.
    Xml::Iterator front = document.getChildren();
    const std::string start = formatted("%.2f", startTime);
    Xml::Iterator time = document.getChildren("time");
    if (++time) {
        time->setAttribute("start", start);
    } else {
        Xml::XmlTag added("time");
        added.setAttribute("start", start);
        front.insert(added);
    }
    forEach(document, "music", [this](Xml::XmlTag& tag) {
        tag.setAttribute("mute", "off");
        if (mute)
            tag.setAttribute("mute", "on");
        if (noSound && !soundOffForDump)
            tag.setAttribute("mute", "nosound");
    });
    forEach(document, "window", [this](Xml::XmlTag& tag) {
        tag.setAttribute("mode", fullscreen ? "fullscreen" : "windowed");
    });
    const char* mini = hud && hud->visible ? "on" : "off";
    Xml::Iterator hudTag = document.getChildren("hud");
    if (++hudTag) {
        hudTag->setAttribute("mini", mini);
    } else {
        Xml::XmlTag added("hud");
        added.setAttribute("mini", mini);
        front.insert(added);
    }

    std::string written;
    document.write(written, "\t");
    if (!files.writeFile(Vx::File::fromString(CONFIGURATION, written)))
        throw Exception("[Marquel] Could not write 'marquel.xml'; the old file is kept");
}

float System::now() const {
    if (paused)
        return position;
    if (videoDump)
        return dumpTime();
    return static_cast<float>(static_cast<int32_t>(ticks()) - tickOffset) * 0.001f;
}

float System::dumpTime() const {
    const Vx::VideoInfo info = videoDump->getInfo();
    return static_cast<float>(dumpOrigin +
                              static_cast<double>(dumpSteps) * info.fpsBase / info.fps / frameSkip);
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
    loadEffects();
    startPlayback();
    Loop loop;
    loop.frameTime = startTime;
    while (loop.running) {
        handleEvents(loop);
        advanceClock(loop);
        measureFrame(loop);
        feedPanels(loop);
        display->beginFrame();
        const bool drawn = script.update(loop.frameTime);
        if (!drawn)
            loop.running = false;
        drawPanels();
        saveScreenshot(loop);
        // From the script's end on no node runs and the back buffer holds a stale picture:
        // such a frame has no place in a video. One between two nodes keeps its place.
        if (drawn && loop.frameTime < script.endTime)
            dumpFrame(loop);
        followFullscreen();
        display->endFrame();
    }
    if (!noSound)
        releaseMusic();
    reportLostFrames(loop);
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
            loader->trigger(t, "percent", formatted("%f", static_cast<float>(index) / count));
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
        // While the inspector is up, Escape and the close button belong to it.
        if (isQuit(event) && !inspector->visible)
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
        else if (!videoDump)
            loop.screenshotWanted = true;
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
    case SDLK_TAB:
        inspector->toggle();
        break;
    case SDLK_f:
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

void System::saveScript() {
    // A failed save must not end the demo: the edits live on in memory for another try.
    // Every text is made before any file is written, so a refused save changes no file.
    std::vector<std::string> texts;
    for (size_t i = 0; i < scriptFiles.size(); ++i) {
        // Reading through such a name is harmless; a keypress writing through it is not.
        if (leavesFolder(scriptFiles[i])) {
            std::fprintf(stderr,
                         "[Marquel] Could not save the script '%s'; the edits are kept: %s\n",
                         scriptFiles[i].c_str(), LEAVES_FOLDER);
            return;
        }
        try {
            texts.push_back(script.save(static_cast<int>(i)));
        } catch (const Xml::XmlException& e) {
            std::fprintf(stderr,
                         "[Marquel] Could not save the script '%s'; the edits are kept: %s\n",
                         scriptFiles[i].c_str(), e.what());
            return;
        }
    }
    for (size_t i = 0; i < scriptFiles.size(); ++i) {
        if (!files.writeFile(Vx::File::fromString(scriptFiles[i], texts[i]))) {
            std::fprintf(stderr, "[Marquel] Could not write the script '%s'; the edits are kept\n",
                         scriptFiles[i].c_str());
        }
    }
}

void System::advanceClock(Loop& loop) {
    if (paused) {
        loop.frameTime = position;
    } else if (videoDump) {
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
    if (!inspector->visible && !hud->visible)
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
    if (hud->visible)
        hud->handleEvents(clock);
}

void System::drawPanels() {
    display->drawInspector(*inspector);
    if (hud->visible)
        display->drawHud(*hud);
}

void System::saveScreenshot(Loop& loop) {
    if (!loop.screenshotWanted)
        return;
    loop.screenshotWanted = false;
    grabFrame(loop.grab);
    if (!outputFiles.saveImage("screenshot.png", loop.grab))
        std::fprintf(stderr, "[Marquel] Could not write 'screenshot.png' into 'screenshots'\n");
}

void System::dumpFrame(Loop& loop) {
    if (!videoDump)
        return;
    if (loop.dumpPhase == 0) {
        ++loop.framesDumped;
        if (!writeDumpFrame(loop.grab))
            ++loop.framesLost;
    }
    loop.dumpPhase = (loop.dumpPhase + 1) % frameSkip;
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

// A frame that cannot be written is dropped and the dump goes on, but a recording with
// holes must not look complete.
void System::reportLostFrames(const Loop& loop) const {
    if (loop.framesLost > 0) {
        std::fprintf(stderr,
                     "[Marquel] %d of %d video-dump frames could not be written into "
                     "'screenshots'\n",
                     loop.framesLost, loop.framesDumped);
    }
}

bool System::writeDumpFrame(Vx::Image& grab) {
    const bool first = grab->getWidth() == 0;
    grabFrame(grab);
    // The writer keeps the image and encodes whatever it holds at each frame.
    if (first)
        videoDump->setImage(grab);
    return videoDump->writeFrame();
}

void System::grabFrame(Vx::Image& grab) {
    if (grab->getWidth() == 0) {
        const int32_t w = static_cast<int32_t>(display->width());
        const int32_t h = static_cast<int32_t>(display->height());
        grab->resize(w, h);
        // A display that cannot read its frame back leaves black, not stale memory.
        if (uint8_t* pixels = grab->getWriteData())
            std::fill(pixels, pixels + static_cast<size_t>(w) * h * 4, uint8_t(0));
    }
    display->grabImage(grab);
}

} // namespace Marquel
