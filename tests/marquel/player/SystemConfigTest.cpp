// What the player makes of "marquel.xml" at start, and what it writes back at the end.

#include "SystemFixture.h"
#include "common/MusicFiles.h"
#include "marquel/Display.h"
#include "marquel/Exception.h"
#include "marquel/capture/Capture.h"
#include "marquel/capture/Mp4Recorder.h"
#include "marquel/overlay/Hud.h"
#include "marquel/overlay/Inspector.h"

#include <gtest/gtest.h>

using system_test::SystemFixture;

namespace {

class SystemConfigTest : public SystemFixture {
protected:
    // init must fail with exactly message.
    void expectInitFails(const std::string& message) {
        try {
            start();
            ADD_FAILURE() << "init succeeded";
        } catch (const std::exception& e) {
            EXPECT_STREQ(e.what(), message.c_str());
        }
    }
};

} // namespace

TEST_F(SystemConfigTest, ElementsApplyInTheirFixedOrderWhateverTheirOrderInTheFile) {
    // Each of these needs one listed before it: the dump the window, the music and the script
    // the archive, so applying them in file order would fail.
    write("data/more/tune.ogg", "not read: the dump silences the music");
    writeScript(2, "data/more/demo.xml");
    write("marquel.xml", R"(<demo>
<script file="demo.xml"/>
<music file="tune.ogg" mute="on"/>
<videodump name="frame.png" fps="25"/>
<archive file="../data/more/"/>
<window width="64" height="48" caption="first"/>
<window width="96" height="72" caption="second"/>
<hud mini="on"/>
<time start="1.5"/>
<time start="2.25"/>
</demo>)");
    Marquel::System& s = start();
    EXPECT_TRUE(s.configured);
    EXPECT_FLOAT_EQ(s.startTime, 2.25f); // a later element of a kind overrides
    EXPECT_TRUE(s.hud->visible);
    ASSERT_TRUE(s.display);
    EXPECT_EQ(s.display->width(), 96u);
    ASSERT_TRUE(s.capture->dumping());
    EXPECT_EQ(s.capture->getInfo().width, 96);
    EXPECT_EQ(s.capture->getInfo().height, 72);
    EXPECT_EQ(s.capture->getInfo().fpsBase, 1);
    EXPECT_EQ(s.capture->getFrameSkip(), 1);
    EXPECT_TRUE(s.noSound);
    EXPECT_EQ(s.fmodSystem, nullptr);
    EXPECT_EQ(s.script.nodes.size(), 1u);
    EXPECT_EQ(s.inspector->script, &s.script);
    EXPECT_FLOAT_EQ(s.inspector->getTimeStep(), 40.0f / 398);
}

TEST_F(SystemConfigTest, SizesReadHexadecimalAndOctal) {
    write("marquel.xml", R"(<demo><window width="0x140" height="0310"/></demo>)");
    Marquel::System& s = start();
    ASSERT_TRUE(s.display);
    EXPECT_EQ(s.display->width(), 320u);
    EXPECT_EQ(s.display->height(), 200u);
}

TEST_F(SystemConfigTest, WordsCompareExactly) {
    write("marquel.xml", R"(<demo><hud mini="On"/>
<window width="64" height="48" mode="Fullscreen" type="OpenGL"/>
<music file="x.ogg" mute="NoSound"/></demo>)");
    write("data/x.ogg", system_test::SystemFixture::read("data/marquel.font"));
    try {
        start();
    } catch (const Marquel::Exception& e) {
        // "NoSound" is not "nosound": the music is opened, and a font is no music.
        EXPECT_STREQ(e.what(), "[Marquel] FMOD-ERROR; Unsupported file or audio format. ");
    }
    ASSERT_TRUE(system->display);
    EXPECT_FALSE(system->fullscreen);
    EXPECT_FALSE(system->display->isFullscreen());
    EXPECT_EQ(system->display->getTextureManager(), nullptr) << "only \"opengl\" opens OpenGL";
    EXPECT_FALSE(system->hud->visible);
    EXPECT_FALSE(system->noSound);
    EXPECT_FALSE(system->mute) << "only \"on\" mutes";
    EXPECT_FALSE(system->configured);
}

TEST_F(SystemConfigTest, FullscreenInLowerCaseOpensTheFullScreen) {
    write("marquel.xml", R"(<demo><window width="640" height="480" mode="fullscreen"/></demo>)");
    Marquel::System& s = start();
    EXPECT_TRUE(s.fullscreen);
    EXPECT_TRUE(s.display->isFullscreen());
}

