#pragma once

#include "marquel/Effect.h"

#include <memory>
#include <string>

namespace Marquel {

// Draws each of its nodes as a GLSL fragment shader over the whole window, alpha-blended
// over what the nodes before drew. One registered effect serves any number of nodes, each
// with its own file and state. The script drives it (docs/EFFECTS.md, "Shader effects"):
// the trigger "shader" names the file, "texture0" to "texture3" a picture, "frame",
// "previous" or "spectrum"; every spline, and every trigger whose value is a number, sets
// the float uniform of its name. Saved files are shown at the next frame while the demo
// plays; a file that does not build keeps the last good program drawing and says why on
// standard error and the HUD. Each node sets all the OpenGL state its quad depends on and
// puts it back. The effect may outlive its system: its OpenGL objects go before the
// system's window closes.
class ShaderEffect : public Effect {
public:
    ShaderEffect();
    ~ShaderEffect() override;

    void start() override;
    void trigger(float time, const std::string& name, const std::string& value) override;
    void spline(float time, const std::string& name, float value) override;
    void render(float time, float dt, float progress) override;
    void frameDrawn() override;
    void load(System* system) override;

private:
    struct Parts;
    std::unique_ptr<Parts> parts;
};

} // namespace Marquel
