// Small helpers shared by the texture generator's sources.
#pragma once
#include <emmintrin.h>

#include <cstdint>
#include <numbers>

constexpr double texgen_pi = std::numbers::pi;

// Float to int32 truncating toward zero. Values that do not fit (and NaN) give INT32_MIN, as
// the processor's own conversion does, instead of undefined behaviour.
inline int32_t trunc_i32(double v) {
  if (!(v > -2147483649.0 && v < 2147483648.0)) return INT32_MIN;
  return static_cast<int32_t>(v);
}

// Saturating add of the four bytes of two pixels.
inline uint32_t add_bytes_saturated(uint32_t a, uint32_t b) {
  const uint32_t low = (a & 0x7F7F7F7Fu) + (b & 0x7F7F7F7Fu);  // bit 7 of each byte: carry into it
  const uint32_t high = (a ^ b) & 0x80808080u;
  const uint32_t carry = ((a & b) | (high & low)) & 0x80808080u;  // carry out of each byte
  return (low ^ high) | ((carry >> 7) * 0xFFu);
}

// Rebuilds the per-row spans of blob_table that draw_blob visits; run after filling blob_table.
void build_blob_spans();

// light_table[l][v] computed instead of looked up, for eight 16-bit lanes of l and v (0..255).
//   l <= 128: l v / 128 is exact in integers: (l v) >> 7.
//   l > 128: trunc(l + k c) with k = (255 - l)(v - 128) and c the 32-bit float just below 1/127.
//     k c differs from k / 127 by under 5e-7, which only shows where k / 127 is a whole number:
//     for k > 0 it then falls just short. The sum stays above 0, so the value is
//     l + floor((k - [k > 0]) / 127); the floor division is a multiply-high by 33027 / 2^22,
//     exact for the 0..32384 it sees after adding 127 x 128.
// The tests compare it with the table at all 65536 entries.
inline __m128i light_lanes(__m128i l, __m128i v) {
  const __m128i dark = _mm_srli_epi16(_mm_mullo_epi16(l, v), 7);
  const __m128i k =
      _mm_mullo_epi16(_mm_sub_epi16(_mm_set1_epi16(255), l), _mm_sub_epi16(v, _mm_set1_epi16(128)));
  const __m128i m = _mm_add_epi16(k, _mm_cmpgt_epi16(k, _mm_setzero_si128()));  // k - 1 where k > 0
  const __m128i x = _mm_add_epi16(m, _mm_set1_epi16(127 * 128));
  const __m128i quotient = _mm_srli_epi16(_mm_mulhi_epu16(x, _mm_set1_epi16(static_cast<int16_t>(33027))), 6);
  const __m128i bright = _mm_add_epi16(l, _mm_sub_epi16(quotient, _mm_set1_epi16(128)));
  const __m128i is_bright = _mm_cmpgt_epi16(l, _mm_set1_epi16(128));
  return _mm_or_si128(_mm_and_si128(is_bright, bright), _mm_andnot_si128(is_bright, dark));
}