TEST_F(SystemConfigTest, WriteBackInsertsTimeThenHudFirstWithTabs) {
    write("marquel.xml", R"(<!DOCTYPE demo><!-- my settings --><demo>
<window width="64" height="48" mode="fullscreen"/>
<music file="a.ogg" mute="nosound"/>
<window width="64" height="48"/>
</demo><!-- the end -->)");
    Marquel::System& s = start();
    s.startTime = 3.14159f;
    s.fullscreen = false;
    s.hud->show();
    finish();
    EXPECT_EQ(read("marquel.xml"), "<!DOCTYPE demo>\n<!-- my settings -->\n<demo>\n"
                                   "\t<time start=\"3.14\"/>\n"
                                   "\t<hud mini=\"on\"/>\n"
                                   "\t<window width=\"64\" height=\"48\" mode=\"windowed\"/>\n"
                                   "\t<music file=\"a.ogg\" mute=\"nosound\"/>\n"
                                   "\t<window width=\"64\" height=\"48\" mode=\"windowed\"/>\n"
                                   "</demo>\n<!-- the end -->\n");
}

TEST_F(SystemConfigTest, WriteBackUpdatesExistingTimeAndHudAndAddsAMissingHudFirst) {
    write("marquel.xml", R"(<demo><window width="64" height="48"/><time start="9"/>
<hud mini="on"/><time start="7"/></demo>)");
    Marquel::System& s = start();
    EXPECT_FLOAT_EQ(s.startTime, 7);
    s.startTime = 0.5f;
    s.hud->hide();
    s.fullscreen = true; // wanted, not yet shown: the wish is what is kept
    finish();
    EXPECT_EQ(read("marquel.xml"), "<demo>\n"
                                   "\t<window width=\"64\" height=\"48\" mode=\"fullscreen\"/>\n"
                                   "\t<time start=\"0.50\"/>\n"
                                   "\t<hud mini=\"off\"/>\n"
                                   "\t<time start=\"7\"/>\n"
                                   "</demo>\n");

    write("marquel.xml", R"(<demo><time start="1"/></demo>)");
    start();
    finish();
    EXPECT_EQ(read("marquel.xml"),
              "<demo>\n\t<hud mini=\"off\"/>\n\t<time start=\"1.00\"/>\n</demo>\n");
}

TEST_F(SystemConfigTest, WriteBackRecordsMuteInEveryMusicElement) {
    write("data/tune.wav", sound_test::wav(sound_test::markerFrames(0.5)));
    const std::string musicConfig = R"(<demo><window width="64" height="48"/>
<music file="tune.wav" mute="MUTE"/><music file="tune.wav" mute="on"/>DUMP</demo>)";
    auto configure = [&](const std::string& mute, const std::string& dump) {
        std::string text = musicConfig;
        text.replace(text.find("MUTE"), 4, mute);
        text.replace(text.find("DUMP"), 4, dump);
        write("marquel.xml", text);
    };
    auto mutes = [&]() {
        std::string text = read("marquel.xml");
        std::string found;
        for (size_t at = text.find("mute=\""); at != std::string::npos;
             at = text.find("mute=\"", at + 1))
            found += text.substr(at + 6, text.find('"', at + 6) - at - 6) + " ";
        return found;
    };

    configure("off", ""); // the last element counts: muted
    start();
    EXPECT_TRUE(system->mute);
    EXPECT_NE(system->fmodSystem, nullptr);
    system->mute = false; // as after the M key
    finish();
    EXPECT_EQ(mutes(), "off off ");

    configure("off", "");
    start();
    finish();
    EXPECT_EQ(mutes(), "on on ");

    // A dump silences the music for its run only: recording must not turn the user's music
    // off for every later run.
    configure("nosound", R"(<videodump name="f.png" fps="30"/>)");
    start();
    EXPECT_TRUE(system->noSound);
    EXPECT_TRUE(system->mute) << "the muted last element is still read";
    EXPECT_EQ(system->fmodSystem, nullptr);
    finish();
    EXPECT_EQ(mutes(), "on on ");

    write("marquel.xml", R"(<demo><window width="64" height="48"/><music file="tune.wav"/>
<videodump name="f.png" fps="30"/><music file="tune.wav" mute="nosound"/></demo>)");
    start();
    finish();
    EXPECT_EQ(mutes(), "nosound nosound ") << "asked for by the last element";
}

