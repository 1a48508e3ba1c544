#include "vorlik/Texture.h"

#include "vorlik/Exception.h"
#include "vorlik/Extensions.h"
#include "vorlik/TextureManager.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstring>
#include <vector>

namespace Vorlik {

namespace {

constexpr int FRACTION_BITS = 18;
constexpr GLint COMPONENTS = 4;

int32_t powerOfTwoAtLeast(int32_t side) {
    int32_t power = 1;
    while (power < side)
        power <<= 1;
    return power;
}

// Nearest-neighbour scaling in fixed point. The steps are cut toward zero, so the last
// column and row never reach past the picture.
std::vector<uint32_t> resample(const Vx::ImageObject& picture, int32_t width, int32_t height) {
    const auto one = double(int64_t(1) << FRACTION_BITS);
    const auto stepAcross = int64_t(picture.getWidth() * one / width);
    const auto stepDown = int64_t(picture.getHeight() * one / height);
    std::vector<uint32_t> pixels(size_t(width) * size_t(height));
    const uint8_t* source = picture.getData();
    uint32_t* target = pixels.data();
    int64_t down = 0;
    for (int32_t y = 0; y < height; ++y, down += stepDown) {
        const uint8_t* row = source + size_t(down >> FRACTION_BITS) * picture.getWidth() * 4;
        int64_t across = 0;
        for (int32_t x = 0; x < width; ++x, across += stepAcross)
            std::memcpy(target++, row + size_t(across >> FRACTION_BITS) * 4, 4);
    }
    return pixels;
}

} // namespace

Texture::Texture(TextureManager* manager, const TextureDesc& desc, const Vx::Image& picture)
    : TextureBase(manager, desc) {
    chooseSides(*picture);
    upload(picture);
}

Texture::~Texture() {
    release();
}

void Texture::chooseSides(const Vx::ImageObject& picture) {
    const char* wanted = "ARB_texture_non_power_of_two";
    // GLU scales the picture itself while it builds mipmaps.
    bool ownSides = (flags & TEX_MIPMAP) ||
                    (getManager() ? getManager()->hasExtension(wanted)
                                  : extensionListed(driverExtensions().c_str(), wanted));
    width = ownSides ? picture.getWidth() : powerOfTwoAtLeast(picture.getWidth());
    height = ownSides ? picture.getHeight() : powerOfTwoAtLeast(picture.getHeight());
    depth = 1;
}

void Texture::chooseTarget() {
    target = 0;
    if ((flags & TEX_1D) && width > 0 && height == 1)
        target = GL_TEXTURE_1D;
    if ((flags & TEX_2D) && width > 0 && height > 0)
        target = GL_TEXTURE_2D;
    if (!target)
        throw Exception("Could not load %dx%d image", height, width);
}

void Texture::upload(const Vx::Image& picture) {
    chooseTarget();
    const Vx::ImageObject& source = *picture;
    // A picture without pixels cannot fill even one texel.
    if (!source.getData())
        throw Exception("Could not load %dx%d image", source.getHeight(), source.getWidth());
    std::vector<uint32_t> scaled;
    const void* pixels = source.getData();
    if (width != source.getWidth() || height != source.getHeight()) {
        scaled = resample(source, width, height);
        pixels = scaled.data();
    }
    release();
    glGenTextures(1, &id);
    glBindTexture(target, id);
    image = picture;
    if (target == GL_TEXTURE_2D && (flags & TEX_MIPMAP))
        gluBuild2DMipmaps(target, COMPONENTS, width, height, GL_BGRA, GL_UNSIGNED_BYTE, pixels);
    else if (target == GL_TEXTURE_2D)
        glTexImage2D(target, 0, COMPONENTS, width, height, 0, GL_BGRA, GL_UNSIGNED_BYTE, pixels);
    else if (flags & TEX_MIPMAP)
        gluBuild1DMipmaps(target, COMPONENTS, width, GL_BGRA, GL_UNSIGNED_BYTE, pixels);
    else
        glTexImage1D(target, 0, COMPONENTS, width, 0, GL_BGRA, GL_UNSIGNED_BYTE, pixels);
    glTexParameterf(target, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameterf(target, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameterf(target, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameterf(target, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glBindTexture(target, 0);
}

void Texture::bind() {
    glBindTexture(target, id);
}

void Texture::unbind() {
    glBindTexture(target, 0);
}

void Texture::reload() {
    // upload stores its argument as the kept handle; a copy spares it a self-assignment.
    Vx::Image kept = image;
    upload(kept);
}

void Texture::release() {
    if (id)
        glDeleteTextures(1, &id);
    id = 0;
}

} // namespace Vorlik
