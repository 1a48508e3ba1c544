#pragma once
// A GL window with its texture manager reading pictures that the test writes as PNG files
// into a temporary folder, and a way to see a texture the way an effect would draw it.

#include "common/TempDir.h"
#include "common/WindowFixture.h"
#include "marquel/display/GLDisplay.h"
#include "vorlik/Texture.h"
#include "vorlik/TextureManager.h"
#include "vx/FileSystem.h"
#include "vx/PngCodec.h"

#include <GL/gl.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

using Rgb = std::array<uint8_t, 3>;

class TextureFixture : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        ASSERT_EQ(files.addPath(dir.prefix()), 0);
    }

    void openWindow(int width, int height) {
        display.open("textures", width, height, false);
        manager = display.getTextureManager();
        ASSERT_NE(manager, nullptr);
        manager->setFileSystem(&files);
    }

    // A driver that lacks non-power-of-two textures.
    void withoutNonPowerOfTwo() {
        manager->setExtensionSource([] { return std::string("GL_EXT_bgra GL_ARB_multitexture"); });
    }

    void writePicture(const std::string& name, int width, int height,
                      const std::function<Rgb(int, int)>& colour) {
        Vx::ImageObject image(width, height, nullptr, nullptr, name);
        uint8_t* pixel = image.getWriteData();
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x, pixel += 4) {
                Rgb rgb = colour(x, y);
                pixel[0] = rgb[2];
                pixel[1] = rgb[1];
                pixel[2] = rgb[0];
                pixel[3] = 255;
            }
        std::vector<uint8_t> encoded;
        ASSERT_TRUE(Vx::PngCodec().encode(encoded, image));
        dir.write(name, std::string(encoded.begin(), encoded.end()));
    }

    void writeFlat(const std::string& name, int width, int height, Rgb colour) {
        writePicture(name, width, height, [colour](int, int) { return colour; });
    }

    Vorlik::Texture& asTexture(Vorlik::TextureRef& ref) {
        return dynamic_cast<Vorlik::Texture&>(*ref);
    }

    // Draws the texture over the whole window and reads the back buffer as RGB rows,
    // bottom row first; texture row 0 lands on the bottom row. When the window has the
    // texture's sides every pixel centre samples one texel centre, so the pixels are the
    // texels.
    std::vector<uint8_t> drawAndRead(Vorlik::TextureRef& ref) {
        Vorlik::Texture& texture = asTexture(ref);
        SDL_Surface* screen = SDL_GetVideoSurface();
        viewWidth = screen->w;
        viewHeight = screen->h;
        glViewport(0, 0, viewWidth, viewHeight);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_BLEND);
        glDisable(GL_LIGHTING);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glEnable(texture.getTarget());
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
        texture.bind();
        glBegin(GL_QUADS);
        glTexCoord2f(0, 0);
        glVertex2f(-1, -1);
        glTexCoord2f(1, 0);
        glVertex2f(1, -1);
        glTexCoord2f(1, 1);
        glVertex2f(1, 1);
        glTexCoord2f(0, 1);
        glVertex2f(-1, 1);
        glEnd();
        texture.unbind();
        glDisable(texture.getTarget());
        std::vector<uint8_t> rgb(size_t(viewWidth) * viewHeight * 3);
        glReadBuffer(GL_BACK);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, viewWidth, viewHeight, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        return rgb;
    }

    Rgb pixelAt(const std::vector<uint8_t>& rgb, int x, int y) const {
        const uint8_t* p = &rgb[(size_t(y) * viewWidth + x) * 3];
        return {p[0], p[1], p[2]};
    }

    Rgb centreOf(Vorlik::TextureRef& ref) {
        std::vector<uint8_t> rgb = drawAndRead(ref);
        return pixelAt(rgb, viewWidth / 2, viewHeight / 2);
    }

    // The level-0 sides OpenGL holds for the texture.
    std::array<int, 2> glSides(Vorlik::TextureRef& ref, int level = 0) {
        Vorlik::Texture& texture = asTexture(ref);
        texture.bind();
        std::array<int, 2> sides{};
        glGetTexLevelParameteriv(texture.getTarget(), level, GL_TEXTURE_WIDTH, &sides[0]);
        glGetTexLevelParameteriv(texture.getTarget(), level, GL_TEXTURE_HEIGHT, &sides[1]);
        texture.unbind();
        return sides;
    }

    testing_support::TempDir dir;
    Vx::FileSystem files;
    Marquel::GLDisplay display;
    Vorlik::TextureManager* manager = nullptr;
    int viewWidth = 0;
    int viewHeight = 0;
};
