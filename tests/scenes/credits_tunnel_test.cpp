#include "scenes/credits_tunnel.h"

#include <string>
#include <vector>

#include "data/credits.h"
#include "tests/scenes/scene_fixture.h"

namespace {

using namespace scene_test;

// The glyph of c as eight rows of '#' and '.', leftmost pixel first.
std::vector<std::string> glyph_art(int c) {
  std::vector<std::string> rows(8);
  for (int j = 0; j < 8; ++j)
    for (int k = 0; k < 8; ++k)
      rows[j] += font8x8[(c - font8x8_first_code) * 8 + j] & (0x80 >> k) ? '#' : '.';
  return rows;
}

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
  void TearDown() override {
    SceneTest::TearDown();
    present_skip = 0;
  }
  static int32_t line_blocks() { return (tunnel_face_count - static_face_count) / 12; }
};

TEST(CreditsFont, GlyphsOfTheCreditsReadAsLetters) {
  EXPECT_EQ(glyph_art('K'), (std::vector<std::string>{".#.....#", ".#....#.", ".#...#..", ".####...",
                                                      ".#...#..", ".#....#.", ".#.....#", "........"}));
  EXPECT_EQ(glyph_art(127)[3], "#.#....#");  // the circled C
}

TEST_F(CreditsTunnel, CameraPathAndTunnel) {
  EXPECT_EQ(std::vector<int32_t>(camera_path_segment_keys, camera_path_segment_keys + 5),
            (std::vector<int32_t>{551, 1686, 108, 400, 2501}));
  // Travel: 0 to 44000, held, back down to 12080, held at 12000.
  EXPECT_EQ((std::array{camera_path[550][2], camera_path[551 + 1686 + 108 + 399][2],
                        camera_path[camera_path_keys - 1][2]}),
            (std::array{44000.0f, 12080.0f, 12000.0f}));
  EXPECT_LT(camera_path[551 + 1686 + 107][5], -1499.0f);  // segment 3 turns the target to -z
  EXPECT_EQ((std::array{static_vertex_count, static_face_count}), (std::array{858, 1536}));
  // u steps of 21.33333, truncated: the ring never quite reaches 64, 128 or 256.
  EXPECT_EQ((std::array{tunnel_uv[5 * 13 + 3].x, tunnel_uv[5 * 13 + 4].x, tunnel_uv[5 * 13 + 12].x}),
            (std::array{63, 85, 255}));
  // Half 0 runs to z = -12800 with x mirrored, half 1 to +12800; the floor strip lies at y 824.
  EXPECT_EQ((std::array{tunnel_model[32 * 13].z, tunnel_model[429 + 32 * 13].z, tunnel_world[0].x,
                        tunnel_world[429].x, tunnel_world[3].y}),
            (std::array{-12800, 12800, -1530, 1530, 824}));
  EXPECT_EQ(tunnel_faces[768].i0, 429);
  EXPECT_EQ(tunnel_face_textures[2], texture_word(tunnel_tex_b));  // floor triangles 2..11 of each ring
}

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
  // The first block of "CODE->" is C's top row, column 1: x = 5 * -18 + 140 * (1 - 3.5) +
  // 1300 * (0 - 0.5 * 5.5), y = 6 * 18 + 180 * -3.5, z = 12 * 18.
  credits_line_index = credits_text_offset = 0;
  add_credits_line();
  EXPECT_EQ(xyz(tunnel_model[static_vertex_count]), (std::array{-4015, -522, 216}));
  EXPECT_EQ(tunnel_faces[static_face_count].i2, static_vertex_count + 5);
  EXPECT_EQ(tunnel_face_textures[static_face_count], texture_word(letter_texture));
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
