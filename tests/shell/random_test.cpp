#include "shell/random.h"

#include <gtest/gtest.h>

TEST(DemoRand, FollowsTheLinearCongruence) {
  demo_srand(1);
  // state = state * 1103515245 + 12345; the draw is (state >> 16) & 0x7FFF.
  EXPECT_EQ(demo_rand(), 16838);
  EXPECT_EQ(demo_rand_state, 1103527590u);
  EXPECT_EQ(demo_rand(), 5758);
  EXPECT_EQ(demo_rand(), 10113);
  demo_srand(-1);
  EXPECT_EQ(demo_rand_state, 0xFFFFFFFFu);
}
