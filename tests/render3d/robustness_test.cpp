// Exact arithmetic helpers and fillers fed with hostile geometry.
#include <gtest/gtest.h>

#include <cstring>

#include "render3d/arith.h"
#include "render3d/fillers.h"
#include "render_fixture.h"

namespace {

TEST(SharedDivisor, MatchesTruncatingDivision) {
  uint32_t state = 5;
  for (int32_t d = -3; d <= reciprocal_limit + 3; ++d) {
    const SharedDivisor divisor = shared_divisor(d);
    const int32_t edge[] = {0, 1, -1, d, -d, d - 1, 1 - d, INT32_MAX, INT32_MIN, INT32_MIN + 1, 65535 << 16};
    for (int32_t a : edge) {
      ASSERT_EQ(divide(a, divisor), div_trunc(a, d)) << a << " / " << d;
      ASSERT_EQ(div_trunc_fast(a, d), div_trunc(a, d)) << a << " / " << d;
      ASSERT_EQ(div_trunc_fast(d, a), div_trunc(d, a)) << d << " / " << a;
    }
    for (int i = 0; i < 2000; ++i) {
      state = state * 1103515245u + 12345u;
      const int32_t a = int32_t(state ^ (state >> 15) << 7);
      ASSERT_EQ(divide(a, divisor), d ? a / d : 0) << a << " / " << d;
      const int32_t b = int32_t(state * 2654435761u) >> (i % 31);
      ASSERT_EQ(div_trunc_fast(a, b), div_trunc(a, b)) << a << " / " << b;
    }
  }
  EXPECT_EQ(div_trunc(INT32_MIN, -1), INT32_MIN);
  EXPECT_EQ(div_trunc(7, 0), 0);
  EXPECT_EQ(trunc_i32(-2.9), -2);
  EXPECT_EQ(trunc_i32(3e10), INT32_MIN);
}

using Hostile = RenderTest;

TEST_F(Hostile, FillersStayInsideTheScreen) {
  // Corners far outside the screen, degenerate and huge: nothing may be written outside the
  // FrameBuffer and ZBuffer (prev_frame lies right after them).
  uint32_t state = 9;
  auto next = [&state](int range) {
    state = state * 1103515245u + 12345u;
    return int32_t((state >> 8) % uint32_t(2 * range + 1)) - range;
  };
  const uint32_t* flat_texture = plain_texture<0x10101010>();
  for (int round = 0; round < 4000; ++round) {
    const int range = round % 4 == 0 ? 30000 : round % 4 == 1 ? 2000 : round % 4 == 2 ? 400 : 20000000;
    for (int k = 0; k < 3; ++k) {
      FillVertex& c = fill_triangle[k];
      c = {next(range), next(range),     next(3000),      next(100000),    next(100000),   next(1000),
           next(1000),  next(255) & 255, next(255) & 255, next(255) & 255, next(255) & 255};
    }
    const int kind = round % 6;
    if (kind == 0) fill_textured(flat_texture, uint32_t(round / 6 % 3));
    if (kind == 1) fill_env_mapped(flat_texture, coord_texture);
    if (kind == 2) fill_colour_modulated(flat_texture);
    if (kind == 3) fill_flat(0x808080, uint32_t(round / 6 % 2));
    if (kind >= 4)
      draw_sprite(next(range), next(range), next(3000), int16_t(next(32767)), 0x010101, flat_texture);
  }
  EXPECT_TRUE(nothing_past_the_screen());
}

}  // namespace
