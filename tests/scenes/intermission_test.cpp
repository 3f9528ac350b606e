#include "scenes/intermission.h"

#include <vector>

#include "../shell/display_fixture.h"
#include "data/texture_scripts.h"
#include "scenes/scenes.h"
#include "tests/scenes/scene_fixture.h"
#include "textures/tables.h"

namespace {

using namespace scene_test;

uint32_t logo_pixel(int x, int y) { return title_logo[y * title_logo_width + x]; }
bool logo_bit(int x, int y) {
  if (x < 0 || y < 0 || x >= logo_width || y >= logo_height) return false;
  return (logo_bitmap[y * logo_row_bytes + x / 8] >> (7 - x % 8)) & 1;
}

void make_title_images(int second) {
  platform_open_headless(HeadlessOptions{.system_second = second});
  title_images_init();
  platform_close();
}

class Intermission : public SceneTest {
 protected:
  static void SetUpTestSuite() {
    build_texture_tables();
    make_title_images(6);
  }
  void SetUp() override {
    SceneTest::SetUp();
    title_dim = 0;
  }
};

TEST(TitleImages, SoftenKeepsColumnZeroAndWrapsRowsAsOneRun) {
  // 4 x 3, in place, left to right: (1, 0) takes a quarter of (0, 0), (2, 0) a quarter of that,
  // (3, 0) a quarter of (2, 0) and of (0, 1) after the wrap; column 0 is never rewritten; (1, 1)
  // sees (0, 1) and the already softened (1, 0).
  uint32_t image[12] = {0xFCFCFCFC, 0, 0, 0, 0x80808080};
  soften_image(image, 4, 3, 1);
  EXPECT_EQ((std::vector<uint32_t>(image, image + 6)),
            (std::vector<uint32_t>{0xFCFCFCFC, 0x3F3F3F3F, 0x0F0F0F0F, 0x23232323, 0x80808080, 0x2F2F2F2F}));
  // The last pixel has nothing to its right nor below; its upper neighbour took a quarter of it.
  uint32_t corner[4] = {0, 0, 0, 0xFFFFFFFF};
  soften_image(corner, 2, 2, 1);
  EXPECT_EQ(corner[3], 0x0F0F0F0Fu);
  // Quarters are masked per byte: no bit moves into the next byte.
  uint32_t bytes[3] = {0x000300FF, 0, 0};
  soften_image(bytes, 3, 1, 1);
  EXPECT_EQ(bytes[1], 0x0000003Fu);
}

// Seconds 0, 4, ... give the first backdrop seed, 1, 5, ... the second, and so on.
TEST(TitleImages, VariantFollowsTheSecondOfTheClock) {
  build_texture_tables();
  uint32_t first_pixels[4] = {};
  for (int second : {0, 1, 2, 3, 4, 59}) {
    make_title_images(second);
    EXPECT_EQ(uint16_t(backdrop_script[0]), backdrop_variants[second % 4]) << second;
    if (second < 4) first_pixels[second] = title_backdrop[32100];
    EXPECT_EQ(title_backdrop[32100], first_pixels[second % 4]) << second;
  }
  EXPECT_EQ(backdrop_variants[0], 2257);
  EXPECT_TRUE(first_pixels[0] != first_pixels[1] && first_pixels[1] != first_pixels[2]);
}

TEST_F(Intermission, LogoShowsInsideTheShapeWithAGlowAtTheEdges) {
  // Inside the shape the surface shows; softening leaves a glow just outside it.
  int inside = 0, glow = 0;
  for (int y = 0; y < logo_height; ++y)
    for (int x = 0; x < logo_width; ++x) {
      int near = 0;
      for (int d = 0; d < 9; ++d) near += logo_bit(x + d % 3 - 1, y + d / 3 - 1);
      const bool shown = logo_pixel(3 * x + 1, 3 * y + 1) & 0xFFFFFF;
      inside += near == 9 && shown;
      glow += !logo_bit(x, y) && near && shown;
    }
  EXPECT_GT(inside, 3000);
  EXPECT_GT(glow, 2000);
}

// The logo sits at (56, 59), every third enlarged pixel; a grey colour dims each of its bytes
// (saturating at 0) and the sum with the picture saturates at 255. The backdrop dims the same way.
TEST_F(Intermission, LogoPlacementAndDimming) {
  std::fill_n(FrameBuffer, screen_pixels, 0xF0F0F0F0u);
  draw_title_logo(0x303030);
  for (int y = 0; y < screen_height; ++y)
    for (int x = 0; x < screen_width; ++x) {
      const bool on = x >= 56 && x <= 263 && y >= 59 && y <= 140;
      const uint32_t logo = on ? logo_pixel(3 * (x - 56) + 2, 3 * (y - 59) + 2) : 0;
      for (int k = 0; k < 4; ++k) {
        const int dimmed = std::max(byte_of(logo, k) - (k < 3 ? 0x30 : 0), 0);
        ASSERT_EQ(byte_of(FrameBuffer[y * screen_width + x], k), std::min(0xF0 + dimmed, 255))
            << x << "," << y << " byte " << k;
      }
    }
  title_dim = 0x4040404040404040ull;
  draw_title_backdrop();
  for (int i = 0; i < screen_pixels; i += 7)
    for (int k = 0; k < 4; ++k)
      ASSERT_EQ(byte_of(FrameBuffer[i], k), std::max(byte_of(title_backdrop[i], k) - 64, 0));
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
  ASSERT_GE(reds.size(), 64u);
  EXPECT_EQ(reds.back(), std::max(byte_of(title_backdrop[10 * screen_width + 10], 2) - 2, 0));
  EXPECT_TRUE(std::is_sorted(reds.begin(), reds.end()));
}

TEST_F(Intermission, QuitOnEntryDrawsNothing) {
  std::fill_n(FrameBuffer, screen_pixels, 0x00123456u);
  std::fill_n(prev_frame, screen_pixels, 0x00FFFFFFu);
  quit_flag = 1;
  intermission_run();
  EXPECT_EQ(fade_colour, 0xFEFEFE);
  EXPECT_TRUE(all_are(prev_frame, 0));
  EXPECT_TRUE(all_are(FrameBuffer, 0x00123456u));
}

}  // namespace
