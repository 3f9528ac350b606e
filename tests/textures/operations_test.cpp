// Drawing operations (plasma, blobs, tiles, walks, blur), the start-up tables and the scripts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "data/texture_scripts.h"
#include "shell/loading.h"
#include "shell/random.h"
#include "textures/tables.h"
#include "textures/texgen.h"
#include "textures/texgen_util.h"

namespace {

uint32_t pixel(int b, int g, int r, int x = 0) {
  return static_cast<uint32_t>(b) | static_cast<uint32_t>(g) << 8 | static_cast<uint32_t>(r) << 16 |
         static_cast<uint32_t>(x) << 24;
}

class OperationsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { build_texture_tables(); }
  void SetUp() override {
    texgen_set_size(256, 256);
    texture.assign(texture_max_pixels, 0);
    texture_out = texture.data();
    clear_work_layer();
  }
  std::vector<uint32_t> work() const {
    return std::vector<uint32_t>(work_layer, work_layer + texture_pixels);
  }
  std::vector<uint32_t> texture;
};

TEST_F(OperationsTest, PlasmaSeededZeroIsUnsetAndGetsTheCornerAverage) {
  // Find seeds whose second draw (the centre's value) comes out 0, and one where it does not.
  int16_t zero_seed = -1, plain_seed = -1;
  for (int16_t seed = 0; seed < 2000 && (zero_seed < 0 || plain_seed < 0); ++seed) {
    demo_srand(seed);
    demo_rand();
    (demo_rand() % 255 == 0 ? zero_seed : plain_seed) = seed;
  }
  ASSERT_GE(zero_seed, 0);
  demo_srand(zero_seed);
  const int32_t corner = demo_rand() % 255;
  texture_plasma(zero_seed, 40, 255, combine_copy);
  // The centre is only ever a corner afterwards: it keeps the first average, (corner + 0 + 0 + 0) / 4.
  EXPECT_EQ(get_grey(128, 128), corner / 4);
  EXPECT_EQ(get_grey(0, 0), corner);

  demo_srand(plain_seed);
  demo_rand();
  const int32_t centre = demo_rand() % 255;
  texture_plasma(plain_seed, 40, 255, combine_copy);
  EXPECT_EQ(get_grey(128, 128), centre);
}

TEST_F(OperationsTest, PlasmaIsGreyWithinMax) {
  texture_plasma(77, 90, 100, combine_copy);
  for (uint32_t p : texture) {
    ASSERT_LE(p & 0xFF, 100u);
    ASSERT_EQ(p, pixel(p & 0xFF, p & 0xFF, p & 0xFF));
  }
  // A zero max draws but does not divide by zero.
  texture_plasma(77, 90, 0, combine_copy);
}

TEST_F(OperationsTest, PlasmaEdgePointDrawsOnlyForUnsetPointsAndClamps) {
  put_grey(5, 0, 7);
  const uint32_t state = demo_rand_state;
  plasma_edge_point(0, 0, 5, 0, 10, 0);
  EXPECT_EQ(demo_rand_state, state);
  EXPECT_EQ(get_grey(5, 0), 7);
  plasma_roughness = 0;
  plasma_max = 50;
  put_grey(0, 1, 200);
  put_grey(10, 1, 200);
  plasma_edge_point(0, 1, 5, 1, 10, 1);
  EXPECT_EQ(get_grey(5, 1), 50);  // lowered to max
  plasma_edge_point(0, 2, 5, 2, 10, 2);
  EXPECT_EQ(get_grey(5, 2), 1);  // raised to 1
  EXPECT_NE(demo_rand_state, state);
  // Outside the texture reads give 0 and writes vanish.
  put_grey(-1, 0, 9);
  put_grey(256, 0, 9);
  EXPECT_EQ(get_grey(-1, 0), 0);
  EXPECT_EQ(get_grey(0, 256), 0);
}

TEST_F(OperationsTest, BlobOfSizeOneSamplesTheTableCorner) {
  blob_table[0][0] = 77;
  build_blob_spans();
  draw_blob(10, 10, 1, 0, 7, 100);
  build_texture_tables();
  EXPECT_EQ(work_layer[10 * 256 + 10], pixel(0, 70, 77));
  EXPECT_EQ(std::count(work_layer, work_layer + 65536, 0u), 65535);
  draw_blob(20, 20, 0, 0, 0, 0);  // nothing for sizes below 1
  draw_blob(20, 20, -5, 0, 0, 0);
  EXPECT_EQ(std::count(work_layer, work_layer + 65536, 0u), 65535);
}

