#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "display_fixture.h"

namespace {

class Presenter : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    open_test_display(GetParam());
    present_skip = 0;
    blend_enabled = 1;
    mosaic_mode = 0;
    fade_colour = 0;
    quit_flag = 0;
  }
  void TearDown() override { platform_close(); }
};

TEST_P(Presenter, ModeFallsBackTo32Bits) { EXPECT_EQ(display_bpp, GetParam() ? 32 : 24); }

TEST_P(Presenter, BlendsHalvesIntoBothBuffersThenFades) {
  clear_buffers(0xFFFFFFFF);
  fill_prev_frame(0);
  present_frame(1, 0);
  EXPECT_TRUE(
      std::all_of(FrameBuffer, FrameBuffer + screen_pixels, [](uint32_t p) { return p == 0x7F7F7F7F; }));
  EXPECT_TRUE(
      std::all_of(prev_frame, prev_frame + screen_pixels, [](uint32_t p) { return p == 0x7F7F7F7F; }));
  // Low bits are dropped before the sum: 0x03 and 0x01 give 1 + 0.
  FrameBuffer[5] = 0x00030001;
  prev_frame[5] = 0x000100FF;
  present_frame(1, 0);
  EXPECT_EQ(FrameBuffer[5], 0x0001007Fu);
  EXPECT_EQ(prev_frame[5], 0x0001007Fu);

  // Fade mode 1 saturates at 255, mode 2 at 0; prev_frame keeps the unfaded picture.
  clear_buffers(0x00804020);
  fill_prev_frame(0x11111111);
  fade_colour = 0x00A0A0A0;
  present_frame(0, 1);
  EXPECT_EQ(FrameBuffer[0], 0x00FFE0C0u);
  EXPECT_EQ(prev_frame[0], 0x11111111u);
  clear_buffers(0x00804020);
  present_frame(0, 2);
  EXPECT_EQ(FrameBuffer[0], 0x00000000u);
  clear_buffers(0x12345678);
  fade_colour = 0xFFFFFF;
  present_frame(0, 1);
  EXPECT_EQ(FrameBuffer[0], 0x12FFFFFFu);

  // Blend asked for but switched off: prev_frame untouched.
  blend_enabled = 0;
  clear_buffers(0xFFFFFFFF);
  fill_prev_frame(0x01020304);
  present_frame(1, 0);
  EXPECT_EQ(FrameBuffer[0], 0xFFFFFFFFu);
  EXPECT_EQ(prev_frame[0], 0x01020304u);
}

TEST_P(Presenter, SkipChangesNothingAndHandlesNoMessages) {
  clear_buffers(0xFFFFFFFF);
  fill_prev_frame(0);
  platform_post_message(wm_keydown, vk_z, 0);
  present_skip = 1;
  present_frame(1, 1);
  EXPECT_EQ(FrameBuffer[0], 0xFFFFFFFFu);
  EXPECT_EQ(prev_frame[0], 0u);
  EXPECT_EQ(mosaic_mode, 0);
  EXPECT_EQ(display_byte(80, 100, 0), 0);
  present_skip = 0;
}

TEST_P(Presenter, ScalesIntoTheCentreWithScanlinesAndWritesNothingElse) {
  int32_t pitch = 0, bpp = 0;
  uint8_t* display = const_cast<uint8_t*>(headless_display(&pitch, &bpp));
  std::fill(display, display + pitch * 600, 0xAB);  // a canary everywhere
  for (int i = 0; i < screen_pixels; ++i) FrameBuffer[i] = 0xEE000000u | uint32_t(i * 2654435761u >> 8);
  present_frame(0, 0);
  int bytes = bpp / 8;
  for (int y = 0; y < 600; ++y) {
    for (int x = 0; x < 800; ++x) {
      const uint8_t* p = display + y * pitch + x * bytes;
      bool inside = x >= 80 && x < 720 && y >= 100 && y < 500 && (y - 100) % 2 == 0;
      if (!inside) {
        for (int c = 0; c < bytes; ++c) {
          ASSERT_EQ(p[c], 0xAB) << x << "," << y;
        }
        continue;
      }
      uint32_t s = FrameBuffer[(y - 100) / 2 * screen_width + (x - 80) / 2];
      ASSERT_EQ(p[0], uint8_t(s));
      ASSERT_EQ(p[1], uint8_t(s >> 8));
      ASSERT_EQ(p[2], uint8_t(s >> 16));
      if (bytes == 4) {
        ASSERT_EQ(p[3], 0xEE);
      }
    }
  }
  // Beyond the surface's rows nothing at all (the 24-bit writer moves 6 bytes a pixel).
  EXPECT_EQ(display_byte(79, 100, 2), 0xAB);
  EXPECT_EQ(display_byte(720, 498, 0), 0xAB);
}

