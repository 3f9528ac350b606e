#include "scenes/tree.h"

#include <cmath>
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
  void TearDown() override {
    SceneTest::TearDown();
    scene_time = effect_time = 0;
  }
  static int32_t horn_vertex(int32_t level, int32_t direction, int32_t point, int32_t ring) {
    return tree_disc_end + ((tree_directions * level + direction) * tree_points + point) * 4 + ring;
  }
  // Frames at the given times and positions, each followed by what it must leave behind.
  struct Frame {
    float time;
    int32_t position;
    int32_t fade_colour = -1;  // -1: any
    int lit = -1;              // -1: any, 0: black, 1: the tree is seen
    bool leaves = false;
  };
  static void play(std::initializer_list<Frame> frames) {
    for (const Frame& f : frames) {
      SCOPED_TRACE(testing::Message() << "position " << f.position);
      scene_time = f.time;
      EXPECT_EQ(tree_frame(f.position), f.leaves);
      EXPECT_TRUE(f.fade_colour < 0 || fade_colour == f.fade_colour) << std::hex << fade_colour;
      EXPECT_TRUE(f.lit < 0 || (lit_pixels() > 5000) == (f.lit == 1)) << lit_pixels() << " lit";
    }
  }
};

TEST_F(Tree, MeshBlocksAndFaceRanges) {
  EXPECT_EQ((std::array{tree_trunk_end, tree_disc_end, tree_vertex_count, tree_face_count}),
            (std::array{119, 935, 2567, 3264}));
  const struct {
    const char* what;
    int first_face, end_face, first_vertex, end_vertex;
    uint32_t mode_flags, param;
    FaceTexture texture;  // 0: the trunk's texture
  } blocks[] = {{"trunk: textured, single-sided", 0, 192, 0, 119, 0, 0, 0},
                {"discs: flat white, double-sided", 192, 960, 119, 935, 0x85, 0, 0xFFFFFF},
                {"horns: white, shaded per vertex", 960, 3264, 935, 2567, 5, 1, 0xFFFFFF}};
  for (const auto& b : blocks) {
    SCOPED_TRACE(b.what);
    for (int f : {b.first_face, b.end_face - 1}) {
      EXPECT_EQ(tree_face_attrs[f].mode_flags, b.mode_flags);
      EXPECT_EQ(tree_face_attrs[f].param, b.param);
      if (b.texture) {
        EXPECT_EQ(tree_face_textures[f], b.texture);
      } else {
        EXPECT_EQ(word_texture(tree_face_textures[f]), tree_texture);
      }
    }
    for (int f = b.first_face; f < b.end_face; ++f)
      for (int32_t i : {tree_faces[f].i0, tree_faces[f].i1, tree_faces[f].i2})
        ASSERT_TRUE(i >= b.first_vertex && i < b.end_vertex) << "face " << f;
  }
  // Every horn face stays inside its own layer of 68 vertices.
  for (int f = 960; f < 3264; ++f) {
    int32_t layer = (tree_faces[f].i0 - 935) / 68;
    ASSERT_EQ((tree_faces[f].i1 - 935) / 68, layer) << f;
    ASSERT_EQ((tree_faces[f].i2 - 935) / 68, layer) << f;
  }
}

TEST_F(Tree, TwistSwingsByLevelAndGrows) {
  // 40 degrees of swing, a period of 12 levels; 14 units of time shift it by one level and
  // add 1.6 per unit.
  const struct {
    int32_t level;
    float time, angle;
  } cases[] = {{0, 0, 0}, {1, 0, 20}, {3, 0, 40}, {0, 14, 20 + 22.4f}, {2, 140, 224}};
  for (const auto& c : cases)
    EXPECT_NEAR(twist_angle(c.level, c.time), c.angle, 1e-3) << c.level << " " << c.time;
}

