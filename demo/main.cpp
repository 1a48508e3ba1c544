// The demo program: the player with the demo's own effects, driven by the script that the
// configuration names.
#include "demo/DemoEffects.h"
#include "marquel/System.h"

#include <cstdio>
#include <exception>

namespace {

// Everything lives inside this function, so that by the time main reports an error the
// effects and the system are gone and the window is closed.
void play() {
    Marquel::System system;
    system.addSearchPath("../");
    system.addSearchPath("../data/");
    system.init("");
    // Built after init and destroyed before the system, in reverse order.
    DemoEffects effects;
    effects.registerWith(system);
    system.run();
}

} // namespace

int main() {
    try {
        play();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Error: %s\n", e.what());
        return 1;
    } catch (...) {
        std::fprintf(stderr, "Error: Unknown exception!\n");
        return 1;
    }
    return 0;
}
