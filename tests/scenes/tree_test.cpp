#include "scenes/tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "render3d/pipeline.h"
#include "scenes/scenes.h"
#include "shell/fade.h"
#include "shell/present.h"
#include "shell/timer.h"
#include "shell/window.h"
#include "textures/tables.h"

namespace {

class Tree : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    set_row_table(FrameBuffer);
    build_texture_tables();
    effect_time = 0;
    tree_init();
  }
  void SetUp() override {
    set_row_table(FrameBuffer);
    near_z_limit = 150;
    render_first_face = 0;
    screen_centre[0] = 160;
    screen_centre[1] = 100;
    present_skip = 0;
    blend_enabled = 0;
    quit_flag = 0;
    scene_time = 0;
    tree_enter();
  }
  void TearDown() override {
    blend_enabled = 1;
    scene_time = 0;
    effect_time = 0;
  }
  static bool frame_at(float time, int32_t position) {
    scene_time = time;
    return tree_frame(position);
  }
  static int lit_pixels() {
    return int(std::count_if(FrameBuffer, FrameBuffer + screen_pixels,
                             [](uint32_t p) { return (p & 0xFFFFFF) != 0; }));
  }
  static int32_t horn_vertex(int32_t level, int32_t direction, int32_t point, int32_t ring) {
    return tree_disc_end + ((tree_directions * level + direction) * tree_points + point) * 4 + ring;
  }
};

TEST_F(Tree, MeshBlocksAndFaceRanges) {
  EXPECT_EQ(tree_vertex_count, 2567);
  EXPECT_EQ(tree_trunk_end, 119);
  EXPECT_EQ(tree_disc_end, 935);
  EXPECT_EQ(tree_face_count, 3264);
  // Trunk faces 0..191, textured and single-sided.
  EXPECT_EQ(tree_face_attrs[191].mode_flags, 0u);
  EXPECT_EQ(word_texture(tree_face_textures[191]), tree_texture);
  // Discs 192..959, flat white, double-sided, over vertices 119..934.
  EXPECT_EQ(tree_face_attrs[192].mode_flags, 0x85u);
  EXPECT_EQ(tree_face_attrs[959].mode_flags, 0x85u);
  EXPECT_EQ(tree_face_textures[192], 0xFFFFFFu);
  // Horns 960..3263, flat white shaded per vertex, single-sided, over vertices 935..2566.
  EXPECT_EQ(tree_face_attrs[960].mode_flags, 5u);
  EXPECT_EQ(tree_face_attrs[960].param, 1u);
  EXPECT_EQ(tree_face_textures[3263], 0xFFFFFFu);
  auto in_block = [](int first_face, int end_face, int first_vertex, int end_vertex) {
    for (int f = first_face; f < end_face; ++f)
      for (int32_t i : {tree_faces[f].i0, tree_faces[f].i1, tree_faces[f].i2})
        if (i < first_vertex || i >= end_vertex) return false;
    return true;
  };
  EXPECT_TRUE(in_block(0, 192, 0, 119));
  EXPECT_TRUE(in_block(192, 960, 119, 935));
  EXPECT_TRUE(in_block(960, 3264, 935, 2567));
  // Every horn face stays inside its own layer of 68 vertices.
  for (int f = 960; f < 3264; ++f) {
    int32_t layer = (tree_faces[f].i0 - 935) / 68;
    EXPECT_EQ((tree_faces[f].i1 - 935) / 68, layer) << f;
    EXPECT_EQ((tree_faces[f].i2 - 935) / 68, layer) << f;
  }
}

TEST_F(Tree, TwistSwingsByLevelAndGrows) {
  EXPECT_FLOAT_EQ(twist_angle(0, 0), 0);
  EXPECT_FLOAT_EQ(twist_angle(3, 0), 40);
  EXPECT_NEAR(twist_angle(1, 0), 20, 1e-5);
  // 14 units of time shift the swing by one level and add 1.6 per unit.
  EXPECT_NEAR(twist_angle(0, 14), twist_angle(1, 0) + 22.4f, 1e-4);
  EXPECT_NEAR(twist_angle(2, 140), twist_angle(12, 0) + 224, 1e-3);
}

TEST_F(Tree, RestPoseGeometryAndShades) {
  effect_time = 0;
  build_tree();
  // Trunk ring 0 lies at y -450, untwisted; point 16 closes the ring with v = 256.
  EXPECT_EQ(tree_vertices[0].x, -100);
  EXPECT_EQ(tree_vertices[0].y, -450);
  EXPECT_EQ(tree_vertices[0].z, 0);
  EXPECT_EQ(tree_vertices[16].x, tree_vertices[0].x);
  EXPECT_EQ(tree_vertices[16].z, tree_vertices[0].z);
  EXPECT_EQ(tree_texcoords[16].y, 256);
  EXPECT_EQ(tree_vertices[118].y, 450);
  EXPECT_EQ(tree_texcoords[118].x, 192);
  // The first disc's centre: 103 along x on level 0, 350 below the middle.
  EXPECT_EQ(tree_vertices[119].x, 103);
  EXPECT_EQ(tree_vertices[119].y, -350);
  EXPECT_EQ(tree_vertices[119].z, 0);
  // Horns run from 103 to 343 off the axis, each ring's first point on top of the ring.
  for (int level = 0; level < tree_levels; ++level)
    for (int d = 0; d < tree_directions; ++d)
      for (int q = 0; q < 4; ++q) {
        const Vec3i& v = tree_vertices[horn_vertex(level, d, 0, q)];
        EXPECT_EQ(v.y, int32_t(140 * (level - 2.5) + 25 + 9 * q)) << level << d << q;
        EXPECT_NEAR(std::hypot(v.x, v.z), 103 + 80 * q, 2) << level << d << q;
      }
  // Level 0 is untwisted at time 0: the horn along x has its centre at z = 0 (shade 181
  // at the narrow end), the ones a quarter turn either side at z = +-103 (57 or 305).
  std::set<int> bases;
  for (int d = 0; d < tree_directions; ++d) {
    int base = vertex_shade[3 * horn_vertex(0, d, 5, 0)];
    bases.insert(base);
    for (int q = 1; q < 4; ++q)
      EXPECT_EQ(vertex_shade[3 * horn_vertex(0, d, 5, q)], std::min(base + 74 * q, 255)) << d << q;
  }
  EXPECT_TRUE(bases.count(181));
  EXPECT_TRUE(bases.count(57));
  EXPECT_TRUE(bases.count(255));
}

