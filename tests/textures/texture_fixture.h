// Shared set-up of the texture tests: a 256 x 256 generator writing into `texture`.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "textures/tables.h"
#include "textures/texgen.h"

inline uint32_t pixel(int b, int g, int r, int x = 0) {
  return static_cast<uint32_t>(b) | static_cast<uint32_t>(g) << 8 | static_cast<uint32_t>(r) << 16 |
         static_cast<uint32_t>(x) << 24;
}
inline int channel(uint32_t p, int c) { return (p >> (8 * c)) & 0xFF; }

class TextureTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { build_texture_tables(); }
  void SetUp() override {
    texgen_set_size(256, 256);
    texture.assign(texture_max_pixels, 0);
    texture_out = texture.data();
    clear_work_layer();
  }
  void run(std::initializer_list<int16_t> script) { generate_texture(std::data(script), texture.data()); }
  void fill(uint32_t p) { std::fill(texture.begin(), texture.end(), p); }
  void fill_with_index() {
    for (size_t i = 0; i < texture.size(); ++i) texture[i] = static_cast<uint32_t>(i);
  }
  bool all_are(uint32_t p) const {
    return std::all_of(texture.begin(), texture.end(), [p](uint32_t q) { return q == p; });
  }
  uint32_t at(int x, int y) const { return texture[y * texture_width + x]; }
  std::vector<uint32_t> work() const { return {work_layer, work_layer + texture_pixels}; }
  std::vector<uint32_t> texture;
};
