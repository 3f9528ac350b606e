#include "scenes/polar_scene.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "data/texture_scripts.h"
#include "render3d/arith.h"
#include "render3d/effects.h"
#include "render3d/fillers.h"
#include "scenes/final_scene.h"
#include "scenes/scenes.h"
#include "shell/demo.h"
#include "shell/present.h"
#include "shell/timer.h"
#include "shell/window.h"
#include "textures/tables.h"
#include "textures/texgen.h"

uint32_t polar_texture[256 * 256];
uint16_t polar_map[64000 * polar_centre_count];
const int32_t polar_centres[polar_centre_count][2] = {{-20, -20}, {340, -20}, {340, 220}, {-20, 220},
                                                      {160, -20}, {-20, 100}, {340, 100}, {160, 220}};
uint32_t glow_backdrop[backdrop_width * backdrop_height];
uint16_t polar_offsets[polar_centre_count];
const uint16_t polar_offset_starts[polar_centre_count] = {230, 430, 330, 540, 120, 300, 500, 100};
// -0x102, +0x101, -0x201, +0x101, -0x102, +0x201, -0x201, +0x102 in 16-bit wrap-around.
const uint16_t polar_offset_steps[polar_centre_count] = {0xFEFE, 0x0101, 0xFDFF, 0x0101,
                                                         0xFEFE, 0x0201, 0xFDFF, 0x0102};
const int32_t flash_rows[polar_flash_count] = {96, 100, 104, 106, 110, 114, 118, 122, 124, 125, 126, 127};
uint8_t flash_index = 0;
uint8_t flash_now = 0;

namespace {

using std::numbers::pi;
constexpr int32_t polar_end = 4991;
constexpr int32_t flash_order_start = 4864;  // order 19, row 0
constexpr int16_t glow_size = 1800;
constexpr uint32_t glow_subtract = 0x00FF3000;

// Every texel with each channel divided by 8 (low bits dropped): eight of them add up
// without carrying from one channel into the next.
uint32_t polar_eighths[256 * 256];

#if !defined(__SSE2__)
// Per channel (s * backdrop) >> 6, at most 255.
inline uint32_t light(uint32_t s, uint32_t backdrop) {
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const uint32_t v = ((s >> shift & 255) * (backdrop >> shift & 255)) >> 6;
    out |= std::min(v, 255u) << shift;
  }
  return out;
}
#endif

}  // namespace

uint16_t polar_map_word(int32_t x, int32_t y, int32_t k) {
  const int32_t dx = x - polar_centres[k][0];
  const int32_t dy = y - polar_centres[k][1];
  const int32_t distance = trunc_i32(std::sqrt(double(dx * dx + dy * dy)) * 0.6666666666666666);
  const int32_t angle = trunc_i32(std::atan2(double(dy), double(dx)) * 40.74366543152521);
  return uint16_t((distance & 255) | (angle & 255) << 8);
}

void polar_scene_init() {
  texgen_set_size(256, 256);
  generate_texture(polar_texture_script, polar_texture);
  for (int32_t i = 0; i < 256 * 256; ++i) polar_eighths[i] = (polar_texture[i] >> 3) & 0x1F1F1F1Fu;

  uint16_t* word = polar_map;
  for (int32_t y = 0; y < screen_height; ++y)
    for (int32_t x = 0; x < screen_width; ++x)
      for (int32_t k = 0; k < polar_centre_count; ++k) *word++ = polar_map_word(x, y, k);

  // The glow's middle, on the still black FrameBuffer: a soft blue-green light.
  draw_sprite(160, 100, 50, glow_size, glow_subtract, glow_texture);
  blur_frame(5, FrameBuffer);
  for (int32_t y = 0; y < screen_height; ++y)
    for (int32_t x = 0; x < screen_width; ++x) {
      const uint32_t p = FrameBuffer[y * screen_width + x];
      uint32_t* d = glow_backdrop + 2 * y * backdrop_width + 2 * x;
      d[0] = d[1] = d[backdrop_width] = d[backdrop_width + 1] = p;
    }
}

