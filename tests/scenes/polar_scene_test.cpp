#include "scenes/polar_scene.h"

#include <algorithm>

#include "scenes/final_scene.h"
#include "scenes/scenes.h"
#include "tests/scenes/scene_fixture.h"
#include "textures/tables.h"

namespace {

using namespace scene_test;

class PolarScene : public SceneTest {
 protected:
  static void SetUpTestSuite() {
    set_row_table(FrameBuffer);
    build_glow_texture();
    build_texture_tables();
    clear_buffers(0);
    polar_scene_init();
    final_scene_init();
  }
  void SetUp() override {
    SceneTest::SetUp();
    near_z_limit = 50;
    final_scene_step = final_scene_start_step;
    polar_scene_enter();
  }
  void TearDown() override {
    SceneTest::TearDown();
    final_scene_step = final_scene_start_step;
    figure_blend = 1;
  }
};

TEST_F(PolarScene, MapWordsHoldDistanceAndWrappedAngle) {
  const struct {
    int32_t x, y, k;
    int distance, angle;
  } cases[] = {
      {0, 0, 0, 18, 32},      // sqrt(800) * 2/3; down and to the right, an eighth of a turn
      {319, 199, 0, 13, 23},  // 269 wraps to 13
      {0, 100, 6, 226, 128},  // straight left of the right-hand centre: half a turn
      {0, 99, 5, 13, 254},    // just above the left-hand centre: -2 wraps into 128..255
      {0, 101, 5, 13, 2},     {160, 0, 4, 13, 64},  // straight below the top centre
      {100, 0, 4, 42, 114},                         // down and to the left
      {200, 199, 7, 30, 237},  // up and to the right of the bottom centre: -19 wraps to 237
  };
  for (const auto& c : cases) {
    const uint16_t w = polar_map_word(c.x, c.y, c.k);
    EXPECT_EQ(w & 255, c.distance) << c.x << "," << c.y << " centre " << c.k;
    EXPECT_EQ(w >> 8, c.angle) << c.x << "," << c.y << " centre " << c.k;
    EXPECT_EQ(polar_map[(c.y * screen_width + c.x) * polar_centre_count + c.k], w);
  }
}

// Every pixel: per channel the eight lookups' (texel >> 3) summed, times the backdrop,
// shifted right by 6, at most 255.
TEST_F(PolarScene, CompositionIsExactEverywhere) {
  const uint16_t offsets[][polar_centre_count] = {{230, 430, 330, 540, 120, 300, 500, 100},
                                                  {0xFFFF, 1, 0x8000, 0x7FFF, 0xFF00, 0x00FF, 12345, 54321}};
  const int32_t windows[][2] = {{320, 200}, {37, 151}};
  for (int w = 0; w < 2; ++w) {
    std::copy(offsets[w], offsets[w] + polar_centre_count, polar_offsets);
    const auto [bx, by] = windows[w];
    compose_polar_frame(bx, by);
    for (int32_t i = 0; i < screen_pixels; ++i) {
      uint32_t s = 0;
      for (int k = 0; k < polar_centre_count; ++k)
        s += (polar_texture[uint16_t(polar_map[i * 8 + k] + polar_offsets[k])] >> 3) & 0x1F1F1F1Fu;
      const uint32_t b = glow_backdrop[(by + i / screen_width) * backdrop_width + bx + i % screen_width];
      uint32_t expected = 0;
      for (int c = 0; c < 4; ++c)
        expected |= std::min(255u, (uint32_t(byte_of(s, c)) * uint32_t(byte_of(b, c))) >> 6) << (8 * c);
      ASSERT_EQ(FrameBuffer[i], expected) << "pixel " << i << " offsets " << w;
    }
  }
}

TEST_F(PolarScene, OffsetsStepPerFrameNotPerTime) {
  for (int n = 0; n < 300; ++n) {
    scene_time = float(n % 7);  // the clock plays no part
    ASSERT_FALSE(polar_scene_frame_at(4600, 4600));
  }
  const int steps[] = {-0x102, 0x101, -0x201, 0x101, -0x102, 0x201, -0x201, 0x102};
  for (int k = 0; k < polar_centre_count; ++k)
    EXPECT_EQ(polar_offsets[k], uint16_t(polar_offset_starts[k] + 300 * steps[k])) << k;
  EXPECT_EQ(flash_index, 0);
  EXPECT_GT(lit_pixels(), 60000);
}

// A song position that jumps past every trigger fires one per frame; each flash is a frame
// of the final scene 3 units later than the one before; after the twelfth every frame is one.
TEST_F(PolarScene, FlashesCatchUpOnePerFrameThenNeverStop) {
  const struct {
    int32_t position;
    int index, now, step;
  } frames[] = {
      {4864 + 96, 0, 0, 36},   // not past row 96 yet
      {4864 + 97, 1, 0, 33},   // a flash; flash_now is cleared again at the end of the frame
      {4864 + 100, 1, 0, 33},  // row 100 not passed
      {4864 + 127, 2, 0, 30},  // the song jumped past ten more rows: one trigger this frame,
      {4864 + 127, 3, 0, 27},  // one the next...
      {4864 + 127, 4, 0, 24},  {4864 + 127, 5, 0, 21}, {4864 + 127, 6, 0, 18},
      {4864 + 127, 7, 0, 15},  {4864 + 127, 8, 0, 12}, {4864 + 127, 9, 0, 9},
      {4864 + 127, 10, 0, 6},  {4864 + 127, 11, 0, 3}, {4864 + 127, 11, 0, 3},  // row 127 not passed
      {4864 + 128, 12, 1, 0},                                                   // the twelfth
      {4864 + 128, 12, 1, -3},  // all fired: every frame flashes
      {0, 12, 1, -6},
  };
  for (const auto& f : frames) {
    SCOPED_TRACE(testing::Message() << "position " << f.position << " step " << f.step);
    EXPECT_FALSE(polar_scene_frame_at(4900, f.position));
    EXPECT_EQ(flash_index, f.index);
    EXPECT_EQ(flash_now, f.now);
    EXPECT_EQ(final_scene_step, f.step);
    EXPECT_EQ(present_skip, 0);
  }
  EXPECT_EQ(figure_blend, 1);
  EXPECT_EQ(scene_t, 32.0f + 3);  // the last flash drew at 32 - (-3)
}

TEST_F(PolarScene, LeavesPastTheEndOrOnQuit) {
  const struct {
    int32_t position;
    bool quit, leaves;
  } cases[] = {{4991, false, false}, {4992, false, true}, {4600, true, true}};
  for (const auto& c : cases) {
    quit_flag = c.quit;
    EXPECT_EQ(polar_scene_frame_at(c.position, c.position), c.leaves) << c.position;
  }
}

TEST_F(PolarScene, QuitOnEntryDrawsNothing) {
  std::fill(FrameBuffer, FrameBuffer + screen_pixels, 0x00FFFFFFu);
  quit_flag = 1;
  polar_scene_run();
  EXPECT_TRUE(all_are(FrameBuffer, 0));  // cleared by the entry steps, nothing composed
  EXPECT_TRUE(std::equal(polar_offsets, polar_offsets + polar_centre_count, polar_offset_starts));
  EXPECT_EQ(final_scene_step, final_scene_start_step);
}

}  // namespace
