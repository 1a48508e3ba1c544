#include "marquel/shader/FrameCopy.h"

#include <epoxy/gl.h>

#include <vector>

namespace Marquel {
namespace Shader {

static_assert(GL_RGBA == 0x1908 && GL_UNSIGNED_BYTE == 0x1401, "the header's defaults");

unsigned makeTexture(int width, int height, const void* pixels, unsigned internalFormat,
                     unsigned format, unsigned type, bool smooth) {
    GLuint id = 0;
    glGenTextures(1, &id);
    glBindTexture(GL_TEXTURE_2D, id);
    const GLint filter = smooth ? GL_LINEAR : GL_NEAREST;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(internalFormat), width, height, 0, format,
                 type, pixels);
    return id;
}

FrameCopy::~FrameCopy() {
    release();
}

void FrameCopy::release() {
    // Nothing is called without names: a copy released with its window has no context.
    if (id)
        glDeleteTextures(1, &id);
    if (black)
        glDeleteTextures(1, &black);
    abandon();
}

void FrameCopy::copy(int width, int height) {
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    if (!id || width != sideX || height != sideY) {
        glDeleteTextures(1, &id);
        id = makeTexture(width, height, nullptr);
        sideX = width;
        sideY = height;
    }
    glBindTexture(GL_TEXTURE_2D, id);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, width, height);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
    copied = true;
}

unsigned FrameCopy::texture() {
    if (copied)
        return id;
    if (!black) {
        static const GLubyte OPAQUE_BLACK[4] = {0, 0, 0, 255};
        GLint bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        black = makeTexture(1, 1, OPAQUE_BLACK);
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
    }
    return black;
}

void FrameCopy::abandon() {
    id = black = 0;
    copied = false;
}

} // namespace Shader
} // namespace Marquel
