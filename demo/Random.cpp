#include "demo/Random.h"

namespace Random {

namespace {
// One sequence for the whole program, like the C library's: the effects seed it right
// before they draw from it.
uint32_t state = 1;
} // namespace

void srand(uint32_t seed) {
    state = seed;
}

int32_t rand() {
    // The low bits of a power-of-two LCG repeat quickly, so hand out bits 16 to 30.
    state = state * 1103515245u + 12345u;
    return static_cast<int32_t>((state >> 16) & RAND_LIMIT);
}

} // namespace Random
