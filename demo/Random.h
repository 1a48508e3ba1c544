#pragma once
// The demo's own pseudo-random numbers. The effects pick star places, colours and shading
// from it, so the same seed must give the same picture on every machine and C library.

#include <cstdint>

namespace Random {

constexpr int32_t RAND_LIMIT = 32767;

// Starts the sequence again from seed.
void srand(uint32_t seed);
// The next number of the sequence, 0 to RAND_LIMIT.
int32_t rand();

} // namespace Random
