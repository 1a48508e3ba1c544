#include "marquel/shader/QuadState.h"

#include <epoxy/gl.h>

namespace Marquel {
namespace Shader {

QuadFeatures QuadFeatures::ofDriver() {
    const int version = epoxy_gl_version();
    QuadFeatures features;
    features.gl30 = version >= 30;
    features.framebuffers = features.gl30 || epoxy_has_gl_extension("GL_ARB_framebuffer_object");
    features.vertexArrays = features.gl30 || epoxy_has_gl_extension("GL_ARB_vertex_array_object");
    features.samplers = version >= 33 || epoxy_has_gl_extension("GL_ARB_sampler_objects");
    glGetIntegerv(GL_MAX_CLIP_PLANES, &features.clipPlanes);
    return features;
}

QuadState::QuadState(const QuadFeatures& features, int width, int height) : features(features) {
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    // Bound before the attributes are pushed, so that the draw and read buffers, and the
    // vertex arrays, pushed and popped are those of the window and of the default array.
    if (features.framebuffers) {
        glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &drawFramebuffer);
        glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &readFramebuffer);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
    }
    if (features.vertexArrays) {
        glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vertexArray);
        glBindVertexArray(0);
    }
    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_TEXTURE_BIT | GL_POLYGON_BIT |
                 GL_VIEWPORT_BIT | GL_PIXEL_MODE_BIT);
    // Textures uploaded under the quad (the spectrum, a black copy) read client memory, so an
    // effect's row length, skips or bound pixel buffer would take their bytes elsewhere.
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT | GL_CLIENT_PIXEL_STORE_BIT);
    for (GLenum store : {GL_UNPACK_ROW_LENGTH, GL_UNPACK_SKIP_ROWS, GL_UNPACK_SKIP_PIXELS,
                         GL_UNPACK_IMAGE_HEIGHT, GL_UNPACK_SKIP_IMAGES, GL_UNPACK_SWAP_BYTES,
                         GL_UNPACK_LSB_FIRST})
        glPixelStorei(store, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    if (features.gl30) {
        glGetIntegerv(GL_PIXEL_UNPACK_BUFFER_BINDING, &unpackBuffer);
        glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
    }
    for (int i = 0; features.samplers && i < TEXTURE_COUNT; ++i) {
        glActiveTexture(static_cast<GLenum>(GL_TEXTURE0 + i));
        glGetIntegerv(GL_SAMPLER_BINDING, &samplers[i]);
        glBindSampler(static_cast<GLuint>(i), 0);
    }
    glActiveTexture(GL_TEXTURE0);
    glViewport(0, 0, width, height);
    glDrawBuffer(GL_BACK);
    glReadBuffer(GL_BACK);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    for (GLenum test : {GL_DEPTH_TEST, GL_CULL_FACE, GL_ALPHA_TEST, GL_SCISSOR_TEST,
                        GL_STENCIL_TEST, GL_COLOR_LOGIC_OP, GL_POLYGON_SMOOTH,
                        GL_SAMPLE_ALPHA_TO_COVERAGE, GL_SAMPLE_COVERAGE})
        glDisable(test);
    for (int i = 0; i < features.clipPlanes; ++i)
        glDisable(static_cast<GLenum>(GL_CLIP_PLANE0 + i));
    if (features.gl30) {
        discard = glIsEnabled(GL_RASTERIZER_DISCARD) == GL_TRUE;
        srgb = glIsEnabled(GL_FRAMEBUFFER_SRGB) == GL_TRUE;
        glDisable(GL_RASTERIZER_DISCARD);
        glDisable(GL_FRAMEBUFFER_SRGB);
    }
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glEnable(GL_BLEND);
    glBlendEquation(GL_FUNC_ADD);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

QuadState::~QuadState() {
    for (int i = 0; features.samplers && i < TEXTURE_COUNT; ++i)
        glBindSampler(static_cast<GLuint>(i), static_cast<GLuint>(samplers[i]));
    glUseProgram(static_cast<GLuint>(program));
    if (discard)
        glEnable(GL_RASTERIZER_DISCARD);
    if (srgb)
        glEnable(GL_FRAMEBUFFER_SRGB);
    if (features.gl30)
        glBindBuffer(GL_PIXEL_UNPACK_BUFFER, static_cast<GLuint>(unpackBuffer));
    glPopClientAttrib();
    glPopAttrib();
    if (features.vertexArrays)
        glBindVertexArray(static_cast<GLuint>(vertexArray));
    if (features.framebuffers) {
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(drawFramebuffer));
        glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(readFramebuffer));
    }
}

} // namespace Shader
} // namespace Marquel
