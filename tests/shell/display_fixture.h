// A headless display of 800x600 at 24 or 32 bits, set up as demo_main sets up the real one.
#pragma once
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "shell/demo.h"
#include "shell/present.h"
#include "shell/window.h"

inline void open_test_display(bool refuse_24_bit) {
  platform_open_headless(HeadlessOptions{.refuse_24_bit = refuse_24_bit});
  platform_window_create(window_proc);
  ASSERT_EQ(platform_display_create(), dd_ok);
  display_bpp = 24;
  if (platform_display_set_mode(800, 600, 24) != dd_ok) {
    ASSERT_EQ(platform_display_set_mode(800, 600, 32), dd_ok);
    display_bpp = 32;
  }
  ASSERT_EQ(platform_display_create_surface(), dd_ok);
  build_colour_tables();
}

// The display byte at (x, y), channel 0 = blue.
inline uint8_t display_byte(int x, int y, int channel) {
  int32_t pitch = 0, bpp = 0;
  const uint8_t* p = headless_display(&pitch, &bpp);
  return p[y * pitch + x * (bpp / 8) + channel];
}
