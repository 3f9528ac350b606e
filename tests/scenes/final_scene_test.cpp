#include "scenes/final_scene.h"

#include <cmath>
#include <cstring>
#include <numbers>

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
    present_skip = 0;
    figure_blend = 1;
    lift = 0;
    stretch = 1;
    scene_time = 0;
    final_scene_step = final_scene_start_step;
  }
  static int32_t figure_vertex(int32_t ring, int32_t k) { return figure_first_vertex + 9 * ring + k; }
};

TEST_F(FinalScene, MeshBlocksFaceModesAndTextures) {
  EXPECT_EQ((std::array{figure_first_vertex, figure_first_face, figure_face_end, final_saved_vertex_count,
                        final_saved_face_count, cone_block_a, cone_block_b}),
            (std::array{910, 0, 1328, 1702, 2704, 604, 808}));
  const struct {
    const char* what;
    int first_face, end_face, first_vertex, end_vertex;
    uint32_t mode_flags, param;
    const uint32_t* texture;
  } blocks[] = {{"figure", 0, 1328, 910, 1702, 0, 1, final_texture_d},
                {"arms", 1328, 1904, 0, 400, 0, 0, final_texture_b},
                {"walls", 1904, 2224, 400, 604, 0, 0, final_texture_c},
                {"upper cone", 2224, 2384, 604, 706, 128, 2, stripe_texture},
                {"disc band", 2384, 2416, 706, 740, 0, 0, final_black_texture},
                {"disc", 2416, 2544, 723, 808, 0, 2, final_texture_a},
                {"lower cone", 2544, 2704, 808, 910, 128, 2, stripe_texture}};
  for (const auto& b : blocks) {
    SCOPED_TRACE(b.what);
    for (int f = b.first_face; f < b.end_face; ++f) {
      ASSERT_EQ(final_attributes[f].mode_flags, b.mode_flags) << f;
      ASSERT_EQ(final_attributes[f].param, b.param) << f;
      ASSERT_EQ(word_texture(final_face_textures[f]), b.texture) << f;
      for (int32_t i : {final_faces[f].i0, final_faces[f].i1, final_faces[f].i2})
        ASSERT_TRUE(i >= b.first_vertex && i < b.end_vertex) << "face " << f;
    }
  }
  EXPECT_TRUE(all_are(final_black_texture, 0, 65536));
}

TEST_F(FinalScene, StageAndStripesAtChosenPoints) {
  const struct {
    int32_t vertex;
    std::array<int32_t, 3> xyz, uv0;
  } cases[] = {
      {400, {10000, -7500, 0}, {0, 0, 0}},               // lower wall, ring 0, point 0
      {400 + 102 + 4, {0, 7500, -10000}, {0, -256, 0}},  // upper wall turns the other way
      {604 + 5 * 17, {2000, 0, 0}, {225, 0, 0}},         // upper cone's last ring, at R 2000
      {706 + 5 * 17, {-10000, 0, 0}, {-100, 0, 0}},      // disc rim: 0.01 * -10000 in floats is -100
      {706 + 5 * 17 + 8, {10000, 0, 0}, {100, 0, 0}},
      {808 + 16, {4000, -4500, 0}, {0, -256, 0}},  // lower cone, seventeenth point closes the ring
  };
  for (const auto& c : cases) {
    EXPECT_EQ(xyz(final_vertices[c.vertex]), c.xyz) << c.vertex;
    EXPECT_EQ(xyz(final_texcoords[c.vertex]), c.uv0) << c.vertex;
  }
  // Saved cone heights.
  EXPECT_EQ(final_vertices[604 + final_saved_y_slot].y, 4500);
  EXPECT_EQ(final_vertices[808 + 101 + final_saved_y_slot].y, 0);
  // Stripes: bright towards the bottom, every 16 columns, the last ten rows black.
  const struct {
    int row, column;
    uint32_t texel;
  } texels[] = {{0, 0, 0}, {245, 4, 0xFCFCFCFCu}, {245, 12, 0x98989898u}, {246, 4, 0}, {128, 0, 0x80808080u}};
  for (const auto& t : texels) EXPECT_EQ(stripe_texture[t.row * 256 + t.column], t.texel) << t.row;
}

// The cached turns must give exactly what rotate_point gives.
TEST_F(FinalScene, ArmsAndRingsMatchRotatePoint) {
  using std::numbers::pi;
  for (float t : {0.0f, 17.25f, -4.0f, 400.5f}) {
    scene_t = t;
    build_arms(0);
    for (int32_t arm : {0, 5}) {
      const ArmPlacement& p = arm_placements[arm];
      for (int32_t j : {3, 9}) {
        const int32_t k = 1;
        const int32_t r = int32_t(1300 * std::sin((9 - j) * pi * 0.04));
        const double phi = arm < 4 ? (k + 0.5) * pi / 2 : (0.5 - k) * pi / 2;
        const float a = float((arm < 4 ? 1.7 : -1.7) * r * std::cos(phi)), b = float(r * std::sin(phi));
        rotate_point(int32_t(a), -j * p.step, int32_t(b), float((j * j / 4) * std::sin(t * pi / 32)), 0, 0);
        rotate_point(rotated_point[0], rotated_point[1], rotated_point[2], float(p.pitch), float(p.yaw),
                     float(p.roll));
        const Vec3i v = final_vertices[arm * 50 + j * 5 + k];
        EXPECT_EQ(xyz(v),
                  (std::array{rotated_point[0] + p.x, rotated_point[1] + p.y, rotated_point[2] + p.z}))
            << arm << " " << j << " at " << t;
      }
    }
  }
  bone_state = {3, -335, 27, 0, 101, 141, -105};
  lift = 1234;
  final_vertex_count = 1000;
  add_ring(0, -100, 4, -6, 14);
  for (int32_t k = 0; k < 9; ++k) {
    const double th = k * pi * 0.25;
    rotate_point(int32_t(-6 * std::cos(th)), 100, int32_t(4 + 14 * std::sin(th)), 101, 141, -105);
    const int32_t x2 = (rotated_point[0] + 3) * 15, y2 = (rotated_point[1] - 335) * 14 - 250,
                  z2 = (rotated_point[2] + 27) * 15;
    rotate_point(x2, y2, z2, 0, -6.0f, 0);
    EXPECT_EQ(xyz(final_vertices[1000 + k]),
              (std::array{rotated_point[0], int32_t(rotated_point[1] - 1234.0), rotated_point[2]}))
        << k;
  }
  EXPECT_EQ(final_vertex_count, 1009);
}

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
    for (int32_t i : {cone_block_a, cone_block_b + 101})
      ASSERT_EQ(final_vertices[i].y, int32_t(stretch * double(final_vertices[i + final_saved_y_slot].y)));
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
