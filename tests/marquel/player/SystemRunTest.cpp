// The player running: loading, the keys of the main loop, the clock, the music.

#include "SystemFixture.h"
#include "common/MusicFiles.h"
#include "common/WindowFixture.h"
#include "marquel/Exception.h"
#include "marquel/overlay/Hud.h"
#include "marquel/overlay/Inspector.h"
#include "vorlik/TextureManager.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <cstdio>

using system_test::pressKey;
using system_test::ScriptedEffect;
using system_test::SystemFixture;

namespace {

// Says which loading steps it was shown, one line each.
class LoaderEffect : public Marquel::Effect {
public:
    void trigger(float, const std::string& name, const std::string& value) override {
        calls.push_back(name + " " + value);
    }
    void render(float, float dt, float progress) override {
        char text[64];
        std::snprintf(text, sizeof text, "render %g %g", dt, progress);
        calls.push_back(text);
    }
    void load(Marquel::System*) override { calls.push_back("load"); }

    std::vector<std::string> calls;
};

class SystemRunTest : public SystemFixture {
protected:
    // A demo of the "keys" effect lasting end seconds, in a small OpenGL window.
    Marquel::System& startDemo(float end, const std::string& extra = "") {
        writeScript(end);
        write("marquel.xml", R"(<demo><window width="64" height="48" type="opengl"/>
<script file="demo.xml"/>)" + extra +
                                 "</demo>");
        Marquel::System& s = start();
        s.addEffect("keys", &keys);
        return s;
    }

    // The script file "demo.xml" followed while shown plays it as "keys" or "edited".
    Marquel::System& startFollowing(Marquel::Effect& shown) {
        write("marquel.xml", R"(<demo><window width="64" height="48" type="opengl"/>
<script file="demo.xml"/><music mute="nosound"/></demo>)");
        Marquel::System& s = start();
        s.addEffect("keys", &shown);
        s.addEffect("edited", &shown);
        return s;
    }

    ScriptedEffect keys;
};

} // namespace

TEST_F(SystemRunTest, LoaderSeesEveryStepBeforeItsEffectIsDone) {
    write("data/demo.xml", R"(<script><effect name="b" end="1"/><effect name="c" end="1"/>
<effect name="keys" end="0.1"/></script>)");
    write("marquel.xml", R"(<demo><window width="64" height="48"/><script file="demo.xml"/>
<music mute="nosound"/></demo>)");
    Marquel::System& s = start();
    ScriptedEffect b, c;
    s.addEffect("keys", &keys);
    s.addEffect("c", &c);
    s.addEffect("b", &b);
    LoaderEffect loader;
    s.loader = &loader;
    s.run();
    EXPECT_EQ(loader.calls, (std::vector<std::string>{
                                "load", "max 3", "percent 0.000000", "index 0", "render 0 0",
                                "percent 0.333333", "index 1", "render 0 0.333333",
                                "percent 0.666667", "index 2", "render 0 0.666667"}));
    EXPECT_EQ(b.loads + c.loads + keys.loads, 3);
    EXPECT_FALSE(keys.times.empty());
    EXPECT_GT(keys.times.back(), 0.0f) << "the demo ran to its end";
}

TEST_F(SystemRunTest, EscapeWhileLoadingAbortsBeforeTheNextEffectLoads) {
    Marquel::System& s = startDemo(1, R"(<music mute="nosound"/><time start="0.25"/>)");
    ScriptedEffect other;
    s.addEffect("other", &other);
    pressKey(SDLK_ESCAPE);
    try {
        s.run();
        ADD_FAILURE() << "ran after Escape";
    } catch (const Marquel::Exception& e) {
        EXPECT_STREQ(e.what(), "User aborted!");
    }
    EXPECT_EQ(keys.loads + other.loads, 0);
    s.startTime = 0.75f;
    finish();
    EXPECT_NE(read("marquel.xml").find("<time start=\"0.75\"/>"), std::string::npos)
        << "an aborted run still saves: " << read("marquel.xml");
}

TEST_F(SystemRunTest, StartMarkKeysMoveTheMarkAndJumpToIt) {
    Marquel::System& s = startDemo(30, R"(<music mute="nosound"/><time start="12.5"/>)");
    float marked = -1;
    keys.plan[1] = [] { pressKey(SDLK_p, KMOD_LCTRL); };
    keys.plan[2] = [&] { marked = s.startTime; };
    keys.plan[3] = [&] { s.seek(20); };
    keys.plan[4] = [] { pressKey(SDLK_p); };
    keys.plan[6] = [] { pressKey(SDLK_p, KMOD_RALT); };
    keys.plan[8] = [] { pressKey(SDLK_ESCAPE); };
    s.run();
    ASSERT_EQ(keys.times.size(), 10u) << "Escape ends the loop after its frame";
    EXPECT_NEAR(keys.times[0], 12.5f, 0.1f) << "playing starts at the mark";
    EXPECT_NEAR(marked, keys.times[1], 0.1f) << "Ctrl+P marks the time it was pressed";
    EXPECT_GE(keys.times[4], 20.0f);
    EXPECT_NEAR(keys.times[5], marked, 0.1f) << "P jumps back to the mark";
    EXPECT_NEAR(keys.times[7], 0, 0.1f) << "Alt+P jumps to 0";
    EXPECT_FLOAT_EQ(s.startTime, 0);
    s.startTime = 30.2f; // as Ctrl+P at 30.2 would
    finish();
    EXPECT_NE(read("marquel.xml").find("<time start=\"30.20\"/>"), std::string::npos);
}

