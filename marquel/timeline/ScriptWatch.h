#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

namespace Vx {
class FileSystem;
}

namespace Marquel {

// Tells when a file the script is read from (or another file it names) may have changed on
// disk. The folders that hold
// it, or would hold a copy found before it, are watched with inotify: an editor that saves
// by writing a new file and renaming it over the old one is seen too, and nothing is read
// while no file changes. A file that is a symbolic link is followed to its target, whose
// folder is watched as well. Files inside archives are not watched.
class ScriptWatch {
public:
    // Without inotify (out of instances or watches) nothing is ever reported, which is said
    // once on standard error and kept in trouble(); what names the files watched there.
    explicit ScriptWatch(const std::string& what = "the script files");
    ~ScriptWatch();
    ScriptWatch(const ScriptWatch&) = delete;
    ScriptWatch& operator=(const ScriptWatch&) = delete;

    // Watches every folder files would look for each name in, up to the one holding it, and
    // for one that does not exist the nearest above it; a save that made a new copy, or a
    // folder made or removed, moves the watch when called again.
    void follow(Vx::FileSystem& files, const std::vector<std::string>& names);
    // True when a file of one of the names was written, moved or removed since the last
    // call; never waits.
    bool changed();
    // Why changes are not followed, for the user to read while nothing else is wrong; empty
    // while they are.
    const std::string& trouble() const { return why; }

private:
    // Says once on standard error that what cannot be followed, and why.
    void cannotWatch(const std::string& what, int error);
    // Adds the folders the file at path is found through, and its name, to those watched.
    void watchPath(const std::string& path, std::set<std::string>& wanted);

    int fd = -1;
    std::string why;
    // Watch descriptor to folder.
    std::map<int, std::string> folders;
    // The file names (without folder) whose events count.
    std::set<std::string> fileNames;
};

} // namespace Marquel
