#include <gtest/gtest.h>

#include <algorithm>

#include "display_fixture.h"

namespace {

bool all_are(const uint32_t* p, uint32_t v) {
  return std::all_of(p, p + screen_pixels, [v](uint32_t q) { return q == v; });
}

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

TEST_P(Presenter, BlendsAndFadesEveryPixel) {
  struct Case {
    const char* what;
    uint32_t frame, prev, fade, blend, mode, want_frame, want_prev;
  };
  const Case cases[] = {
      {"blend halves into both", 0xFFFFFFFF, 0, 0, 1, 0, 0x7F7F7F7F, 0x7F7F7F7F},
      {"blend drops low bits first", 0x00030001, 0x000100FF, 0, 1, 0, 0x0001007F, 0x0001007F},
      {"blend switched off", 0xFFFFFFFF, 0x01020304, 0, 0, 0, 0xFFFFFFFF, 0x01020304},
      {"fade up saturates at 255", 0x00804020, 0x11111111, 0xA0A0A0, 1, 1, 0x00FFE0C0, 0x11111111},
      {"fade up keeps the top byte", 0x12345678, 0, 0xFFFFFF, 1, 1, 0x12FFFFFF, 0},
      {"fade down saturates at 0", 0x00804020, 0x11111111, 0xA0A0A0, 1, 2, 0, 0x11111111},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    clear_buffers(c.frame);
    fill_prev_frame(c.prev);
    fade_colour = int32_t(c.fade);
    blend_enabled = int32_t(c.blend);
    present_frame(c.fade ? 0 : 1, int32_t(c.mode));
    EXPECT_TRUE(all_are(FrameBuffer, c.want_frame)) << std::hex << FrameBuffer[0];
    EXPECT_TRUE(all_are(prev_frame, c.want_prev)) << std::hex << prev_frame[0];
  }
}

TEST_P(Presenter, SkipChangesNothingAndHandlesNoMessages) {
  clear_buffers(0xFFFFFFFF);
  fill_prev_frame(0);
  platform_post_message(wm_keydown, vk_z, 0);
  present_skip = 1;
  present_frame(1, 1);
  EXPECT_TRUE(all_are(FrameBuffer, 0xFFFFFFFF) && all_are(prev_frame, 0));
  EXPECT_EQ(std::pair(int{mosaic_mode}, display_byte(80, 100, 0)), std::pair(0, uint8_t{0}));
}

// Every byte of the display: the doubled picture on even rows of the centred 640x400 area,
// the canary everywhere else (the 24-bit writer moves 6 bytes a pixel and must stop in time).
TEST_P(Presenter, ScalesIntoTheCentreWithScanlinesAndWritesNothingElse) {
  int32_t pitch = 0, bpp = 0;
  uint8_t* display = const_cast<uint8_t*>(headless_display(&pitch, &bpp));
  EXPECT_EQ(bpp, GetParam() ? 32 : 24);  // a refused 24-bit mode falls back to 32
  std::fill(display, display + pitch * 600, 0xAB);
  for (int i = 0; i < screen_pixels; ++i) FrameBuffer[i] = 0xEE000000u | uint32_t(i * 2654435761u >> 8);
  present_frame(0, 0);
  int bytes = bpp / 8;
  for (int y = 0; y < 600; ++y)
    for (int x = 0; x < 800; ++x) {
      const bool outside = x < 80 || x >= 720 || y < 100 || y >= 500 || y % 2 == 1;
      const uint32_t s = outside ? 0xABABABAB : FrameBuffer[(y - 100) / 2 * screen_width + (x - 80) / 2];
      for (int c = 0; c < bytes; ++c)
        ASSERT_EQ(display[y * pitch + x * bytes + c], uint8_t(s >> 8 * c)) << x << "," << y;
    }
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
  const char* level7 = ".#.##.#..#.##...";  // level 7 as drawn, row by row
  for (int k = 0; k < 16; ++k) {
    const int r = k / 4, c = k % 4;
    EXPECT_EQ(cell_dot(0, 0, r, c), 0xFF) << k;
    EXPECT_EQ(display_byte(80 + c * 2 + 1, 100 + r * 2, 2), 0xFF) << k;  // doubled
    EXPECT_EQ(display_byte(80 + c * 2, 101 + r * 2, 0), 0x00) << k;      // scanline left alone
    EXPECT_EQ(cell_dot(1, 0, r, c), 0x00) << k;
    EXPECT_EQ(cell_dot(0, 2, r, c), level7[k] == '#' ? 0xFF : 0x00) << k;
  }
}

TEST_P(Presenter, LostSurfaceIsRestoredAndTheFrameDropped) {
  clear_buffers(0x00FFFFFF);
  headless_lose_surface();
  present_frame(0, 0);
  EXPECT_EQ(std::pair(last_result, display_byte(80, 100, 0)),
            std::pair(int32_t{dderr_surfacelost}, uint8_t{0}));
  present_frame(0, 0);  // the next frame locks again
  EXPECT_EQ(std::pair(last_result, display_byte(80, 100, 0)), std::pair(int32_t{dd_ok}, uint8_t{0xFF}));
  clear_screen();
  EXPECT_EQ(display_byte(80, 100, 0), 0);
}

INSTANTIATE_TEST_SUITE_P(Depths, Presenter, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Bits32" : "Bits24"; });

TEST(PresenterBuffers, LayoutAndNoDisplay) {
  clear_buffers(0x01020304);
  EXPECT_EQ(std::pair(FrameBuffer[63999], ZBuffer[0]), std::pair(0x01020304u, INT32_MIN));
  const auto* base = reinterpret_cast<uint8_t*>(FrameBuffer);  // the drawers rely on these distances
  EXPECT_EQ(
      std::pair(reinterpret_cast<uint8_t*>(ZBuffer) - base, reinterpret_cast<uint8_t*>(prev_frame) - base),
      std::pair(std::ptrdiff_t{256000}, std::ptrdiff_t{512000}));
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
