#include "scenes/gears.h"

#include <cmath>

#include "render3d/pipeline.h"
#include "scenes/scenes.h"
#include "shell/fade.h"
#include "tests/scenes/scene_fixture.h"
#include "textures/tables.h"

namespace {

using namespace scene_test;

class Gears : public SceneTest {
 protected:
  static void SetUpTestSuite() {
    build_texture_tables();
    gears_init();
  }
  void SetUp() override {
    SceneTest::SetUp();
    near_z_limit = 70;
    gears_enter();
  }
  void TearDown() override {
    SceneTest::TearDown();
    present_skip = 0;
    scene_time = effect_time = 0;
  }
  // Vertex j (0, 1: ring points, 2: centre) of step i on half f of gear s.
  static const Vec3i& gear_point(int s, int f, int i, int j) {
    return gear_vertices[gear_first_vertex + gear_vertices_each * s + gear_half_vertices * f + 3 * i + j];
  }
};

TEST_F(Gears, EveryFaceStaysInsideItsOwnBlock) {
  EXPECT_EQ((std::array{room_vertex_count, room_face_count, gear_vertex_count, gear_face_count}),
            (std::array{294, 432, 1527, 1728}));
  for (int f = 0; f < gear_face_count; ++f) {
    // The room, then 102 vertices per gear and 35 per axle.
    const int block = f < 432 ? -1 : f < 1296 ? (f - 432) / 96 : 9 + (f - 1296) / 48;
    const int first = block < 0 ? 0 : block < 9 ? 294 + 102 * block : 1212 + 35 * (block - 9);
    const int end = block < 0 ? 294 : first + (block < 9 ? 102 : 35);
    for (int32_t i : {gear_faces[f].i0, gear_faces[f].i1, gear_faces[f].i2})
      ASSERT_TRUE(i >= first && i < end) << "face " << f << " vertex " << i;
    ASSERT_EQ(gear_face_attrs[f].mode_flags | gear_face_attrs[f].param, 0u) << f;
    ASSERT_EQ(word_texture(gear_face_textures[f]), f < 432 ? room_texture : gear_texture) << f;
  }
  // A gear's first wedge and first wall; the last wall reaches the closing step 16.
  auto corners = [](const Face& f) { return std::array{f.i0, f.i1, f.i2}; };
  EXPECT_EQ(corners(gear_faces[432]), (std::array{294, 295, 296}));
  EXPECT_EQ(corners(gear_faces[464]), (std::array{345, 295, 294}));
  EXPECT_EQ(corners(gear_faces[527]), (std::array{342, 390, 394}));
}

TEST_F(Gears, NeighboursTurnInPairs) {
  for (float t : {0.0f, 1.0f, 37.5f, 1234.25f}) {
    set_gear_phases(t);
    for (auto [a, b] : {std::pair{0, 8}, {1, 2}, {3, 4}, {5, 6}})
      EXPECT_EQ(gear_table[a].phase, gear_table[b].phase) << t << ": " << a << " " << b;
  }
  set_gear_phases(10);
  const float want[] = {5, 3, 4, -7, -13.333333f};
  const int firsts[] = {0, 1, 3, 5, 7};
  for (int k = 0; k < 5; ++k) EXPECT_FLOAT_EQ(gear_table[firsts[k]].phase, want[k]) << firsts[k];
}

// Teeth: ring points of odd steps lie 40 further out than those of even steps; the two ring
// points of a step 1.3 steps apart, and the centre on the gear's position.
TEST_F(Gears, TeethAlternateOnBothHalves) {
  set_gear_phases(21.7f);
  build_gears();
  for (int s = 0; s < gear_count; ++s)
    for (int f = 0; f < 2; ++f)
      for (int i = 0; i < gear_steps; ++i) {
        const Vec3i& c = gear_point(s, f, i, 2);
        const double want = gear_radii[s] + (i % 2 ? tooth_length : 0);
        for (int j = 0; j < 2; ++j) {
          const Vec3i& p = gear_point(s, f, i, j);
          ASSERT_NEAR(std::hypot(p.x - c.x, p.y - c.y, p.z - c.z), want, 2.5) << s << " " << f << " " << i;
        }
      }
}

// The rotations are taken once per gear and axle: exactly rotate_point's, at any phase.
TEST_F(Gears, VerticesMatchRotatePoint) {
  for (float t : {0.0f, 3.3f, 250.75f}) {
    set_gear_phases(t);
    build_gears();
    int mismatches = 0;
    for (int s = 0; s < gear_count; ++s) {
      const GearPlacement& g = gear_table[s];
      const double a = (16 + double(g.phase) + 1.3f) * 3.141592653589793 * 0.125;
      const int h = gear_radii[s];  // step 16 is short
      rotate_point(int32_t(h * std::cos(a)), int32_t(h * std::sin(a)), 100, g.pitch, g.yaw, g.roll);
      const Vec3i& p = gear_point(s, 0, 16, 1);
      mismatches += xyz(p) != std::array{int32_t(rotated_point[0] + g.dx), int32_t(rotated_point[1] + g.dy),
                                         int32_t(rotated_point[2] + g.dz)};
      const AxlePlacement& x = axle_table[s];
      const double b = (g.phase * 0.25 + 3) * 3.141592653589793 * 0.5;
      rotate_point(int32_t(40 * std::cos(b)), int32_t(40 * std::sin(b)), 2 * x.w, float(x.pitch),
                   float(x.yaw), float(x.roll));
      mismatches += xyz(gear_vertices[axle_first_vertex + 35 * s + 5 * 5 + 3]) !=
                    std::array{rotated_point[0] + x.dx, rotated_point[1] + x.dy, rotated_point[2] + x.dz};
    }
    EXPECT_EQ(mismatches, 0) << "at time " << t;
  }
}

TEST_F(Gears, GearTexcoordsOnlyOnTheFirstBuild) {
  const Vec3i gear_uv = gear_texcoords[gear_first_vertex + 1],
              centre_uv = gear_texcoords[gear_first_vertex + 2];
  EXPECT_EQ(xyz(centre_uv), (std::array{128, 128, 0}));
  gear_texcoords[axle_first_vertex + 34] = {};
  set_gear_phases(77);
  build_gears();
  EXPECT_EQ(xyz(gear_texcoords[gear_first_vertex + 1]), xyz(gear_uv));
  EXPECT_EQ(xyz(gear_texcoords[axle_first_vertex + 34]), (std::array{256, 180, 0}));  // axles every time
}

// Axles 2, 4 and 6 have no length: all their points lie in one square outside the room.
TEST_F(Gears, ZeroLengthAxlesLieFlatBeyondTheWall) {
  for (int s : {2, 4, 6})
    for (int v = 0; v < axle_vertices_each; ++v) {
      const Vec3i& p = gear_vertices[axle_first_vertex + axle_vertices_each * s + v];
      EXPECT_EQ(p.z, 3000);
      EXPECT_TRUE(std::abs(p.x + 1500) <= 40 && std::abs(p.y - 260) <= 40) << s << " " << v;
    }
}

// Unfaded until 2650, then darker every 3 units, red by 10, green and blue by 13.
TEST_F(Gears, FadesFromTheEndAndLeaves) {
  const struct {
    float time;
    int32_t position, fade;
    bool leaves;
  } frames[] = {{0, 1917, 0, false},          {900, 2649, 0, false},        {901, 2650, 0, false},
                {907, 2660, 0x141A1A, false}, {961, 2687, 0xC8FFFF, false}, {1000, 2688, 0xFFFFFF, true}};
  for (const auto& f : frames) {
    scene_time = f.time;
    EXPECT_EQ(gears_frame(f.position), f.leaves) << f.position;
    EXPECT_EQ(fade_colour, f.fade) << std::hex << fade_colour << " at " << std::dec << f.position;
    if (f.position == 2650) {
      EXPECT_GT(lit_pixels(), 30000);  // the room fills the screen
    }
  }
  present_skip = 1;
  EXPECT_TRUE(gears_frame(2000));
  present_skip = 0;
  quit_flag = 1;
  EXPECT_TRUE(gears_frame(2000));
}

}  // namespace
