#include "scenes/intermission.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "../shell/display_fixture.h"
#include "data/texture_scripts.h"
#include "scenes/scenes.h"
#include "shell/present.h"
#include "shell/window.h"
#include "textures/tables.h"

namespace {

uint32_t logo_pixel(int x, int y) { return title_logo[y * title_logo_width + x]; }
bool logo_bit(int x, int y) {
  if (x < 0 || y < 0 || x >= logo_width || y >= logo_height) return false;
  return (logo_bitmap[y * logo_row_bytes + x / 8] >> (7 - x % 8)) & 1;
}

class Intermission : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    build_texture_tables();
    platform_open_headless(HeadlessOptions{.system_second = 6});
    title_images_init();
    platform_close();
  }
  void SetUp() override {
    quit_flag = 0;
    title_dim = 0;
    present_skip = 0;
    blend_enabled = 0;
  }
  void TearDown() override {
    quit_flag = 0;
    blend_enabled = 1;
  }
};

TEST(TitleImages, ExpandBitmapWritesMostSignificantBitFirst) {
  const uint8_t bits[3] = {0x80, 0x01, 0xA5};
  uint32_t out[24];
  std::fill_n(out, 24, 0x12345678u);
  expand_bitmap(bits, out, 3);
  const int expected[24] = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0, 1, 0, 0, 1, 0, 1};
  for (int i = 0; i < 24; ++i) EXPECT_EQ(out[i], expected[i] ? 0xFFFFFFFFu : 0u) << i;
}

TEST(TitleImages, SoftenKeepsColumnZeroAndWrapsRowsAsOneRun) {
  // 4 x 3: row-major, so the right neighbour of (3, 0) is (0, 1).
  uint32_t image[12] = {};
  image[0] = 0xFCFCFCFC;  // column 0 of row 0: never rewritten
  image[4] = 0x80808080;  // column 0 of row 1
  soften_image(image, 4, 3, 1);
  EXPECT_EQ(image[0], 0xFCFCFCFCu);
  EXPECT_EQ(image[4], 0x80808080u);
  // In place, left to right: (1, 0) takes a quarter of (0, 0), (2, 0) a quarter of that...
  EXPECT_EQ(image[1], 0x3F3F3F3Fu);
  EXPECT_EQ(image[2], 0x0F0F0F0Fu);
  // ...and (3, 0) a quarter of its left neighbour plus a quarter of (0, 1) after the wrap.
  EXPECT_EQ(image[3], 0x03030303u + 0x20202020u);
  // (1, 1): left (0, 1), above (1, 0) already softened.
  EXPECT_EQ(image[5], 0x20202020u + 0x0F0F0F0Fu);
  // The last pixel has nothing to its right and nothing below: black counts, and only its
  // upper neighbour (which took a quarter of it just before) remains.
  uint32_t corner[4] = {0, 0, 0, 0xFFFFFFFF};
  soften_image(corner, 2, 2, 1);
  EXPECT_EQ(corner[1], 0x3F3F3F3Fu);
  EXPECT_EQ(corner[3], 0x0F0F0F0Fu);
  // Quarters are masked per byte: no bit moves into the next byte.
  uint32_t bytes[3] = {0x000300FF, 0, 0};
  soften_image(bytes, 3, 1, 1);
  EXPECT_EQ(bytes[1], 0x0000003Fu);
}

TEST(TitleImages, VariantFollowsTheSecondOfTheClock) {
  build_texture_tables();
  uint32_t first_pixels[4] = {};
  for (int second : {0, 1, 2, 3, 4, 9, 59}) {
    platform_open_headless(HeadlessOptions{.system_second = second});
    title_images_init();
    platform_close();
    EXPECT_EQ(title_variant, second % 4) << second;
    EXPECT_EQ(uint16_t(backdrop_script[0]), backdrop_variants[second % 4]) << second;
    if (second < 4) first_pixels[second] = title_backdrop[32100];
    if (second == 4) {
      EXPECT_EQ(title_backdrop[32100], first_pixels[0]);
    }
  }
  EXPECT_EQ(backdrop_variants[0], 2257);
  // Different seeds, different backdrops.
  EXPECT_NE(first_pixels[0], first_pixels[1]);
  EXPECT_NE(first_pixels[1], first_pixels[2]);
}

TEST_F(Intermission, LogoIsTextureInsideTheShapeWithAGlowAtTheEdges) {
  int inside = 0, glow = 0;
  for (int y = 0; y < logo_height; ++y)
    for (int x = 0; x < logo_width; ++x) {
      // The in-place passes carry a decaying trail a few enlarged pixels on: a bit, and a
      // little more to the right and below, but far from the shape the logo is still black.
      bool near = false, far = true;
      for (int dy = -4; dy <= 4; ++dy)
        for (int dx = -4; dx <= 4; ++dx) {
          bool b = logo_bit(x + dx, y + dy);
          far &= !b;
          if (dx >= -1 && dx <= 1 && dy >= -1 && dy <= 1) near |= b;
        }
      uint32_t p = logo_pixel(3 * x + 1, 3 * y + 1);
      if (far) {
        EXPECT_EQ(p, 0u) << x << "," << y;
      }
      if (logo_bit(x, y) && logo_bit(x - 1, y) && logo_bit(x + 1, y) && logo_bit(x, y - 1) &&
          logo_bit(x, y + 1))
        inside += p != 0;
      if (!logo_bit(x, y) && near) glow += (p & 0xFFFFFF) != 0;
    }
  EXPECT_GT(inside, 2000);
  EXPECT_GT(glow, 500);
  // The mask's zero bits are black and its set bits carry the surface.
  for (int i = 0; i < logo_pixels; ++i) {
    bool bit = logo_bit(i % logo_width, i / logo_width);
    EXPECT_EQ(logo_mask[i], bit ? logo_texture[i] : 0u) << i;
  }
}

