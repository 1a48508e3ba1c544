#pragma once

#include "vorlik/TextureRef.h"

#include <string>

namespace Vorlik {
class TextureManager;
}

// The texture of the named picture from textures. Throws Marquel::Exception when there is no
// texture manager, which happens when the configuration asks for a window without OpenGL.
Vorlik::TextureRef loadEffectTexture(Vorlik::TextureManager* textures, const std::string& name);