TEST_F(SystemRunTest, PageKeysStepHalfASecondAtTheFirstZoomAndClampAtZero) {
    Marquel::System& s = startDemo(30, R"(<music mute="nosound"/><time start="0.3"/>)");
    const float step = 0.5f;
    keys.plan[1] = [] { pressKey(SDLK_PAGEDOWN); };
    keys.plan[3] = [] { pressKey(SDLK_PAGEUP, KMOD_LCTRL | KMOD_LSHIFT); };
    keys.plan[5] = [] {
        pressKey(SDLK_PAGEDOWN, KMOD_RSHIFT);
        pressKey(SDLK_ESCAPE);
    };
    s.run();
    ASSERT_EQ(keys.times.size(), 7u);
    // How far the keys moved the clock between two frames, less the wall-clock time that
    // passed: a busy machine may take any time over a frame. The ticks are read at the
    // render, a moment after the clock, hence the small tolerance.
    auto moved = [&](int from, int to) {
        return keys.times[to] - keys.times[from] - (keys.ticks[to] - keys.ticks[from]) * 0.001f;
    };
    EXPECT_GE(keys.times[2], 0.0f) << "0.3 - 0.5 clamps at 0";
    EXPECT_LE(keys.times[2], (keys.ticks[2] - keys.ticks[1]) * 0.001f + 0.002f)
        << "0.3 - 0.5 clamps at 0";
    EXPECT_NEAR(moved(3, 5), 3 * step, 0.02f) << "Ctrl and Shift each add a step";
    EXPECT_NEAR(moved(5, 6), -2 * step, 0.02f);
}

TEST_F(SystemRunTest, PauseFreezesTheClockAndSeekingWhilePausedMovesWhereItResumes) {
    Marquel::System& s = startDemo(30, R"(<music mute="nosound"/>)");
    keys.plan[1] = [] { pressKey(SDLK_SPACE); };
    for (int frame = 2; frame < 6; ++frame)
        keys.plan[frame] = [] { SDL_Delay(30); };
    keys.plan[6] = [] { pressKey(SDLK_PAGEUP); };
    keys.plan[8] = [] { pressKey(SDLK_SPACE); };
    keys.plan[9] = [] { SDL_Delay(100); };
    keys.plan[10] = [] { pressKey(SDLK_ESCAPE); };
    s.run();
    ASSERT_EQ(keys.times.size(), 12u);
    for (int frame = 3; frame < 7; ++frame)
        EXPECT_EQ(keys.times[frame], keys.times[2]) << "paused at frame " << frame;
    EXPECT_FLOAT_EQ(keys.times[7], keys.times[2] + 0.5f);
    // The pause ended between frames 8 and 9: only that stretch of wall-clock time shows.
    EXPECT_GE(keys.times[9], keys.times[7] - 0.002f) << "resumes where the pause left it";
    EXPECT_LE(keys.times[9], keys.times[7] + (keys.ticks[9] - keys.ticks[8]) * 0.001f + 0.002f)
        << "resumes where the pause left it";
    EXPECT_NEAR(keys.times[10] - keys.times[9], (keys.ticks[10] - keys.ticks[9]) * 0.001f, 0.02f)
        << "and runs on after the resume";
}

TEST_F(SystemRunTest, WithoutSoundTheClockRunsOnTheMillisecondTicks) {
    Marquel::System& s = startDemo(0.6f, R"(<music file="none.ogg" mute="nosound"/>)");
    s.run();
    EXPECT_EQ(s.fmodSystem, nullptr) << "nothing of the music library is made";
    ASSERT_GT(keys.times.size(), 2u);
    // The first frame comes right after the start; how soon depends on the machine's load.
    EXPECT_GE(keys.times.front(), 0.0f);
    EXPECT_LT(keys.times.front(), 0.3f);
    // Every frame's time is its tick count less one fixed offset (a frame reads the ticks a
    // moment before its effects render, hence the small tolerance).
    float offset = keys.ticks.front() * 0.001f - keys.times.front();
    for (size_t i = 0; i < keys.times.size(); ++i)
        EXPECT_NEAR(keys.ticks[i] * 0.001f - keys.times[i], offset, 0.02f) << i;
    EXPECT_LE(keys.times.back(), 0.6f) << "update returned false after the end";
}

