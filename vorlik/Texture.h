#pragma once

#include "vorlik/TextureBase.h"
#include "vx/Image.h"

#include <cstdint>

namespace Vorlik {

// An OpenGL texture made from a picture. The picture is kept for as long as the texture
// lives, so the texture can be uploaded again after the context was lost.
class Texture : public TextureBase {
public:
    // Sides follow the picture, rounded up to powers of two unless mipmaps are built or the
    // manager's driver announces non-power-of-two textures. Throws Vorlik::Exception when
    // the description fits no target, and Vx::Exception for an empty picture handle.
    Texture(TextureManager* manager, const TextureDesc& desc, const Vx::Image& image);
    // Deletes the OpenGL object too.
    ~Texture() override;

    void bind() override;
    void unbind() override;
    uint32_t getId() const override { return id; }
    void reload() override;
    void release() override;

    // GL_TEXTURE_1D or GL_TEXTURE_2D; 0 before one was chosen.
    uint32_t getTarget() const { return target; }
    const Vx::Image& getImage() const { return image; }

private:
    void chooseSides(const Vx::ImageObject& picture);
    void chooseTarget();
    void upload(const Vx::Image& picture);

    uint32_t id = 0;
    uint32_t target = 0;
    Vx::Image image;
};

} // namespace Vorlik
