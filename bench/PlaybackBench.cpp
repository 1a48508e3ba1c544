// Playback speed of the whole demo: every frame of the script drawn at 1280 x 720 at a fixed
// step of demo time (1/60 s), timed from the frame's start to the end of its presentation,
// reported per section (each colour of the clearing node) as median and 95th-percentile frame
// time. A second pass times each effect's render alone, finishing the GL work after each, to
// show where the time goes. Needs an X server: run under xvfb-run.
//
// playback_bench [data folder] [script file] [music file] [--inspector]
//
// Without a data folder that holds the script, the benchmark writes its own pictures and a
// four-section script into a temporary folder and plays that. With --inspector it times the
// inspector instead: the script played once with two inspectors shown and repainted every
// frame, in turns, one as it draws without music or tempo, one with the music's lane and the
// beat grid through its rows (the data folder needs the inspector's font and logo, as the
// player's run folder has them).

#include "demo/DemoEffects.h"
#include "marquel/display/GLDisplay.h"
#include "marquel/System.h"
#include "marquel/overlay/Inspector.h"
#include "vx/ImageObject.h"
#include "vx/PngCodec.h"

#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr float STEP = 1.0f / 60;

double millisecondsSince(Clock::time_point from) {
    return std::chrono::duration<double, std::milli>(Clock::now() - from).count();
}

// The value below which share of the sorted values lie.
double percentile(std::vector<double> values, double share) {
    std::sort(values.begin(), values.end());
    const size_t at = static_cast<size_t>(std::ceil(share * static_cast<double>(values.size())));
    return values[std::min(values.size() - 1, at > 0 ? at - 1 : 0)];
}

void writeFile(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

void writePicture(const std::filesystem::path& file, int width, int height,
                  const std::function<uint32_t(int, int)>& argb) {
    Vx::ImageObject image(width, height, nullptr, nullptr, file.filename().string());
    uint8_t* pixel = image.getWriteData();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x, pixel += 4) {
            const uint32_t c = argb(x, y);
            pixel[0] = c & 0xff;
            pixel[1] = (c >> 8) & 0xff;
            pixel[2] = (c >> 16) & 0xff;
            pixel[3] = c >> 24;
        }
    std::vector<uint8_t> encoded;
    Vx::PngCodec().encode(encoded, image);
    writeFile(file, std::string(encoded.begin(), encoded.end()));
}

// Four eight-second sections: stars, picture squares, the knot with flashes on the beat, and
// everything at once. Each is a clear node with the rest beside it at the top level: the
// second pass starts the clock again, which restarts only top-level nodes, and nested ones
// would be drawn with the state left over from the first pass.
std::string generatedScript() {
    const std::string beats =
        "<effect name=\"synch\" start=\"0\" end=\"8\">"
        "<trigger name=\"baseline\" start=\"0\" repeat=\"16\" delay=\"0.5\"></trigger></effect>";
    const std::string stars =
        "<effect name=\"star\" start=\"0\" end=\"8\">"
        "<trigger name=\"new\" start=\"0\" repeat=\"8\" delay=\"1\"></trigger>"
        "<spline name=\"alpha\" type=\"linear\"><key time=\"0\" value=\"0\"/>"
        "<key time=\"1\" value=\"10\"/></spline></effect>";
    std::string squares;
    const char* kels[] = {"kel back1", "kel back2", "kel back3", "kel back4", "kel cool"};
    const char* pictures[] = {"mcscroller.png", "mcbrallor.png", "mcboner.png", "mcbonertwist.png",
                              "mccool.png"};
    for (int i = 0; i < 5; ++i)
        squares += std::string("<effect name=\"") + kels[i] + "\" start=\"0\" end=\"8\">" +
                   "<trigger name=\"texture\" value=\"" + pictures[i] + "\"></trigger>" +
                   "<trigger name=\"speed\" value=\"6\"></trigger>" +
                   "<trigger name=\"angle\" value=\"15\"></trigger>" +
                   "<spline name=\"size\" type=\"smooth\"><key time=\"0\" value=\"" +
                   std::to_string(30 - 4 * i) + "\"/><key time=\"8\" value=\"" +
                   std::to_string(20 - 2 * i) + "\"/></spline>" +
                   "<spline name=\"alpha\" type=\"bezier\"><key time=\"0\" value=\"4\"/>" +
                   "<key time=\"8\" value=\"9\"/></spline></effect>";
    const std::string knot = "<effect name=\"tolvy\" start=\"0\" end=\"8\"></effect>"
                             "<effect name=\"torus\" start=\"0\" end=\"8\">"
                             "<trigger name=\"pq\" value=\"23\"></trigger>"
                             "<spline name=\"alpha\" type=\"square\"><key time=\"0\" value=\"10\"/>"
                             "</spline></effect>";
    // The nodes above are written for 0 to 8 s and moved to the section's span.
    auto section = [](int index, const std::string& colour, std::string inside) {
        const std::string span = " start=\"" + std::to_string(index * 8) + "\" end=\"" +
                                 std::to_string(index * 8 + 8) + "\"";
        const std::string first = " start=\"0\" end=\"8\"";
        for (size_t at = inside.find(first); at != std::string::npos;
             at = inside.find(first, at + span.size()))
            inside.replace(at, first.size(), span);
        return "<effect name=\"quessa\"" + span + "><trigger name=\"color\" value=\"" + colour +
               "\"></trigger></effect>" + inside;
    };
    return "<script>" + section(0, "000000032", stars) + section(1, "016016048", squares) +
           section(2, "000000000", beats + knot) +
           section(3, "032000016", beats + knot + squares + stars) + "</script>";
}

