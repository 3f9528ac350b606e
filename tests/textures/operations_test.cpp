// Drawing operations (plasma, blobs, tiles, walks, blur), the start-up tables and the scripts.
#include <cstring>
#include <set>
#include <string>

#include "data/texture_scripts.h"
#include "shell/loading.h"
#include "shell/random.h"
#include "texture_fixture.h"
#include "textures/texgen_util.h"

namespace {

using Operations = TextureTest;

// The n-th draw (from 1) after seeding with seed, mod 255.
int32_t draw(int16_t seed, int n) {
  demo_srand(seed);
  int32_t r = 0;
  for (int i = 0; i < n; ++i) r = demo_rand() % 255;
  return r;
}

TEST_F(Operations, PlasmaCentreDrawnZeroIsUnsetAndGetsTheCornerAverage) {
  int16_t zero_seed = 0, plain_seed = 0;
  while (draw(zero_seed, 2) != 0) ++zero_seed;
  while (draw(plain_seed, 2) == 0) ++plain_seed;
  texture_plasma(zero_seed, 40, 255, combine_copy);
  EXPECT_EQ(get_grey(0, 0), draw(zero_seed, 1));          // draws: corner, centre, lower right quarter
  EXPECT_EQ(get_grey(128, 128), draw(zero_seed, 1) / 4);  // (corner + 0 + 0 + 0) / 4
  texture_plasma(plain_seed, 40, 255, combine_copy);
  EXPECT_EQ(get_grey(128, 128), draw(plain_seed, 2));
  EXPECT_EQ(get_grey(192, 192), draw(plain_seed, 3));
  texture_plasma(77, 90, 100, combine_copy);  // edge points are limited to max
  EXPECT_EQ(*std::max_element(texture.begin(), texture.end()), pixel(100, 100, 100));
  texture_plasma(77, 90, 0, combine_copy);  // a zero max does not divide by zero
}

TEST_F(Operations, BlobOfSizeOneSamplesTheTableCorner) {
  blob_table[0][0] = 77;
  build_blob_spans();
  draw_blob(10, 10, 1, 0, 7, 100);
  draw_blob(20, 20, 0, 0, 0, 0);  // nothing below size 1
  build_texture_tables();
  EXPECT_EQ(work_layer[10 * 256 + 10], pixel(0, 70, 77));
  EXPECT_EQ(std::count(work_layer, work_layer + 65536, 0u), 65535);
}

// A blob pixel by pixel as the drawing rule reads, for checking the fast one.
void reference_blob(std::vector<uint32_t>& layer, int x, int y, int16_t size, int red, int green, int blue) {
  const int step = size < 1 ? 0 : 65536 / size, subs[3] = {blue, green, red};
  for (int j = 0; j < size; ++j)
    for (int i = 0, row = y - size / 2 + j, col = x - size / 2 + i; i < size; ++i, ++col) {
      if (row < 0 || row >= 256 || col < 0 || col >= 256) continue;
      const int t = blob_table[(j * step & 0xFFFF) >> 8][(i * step & 0xFFFF) >> 8];
      uint8_t* p = reinterpret_cast<uint8_t*>(&layer[row * 256 + col]);
      for (int c = 0; c < 3; ++c) p[c] = static_cast<uint8_t>(std::min(255, p[c] + std::max(0, t - subs[c])));
    }
}

// Guards the fast blobs: 300 random ones, many clipped (the corner ones keep their part of the shape)
// or saturating, against the plain rule.
TEST_F(Operations, BlobsMatchThePixelByPixelRule) {
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

TEST_F(Operations, TilesLeaveColumnZeroRowZeroAndTheLastColumnBlack) {
  texture_tiles(32, 32, 255, 200, 100, combine_copy);
  for (int i = 0; i < 256; ++i)
    for (int k : {i, i * 256, i * 256 + 255}) ASSERT_EQ(texture[k], 0u) << k;
  EXPECT_EQ(at(1, 1), at(31, 31));  // one cell, one colour
  EXPECT_NE(at(1, 1), 0u);
  texgen_set_size(8, 8);  // no size or range: no division by zero
  texture_tiles(0, -3, 0, 0, 0, combine_add);
  texture_blobs(3, 0, 16, 256, 256, 256, combine_add);
  texture_walks(3, 0, 0, -1, 40, 7, combine_add);
}

TEST_F(Operations, WalksAddSpansOffTheFirstRowAndColumnAndTheLastColumn) {
  random_walk(100, 100, 10, 1, 10, 20, 30, 2);  // spread 1: always right and down, two wide
  random_walk(101, 100, 1, 1, 10, 20, 30, 1);   // spans add up
  EXPECT_EQ(work_layer[100 * 256 + 101], pixel(20, 40, 60));
  EXPECT_EQ(work_layer[109 * 256 + 110], pixel(10, 20, 30));
  EXPECT_EQ(std::count(work_layer, work_layer + 65536, 0u), 65536 - 20);
  clear_work_layer();
  for (const auto& [x, y, n] : {std::tuple{0, 5, 3}, {5, 0, 3}, {250, 5, 6}, {5, 256, 1}})
    add_span(x, y, 9, 9, 9, n);
  EXPECT_EQ(std::count(work_layer, work_layer + 65536, 0u), 65536);
}

// Guards the fast blur: the rule byte by byte in place, on several sizes.
TEST_F(Operations, BlurMatchesTheInPlaceRuleAndZeroPassesOnlyClearTheBorder) {
  for (const auto& [w, h, passes] :
       {std::tuple{256, 256, 0}, {256, 256, 3}, {320, 200, 3}, {3, 3, 3}, {208, 82, 3}}) {
    SCOPED_TRACE(testing::Message() << w << "x" << h << " passes " << passes);
    texgen_set_size(w, h);
    demo_srand(w);
    for (int i = 0; i < w * h; ++i) texture[i] = static_cast<uint32_t>(demo_rand()) * 0x20003u;
    std::vector<uint32_t> t(texture.begin(), texture.begin() + w * h);
    uint8_t* b = reinterpret_cast<uint8_t*>(t.data());
    for (int i = 0; i < w * h; ++i)
      if (i < w || i >= (h - 1) * w || i % w == 0 || i % w == w - 1) t[i] = 0;
    for (int pass = 0; pass < passes; ++pass)
      for (int y = 1; y < h - 1; ++y)
        for (uint8_t* p = b + y * w * 4 + 4; p < b + (y + 1) * w * 4 - 4; ++p)
          *p = static_cast<uint8_t>((p[-4] + p[4] + p[w * 4] + p[-w * 4]) / 4);
    blur_texture(passes);
    EXPECT_EQ(std::vector<uint32_t>(texture.begin(), texture.begin() + w * h), t);
  }
}

// Guards the computed light used by the fast emboss and lookup: all 65536 entries.
TEST(Tables, ComputedLightMatchesTheTable) {
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

TEST(Scripts, EveryScriptParsesIntoWholeCommandsEndingInEnd) {
  std::set<std::string> names;
  for (const TextureScriptEntry& entry : texture_script_table) {
    SCOPED_TRACE(entry.name);
    EXPECT_TRUE(names.insert(entry.name).second);
    ASSERT_GT(texture_script_length(entry.script, 400), 1);
    for (int32_t pos = 1; entry.script[pos] != tex_end; pos += 1 + texture_operand_counts[entry.script[pos]])
      if (entry.script[pos] == tex_mirror) {  // mirror blocks lie inside their texture
        EXPECT_LE(entry.script[pos + 1], entry.width / 2);
        EXPECT_LT(entry.script[pos + 2], entry.height / 2);
      }
  }
}

TEST(Scripts, ScriptsDoNotSeeEachOthersResults) {
  build_texture_tables();
  static uint32_t first[65536], again[65536], other[65536];
  generate_texture(tunnel_tex_a_script, first);
  for (const int16_t* script : {room_texture_script, letter_texture_script, gear_texture_script})
    generate_texture(script, other);
  generate_texture(tunnel_tex_a_script, again);
  EXPECT_EQ(0, std::memcmp(first, again, sizeof first));
}

}  // namespace
