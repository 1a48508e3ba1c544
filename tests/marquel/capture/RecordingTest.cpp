// Screenshots and the video dump of a running player: names, frame times, orientation and
// opacity of the files written into the output folder.

#include "Mp4Decode.h"
#include "SystemFixture.h"
#include "vx/FileSystem.h"

#include <GL/gl.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <set>

using system_test::pressKey;
using system_test::ScriptedEffect;
using system_test::SystemFixture;

namespace {

constexpr int WIDTH = 64;
constexpr int HEIGHT = 48;
constexpr int TOP_BLUE = 0x40;
constexpr int BOTTOM_BLUE = 0xC0;

// Paints a number into its whole frame, transparent: red and green hold its high and low
// byte, blue tells the top half from the bottom half. The number is the demo time in
// hundredths, or the frame's index.
class PaintingEffect : public ScriptedEffect {
public:
    explicit PaintingEffect(bool paintTime) : paintTime(paintTime) {}

    void render(float time, float dt, float progress) override {
        ScriptedEffect::render(time, dt, progress);
        const long n = paintTime ? std::lround(time * 100) : static_cast<long>(times.size() - 1);
        glEnable(GL_SCISSOR_TEST);
        // Bits as black and white stripes, which lossy video keeps readable.
        for (int bit = 0; blocks && bit < 8; ++bit) {
            const float on = static_cast<float>((n >> bit) & 1);
            glScissor(bit * WIDTH / 8, 0, WIDTH / 8, HEIGHT);
            glClearColor(on, on, on, 0);
            glClear(GL_COLOR_BUFFER_BIT);
        }
        for (bool top : {true, false}) {
            if (blocks)
                break;
            glScissor(0, top ? HEIGHT / 2 : 0, WIDTH, HEIGHT / 2);
            glClearColor(float(n / 256) / 255, float(n % 256) / 255,
                         float(top ? TOP_BLUE : BOTTOM_BLUE) / 255, 0);
            glClear(GL_COLOR_BUFFER_BIT);
        }
        glDisable(GL_SCISSOR_TEST);
    }

    bool paintTime;
    bool blocks = false;
};

// The number a frame of the painting effect's stripes shows: top row first, B, G, R, A.
long stripedNumber(const uint8_t* bgra) {
    long n = 0;
    for (int bit = 0; bit < 8; ++bit)
        n |= long(bgra[((HEIGHT / 2) * WIDTH + bit * WIDTH / 8 + WIDTH / 16) * 4 + 1] > 128) << bit;
    return n;
}

double psnr(const uint8_t* a, const uint8_t* b) {
    double squares = 0;
    for (int i = 0; i < WIDTH * HEIGHT * 4; ++i)
        if (i % 4 != 3)
            squares += (a[i] - b[i]) * (a[i] - b[i]);
    return 10 * std::log10(255.0 * 255.0 * WIDTH * HEIGHT * 3 / std::max(squares, 1.0));
}

class RecordingTest : public SystemFixture {
protected:
    // A demo of the painting effect from the start mark to end, in a small OpenGL window.
    Marquel::System& startDemo(float end, const std::string& extra) {
        writeScript(end);
        return startWith(extra);
    }
    // The same for the script already in "data/demo.xml".
    Marquel::System& startWith(const std::string& extra) {
        write("marquel.xml", "<demo><window width=\"64\" height=\"48\" type=\"opengl\"/>"
                             "<script file=\"demo.xml\"/><music mute=\"nosound\"/>" +
                                 extra + "</demo>");
        Marquel::System& s = start();
        s.addEffect("keys", &painter);
        return s;
    }

    // The files in the output folder.
    std::set<std::string> written() const {
        std::set<std::string> names;
        for (const auto& entry :
             std::filesystem::directory_iterator(dir.path() / "bin/screenshots"))
            names.insert(entry.path().filename().string());
        return names;
    }

    // The number painted into a written frame, after checking that it is upright and opaque.
    long paintedNumber(const std::string& name) {
        Vx::FileSystem output;
        output.addPath((dir.path() / "bin/screenshots/").string());
        Vx::Image image = output.loadImage(name, -1, true);
        EXPECT_EQ(image->getWidth(), WIDTH);
        EXPECT_EQ(image->getHeight(), HEIGHT);
        const uint8_t* bgra = image->getData();
        const uint8_t* bottom = bgra + (HEIGHT - 1) * WIDTH * 4;
        EXPECT_EQ(bgra[0], TOP_BLUE) << name << " is upside down";
        EXPECT_EQ(bottom[0], BOTTOM_BLUE) << name << " is upside down";
        int opaque = 0;
        for (int i = 0; i < WIDTH * HEIGHT; ++i)
            opaque += bgra[i * 4 + 3] == 255;
        EXPECT_EQ(opaque, WIDTH * HEIGHT) << name << " is not opaque";
        return bgra[2] * 256 + bgra[1];
    }

