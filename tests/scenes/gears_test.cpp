#include "scenes/gears.h"

#include <cmath>

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
};

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