// The tree turns its points about the vertical axis itself, with each yaw's sine and cosine
// taken once: the result must be exactly rotate_point's, at any time.
TEST_F(Tree, VerticesMatchRotatePoint) {
  constexpr double pi = 3.141592653589793;
  auto rotate = [](int32_t x, int32_t y, int32_t z, float yaw) {
    rotate_point(x, y, z, 0, yaw, 0);
    return Vec3i{rotated_point[0], rotated_point[1], rotated_point[2]};
  };
  for (float t : {0.0f, 7.3f, 91.05f, 333.3f, 1234.5f}) {
    effect_time = t;
    build_tree();
    int v = 0, mismatches = 0;
    auto check = [&](Vec3i want) {
      const Vec3i& got = tree_vertices[v++];
      mismatches += got.x != want.x || got.y != want.y || got.z != want.z;
    };
    for (int i = 0; i < tree_rings; ++i)
      for (int j = 0; j < tree_points; ++j) {
        double a = j * pi * 0.125;
        check(rotate(int32_t(-100 * std::cos(a)), -450 + 150 * i, int32_t(100 * std::sin(a)),
                     twist_angle(i, t)));
      }
    auto horn_point = [&](int level, int d, int x, int r, double a) {
      Vec3i p = rotate(x, int32_t(r * std::cos(a)), int32_t(r * std::sin(a)), float(64 * d));
      p = rotate(p.x, p.y, p.z, twist_angle(level, t));
      return Vec3i{p.x, int32_t(140 * (level - 2.5) + p.y), p.z};
    };
    for (int level = 0; level < tree_levels; ++level)
      for (int d = 0; d < tree_directions; ++d)
        for (int k = 0; k < tree_points; ++k)
          for (int b : {0, 25}) check(horn_point(level, d, 103, b, k * pi * 0.125));
    for (int level = 0; level < tree_levels; ++level)
      for (int d = 0; d < tree_directions; ++d)
        for (int k = 0; k < tree_points; ++k)
          for (int q = 0; q < 4; ++q) check(horn_point(level, d, 103 + 80 * q, 25 + 9 * q, k * pi * 0.125));
    EXPECT_EQ(v, 2567);
    EXPECT_EQ(mismatches, 0) << "at time " << t;
  }
}

TEST_F(Tree, FadesInFromFullBlack) {
  EXPECT_FALSE(frame_at(0, 3440));
  EXPECT_EQ(fade_colour, 0xFFFFFF);
  EXPECT_EQ(lit_pixels(), 0);
  frame_at(3, 3441);
  EXPECT_EQ(fade_colour, 0xEBEBEB);
  frame_at(36, 3460);
  EXPECT_EQ(fade_colour, 0x0F0F0F);
  frame_at(39, 3461);  // 13 steps
  EXPECT_EQ(fade_colour, 0);
  EXPECT_GT(lit_pixels(), 5000);
}

TEST_F(Tree, RearmsAfterButNotAt3840ThenFadesOut) {
  frame_at(0, 3839);
  frame_at(6, 3840);  // neither the fade-in step nor the re-arm
  EXPECT_EQ(fade_colour, 0xFFFFFF);
  EXPECT_EQ(fade_state, 0);
  EXPECT_EQ(fade_base[0], 255);
  frame_at(9, 3841);
  EXPECT_EQ(fade_state, -1);
  EXPECT_EQ(fade_base[0], 0);
  frame_at(12, 3903);
  frame_at(15, 4096);
  EXPECT_EQ(fade_state, -1);  // the fade-out waits for 4097
  frame_at(100, 4097);
  EXPECT_EQ(fade_colour, 0);
  EXPECT_GT(lit_pixels(), 5000);
  frame_at(103, 4120);
  EXPECT_EQ(fade_colour, 0x080808);
  frame_at(100 + 93, 4150);
  EXPECT_EQ(fade_colour, 0xF8F8F8);
  frame_at(100 + 96, 4153);  // 32 steps: black, and still shown
  EXPECT_EQ(fade_colour, 0xFFFFFF);
  EXPECT_EQ(lit_pixels(), 0);
}

TEST_F(Tree, LeavesPastTheEndOrWhenTheSongWraps) {
  frame_at(39, 3600);  // faded in
  // Below 512 the module has started over: leave without presenting (the picture keeps
  // this frame's unfaded tree).
  EXPECT_TRUE(frame_at(42, 511));
  EXPECT_GT(lit_pixels(), 5000);
  EXPECT_FALSE(frame_at(45, 512));
  EXPECT_FALSE(frame_at(45, 4153));
  EXPECT_TRUE(frame_at(45, 4154));
  quit_flag = 1;
  EXPECT_TRUE(frame_at(45, 3600));
  quit_flag = 0;
}

}  // namespace
