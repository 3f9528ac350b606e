#include "scenes/credits_tunnel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/credits.h"
#include "render3d/pipeline.h"
#include "shell/present.h"
#include "shell/timer.h"

namespace {

// The glyph of c as eight rows of '#' and '.', leftmost pixel first.
std::vector<std::string> glyph_art(char c) {
  std::vector<std::string> rows;
  for (int j = 0; j < 8; ++j) {
    const uint8_t bits = font8x8[(c - font8x8_first_code) * 8 + j];
    std::string row;
    for (int k = 0; k < 8; ++k) row += (bits & (0x80 >> k)) ? '#' : '.';
    rows.push_back(row);
  }
  return rows;
}

void build_static_tunnel() {
  build_tunnel_vertices();
  build_tunnel_faces();
  build_camera_path();
  credits_line_index = 0;
  credits_text_offset = 0;
}

struct CreditsTunnel : testing::Test {
  void SetUp() override {
    build_static_tunnel();
    set_row_table(FrameBuffer);
    near_z_limit = 50;
    present_skip = 1;  // frames are rendered but never shown
    scene_time = 0.0f;
    credits_tunnel_enter();
  }
  void TearDown() override { present_skip = 0; }
};

TEST(CreditsFont, GlyphsOfTheCreditsReadAsLetters) {
  EXPECT_EQ(glyph_art('K'), (std::vector<std::string>{".#.....#", ".#....#.", ".#...#..", ".####...",
                                                      ".#...#..", ".#....#.", ".#.....#", "........"}));
  EXPECT_EQ(glyph_art('>'), (std::vector<std::string>{"........", "..#.....", "...#....", "....#...",
                                                      ".....#..", "....#...", "...#....", "..#....."}));
  EXPECT_EQ(glyph_art('\''), (std::vector<std::string>{"........", "....#...", "...#....", "........",
                                                       "........", "........", "........", "........"}));
  // The last glyph is the circled C: a ring with a C inside.
  EXPECT_EQ(glyph_art(127)[3], "#.#....#");
}

TEST(CreditsFont, LinesSplitTheTextAndEndWithZero) {
  int32_t total = 0;
  for (int32_t i = 0; i < credits_line_count; ++i) total += credits_line_lengths[i];
  EXPECT_EQ(total, credits_text_length);
  EXPECT_EQ(credits_line_lengths[credits_line_count], 0);
  EXPECT_EQ(std::string(credits_text, 6), "CODE->");
}

TEST(CreditsTunnelBuild, CameraPathSegmentsHaveTheirKeyCounts) {
  build_camera_path();
  EXPECT_EQ(camera_path_segment_keys[0], 551);
  EXPECT_EQ(camera_path_segment_keys[1], 1686);
  EXPECT_EQ(camera_path_segment_keys[2], 108);
  EXPECT_EQ(camera_path_segment_keys[3], 400);
  EXPECT_EQ(camera_path_segment_keys[4], 2501);
  // Travel: 0 to 44000, held, back down to 12080, held at 12000.
  EXPECT_EQ(camera_path[0][2], 0.0f);
  EXPECT_EQ(camera_path[550][2], 44000.0f);
  EXPECT_EQ(camera_path[551 + 1686 + 108][2], 44000.0f);
  EXPECT_EQ(camera_path[551 + 1686 + 108 + 399][2], 12080.0f);
  EXPECT_EQ(camera_path[camera_path_keys - 1][2], 12000.0f);
  // Segment 3 turns the target from +z through -x to -z.
  EXPECT_EQ(camera_path[551 + 1686][5], 1500.0f);
  EXPECT_LT(camera_path[551 + 1686 + 54][3], -1499.0f);
  EXPECT_LT(camera_path[551 + 1686 + 107][5], -1499.0f);
}

TEST(CreditsTunnelBuild, TunnelHasItsVerticesFacesAndTexture) {
  build_static_tunnel();
  EXPECT_EQ(static_vertex_count, 858);
  EXPECT_EQ(static_face_count, 1536);
  const int32_t u[13] = {0, 21, 42, 63, 85, 106, 127, 149, 170, 191, 213, 234, 255};
  for (int32_t j = 0; j < 13; ++j) EXPECT_EQ(tunnel_uv[5 * 13 + j].x, u[j]) << j;
  EXPECT_EQ(tunnel_uv[5 * 13].y, 160);
  // Half 0 runs to z = -12800 with x mirrored, half 1 to +12800 (all coordinates over 5).
  EXPECT_EQ(tunnel_model[32 * 13].z, -12800);
  EXPECT_EQ(tunnel_model[429 + 32 * 13].z, 12800);
  EXPECT_EQ(tunnel_world[0].x, -1530);
  EXPECT_EQ(tunnel_world[429].x, 1530);
  EXPECT_EQ(tunnel_world[12].x, tunnel_world[0].x);
  EXPECT_EQ(tunnel_world[12].y, tunnel_world[0].y);
  for (int32_t j = 1; j <= 5; ++j) EXPECT_EQ(tunnel_world[j].y, 824) << j;  // the floor strip
  EXPECT_EQ(tunnel_world[3].x, 0);
  // Faces and their textures: floor triangles 2..11 of each ring.
  EXPECT_EQ(tunnel_faces[0].i0, 0);
  EXPECT_EQ(tunnel_faces[0].i1, 13);
  EXPECT_EQ(tunnel_faces[0].i2, 14);
  EXPECT_EQ(tunnel_faces[1].i0, 14);
  EXPECT_EQ(tunnel_faces[768].i0, 429);
  EXPECT_EQ(tunnel_face_textures[0], texture_word(tunnel_tex_c));
  EXPECT_EQ(tunnel_face_textures[2], texture_word(tunnel_tex_b));
  EXPECT_EQ(tunnel_face_textures[11], texture_word(tunnel_tex_b));
  EXPECT_EQ(tunnel_face_textures[12], texture_word(tunnel_tex_c));
  EXPECT_EQ(tunnel_face_textures[24 + 23], texture_word(tunnel_tex_a));
  EXPECT_EQ(tunnel_face_attrs[100].mode_flags, 2u);
}

TEST(CreditsTunnelBuild, EachLineBuildsOneBlockPerLitPixelThenTheTerminatorLeavesTheTunnel) {
  build_static_tunnel();
  const int32_t blocks[6] = {103, 92, 170, 119, 153, 150};
  for (int32_t line = 0; line < 6; ++line) {
    add_credits_line();
    EXPECT_EQ(tunnel_vertex_count - static_vertex_count, 8 * blocks[line]) << line;
    EXPECT_EQ(tunnel_face_count - static_face_count, 12 * blocks[line]) << line;
    EXPECT_LE(tunnel_vertex_count, tunnel_vertex_capacity);
    EXPECT_LE(tunnel_face_count, tunnel_face_capacity);
    if (line == 2) {  // "SR.PLOXEN", the longest
      EXPECT_EQ(tunnel_vertex_count - static_vertex_count, 1360);
      EXPECT_EQ(tunnel_face_count - static_face_count, 2040);
    }
  }
  EXPECT_EQ(credits_text_offset, credits_text_length);
  for (int32_t again = 0; again < 2; ++again) {
    add_credits_line();
    EXPECT_EQ(tunnel_vertex_count, static_vertex_count);
    EXPECT_EQ(tunnel_face_count, static_face_count);
    EXPECT_EQ(credits_line_index, 6);
    EXPECT_EQ(credits_text_offset, credits_text_length);
  }
}

TEST(CreditsTunnelBuild, BlocksOfAGlyphSitOnItsPixelGrid) {
  build_static_tunnel();
  add_credits_line();  // "CODE->": the first block is C's top row, column 1
  const Vec3i* corner = tunnel_model + static_vertex_count;
  // x = 5 * -18 + 140 * (1 - 3.5) + 1300 * (0 - 0.5 * 5.5), y = 6 * 18 + 180 * -3.5, z = 12 * 18.
  EXPECT_EQ(corner[0].x, -90 - 350 - 3575);
  EXPECT_EQ(corner[0].y, 108 - 630);
  EXPECT_EQ(corner[0].z, 216);
  EXPECT_EQ(tunnel_uv[static_vertex_count].x, corner[0].x / 10);
  EXPECT_EQ(tunnel_faces[static_face_count].i0, static_vertex_count);
  EXPECT_EQ(tunnel_faces[static_face_count].i2, static_vertex_count + 5);
  EXPECT_EQ(tunnel_face_textures[static_face_count], texture_word(letter_texture));
  EXPECT_EQ(tunnel_face_attrs[static_face_count].mode_flags, 0u);
}

TEST_F(CreditsTunnel, NoLettersBeforeTheFirstCue) {
  EXPECT_FALSE(credits_tunnel_frame(895));
  EXPECT_EQ(credits_stage, 0);
  EXPECT_EQ(tunnel_face_count, static_face_count);
}

TEST_F(CreditsTunnel, AJumpOverSeveralCuesBuildsTheirLinesOnePerFrameInOrder) {
  credits_tunnel_frame(1400);
  EXPECT_EQ(credits_stage, 3);
  EXPECT_EQ(line_hold, 202400.0f);
  EXPECT_EQ(credits_line_index, 1);
  EXPECT_EQ(tunnel_face_count - static_face_count, 12 * 103);
  credits_tunnel_frame(1400);
  EXPECT_EQ(credits_line_index, 2);
  EXPECT_EQ(tunnel_face_count - static_face_count, 12 * 92);
  credits_tunnel_frame(1400);
  EXPECT_EQ(credits_line_index, 3);
  EXPECT_EQ(tunnel_face_count - static_face_count, 12 * 170);
  credits_tunnel_frame(1400);
  EXPECT_EQ(credits_line_index, 3);  // nothing more is owed
  credits_tunnel_frame(1859);
  EXPECT_EQ(credits_stage, 4);
  EXPECT_EQ(line_hold, 83000.0f);
  EXPECT_EQ(credits_line_index, 4);
}

TEST_F(CreditsTunnel, MusicLinesAreTurnedHalfATurn) {
  credits_tunnel_frame(900);
  const int32_t first = static_vertex_count;
  const int32_t z_front = tunnel_world[first].z;
  credits_stage = 4;  // same line, drawn as a music line
  credits_tunnel_frame(900);
  EXPECT_LT(z_front, -3000);
  EXPECT_GT(tunnel_world[first].z, 3000);
}

TEST_F(CreditsTunnel, ALineSlidOutOfViewStaysRemoved) {
  credits_tunnel_frame(896);
  ASSERT_GT(tunnel_face_count, static_face_count);
  // Hold 139400 ends at effect_time ~183 after the start; 550 pixels more at ~226.
  scene_time = static_cast<float>(240 / 1.047058);
  credits_tunnel_frame(900);
  EXPECT_EQ(tunnel_face_count, static_face_count);
  scene_time = 0.0f;  // even with the slide back in range, the line does not return
  credits_tunnel_frame(900);
  EXPECT_EQ(tunnel_face_count, static_face_count);
}

TEST_F(CreditsTunnel, TheFrameAtTheEndPositionIsDrawnButNotShown) {
  EXPECT_FALSE(credits_tunnel_frame(2175));
  EXPECT_TRUE(credits_tunnel_frame(2176));
}

TEST_F(CreditsTunnel, ThePathHoldsItsLastKeyLongAfterItsEnd) {
  scene_time = 4000.0f;  // key 7120, past the 5246 keys
  credits_tunnel_frame(1000);
  EXPECT_EQ(view_offset[0], 0.2f * camera_path[camera_path_keys - 1][0]);
  EXPECT_EQ(view_target[2], 0.2f * camera_path[camera_path_keys - 1][5]);
}

}  // namespace