TEST_F(SystemRunTest, VideoDumpAdvancesOneFixedStepPerFrame) {
    Marquel::System& s = startDemo(0.21f, R"(<music mute="nosound"/><time start="0.05"/>
<videodump name="f.png" fps="30" fpsbase="1" frameskip="2"/>)");
    keys.plan[0] = [] { pressKey(SDLK_s); }; // no screenshot while dumping
    s.run();
    ASSERT_EQ(keys.times.size(), 9u) << "0.05 + k/60 up to 0.21";
    for (size_t k = 0; k < keys.times.size(); ++k)
        EXPECT_FLOAT_EQ(keys.times[k], static_cast<float>(0.05f + (k + 1) / 60.0)) << k;
}

// Frame k of a recording shows the start plus k steps however long it runs: the steps must
// not add up the rounding of the clock, or the pictures drift away from the music.
TEST_F(SystemRunTest, LongVideoDumpStaysOnItsFrameGrid) {
    Marquel::System& s = startDemo(102, R"(<music mute="nosound"/><time start="100"/>
<videodump name="f.png" fps="60" fpsbase="1" frameskip="10"/>)");
    s.run();
    ASSERT_GE(keys.times.size(), 1199u);
    double worst = 0;
    size_t worstFrame = 0;
    for (size_t k = 0; k < keys.times.size(); ++k) {
        double off = std::fabs(keys.times[k] - (100 + (k + 1) / 600.0));
        if (off > worst) {
            worst = off;
            worstFrame = k;
        }
    }
    // A float near 100 is exact to 4 microseconds.
    EXPECT_LT(worst, 1e-5) << "at rendered frame " << worstFrame;
}

TEST_F(SystemRunTest, PausingAndSeekingWhileDumpingMoveTheFrameClockNotTheWallClock) {
    Marquel::System& s = startDemo(30, R"(<music mute="nosound"/><time start="2"/>
<videodump name="f.png" fps="10" fpsbase="1" frameskip="1"/>)");
    float mark = -1;
    keys.plan[1] = [] { pressKey(SDLK_SPACE); };
    keys.plan[3] = [] { SDL_Delay(150); }; // wall-clock time passing must not show
    keys.plan[4] = [] { pressKey(SDLK_PAGEUP); };
    keys.plan[6] = [] { pressKey(SDLK_SPACE); };
    keys.plan[8] = [] { pressKey(SDLK_p, KMOD_LCTRL); };
    keys.plan[9] = [&] {
        mark = s.startTime;
        pressKey(SDLK_PAGEDOWN);
    };
    keys.plan[11] = [] { pressKey(SDLK_ESCAPE); };
    s.run();
    ASSERT_EQ(keys.times.size(), 13u);
    const float step = 0.5f;
    EXPECT_FLOAT_EQ(keys.times[0], 2.1f);
    EXPECT_FLOAT_EQ(keys.times[1], 2.2f);
    for (int frame = 2; frame < 5; ++frame)
        EXPECT_FLOAT_EQ(keys.times[frame], 2.2f) << "paused at frame " << frame;
    EXPECT_FLOAT_EQ(keys.times[5], 2.2f + step);
    EXPECT_FLOAT_EQ(keys.times[7], 2.2f + step + 0.1f) << "resumes one frame step on";
    EXPECT_FLOAT_EQ(keys.times[8], 2.2f + step + 0.2f);
    EXPECT_FLOAT_EQ(mark, keys.times[8]) << "Ctrl+P marks the frame shown";
    EXPECT_NEAR(keys.times[10], keys.times[9] - step + 0.1f, 1e-5f);
}

TEST_F(SystemRunTest, PanelKeysShowAndHideAndTheInspectorHoldsEscape) {
    Marquel::System& s = startDemo(30, R"(<music mute="nosound"/>)");
    keys.plan[1] = [] {
        pressKey(SDLK_TAB);
        pressKey(SDLK_f);
    };
    keys.plan[3] = [] { pressKey(SDLK_ESCAPE); }; // the inspector is up: ignored
    keys.plan[5] = [&] {
        EXPECT_TRUE(s.inspector->visible);
        EXPECT_TRUE(s.hud->visible);
        pressKey(SDLK_TAB);
        pressKey(SDLK_ESCAPE);
    };
    s.run();
    EXPECT_EQ(keys.times.size(), 7u);
    EXPECT_FALSE(s.inspector->visible);
    finish();
    EXPECT_NE(read("marquel.xml").find("<hud mini=\"on\"/>"), std::string::npos);
}