void compose_polar_frame(int32_t bx, int32_t by) {
  const uint32_t* e = polar_eighths;
  const uint16_t* words = polar_map;
#if defined(__SSE2__)
  const __m128i offsets = _mm_loadu_si128(reinterpret_cast<const __m128i*>(polar_offsets));
  const __m128i zero = _mm_setzero_si128();
#endif
  for (int32_t y = 0; y < screen_height; ++y) {
    const uint32_t* backdrop = glow_backdrop + (by + y) * backdrop_width + bx;
    uint32_t* out = FrameBuffer + y * screen_width;
#if defined(__SSE2__)
    // Four pixels at a time: each pixel's eight map words plus the offsets in one 16-bit add.
    for (int32_t x = 0; x < screen_width; x += 4, words += 4 * polar_centre_count) {
      alignas(16) uint32_t s[4];
      for (int i = 0; i < 4; ++i) {
        const __m128i w = _mm_add_epi16(
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(words + i * polar_centre_count)), offsets);
        s[i] = e[_mm_extract_epi16(w, 0)] + e[_mm_extract_epi16(w, 1)] + e[_mm_extract_epi16(w, 2)] +
               e[_mm_extract_epi16(w, 3)] + e[_mm_extract_epi16(w, 4)] + e[_mm_extract_epi16(w, 5)] +
               e[_mm_extract_epi16(w, 6)] + e[_mm_extract_epi16(w, 7)];
      }
      const __m128i sums = _mm_load_si128(reinterpret_cast<const __m128i*>(s));
      const __m128i light = _mm_loadu_si128(reinterpret_cast<const __m128i*>(backdrop + x));
      // 16-bit lanes: at most 248 * 255, so the products fit and the logical shift is exact;
      // the pack saturates at 255.
      const __m128i lo =
          _mm_srli_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(sums, zero), _mm_unpacklo_epi8(light, zero)), 6);
      const __m128i hi =
          _mm_srli_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(sums, zero), _mm_unpackhi_epi8(light, zero)), 6);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_packus_epi16(lo, hi));
    }
#else
    for (int32_t x = 0; x < screen_width; ++x, words += polar_centre_count) {
      uint32_t s = 0;
      for (int32_t k = 0; k < polar_centre_count; ++k) s += e[uint16_t(words[k] + polar_offsets[k])];
      out[x] = light(s, backdrop[x]);
    }
#endif
  }
}

void polar_scene_enter() {
  clear_buffers(0);
  std::copy(polar_offset_starts, polar_offset_starts + polar_centre_count, polar_offsets);
  flash_index = 0;
  flash_now = 0;
  fill_prev_frame(0);
  timer_start();
}

bool polar_scene_frame_at(int32_t position, int32_t flash_position) {
  const int32_t t = trunc_i32(scene_time * 0.7);
  const double o = t * pi;
  const int32_t bx = trunc_i32(160 + 160 * std::sin(o / 60));
  const int32_t by = trunc_i32(100 + 100 * std::cos(o / 45));

  if (flash_index < polar_flash_count && flash_position > flash_order_start + flash_rows[flash_index]) {
    flash_now = 1;
    ++flash_index;
  }
  if (flash_now) {
    present_skip = 1;
    final_scene_single_frame(flash_position);
    present_skip = 0;
    final_scene_step -= 3;
  } else {
    compose_polar_frame(bx, by);
    blur_frame(2, FrameBuffer);
  }
  // Once all twelve have fired, every frame is a flash.
  if (flash_index != polar_flash_count) flash_now = 0;
  present_frame(1, 0);
  for (int32_t k = 0; k < polar_centre_count; ++k)
    polar_offsets[k] = uint16_t(polar_offsets[k] + polar_offset_steps[k]);
  return position > polar_end || quit_flag == 1;
}

bool polar_scene_frame(int32_t position) { return polar_scene_frame_at(position, read_music_position()); }

void polar_scene_run() {
  polar_scene_enter();
  if (quit_flag == 1) return;
  for (;;) {
    timer_update();
    if (polar_scene_frame(read_music_position())) return;
  }
}
