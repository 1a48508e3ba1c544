#include "demo/EffectTexture.h"

#include "marquel/Exception.h"
#include "vorlik/TextureManager.h"

Vorlik::TextureRef loadEffectTexture(Vorlik::TextureManager* textures, const std::string& name) {
    if (!textures)
        throw Marquel::Exception("[Marquel] The demo's effects need an OpenGL window; cannot "
                                 "load '%s' (set the window type to \"opengl\")",
                                 name.c_str());
    return textures->getTexture(name);
}
