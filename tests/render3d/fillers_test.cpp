#include "render3d/fillers.h"

#include <gtest/gtest.h>

#include "render_fixture.h"

namespace {

using Fillers = RenderTest;

TEST_F(Fillers, TriangleOnOneRowDrawsNothing) {
  set_corner(0, 0, 5, 0), set_corner(1, 100, 5, 0), set_corner(2, 50, 5, 0);
  fill_flat(0xFFFFFF, 0);
  for (int x = 0; x < 320; ++x) EXPECT_EQ(pixel(x, 5), 0u);
}

TEST_F(Fillers, RowsAndExclusiveRightEnds) {
  set_corner(0, 0, 0, 0), set_corner(1, 10, 0, 0), set_corner(2, 0, 10, 0);
  fill_flat(0xFFFFFF, 0);
  for (int y = 0; y < 12; ++y) {
    int first, end;
    row_extent(y, 0, first, end);
    if (y < 10) {
      EXPECT_EQ(first, 0) << y;
      EXPECT_EQ(end, 10 - y) << y;
    } else {
      EXPECT_EQ(first, -1) << y;
    }
  }
  // The walker reorders corners by y; the bottom row is never drawn.
  set_corner(0, 50, 40, 0), set_corner(1, 30, 20, 0), set_corner(2, 70, 30, 0);
  fill_flat(0x00FF00, 0);
  EXPECT_EQ(fill_triangle[0].y, 20);
  EXPECT_EQ(fill_triangle[2].y, 40);
  int first, end;
  row_extent(20, 0, first, end);
  EXPECT_EQ(first, -1);  // zero width at the top corner
  row_extent(30, 0, first, end);
  EXPECT_EQ(first, 40);
  EXPECT_EQ(end, 70);
  row_extent(39, 0, first, end);
  EXPECT_GT(first, 0);
  row_extent(40, 0, first, end);
  EXPECT_EQ(first, -1);
}

// Draws a textured triangle whose u runs down the rows and v across (one texel each).
void draw_gradient(int dx, int dy) {
  fill_triangle[0] = {dx + 0, dy + 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  fill_triangle[1] = {dx + 200, dy + 0, 0, 0, 200, 0, 0, 0, 0, 0, 0};
  fill_triangle[2] = {dx + 0, dy + 200, 0, 200, 0, 0, 0, 0, 0, 0, 0};
  fill_textured(RenderTest::coord_texture, 0);
}

TEST_F(Fillers, ClippingAtTopAndLeftAdvancesInterpolants) {
  draw_gradient(-5, -30);
  // Row 0 is triangle row 30: u = 30; pixel 0 is triangle column 5: v = 5.
  EXPECT_EQ(pixel(0, 0), coord_texture[30 * 256 + 5]);
  EXPECT_EQ(pixel(10, 20), coord_texture[50 * 256 + 15]);
  int first, end;
  row_extent(0, 0, first, end);
  EXPECT_EQ(first, 0);
  EXPECT_EQ(end, 200 - 30 - 5);
}

TEST_F(Fillers, ClippingAtBottomAndRight) {
  draw_gradient(250, 150);  // reaches row 350 and column 450
  for (int x = 250; x < 320; ++x) EXPECT_NE(pixel(x, 199), 0u);
  EXPECT_EQ(pixel(319, 160), coord_texture[10 * 256 + 69]);
  for (int i = 0; i < 64000; ++i) ASSERT_EQ(prev_frame[i], 0u) << "drew past the screen";
}

TEST_F(Fillers, ClipsAgainstBigCoordinates) {
  set_corner(0, -30000, -30000, 0), set_corner(1, 30000, -30000, 0), set_corner(2, 0, 30000, 0);
  fill_flat(0x102030, 0);
  EXPECT_EQ(pixel(0, 0), 0x102030u);
  EXPECT_EQ(pixel(319, 199), 0x102030u);
  for (int i = 0; i < 64000; ++i) ASSERT_EQ(prev_frame[i], 0u);
}

TEST_F(Fillers, DepthTestAndAdditiveSubMode) {
  set_corner(0, 0, 0, 5), set_corner(1, 40, 0, 5), set_corner(2, 0, 40, 5);
  static uint32_t grey[65536];
  for (uint32_t& t : grey) t = 0x303030;
  fill_textured(grey, 2);
  fill_textured(grey, 2);
  EXPECT_EQ(pixel(3, 3), 0x606060u);  // equal depth passes, depth unwritten
  EXPECT_EQ(depth(3, 3), INT32_MIN);
  fill_textured(grey, 0);
  EXPECT_EQ(depth(3, 3), 5 << 16);
  for (int k = 0; k < 3; ++k) fill_triangle[k].z = 4;  // farther: hidden
  fill_flat(0xFFFFFF, 0);
  EXPECT_EQ(pixel(3, 3), 0x303030u);
  for (int k = 0; k < 3; ++k) fill_triangle[k].z = 5;
  fill_textured(grey, 7);  // unknown sub-mode draws nothing
  EXPECT_EQ(pixel(3, 3), 0x303030u);
}

TEST_F(Fillers, ShadeBlendAndFlatBlend) {
  clear_buffers(0xFF00FF);
  set_corner(0, 0, 0, 0), set_corner(1, 40, 0, 0), set_corner(2, 0, 40, 0);
  for (auto& c : fill_triangle) c.shade = 255;
  fill_flat(0x00FF00, 1);
  EXPECT_EQ(pixel(2, 2), 0xFE00FEu);  // almost all background
  EXPECT_EQ(depth(2, 2), INT32_MIN);
  for (auto& c : fill_triangle) c.shade = 0;
  fill_flat(0x00FF00, 3);
  EXPECT_EQ(pixel(2, 2), 0x00FF00u);
}

TEST_F(Fillers, DrawsThroughTheRowTable) {
  static uint32_t canvas[2 * 64000];  // pixels, then depths
  for (int i = 0; i < 64000; ++i) canvas[64000 + i] = uint32_t(INT32_MIN);
  set_row_table(canvas);
  set_corner(0, 0, 0, 0), set_corner(1, 10, 0, 0), set_corner(2, 0, 10, 0);
  fill_flat(0xABCDEF, 0);
  draw_sprite(100, 100, 0, 4, 0, coord_texture);
  set_row_table(FrameBuffer);
  EXPECT_EQ(canvas[0], 0xABCDEFu);
  EXPECT_EQ(canvas[64000], 0u);  // depth 0 << 16
  EXPECT_EQ(canvas[98 * 320 + 98], coord_texture[0]);
  EXPECT_EQ(pixel(0, 0), 0u);
  EXPECT_EQ(depth(0, 0), INT32_MIN);
}

TEST_F(Fillers, SpriteSizesAndClipping) {
  draw_sprite(50, 50, 0, 1, 0, coord_texture);
  EXPECT_EQ(pixel(50, 50), coord_texture[0]);  // step 65536 wraps to 0: texel (0, 0)
  EXPECT_EQ(pixel(51, 50), 0u);
  draw_sprite(80, 80, 0, 0, 0, coord_texture);
  draw_sprite(80, 80, 0, -6, 0, coord_texture);
  for (int y = 70; y < 90; ++y)
    for (int x = 70; x < 90; ++x) EXPECT_EQ(pixel(x, y), 0u);
  // 128 pixels: two pixels per texel, rows pick the texel row.
  draw_sprite(0, 0, 0, 128, 0, coord_texture);
  EXPECT_EQ(pixel(0, 0), coord_texture[128 * 256 + 128]);
  EXPECT_EQ(pixel(63, 10), coord_texture[148 * 256 + 254]);
  EXPECT_EQ(pixel(64, 0), 0u);
  draw_sprite(319, 199, 0, 10, 0, coord_texture);
  EXPECT_EQ(pixel(314, 194), coord_texture[0]);
  EXPECT_EQ(pixel(319, 199), coord_texture[127 * 256 + 127]);  // 5 * (65536 / 10) = 0x7FFD
  // Behind the depth buffer: hidden.
  ZBuffer[100 * 320 + 160] = 1 << 16;
  draw_sprite(160, 100, 0, 3, 0, coord_texture);
  EXPECT_EQ(FrameBuffer[100 * 320 + 160], 0u);
  EXPECT_NE(FrameBuffer[100 * 320 + 159], 0u);
}

}  // namespace
