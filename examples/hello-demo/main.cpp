// A demo of one's own: the player with one effect, driven by the script that marquel.xml names.
#include "HelloEffect.h"

#include <marquel/ShaderEffect.h>
#include <marquel/System.h>

#include <cstdio>
#include <exception>

int main() {
    try {
        Marquel::System system;
        // Run from the project folder: marquel.xml here, the script, picture and music in data/.
        system.addSearchPath("./");
        system.addSearchPath("data/");
        system.init("");
        // Effects are built after init, destroyed before the system, and never deleted by it.
        HelloEffect hello;
        system.addEffect("hello", &hello);
        // A look written in GLSL: the "shader" node names its file in data/.
        Marquel::ShaderEffect shader;
        system.addEffect("shader", &shader);
        system.run();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Error: %s\n", e.what());
        return 1;
    }
    return 0;
}