TEST_F(SystemRunTest, TypingIntoTheInspectorTakesEveryKey) {
    Marquel::System& s = startDemo(30, R"(<music mute="nosound"/>)");
    std::string typed;
    keys.plan[1] = [&] {
        s.inspector->textTarget = &typed;
        pressKey(SDLK_SPACE);
        pressKey(SDLK_f);
        pressKey(SDLK_ESCAPE); // still ends the demo: typing is not the inspector showing
    };
    s.run();
    EXPECT_FALSE(s.paused);
    EXPECT_FALSE(s.hud->visible);
    EXPECT_EQ(keys.times.size(), 3u);
}

TEST_F(SystemRunTest, KeysAfterCtrlNAreOnlyTextAndKeysAfterTheReturnActAgain) {
    // The selected first node is not the one that renders, so renaming it stops no frame.
    write("data/demo.xml", R"(<script><effect name="idle" end="30"/>
<effect name="keys" end="30"/></script>)");
    write("marquel.xml", R"(<demo><window width="64" height="48" type="opengl"/>
<script file="demo.xml"/><music mute="nosound"/></demo>)");
    Marquel::System& s = start();
    s.addEffect("keys", &keys);
    keys.plan[1] = [] { pressKey(SDLK_TAB); };
    keys.plan[3] = [] {
        pressKey(SDLK_n, KMOD_LCTRL);
        pressKey(SDLK_s); // typed in the same frame: no screenshot
    };
    keys.plan[5] = [] {
        pressKey(SDLK_RETURN);
        pressKey(SDLK_SPACE); // after the Return in its frame: pauses
    };
    keys.plan[7] = [] {
        pressKey(SDLK_TAB);
        pressKey(SDLK_ESCAPE);
    };
    s.run();
    EXPECT_EQ(s.script.nodes[0]->name, "idles");
    EXPECT_EQ(s.inspector->textTarget, nullptr);
    EXPECT_TRUE(s.paused);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "bin/screenshots/screenshot.png"));
}

TEST_F(SystemRunTest, InspectorEditsSavedWithCtrlSAreWhatTheNextStartLoads) {
    Marquel::System& s = startDemo(30, R"(<music mute="nosound"/>)");
    keys.plan[1] = [] { pressKey(SDLK_TAB); };
    keys.plan[3] = [] {
        // Edit mode on the node's end handle: one step later, then a new trigger.
        pressKey(SDLK_RETURN);
        pressKey(SDLK_RIGHT);
        pressKey(SDLK_RIGHT);
        pressKey(SDLK_RIGHT, KMOD_LCTRL);
        pressKey(SDLK_RETURN);
        pressKey(SDLK_F3, KMOD_LCTRL);
    };
    keys.plan[5] = [] { pressKey(SDLK_s, KMOD_LCTRL); };
    keys.plan[7] = [] {
        pressKey(SDLK_TAB);
        pressKey(SDLK_ESCAPE);
    };
    s.run();
    ASSERT_EQ(keys.times.size(), 9u);
    const float end = 30 + 40.0f / 398;
    EXPECT_FLOAT_EQ(s.script.nodes[0]->end, end);
    finish();

    Marquel::System& restarted = start();
    ASSERT_EQ(restarted.script.nodes.size(), 1u);
    const Marquel::EffectNode& node = *restarted.script.nodes[0];
    EXPECT_FLOAT_EQ(node.start, 0);
    EXPECT_FLOAT_EQ(node.end, end);
    ASSERT_EQ(node.triggers.size(), 1u);
    EXPECT_EQ(node.triggers[0]->name, "new");
    EXPECT_FLOAT_EQ(restarted.script.endTime, end);
    EXPECT_EQ(restarted.inspector->script, &restarted.script);
    EXPECT_NE(read("data/demo.xml").find("end=\"30.000000\""), std::string::npos)
        << "the original is untouched";
}

TEST_F(SystemRunTest, CtrlSSavesTheScriptIntoTheFirstPathAndAFailedSaveKeepsRunning) {
    Marquel::System& s = startDemo(30, R"(<music mute="nosound"/>)");
    keys.plan[1] = [&] {
        s.script.nodes[0]->name = "keys edited";
        pressKey(SDLK_s, KMOD_LCTRL);
    };
    keys.plan[3] = [&] {
        // A folder where the file would go: the write fails.
        std::filesystem::remove(dir.path() / "demo.xml");
        std::filesystem::create_directories(dir.path() / "demo.xml");
        testing::internal::CaptureStderr();
        pressKey(SDLK_s, KMOD_LCTRL);
    };
    std::string failedWrite, failedSave;
    keys.plan[5] = [&] {
        failedWrite = testing::internal::GetCapturedStderr();
        s.script.nodes[0]->name = "two\nlines";
        testing::internal::CaptureStderr();
        pressKey(SDLK_s, KMOD_LCTRL);
    };
    keys.plan[7] = [&] {
        failedSave = testing::internal::GetCapturedStderr();
        pressKey(SDLK_ESCAPE);
    };
    // The node looks its effect up by name every frame: keep it running under each name.
    s.addEffect("keys edited", &keys);
    s.addEffect("two\nlines", &keys);
    s.run();
    EXPECT_EQ(keys.times.size(), 9u) << "no failed save ends the demo";
    EXPECT_EQ(failedWrite, "[Marquel] Could not write the script 'demo.xml'; the edits are kept\n");
    EXPECT_EQ(failedSave.rfind("[Marquel] Could not save the script 'demo.xml'; the edits are "
                               "kept: ",
                               0),
              0u)
        << failedSave;
    EXPECT_EQ(s.script.nodes[0]->name, "two\nlines");
    EXPECT_NE(read("data/demo.xml").find("\"keys\""), std::string::npos) << "data/ is untouched";
}

