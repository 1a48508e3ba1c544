#include "marquel/Effect.h"

#include "marquel/Display.h"
#include "marquel/System.h"
#include "vorlik/TextureManager.h"

namespace Marquel {

void Effect::trigger(float, const std::string&, const std::string&) {
}

void Effect::spline(float, const std::string&, float) {
}

void Effect::load(System*) {
}

void Effect::init(Display* display, System* system) {
    this->display = display;
    this->system = system;
    textures = display->getTextureManager();
    // Effects load their pictures by name, so the textures must read through the same
    // search paths and archives as everything else.
    // A display without OpenGL has no textures to give.
    if (textures)
        textures->setFileSystem(&system->files);
    load(system);
    initialised = true;
}

} // namespace Marquel
