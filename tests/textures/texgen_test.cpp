// The texture generator: script handling, the commands on whole textures and the layer combiner.
#include "textures/texgen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "shell/loading.h"
#include "shell/random.h"
#include "textures/tables.h"

namespace {

uint32_t pixel(int b, int g, int r, int x = 0) {
  return static_cast<uint32_t>(b) | static_cast<uint32_t>(g) << 8 | static_cast<uint32_t>(r) << 16 |
         static_cast<uint32_t>(x) << 24;
}
int channel(uint32_t p, int c) { return (p >> (8 * c)) & 0xFF; }

class TexgenTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { build_texture_tables(); }
  void SetUp() override {
    texgen_set_size(256, 256);
    texture.assign(texture_max_pixels, 0);
    texture_out = texture.data();
  }
  // A texture with some structure: a plasma run through the generator.
  void make_plasma(int16_t seed) {
    const int16_t script[] = {1, tex_plasma, seed, 40, 255, combine_copy, tex_end};
    generate_texture(script, texture.data());
  }
  std::vector<uint32_t> texture;
};

TEST_F(TexgenTest, SeedOnlyScriptIsBlackAndOneLoadingStep) {
  std::fill(texture.begin(), texture.end(), 0xDEADBEEFu);
  const float start = loading_count;
  const int16_t script[] = {1234, tex_end};
  generate_texture(script, texture.data());
  const float after_script = loading_count;
  loading_count = start;
  show_loading_count();
  EXPECT_EQ(after_script, loading_count);
  EXPECT_NE(after_script, start);
  EXPECT_TRUE(std::all_of(texture.begin(), texture.end(), [](uint32_t p) { return p == 0; }));
  EXPECT_EQ(demo_rand_state, 1234u);  // seeded, and nothing drawn
}

TEST_F(TexgenTest, ClearThenInvertSetsEveryBit) {
  const int16_t script[] = {7, tex_plasma, 5, 50, 255, combine_add, tex_clear, tex_invert, tex_end};
  generate_texture(script, texture.data());
  EXPECT_TRUE(std::all_of(texture.begin(), texture.end(), [](uint32_t p) { return p == 0xFFFFFFFFu; }));
}

TEST_F(TexgenTest, ScriptLengthFindsEndAndRejectsFaults) {
  const int16_t good[] = {1, tex_blur, 2, tex_mirror, 3, 4, tex_end, 99};
  EXPECT_EQ(texture_script_length(good, 8), 7);
  EXPECT_EQ(texture_script_length(good, 6), -1);  // cut before its end
  const int16_t unknown[] = {1, 17, tex_end};
  EXPECT_EQ(texture_script_length(unknown, 3), -1);
  const int16_t negative[] = {1, -1, tex_end};
  EXPECT_EQ(texture_script_length(negative, 3), -1);
  // The interpreter stops at an unknown opcode instead of running off.
  const int16_t stops[] = {1, tex_invert, 99, tex_invert, tex_end};
  generate_texture(stops, texture.data());
  EXPECT_EQ(texture[0], 0xFFFFFFFFu);
}

TEST_F(TexgenTest, SizeIsClampedToTheLayers) {
  texgen_set_size(320, 200);
  EXPECT_EQ(texture_stride, 1280);
  EXPECT_EQ(texture_pixels, 64000);
  texgen_set_size(1000, 1000);
  EXPECT_LE(texture_pixels, texture_max_pixels);
  texgen_set_size(0, -5);
  EXPECT_EQ(texture_pixels, 1);
}

TEST_F(TexgenTest, ScaleLimitsAt255AndWrapsBelowZero) {
  texture[0] = pixel(100, 100, 200, 77);
  texture[1] = pixel(255, 1, 0);
  texture_scale(200, 100, 50);
  EXPECT_EQ(texture[0], pixel(50, 100, 255, 77));
  EXPECT_EQ(texture[1], pixel(127, 1, 0));
  texture[0] = pixel(10, 20, 30);
  texture_scale(-100, 0, 150);  // no lower limit: -30 is stored as its low byte
  EXPECT_EQ(texture[0], pixel(15, 0, 226));
}

TEST_F(TexgenTest, MirrorMakesFourSymmetricQuadrants) {
  make_plasma(31);
  texture_mirror(32, 20);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) {
      const uint32_t p = texture[y * 256 + x];
      ASSERT_EQ(p, texture[y * 256 + 255 - x]) << x << "," << y;
      ASSERT_EQ(p, texture[(255 - y) * 256 + x]) << x << "," << y;
    }
}

TEST_F(TexgenTest, MirrorCopiesTheBlockBelowItsOrigin) {
  for (int i = 0; i < 65536; ++i) texture[i] = static_cast<uint32_t>(i);
  texture_mirror(10, 4);
  EXPECT_EQ(texture[0], 5u * 256 + 10);  // block pixel (0, 0) comes from (10, 5)
  EXPECT_EQ(texture[3 * 256 + 7], 8u * 256 + 17);
}