TEST_F(OperationsTest, ClippedBlobKeepsItsShape) {
  draw_blob(100, 100, 64, 0, 0, 0);
  const std::vector<uint32_t> whole = work();
  EXPECT_EQ(whole[100 * 256 + 100], pixel(255, 255, 255));  // its centre samples blob_table[128][128]
  clear_work_layer();
  draw_blob(0, 0, 64, 0, 0, 0);  // centred on the corner: only its lower right quarter remains
  draw_blob(255, 255, 64, 10, 20, 30);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) ASSERT_EQ(work_layer[y * 256 + x], whole[(100 + y) * 256 + 100 + x]);
  for (int y = 0; y < 33; ++y)
    for (int x = 0; x < 33; ++x) {
      const uint32_t w = whole[(68 + y) * 256 + 68 + x];
      const auto sub = [](uint32_t v, int s) {
        return static_cast<int>(v) > s ? static_cast<int>(v) - s : 0;
      };
      ASSERT_EQ(work_layer[(223 + y) * 256 + 223 + x],
                pixel(sub(w & 0xFF, 30), sub((w >> 8) & 0xFF, 20), sub((w >> 16) & 0xFF, 10)));
    }
}

// A blob pixel by pixel as the drawing rule reads, for checking the fast one.
void reference_blob(std::vector<uint32_t>& layer, int x, int y, int16_t size, int red_sub, int green_sub,
                    int blue_sub) {
  if (size < 1) return;
  const uint16_t step = static_cast<uint16_t>(65536 / size);
  uint16_t v = 0;
  for (int row = y - size / 2; row < y - size / 2 + size; ++row, v = static_cast<uint16_t>(v + step)) {
    uint16_t u = 0;
    for (int col = x - size / 2; col < x - size / 2 + size; ++col, u = static_cast<uint16_t>(u + step)) {
      if (row < 0 || row >= 256 || col < 0 || col >= 256) continue;
      const int t = blob_table[v >> 8][u >> 8];
      uint8_t* p = reinterpret_cast<uint8_t*>(&layer[row * 256 + col]);
      const int subs[3] = {blue_sub, green_sub, red_sub};
      for (int c = 0; c < 3; ++c) p[c] = static_cast<uint8_t>(std::min(255, p[c] + std::max(0, t - subs[c])));
    }
  }
}

TEST_F(OperationsTest, BlobsMatchThePixelByPixelRule) {
  std::vector<uint32_t> expected(65536, 0);
  demo_srand(4242);
  for (int i = 0; i < 300; ++i) {
    const int x = demo_rand() % 400 - 70, y = demo_rand() % 400 - 70;
    const int16_t size = static_cast<int16_t>(demo_rand() % 420 - 3);
    const int r = demo_rand() % 256, g = demo_rand() % 256, b = i % 5 == 0 ? 0 : demo_rand() % 256;
    draw_blob(x, y, size, static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b));
    reference_blob(expected, x, y, size, r, g, b);
  }
  EXPECT_EQ(work(), expected);
}

TEST_F(OperationsTest, BlobsCommandDrawsSixNumbersPerBlob) {
  demo_srand(31);
  texture_blobs(5, 64, 16, 64, 128, 32, combine_add);
  const uint32_t state = demo_rand_state;
  demo_srand(31);
  for (int i = 0; i < 30; ++i) demo_rand();
  EXPECT_EQ(state, demo_rand_state);
  // A zero range does not divide by zero.
  texture_blobs(3, 0, 16, 256, 256, 256, combine_add);
}

TEST_F(OperationsTest, AddSpanNeverDrawsTheFirstRowOrColumnOrTheLastColumn) {
  add_span(0, 5, 9, 9, 9, 3);
  add_span(5, 0, 9, 9, 9, 3);
  add_span(250, 5, 9, 9, 9, 6);  // would reach column 255
  add_span(5, 256, 9, 9, 9, 1);
  EXPECT_EQ(std::count(work_layer, work_layer + 65536, 0u), 65536);
  add_span(250, 5, 200, 100, 50, 5);
  add_span(250, 5, 200, 100, 50, 5);
  EXPECT_EQ(work_layer[5 * 256 + 254], pixel(255, 200, 100));
  EXPECT_EQ(work_layer[5 * 256 + 255], 0u);
}

TEST_F(OperationsTest, TilesLeaveColumnZeroRowZeroAndTheLastColumnBlack) {
  demo_srand(5);
  texture_tiles(32, 32, 255, 200, 100, combine_copy);
  for (int i = 0; i < 256; ++i) {
    ASSERT_EQ(texture[i], 0u);
    ASSERT_EQ(texture[i * 256], 0u);
    ASSERT_EQ(texture[i * 256 + 255], 0u);
  }
  EXPECT_EQ(texture[1 * 256 + 1], texture[31 * 256 + 31]);  // one cell, one colour
  EXPECT_EQ(texture[40 * 256 + 33], texture[63 * 256 + 63]);
  // Three draws per cell, 64 cells.
  const uint32_t state = demo_rand_state;
  demo_srand(5);
  for (int i = 0; i < 192; ++i) demo_rand();
  EXPECT_EQ(state, demo_rand_state);
}

