#include "render3d/effects.h"

#include <gtest/gtest.h>

#include <cstring>

#include "render3d/pixel_ops.h"
#include "render_fixture.h"
#include "shell/random.h"
#include "shell/timer.h"
#include "textures/tables.h"

namespace {

using Effects = RenderTest;

uint32_t next_word(uint32_t& state) {
  state = state * 1664525u + 1013904223u;
  return state ^ (state >> 13);
}

TEST(PixelOps, Sse2AndPortableGiveTheSameBytes) {
#if defined(__SSE2__)
  uint32_t state = 7;
  const uint32_t edge[] = {0, 0xFFFFFFFF, 0x80808080, 0x7F7F7F7F, 0x01FF00FE};
  for (int i = 0; i < 200000; ++i) {
    const uint32_t a = i < 25 ? edge[i % 5] : next_word(state);
    const uint32_t b = i < 25 ? edge[i / 5] : next_word(state);
    const uint32_t k = next_word(state) & 255;
    ASSERT_EQ(pixel_sse2::add_sat(a, b), pixel_portable::add_sat(a, b));
    ASSERT_EQ(pixel_sse2::sub_sat(a, b), pixel_portable::sub_sat(a, b));
    ASSERT_EQ(pixel_sse2::blend(a, b, k), pixel_portable::blend(a, b, k));
    ASSERT_EQ(pixel_sse2::modulate(a, k, b & 255, (b >> 8) & 255),
              pixel_portable::modulate(a, k, b & 255, (b >> 8) & 255));
  }
#else
  GTEST_SKIP() << "no SSE2";
#endif
  EXPECT_EQ(pixel_portable::add_sat(0xF0800110, 0x20810220), 0xFFFF0330u);
  EXPECT_EQ(pixel_portable::sub_sat(0x10800330, 0x20810120), 0x00000210u);
  EXPECT_EQ(pixel_portable::modulate(0xFF804020, 128, 255, 0), 0x00007F20u);
}

TEST_F(Effects, CrossfadeClampsAndWeighs) {
  uint32_t state = 1;
  for (int i = 0; i < 64000; ++i) saved_frame[i] = next_word(state), FrameBuffer[i] = next_word(state);
  static uint32_t before[64000];
  std::memcpy(before, FrameBuffer, sizeof before);
  crossfade_level = -5;
  crossfade_saved_frame();
  EXPECT_EQ(crossfade_level, 0);
  EXPECT_EQ(std::memcmp(FrameBuffer, saved_frame, sizeof before), 0);
  std::memcpy(FrameBuffer, before, sizeof before);
  crossfade_level = 300;
  crossfade_saved_frame();
  EXPECT_EQ(crossfade_level, 255);
  for (int i = 0; i < 64000; ++i)
    ASSERT_EQ(FrameBuffer[i], pixel_portable::blend(saved_frame[i], before[i], 255));
  std::memcpy(FrameBuffer, before, sizeof before);
  crossfade_level = 77;
  crossfade_saved_frame();
  for (int i = 0; i < 64000; ++i)
    ASSERT_EQ(FrameBuffer[i], pixel_portable::blend(saved_frame[i], before[i], 77));
  EXPECT_EQ(pixel_portable::blend(0x00000000, 0xFFFFFFFF, 255), 0xFEFEFEFEu);
}

TEST_F(Effects, BlurKeepsBordersAndAveragesUniformPictures) {
  static uint32_t picture[64000], before[64000];
  for (uint32_t fill : {0xC8C8C8C8u, 0x03030303u}) {
    for (uint32_t& p : picture) p = fill;
    blur_frame(1, picture);
    const uint32_t expected = fill == 0xC8C8C8C8u ? fill : 0;
    for (int y = 0; y < 200; ++y)
      for (int x = 0; x < 320; ++x) {
        const bool border = y == 0 || y == 199 || x < 2 || x > 317;
        ASSERT_EQ(picture[y * 320 + x], border ? fill : expected) << x << "," << y;
      }
  }
  uint32_t state = 3;
  for (uint32_t& p : picture) p = next_word(state);
  std::memcpy(before, picture, sizeof before);
  blur_frame(5, picture);
  for (int i = 0; i < 320; ++i) {
    ASSERT_EQ(picture[i], before[i]);
    ASSERT_EQ(picture[199 * 320 + i], before[199 * 320 + i]);
  }
  for (int y = 0; y < 200; ++y)
    for (int x : {0, 1, 318, 319}) ASSERT_EQ(picture[y * 320 + x], before[y * 320 + x]);
}

TEST_F(Effects, BlurWorksInPlaceLeftToRightTopToBottom) {
  static uint32_t picture[64000], expected[64000];
  uint32_t state = 11;
  for (uint32_t& p : picture) p = next_word(state);
  std::memcpy(expected, picture, sizeof expected);
  // Byte by byte: left and upper neighbours are already this pass's values.
  auto q = [](uint32_t p, int byte) { return ((p >> (8 * byte)) & 255) >> 2; };
  for (int y = 1; y < 199; ++y)
    for (int x = 2; x < 318; ++x) {
      uint32_t v = 0;
      for (int b = 0; b < 4; ++b)
        v |= (q(expected[y * 320 + x - 2], b) + q(expected[y * 320 + x + 2], b) +
              q(expected[(y + 1) * 320 + x], b) + q(expected[(y - 1) * 320 + x], b))
             << (8 * b);
      expected[y * 320 + x] = v;
    }
  blur_frame(1, picture);
  EXPECT_EQ(std::memcmp(picture, expected, sizeof expected), 0);
}

TEST_F(Effects, DissolveThresholds) {
  static uint32_t image[64000], mask[64000];
  for (int i = 0; i < 64000; ++i) image[i] = 0x123456, mask[i] = 0xFFFFFF00u | uint32_t(i & 255);
  clear_buffers(0xABCDEF);
  scene_time = 100;
  dissolve_start();
  EXPECT_EQ(dissolve_done, 0);
  dissolve_frame(4.0f, image, mask);  // e = 0: only mask 255
  EXPECT_EQ(effect_time, 0.0f);
  for (int i = 0; i < 512; ++i) ASSERT_EQ(FrameBuffer[i], (i & 255) == 255 ? 0x123456u : 0xABCDEFu) << i;
  scene_time = 110;  // e = 40: threshold 215
  dissolve_frame(4.0f, image, mask);
  EXPECT_EQ(effect_time, 40.0f);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(FrameBuffer[i], i >= 215 ? 0x123456u : 0xABCDEFu) << i;
  present_skip = 1;
  scene_time = 200;
  dissolve_frame(4.0f, image, mask);
  present_skip = 0;
  EXPECT_EQ(dissolve_done, 0);
  EXPECT_EQ(FrameBuffer[0], 0xABCDEFu);
  scene_time = 164;  // e = 256
  dissolve_frame(4.0f, image, mask);
  EXPECT_EQ(dissolve_done, 1);
  for (int i = 0; i < 64000; ++i) ASSERT_EQ(FrameBuffer[i], 0x123456u);
  clear_buffers(0);
  scene_time = 101;  // done stays set: everything is copied on every call
  dissolve_frame(4.0f, image, mask);
  EXPECT_EQ(FrameBuffer[0], 0x123456u);
  scene_time = 0;
}

TEST_F(Effects, GlowTextureCopyWindow) {
  static uint32_t saved_glow[65536], texture[65536];
  std::memcpy(saved_glow, glow_texture, sizeof saved_glow);
  for (int i = 0; i < 65536; ++i) glow_texture[i] = 0x404040;
  for (uint32_t& t : texture) t = 0xDEADBEEF;
  make_glow_texture(64, texture, 0x100010);
  std::memcpy(glow_texture, saved_glow, sizeof saved_glow);
  // The sprite covers pixels 68..131: layers 0x304030 + 0x304030 + 0x404040.
  EXPECT_EQ(texture[7192 + 256 * 100 + 100], 0xA0C0A0u);
  EXPECT_EQ(texture[7192 + 256 * 100 + 10], 0u);
  for (int i = 0; i < 7192; ++i) ASSERT_EQ(texture[i], 0xDEADBEEFu);
  for (int i = 7192 + 256 * 199 + 256; i < 65536; ++i) ASSERT_EQ(texture[i], 0xDEADBEEFu);
  for (int i = 7192; i < 7192 + 256 * 200; ++i) ASSERT_NE(texture[i], 0xDEADBEEFu);
}

TEST_F(Effects, SharedSphereMesh) {
  build_shared_sphere_mesh();
  EXPECT_EQ(sphere_levels, 2);
  EXPECT_EQ(shared_mesh_face_count, 128);
  EXPECT_EQ(shared_mesh_vertex_count, 66);
  for (int i = 0; i < 66; ++i) {
    EXPECT_EQ(shared_mesh_texcoords[i].x, shared_mesh_vertices[i].x / 80);
    EXPECT_EQ(shared_mesh_texcoords[i].y, shared_mesh_vertices[i].y / 80);
  }
  EXPECT_EQ(shared_mesh_texcoords[0].x, 87);  // 7000 / 80
  EXPECT_EQ(shared_mesh_attributes[127].mode_flags, 128u);
  EXPECT_EQ(shared_mesh_attributes[127].param, 128u);
  EXPECT_EQ(shared_mesh_textures[0], 0u);
  // Seen from its centre the sky covers the whole screen.
  static uint32_t sky[65536];
  for (uint32_t& t : sky) t = 0x204060;
  clear_buffers(0);
  draw_shared_mesh(sky);
  for (int i = 0; i < 64000; ++i) ASSERT_EQ(FrameBuffer[i], 0x204060u) << i;
}

}  // namespace
