#include "core/crt.h"

#include <gtest/gtest.h>

TEST(CrtRandom, FirstValuesFollowTheLinearCongruentialSequence) {
  crt_srand(1);
  const int expected[] = {41, 18467, 6334, 26500, 19169};
  for (int e : expected) EXPECT_EQ(crt_rand(), e);
}

TEST(CrtRandom, SrandRestartsTheSequence) {
  crt_srand(1);
  int a = crt_rand();
  crt_srand(1);
  EXPECT_EQ(crt_rand(), a);
}

TEST(CrtClock, CanBeSetByTests) {
  crt_set_clock([] { return 1234; });
  EXPECT_EQ(crt_clock(), 1234);
  crt_set_clock({});
  EXPECT_GE(crt_clock(), 0);
}

TEST(CrtRandom, DiscardMovesOnAsManyCallsWould) {
  for (uint64_t n : {0ull, 1ull, 2ull, 7ull, 1000ull, 65537ull}) {
    crt_srand(12345);
    for (uint64_t i = 0; i < n; ++i) crt_rand();
    const int next = crt_rand();
    const uint32_t state = crt_rand_state();
    crt_srand(12345);
    crt_rand_discard(n);
    EXPECT_EQ(crt_rand(), next) << n;
    EXPECT_EQ(crt_rand_state(), state) << n;
  }
}
