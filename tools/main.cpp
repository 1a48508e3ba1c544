// Makes every data file of the demo into a run folder: OUT/marquel.xml and OUT/data/*; or
// tiles recorded frames, four to a row, into one picture (scripts/contact-sheet).
// Usage: make_content OUT
//        make_content --example OUT
//        make_content --contact-sheet SHEET.png FRAME.png...
//        make_content --plan RUN [FPS]
//        make_content --cut-script SECONDS RUN
// With --example, makes the data of examples/hello-demo into OUT: its picture and music, and
// the font and logo the player's panels need. --plan prints what the player makes of the run
// folder RUN, one "name=value" line each: script (one line a file), archive (likewise),
// music, start (the start mark), end (of the scripts) and, with FPS, frames (that a recording
// at FPS frames a second writes). --cut-script ends every top-level node of RUN's scripts at
// SECONDS at the latest.
#include "tools/ContactSheet.h"
#include "tools/DemoScript.h"
#include "tools/Example.h"
#include "tools/Files.h"
#include "tools/Music.h"
#include "tools/Pictures.h"
#include "tools/RunFolder.h"
#include "tools/Shaders.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

void printPlan(const fs::path& run, double fps) {
    const Content::RunFolder::Plan plan = Content::RunFolder::read(run);
    for (const std::string& script : plan.scripts)
        std::printf("script=%s\n", script.c_str());
    for (const std::string& archive : plan.archives)
        std::printf("archive=%s\n", archive.c_str());
    std::printf("music=%s\nstart=%.9g\nend=%.9g\n", plan.music.c_str(), plan.start, plan.end);
    if (fps > 0)
        std::printf("frames=%lld\n", Content::RunFolder::recordedFrames(plan, fps));
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    const bool example = mode == "--example";
    const bool sheet = mode == "--contact-sheet";
    const bool plan = mode == "--plan";
    const bool cut = mode == "--cut-script";
    if (sheet     ? argc < 4
        : plan    ? argc < 3 || argc > 4
        : cut     ? argc != 4
        : example ? argc != 3
                  : argc != 2) {
        std::fprintf(stderr,
                     "Usage: %s [--example] OUTPUT-FOLDER\n"
                     "       %s --contact-sheet SHEET.png FRAME.png...\n"
                     "       %s --plan RUN-FOLDER [FPS]\n"
                     "       %s --cut-script SECONDS RUN-FOLDER\n",
                     argv[0], argv[0], argv[0], argv[0]);
        return 2;
    }
    try {
        using namespace Content;
        if (plan) {
            printPlan(argv[2], argc == 4 ? std::atof(argv[3]) : 0);
            return 0;
        }
        if (cut) {
            RunFolder::cutScripts(argv[3], static_cast<float>(std::atof(argv[2])));
            return 0;
        }
        if (example) {
            const fs::path out = argv[2];
            fs::create_directories(out);
            save(out / Example::PICTURE_FILE, Example::picture().png());
            save(out / Example::MUSIC_FILE, Music::encodeVorbis(Example::music()));
            savePlayerData(out);
            return 0;
        }
        if (sheet) {
            save(argv[2], contactSheet(std::vector<std::string>(argv + 3, argv + argc), 4));
            return 0;
        }
        const fs::path out = argv[1];
        const fs::path data = out / "data";
        fs::create_directories(data);
        fs::create_directories(out / "bin");

        save(data / "mccool.png", Pictures::cool().png());
        save(data / "mcboner.png", Pictures::boner().png());
        save(data / "mcbonertwist.png", Pictures::bonerTwist().png());
        save(data / "mcscroller.png", Pictures::scroller().png());
        save(data / "mcstar.png", Pictures::star().png());
        save(data / "mcbrallor.png", Pictures::brallor().png());
        save(data / "mcuniverse.png", Pictures::universe().png());
        save(data / "font.png", Pictures::fontStrip().png());
        savePlayerData(data);
        save(data / Shaders::TUNNEL_FILE, Shaders::tunnel());
        save(data / Shaders::SPLIT_FILE, Shaders::split());
        save(data / DemoScript::MUSIC_FILE, Music::encodeVorbis(Music::render()));
        save(data / DemoScript::SCRIPT_FILE, DemoScript::script());
        save(out / "marquel.xml", DemoScript::configuration());
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_content: %s\n", e.what());
        return 1;
    }
}
