#include "demo/DemoEffects.h"

#include "marquel/System.h"

void DemoEffects::registerWith(Marquel::System& system) {
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
    system.addEffect("shader", &shader);
    system.loader = &loader;
}