TEST_F(TexgenTest, MirrorWithOriginOutsideStaysInTheBuffer) {
  make_plasma(3);
  texture_mirror(250, 250);  // the block would run past the end: it wraps instead
  texture_mirror(-300, -300);
  SUCCEED();
}

TEST_F(TexgenTest, LightRadiusZeroBlackensRadius127KeepsCentre) {
  std::fill(texture.begin(), texture.end(), pixel(200, 128, 64, 9));
  texture_light(128, 128, 0);
  EXPECT_TRUE(std::all_of(texture.begin(), texture.end(), [](uint32_t p) { return p == pixel(0, 0, 0, 9); }));
  std::fill(texture.begin(), texture.end(), pixel(200, 128, 64, 9));
  texture_light(128, 128, 127);
  EXPECT_EQ(texture[128 * 256 + 128], pixel(200 * 127 / 128, 127, 63, 9));
  EXPECT_EQ(texture[0], pixel(0, 0, 0, 9));  // beyond the radius
  EXPECT_EQ(texture[128 * 256 + 129], pixel(200 * 126 / 128, 126, 63, 9));
}

TEST_F(TexgenTest, EmbossOfAFlatTextureChangesNothing) {
  std::fill(texture.begin(), texture.end(), pixel(17, 130, 240, 99));
  texture_emboss(128);
  EXPECT_TRUE(
      std::all_of(texture.begin(), texture.end(), [](uint32_t p) { return p == pixel(17, 130, 240, 99); }));
}

TEST_F(TexgenTest, EmbossBrightensRisingSlopesAndKeepsTheBorder) {
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) texture[y * 256 + x] = pixel(x / 2, 100, 100, 100);
  const std::vector<uint32_t> before = texture;
  texture_emboss(128);
  // Blue rises by 1 every other column: left-right difference 1 (or 0), level 129 or 128.
  const int x = 101, b = (x / 2);
  EXPECT_EQ(channel(texture[50 * 256 + x], 0), light_table[129][b]);
  EXPECT_EQ(channel(texture[50 * 256 + x], 1), 100);
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(texture[i], before[i]);
    EXPECT_EQ(texture[255 * 256 + i], before[255 * 256 + i]);
    EXPECT_EQ(texture[i * 256], before[i * 256]);
    EXPECT_EQ(texture[i * 256 + 255], before[i * 256 + 255]);
  }
  // A bias far beyond the range saturates every level instead of wrapping.
  texture_emboss(30000);
  EXPECT_EQ(texture[60 * 256 + 60], 0xFFFFFFFFu);
  texture_emboss(-30000);
  EXPECT_EQ(texture[60 * 256 + 60], 0u);
  EXPECT_EQ(texture[0], before[0]);
}

TEST_F(TexgenTest, HsvIdentityAndGreying) {
  for (int i = 0; i < 65536; ++i) texture[i] = pixel(i & 255, i >> 8, (i * 7 + 13) & 255, i & 3);
  const std::vector<uint32_t> before = texture;
  texture_hsv(0, 0, 0);
  for (int i = 0; i < 65536; ++i) {
    for (int c = 0; c < 3; ++c) ASSERT_LE(std::abs(channel(texture[i], c) - channel(before[i], c)), 1) << i;
    ASSERT_EQ(channel(texture[i], 3), channel(before[i], 3));
  }
  // A whole turn of hue is the identity too, up to the same rounding.
  texture = before;
  texture_hsv(128, 0, 0);
  for (int i = 0; i < 65536; ++i)
    for (int c = 0; c < 3; ++c) ASSERT_LE(std::abs(channel(texture[i], c) - channel(before[i], c)), 1) << i;
  texture = before;
  texture_hsv(0, -128, 0);
  for (int i = 0; i < 65536; ++i) {
    const int max = std::max({channel(before[i], 0), channel(before[i], 1), channel(before[i], 2)});
    ASSERT_EQ(texture[i], pixel(max, max, max, channel(before[i], 3))) << i;
  }
}

TEST_F(TexgenTest, HsvTurnsBlueTowardsGreenForPositiveHue) {
  // The blue byte plays red's part: a third of a turn moves pure blue to pure green.
  texture[0] = pixel(255, 0, 0);
  texture[1] = pixel(0, 0, 200);
  texture_hsv(128 / 3 + 0, 0, 0);  // 42/128 of a turn = 118.125 degrees
  EXPECT_GT(channel(texture[0], 1), 200);
  EXPECT_EQ(channel(texture[0], 2), 0);
  texture[2] = pixel(100, 50, 0);
  texture_hsv(0, 0, 128);  // value doubled, limited to 255
  EXPECT_EQ(texture[2], pixel(200, 100, 0));
}