TEST_F(OperationsTest, TilesWithoutSizeOrRangeEndAndDoNotDivideByZero) {
  texgen_set_size(8, 8);
  texture_tiles(0, -3, 0, 0, 0, combine_add);
  texture_tiles(3, 3, -7, 0, 255, combine_add);
  SUCCEED();
}

TEST_F(OperationsTest, RandomWalkStepsDiagonally) {
  random_walk(100, 100, 10, 1, 10, 20, 30, 2);  // spread 1: always right and down
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(work_layer[(100 + i) * 256 + 100 + i], pixel(10, 20, 30));
    EXPECT_EQ(work_layer[(100 + i) * 256 + 101 + i], pixel(10, 20, 30));
  }
  EXPECT_EQ(std::count(work_layer, work_layer + 65536, 0u), 65536 - 20);
  random_walk(101, 100, 1, 1, 10, 20, 30, 1);  // spans add up
  EXPECT_EQ(work_layer[100 * 256 + 101], pixel(20, 40, 60));
  texture_walks(20, 50, 3, 1, 2, 3, combine_add);
  texture_walks(3, 0, 0, -1, 40, 7, combine_add);  // zero ranges and odd shifts
}

// The blur as its rule reads, byte by byte in place.
void reference_blur(std::vector<uint32_t>& t, int w, int h, int passes) {
  uint8_t* b = reinterpret_cast<uint8_t*>(t.data());
  for (int x = 0; x < w; ++x) t[x] = t[(h - 1) * w + x] = 0;
  for (int y = 0; y < h; ++y) t[y * w] = t[y * w + w - 1] = 0;
  for (int pass = 0; pass < passes; ++pass)
    for (int y = 1; y < h - 1; ++y)
      for (int i = 4; i < (w - 1) * 4; ++i) {
        uint8_t* p = b + y * w * 4 + i;
        *p = static_cast<uint8_t>((p[-4] + p[4] + p[w * 4] + p[-w * 4]) / 4);
      }
}

TEST_F(OperationsTest, BlurWithZeroPassesOnlyClearsTheBorder) {
  std::fill(texture.begin(), texture.end(), 0x80402010u);
  blur_texture(0);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) {
      const bool border = x == 0 || y == 0 || x == 255 || y == 255;
      ASSERT_EQ(texture[y * 256 + x], border ? 0u : 0x80402010u);
    }
}

TEST_F(OperationsTest, BlurMatchesTheInPlaceRule) {
  for (const auto& [w, h] : {std::pair{256, 256}, std::pair{320, 200}, std::pair{3, 3}, std::pair{208, 82}}) {
    texgen_set_size(w, h);
    demo_srand(w);
    for (int i = 0; i < w * h; ++i) texture[i] = static_cast<uint32_t>(demo_rand()) * 0x20003u;
    std::vector<uint32_t> expected(texture.begin(), texture.begin() + w * h);
    reference_blur(expected, w, h, 3);
    blur_texture(3);
    EXPECT_EQ(std::vector<uint32_t>(texture.begin(), texture.begin() + w * h), expected) << w << "x" << h;
  }
}

TEST(TablesTest, LightTableRows) {
  build_texture_tables();
  for (int v = 0; v < 256; ++v) {
    ASSERT_EQ(light_table[128][v], v);
    ASSERT_EQ(light_table[0][v], 0);
    ASSERT_EQ(light_table[255][v], 255);
    ASSERT_EQ(light_table[64][v], v / 2);
  }
  EXPECT_EQ(light_table[129][0], 2);
  EXPECT_EQ(light_table[129][255], 254);  // the 32-bit 1/127 is a hair small
  EXPECT_EQ(texture_width, 256);
  EXPECT_EQ(texture_height, 256);
}

TEST(TablesTest, ComputedLightMatchesTheTable) {
  build_texture_tables();
  for (int l = 0; l < 256; ++l)
    for (int v = 0; v < 256; v += 8) {
      alignas(16) int16_t out[8];
      const __m128i vs = _mm_setr_epi16(v, v + 1, v + 2, v + 3, v + 4, v + 5, v + 6, v + 7);
      _mm_store_si128(reinterpret_cast<__m128i*>(out),
                      light_lanes(_mm_set1_epi16(static_cast<int16_t>(l)), vs));
      for (int i = 0; i < 8; ++i) ASSERT_EQ(out[i], light_table[l][v + i]) << l << "," << v + i;
    }
}