    // Runs a dump named name of the script from 0.2 s at 10 fps, with a music file that is
    // silent but for a click at 0.6 s, muted as mute says.
    void recordClicks(const std::string& name, const std::string& mute) {
        sound_test::Frames music(sound_test::RATE * 2 * 2, 0);
        for (int i = 0; i < 200; ++i)
            music[(sound_test::RATE * 6 / 10 + i) * 2] = 24000;
        write("data/click.wav", sound_test::wav(music));
        // The last run writes its settings back before this one's are written.
        finish();
        painter.times.clear();
        startWith("<time start=\"0.2\"/><videodump name=\"" + name +
                  "\" fps=\"10\" fpsbase=\"1\" frameskip=\"1\"/><music file=\"click.wav\" mute=\"" +
                  mute + "\"/>")
            .run();
    }

    PaintingEffect painter{true};
};

} // namespace

// At the script's end no node runs: a frame written then would show a stale back buffer. A
// frame between two nodes keeps its place against the sound.
TEST_F(RecordingTest, DumpWritesNumberedFramesOneStepOfTheRateApartUpToTheEnd) {
    write("data/demo.xml", R"(<script><effect name="keys" start="0" end="10.05"/>
<effect name="keys" start="10.1" end="10.16"/></script>)");
    Marquel::System& s = startWith(R"(<time start="10"/>
<videodump name="dump.png" fps="25" fpsbase="1" frameskip="1"/>)");
    painter.plan[0] = [] { pressKey(SDLK_s); }; // no screenshot while dumping
    s.run();
    ASSERT_EQ(painter.times.size(), 2u) << "10.04, and 10.12 in the second node";
    EXPECT_EQ(written(),
              (std::set<std::string>{"dump.000000.png", "dump.000001.png", "dump.000002.png"}))
        << "10.04, 10.08 between the nodes, 10.12; nothing at the end, 10.16";
    EXPECT_EQ(paintedNumber("dump.000000.png"), 1004);
    EXPECT_EQ(paintedNumber("dump.000002.png"), 2) << "the second node's local time";
    Vx::FileSystem output;
    output.addPath((dir.path() / "bin/screenshots/").string());
    const Vx::Image between = output.loadImage("dump.000001.png", -1, true);
    const uint8_t* bgra = between->getData();
    EXPECT_EQ(std::count(bgra, bgra + WIDTH * HEIGHT * 4, 0), WIDTH * HEIGHT * 3)
        << "where no node draws the frame is black, not the frame before";
}

TEST_F(RecordingTest, FrameSkipRendersFinerStepsAndWritesEveryFourth) {
    Marquel::System& s = startDemo(10.095f, R"(<time start="10"/>
<videodump name="dump.png" fps="25" fpsbase="1" frameskip="4"/>)");
    s.run();
    ASSERT_EQ(painter.times.size(), 9u) << "10.01 to 10.09";
    EXPECT_EQ(written(),
              (std::set<std::string>{"dump.000000.png", "dump.000001.png", "dump.000002.png"}));
    EXPECT_EQ(paintedNumber("dump.000000.png"), 1001);
    EXPECT_EQ(paintedNumber("dump.000001.png"), 1005);
    EXPECT_EQ(paintedNumber("dump.000002.png"), 1009);
}

TEST_F(RecordingTest, PressingSTwiceLeavesOneScreenshotOfTheSecondFrame) {
    painter.paintTime = false;
    Marquel::System& s = startDemo(30, "");
    painter.plan[1] = [] { pressKey(SDLK_s); }; // seen in frame 2
    painter.plan[3] = [] { pressKey(SDLK_s); }; // seen in frame 4
    painter.plan[5] = [] { pressKey(SDLK_ESCAPE); };
    s.run();
    EXPECT_EQ(written(), (std::set<std::string>{"screenshot.png"}));
    EXPECT_EQ(paintedNumber("screenshot.png"), 4) << "the frame drawn when S was seen";
}

