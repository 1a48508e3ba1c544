#pragma once

#include <memory>
#include <set>
#include <string>
#include <vector>

namespace Vx {
class FileSystem;
}

namespace Marquel {

class Script;
class ScriptWatch;

// What a step of the script files did, for the player to show.
enum class ScriptStep {
    // Nothing to show.
    STEP_NONE,
    // ScriptFiles::message() is news for the HUD.
    STEP_TOLD,
    // The script was loaded anew; ScriptFiles::message() is for the HUD.
    STEP_RELOADED,
};

// The files the script is read from, in load order: their names, each one's text as last
// read or written (which tells a change on disk from the player's own save), saving with
// Ctrl+S, reloading with Ctrl+R, and following the files on disk while the demo plays.
// Each file is written back with the top-level nodes it was read from; a node added since
// goes with the last file.
class ScriptFiles {
public:
    // Files are read and written through files, which must outlive this.
    explicit ScriptFiles(Vx::FileSystem& files);
    ~ScriptFiles();
    ScriptFiles(const ScriptFiles&) = delete;
    ScriptFiles& operator=(const ScriptFiles&) = delete;

    // Loads the file name into script after the files before it; throws with the reason.
    void load(Script& script, const std::string& name);
    const std::vector<std::string>& names() const { return fileNames; }

    // Watches the files on disk from now on; a change made before is looked at in the next
    // follow().
    void startFollowing();
    void stopFollowing();
    // Once a frame: loads a file that changed on disk into script, unless typing (a load
    // would take away the text being typed, with the node it belongs to) or the script
    // holds unsaved edits.
    ScriptStep follow(Script& script, bool typing);
    // Loads the files anew in place of script, dropping its edits; one that does not load
    // leaves the script as it is and says why.
    ScriptStep reload(Script& script);
    // Writes each file back with its own nodes. A failure is said on standard error and
    // keeps the edits for another try.
    void save(Script& script);

    // Follows the file name too (a shader the script names), from now on and whenever the
    // script files are followed, by the same rules; it is never loaded into the script.
    void followSource(const std::string& name);
    // Stops following the sources in names, which their reader no longer reads: a script
    // naming ever new files would otherwise be followed for all of them.
    void forgetSources(const std::set<std::string>& names);
    size_t sourcesFollowed() const { return sourceNames.size(); }
    // Counts up whenever a followed source may have changed on disk, and at each Ctrl+R:
    // a reader of sources reads them again only when the count moved.
    unsigned sourceChanges() const { return sourceCount; }

    // What the HUD should say of the files after a step that was not STEP_NONE.
    const std::string& message() const { return news; }

private:
    // Loads name into script as file number file and returns its text; throws.
    std::string read(Script& script, const std::string& name, int file);
    // The text Ctrl+S would write into file number file; throws Xml::XmlException.
    std::string text(const Script& script, int file) const;
    // The first file whose text on disk is not the one last read or written, or with
    // goneCounts is not found; -1 when there is none.
    int changedFile(bool goneCounts);
    // Why nothing is followed, or empty.
    std::string trouble() const;

    Vx::FileSystem& files;
    std::vector<std::string> fileNames;
    std::vector<std::string> diskTexts;
    std::unique_ptr<ScriptWatch> watch;
    std::vector<std::string> sourceNames;
    // The sources have a watch of their own: their changes are no news of the script's.
    std::unique_ptr<ScriptWatch> sourceWatch;
    unsigned sourceCount = 0;
    // A change seen and not yet looked at, which waits while a text is typed.
    bool touched = false;
    std::string news;
};

} // namespace Marquel
