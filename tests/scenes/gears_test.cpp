#include "scenes/gears.h"

#include <cmath>

#include "render3d/pipeline.h"
#include "scenes/scenes.h"
#include "shell/fade.h"
#include "tests/scenes/scene_fixture.h"
#include "textures/tables.h"

namespace {

using namespace scene_test;

class Gears : public SceneFrameTest {
 protected:
  static void SetUpTestSuite() {
    build_texture_tables();
    gears_init();
  }
  void SetUp() override {
    SceneFrameTest::SetUp();
    near_z_limit = 70;
    gears_enter();
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
}

// Gears 0 and 8, 1 and 2, 3 and 4, 5 and 6 turn in pairs, at rates of 1/2, 3/10, 2/5, -7/10 and
// -4/3 of the time.
TEST_F(Gears, NeighboursTurnInPairs) {
  for (float t : {0.0f, 1.0f, 37.5f, 1234.25f}) {
    set_gear_phases(t);
    for (auto [a, b] : {std::pair{0, 8}, {1, 2}, {3, 4}, {5, 6}})
      EXPECT_EQ(gear_table[a].phase, gear_table[b].phase) << t << ": " << a << " " << b;
  }
  set_gear_phases(10);
  EXPECT_EQ((std::array{gear_table[0].phase, gear_table[1].phase, gear_table[3].phase, gear_table[5].phase}),
            (std::array{5.0f, 3.0f, 4.0f, -7.0f}));
  EXPECT_FLOAT_EQ(gear_table[7].phase, -13.333333f);
}

// Teeth: ring points of odd steps lie 40 further out than those of even steps, on both halves.
TEST_F(Gears, TeethAlternateOnBothHalves) {
  set_gear_phases(21.7f);
  build_gears();
  for (int s = 0; s < gear_count; ++s)
    for (int f = 0; f < 2; ++f)
      for (int i = 0; i < gear_steps; ++i) {
        const Vec3i& c = gear_point(s, f, i, 2);
        for (int j = 0; j < 2; ++j) {
          const Vec3i& p = gear_point(s, f, i, j);
          ASSERT_NEAR(std::hypot(p.x - c.x, p.y - c.y, p.z - c.z), gear_radii[s] + (i % 2 ? tooth_length : 0),
                      2.5)
              << s << " " << f << " " << i;
        }
      }
}

// Axles 2, 4 and 6 have no length: all their points lie in one square outside the room.
TEST_F(Gears, ZeroLengthAxlesLieFlatBeyondTheWall) {
  for (int s : {2, 4, 6})
    for (int v = 0; v < axle_vertices_each; ++v) {
      const Vec3i& p = gear_vertices[axle_first_vertex + axle_vertices_each * s + v];
      EXPECT_TRUE(p.z == 3000 && std::abs(p.x + 1500) <= 40 && std::abs(p.y - 260) <= 40) << s << " " << v;
    }
}

// Unfaded until 2650, then darker every 3 units, red by 10, green and blue by 13; the frame past
// 2687, or with present_skip or quit_flag set, is the last.
TEST_F(Gears, FadesFromTheEndAndLeaves) {
  play_frames(gears_frame, {{0, 1917, 0}, {900, 2649, 0}, {901, 2650, 0}});
  EXPECT_GT(lit_pixels(), 30000);  // the room fills the screen
  play_frames(gears_frame, {{907, 2660, 0x141A1A}, {961, 2687, 0xC8FFFF}, {1000, 2688, 0xFFFFFF, true}});
  present_skip = 1;
  EXPECT_TRUE(gears_frame(2000));
  present_skip = 0;
  quit_flag = 1;
  EXPECT_TRUE(gears_frame(2000));
}

}  // namespace