TEST_F(SystemConfigTest, ConfigurationFoundOnlyInDataIsWrittenIntoTheFirstPath) {
    const std::string original =
        R"(<demo><window width="64" height="48"/><time start="1"/></demo>)";
    write("data/marquel.xml", original);
    start().startTime = 4;
    finish();
    EXPECT_EQ(read("data/marquel.xml"), original);
    EXPECT_EQ(read("marquel.xml"), "<demo>\n\t<hud mini=\"off\"/>\n"
                                   "\t<window width=\"64\" height=\"48\" mode=\"windowed\"/>\n"
                                   "\t<time start=\"4.00\"/>\n</demo>\n");
    start();
    EXPECT_FLOAT_EQ(system->startTime, 4) << "the written file is found first";
}

TEST_F(SystemConfigTest, RootOtherThanDemoConfiguresNothingAndRunSaysSo) {
    write("marquel.xml", R"(<demos><window width="64" height="48"/></demos>)");
    Marquel::System& s = start();
    EXPECT_FALSE(s.configured);
    EXPECT_FALSE(s.display);
    try {
        s.run();
        ADD_FAILURE() << "run without a configuration";
    } catch (const Marquel::Exception& e) {
        EXPECT_STREQ(e.what(), "[Marquel] Nothing to play: 'marquel.xml' was not read, or its "
                               "root element is not 'demo'");
    }
    finish();
    EXPECT_EQ(read("marquel.xml"), R"(<demos><window width="64" height="48"/></demos>)");
}

TEST_F(SystemConfigTest, FileWhoseRootIsNoLongerDemoAtTheEndIsNotWrittenBack) {
    write("marquel.xml", R"(<demo><window width="64" height="48"/></demo>)");
    start().startTime = 5;
    const std::string changed = R"(<player><window width="64" height="48"/></player>)";
    write("marquel.xml", changed);
    testing::internal::CaptureStderr();
    finish();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(read("marquel.xml"), changed);
}

TEST_F(SystemConfigTest, ConfigurationWithoutWindowFailsToRun) {
    write("marquel.xml", R"(<demo><time start="1"/></demo>)");
    try {
        start().run();
        ADD_FAILURE() << "run without a window";
    } catch (const Marquel::Exception& e) {
        EXPECT_STREQ(e.what(), "[Marquel] Nothing to show: 'marquel.xml' has no 'window' element");
    }
}

TEST_F(SystemConfigTest, VideoDumpNeedsAWindowAndARate) {
    write("marquel.xml", R"(<demo><videodump name="f.png" fps="25"/></demo>)");
    expectInitFails("[Marquel] The videodump 'f.png' takes its frame size from the window: "
                    "'marquel.xml' needs a 'window' element");
    EXPECT_FALSE(system->configured);

    for (const char* fps : {"0", "-5", ""}) {
        write("marquel.xml", std::string(R"(<demo><window width="64" height="48"/>)") +
                                 "<videodump name=\"f.png\" fps=\"" + fps + "\"/></demo>");
        expectInitFails(std::string("[Marquel] The videodump 'f.png' needs an fps above 0, not '") +
                        fps + "'");
    }

    write("marquel.xml", R"(<demo><window width="64" height="48"/>
<videodump name="f.mp4" fps="25" crf="0"/></demo>)");
    expectInitFails("[Marquel] The videodump 'f.mp4' needs a crf from 1 to 51, not '0'");

    write("marquel.xml", R"(<demo><window width="64" height="48"/>
<videodump name="f.png" fps="0x1e" fpsbase="-1" frameskip="0"/>
<videodump name="g.png" fps="0"/></demo>)");
    Marquel::System& s = start();
    ASSERT_TRUE(s.capture->dumping()) << "only the first videodump counts";
    EXPECT_EQ(s.capture->getInfo().fps, 30);
    EXPECT_EQ(s.capture->getInfo().fpsBase, 1);
    EXPECT_EQ(s.capture->getFrameSkip(), 1);

    write("marquel.xml", R"(<demo><window width="64" height="48"/>
<videodump name="f.png" fps="25" fpsbase="2" frameskip="3"/></demo>)");
    start();
    ASSERT_TRUE(system->capture->dumping());
    EXPECT_EQ(system->capture->getInfo().fps, 25);
    EXPECT_EQ(system->capture->getInfo().fpsBase, 2) << "a base of 1 or more is kept";
    EXPECT_EQ(system->capture->getFrameSkip(), 3);
}