void writeGeneratedData(const std::filesystem::path& folder, const std::string& scriptName) {
    const char* pictures[] = {"mccool.png", "mcboner.png",   "mcbonertwist.png", "mcscroller.png",
                              "mcstar.png", "mcbrallor.png", "mcuniverse.png"};
    uint32_t seed = 1;
    for (const char* name : pictures) {
        seed = seed * 2654435761u;
        writePicture(folder / name, 256, 256, [seed](int x, int y) {
            const int dx = x - 128, dy = y - 128;
            const uint32_t alpha = dx * dx + dy * dy < 120 * 120 ? 0xff : 0x40;
            return (alpha << 24) | ((seed ^ uint32_t(x * 3 + y)) & 0xffffff);
        });
    }
    writePicture(folder / "font.png", 512, 8, [](int x, int) { return x % 5 ? 0xffffffffu : 0u; });
    writeFile(folder / scriptName, generatedScript());
}

// What a node's renders are counted under: the effect's name, and for a node that names a
// shader file, the file as well, since every shader node is one effect.
std::string renderLabel(const std::string& effect, const Marquel::EffectNode* node) {
    if (node)
        for (const auto& trigger : node->triggers)
            if (trigger->name == "shader")
                return effect + " " + trigger->value;
    return effect;
}

// Forwards every call to the effect it wraps, with the node that makes it, and times its
// render, GL work included.
class TimedEffect : public Marquel::Effect {
public:
    TimedEffect(const std::string& name, Marquel::Effect* inner) : name(name), inner(inner) {}

    void start() override { forward().start(); }
    void trigger(float time, const std::string& name, const std::string& value) override {
        forward().trigger(time, name, value);
    }
    void spline(float time, const std::string& name, float value) override {
        forward().spline(time, name, value);
    }
    void render(float time, float dt, float progress) override {
        Marquel::Effect& effect = forward();
        glFinish();
        const Clock::time_point began = Clock::now();
        effect.render(time, dt, progress);
        glFinish();
        renders[renderLabel(name, node)].push_back(millisecondsSince(began));
    }
    void frameDrawn() override { inner->frameDrawn(); }
    void load(Marquel::System* system) override { inner->init(display, system); }

    std::map<std::string, std::vector<double>> renders;

private:
    Marquel::Effect& forward() {
        inner->node = node;
        inner->dueTime = dueTime;
        return *inner;
    }

    std::string name;
    Marquel::Effect* inner;
};

struct Section {
    std::string label;
    float start;
    float end;
    std::vector<double> frames;
    std::vector<double> presents;
};

