#pragma once

#include "marquel/Event.h"
#include "marquel/Script.h"
#include "vx/FileSystem.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace FMOD {
class System;
class Sound;
class Channel;
} // namespace FMOD

namespace Xml {
class XmlNode;
}

namespace Marquel {

class Capture;
class Clock;
class Display;
class Effect;
class Hud;
class Inspector;
class Keys;
class Music;
class ScriptFiles;
enum class ScriptStep;

// The player object: it reads "marquel.xml", opens the window and the music, loads the
// effects behind the loading screen, runs the main loop on the demo clock and writes the
// user's choices back at the end. Use: addSearchPath, init, addEffect, set loader, run.
class System {
public:
    System();
    // Writes the configuration back (when init completed; a failure is one line on standard
    // error, never an exception), then closes everything it opened.
    ~System();
    System(const System&) = delete;
    System& operator=(const System&) = delete;

    // Adds a directory or archive to the input file system; an empty path is ignored.
    void addSearchPath(const std::string& path);
    // Registers effect under name for the script to drive; a second effect under the same
    // name replaces the first. The system never deletes an effect.
    void addEffect(const std::string& name, Effect* effect) { script.addEffect(name, effect); }

    // Reads "marquel.xml" and applies it: window, archives, video dump, music and script.
    // A root other than "demo" configures nothing.
    void init(const std::string& extraPath);
    // Loads every effect, then plays the demo from the start mark until the script ends or
    // the user quits. Throws "User aborted!" when the user quits while effects load.
    void run();
    // Moves the demo clock, and the music unless paused, to t seconds.
    void seek(float t);
    // Stores the start mark, mute, window mode and HUD state in "marquel.xml" in the first
    // search path. Throws Marquel::Exception when it cannot read or write the file.
    void saveConfiguration();

    // Puts text on the HUD's message lines for as long as effect has something standing to
    // say (a shader that does not compile), below the script files' news; an empty text
    // takes it away.
    void setEffectMessage(const Effect& effect, const std::string& text);
    // Calls release before the window closes, while its OpenGL context lives, unless the
    // caller let go of it first: an effect that may outlive the system frees its OpenGL
    // objects there, as calls after the context went abort.
    void beforeDisplayCloses(const std::shared_ptr<std::function<void()>>& release);

    // The demo time the clock shows now: the frozen time while paused, the frame time while
    // a video is dumped.
    float now() const;

    Vx::FileSystem files;
    Vx::FileSystem outputFiles;
    Script script;
    std::string musicFile;
    Vx::File musicData;
    FMOD::System* fmodSystem = nullptr;
    FMOD::Sound* sound = nullptr;
    FMOD::Channel* channel = nullptr;
    float position = 0;
    bool paused = false;
    bool mute = false;
    bool configured = false;
    bool fullscreen = false;
    bool noSound = false;
    int32_t lastInfoTicks = 0;
    float startTime = 0;
    float averageFrameTime = 0;
    std::unique_ptr<Display> display;
    EventList events;
    // The loading-screen effect; the demo program owns it. It gets init, the trigger "max"
    // (top-level nodes), then per loaded effect "percent" (step / effects), "index" (step)
    // and a render with progress step / max (docs/EFFECTS.md, "A loading screen of your own").
    Effect* loader = nullptr;
    std::unique_ptr<Inspector> inspector;
    std::unique_ptr<Hud> hud;
    int32_t tickOffset = 0;
    // Screenshots and the video dump.
    std::unique_ptr<Capture> capture;
    // The files the script is read from: saved with Ctrl+S, reloaded with Ctrl+R, and
    // followed on disk while the demo plays outside a dump.
    std::unique_ptr<ScriptFiles> scriptFiles;

private:
    struct Loop;
    friend class Keys;

    // They work on the members above: the music on its objects, the clock on the time.
    std::unique_ptr<Music> music;
    std::unique_ptr<Clock> clock;
    std::string scriptNews;
    std::map<const Effect*, std::string> effectMessages;
    // What effects said they could not draw while a dump recorded, each once.
    std::vector<std::string> dumpFaults;
    std::vector<std::weak_ptr<std::function<void()>>> displayClosing;

    void applyTime(Xml::XmlNode& root);
    void applyHud(Xml::XmlNode& root);
    void applyWindow(Xml::XmlNode& root);
    void applyArchives(Xml::XmlNode& root);
    void applyVideoDump(Xml::XmlNode& root);
    void applyMusic(Xml::XmlNode& root);
    void applyScript(Xml::XmlNode& root);

    void requireDisplay() const;
    void loadEffects();
    void handleEvents(Loop& loop);
    void saveScript();
    // Once a frame: loads a script file that changed on disk, unless text is being typed
    // or the inspector holds unsaved edits.
    void followScriptFiles();
    // Loads the script files anew in place of the script, dropping the inspector's edits;
    // one that does not load leaves the script playing and says why.
    void reloadScript();
    // Shows what the script files did, and fits the panels and the clock to a new script.
    void showScriptStep(ScriptStep step);
    // The script files' news and the effects' standing messages on the HUD.
    void showMessages();
    void measureFrame(Loop& loop);
    void feedPanels(Loop& loop);
    void drawPanels();
    void followFullscreen();
    // While dumping, only some frames are shown.
    void showSometimes(Loop& loop);
    // Opens the video dump, with the music a video records.
    void startCapture();
    // After the dump closed: throws naming its files when effects could not draw into it.
    void refuseFaultyDump() const;
};

} // namespace Marquel
