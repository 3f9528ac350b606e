#include "render3d/effects.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <tuple>
#include <utility>

#include "render3d/pixel_ops.h"
#include "render_fixture.h"
#include "shell/timer.h"

namespace {

using Effects = RenderTest;

uint32_t next_word(uint32_t& state) {
  state = state * 1664525u + 1013904223u;
  return state ^ (state >> 13);
}

TEST(PixelOps, Sse2AndPortableGiveTheSameBytes) {
  EXPECT_EQ(
      (std::array{pixel_portable::add_sat(0xF0800110, 0x20810220),
                  pixel_portable::sub_sat(0x10800330, 0x20810120),
                  pixel_portable::blend(0x12345678, 0xFFFFFFFF, 0), pixel_portable::blend(0, 0xFFFFFFFF, 255),
                  pixel_portable::modulate(0xFF804020, 128, 255, 0)}),
      (std::array{0xFFFF0330u, 0x00000210u, 0x12345678u, 0xFEFEFEFEu, 0x00007F20u}));
#if defined(__SSE2__)
  uint32_t state = 7;
  for (int i = 0; i < 200000; ++i) {
    const uint32_t a = next_word(state), b = next_word(state), k = next_word(state) & 255;
    ASSERT_EQ(pixel_sse2::add_sat(a, b), pixel_portable::add_sat(a, b));
    ASSERT_EQ(pixel_sse2::sub_sat(a, b), pixel_portable::sub_sat(a, b));
    ASSERT_EQ(pixel_sse2::blend(a, b, k), pixel_portable::blend(a, b, k));
    ASSERT_EQ(pixel_sse2::modulate(a, k, b & 255, (b >> 8) & 255),
              pixel_portable::modulate(a, k, b & 255, (b >> 8) & 255));
  }
#endif
}

TEST_F(Effects, CrossfadeClampsAndWeighs) {
  static uint32_t before[64000];
  uint32_t state = 1;
  for (int i = 0; i < 64000; ++i) saved_frame[i] = next_word(state), before[i] = next_word(state);
  // The SSE2 path against the portable blend, for clamped and in-range levels.
  for (auto [level, clamped] : {std::pair{-5, 0}, {300, 255}, {77, 77}}) {
    SCOPED_TRACE(level);
    std::memcpy(FrameBuffer, before, sizeof before);
    crossfade_level = level;
    crossfade_saved_frame();
    EXPECT_EQ(crossfade_level, clamped);
    for (int i = 0; i < 64000; ++i)
      ASSERT_EQ(FrameBuffer[i], pixel_portable::blend(saved_frame[i], before[i], uint32_t(clamped))) << i;
  }
}

TEST_F(Effects, BlurLeavesTheBorders) {
  static uint32_t picture[64000], before[64000];
  auto border = [](int i) { return i < 320 || i >= 199 * 320 || i % 320 < 2 || i % 320 > 317; };
  uint32_t state = 3;
  for (uint32_t& p : picture) p = next_word(state);
  std::memcpy(before, picture, sizeof before);
  blur_frame(5, picture);
  for (int i = 0; i < 64000; ++i) ASSERT_TRUE(!border(i) || picture[i] == before[i]) << i;
}

TEST_F(Effects, DissolveThresholds) {
  static uint32_t image[64000], mask[64000];
  for (int i = 0; i < 64000; ++i) image[i] = 0x123456, mask[i] = 0xFFFFFF00u | uint32_t(i & 255);
  clear_buffers(0xABCDEF);
  scene_time = 100;
  dissolve_start();
  EXPECT_EQ(dissolve_done, 0);
  // e = (time - start) x speed 4, the threshold 255 - e. Only past 255 is the dissolve done; from
  // then on everything is copied. Scene time, e, lowest mask byte copied, done.
  for (auto [time, e, threshold, done] : {std::tuple{100.0f, 0.0f, 255, 0},
                                          {110.0f, 40.0f, 215, 0},
                                          {163.75f, 255.0f, 0, 0},
                                          {101.0f, 4.0f, 251, 0},
                                          {164.0f, 256.0f, 0, 1},
                                          {101.0f, 4.0f, 0, 1}}) {
    SCOPED_TRACE(time);
    scene_time = time;
    dissolve_frame(4.0f, image, mask);
    EXPECT_EQ(std::pair(effect_time, int{dissolve_done}), std::pair(e, done));
    for (int i = 0; i < 512; ++i)
      ASSERT_EQ(FrameBuffer[i], (i & 255) >= threshold ? 0x123456u : 0xABCDEFu) << i;
    clear_buffers(0xABCDEF);
  }
  scene_time = 100;
  dissolve_start();
  present_skip = 1;  // a skipped frame changes nothing
  scene_time = 200;
  dissolve_frame(4.0f, image, mask);
  present_skip = 0;
  EXPECT_EQ(std::pair(int{dissolve_done}, FrameBuffer[0]), std::pair(0, 0xABCDEFu));
  scene_time = 0;
}

}  // namespace
