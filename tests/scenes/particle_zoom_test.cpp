#include "scenes/particle_zoom.h"

#include <cstring>

#include "scenes/scenes.h"
#include "tests/scenes/scene_fixture.h"
#include "textures/tables.h"

namespace {

using namespace scene_test;

class ParticleZoom : public SceneTest {
 protected:
  static void SetUpTestSuite() {
    build_glow_texture();
    build_texture_tables();
    particle_zoom_init();
  }
  void SetUp() override {
    SceneTest::SetUp();
    std::memset(trail_canvas, 0, sizeof trail_canvas);
    set_row_table(trail_canvas);
    clear_buffers(0);
    fill_prev_frame(0);
    trail_fade = 255;
  }
};

TEST_F(ParticleZoom, MapReadsOnlyInsideTheCanvasAndEnlargesAboutTheCentre) {
  for (int k = 0; k < screen_pixels; ++k) {
    int32_t offset = zoom_map[k], x = offset % screen_row_bytes / 4, y = offset / screen_row_bytes;
    ASSERT_TRUE(offset % 4 == 0 && x >= 22 && x <= 299 && y >= 14 && y <= 186) << k;
  }
  EXPECT_EQ(zoom_map[100 * 320 + 160], 160 * 4 + 100 * screen_row_bytes);
}

// The reads at -6 and +1281 straddle two pixels: a pure red canvas comes back with a quarter of
// its red in blue and in green.
TEST_F(ParticleZoom, SmearMovesColourIntoOtherChannels) {
  std::fill_n(trail_canvas, screen_pixels, 0x00FF0000u);
  particle_zoom_frame(0);
  EXPECT_EQ(FrameBuffer[0], 0x007E3F3Fu);               // edge pixel: not blurred
  EXPECT_EQ(FrameBuffer[100 * 320 + 40], 0x007C3C3Cu);  // blurred once: four quarters
}

TEST_F(ParticleZoom, FadeStartsAt255AndSettlesAt31) {
  particle_zoom_frame(0);  // fade 255 clears the canvas, glows and zoomed picture alike
  EXPECT_TRUE(all_are(trail_canvas, 0));
  EXPECT_EQ(trail_fade, 253);
  particle_zoom_frame(0);  // fade 253: the glows' brightest bytes survive
  EXPECT_FALSE(all_are(trail_canvas, 0));
  for (int frame = 3; frame <= 112; ++frame) particle_zoom_frame(0);
  EXPECT_EQ(trail_fade, 31);  // frame 113 is the first to use 31, and it stays
  particle_zoom_frame(0);
  EXPECT_EQ(trail_fade, 31);
  EXPECT_TRUE(all_are(trail_canvas + screen_pixels, 0));  // the depth area is never written
}

// The frame past position 567 or with quit_flag set is the last; quit on entry draws nothing.
TEST_F(ParticleZoom, LeavesPastTheEndOrOnQuit) {
  EXPECT_FALSE(particle_zoom_frame(567));
  EXPECT_TRUE(particle_zoom_frame(568));
  trail_fade = 7;
  particle_zoom_run();  // without a player the position reads 65535: one frame, fade 255
  EXPECT_EQ(trail_fade, 253);
  quit_flag = 1;
  EXPECT_TRUE(particle_zoom_frame(0));
  std::fill_n(FrameBuffer, screen_pixels, 0x123456u);
  std::fill_n(trail_canvas, screen_pixels, 0x808080u);
  particle_zoom_run();
  EXPECT_EQ(trail_fade, 255);
  EXPECT_EQ(FrameBuffer[1000], 0u);
  EXPECT_EQ(trail_canvas[1000], 0x808080u);  // the canvas is not the scene's to clear
}

}  // namespace