TEST_F(TexgenTest, CombineModes) {
  const uint8_t layer_bytes[] = {10, 255, 200, 3};
  const uint8_t texture_bytes[] = {20, 255, 100, 5};
  uint32_t layer[1];
  std::memcpy(layer, layer_bytes, 4);
  const auto combine = [&](int mode) {
    texgen_set_size(1, 1);
    std::memcpy(texture.data(), texture_bytes, 4);
    combine_layer(mode, layer);
    uint8_t out[4];
    std::memcpy(out, texture.data(), 4);
    return std::vector<int>(out, out + 4);
  };
  EXPECT_EQ(combine(combine_average), (std::vector<int>{15, 255, 150, 4}));
  EXPECT_EQ(combine(combine_add), (std::vector<int>{30, 255, 255, 8}));
  EXPECT_EQ(combine(combine_subtract), (std::vector<int>{0, 0, 100, 0}));  // layer minus texture
  EXPECT_EQ(combine(combine_xor), (std::vector<int>{10 ^ 20, 0, 200 ^ 100, 6}));
  EXPECT_EQ(combine(combine_and), (std::vector<int>{10 & 20, 255, 200 & 100, 1}));
  EXPECT_EQ(combine(combine_or), (std::vector<int>{10 | 20, 255, 200 | 100, 7}));
  EXPECT_EQ(combine(combine_multiply), (std::vector<int>{0, 254, 78, 0}));
  EXPECT_EQ(combine(combine_lookup), (std::vector<int>{light_table[10][20], light_table[255][255],
                                                       light_table[200][100], light_table[3][5]}));
  EXPECT_EQ(combine(combine_max), (std::vector<int>{20, 255, 200, 5}));
  EXPECT_EQ(combine(combine_min), (std::vector<int>{10, 255, 100, 3}));
  EXPECT_EQ(combine(combine_copy), (std::vector<int>{10, 255, 200, 3}));
  EXPECT_EQ(combine(200), (std::vector<int>{10, 255, 200, 3}));
}

TEST_F(TexgenTest, ModeAndPassOperandsUseTheirLowByte) {
  // Mode 0x101 is add (1); a pass count of 0x100 is 0 passes (the border is still cleared).
  const int16_t script[] = {5, tex_plasma, 9, 30, 255, 0x101, tex_blur, 0x100, tex_end};
  generate_texture(script, texture.data());
  const std::vector<uint32_t> result = texture;
  const int16_t plain[] = {5, tex_plasma, 9, 30, 255, combine_add, tex_blur, 0, tex_end};
  generate_texture(plain, texture.data());
  EXPECT_EQ(result, texture);
}

TEST_F(TexgenTest, WarpWithoutAmplitudeTransposes) {
  make_plasma(21);
  const std::vector<uint32_t> before = texture;
  texture_warp(0, 7, 0, 9, 0, 0);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) ASSERT_EQ(texture[y * 256 + x], before[x * 256 + y]);
}

TEST_F(TexgenTest, WarpWrapsNegativeAndLargeOffsetsOnAnyWidth) {
  for (const auto& [w, h] : {std::pair{20, 12}, std::pair{256, 256}, std::pair{208, 82}}) {
    texgen_set_size(w, h);
    for (int i = 0; i < w * h; ++i) texture[i] = static_cast<uint32_t>(i);
    const int a1 = -300, f1 = 7, a2 = 50, f2 = -3, a3 = 90, a4 = -1000;
    texture_warp(a1, f1, a2, f2, a3, a4);
    const double k = 3.141592653589793 / 16;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const int a = static_cast<int>(y + a1 * std::sin(k * f1 * x / w) + a3 * std::sin(k * f2 * y / w));
        const int c = static_cast<int>(x + a2 * std::sin(k * f2 * y / h) + a4 * std::sin(k * f1 * x / h));
        ASSERT_EQ(texture[y * w + x], static_cast<uint32_t>((std::abs(c) % h) * w + std::abs(a) % w))
            << x << "," << y;
      }
  }
}

TEST_F(TexgenTest, DisplaceWithoutAmplitudeKeepsTheTextureAndBuildsItsTables) {
  make_plasma(23);
  const std::vector<uint32_t> before = texture;
  std::copy(before.begin(), before.end(), saved_layer);
  texture_displace(0, 64, 1, 96);
  EXPECT_EQ(texture, before);
  texture_displace(16, 64, 33, 0);  // zero period: offsets 0, no division by zero
  EXPECT_EQ(displace_table_x[0], 8);
  EXPECT_EQ(displace_table_x[32], 16);  // 8 + 8 sin(pi / 2)
  EXPECT_EQ(displace_table_x[64], 8);   // sin(pi) is a hair above 0
  EXPECT_EQ(displace_table_x[96], 0);   // 8 - 8
  EXPECT_EQ(displace_table_y[200], 0);
}

TEST_F(TexgenTest, DisplaceReadsOffsetsFromTheSavedLayer) {
  for (int i = 0; i < 65536; ++i) texture[i] = static_cast<uint32_t>(i);
  std::fill(saved_layer, saved_layer + 65536, pixel(32, 0, 0));  // table_x[32] = 4 + 4 = 8
  texture_displace(8, 64, 0, 64);
  EXPECT_EQ(texture[10 * 256 + 5], 10u * 256 + 13);
  EXPECT_EQ(texture[10 * 256 + 250], 10u * 256 + 2);  // wraps within the row
}

}  // namespace