TEST_F(Intermission, LogoPlacementAndDimming) {
  std::fill_n(FrameBuffer, screen_pixels, 0u);
  draw_title_logo(0);
  for (int y = 0; y < screen_height; ++y)
    for (int x = 0; x < screen_width; ++x) {
      uint32_t p = FrameBuffer[y * screen_width + x];
      if (x < 56 || x > 263 || y < 59 || y > 140) {
        ASSERT_EQ(p, 0u) << x << "," << y;
      } else {
        ASSERT_EQ(p, logo_pixel(3 * (x - 56) + 2, 3 * (y - 59) + 2)) << x << "," << y;
      }
    }
  // A grey colour dims every byte (saturating at 0); the sum with the picture saturates at 255.
  std::fill_n(FrameBuffer, screen_pixels, 0xF0F0F0F0u);
  draw_title_logo(0x303030);
  for (int y = 0; y < logo_height; ++y)
    for (int x = 0; x < logo_width; ++x) {
      uint32_t s = logo_pixel(3 * x + 2, 3 * y + 2);
      uint32_t p = FrameBuffer[(59 + y) * screen_width + 56 + x];
      for (int shift = 0; shift < 32; shift += 8) {
        int a = int(s >> shift & 255) - (shift < 24 ? 0x30 : 0);
        int want = std::min(0xF0 + std::max(a, 0), 255);
        ASSERT_EQ(int(p >> shift & 255), want) << x << "," << y << " byte " << shift / 8;
      }
    }
}

TEST_F(Intermission, BackdropDimsSaturating) {
  title_dim = 0x4040404040404040ull;
  draw_title_backdrop();
  for (int i = 0; i < screen_pixels; i += 7)
    for (int shift = 0; shift < 32; shift += 8)
      ASSERT_EQ(int(FrameBuffer[i] >> shift & 255), std::max(int(title_backdrop[i] >> shift & 255) - 64, 0));
  title_dim = 0;
  draw_title_backdrop();
  EXPECT_TRUE(std::equal(FrameBuffer, FrameBuffer + screen_pixels, title_backdrop));
}

bool record_frame(const uint8_t* pixels, int32_t pitch, int32_t bpp, void* user) {
  // The display pixel of FrameBuffer (10, 10): doubled horizontally, every other line.
  static_cast<std::vector<int>*>(user)->push_back(pixels[(100 + 20) * pitch + (80 + 20) * (bpp / 8) + 2]);
  return true;
}

TEST_F(Intermission, FadesInOverSixtyFourVerticalBlanks) {
  open_test_display(false);
  std::vector<int> reds;
  headless_set_frame_hook(record_frame, &reds);
  intermission_run();
  headless_finish();
  headless_set_frame_hook(nullptr, nullptr);
  platform_close();
  // The grey subtracted runs 254, 250, ..., 2: 64 frames, then fade_colour goes negative.
  EXPECT_EQ(fade_colour, 0xFEFEFE - 64 * 0x040404);
  int red = int(title_backdrop[10 * screen_width + 10] >> 16 & 255);
  ASSERT_GE(reds.size(), 64u);
  EXPECT_EQ(reds.back(), std::max(red - 2, 0));
  EXPECT_TRUE(std::is_sorted(reds.begin(), reds.end()));
  // The FrameBuffer keeps the last picture: the title dimmed by 2.
  for (int i = 0; i < screen_width * 50; i += 13)
    for (int shift = 0; shift < 24; shift += 8)
      ASSERT_EQ(int(FrameBuffer[i] >> shift & 255), std::max(int(title_backdrop[i] >> shift & 255) - 2, 0))
          << i;
}

TEST_F(Intermission, QuitOnEntryDrawsNothing) {
  std::fill_n(FrameBuffer, screen_pixels, 0x00123456u);
  std::fill_n(prev_frame, screen_pixels, 0x00FFFFFFu);
  quit_flag = 1;
  intermission_run();
  EXPECT_EQ(fade_colour, 0xFEFEFE);
  EXPECT_TRUE(std::all_of(prev_frame, prev_frame + screen_pixels, [](uint32_t p) { return p == 0; }));
  EXPECT_TRUE(
      std::all_of(FrameBuffer, FrameBuffer + screen_pixels, [](uint32_t p) { return p == 0x00123456u; }));
}

}  // namespace