// Plays the script from 0 to its end; calls frameDone with each frame's time, its whole
// duration and the part of it spent presenting the finished picture. overlay, when given,
// draws over each frame's effects.
void playThrough(Marquel::System& system, Marquel::Display& display,
                 const std::function<void(float, double, double)>& frameDone,
                 const std::function<void(float)>& overlay = nullptr) {
    Marquel::Script& script = system.script;
    for (int frame = 0;; ++frame) {
        const float time = static_cast<float>(frame) * STEP;
        const Clock::time_point began = Clock::now();
        display.beginFrame();
        const bool going = script.update(time);
        if (overlay)
            overlay(time);
        glFinish();
        const Clock::time_point drawn = Clock::now();
        display.endFrame();
        glFinish();
        if (!going)
            break;
        frameDone(time, millisecondsSince(began), millisecondsSince(drawn));
    }
}

// An inspector shown over the demo, fed the clock and repainted every frame (the player
// repaints it once a chart column's time has passed, every frame at the closest zoom), and
// the milliseconds each repaint and upload took.
struct TimedInspector {
    TimedInspector(Marquel::System& system, const std::string& music) : panel(&system.files) {
        panel.attach(&system.script);
        panel.setMusic(music);
        panel.show();
        // The music is read and analysed from the first repaint on, which is not timed.
        panel.redraw();
        while (panel.readingMusic()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            panel.redraw();
        }
        panel.grid.proposed = false;
    }

    void draw(Marquel::Display& display, float time) {
        glFinish();
        const Clock::time_point began = Clock::now();
        Marquel::EventList clock;
        Marquel::Event info;
        info.type = Marquel::EVENT_INFO;
        info.infoTime = time;
        clock.append(info);
        panel.handleEvents(clock);
        repaints.push_back(millisecondsSince(began));
        display.drawInspector(panel);
        glFinish();
        times.push_back(millisecondsSince(began));
    }

    Marquel::Inspector panel;
    // The repaint on the canvas alone, and with the upload and the drawing in the window.
    std::vector<double> repaints;
    std::vector<double> times;
};

// The inspector as it draws without music or tempo, and with the music's lane and the grid
// through its rows, both over the same frames in turns, so that a busy machine slows both
// alike.
void reportInspector(Marquel::System& system, Marquel::Display& display, const std::string& music) {
    TimedInspector plain(system, "");
    TimedInspector lane(system, music);
    int frame = 0;
    playThrough(
        system, display, [](float, double, double) {},
        [&](float time) {
            TimedInspector& first = frame % 2 ? lane : plain;
            first.draw(display, time);
            (&first == &lane ? plain : lane).draw(display, time);
            ++frame;
        });
    std::printf("\nThe inspector at each frame, both drawn in turns:\n\n");
    std::printf("| inspector | frames | repaint median ms | with upload and drawing: median "
                "ms | 95th pct ms |\n|---|---:|---:|---:|---:|\n");
    for (const TimedInspector* shown : {&plain, &lane})
        std::printf("| %s | %zu | %.3f | %.3f | %.3f |\n",
                    shown == &plain ? "without music or tempo" : "music lane and beat grid",
                    shown->times.size(), percentile(shown->repaints, 0.5),
                    percentile(shown->times, 0.5), percentile(shown->times, 0.95));
    const double before = percentile(plain.times, 0.5);
    const double after = percentile(lane.times, 0.5);
    std::printf("\nLane and grid: %+.3f ms a frame, ratio %.3f; the repaint alone %+.3f ms\n",
                after - before, after / before,
                percentile(lane.repaints, 0.5) - percentile(plain.repaints, 0.5));
}

