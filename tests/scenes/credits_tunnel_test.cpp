#include "scenes/credits_tunnel.h"

#include "data/credits.h"
#include "tests/scenes/scene_fixture.h"

namespace {

using namespace scene_test;

struct CreditsTunnel : SceneTest {
  void SetUp() override {
    SceneTest::SetUp();
    build_tunnel_vertices();
    build_tunnel_faces();
    build_camera_path();
    credits_line_index = credits_text_offset = 0;
    near_z_limit = 50;
    present_skip = 1;  // frames are rendered but never shown
    credits_tunnel_enter();
  }
  static int32_t line_blocks() { return (tunnel_face_count - static_face_count) / 12; }
};

TEST_F(CreditsTunnel, EachLineBuildsOneBlockPerLitPixelThenTheTerminatorLeavesTheTunnel) {
  const int32_t blocks[6] = {103, 92, 170, 119, 153, 150};  // line 2, "SR.PLOXEN": 1360 vertices, 2040 faces
  for (int32_t line = 0; line < 6; ++line) {
    add_credits_line();
    EXPECT_EQ(tunnel_vertex_count - static_vertex_count, 8 * blocks[line]) << line;
  }
  EXPECT_EQ(credits_text_offset, credits_text_length);
  for (int32_t again = 0; again < 2; ++again) {
    add_credits_line();
    EXPECT_EQ((std::array{tunnel_vertex_count, tunnel_face_count, credits_line_index}),
              (std::array{static_vertex_count, static_face_count, 6}));
  }
}

TEST_F(CreditsTunnel, CuesBuildTheirLinesOnePerFrameInOrder) {
  const struct {
    int32_t position, stage, line_index, blocks;
    float hold;
  } frames[] = {
      {895, 0, 0, 0, 0.0f},         {1400, 3, 1, 103, 202400.0f},  // a jump over three cues
      {1400, 3, 2, 92, 202400.0f},  {1400, 3, 3, 170, 202400.0f},
      {1400, 3, 3, 170, 202400.0f}, {1859, 4, 4, 119, 83000.0f},
  };
  for (const auto& f : frames) {
    SCOPED_TRACE(testing::Message() << "frame " << &f - frames);
    EXPECT_FALSE(credits_tunnel_frame(f.position));
    EXPECT_EQ(credits_stage, f.stage);
    EXPECT_EQ(credits_line_index, f.line_index);
    EXPECT_EQ(line_blocks(), f.blocks);
    EXPECT_TRUE(f.stage == 0 || line_hold == f.hold) << line_hold;
  }
}

TEST_F(CreditsTunnel, ALineSlidOutOfViewStaysRemovedAndMusicLinesTurn) {
  credits_tunnel_frame(896);
  const int32_t z_front = tunnel_world[static_vertex_count].z;
  ASSERT_GT(line_blocks(), 0);
  credits_stage = 4;  // the same line, drawn as a music line: turned half a turn
  credits_tunnel_frame(900);
  EXPECT_LT(z_front, -3000);
  EXPECT_GT(tunnel_world[static_vertex_count].z, 3000);
  // Hold 139400 ends at effect_time ~183 after the start; 550 pixels more at ~226.
  scene_time = static_cast<float>(240 / 1.047058);
  credits_tunnel_frame(900);
  EXPECT_EQ(line_blocks(), 0);
  scene_time = 0.0f;  // even with the slide back in range, the line does not return
  credits_tunnel_frame(900);
  EXPECT_EQ(line_blocks(), 0);
}

TEST_F(CreditsTunnel, TheFrameAtTheEndIsDrawnButNotShownAndThePathHoldsItsLastKey) {
  EXPECT_FALSE(credits_tunnel_frame(2175));
  scene_time = 4000.0f;  // key 7120, past the 5246 keys
  EXPECT_TRUE(credits_tunnel_frame(2176));
  EXPECT_EQ(view_target[2], 0.2f * camera_path[camera_path_keys - 1][5]);
}

}  // namespace
