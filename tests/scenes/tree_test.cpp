#include "scenes/tree.h"

#include <set>

#include "scenes/scenes.h"
#include "shell/fade.h"
#include "tests/scenes/scene_fixture.h"
#include "textures/tables.h"

namespace {

using namespace scene_test;

class Tree : public SceneTest {
 protected:
  static void SetUpTestSuite() {
    build_texture_tables();
    effect_time = 0;
    tree_init();
  }
  void SetUp() override {
    SceneTest::SetUp();
    near_z_limit = 150;
    tree_enter();
  }
  static int32_t horn_vertex(int32_t level, int32_t direction, int32_t point, int32_t ring) {
    return tree_disc_end + ((tree_directions * level + direction) * tree_points + point) * 4 + ring;
  }
};

// 40 degrees of swing, a period of 12 levels; 14 units of time shift it by one level and add 1.6
// per unit.
TEST_F(Tree, TwistSwingsByLevelAndGrows) {
  const float cases[][3] = {{0, 0, 0}, {1, 0, 20}, {3, 0, 40}, {0, 14, 20 + 22.4f}, {2, 140, 224}};
  for (const auto& [level, time, angle] : cases)
    EXPECT_NEAR(twist_angle(int32_t(level), time), angle, 1e-3) << level << " " << time;
}

// Level 0 is untwisted at time 0: the horn along x has its disc's centre at z = 0 (shade 181 at the
// narrow end), the ones a quarter turn either side at z = +-103 (57, or 305 clamped), and the shade
// rises 74 per ring, clamped at 255. Point 16 closes the trunk's ring with v = 256.
TEST_F(Tree, RestPoseShadesAndTextureSeam) {
  effect_time = 0;
  build_tree();
  EXPECT_EQ(tree_texcoords[16].y, 256);
  std::set<int> bases;
  for (int d = 0; d < tree_directions; ++d) {
    const int base = vertex_shade[3 * horn_vertex(0, d, 5, 0)];
    bases.insert(base);
    for (int q = 1; q < 4; ++q)
      EXPECT_EQ(vertex_shade[3 * horn_vertex(0, d, 5, q)], std::min(base + 74 * q, 255));
  }
  EXPECT_EQ(bases, (std::set<int>{57, 181, 255}));
}

// In from black: 13 steps of 20 from 255.
TEST_F(Tree, FadesInFromFullBlack) {
  play_frames(
      tree_frame,
      {{0, 3440, 0xFFFFFF, false, 0}, {3, 3441, 0xEBEBEB}, {36, 3460, 0x0F0F0F}, {39, 3461, 0, false, 1}});
}

// At 3840 neither the fade-in steps nor the ramp is re-armed; after it, it is.
TEST_F(Tree, NoStepAt3840ThenRearmsAndFadesOutAfter4096) {
  play_frames(tree_frame, {{0, 3839, 0xFFFFFF, false, 0}, {6, 3840, 0xFFFFFF, false, 0}});
  EXPECT_EQ((std::array{fade_state, fade_base[0]}), (std::array{0, 255}));
  play_frames(tree_frame, {{9, 3841}});
  EXPECT_EQ((std::array{fade_state, fade_base[0]}), (std::array{-1, 0}));
  play_frames(tree_frame, {{12, 3903},
                           {15, 4096},
                           {100, 4097, 0, false, 1},  // the fade-out waits for 4097
                           {103, 4120, 0x080808},
                           {193, 4150, 0xF8F8F8},
                           {196, 4153, 0xFFFFFF, false, 0}});  // 32 steps: black, and still shown
}

// Below 512 the module has started over: leave without presenting (the picture keeps this frame's
// unfaded tree).
TEST_F(Tree, LeavesPastTheEndOrWhenTheSongWraps) {
  play_frames(tree_frame, {{39, 3600}, {42, 511, -1, true, 1}, {45, 512}, {45, 4153}, {45, 4154, -1, true}});
  quit_flag = 1;
  play_frames(tree_frame, {{45, 3600, -1, true}});
}

}  // namespace