TEST_F(SystemRunTest, CtrlSWritesTheScriptFoundInDataIntoTheFirstPath) {
    Marquel::System& s = startDemo(30, R"(<music mute="nosound"/>)");
    keys.plan[1] = [&] {
        s.script.nodes[0]->name = "renamed";
        pressKey(SDLK_s, KMOD_RCTRL);
        pressKey(SDLK_ESCAPE);
    };
    s.addEffect("renamed", &keys);
    s.run();
    EXPECT_NE(read("demo.xml").find("name=\"renamed\""), std::string::npos) << read("demo.xml");
    EXPECT_NE(read("data/demo.xml").find("name=\"keys\""), std::string::npos);
}

namespace {

// Clears each frame to the colour its "colour" trigger last gave ("r g b", 0 to 1), and
// notes the frame's first pixel as OpenGL reads it back (0xRRGGBB).
class ColourEffect : public ScriptedEffect {
public:
    void trigger(float, const std::string&, const std::string& value) override {
        std::sscanf(value.c_str(), "%f %f %f", &colour[0], &colour[1], &colour[2]);
    }
    void render(float time, float dt, float progress) override {
        glClearColor(colour[0], colour[1], colour[2], 1);
        glClear(GL_COLOR_BUFFER_BIT);
        uint8_t pixel[4] = {};
        glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
        shown.push_back(uint32_t(pixel[0]) << 16 | uint32_t(pixel[1]) << 8 | pixel[2]);
        ScriptedEffect::render(time, dt, progress);
    }
    float colour[3] = {};
    std::vector<uint32_t> shown;
};

std::string colourScript(const std::string& colour, int end = 30) {
    return R"(<script><effect name="keys" end=")" + std::to_string(end) +
           R"("><trigger name="colour" value=")" + colour + R"("/></effect></script>)";
}

} // namespace

TEST_F(SystemRunTest, ScriptFollowsItsFileOnDiskWhilePlaying) {
    write("data/demo.xml", colourScript("1 0 0"));
    ColourEffect shown;
    Marquel::System& s = startFollowing(shown);
    s.addEffect("keys|", &shown); // the name while it is typed, with its cursor
    std::string brokenLine;
    shown.plan[1] = [&] {
        s.seek(10);
        write("data/demo.xml", colourScript("0 1 0"));
    };
    shown.plan[3] = [&] { write("data/demo.xml", "<script><effect"); };
    shown.plan[4] = [&] {
        brokenLine = s.hud->message;
        std::filesystem::rename(dir.path() / "data", dir.path() / "data.old");
    };
    shown.plan[5] = [&] {
        // A new folder in place of the one moved away, the file saved in it as an editor
        // saves: written anew, then renamed.
        write("data/new.xml", colourScript("0 0 1"));
        std::filesystem::rename(dir.path() / "data/new.xml", dir.path() / "data/demo.xml");
    };
    shown.plan[7] = [&] {
        s.script.nodes[0]->name = "edited"; // as the inspector would
        s.script.edited = true;
        write("data/demo.xml", colourScript("1 1 0"));
    };
    shown.plan[8] = [] { pressKey(SDLK_s, KMOD_LCTRL); };
    shown.plan[9] = [] { pressKey(SDLK_r, KMOD_LCTRL); };
    shown.plan[10] = [] { pressKey(SDLK_s, KMOD_LCTRL); };
    shown.plan[11] = [] { pressKey(SDLK_TAB); };
    shown.plan[12] = [] { pressKey(SDLK_n, KMOD_LCTRL); };
    shown.plan[13] = [&] {
        // The copy Ctrl+S wrote is found first now: it is the one followed. It is saved while
        // a name is typed, which holds the reload back past the Ctrl+S in the same frame.
        write("demo.xml", colourScript("0 1 1"));
        pressKey(SDLK_RETURN);
        pressKey(SDLK_s, KMOD_LCTRL);
    };
    shown.plan[14] = [] { pressKey(SDLK_TAB); };
    shown.plan[15] = [&] {
        write("demo.xml", colourScript("1 0 1", 2));
        pressKey(SDLK_ESCAPE);
    };
    s.run();
    ASSERT_EQ(shown.shown.size(), 17u);
    EXPECT_EQ(shown.shown[0], 0xFF0000u);
    EXPECT_EQ(shown.shown[2], 0x00FF00u) << "loaded at the next frame";
    EXPECT_GE(shown.times[2], 10.0f) << "the time is kept";
    EXPECT_EQ(shown.shown[4], 0x00FF00u) << "a broken file leaves the old script playing";
    EXPECT_EQ(brokenLine.rfind("Not reloaded: 'demo.xml' is not well-formed XML", 0), 0u);
    EXPECT_EQ(shown.shown[6], 0x0000FFu) << "mended in a folder made anew";
    EXPECT_EQ(shown.shown[8], 0x0000FFu) << "not loaded over unsaved edits";
    EXPECT_EQ(shown.shown[10], 0xFFFF00u) << "Ctrl+R loads the file and drops the edits";
    EXPECT_EQ(shown.shown[15], 0x00FFFFu) << "Ctrl+S wrote nothing over the editor's save";
    EXPECT_TRUE(s.paused) << "a script now ending before the time waits at its end";
    EXPECT_FLOAT_EQ(s.now(), 2);
    EXPECT_EQ(shown.shown[16], 0xFF00FFu) << "paused on its last moment, where its nodes draw";
    EXPECT_EQ(s.hud->message, "");
}

