#pragma once
// What the player makes of a run folder (its marquel.xml and the scripts that names, found
// as the player finds them), for the scripts that record, check or measure the demo.

#include <filesystem>
#include <string>
#include <vector>

namespace Content::RunFolder {

struct Plan {
    std::vector<std::string> scripts; // as marquel.xml names them
    std::vector<std::string> archives;
    std::string music;
    float start = 0; // the start mark
    float end = 0;   // where the last top-level node of the scripts ends
};

// Reads marquel.xml and its scripts through the player's search paths, from run/bin: "../",
// "../data/" and the configured archives. Throws std::runtime_error naming what it misses.
Plan read(const std::filesystem::path& run);

// The frames a recording from the start mark to the end at fps frames a second writes:
// frame k shows start + (k + 1) / fps, and only frames before the end are written.
long long recordedFrames(const Plan& plan, double fps);

// Writes each script back where the player found it, with no top-level node ending after
// seconds, so that the demo stops there.
void cutScripts(const std::filesystem::path& run, float seconds);

} // namespace Content::RunFolder
