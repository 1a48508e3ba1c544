#include "tools/RunFolder.h"

#include "marquel/Script.h"
#include "marquel/capture/Capture.h"
#include "vx/FileSystem.h"
#include "xml/XmlIterator.h"
#include "xml/XmlParser.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <stdexcept>

namespace Content::RunFolder {

namespace {

namespace fs = std::filesystem;

// The demo's search paths, as its main adds them, seen from the folder it runs in.
std::unique_ptr<Vx::FileSystem> searchPaths(const fs::path& run) {
    auto files = std::make_unique<Vx::FileSystem>();
    files->addPath((run / "bin" / "..").string() + "/");
    files->addPath((run / "bin" / ".." / "data").string() + "/");
    return files;
}

std::string text(Vx::FileSystem& files, const std::string& name) {
    Vx::File file = files.readFile(name);
    if (file.isNull())
        throw std::runtime_error("could not find '" + name + "'");
    return file->getText();
}

// Archive names are relative to the folder the player runs in.
void addArchives(Vx::FileSystem& files, const fs::path& run, const Plan& plan) {
    for (const std::string& archive : plan.archives)
        files.addPath(fs::path(archive).is_absolute() ? archive : (run / "bin" / archive).string());
}

Plan readConfiguration(Vx::FileSystem& files) {
    const std::string config = text(files, "marquel.xml");
    Xml::XmlParser document;
    document.parse(config.data(), static_cast<int>(config.size()));
    Plan plan;
    if (document.getName() != "demo")
        throw std::runtime_error("the root element of 'marquel.xml' is not 'demo'");
    for (Xml::Iterator it = document.getChildren(); ++it;) {
        const std::string& kind = it->getName();
        if (kind == "time")
            plan.start = static_cast<float>(std::atof(it->getAttribute("start").c_str()));
        else if (kind == "music")
            plan.music = it->getAttribute("file");
        else if (kind == "script")
            plan.scripts.push_back(it->getAttribute("file"));
        else if (kind == "archive")
            plan.archives.push_back(it->getAttribute("file"));
    }
    return plan;
}

// The player's own reading of one script; throws what it refuses.
void load(Marquel::Script& script, const std::string& name, const std::string& bytes) {
    if (!script.load(bytes.data(), static_cast<int>(bytes.size())))
        throw std::runtime_error("the script '" + name + "' does not load: " + script.loadFault());
}

} // namespace

Plan read(const fs::path& run) {
    auto files = searchPaths(run);
    Plan plan = readConfiguration(*files);
    addArchives(*files, run, plan);
    Marquel::Script script;
    for (const std::string& name : plan.scripts)
        load(script, name, text(*files, name));
    plan.end = script.endTime;
    return plan;
}

long long recordedFrames(const Plan& plan, double fps) {
    // The player's own count, so the two never differ by a rounding.
    return Marquel::dumpStepsBefore(plan.start, 0, 1.0 / fps, plan.end);
}

void cutScripts(const fs::path& run, float seconds) {
    auto files = searchPaths(run);
    for (const std::string& name : readConfiguration(*files).scripts) {
        Marquel::Script script;
        load(script, name, text(*files, name));
        for (auto& node : script.nodes)
            node->end = std::min(node->end, seconds);
        const std::string cut = script.save();
        std::ofstream(files->lookupPaths(name).back(), std::ios::binary | std::ios::trunc) << cut;
    }
}

} // namespace Content::RunFolder