TEST_F(SystemRunTest, ScriptFileBehindALinkOrGoneIsFollowedAndSaved) {
    const auto at = [&](const char* name) { return dir.path() / name; };
    write("data/real/target.xml", colourScript("1 0 0"));
    std::filesystem::create_symlink("real/target.xml", at("data/demo.xml"));
    ColourEffect shown;
    Marquel::System& s = startFollowing(shown);
    shown.plan[1] = [&] { write("data/real/target.xml", colourScript("0 1 0")); };
    shown.plan[3] = [&] {
        write("data/real/new.xml", colourScript("0 0 1"));
        std::filesystem::rename(at("data/real/new.xml"), at("data/real/target.xml"));
    };
    shown.plan[5] = [&] { std::filesystem::remove(at("data/demo.xml")); };
    shown.plan[6] = [&] {
        write("data/other.xml", colourScript("1 1 0"));
        std::filesystem::create_symlink("other.xml", at("data/demo.xml"));
    };
    shown.plan[8] = [&] {
        EXPECT_EQ(s.hud->message, "") << "no stale message for a link made anew";
        std::filesystem::remove(at("data/demo.xml"));
        std::filesystem::create_directory(at("data/demo.xml"));
    };
    shown.plan[10] = [&] {
        EXPECT_EQ(s.hud->message, "Not reloaded: Could not read the scriptfile 'demo.xml': "
                                  "'../data/demo.xml' is a folder");
        std::filesystem::remove(at("data/demo.xml"));
        s.script.nodes[0]->name = "edited"; // as the inspector would
        pressKey(SDLK_s, KMOD_LCTRL);
    };
    shown.plan[12] = [] { pressKey(SDLK_ESCAPE); };
    s.run();
    ASSERT_EQ(shown.shown.size(), 14u);
    EXPECT_EQ(shown.shown[2], 0x00FF00u) << "the link's target saved in place";
    EXPECT_EQ(shown.shown[4], 0x0000FFu) << "the link's target saved by a rename";
    EXPECT_EQ(shown.shown[7], 0xFFFF00u) << "a link made anew";
    EXPECT_NE(read("demo.xml").find("\"edited\""), std::string::npos) << "gone: Ctrl+S saves";
}

TEST_F(SystemRunTest, ASignalEndsThePlayerWhateverShowsAndTheSettingsAreSaved) {
    Marquel::System& s = startDemo(30, R"(<music mute="nosound"/>)");
    keys.plan[1] = [] { pressKey(SDLK_TAB); };
    keys.plan[3] = [&] {
        s.startTime = 1.5f;
        std::raise(SIGINT);
    };
    keys.plan[6] = [] { pressKey(SDLK_TAB); }; // where the signal is held back, Escape ends it
    keys.plan[7] = [] { pressKey(SDLK_ESCAPE); };
    s.run();
    EXPECT_EQ(keys.times.size(), 5u);
    EXPECT_TRUE(s.inspector->visible);
    finish();
    EXPECT_NE(read("marquel.xml").find("<time start=\"1.50\"/>"), std::string::npos);
}

