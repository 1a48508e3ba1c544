#pragma once

#include "marquel/Display.h"

#include <memory>
#include <string>

namespace Marquel {

// The OpenGL window every effect draws into. It owns the texture manager, whose textures it
// rebuilds when a mode switch loses the OpenGL context.
class GLDisplay : public Display {
public:
    // Out of line, where the texture manager is a complete type.
    GLDisplay();
    ~GLDisplay() override;

    void open(const std::string& caption, int width, int height, bool fullscreen) override;
    // Switches between window and full screen at the current size, trying 32, 24 and then
    // 16 bits per pixel; raises a standard exception when no depth works. The old mode and
    // every texture then stay; the display is closed only when its window was lost too.
    void setFullscreen(bool wanted) override;
    bool isFullscreen() const override { return fullscreen; }
    // Sets the state every frame starts from and saves it, so that endFrame can undo what
    // the effects changed.
    void beginFrame() override;
    void endFrame() override;
    void clearFrame() override;
    // Over the frame, without depth test, alpha-blended. The inspector is centred pixel for
    // pixel, scaled to the window's height when taller than it, and not drawn while hidden;
    // the HUD sits at its exact size 5 pixels from the right and bottom edges.
    void drawInspector(Panel& panel) override;
    void drawHud(Panel& panel) override;
    // The built-in loading bar: across the screen and empty at 0, turned end for end and
    // full at 1.
    void drawProgress(float fraction) override;
    void grabImage(Vx::Image& image) override;
    Vorlik::TextureManager* getTextureManager() override { return textures.get(); }

    // The OpenGL extensions of the open window, as one space-separated text.
    const std::string& getExtensions() const { return extensions; }

private:
    // Corners of a panel's quad in normalised device coordinates.
    struct PanelQuad {
        float left, top, right, bottom;
    };

    // Draws panel over the frame through texture, made on first use and uploaded again
    // whenever the panel is dirty.
    void drawPanel(Panel& panel, unsigned& texture, const PanelQuad& quad);
    // The back buffer's pixels in format, bottom row first, into target: an offset into
    // the bound pixel buffer object when one is bound.
    void readPixels(unsigned format, void* target);
    void readRows(uint8_t* rows) override;
    // SDL_SetVideoMode at the window's size at the first depth that works; false if none.
    bool setVideoMode(bool full);
    void deletePanelTextures();
    void restoreSavedState();

    unsigned inspectorTexture = 0;
    unsigned hudTexture = 0;
    bool stateSaved = false;
    std::string extensions;
    std::unique_ptr<Vorlik::TextureManager> textures;
};

} // namespace Marquel
