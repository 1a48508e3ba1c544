// The demo's own generator: its range, and the same sequence for the same seed.

#include "demo/Random.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<int32_t> draws(uint32_t seed, int count) {
    Random::srand(seed);
    std::vector<int32_t> out;
    for (int i = 0; i < count; ++i)
        out.push_back(Random::rand());
    return out;
}

TEST(RandomTest, NumbersCoverZeroTo32767AndNoMore) {
    int32_t low = Random::RAND_LIMIT, high = 0;
    int odd = 0;
    for (int32_t n : draws(7, 200000)) {
        ASSERT_GE(n, 0);
        ASSERT_LE(n, 32767);
        low = std::min(low, n);
        high = std::max(high, n);
        odd += n & 1;
    }
    EXPECT_LT(low, 10);
    EXPECT_GT(high, 32757);
    // The lowest bit out is not the LCG's own lowest bit, which only alternates.
    EXPECT_NEAR(odd, 100000, 2000);
}

TEST(RandomTest, TheSameSeedGivesTheSameSequenceAndOthersDiffer) {
    EXPECT_EQ(draws(4123122, 100), draws(4123122, 100));
    EXPECT_EQ(draws(0xffffffffu, 50), draws(0xffffffffu, 50));
    EXPECT_NE(draws(42, 100), draws(43, 100));
    EXPECT_NE(draws(0, 100), draws(1, 100));
    // Seeding restarts: a half-used sequence does not leak into the next.
    Random::srand(42);
    Random::rand();
    EXPECT_EQ(draws(42, 10), draws(42, 10));
}

} // namespace