TEST(TablesTest, BlobTableIsARadialGlow) {
  build_texture_tables();
  EXPECT_EQ(blob_table[128][128], 255);
  EXPECT_EQ(blob_table[0][128], 1);  // 128 steps up and left: r = 256
  EXPECT_EQ(blob_table[128][0], 1);
  EXPECT_EQ(blob_table[0][0], 0);
  for (int k = 1; k < 256; ++k)
    for (int j = 1; j < 256; ++j) {
      ASSERT_EQ(blob_table[k][j], blob_table[256 - k][j]);
      ASSERT_EQ(blob_table[k][j], blob_table[k][256 - j]);
      ASSERT_EQ(blob_table[k][j], blob_table[j][k]);
    }
}

TEST(TablesTest, GlowHasABrightCentreAndStreaksFromTheGeneratorState) {
  demo_srand(99);
  build_glow_texture();
  EXPECT_EQ(glow_texture[128 * 256 + 128], 0x00FFFFFFu);
  for (uint32_t corner : {glow_texture[0], glow_texture[255], glow_texture[255 * 256], glow_texture[65535]})
    EXPECT_LE(corner & 0xFF, 8u);
  for (uint32_t p : glow_texture) ASSERT_EQ(p, (p & 0xFF) * 0x010101u);
  for (uint8_t s : streak_table) ASSERT_GE(s, 1);
  const std::vector<uint32_t> first(glow_texture, glow_texture + 65536);
  demo_srand(99);
  build_glow_texture();
  EXPECT_EQ(std::vector<uint32_t>(glow_texture, glow_texture + 65536), first);
  demo_srand(100);  // a different number of earlier draws moves the streaks
  build_glow_texture();
  EXPECT_NE(std::vector<uint32_t>(glow_texture, glow_texture + 65536), first);
  // Opposite directions share a streak.
  EXPECT_EQ(glow_texture[40 * 256 + 60], glow_texture[216 * 256 + 196]);
}

TEST(TablesTest, DissolveMaskIsAWideRangedPlasma) {
  build_texture_tables();
  const float before = loading_count;
  build_dissolve_mask();
  EXPECT_NE(loading_count, before);
  EXPECT_EQ(texture_width, 320);
  EXPECT_EQ(texture_height, 200);
  uint32_t low = 255, high = 0;
  for (uint32_t p : dissolve_mask) {
    low = std::min(low, p & 0xFF);
    high = std::max(high, p & 0xFF);
  }
  EXPECT_LT(low, 64u);
  EXPECT_GT(high, 192u);
}

TEST(ScriptsTest, EveryScriptParsesIntoWholeCommandsEndingInEnd) {
  std::set<std::string> names;
  int32_t square = 0;
  for (const TextureScriptEntry& entry : texture_script_table) {
    SCOPED_TRACE(entry.name);
    EXPECT_TRUE(names.insert(entry.name).second);
    const int32_t length = texture_script_length(entry.script, 400);
    ASSERT_GT(length, 1);
    // Mirror blocks lie inside their texture, as the mirror command requires.
    for (int32_t pos = 1; entry.script[pos] != tex_end; pos += 1 + texture_operand_counts[entry.script[pos]])
      if (entry.script[pos] == tex_mirror) {
        EXPECT_LE(entry.script[pos + 1], entry.width / 2);
        EXPECT_LT(entry.script[pos + 2], entry.height / 2);
      }
    if (entry.width == 256 && entry.height == 256) ++square;
  }
  EXPECT_EQ(square, 30);
  EXPECT_EQ(texture_script_length(logo_script, 400), 44);
  EXPECT_EQ(texture_script_length(backdrop_script, 46), 46);
  EXPECT_EQ(texture_script_length(dissolve_mask_script, 400), 18);
  EXPECT_EQ(texture_script_length(final_texture_c_script, 400), 65);
  EXPECT_EQ(texture_script_length(final_texture_a_script, 400), 69);
  EXPECT_EQ(texture_script_length(chain_floor_texture_script, 400), 65);
  EXPECT_EQ(backdrop_script[0], 2499);
  EXPECT_EQ(backdrop_variants[0], 2257);
  EXPECT_EQ(backdrop_variants[3], 2985);
  // Texture D shares its first 62 words with A apart from the seed.
  EXPECT_TRUE(
      std::equal(final_texture_a_script + 1, final_texture_a_script + 62, final_texture_d_script + 1));
}

TEST(ScriptsTest, ScriptsDoNotSeeEachOthersResults) {
  build_texture_tables();
  static uint32_t first[65536], again[65536], other[65536];
  texgen_set_size(256, 256);
  generate_texture(tunnel_tex_a_script, first);
  for (const int16_t* script : {room_texture_script, letter_texture_script, gear_texture_script})
    generate_texture(script, other);
  generate_texture(tunnel_tex_a_script, again);
  EXPECT_EQ(0, std::memcmp(first, again, sizeof first));
  // tentacle_texture and tunnel_tex_a differ only in their last mirror.
  generate_texture(tentacle_texture_script, other);
  EXPECT_NE(0, std::memcmp(first, other, sizeof first));
}

}  // namespace
