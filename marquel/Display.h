#pragma once

namespace Vorlik {
class TextureManager;
}

namespace Marquel {

// The window the demo draws into. Each display owns the texture manager through which
// effects load their textures.
class Display {
public:
    virtual ~Display() = default;

    virtual Vorlik::TextureManager* getTextureManager() = 0;
};

} // namespace Marquel
