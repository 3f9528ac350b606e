#include "render3d/fillers.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "render_fixture.h"

namespace {

using Fillers = RenderTest;
using Extents = std::vector<std::pair<int, int>>;
constexpr std::pair<int, int> none = {-1, -1};

TEST_F(Fillers, RowsAndExclusiveRightEnds) {
  set_corners({{0, 0, 0}, {10, 0, 0}, {0, 10, 0}});
  fill_flat(0xFFFFFF, 0);
  EXPECT_EQ(extents({0, 1, 9, 10, 11}), (Extents{{0, 10}, {0, 9}, {0, 1}, none, none}));
  clear_buffers(0);
  set_corners({{0, 5, 0}, {100, 5, 0}, {50, 5, 0}});  // all on one row: nothing
  fill_flat(0xFFFFFF, 0);
  EXPECT_EQ(extent(5), none);
}

// A textured triangle whose u runs down the rows and v across (one texel each).
void draw_gradient(int dx, int dy) {
  fill_triangle[0] = {dx + 0, dy + 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  fill_triangle[1] = {dx + 200, dy + 0, 0, 0, 200, 0, 0, 0, 0, 0, 0};
  fill_triangle[2] = {dx + 0, dy + 200, 0, 200, 0, 0, 0, 0, 0, 0, 0};
  fill_textured(RenderTest::coord_texture, 0);
}

TEST_F(Fillers, ClippingAdvancesInterpolants) {
  draw_gradient(-5, -30);  // row 0 is triangle row 30 (u = 30), column 0 triangle column 5 (v = 5)
  EXPECT_EQ(std::pair(pixel(0, 0), pixel(10, 20)), std::pair(texel(30, 5), texel(50, 15)));
  EXPECT_EQ(extent(0), std::pair(0, 200 - 30 - 5));
  clear_buffers(0);
  draw_gradient(250, 150);  // reaches row 350 and column 450
  EXPECT_EQ(extent(199), std::pair(250, 320));
  EXPECT_EQ(pixel(319, 160), texel(10, 69));
  set_corners({{-30000, -30000, 0}, {30000, -30000, 0}, {0, 30000, 0}});
  fill_flat(0x102030, 0);
  EXPECT_EQ(std::pair(pixel(0, 0), pixel(319, 199)), std::pair(0x102030u, 0x102030u));
  EXPECT_TRUE(nothing_past_the_screen());
}

TEST_F(Fillers, DepthTestAndSubModes) {
  set_corners({{0, 0, 5}, {40, 0, 5}, {0, 40, 5}});
  const uint32_t* grey = plain_texture<0x303030>();
  fill_textured(grey, 2);
  fill_textured(grey, 2);
  EXPECT_EQ(pixel_depth(3, 3), std::pair(0x606060u, INT32_MIN));  // additive: equal depth passes, unwritten
  fill_textured(grey, 0);
  EXPECT_EQ(pixel_depth(3, 3), std::pair(0x303030u, 5 << 16));
  for (FillVertex& c : fill_triangle) c.z = 4;  // farther: hidden
  fill_flat(0xFFFFFF, 0);
  for (FillVertex& c : fill_triangle) c.z = 5;
  fill_textured(grey, 7);  // unknown sub-mode draws nothing
  EXPECT_EQ(pixel(3, 3), 0x303030u);
  // Blends towards the background by shade, depth unwritten; any non-zero sub-mode blends.
  clear_buffers(0xFF00FF);
  for (FillVertex& c : fill_triangle) c.shade = 255;
  fill_flat(0x00FF00, 1);
  EXPECT_EQ(pixel_depth(2, 2), std::pair(0xFE00FEu, INT32_MIN));
  for (FillVertex& c : fill_triangle) c.shade = 0;
  fill_flat(0x00FF00, 3);
  EXPECT_EQ(pixel(2, 2), 0x00FF00u);
}

TEST_F(Fillers, DrawsThroughTheRowTable) {
  static uint32_t canvas[2 * 64000];  // pixels, then depths
  for (int i = 0; i < 64000; ++i) canvas[64000 + i] = uint32_t(INT32_MIN);
  set_row_table(canvas);
  set_corners({{0, 0, 0}, {10, 0, 0}, {0, 10, 0}});
  fill_flat(0xABCDEF, 0);
  draw_sprite(100, 100, 0, 4, 0, coord_texture);
  set_row_table(FrameBuffer);
  EXPECT_EQ(std::tuple(canvas[0], canvas[64000], canvas[98 * 320 + 98]),
            std::tuple(0xABCDEFu, 0u, texel(0, 0)));
  EXPECT_EQ(pixel_depth(0, 0), std::pair(0u, INT32_MIN));
}

TEST_F(Fillers, SpriteSizesAndClipping) {
  const std::tuple<int, int, int16_t, std::vector<std::tuple<int, int, uint32_t>>> cases[] = {
      {50, 50, 1, {{50, 50, texel(0, 0)}, {51, 50, 0}, {50, 51, 0}}},  // step 65536 wraps to 0
      {80, 80, 0, {{80, 80, 0}, {79, 79, 0}}},                         // sizes below 1 draw nothing
      {80, 80, -6, {{77, 77, 0}, {80, 80, 0}, {82, 82, 0}}},
      // Clipped at the top left: two pixels per texel, rows pick the texel row.
      {0, 0, 128, {{0, 0, texel(128, 128)}, {63, 10, texel(148, 254)}, {64, 0, 0}}},
      {319, 199, 10, {{314, 194, texel(0, 0)}, {319, 199, texel(127, 127)}}},  // 5 x (65536 / 10) = 0x7FFD
  };
  for (const auto& [x0, y0, size, at] : cases) {
    SCOPED_TRACE(size);
    clear_buffers(0);
    draw_sprite(x0, y0, 0, size, 0, coord_texture);
    for (auto [x, y, value] : at) EXPECT_EQ(pixel(x, y), value) << x << ", " << y;
  }
  EXPECT_TRUE(nothing_past_the_screen());
  ZBuffer[100 * 320 + 160] = 1 << 16;  // behind the depth buffer: hidden; at equal depth: drawn
  ZBuffer[100 * 320 + 159] = 0;
  draw_sprite(160, 100, 0, 3, 0, coord_texture);
  EXPECT_EQ(std::pair(pixel(159, 100), pixel(160, 100)),
            std::pair(texel(85, 0), 0u));  // row 1: v = 65536 / 3
}

}  // namespace
