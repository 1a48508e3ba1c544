// The player's configuration: reading "marquel.xml" at start and writing the settings back
// at exit.

#include "marquel/System.h"

#include "marquel/Exception.h"
#include "marquel/display/GLDisplay.h"
#include "marquel/overlay/Hud.h"
#include "marquel/overlay/Inspector.h"
#include "marquel/capture/Capture.h"
#include "marquel/player/Clock.h"
#include "marquel/player/Music.h"
#include "marquel/timeline/FileChecks.h"
#include "marquel/timeline/ScriptFiles.h"
#include "marquel/display/SurfaceDisplay.h"
#include "xml/XmlParser.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace Marquel {

namespace {

constexpr const char* CONFIGURATION = "marquel.xml";

std::string formatted(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// The line of the first element nested deeper than MAX_DEPTH below root; 0 when none is.
int lineTooDeep(const Xml::XmlNode& root) {
    std::vector<std::pair<const Xml::XmlNode*, int>> open{{&root, 0}};
    while (!open.empty()) {
        const auto [node, depth] = open.back();
        open.pop_back();
        for (int i = 0; i < node->childCount(); ++i) {
            if (depth == MAX_DEPTH)
                return node->child(i)->getLine();
            open.emplace_back(node->child(i), depth + 1);
        }
    }
    return 0;
}

// Reads and parses "marquel.xml"; false when its root is not "demo".
bool readConfiguration(Vx::FileSystem& files, Xml::XmlParser& document) {
    Vx::File text = files.readFile(CONFIGURATION);
    if (text.isNull())
        throw Exception("[Marquel] Could not load 'marquel.xml'");
    parseNamed(CONFIGURATION, [&] { document.parse(text->getChars(), text->getSize()); });
    if (const int line = lineTooDeep(document)) {
        throw Exception("[Marquel] 'marquel.xml' is not a configuration: elements nest at most "
                        "%d levels deep, and the one in line %d is deeper",
                        MAX_DEPTH, line);
    }
    return document.getName() == "demo";
}

// Visits every child of root named name, in document order.
template <typename Visit> void forEach(Xml::XmlNode& root, const char* name, Visit visit) {
    Xml::Iterator it = root.getChildren(name);
    while (++it)
        visit(*it);
}

// Sets attribute on the first element called name, or inserts one through front.
void setOrInsert(Xml::XmlNode& root, Xml::Iterator& front, const char* name, const char* attribute,
                 const std::string& value) {
    Xml::Iterator found = root.getChildren(name);
    if (++found) {
        found->setAttribute(attribute, value);
        return;
    }
    Xml::XmlTag added(name);
    added.setAttribute(attribute, value);
    front.insert(added);
}

// A message as one line, without the line break some carry at their end.
std::string oneLine(const char* message) {
    std::string line = message;
    while (!line.empty() && line.back() == '\n')
        line.pop_back();
    return line;
}

} // namespace

void System::addSearchPath(const std::string& path) {
    if (!path.empty())
        files.addPath(path);
}

void System::init(const std::string& extraPath) {
    outputFiles.addOutputPath("screenshots");
    if (!extraPath.empty())
        files.addPath(extraPath);
    inspector = std::make_unique<Inspector>(&files);
    hud = std::make_unique<Hud>(&files);
    scriptFiles = std::make_unique<ScriptFiles>(files);

    Xml::XmlParser document;
    if (!readConfiguration(files, document))
        return;

    // Without a music element there is no sound at all.
    noSound = true;
    music->offForDump = false;
    mute = false;
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
        const int32_t width = tag.getIntAttribute("width");
        const int32_t height = tag.getIntAttribute("height");
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
    info.fps = tag.getIntAttribute("fps");
    if (info.fps <= 0) {
        throw Exception("[Marquel] The videodump '%s' needs an fps above 0, not '%s'", name.c_str(),
                        tag.getAttribute("fps").c_str());
    }
    info.fpsBase = std::max(tag.getIntAttribute("fpsbase"), 1);
    const int32_t frameSkip = std::max(tag.getIntAttribute("frameskip"), 1);
    capture->configure(name, info, frameSkip, tag.getAttribute("crf"),
                       tag.getAttribute("preset"));
}

void System::applyMusic(Xml::XmlNode& root) {
    forEach(root, "music", [this](const Xml::XmlTag& tag) {
        music->release();
        musicFile = tag.getAttribute("file");
        inspector->setMusic(musicFile);
        const std::string& muteText = tag.getAttribute("mute");
        mute = muteText == "on";
        noSound = muteText == "nosound";
        // A dump renders slower or faster than real time: no music can keep up. The silence
        // is the dump's, not the user's choice, so it is not written back.
        music->offForDump = capture->dumping() && !noSound;
        if (capture->dumping())
            noSound = true;
        if (!noSound)
            music->open();
    });
}

void System::applyScript(Xml::XmlNode& root) {
    forEach(root, "script", [this](const Xml::XmlTag& tag) {
        scriptFiles->load(script, tag.getAttribute("file"));
        inspector->attach(&script);
    });
}

void System::saveConfiguration() {
    Xml::XmlParser document;
    if (!readConfiguration(files, document))
        return;

    // Missing elements go in at the front, through one iterator that has not moved yet, so
    // a new time comes first and a new hud right after it.
    Xml::Iterator front = document.getChildren();
    setOrInsert(document, front, "time", "start", formatted("%.2f", startTime));
    forEach(document, "music", [this](Xml::XmlTag& tag) {
        tag.setAttribute("mute", "off");
        if (mute)
            tag.setAttribute("mute", "on");
        if (noSound && !music->offForDump)
            tag.setAttribute("mute", "nosound");
    });
    forEach(document, "window", [this](Xml::XmlTag& tag) {
        tag.setAttribute("mode", fullscreen ? "fullscreen" : "windowed");
    });
    setOrInsert(document, front, "hud", "mini", hud && hud->visible ? "on" : "off");

    std::string written;
    document.write(written, "\t");
    if (!files.writeFile(Vx::File::fromString(CONFIGURATION, written)))
        throw Exception("[Marquel] Could not write 'marquel.xml'; the old file is kept");
}

} // namespace Marquel
