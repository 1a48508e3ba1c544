#pragma once

namespace Marquel {
namespace Shader {

// Makes and binds a texture that ends at its edges, of the pixels given (null leaves them
// undefined): RGBA bytes unless the formats say otherwise. Smooth samples between texels;
// otherwise each texel reads as it is, which a machine without a GPU also does faster.
unsigned makeTexture(int width, int height, const void* pixels, unsigned internalFormat = 0x1908,
                     unsigned format = 0x1908, unsigned type = 0x1401, bool smooth = true);

// A texture holding a copy of the back buffer, or one black texel before the first copy.
class FrameCopy {
public:
    FrameCopy() = default;
    ~FrameCopy();
    FrameCopy(const FrameCopy&) = delete;
    FrameCopy& operator=(const FrameCopy&) = delete;

    // Copies the window's width x height pixels; the texture is made, or made anew for
    // another size, on the way.
    void copy(int width, int height);
    // The texture to bind: the copy, or black before the first.
    unsigned texture();
    int width() const { return copied ? sideX : 1; }
    int height() const { return copied ? sideY : 1; }
    // Lets go of the texture names after a lost context, without deleting them.
    void abandon();
    // Deletes the textures while their context lives; the next copy makes them anew.
    void release();

private:
    unsigned id = 0;
    unsigned black = 0;
    int sideX = 0;
    int sideY = 0;
    bool copied = false;
};

} // namespace Shader
} // namespace Marquel