TEST_F(Tree, RestPoseTexturesAndShades) {
  effect_time = 0;
  build_tree();
  // Trunk ring 0 lies at y -450, untwisted; point 16 closes the ring with v = 256.
  EXPECT_EQ(xyz(tree_vertices[0]), (std::array{-100, -450, 0}));
  EXPECT_EQ(tree_texcoords[16].y, 256);
  EXPECT_EQ(tree_texcoords[118].x, 192);
  // Level 0 is untwisted at time 0: the horn along x has its disc's centre at z = 0 (shade 181 at
  // the narrow end), the ones a quarter turn either side at z = +-103 (57, or 305 clamped), and
  // the shade rises 74 per ring.
  std::set<int> bases;
  for (int d = 0; d < tree_directions; ++d) {
    const int base = vertex_shade[3 * horn_vertex(0, d, 5, 0)];
    bases.insert(base);
    for (int q = 1; q < 4; ++q)
      EXPECT_EQ(vertex_shade[3 * horn_vertex(0, d, 5, q)], std::min(base + 74 * q, 255));
  }
  EXPECT_EQ(bases, (std::set<int>{57, 181, 255}));
}

// The tree turns its points about the vertical axis itself, with each yaw's sine and cosine taken
// once: the result must be exactly rotate_point's, at any time.
TEST_F(Tree, VerticesMatchRotatePoint) {
  constexpr double pi = 3.141592653589793;
  auto rotate = [](int32_t x, int32_t y, int32_t z, float yaw) {
    rotate_point(x, y, z, 0, yaw, 0);
    return std::array{rotated_point[0], rotated_point[1], rotated_point[2]};
  };
  for (float t : {0.0f, 7.3f, 91.05f, 1234.5f}) {
    effect_time = t;
    build_tree();
    int v = 0, mismatches = 0;
    auto check = [&](std::array<int32_t, 3> want) { mismatches += xyz(tree_vertices[v++]) != want; };
    for (int i = 0; i < tree_rings; ++i)
      for (int j = 0; j < tree_points; ++j)
        check(rotate(int32_t(-100 * std::cos(j * pi / 8)), -450 + 150 * i,
                     int32_t(100 * std::sin(j * pi / 8)), twist_angle(i, t)));
    auto horn_point = [&](int level, int d, int x, int r, int k) {
      auto p = rotate(x, int32_t(r * std::cos(k * pi / 8)), int32_t(r * std::sin(k * pi / 8)), float(64 * d));
      p = rotate(p[0], p[1], p[2], twist_angle(level, t));
      return std::array{p[0], int32_t(140 * (level - 2.5) + p[1]), p[2]};
    };
    for (int horns : {0, 1})  // the discs' two rings, then the horns' four
      for (int level = 0; level < tree_levels; ++level)
        for (int d = 0; d < tree_directions; ++d)
          for (int k = 0; k < tree_points; ++k)
            for (int q = 0; q < (horns ? 4 : 2); ++q)
              check(horns ? horn_point(level, d, 103 + 80 * q, 25 + 9 * q, k)
                          : horn_point(level, d, 103, 25 * q, k));
    EXPECT_EQ(v, 2567);
    EXPECT_EQ(mismatches, 0) << "at time " << t;
  }
}

// In from black: 13 steps of 20 from 255.
TEST_F(Tree, FadesInFromFullBlack) {
  play({{0, 3440, 0xFFFFFF, 0}, {3, 3441, 0xEBEBEB}, {36, 3460, 0x0F0F0F}, {39, 3461, 0, 1}});
}

// At 3840 neither the fade-in steps nor the ramp is re-armed; after it, it is.
TEST_F(Tree, NoStepAt3840ThenRearmsAndFadesOutAfter4096) {
  play({{0, 3839, 0xFFFFFF, 0}, {6, 3840, 0xFFFFFF, 0}});
  EXPECT_EQ(fade_state, 0);
  EXPECT_EQ(fade_base[0], 255);
  play({{9, 3841}});
  EXPECT_EQ(fade_state, -1);
  EXPECT_EQ(fade_base[0], 0);
  play({{12, 3903},
        {15, 4096},
        {100, 4097, 0, 1},  // the fade-out waits for 4097
        {103, 4120, 0x080808},
        {193, 4150, 0xF8F8F8},
        {196, 4153, 0xFFFFFF, 0}});  // 32 steps: black, and still shown
}

TEST_F(Tree, LeavesPastTheEndOrWhenTheSongWraps) {
  // Below 512 the module has started over: leave without presenting (the picture keeps this
  // frame's unfaded tree).
  play({{39, 3600}, {42, 511, -1, 1, true}, {45, 512}, {45, 4153}, {45, 4154, -1, -1, true}});
  quit_flag = 1;
  play({{45, 3600, -1, -1, true}});
}

}  // namespace
