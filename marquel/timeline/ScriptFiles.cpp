#include "marquel/timeline/ScriptFiles.h"

#include "marquel/Exception.h"
#include "marquel/Script.h"
#include "marquel/timeline/FileChecks.h"
#include "marquel/timeline/ScriptWatch.h"
#include "vx/FileSystem.h"
#include "xml/XmlException.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <utility>

namespace Marquel {

namespace {

// How the player's messages begin; a message quoted inside another goes without it.
constexpr const char* MESSAGE_PREFIX = "[Marquel] ";

// What stands at path in place of a file that can be read, as "a folder"; empty for a file
// or nothing.
std::string notAFile(const std::string& path) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (std::filesystem::is_directory(status))
        return "a folder";
    if (std::filesystem::is_fifo(status))
        return "a FIFO";
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
        return "not a regular file";
    return "";
}

// A save that is refused keeps the edits in memory for another try, and says why.
void refuseSave(const std::string& name, const char* why) {
    std::fprintf(stderr, "[Marquel] Could not save the script '%s'; the edits are kept: %s\n",
                 name.c_str(), why);
}

} // namespace

ScriptFiles::ScriptFiles(Vx::FileSystem& files) : files(files) {
}

ScriptFiles::~ScriptFiles() = default;

void ScriptFiles::load(Script& script, const std::string& name) {
    diskTexts.push_back(read(script, name, static_cast<int>(fileNames.size())));
    fileNames.push_back(name);
    script.edited = false;
}

std::string ScriptFiles::read(Script& script, const std::string& name, int file) {
    Vx::File text = files.readFile(name);
    if (text.isNull()) {
        for (const std::string& path : files.lookupPaths(name)) {
            const std::string what = notAFile(path);
            if (!what.empty()) {
                throw Exception("[Marquel] Could not read the scriptfile '%s': '%s' is %s",
                                name.c_str(), path.c_str(), what.c_str());
            }
        }
        throw Exception("[Marquel] Could not find the scriptfile '%s'", name.c_str());
    }
    const size_t before = script.nodes.size();
    // A script read only in part would play wrongly, and Ctrl+S would then write that
    // part over the whole file.
    if (!parseNamed(name, [&] { return script.load(text->getChars(), text->getSize()); })) {
        throw Exception("[Marquel] The scriptfile '%s' is not a script: %s", name.c_str(),
                        script.loadFault().c_str());
    }
    for (size_t i = before; i < script.nodes.size(); ++i)
        script.nodes[i]->file = file;
    return text->getText();
}

std::string ScriptFiles::text(const Script& script, int file) const {
    const bool last = file + 1 == static_cast<int>(fileNames.size());
    return script.save([file, last](const EffectNode& node) {
        return node.file == file || (last && node.file < 0);
    });
}

void ScriptFiles::startFollowing() {
    watch = std::make_unique<ScriptWatch>();
    watch->follow(files, fileNames);
    touched = true;
    sourceWatch = std::make_unique<ScriptWatch>("the shader files");
    sourceWatch->follow(files, sourceNames);
    ++sourceCount;
}

void ScriptFiles::stopFollowing() {
    watch.reset();
    sourceWatch.reset();
}

void ScriptFiles::followSource(const std::string& name) {
    if (std::find(sourceNames.begin(), sourceNames.end(), name) != sourceNames.end())
        return;
    sourceNames.push_back(name);
    if (sourceWatch)
        sourceWatch->follow(files, sourceNames);
}

void ScriptFiles::forgetSources(const std::set<std::string>& names) {
    const auto gone = std::remove_if(sourceNames.begin(), sourceNames.end(),
                                     [&](const std::string& name) { return names.count(name); });
    if (gone == sourceNames.end())
        return;
    sourceNames.erase(gone, sourceNames.end());
    if (sourceWatch)
        sourceWatch->follow(files, sourceNames);
}

std::string ScriptFiles::trouble() const {
    return watch ? watch->trouble() : "";
}

