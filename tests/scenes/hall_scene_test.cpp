#include "scenes/hall_scene.h"

#include <cmath>
#include <cstdlib>

#include "render3d/effects.h"
#include "scenes/scenes.h"
#include "tests/scenes/scene_fixture.h"
#include "textures/tables.h"

namespace {

using namespace scene_test;

class Hall : public SceneTest {
 protected:
  static void SetUpTestSuite() {
    set_row_table(FrameBuffer);  // the glow is drawn with sprites through the row table
    build_glow_texture();
    build_texture_tables();
    build_dissolve_mask();
    effect_time = 0;
    hall_scene_init();
  }
  void SetUp() override {
    SceneTest::SetUp();
    near_z_limit = 60;
    dissolve_begun = 0;
    std::fill_n(saved_frame, screen_pixels, 0x00405060u);
  }
  static int32_t pillar_vertex(int32_t pillar, int32_t ring, int32_t point) {
    return hall_first_pillar_vertex + (pillar * hall_pillar_rings + ring) * hall_pillar_points + point;
  }
};

TEST_F(Hall, FloorAndCeilingAtRest) {
  effect_time = 0;
  build_hall();
  EXPECT_EQ(xyz(hall_vertices[0]), (std::array{-11100, 2880, -11100}));
  EXPECT_EQ(xyz(hall_vertices[256]), (std::array{11100, -2880, -11100}));
  // The far corners, and the ripple that runs with j + k div 3: a quarter wave per step.
  EXPECT_EQ(hall_vertices[255].x, 11100);
  EXPECT_EQ(hall_vertices[255].z, 11100);
  EXPECT_EQ(hall_vertices[256 + 1 * 16 + 0].y, -2880 - 350);
  EXPECT_EQ(hall_vertices[256 + 0 * 16 + 3].y, -2880 - 350);
  EXPECT_EQ(hall_vertices[256 + 1 * 16 + 3].y, -2880);
  EXPECT_EQ(xyz(hall_texcoords[256 + 15 * 16 + 4]), (std::array{960, 256, 0}));
}

// At effect_time 7 (t just above 1) pillar 0's pulse S is 1 and pillar 2's, a quarter turn
// on, is -1: the first is long (length 2300, less a rounding) and straight, the second short
// (length 1833) with its middle rings swollen.
TEST_F(Hall, PillarsSwellAsTheyShorten) {
  effect_time = 7;
  build_hall();
  const struct {
    int32_t pillar;
    std::array<int32_t, 4> radii;
    int32_t height, height_slack;
  } cases[] = {{0, {500, 500, 500, 500}, 6900, 4}, {2, {500, 1019, 1019, 500}, 2 * 2749, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pillar);
    for (int32_t ring = 0; ring < hall_pillar_rings; ++ring) {
      const Vec3i a = hall_vertices[pillar_vertex(c.pillar, ring, 0)];
      const Vec3i b = hall_vertices[pillar_vertex(c.pillar, ring, 4)];  // half way round
      EXPECT_EQ(std::lround(std::hypot(a.x - b.x, a.z - b.z) / 2), c.radii[ring]) << ring;
      EXPECT_EQ(xyz(hall_vertices[pillar_vertex(c.pillar, ring, 8)]), xyz(a));  // the ring closes
    }
    const int32_t height =
        hall_vertices[pillar_vertex(c.pillar, 3, 0)].y - hall_vertices[pillar_vertex(c.pillar, 0, 0)].y;
    EXPECT_NEAR(height, c.height, c.height_slack);
  }
}

TEST_F(Hall, FogDarkensWithDistance) {
  const struct {
    int32_t depth;
    int shade;
  } cases[] = {{1000, 0},     {0, 0},        {-44, 0},      {-45, 1},
               {-11474, 254}, {-11475, 255}, {-95000, 255}, {INT32_MIN, 255}};
  for (const auto& c : cases) EXPECT_EQ(hall_fog_shade(c.depth), c.shade) << c.depth;
  // A frame fogs exactly the floor and ceiling vertices, the far ones fully.
  scene_time = 40;
  hall_scene_frame(3700);
  int far = 0;
  for (int32_t v = 0; v < hall_first_pillar_vertex; ++v) {
    ASSERT_EQ(vertex_shade[3 * v], hall_fog_shade(projected[v].z)) << v;
    far += vertex_shade[3 * v] == 255;
  }
  EXPECT_GT(far, 0);
  EXPECT_LT(far, hall_first_pillar_vertex);
}

TEST_F(Hall, CrossFadesInFromTheSavedPicture) {
  hall_scene_frame(3424);
  EXPECT_EQ(crossfade_level, 0);
  EXPECT_TRUE(all_are(FrameBuffer, 0x00405060u));
  hall_scene_frame(3440);
  EXPECT_EQ(crossfade_level, 128);
  hall_scene_frame(3500);
  EXPECT_EQ(crossfade_level, 255);  // 608 clamped
  crossfade_level = 77;
  hall_scene_frame(3584);  // past the cross-fade: the level is left alone, the sky shows
  EXPECT_EQ(crossfade_level, 77);
  EXPECT_FALSE(all_are(FrameBuffer, 0x00405060u));
}

TEST_F(Hall, DissolveStartsOnceAndEndsInBlack) { check_dissolve_to_black(hall_scene_frame, 3936, 4.4f); }

// The frame past position 3967 or with quit_flag set is the last; quit on entry only keeps the
// picture.
TEST_F(Hall, LeavesPastTheEndOrOnQuit) {
  EXPECT_FALSE(hall_scene_frame(3967));
  EXPECT_TRUE(hall_scene_frame(3968));
  quit_flag = 1;
  EXPECT_TRUE(hall_scene_frame(3700));
  dissolve_begun = 1;
  std::fill_n(FrameBuffer, screen_pixels, 0x00ABCDEFu);
  hall_scene_run();
  EXPECT_EQ(saved_frame[1234], 0x00ABCDEFu);
  EXPECT_EQ(dissolve_begun, 0);
  EXPECT_TRUE(all_are(FrameBuffer, 0x00ABCDEFu));
}

}  // namespace
