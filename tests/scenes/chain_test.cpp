#include "scenes/chain.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "render3d/effects.h"
#include "render3d/pipeline.h"
#include "scenes/scenes.h"
#include "shell/present.h"
#include "shell/timer.h"
#include "shell/window.h"
#include "textures/tables.h"

namespace {

class Chain : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    set_row_table(FrameBuffer);
    build_glow_texture();
    build_texture_tables();
    build_dissolve_mask();
    chain_init();
  }
  void SetUp() override {
    set_row_table(FrameBuffer);
    near_z_limit = 50;
    render_first_face = 0;
    screen_centre[0] = 160;
    screen_centre[1] = 100;
    present_skip = 0;
    scene_time = 0;
    quit_flag = 0;
    blend_enabled = 0;
    dissolve_begun = 0;
    std::fill_n(saved_frame, screen_pixels, 0x00405060u);
  }
  void TearDown() override {
    blend_enabled = 1;
    quit_flag = 0;
  }
};

TEST_F(Chain, MeshHasTheFloorThenTwelveLinks) {
  // Floor faces are double-sided and floor-textured; the links are single-sided and glow.
  EXPECT_EQ(chain_attributes[199].mode_flags, face_double_sided);
  EXPECT_EQ(word_texture(chain_textures[199]), chain_floor_texture);
  EXPECT_EQ(chain_attributes[200].mode_flags, 0u);
  EXPECT_EQ(word_texture(chain_textures[chain_face_count - 1]), chain_glow_texture);
  // The last face closes the last cell of the last link's grid.
  const Face& last = chain_faces[chain_face_count - 1];
  EXPECT_EQ(last.i0, chain_vertex_count - 1);
  EXPECT_EQ(last.i1, chain_vertex_count - 2);
  EXPECT_EQ(last.i2, chain_vertex_count - 1 - 18);
  EXPECT_EQ(chain_faces[200].i0, floor_vertex_count);
  // Floor corners and their texture coordinates (a fifth of the position).
  EXPECT_EQ(chain_vertices[0].x, -7280);
  EXPECT_EQ(chain_vertices[0].y, -5880);
  EXPECT_EQ(chain_vertices[120].x, 3120);
  EXPECT_EQ(chain_vertices[120].z, -850);
  EXPECT_EQ(chain_texcoords[0].x, -1456);
  EXPECT_EQ(chain_texcoords[120].x, 624);
  EXPECT_EQ(chain_texcoords[120].y, 504);
}

TEST_F(Chain, LinksAlternateAndHangAlongTheVerticalAxis) {
  for (int link = 0; link < chain_link_count; ++link) {
    int32_t lowest = INT32_MAX, highest = INT32_MIN, widest_x = 0, widest_z = 0;
    for (int v = 0; v < chain_link_vertices; ++v) {
      const Vec3i& p = chain_model[floor_vertex_count + link * chain_link_vertices + v];
      lowest = std::min(lowest, p.y);
      highest = std::max(highest, p.y);
      widest_x = std::max(widest_x, std::abs(p.x));
      widest_z = std::max(widest_z, std::abs(p.z));
    }
    // Ring radius 90 plus tube 25, lower half pulled down 80: an oval 302 high.
    EXPECT_NEAR(highest - lowest, 302, 2) << link;
    EXPECT_NEAR((highest + lowest) / 2, link_table[link].offset, 2) << link;
    // Even links face the viewer (wide in x), odd ones are turned a quarter (wide in z).
    if (link % 2 == 0) {
      EXPECT_GT(widest_x, widest_z) << link;
    } else {
      EXPECT_GT(widest_z, widest_x) << link;
    }
  }
}

TEST_F(Chain, EchoUsesThePreviousFrameFloor) {
  for (int i = 0; i < floor_vertex_count; ++i) projected[i] = {i, 2 * i, 0};
  chain_frame(2950);
  // At time 0 the echo is not displaced: the floor's echo is exactly what projected held.
  for (int i = 0; i < floor_vertex_count; ++i) {
    EXPECT_EQ(chain_echo[i].x, i);
    EXPECT_EQ(chain_echo[i].y, 2 * i);
    EXPECT_EQ(chain_echo[i].z, -5000);
  }
  for (int i = floor_vertex_count; i < chain_vertex_count; ++i) {
    EXPECT_EQ(chain_echo[i].x, projected[i].x);
    EXPECT_EQ(chain_echo[i].y, projected[i].y);
  }
  Vec3i floor_now[floor_vertex_count];
  std::copy_n(projected, floor_vertex_count, floor_now);
  EXPECT_NE(floor_now[0].x, 0);  // this frame's floor replaced the old entries
  chain_frame(2950);
  for (int i = 0; i < floor_vertex_count; ++i) EXPECT_EQ(chain_echo[i].x, floor_now[i].x);
}

TEST_F(Chain, CrossFadeRunsFromTheSavedPictureAndClamps) {
  chain_frame(2912);
  EXPECT_EQ(crossfade_level, 0);
  EXPECT_TRUE(
      std::all_of(FrameBuffer, FrameBuffer + screen_pixels, [](uint32_t p) { return p == 0x00405060u; }));
  chain_frame(2920);
  EXPECT_EQ(crossfade_level, 64);
  chain_frame(3000);
  EXPECT_EQ(crossfade_level, 255);  // 704 clamped
  crossfade_level = 77;
  chain_frame(3072);  // past the cross-fade: the level is left alone
  EXPECT_EQ(crossfade_level, 77);
  EXPECT_FALSE(
      std::all_of(FrameBuffer, FrameBuffer + screen_pixels, [](uint32_t p) { return p == 0x00405060u; }));
}

TEST_F(Chain, DissolveStartsOnceAndEndsInBlack) {
  scene_time = 10;
  chain_frame(3407);
  EXPECT_EQ(dissolve_begun, 0);
  chain_frame(3408);
  EXPECT_EQ(dissolve_begun, 1);
  EXPECT_FLOAT_EQ(dissolve_start_time, 10);
  scene_time = 20;
  chain_frame(3420);
  EXPECT_FLOAT_EQ(dissolve_start_time, 10);  // not restarted
  EXPECT_FLOAT_EQ(effect_time, 40);          // the dissolve's clock: (20 - 10) * 4
  scene_time = 80;                           // e = 280: everything copied
  chain_frame(3430);
  EXPECT_EQ(dissolve_done, 1);
  EXPECT_TRUE(std::all_of(FrameBuffer, FrameBuffer + screen_pixels, [](uint32_t p) { return p == 0; }));
}

TEST_F(Chain, LeavesPastTheEndOrOnQuit) {
  EXPECT_FALSE(chain_frame(3439));
  EXPECT_TRUE(chain_frame(3440));
  // Quit on entry: only the picture for the cross-fade is taken.
  std::fill_n(FrameBuffer, screen_pixels, 0x00ABCDEFu);
  dissolve_begun = 1;
  quit_flag = 1;
  EXPECT_TRUE(chain_frame(3000));
  std::fill_n(FrameBuffer, screen_pixels, 0x00ABCDEFu);
  chain_run();
  EXPECT_EQ(saved_frame[1234], 0x00ABCDEFu);
  EXPECT_EQ(dissolve_begun, 0);
  EXPECT_EQ(FrameBuffer[0], 0x00ABCDEFu);
}

}  // namespace