// No screen has a full screen wider than itself: the demo opens and plays on in its window
// with its textures, says so, and no later start asks for that mode again.
TEST_F(SystemRunTest, AFullScreenTheScreenCannotGiveIsRefusedAndNotWrittenBack) {
    ASSERT_GT(screenWidth(), 0) << SDL_GetError();
    const std::string wider = std::to_string(screenWidth() + 64);
    writeScript(30);
    write("marquel.xml", R"(<demo><window width=")" + wider + R"(" height="48" mode="fullscreen"
type="opengl"/><script file="demo.xml"/><music mute="nosound"/></demo>)");
    testing::internal::CaptureStderr();
    Marquel::System& s = start();
    s.addEffect("keys", &keys);
    Vorlik::TextureRef logo;
    bool textureKept = false;
    keys.plan[0] = [&] {
        logo = keys.textures->getTexture("marquel_logo.png");
        pressKey(SDLK_RETURN, KMOD_LALT);
    };
    keys.plan[2] = [&] {
        textureKept = glIsTexture(logo->getId());
        pressKey(SDLK_ESCAPE);
    };
    s.run();
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("[Marquel] Could not open the full screen"), std::string::npos) << said;
    EXPECT_NE(said.find("[Marquel] Could not switch to full screen"), std::string::npos) << said;
    EXPECT_TRUE(textureKept);
    finish();
    EXPECT_NE(read("marquel.xml").find("mode=\"windowed\""), std::string::npos);
}

// A demo from someone else must not make a recording or a keypress write beside the run
// folder; reading through such a name stays allowed.
TEST_F(SystemRunTest, OutputNamesLeadingOutOfTheirFolderAreRefused) {
    write("marquel.xml", R"(<demo><window width="64" height="48"/>
<videodump fps="25" name="a/../../f.png"/></demo>)");
    EXPECT_EQ(raisedMessage<Marquel::Exception>([&] { start(); }),
              "[Marquel] The videodump 'a/../../f.png' must stay inside 'screenshots': its name "
              "may not hold '..'");
    const std::string outAndIn = "../" + dir.path().filename().string() + "/demo.xml";
    writeScript(30, "demo.xml");
    const std::string text = read("demo.xml");
    write("marquel.xml", R"(<demo><window width="64" height="48" type="opengl"/>
<music mute="nosound"/><script file=")" +
                             outAndIn + "\"/></demo>");
    Marquel::System& s = start();
    s.addEffect("keys", &keys);
    keys.plan[0] = [] {
        pressKey(SDLK_s, KMOD_LCTRL);
        pressKey(SDLK_ESCAPE);
    };
    testing::internal::CaptureStderr();
    s.run();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "[Marquel] Could not save the script '" + outAndIn +
                  "'; the edits are kept: its name may not hold '..'\n");
    EXPECT_EQ(read("demo.xml"), text);
}

// GSM 6.10 decodes only forwards, so the stream may refuse to be positioned; the player
// must then still run, on the millisecond clock at worst.
TEST_F(SystemRunTest, MusicInACodecThatOnlyReadsForwardPlaysAndTheKeysWork) {
    write("data/tune.wav", sound_test::gsmWav(sound_test::twoTones(4, 2, 8000)));
    Marquel::System& s = startDemo(1.6f, R"(<music file="tune.wav"/><time start="1"/>)");
    ASSERT_NE(s.fmodSystem, nullptr);
    keys.plan[0] = [] { pressKey(SDLK_m); };
    keys.plan[1] = [] { pressKey(SDLK_SPACE); };
    keys.plan[2] = [] { pressKey(SDLK_SPACE); };
    s.run();
    ASSERT_GT(keys.times.size(), 3u);
    EXPECT_GE(keys.times[0], 0.95f) << "plays from the mark";
    EXPECT_LT(keys.times[0], 1.4f) << "plays from the mark";
    EXPECT_LE(keys.times.back(), 1.6f);
}

// What the device receives lands in a file: a muted demo must send it nothing but silence,
// also after a pause, which starts the music on a new channel.
TEST_F(SystemRunTest, MutedMusicStaysSilentAfterAPause) {
    const std::string heard = (dir.path() / "heard.raw").string();
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", heard.c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "23", 1);
    write("data/tune", sound_test::wav(sound_test::twoTones(4, 2)));
    Marquel::System& s = startDemo(30, R"(<music file="tune" mute="on"/>)");
    keys.plan[1] = [] { pressKey(SDLK_SPACE); };
    keys.plan[2] = [] { pressKey(SDLK_SPACE); };
    keys.plan[3] = [] { SDL_Delay(300); };
    keys.plan[4] = [] { pressKey(SDLK_ESCAPE); };
    s.run();
    EXPECT_TRUE(s.mute);
    finish();
    const std::string out = read("heard.raw");
    EXPECT_GT(out.size(), 4u * 4096) << "the device took frames while the demo ran";
    const size_t loud = out.find_first_not_of('\0');
    EXPECT_EQ(loud, std::string::npos) << "sound at frame " << loud / 4;
}

namespace {

struct MusicFormat {
    const char* name;
    std::string (*make)();
    // How far past the asked time a seek may land: a module seeks to a whole row.
    float seekGrain = 0;
};

class SystemMusicTest : public SystemRunTest, public ::testing::WithParamInterface<MusicFormat> {};

std::string wavMusic() {
    return sound_test::wav(sound_test::twoTones(4, 2));
}
std::string oggMusic() {
    return sound_test::ogg(sound_test::twoTones(4, 2));
}
std::string mp3Music() {
    return sound_test::mp3(sound_test::twoTones(4, 2));
}

} // namespace

