#include <gtest/gtest.h>

#include <utility>

#include "platform/platform.h"
#include "shell/fade.h"
#include "shell/present.h"
#include "shell/timer.h"

namespace {

TEST(FadeRamp, StepsEveryThreeUnitsAndClamps) {
  fade_state = -1;
  fade_base[0] = fade_base[1] = fade_base[2] = 0;
  // Started in the first call (n = 0 gives the base); one step every three units; blue
  // saturates at 0, red and green at 255.
  const std::pair<float, int32_t> steps[] = {
      {10.0f, 0}, {12.9f, 0}, {13.0f, 0x111100}, {16.0f, 0x222200}, {55.0f, 0xFFFF00}};
  for (auto [time, colour] : steps) {
    scene_time = time;
    fade_ramp(17, 17, -17);
    EXPECT_EQ(std::pair(fade_state, fade_colour), std::pair(0, colour)) << time;
  }
  // Backwards in time counts by the absolute difference.
  fade_base[2] = 200;
  scene_time = 4.0f;
  fade_ramp(1, 0, -10);
  EXPECT_EQ(fade_colour, 0x0200B4);
  // Far past 8388608 steps the ramp stops and leaves the colour.
  scene_time = 3.0e7f;
  fade_ramp(1, 1, 1);
  EXPECT_EQ(std::pair(fade_state, fade_colour), std::pair(1, 0x0200B4));
  fade_ramp_restart();
  EXPECT_EQ(std::pair(fade_state, fade_start_time), std::pair(0, 3.0e7f));
}

TEST(SceneTimer, ReadsZeroUntilEnabledThenAbout45UnitsPerSecond) {
  platform_open_headless({});
  platform_window_create(nullptr);
  ASSERT_EQ(platform_display_create(), dd_ok);
  for (int i = 0; i < 7; ++i) platform_wait_vblank();  // the clock is not at zero
  timer_enabled = 0;
  timer_start();
  platform_wait_vblank();
  timer_update();
  EXPECT_EQ(scene_time, 0.0f);
  timer_enabled = 1;
  timer_start();
  timer_update();
  EXPECT_EQ(scene_time, 0.0f);
  for (int i = 0; i < 60; ++i) platform_wait_vblank();  // one second
  timer_update();
  // 1000 ms * 1194.63 * 8.381906582144438e-07 * 45
  EXPECT_NEAR(scene_time, 45.0597, 1e-4);
  timer_enabled = 0;
  platform_close();
}

}  // namespace