// Frame k of a video shows what PNG frame k of the same dump shows, none dropped, doubled or
// shifted, and the music runs in step from the first frame, muted or not; the keys that would
// move the clock only say once that they do nothing.
TEST_F(RecordingTest, VideoHoldsEveryFrameInPlaceWithItsMusicInStep) {
    painter.paintTime = false;
    painter.blocks = true;
    writeScript(1.0f);
    recordClicks("twin.png", "on");
    recordClicks("twin.png", "on");                                 // over its own frames
    painter.plan[1] = [] { pressKey(SDLK_TAB), pressKey(SDLK_f); }; // no panels in a video
    painter.plan[2] = [] { pressKey(SDLK_SPACE); };
    painter.plan[3] = [] { pressKey(SDLK_PAGEUP); };
    painter.plan[4] = [] { pressKey(SDLK_p, KMOD_LCTRL); };
    testing::internal::CaptureStderr();
    recordClicks("clip.mp4", "on");
    const std::string said = testing::internal::GetCapturedStderr();
    const std::string refusal = "do nothing while 'clip.mp4' records";
    EXPECT_NE(said.find(refusal), std::string::npos) << said;
    EXPECT_EQ(said.find(refusal), said.rfind(refusal)) << "said once: " << said;

    const auto video = system_test::decodeMp4((dir.path() / "bin/screenshots/clip.mp4").string());
    ASSERT_EQ(video.pictures.size(), 7u) << "0.3 s to 0.9 s";
    EXPECT_EQ(av_cmp_q(video.frameRate, AVRational{10, 1}), 0);
    Vx::FileSystem output;
    output.addPath((dir.path() / "bin/screenshots/").string());
    for (size_t k = 0; k < video.pictures.size(); ++k) {
        EXPECT_EQ(stripedNumber(video.pictures[k].data()), long(k));
        char twin[32];
        std::snprintf(twin, sizeof twin, "twin.%06zu.png", k);
        Vx::Image png = output.loadImage(twin, -1, true);
        EXPECT_GE(psnr(video.pictures[k].data(), png->getData()), 30.0) << twin;
    }
    ASSERT_TRUE(video.hasSound) << "muted is for listening, not for the recording";
    EXPECT_NEAR(video.firstLoudSecond, 0.6 - 0.3, 1024.0 / sound_test::RATE)
        << "the music starts at the time the first frame shows";

    // Its own recording is recorded over, one with the mark changed is not.
    std::string other = read("bin/screenshots/clip.mp4");
    write("bin/screenshots/other.mp4", other.replace(other.find("Marquel"), 7, "Marquee"));
    EXPECT_ANY_THROW(recordClicks("other.mp4", "nosound"));
    EXPECT_TRUE(read("bin/screenshots/other.mp4") == other);
    recordClicks("clip.mp4", "nosound");
    EXPECT_FALSE(
        system_test::decodeMp4((dir.path() / "bin/screenshots/clip.mp4").string()).hasSound);
}

// Below 'screenshots' every output refuses a link, anything but a plain file and a file the
// player did not write, before anything is drawn; so does a video that would record nothing.
// A failed write ends the run with an error, its progress short of 100 %.
TEST_F(RecordingTest, OutputsRefuseWhatIsNotTheirsAndAFailedVideoEndsTheRun) {
    const std::filesystem::path shots = dir.path() / "bin/screenshots";
    write("outside/demo.mp4", "the user's");
    write("bin/screenshots/kept.png", "mine");
    std::filesystem::create_directory_symlink(dir.path() / "outside", shots / "sub");
    std::filesystem::create_symlink("kept.png", shots / "screenshot.png");
    ASSERT_EQ(mkfifo((shots / "pipe.mp4").c_str(), 0666), 0);
    const int reader = open((shots / "pipe.mp4").c_str(), O_RDONLY | O_NONBLOCK);
    write("bin/screenshots/holiday.mp4", "the user's");
    Vx::FileSystem user; // writes pictures without the player's mark
    user.addPath(shots.string() + "/");
    ASSERT_TRUE(user.saveImage(
        "old.000002.png",
        Vx::Image{new Vx::ImageObject(2, 2, std::make_unique<uint8_t[]>(16), nullptr, "")}));
    const std::string picture = read("bin/screenshots/old.000002.png");
    for (std::string name : {"sub/demo.mp4", "sub/f.png", "pipe.mp4", "a.mp4\"/><time start=\"5",
                             "holiday.mp4", "old.png"}) {
        EXPECT_ANY_THROW(startDemo(1, "<videodump fps=\"10\" name=\"" + name + "\"/>").run())
            << name;
        finish();
    }
    close(reader);
    EXPECT_TRUE(read("outside/demo.mp4") == "the user's" &&
                read("bin/screenshots/holiday.mp4") == "the user's");
    EXPECT_TRUE(read("bin/screenshots/old.000002.png") == picture &&
                !std::filesystem::exists(shots / "old.000000.png"));
    const auto shoot = [] { pressKey(SDLK_s), pressKey(SDLK_ESCAPE); };
    painter.plan[0] = shoot;
    startDemo(1, "").run();
    EXPECT_EQ(read("bin/screenshots/kept.png"), "mine");
    std::filesystem::remove(shots / "screenshot.png");
    write("bin/screenshots/screenshot.png", "the user's");
    painter.plan[int(painter.times.size())] = shoot;
    testing::internal::CaptureStderr();
    startDemo(1, "").run();
    EXPECT_NE(testing::internal::GetCapturedStderr().find(
                  "[Marquel] Not saving 'screenshots/screenshot.png': the player did not write it"),
              std::string::npos);
    EXPECT_EQ(read("bin/screenshots/screenshot.png"), "the user's");

    painter.plan.clear();
    Marquel::System& s = startDemo(30, R"(<videodump name="cut.mp4" fps="10"/>)");
    rlimit old, low;
    getrlimit(RLIMIT_FSIZE, &old), low = {6000, old.rlim_max}, setrlimit(RLIMIT_FSIZE, &low);
    testing::internal::CaptureStderr();
    EXPECT_ANY_THROW(s.run());
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(testing::internal::GetCapturedStderr().find("(100 %)"), std::string::npos);
    EXPECT_LT(painter.times.size(), 150u) << "the frames after the failed write are not drawn";
}
