#pragma once
// A private copy of the generated run folder (bin/ beside data/) in which the real demo
// program runs as a user would start it, from bin/, under the X server the tests run in.

#include "common/TempDir.h"
#include "marquel/Script.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

namespace demo_test {

// What a run of the player left: its exit code (124 when it had to be killed) and its
// standard error.
struct PlayerResult {
    int code = -1;
    std::string errors;
};

class RunFolder {
public:
    // Copies the data and the program into root, which may be a mount point of its own.
    explicit RunFolder(const std::filesystem::path& root) : root(root) {
        namespace fs = std::filesystem;
        const fs::path run = RUN_DIR;
        fs::copy(run / "data", root / "data", fs::copy_options::recursive);
        fs::create_directories(root / "bin");
        fs::copy(run / "bin" / "demo", root / "bin" / "demo");
    }

    const std::filesystem::path& path() const { return root; }

    // The demo's own script, every section cut at end, so the player stops there by itself.
    void cutScript(float end) const {
        std::string text = testing_support::readFile(root / "data" / "demo.xml");
        Marquel::Script script;
        ASSERT_TRUE(script.load(text.data(), int(text.size())));
        for (auto& node : script.nodes)
            node->end = std::min(node->end, end);
        testing_support::writeFile(root / "data" / "demo.xml", script.save());
    }

    // Runs bin/demo; prefix goes before it in the shell (limits, traps). Standard error comes
    // through a pipe, so a file-size limit or a full disk does not touch it. A player still
    // running after 10 minutes is killed: only one that hangs takes that long, where a run
    // that takes a second here takes half a minute in a sanitized build on a busy machine.
    PlayerResult runPlayer(const std::string& prefix = "") const {
        const std::string command = prefix + "cd '" + (root / "bin").string() +
                                    "' && SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy "
                                    "timeout -k 5 600 ./demo 2>&1 >/dev/null";
        PlayerResult result;
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe)
            return result;
        char buffer[4096];
        size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            result.errors.append(buffer, got);
        const int status = pclose(pipe);
        result.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return result;
    }

private:
    std::filesystem::path root;
};

} // namespace demo_test
