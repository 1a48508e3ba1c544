#pragma once

#include "marquel/shader/ShaderProgram.h"

namespace Marquel {
namespace Shader {

// What the driver offers beyond OpenGL 2.0 that a shader node's quad must set.
struct QuadFeatures {
    bool framebuffers = false;
    bool vertexArrays = false;
    bool samplers = false;
    // Rasterizer discard and sRGB writes.
    bool gl30 = false;
    int clipPlanes = 0;

    // Those of the current context.
    static QuadFeatures ofDriver();
};

// Sets every piece of state a shader node's quad depends on and puts it back when it goes:
// what an effect before left (a small viewport, a colour mask, a subtracting blend, its own
// framebuffer, vertex array, sampler or pixel store) must not change the picture, and the effects after
// find the state they left. Reads of the frame go to the window's back buffer meanwhile.
class QuadState {
public:
    QuadState(const QuadFeatures& features, int width, int height);
    ~QuadState();
    QuadState(const QuadState&) = delete;
    QuadState& operator=(const QuadState&) = delete;

private:
    const QuadFeatures& features;
    int drawFramebuffer = 0;
    int readFramebuffer = 0;
    int vertexArray = 0;
    int program = 0;
    int unpackBuffer = 0;
    int samplers[TEXTURE_COUNT] = {};
    bool discard = false;
    bool srgb = false;
};

} // namespace Shader
} // namespace Marquel
