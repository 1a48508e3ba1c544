#include "marquel/Effect.h"

#include "marquel/Display.h"

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
    load(system);
    initialised = true;
}

} // namespace Marquel