// The frame times by section, then each effect's render alone.
void reportPlayback(Marquel::System& system, Marquel::Display& display) {
    std::vector<Section> sections;
    // A section of the demo starts where the node that clears the screen starts or
    // changes its colour, and lasts until the next such change or the node's end.
    for (const auto& node : system.script.nodes) {
        if (node->name != "quessa")
            continue;
        std::vector<float> starts{node->start};
        for (const auto& trigger : node->triggers)
            if (trigger->name == "color" && trigger->start > 0)
                starts.push_back(node->start + trigger->start);
        std::sort(starts.begin(), starts.end());
        starts.push_back(node->end);
        for (size_t i = 0; i + 1 < starts.size(); ++i)
            if (starts[i] < starts[i + 1])
                sections.push_back({node->name, starts[i], starts[i + 1], {}, {}});
    }
    std::vector<double> all;
    playThrough(system, display, [&](float time, double ms, double present) {
        all.push_back(ms);
        for (Section& s : sections)
            if (s.start <= time && time < s.end) {
                s.frames.push_back(ms);
                s.presents.push_back(present);
            }
    });

    std::printf("\nWhole frames at 1280 x 720, %zu frames of %.2f s of script:\n\n", all.size(),
                system.script.endTime);
    std::printf("| section | span (s) | frames | median ms | 95th pct ms | median fps | "
                "present ms |\n");
    std::printf("|---|---|---:|---:|---:|---:|---:|\n");
    for (size_t i = 0; i < sections.size(); ++i) {
        const Section& s = sections[i];
        if (s.frames.empty())
            continue;
        const double median = percentile(s.frames, 0.5);
        std::printf("| %zu %s | %.2f-%.2f | %zu | %.2f | %.2f | %.0f | %.2f |\n", i,
                    s.label.c_str(), s.start, s.end, s.frames.size(), median,
                    percentile(s.frames, 0.95), 1000 / median, percentile(s.presents, 0.5));
    }
    const double median = percentile(all, 0.5);
    std::printf("| whole demo | | %zu | %.2f | %.2f | %.0f | |\n", all.size(), median,
                percentile(all, 0.95), 1000 / median);

    // Second pass: each effect's render alone.
    std::vector<std::unique_ptr<TimedEffect>> wrappers;
    for (auto& entry : system.script.effects) {
        wrappers.push_back(std::make_unique<TimedEffect>(entry.first, entry.second));
        entry.second = wrappers.back().get();
        entry.second->init(&display, &system);
    }
    playThrough(system, display, [](float, double, double) {});
    std::printf("\nOne effect's render, GL work finished before and after:\n\n");
    std::printf("| effect | renders | median ms | 95th pct ms |\n|---|---:|---:|---:|\n");
    std::map<std::string, std::vector<double>> renders;
    for (const auto& wrapper : wrappers)
        renders.insert(wrapper->renders.begin(), wrapper->renders.end());
    for (const auto& entry : renders)
        std::printf("| %s | %zu | %.2f | %.2f |\n", entry.first.c_str(), entry.second.size(),
                    percentile(entry.second, 0.5), percentile(entry.second, 0.95));
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    const auto flag = std::find(arguments.begin(), arguments.end(), "--inspector");
    const bool withInspector = flag != arguments.end();
    if (withInspector)
        arguments.erase(flag);
    std::string folder = arguments.size() > 0 ? arguments[0] : "";
    const std::string scriptName = arguments.size() > 1 ? arguments[1] : "demo.xml";
    const std::string musicName = arguments.size() > 2 ? arguments[2] : "demo.ogg";
    std::filesystem::path generated;
    if (folder.empty() || !std::filesystem::exists(std::filesystem::path(folder) / scriptName)) {
        std::string pattern = (std::filesystem::temp_directory_path() / "playback-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            return 1;
        generated = pattern;
        writeGeneratedData(generated, scriptName);
        folder = generated.string();
        std::printf("No script '%s' in the data folder: playing a generated one.\n",
                    scriptName.c_str());
    }
    setenv("SDL_VIDEODRIVER", "x11", 0);
    int status = 0;
    try {
        Marquel::System system;
        system.addSearchPath(folder + "/");
        // The shader nodes' spectrum reads the music, as in the player.
        if (std::filesystem::exists(std::filesystem::path(folder) / musicName))
            system.musicFile = musicName;
        Marquel::GLDisplay display;
        display.open("playback", 1280, 720, false);
        DemoEffects effects;
        effects.registerWith(system);
        Vx::File text = system.files.readFile(scriptName);
        if (text.isNull() || !system.script.load(text->getChars(), text->getSize()))
            throw std::runtime_error("cannot load the script " + scriptName);
        for (auto& entry : system.script.effects)
            entry.second->init(&display, &system);

        if (withInspector)
            reportInspector(system, display, musicName);
        else
            reportPlayback(system, display);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Error: %s\n", e.what());
        status = 1;
    }
    if (!generated.empty())
        std::filesystem::remove_all(generated);
    return status;
}