TEST_P(Presenter, MosaicShowsHalftoneLevels) {
  mosaic_mode = 1;
  clear_buffers(0);
  FrameBuffer[0] = 0x00FFFFFF;                   // cell (0, 0): sum 254, level 15
  FrameBuffer[4] = 0x000F0F0F;                   // cell (1, 0): sum 3+9+1 = 13, level 0
  FrameBuffer[4 * screen_width * 2] = 0x808080;  // cell (0, 2): 31+80+15 = 126, level 7
  FrameBuffer[1] = 0x00FFFFFF;                   // not a top-left pixel: ignored
  present_frame(0, 0);
  auto cell_dot = [](int cx, int cy, int r, int c) {
    return display_byte(80 + cx * 8 + c * 2, 100 + cy * 8 + r * 2, 0);
  };
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      EXPECT_EQ(cell_dot(0, 0, r, c), 0xFF);
      EXPECT_EQ(display_byte(80 + c * 2 + 1, 100 + r * 2, 2), 0xFF);  // doubled
      EXPECT_EQ(display_byte(80 + c * 2, 101 + r * 2, 0), 0x00);      // scanline left alone
      EXPECT_EQ(cell_dot(1, 0, r, c), 0x00);
      EXPECT_EQ(cell_dot(0, 2, r, c), dither_patterns[r * 64 + 7 * 4 + c]);
    }
  }
  // Level 7, row 1 is "#.#.".
  EXPECT_EQ(cell_dot(0, 2, 1, 0), 0xFF);
  EXPECT_EQ(cell_dot(0, 2, 1, 1), 0x00);
  mosaic_mode = 0;
}

TEST_P(Presenter, LostSurfaceIsRestoredAndTheFrameDropped) {
  clear_buffers(0x00FFFFFF);
  headless_lose_surface();
  present_frame(0, 0);
  EXPECT_EQ(last_result, dderr_surfacelost);
  EXPECT_EQ(display_byte(80, 100, 0), 0);
  present_frame(0, 0);
  EXPECT_EQ(last_result, dd_ok);
  EXPECT_EQ(display_byte(80, 100, 0), 0xFF);
  clear_screen();
  EXPECT_EQ(display_byte(80, 100, 0), 0);
}

INSTANTIATE_TEST_SUITE_P(Depths, Presenter, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Bits32" : "Bits24"; });

TEST(PresenterTables, LuminanceAndPatterns) {
  build_colour_tables();
  EXPECT_EQ(luma_red[255] + luma_green[255] + luma_blue[255], 254);
  EXPECT_EQ(luma_red[100], 24);    // 24.6
  EXPECT_EQ(luma_green[100], 63);  // 63.2
  EXPECT_EQ(luma_blue[100], 12);   // 12.2
  for (int level = 0; level < 16; ++level) {
    int dots = 0;
    for (int r = 0; r < 4; ++r)
      for (int c = 0; c < 4; ++c) dots += dither_patterns[r * 64 + level * 4 + c] == 0xFF;
    EXPECT_EQ(dots, level < 9 ? level : level + 1) << level;
  }
  for (int k = 0; k < 256; ++k) EXPECT_EQ(mosaic_patterns[k], dither_patterns[k] ? 0xFFFFFFFFu : 0u);
}

TEST(PresenterBuffers, ClearsAndRowTable) {
  clear_buffers(0x01020304);
  EXPECT_EQ(FrameBuffer[63999], 0x01020304u);
  EXPECT_EQ(ZBuffer[0], INT32_MIN);
  EXPECT_EQ(reinterpret_cast<uint8_t*>(ZBuffer) - reinterpret_cast<uint8_t*>(FrameBuffer), 256000);
  EXPECT_EQ(reinterpret_cast<uint8_t*>(prev_frame) - reinterpret_cast<uint8_t*>(FrameBuffer), 512000);
  set_row_table(prev_frame);
  EXPECT_EQ(row_table[199], prev_frame + 199 * 320);
  set_row_table(FrameBuffer);
  // Without any display, presenting is harmless: the lock fails and the frame is dropped.
  platform_close();
  present_frame(1, 1);
  clear_screen();
  EXPECT_NE(last_result, dd_ok);
}

}  // namespace
