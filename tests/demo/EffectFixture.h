#pragma once
// A real OpenGL window with the player's frame state, a system whose files are a temporary
// folder of test pictures, and read-back of the drawn frame before it is shown.

#include "common/TempDir.h"
#include "common/WindowFixture.h"
#include "demo/BeatSignal.h"
#include "marquel/display/GLDisplay.h"
#include "marquel/System.h"
#include "vx/ImageObject.h"
#include "vx/PngCodec.h"

#include <GL/gl.h>
#include <gmock/gmock.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

using Rgba = std::array<int, 4>;

class EffectFixture : public WindowFixture {
protected:
    static constexpr int WIDTH = 640;
    static constexpr int HEIGHT = 480;

    void SetUp() override {
        WindowFixture::SetUp();
        system.addSearchPath(dir.prefix());
        display.open("effects", WIDTH, HEIGHT, false);
    }

    // A PNG of the given sides whose pixel (x, y), top row first, is colour(x, y).
    void writePicture(const std::string& name, int width, int height,
                      const std::function<Rgba(int, int)>& colour) {
        Vx::ImageObject image(width, height, nullptr, nullptr, name);
        uint8_t* pixel = image.getWriteData();
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x, pixel += 4) {
                const Rgba c = colour(x, y);
                pixel[0] = static_cast<uint8_t>(c[2]);
                pixel[1] = static_cast<uint8_t>(c[1]);
                pixel[2] = static_cast<uint8_t>(c[0]);
                pixel[3] = static_cast<uint8_t>(c[3]);
            }
        std::vector<uint8_t> encoded;
        ASSERT_TRUE(Vx::PngCodec().encode(encoded, image));
        dir.write(name, std::string(encoded.begin(), encoded.end()));
    }

    void writeFlat(const std::string& name, Rgba colour) {
        writePicture(name, 16, 16, [colour](int, int) { return colour; });
    }

    // One frame as the player draws it: the display's frame state, then the effects' renders
    // in order; the frame is read back before it is shown.
    void frame(const std::function<void()>& renders) {
        display.beginFrame();
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        renders();
        pixels.assign(size_t(WIDTH) * HEIGHT * 4, 0);
        glReadBuffer(GL_BACK);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, WIDTH, HEIGHT, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        display.endFrame();
    }

    // A pixel of the last frame, x from the left, y from the bottom.
    Rgba pixel(int x, int y) const {
        const uint8_t* p = &pixels[(size_t(y) * WIDTH + x) * 4];
        return {p[0], p[1], p[2], p[3]};
    }

    // The window pixel where a point of the frame's 45-degree perspective lands; z is the
    // distance in front of the camera, negative.
    static std::array<int, 2> project(float x, float y, float z) {
        const float halfHeight = -z * std::tan(22.5f * 3.14159265f / 180);
        const float halfWidth = halfHeight * WIDTH / HEIGHT;
        return {static_cast<int>((x / halfWidth + 1) * WIDTH / 2),
                static_cast<int>((y / halfHeight + 1) * HEIGHT / 2)};
    }

    // Pixels of the last frame with any channel above threshold, inside the box of the given
    // half-side around (cx, cy), clipped to the window.
    int litAround(int cx, int cy, int half, int threshold = 40) const {
        int count = 0;
        for (int y = std::max(0, cy - half); y <= std::min(HEIGHT - 1, cy + half); ++y)
            for (int x = std::max(0, cx - half); x <= std::min(WIDTH - 1, cx + half); ++x) {
                const Rgba c = pixel(x, y);
                if (c[0] > threshold || c[1] > threshold || c[2] > threshold)
                    ++count;
            }
        return count;
    }

    testing_support::TempDir dir;
    Marquel::System system;
    Marquel::GLDisplay display;
    BeatSignal beat;
    std::vector<uint8_t> pixels;
};

// Channels compared with a few levels of tolerance for software rasterisation.
MATCHER_P2(NearColour, expected, tolerance, "") {
    for (int i = 0; i < 3; ++i)
        if (std::abs(arg[i] - expected[i]) > tolerance)
            return false;
    return true;
}