void ScriptFiles::save(Script& script) {
    // A failed save must not end the demo: the edits live on in memory for another try.
    // Every text is made before any file is written, so a refused save changes no file.
    // Nor may it write over a text an editor saved and the player did not load. The disk
    // itself is asked: the watch may not have told of that save yet (it waits while a text
    // is typed), or not run at all (during a dump). A file gone from disk holds nothing to
    // keep: the edits are all there is.
    const int changed = changedFile(false);
    if (changed >= 0) {
        refuseSave(fileNames[static_cast<size_t>(changed)],
                   "it changed on disk since it was loaded (Ctrl+R loads it and drops the edits)");
        return;
    }
    std::vector<std::string> texts;
    for (size_t i = 0; i < fileNames.size(); ++i) {
        // Reading through such a name is harmless; a keypress writing through it is not.
        if (leavesFolder(fileNames[i])) {
            refuseSave(fileNames[i], LEAVES_FOLDER);
            return;
        }
        try {
            texts.push_back(text(script, static_cast<int>(i)));
        } catch (const Xml::XmlException& e) {
            refuseSave(fileNames[i], e.what());
            return;
        }
    }
    bool allWritten = true;
    for (size_t i = 0; i < fileNames.size(); ++i) {
        if (!files.writeFile(Vx::File::fromString(fileNames[i], texts[i]))) {
            std::fprintf(stderr, "[Marquel] Could not write the script '%s'; the edits are kept\n",
                         fileNames[i].c_str());
            allWritten = false;
            continue;
        }
        diskTexts[i] = texts[i];
    }
    if (allWritten)
        script.edited = false;
    // The copy written may be a new one, found before the one read so far.
    if (watch)
        watch->follow(files, fileNames);
}

int ScriptFiles::changedFile(bool goneCounts) {
    for (size_t i = 0; i < fileNames.size(); ++i) {
        const Vx::File text = files.readFile(fileNames[i]);
        if (text.isNull() ? goneCounts : text->getText() != diskTexts[i])
            return static_cast<int>(i);
    }
    return -1;
}

ScriptStep ScriptFiles::follow(Script& script, bool typing) {
    if (!watch)
        return ScriptStep::STEP_NONE;
    // A source saved anew may be a new copy, found before the one read so far.
    if (sourceWatch->changed()) {
        sourceWatch->follow(files, sourceNames);
        ++sourceCount;
    }
    if (watch->changed())
        touched = true;
    if (!touched || typing)
        return ScriptStep::STEP_NONE;
    touched = false;
    watch->follow(files, fileNames);
    const int changed = changedFile(true);
    if (changed < 0) {
        // Back to what plays: nothing waits and nothing is broken any more.
        news = trouble();
        return ScriptStep::STEP_TOLD;
    }
    if (!script.edited)
        return reload(script);
    const std::string& name = fileNames[static_cast<size_t>(changed)];
    std::fprintf(stderr,
                 "[Marquel] The script '%s' changed on disk; it is not loaded over the "
                 "inspector's unsaved edits (Ctrl+R loads it and drops them)\n",
                 name.c_str());
    news = "'" + name + "' changed on disk: Ctrl+R loads it";
    return ScriptStep::STEP_TOLD;
}

ScriptStep ScriptFiles::reload(Script& script) {
    ++sourceCount;
    Script fresh;
    fresh.effects = script.effects;
    std::vector<std::string> texts;
    try {
        for (size_t i = 0; i < fileNames.size(); ++i)
            texts.push_back(read(fresh, fileNames[i], static_cast<int>(i)));
    } catch (const std::exception& e) {
        std::string why = e.what();
        if (why.rfind(MESSAGE_PREFIX, 0) == 0)
            why.erase(0, std::char_traits<char>::length(MESSAGE_PREFIX));
        std::fprintf(stderr, "[Marquel] The script was not reloaded; the old one plays on: %s\n",
                     why.c_str());
        news = "Not reloaded: " + why;
        return ScriptStep::STEP_TOLD;
    }
    // The effects' next step is the frame's own, not one from time 0.
    fresh.currentTime = script.currentTime;
    script = std::move(fresh);
    diskTexts = std::move(texts);
    news = trouble();
    return ScriptStep::STEP_RELOADED;
}

} // namespace Marquel