TEST_F(SystemConfigTest, MissingFilesFailInitWithTheirMessages) {
    expectInitFails("[Marquel] Could not load 'marquel.xml'");

    write("marquel.xml",
          R"(<demo><window width="64" height="48"/><music file="gone.ogg"/></demo>)");
    expectInitFails("[Marquel] Could not find music in 'gone.ogg'");

    write("marquel.xml",
          R"(<demo><window width="64" height="48"/><script file="gone.xml"/></demo>)");
    expectInitFails("[Marquel] Could not find the scriptfile 'gone.xml'");

    write("data/tune.ogg", "plain text is no music");
    write("marquel.xml",
          R"(<demo><window width="64" height="48"/><music file="tune.ogg"/></demo>)");
    expectInitFails("[Marquel] FMOD-ERROR; Unsupported file or audio format. ");
    finish(); // a failed init is not written back
    EXPECT_EQ(read("marquel.xml"),
              R"(<demo><window width="64" height="48"/><music file="tune.ogg"/></demo>)");
}

TEST_F(SystemConfigTest, WarningsOfTheSoundLibrariesNameTheMusicFile) {
    // libsndfile's MP3 reader warns of the length header of an MP3 cut short.
    const std::string mp3 = sound_test::mp3(sound_test::twoTones(1, 0.5));
    write("data/tune.mp3", mp3.substr(0, mp3.size() / 2));
    write("marquel.xml",
          R"(<demo><window width="64" height="48"/><music file="tune.mp3"/></demo>)");
    testing::internal::CaptureStderr();
    start();
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said.rfind("[Marquel] 'tune.mp3': Warning: Xing stream size off", 0), 0u) << said;
    EXPECT_EQ(said.find("\nWarning"), std::string::npos) << said;

    // A recording decodes the music again for its sound track.
    const std::string cut = mp3.substr(0, mp3.size() / 2);
    Marquel::Mp4Recorder::Settings video;
    video.path = (dir.path() / "v.mp4").string();
    video.width = video.height = video.fps = 16;
    video.music = cut.data();
    video.musicSize = cut.size();
    video.musicName = "tune.mp3";
    testing::internal::CaptureStderr();
    Marquel::Mp4Recorder(video).finish();
    const std::string recorded = testing::internal::GetCapturedStderr();
    EXPECT_EQ(recorded.rfind("[Marquel] 'tune.mp3': Warning:", 0), 0u) << recorded;
}

TEST_F(SystemConfigTest, FontIsReadBeforeTheConfigurationAndNotFromAnArchive) {
    std::filesystem::remove(dir.path() / "data/marquel.font");
    write("data/more/marquel.font", system_test::barFont());
    write("marquel.xml", R"(<demo><archive file="../data/more/"/></demo>)");
    expectInitFails("[Marquel] Could not find 'marquel.font'!\n[Marquel] The working folder is '" +
                    (dir.path() / "bin").string() +
                    "', and the font was looked for as '../marquel.font', '../data/marquel.font'");
}

TEST_F(SystemConfigTest, WriteBackThatFailsLeavesTheOldFileAndSaysSoOnce) {
    const std::string original = R"(<demo><window width="64" height="48"/></demo>)";
    write("data/marquel.xml", original);
    // A folder in the first path where the file would go: the write cannot replace it.
    std::filesystem::create_directories(dir.path() / "marquel.xml");
    start();
    testing::internal::CaptureStderr();
    finish();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "[Marquel] The settings were not saved: [Marquel] Could not write 'marquel.xml'; "
              "the old file is kept\n");
    EXPECT_EQ(read("data/marquel.xml"), original);

    // Gone by the end: nothing to read again.
    std::filesystem::remove(dir.path() / "marquel.xml");
    start();
    std::filesystem::remove(dir.path() / "data/marquel.xml");
    testing::internal::CaptureStderr();
    finish();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "[Marquel] The settings were not saved: [Marquel] Could not load 'marquel.xml'\n");

    // Changed into something the parser refuses.
    write("marquel.xml", original);
    start();
    write("marquel.xml", "<demo><window");
    testing::internal::CaptureStderr();
    finish();
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said.rfind("[Marquel] The settings were not saved: ", 0), 0u) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_EQ(read("marquel.xml"), "<demo><window");

    // Nested too deep: its write-back, one more indent a level, would make gigabytes.
    std::string deep = "<demo>\n";
    for (int i = 0; i < 1001; ++i)
        deep.insert(7, "<a>") += "</a>";
    deep += "</demo>";
    write("marquel.xml", original);
    start();
    write("marquel.xml", deep);
    testing::internal::CaptureStderr();
    finish();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "[Marquel] The settings were not saved: [Marquel] 'marquel.xml' is not a "
              "configuration: elements nest at most 1000 levels deep, and the one in line 2 is "
              "deeper\n");
    EXPECT_EQ(read("marquel.xml"), deep);
}
