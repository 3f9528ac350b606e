#include "scenes/final_scene.h"

#include "render3d/pipeline.h"
#include "scenes/scenes.h"
#include "shell/fade.h"
#include "tests/scenes/scene_fixture.h"
#include "textures/tables.h"

namespace {

using namespace scene_test;

class FinalScene : public SceneTest {
 protected:
  static void SetUpTestSuite() {
    build_texture_tables();
    final_scene_init();
  }
  void SetUp() override {
    SceneTest::SetUp();
    near_z_limit = 50;
    figure_blend = 1;
    lift = 0;
    final_scene_step = final_scene_start_step;
    final_scene_enter();
  }
  void TearDown() override {
    SceneTest::TearDown();
    figure_blend = 1;
    lift = 0;
    stretch = 1;
    final_scene_step = final_scene_start_step;
  }
  static int32_t figure_vertex(int32_t ring, int32_t k) { return figure_first_vertex + 9 * ring + k; }
};

TEST_F(FinalScene, BrightnessBlendAndFreezeFollowThePosition) {
  const struct {
    int32_t position;
    int brightness, blend;
    bool frozen;
  } cases[] = {{5120, 255, 1, false}, {5472, 255, 1, false}, {5500, 115, 1, false}, {5523, 0, 1, false},
               {5524, 0, 0, false},   {5200, 255, 0, false}, {6144, 0, 0, true}};  // cleared for good
  scene_time = 10;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.position);
    EXPECT_FALSE(final_scene_frame(c.position));
    EXPECT_EQ(figure_brightness, c.brightness);
    EXPECT_EQ(figure_blend, c.blend);
    EXPECT_EQ(vertex_shade[3 * figure_vertex(40, 3)], c.brightness);
    EXPECT_EQ(final_attributes[500].param, uint32_t(c.blend));
    EXPECT_EQ(anim_t, c.frozen ? 0.0f : scene_t);
  }
}

TEST_F(FinalScene, ConesStretchCameraLiftsAndPictureFadesToWhite) {
  // From 6008 on, scene_time 10 units apart: scene_t moves 6 per frame.
  const struct {
    float time;
    int32_t position;
    float stretch, lift;
    int32_t fade;
  } frames[] = {{0, 5983, 1.0f, 0, 0},
                {10, 5984, 1.0f, 0, 0},  // the stretch starts here
                {20, 6007, float(6 * 0.0555555559694767 + 1), 0, 0},
                {30, 6008, float(12 * 0.0555555559694767 + 1), 0, 0},  // and the lift here
                {40, 6024, float(18 * 0.0555555559694767 + 1), 1200, 0},
                {100, 6100, 4.0f, 8400, 0xA0A0A0},  // 20 steps of 8
                {200, 6200, 4.0f, 15000, 0xFFFFFF}};
  for (const auto& f : frames) {
    SCOPED_TRACE(f.position);
    scene_time = f.time;
    EXPECT_FALSE(final_scene_frame(f.position));
    EXPECT_FLOAT_EQ(stretch, f.stretch);
    EXPECT_FLOAT_EQ(lift, f.lift);
    EXPECT_EQ(fade_colour, f.fade);
  }
  EXPECT_EQ(fade_colour, 0xFFFFFF);
  EXPECT_EQ(final_vertices[cone_block_a].y, 18000);
}

TEST_F(FinalScene, EndsOnTheWrapPastTheLastRowOrOnQuit) {
  const struct {
    int32_t position;
    bool quit, leaves;
  } cases[] = {{5120, false, false}, {6269, false, false}, {6270, false, true},
               {255, false, true},   {256, false, false},  {5200, true, true}};
  for (const auto& c : cases) {
    quit_flag = c.quit;
    EXPECT_EQ(final_scene_frame(c.position), c.leaves) << c.position;
  }
}

TEST_F(FinalScene, SingleFrameModeDrawsOneUnpresentedFrameAtItsOwnTime) {
  std::fill(prev_frame, prev_frame + screen_pixels, 0x00123456u);
  blend_enabled = 1;
  present_skip = 1;
  final_scene_single_frame(5000);
  EXPECT_EQ(scene_t, -4.0f);  // 32 - 36 on the first flash
  EXPECT_EQ(figure_blend, 1);
  EXPECT_EQ(figure_brightness, 255);
  EXPECT_TRUE(all_are(prev_frame, 0x00123456u));
  EXPECT_GT(lit_pixels(), 10000);
  final_scene_step -= 3;
  final_scene_run();  // one frame too, whatever the song says (the player reads 65535 here)
  EXPECT_EQ(scene_t, -1.0f);
  EXPECT_TRUE(all_are(prev_frame, 0x00123456u));
}

}  // namespace
