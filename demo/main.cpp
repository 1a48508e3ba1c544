// The demo program: the player with the demo's own effects, driven by the script that the
// configuration names.
#include "demo/BeatSignal.h"
#include "demo/ClearEffect.h"
#include "demo/FlashEffect.h"
#include "demo/ImageEffect.h"
#include "demo/LoaderEffect.h"
#include "demo/StarEffect.h"
#include "demo/SynchEffect.h"
#include "demo/TorusEffect.h"
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

    BeatSignal beat;
    LoaderEffect loader;
    SynchEffect synch(&beat);
    ClearEffect quessa(&beat);
    ImageEffect kelCool(&beat);
    ImageEffect kelCoolMouth(&beat);
    ImageEffect kelBack1(&beat);
    ImageEffect kelBack2(&beat);
    ImageEffect kelBack3(&beat);
    ImageEffect kelBack4(&beat);
    ImageEffect kelBoner(&beat);
    TorusEffect torus(&beat);
    FlashEffect tolvy(&beat);
    StarEffect star(&beat);

    system.addEffect("synch", &synch);
    system.addEffect("quessa", &quessa);
    system.addEffect("kel cool", &kelCool);
    system.addEffect("kel coolmouth", &kelCoolMouth);
    system.addEffect("kel back1", &kelBack1);
    system.addEffect("kel back2", &kelBack2);
    system.addEffect("kel back3", &kelBack3);
    system.addEffect("kel back4", &kelBack4);
    system.addEffect("kel boner", &kelBoner);
    system.addEffect("torus", &torus);
    system.addEffect("tolvy", &tolvy);
    system.addEffect("star", &star);
    system.loader = &loader;

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