TEST_P(SystemMusicTest, PlaysFromTheMarkWithTheClockOnTheMusic) {
    write("data/tune", GetParam().make());
    Marquel::System& s = startDemo(2.2f, R"(<music file="tune" mute="on"/><time start="1.5"/>)");
    ASSERT_NE(s.fmodSystem, nullptr);
    bool unmuted = true;
    keys.plan[0] = [&] { pressKey(SDLK_m); };
    keys.plan[2] = [&] {
        unmuted = !s.mute;
        pressKey(SDLK_SPACE);
    };
    keys.plan[3] = [] { SDL_Delay(100); };
    keys.plan[4] = [] { pressKey(SDLK_SPACE); };
    s.run();
    EXPECT_TRUE(unmuted) << "M toggles the configured mute";
    ASSERT_GT(keys.times.size(), 6u);
    // The first frame follows the last seek to the mark as soon as the machine allows.
    EXPECT_GE(keys.times[0], 1.45f) << "the music was positioned at the mark";
    EXPECT_LT(keys.times[0], 1.9f) << "the music was positioned at the mark";
    EXPECT_FLOAT_EQ(keys.times[4], keys.times[3]) << "the clock stands while paused";
    // Frame 3 slept 100 ms while paused: a clock that was not re-based on resume would show it.
    EXPECT_GT(keys.times[5], keys.times[3] - 0.05f) << "resumed where paused";
    EXPECT_LT(keys.times[5], keys.times[3] + 0.1f + GetParam().seekGrain) << "resumed where paused";
    EXPECT_LE(keys.times.back(), 2.2f);
    EXPECT_EQ(s.fmodSystem, nullptr) << "released at the end of the run";
    EXPECT_EQ(s.channel, nullptr);
    finish();
    EXPECT_NE(read("marquel.xml").find("mute=\"off\""), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Formats, SystemMusicTest,
                         ::testing::Values(MusicFormat{"Wav", wavMusic},
                                           MusicFormat{"Ogg", oggMusic},
                                           MusicFormat{"Mp3", mp3Music},
                                           MusicFormat{"Module", sound_test::twoPatternModule,
                                                       sound_test::ROW_MS * 0.001}),
                         [](const auto& info) { return std::string(info.param.name); });

namespace {

struct FarMark {
    const char* name;
    const char* start;
    const char* music;
};

class SystemFarMarkTest : public SystemRunTest, public ::testing::WithParamInterface<FarMark> {};

// Presses Escape while it loads, so a run that does not end by itself ends after one frame.
class EscapingEffect : public ScriptedEffect {
public:
    void load(Marquel::System* s) override {
        ScriptedEffect::load(s);
        pressKey(SDLK_ESCAPE);
    }
};

} // namespace

// A start mark far beyond anything the millisecond clock can count (a slip such as 1e30, or
// a month) is past the end of the script: the demo must end at once, not start from 0 or
// wrap to a time long before the script and show a black window for weeks.
TEST_P(SystemFarMarkTest, StartMarkBeyondTheClockEndsTheDemoAtOnce) {
    write("data/tune", sound_test::wav(sound_test::twoTones(4, 2)));
    Marquel::System& s =
        startDemo(1, std::string("<time start=\"") + GetParam().start +
                         "\"/><music file=\"tune\" mute=\"" + GetParam().music + "\"/>");
    EscapingEffect late;
    s.addEffect("late", &late);
    s.run();
    EXPECT_EQ(late.loads, 1);
    EXPECT_TRUE(keys.times.empty()) << "rendered at " << keys.times.front();
    EXPECT_GT(s.now(), 1.0f) << "the clock stands past the end of the script";
}

INSTANTIATE_TEST_SUITE_P(Marks, SystemFarMarkTest,
                         ::testing::Values(FarMark{"HugeSilent", "1e30", "nosound"},
                                           FarMark{"MonthSilent", "3e6", "nosound"},
                                           FarMark{"HugeWithMusic", "1e30", "off"},
                                           FarMark{"MonthWithMusic", "3e6", "off"}),
                         [](const auto& info) { return std::string(info.param.name); });

// "nan" reads as a number that no clock can show; like any other text that is no time, it
// starts the demo at 0.
TEST_F(SystemRunTest, StartMarkThatIsNoNumberPlaysFromZero) {
    Marquel::System& s = startDemo(1, R"(<time start="nan"/><music mute="nosound"/>)");
    EscapingEffect late;
    s.addEffect("late", &late);
    s.run();
    ASSERT_EQ(keys.times.size(), 1u);
    EXPECT_GE(keys.times[0], 0.0f);
    EXPECT_LT(keys.times[0], 0.3f);
}
