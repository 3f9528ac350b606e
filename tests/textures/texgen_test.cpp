// The texture generator: script handling, the commands on whole textures and the layer combiner.
#include <array>
#include <cstring>

#include "shell/loading.h"
#include "shell/random.h"
#include "texture_fixture.h"

namespace {

using Texgen = TextureTest;

TEST_F(Texgen, SeedOnlyScriptIsBlackSeededAndOneLoadingStep) {
  fill(0xDEADBEEFu);
  const float start = loading_count;
  run({1234, tex_end});
  EXPECT_EQ(loading_count, start - 1.4492f);  // exactly one step
  EXPECT_TRUE(all_are(0));
  EXPECT_EQ(demo_rand_state, 1234u);  // seeded, and nothing drawn
}

TEST_F(Texgen, ScriptsAndOperands) {
  run({7, tex_plasma, 5, 50, 255, combine_add, tex_clear, tex_invert, tex_end});
  EXPECT_TRUE(all_are(0xFFFFFFFFu));  // clear then invert sets every bit
  run({1, tex_invert, 99, tex_invert, tex_end});
  EXPECT_EQ(texture[0], 0xFFFFFFFFu);  // stops at an unknown opcode instead of running off
  const int16_t good[] = {1, tex_blur, 2, tex_mirror, 3, 4, tex_end, 99}, unknown[] = {1, 17, tex_end},
                negative[] = {1, -1, tex_end};
  // Whole, cut before its end, unknown and negative opcodes.
  EXPECT_EQ((std::array{texture_script_length(good, 8), texture_script_length(good, 6),
                        texture_script_length(unknown, 3), texture_script_length(negative, 3)}),
            (std::array{7, -1, -1, -1}));
  // Mode 0x101 is add; 0x100 passes are 0 (the border is still cleared).
  run({5, tex_plasma, 9, 30, 255, 0x101, tex_blur, 0x100, tex_end});
  const std::vector<uint32_t> low_bytes = texture;
  run({5, tex_plasma, 9, 30, 255, combine_add, tex_blur, 0, tex_end});
  EXPECT_EQ(low_bytes, texture);
  texgen_set_size(1000, 1000);
  EXPECT_LE(texture_pixels, texture_max_pixels);
}

TEST_F(Texgen, ScaleLimitsAt255AndWrapsBelowZero) {
  texture[0] = pixel(100, 100, 200, 77);
  texture_scale(200, 100, 50);
  EXPECT_EQ(texture[0], pixel(50, 100, 255, 77));
  texture[0] = pixel(10, 20, 30);
  texture_scale(-100, 0, 150);  // no lower limit: -30 is stored as its low byte
  EXPECT_EQ(texture[0], pixel(15, 0, 226));
}

TEST_F(Texgen, MirrorCopiesTheBlockBelowItsOriginIntoFourQuadrants) {
  fill_with_index();
  texture_mirror(10, 4);
  EXPECT_EQ(std::pair(texture[0], at(7, 3)), std::pair(5u * 256 + 10, 8u * 256 + 17));  // from (10, 5) on
  texture_mirror(250, 250);  // past the end: wraps (the sanitizer build watches this)
  texture_mirror(-300, -300);
}

TEST_F(Texgen, LightRadiusZeroBlackensRadius127KeepsTheCentre) {
  fill(pixel(200, 128, 64, 9));
  texture_light(128, 128, 0);
  EXPECT_TRUE(all_are(pixel(0, 0, 0, 9)));
  fill(pixel(200, 128, 64, 9));
  texture_light(128, 128, 127);
  EXPECT_EQ(at(128, 128), pixel(198, 127, 63, 9));
  EXPECT_EQ(texture[0], pixel(0, 0, 0, 9));  // beyond the radius
}

TEST_F(Texgen, EmbossKeepsFlatTexturesAndTheBorderAndSaturates) {
  fill(pixel(17, 130, 240, 99));
  texture_emboss(128);
  EXPECT_TRUE(all_are(pixel(17, 130, 240, 99)));
  for (int i = 0; i < 65536; ++i) texture[i] = pixel((i & 255) / 2, 100, 100, 100);
  const std::vector<uint32_t> before = texture;
  texture_emboss(128);
  texture_emboss(30000);
  EXPECT_EQ(at(60, 60), 0xFFFFFFFFu);  // far beyond the range: saturated, not wrapped
  texture_emboss(-30000);
  EXPECT_EQ(at(60, 60), 0u);
  for (int i = 0; i < 256; ++i)  // the border stays
    for (int k : {i, 255 * 256 + i, i * 256, i * 256 + 255}) ASSERT_EQ(texture[k], before[k]) << k;
}

TEST_F(Texgen, HsvHueAndValue) {
  // The blue byte plays red's part: a third of a turn moves pure blue to green.
  texture[0] = pixel(255, 0, 0);
  texture_hsv(128 / 3, 0, 0);
  EXPECT_GT(channel(texture[0], 1), 200);
  EXPECT_EQ(channel(texture[0], 2), 0);
  texture[1] = pixel(100, 50, 0);
  texture_hsv(0, 0, 128);  // value doubled, limited to 255
  EXPECT_EQ(texture[1], pixel(200, 100, 0));
}

TEST_F(Texgen, CombineModesByteByByte) {
  const uint32_t layer = pixel(10, 255, 200, 3);
  const std::pair<int, uint32_t> cases[] = {
      {combine_average, pixel(15, 255, 150, 4)},
      {combine_add, pixel(30, 255, 255, 8)},
      {combine_subtract, pixel(0, 0, 100, 0)},  // layer minus texture
      {combine_xor, pixel(10 ^ 20, 0, 200 ^ 100, 6)},
      {combine_or, pixel(10 | 20, 255, 200 | 100, 7)},
      {combine_multiply, pixel(0, 254, 78, 0)},
      {combine_max, pixel(20, 255, 200, 5)},
      {combine_min, pixel(10, 255, 100, 3)},
      {combine_copy, layer},
      {200, layer},
  };
  texgen_set_size(1, 1);
  for (const auto& [mode, expected] : cases) {
    SCOPED_TRACE(mode);
    texture[0] = pixel(20, 255, 100, 5);
    combine_layer(mode, &layer);
    EXPECT_EQ(texture[0], expected);
  }
}

TEST_F(Texgen, DisplaceReadsOffsetsFromTheSavedLayer) {
  fill_with_index();
  const std::vector<uint32_t> before = texture;
  std::fill(saved_layer, saved_layer + 65536, pixel(32, 0, 0));
  texture_displace(0, 64, 1, 96);  // no amplitude: unchanged
  EXPECT_EQ(texture, before);
  texture_displace(8, 64, 0, 64);  // offset 4 + 4 sin(pi / 2) = 8 across, wrapping within the row
  EXPECT_EQ(std::pair(at(5, 10), at(250, 10)), std::pair(10u * 256 + 13, 10u * 256 + 2));
  texture_displace(16, 64, 33, 0);  // zero period: offsets 0, no division by zero; sin(pi) is a hair above 0
  EXPECT_EQ((std::array<int, 3>{displace_table_x[64], displace_table_x[96], displace_table_y[200]}),
            (std::array{8, 0, 0}));
}

}  // namespace
