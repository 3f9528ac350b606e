#include "scenes/tube_scene.h"

#include "render3d/effects.h"
#include "scenes/scenes.h"
#include "shell/fade.h"
#include "tests/scenes/scene_fixture.h"
#include "textures/tables.h"

namespace {

using namespace scene_test;

class Tube : public SceneTest {
 protected:
  static void SetUpTestSuite() {
    set_row_table(FrameBuffer);  // the glow is drawn with sprites through the row table
    build_glow_texture();
    build_texture_tables();
    build_shared_sphere_mesh();
    effect_time = 0;
    tube_scene_init();
  }
  void SetUp() override {
    SceneTest::SetUp();
    near_z_limit = 50;
    tube_scene_enter();
  }
  static std::array<int32_t, 3> rotate(int32_t x, int32_t y, int32_t z, float pitch, float yaw, float roll) {
    rotate_point(x, y, z, pitch, yaw, roll);
    return {rotated_point[0], rotated_point[1], rotated_point[2]};
  }
};

TEST_F(Tube, TwistGrowsFromTheMiddleRingAndSwings) {
  const struct {
    int32_t ring;
    float time, yaw;
  } cases[] = {{0, 0, 0},     {32, 0, 0},    {16, 32, 0},         {0, 32, -128},
               {32, 32, 128}, {20, 96, -32}, {20, 16, 22.627417f}};
  for (const auto& c : cases) EXPECT_NEAR(tube_twist(c.ring, c.time), c.yaw, 1e-4) << c.ring << " " << c.time;
}

// Both ends close to a single point on the axis: the faces next to them are fans.
TEST_F(Tube, EndRingsCollapseToPoints) {
  for (float t : {0.0f, 50.0f}) {
    effect_time = t;
    build_tube();
    for (int32_t ring : {0, 32}) {
      const float twist = tube_twist(ring, t);
      auto end = rotate(50, (16 - ring) * 26, 0, 0, 0, (ring - 16) * 0.5f);
      end = rotate(end[0], end[1], end[2], 0, twist, 0);
      for (int32_t j = 0; j < tube_columns; ++j) EXPECT_EQ(xyz(tube_vertices[17 * ring + j]), end) << ring;
    }
  }
}

// Black until the song passes 4447; then the ramp restarts once and subtracts 17 per 3 units.
TEST_F(Tube, FadesToBlackOnceAtTheEnd) {
  const struct {
    float time;
    int32_t position;
    int32_t fade;
    bool leaves;
  } frames[] = {{0, 4096, 0, false},         {30, 4447, 0, false},           {31, 4448, 0, false},
                {34, 4450, 0x111111, false}, {37.5f, 4455, 0x222222, false}, {76, 4471, 0xFFFFFF, false},
                {79, 4472, 0xFFFFFF, true}};
  for (const auto& f : frames) {
    SCOPED_TRACE(f.position);
    scene_time = f.time;
    EXPECT_EQ(tube_scene_frame(f.position), f.leaves);
    EXPECT_EQ(fade_colour, f.fade) << std::hex << fade_colour;
    EXPECT_EQ(tube_fade_started, f.position > 4447);
    if (f.position > 4447) {
      EXPECT_FLOAT_EQ(fade_start_time, 31);
    }
  }
}

TEST_F(Tube, QuitOnEntryDrawsNothing) {
  fade_state = 0;
  quit_flag = 1;
  std::fill_n(FrameBuffer, screen_pixels, 0x00ABCDEFu);
  tube_scene_run();
  EXPECT_EQ(fade_state, -1);
  EXPECT_TRUE(all_are(FrameBuffer, 0x00ABCDEFu));
  EXPECT_TRUE(tube_scene_frame(4200));
}

}  // namespace
