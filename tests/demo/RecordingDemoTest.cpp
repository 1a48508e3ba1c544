// The real demo end to end: the built player, with the generated data, records its first
// seconds into a video dump under the X server the tests run in.

#include "common/TempDir.h"
#include "demo/RunFolder.h"
#include "vx/FileSystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using testing_support::TempDir;

namespace {

namespace fs = std::filesystem;

constexpr int WIDTH = 160;
constexpr int HEIGHT = 90;
constexpr int FPS = 10;
constexpr float SECONDS = 2;

class RecordingDemoTest : public testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY"))
            GTEST_SKIP() << "needs an X server (the test suite runs under xvfb-run)";
    }

    // The dumped frames in order, each as its pixels.
    std::vector<std::vector<uint8_t>> frames() {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir.path() / "bin" / "screenshots"))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        Vx::FileSystem output;
        output.addPath((dir.path() / "bin" / "screenshots").string() + "/");
        std::vector<std::vector<uint8_t>> pictures;
        for (size_t i = 0; i < names.size(); ++i) {
            char expected[32];
            std::snprintf(expected, sizeof expected, "frame.%06zu.png", i);
            EXPECT_EQ(names[i], expected);
            Vx::Image image = output.loadImage(names[i], -1, true);
            EXPECT_EQ(image->getWidth(), WIDTH);
            EXPECT_EQ(image->getHeight(), HEIGHT);
            const uint8_t* data = image->getData();
            pictures.emplace_back(data, data + WIDTH * HEIGHT * 4);
        }
        return pictures;
    }

    TempDir dir;
    demo_test::RunFolder run{dir.path()};
};

// Mean absolute difference of two frames per colour byte.
double difference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i)
        sum += i % 4 == 3 ? 0 : std::abs(int(a[i]) - int(b[i]));
    return sum / (a.size() * 3 / 4);
}

double brightness(const std::vector<uint8_t>& frame) {
    return difference(frame, std::vector<uint8_t>(frame.size(), 0));
}

} // namespace

TEST_F(RecordingDemoTest, RecordsTheFirstSecondsFrameByFrame) {
    run.cutScript(SECONDS);
    dir.write("marquel.xml",
              "<demo>\n\t<time start=\"0\"/>\n\t<window width=\"" + std::to_string(WIDTH) +
                  "\" height=\"" + std::to_string(HEIGHT) +
                  "\" type=\"opengl\"/>\n\t<videodump name=\"frame.png\" fps=\"" +
                  std::to_string(FPS) +
                  "\"/>\n\t<music file=\"demo.ogg\"/>\n\t<script file=\"demo.xml\"/>\n</demo>\n");
    ASSERT_EQ(run.runPlayer().code, 0);

    const auto pictures = frames();
    // One frame per tenth of a second, from the first step up to the last before the cut: the
    // dump's clock counts whole steps from the start, so one lands on the cut exactly, where
    // no node runs and nothing is written.
    ASSERT_EQ(pictures.size(), size_t(SECONDS * FPS) - 1);
    // The backdrop fades in over the first seconds: every frame moves on from the one before
    // and the last is much brighter than the first.
    int changed = 0;
    for (size_t i = 1; i < pictures.size(); ++i)
        changed += difference(pictures[i - 1], pictures[i]) > 0.1;
    EXPECT_EQ(changed, int(pictures.size()) - 1);
    EXPECT_GT(brightness(pictures.back()), brightness(pictures.front()) + 10);
    // The write-back kept the dump, and the run left the user's copy in place.
    EXPECT_NE(dir.read("marquel.xml").find("videodump"), std::string::npos);
}
