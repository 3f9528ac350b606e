// Start-up tables: light and blob tables of the texture generator, the glow sprite and the
// dissolve mask.
#include "textures/tables.h"

#include <cmath>

#include "data/texture_scripts.h"
#include "shell/random.h"
#include "textures/texgen.h"
#include "textures/texgen_util.h"

alignas(64) uint8_t light_table[256][256];
alignas(64) uint8_t blob_table[256][256];
alignas(64) uint32_t glow_texture[65536];
uint8_t streak_table[256];
alignas(64) uint32_t dissolve_mask[64000];

namespace {

// The radial glow profile shared by the blob table and the glow texture; r in table units x 2.
inline double glow_profile(int32_t dx, int32_t dy) {
  const double r = 2 * std::sqrt(static_cast<double>(dx * dx + dy * dy));
  const double g = 0.075 * std::exp(-0.002 * (r * r)) + 0.925 * std::exp(-0.02 * r);
  return g > 1 ? 1 : g;
}

}  // namespace

void build_light_table() {
  const double one_127 = 0.0078740157f;  // 1/127 as the 32-bit constant it was stored as
  for (int32_t l = 0; l < 256; ++l) {
    for (int32_t v = 0; v < 256; ++v) {
      const double value = l <= 128 ? static_cast<double>(l) * v / 128 : l + (255 - l) * (v - 128) * one_127;
      light_table[l][v] = static_cast<uint8_t>(trunc_i32(value));
    }
  }
}

void build_texture_tables() {
  texgen_set_size(256, 256);
  build_light_table();
  for (int32_t k = 0; k < 256; ++k)
    for (int32_t j = 0; j < 256; ++j)
      blob_table[k][j] = static_cast<uint8_t>(trunc_i32(255 * glow_profile(j - 128, 128 - k)));
  build_blob_spans();
}

void build_glow_texture() {
  // Not reseeded: the streaks follow from the state that the sample synthesis leaves.
  for (int32_t i = 0; i < 256; ++i) streak_table[i] = static_cast<uint8_t>(demo_rand() % 255 + 1);
  float a = 0;  // carried from pixel to pixel: on the centre column it holds the left pixel's s
  for (int32_t y = 0; y < 256; ++y) {
    for (int32_t x = 0; x < 256; ++x) {
      const int32_t dx = x - 128, dy = 128 - y;
      const double g = glow_profile(dx, dy);
      // Opposite directions share a streak: a runs over 32..96.
      if (dx != 0)
        a = static_cast<float>((std::atan(static_cast<double>(dy) / dx) + texgen_pi) * 64 / texgen_pi);
      const int32_t i = static_cast<int32_t>(std::floor(a));
      const double s =
          (streak_table[i] + (static_cast<double>(a) - i) * (streak_table[i + 1] - streak_table[i])) / 384;
      a = static_cast<float>(s);
      double v = g + 0.25 * std::pow(s, 5.0);
      if (v > 1) v = 1;
      const uint32_t grey = static_cast<uint8_t>(trunc_i32(255 * v));
      glow_texture[y * 256 + x] = grey << 16 | grey << 8 | grey;
    }
  }
}

void build_dissolve_mask() {
  texgen_set_size(320, 200);
  generate_texture(dissolve_mask_script, dissolve_mask);
}
