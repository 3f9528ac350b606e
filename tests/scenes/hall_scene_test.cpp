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
  void TearDown() override {
    SceneTest::TearDown();
    effect_time = 0;
  }
  static int32_t pillar_vertex(int32_t pillar, int32_t ring, int32_t point) {
    return hall_first_pillar_vertex + (pillar * hall_pillar_rings + ring) * hall_pillar_points + point;
  }
};

TEST_F(Hall, FaceBlocksUseTheirOwnVerticesAndTextures) {
  const struct {
    const char* what;
    int first_face, end_face, first_vertex, end_vertex;
    uint32_t mode_flags, param;
    const uint32_t* texture;
  } blocks[] = {
      {"floor and ceiling: fogged", 0, 900, 0, 512, 0, 1, hall_floor_texture},
      {"pillars", 900, 1284, 512, 800, 0, 0, hall_pillar_texture},
      {"inner shells: environment-mapped", 1284, 1668, 800, 998, 1, 0, hall_inner_texture},
      {"outer shells: additive", 1668, 2052, 998, 1196, 0, 2, hall_outer_texture},
  };
  for (const auto& b : blocks) {
    SCOPED_TRACE(b.what);
    for (int f = b.first_face; f < b.end_face; ++f) {
      ASSERT_EQ(hall_attributes[f].mode_flags, b.mode_flags) << f;
      ASSERT_EQ(hall_attributes[f].param, b.param) << f;
      ASSERT_EQ(word_texture(hall_textures[f]), b.texture) << f;
      for (int32_t i : {hall_faces[f].i0, hall_faces[f].i1, hall_faces[f].i2})
        ASSERT_TRUE(i >= b.first_vertex && i < b.end_vertex) << "face " << f;
    }
  }
  // Every shell's faces stay within its own 66 vertices.
  for (int f = hall_solid_face_count; f < hall_face_count; ++f) {
    const int32_t shell = (f - hall_solid_face_count) / hall_model_face_count;
    const int32_t first = hall_first_blob_vertex + shell * hall_model_vertex_count;
    for (int32_t i : {hall_faces[f].i0, hall_faces[f].i1, hall_faces[f].i2})
      ASSERT_TRUE(i >= first && i < first + hall_model_vertex_count) << "face " << f;
  }
  for (const Vec3i& m : hall_model) EXPECT_NEAR(std::hypot(m.x, m.y, m.z), 350, 2);
}

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

TEST_F(Hall, BlobShellsShareTheirShapeAndSmallCopies) {
  for (float t : {0.0f, 13.7f, 250.25f}) {
    SCOPED_TRACE(t);
    effect_time = t;
    build_hall();
    for (int32_t b = 0; b < hall_blob_count; ++b)
      for (int32_t i = 0; i < hall_model_vertex_count; ++i) {
        const int32_t n = hall_first_blob_vertex + b * hall_model_vertex_count + i;
        const int32_t o = n + hall_blob_count * hall_model_vertex_count;
        // The outer shell's texture coordinates are the inner's offsets over 6.
        ASSERT_EQ(hall_texcoords[o].x - 90, (hall_texcoords[n].x - 90) / 6) << n;
        ASSERT_EQ(hall_texcoords[o].y - 90, (hall_texcoords[n].y - 90) / 6) << n;
        // Same direction from the centre, 1.9 / 1.5 as far.
        const Vec3i c = {blob_params[b].x, blob_params[b].y, blob_params[b].z};
        const Vec3i di = vec_sub(c, hall_vertices[n]), d_o = vec_sub(c, hall_vertices[o]);
        EXPECT_NEAR(std::hypot(d_o.x, d_o.y, d_o.z), std::hypot(di.x, di.y, di.z) * 1.9 / 1.5, 3) << n;
      }
    for (int32_t v = hall_first_blob_vertex; v < hall_vertex_count; ++v) {
      const Vec3i& p = hall_vertices[v];
      ASSERT_EQ(xyz(hall_small_vertices[v]), (std::array{p.x / 9, p.y / 9, p.z / 9})) << v;
    }
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

TEST_F(Hall, DissolveStartsOnceAndEndsInBlack) {
  scene_time = 10;
  hall_scene_frame(3935);
  EXPECT_EQ(dissolve_begun, 0);
  hall_scene_frame(3936);
  EXPECT_EQ(dissolve_begun, 1);
  EXPECT_FLOAT_EQ(dissolve_start_time, 10);
  scene_time = 20;
  hall_scene_frame(3950);
  EXPECT_FLOAT_EQ(dissolve_start_time, 10);  // not restarted
  EXPECT_FLOAT_EQ(effect_time, 44);          // the dissolve's clock: (20 - 10) * 4.4
  scene_time = 70;                           // e = 264: everything black
  EXPECT_FALSE(hall_scene_frame(3967));
  EXPECT_EQ(dissolve_done, 1);
  EXPECT_TRUE(all_are(FrameBuffer, 0));
  EXPECT_TRUE(hall_scene_frame(3968));
}

TEST_F(Hall, QuitOnEntryOnlyKeepsThePicture) {
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
