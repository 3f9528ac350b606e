#include <gtest/gtest.h>

#include "shell/random.h"

TEST(DemoRand, FollowsTheLinearCongruence) {
  demo_srand(1);
  // state = 1 * 1103515245 + 12345 = 1103527590; (state >> 16) & 0x7FFF = 16838
  EXPECT_EQ(demo_rand(), 16838);
  EXPECT_EQ(demo_rand_state, 1103527590u);
  demo_srand(-1);
  EXPECT_EQ(demo_rand_state, 0xFFFFFFFFu);
  for (int i = 0; i < 1000; ++i) {
    int32_t r = demo_rand();
    ASSERT_GE(r, 0);
    ASSERT_LE(r, 32767);
  }
}
