#include "demo/SynchEffect.h"

void SynchEffect::load(Marquel::System*) {
    beatSignal->beat = 0;
}

void SynchEffect::trigger(float, const std::string& name, const std::string&) {
    if (name == "baseline")
        beatSignal->beat = 1;
}

void SynchEffect::render(float, float, float) {
    // 1 -> 2 in the trigger's frame, 2 -> 3 -> 0 in the next one.
    if (beatSignal->beat != 0 && ++beatSignal->beat == 3)
        beatSignal->beat = 0;
}
