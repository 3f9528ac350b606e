// Packed-byte pixel operations. pixel_portable gives the reference bytes; pixel_sse2 the
// same bytes with SSE2 on x86-64. pixel:: is the one the drawers use.
#pragma once
#include <cstdint>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace pixel_portable {

// Per-byte unsigned saturating a + b.
inline uint32_t add_sat(uint32_t a, uint32_t b) {
  const uint32_t low = (a & 0x7F7F7F7Fu) + (b & 0x7F7F7F7Fu);
  const uint32_t carry = ((a & b) | ((a | b) & low)) & 0x80808080u;
  return (low ^ ((a ^ b) & 0x80808080u)) | ((carry << 1) - (carry >> 7));
}

// Per-byte unsigned saturating a - b.
inline uint32_t sub_sat(uint32_t a, uint32_t b) {
  uint32_t r = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const int32_t d = int32_t((a >> shift) & 255) - int32_t((b >> shift) & 255);
    r |= uint32_t(d > 0 ? d : 0) << shift;
  }
  return r;
}

// Per byte ((f << 8) + (b - f) * k) >> 8 = (f * (256 - k) + b * k) >> 8 for k in 0..255:
// f itself at k = 0, nearly b at k = 255. Each lane stays below 65536, so two bytes
// share one 32-bit product without carries.
inline uint32_t blend(uint32_t f, uint32_t b, uint32_t k) {
  const uint32_t even = (((f & 0x00FF00FFu) * (256 - k) + (b & 0x00FF00FFu) * k) >> 8) & 0x00FF00FFu;
  const uint32_t odd = (((f >> 8) & 0x00FF00FFu) * (256 - k) + ((b >> 8) & 0x00FF00FFu) * k) & 0xFF00FF00u;
  return even | odd;
}

// Blue, green and red bytes times their factor / 128, saturated; the spare byte becomes 0.
inline uint32_t modulate(uint32_t texel, uint32_t k_blue, uint32_t k_green, uint32_t k_red) {
  const uint32_t b = ((texel & 255) * k_blue) >> 7;
  const uint32_t g = (((texel >> 8) & 255) * k_green) >> 7;
  const uint32_t r = (((texel >> 16) & 255) * k_red) >> 7;
  return (b > 255 ? 255 : b) | (g > 255 ? 255 : g) << 8 | (r > 255 ? 255 : r) << 16;
}

}  // namespace pixel_portable

#if defined(__SSE2__)
namespace pixel_sse2 {

inline __m128i load1(uint32_t v) { return _mm_cvtsi32_si128(int32_t(v)); }
inline uint32_t store1(__m128i v) { return uint32_t(_mm_cvtsi128_si32(v)); }

inline uint32_t add_sat(uint32_t a, uint32_t b) { return store1(_mm_adds_epu8(load1(a), load1(b))); }
inline uint32_t sub_sat(uint32_t a, uint32_t b) { return store1(_mm_subs_epu8(load1(a), load1(b))); }

// Pixels in 16-bit lanes: f * (256 - k) + b * k fits an unsigned lane, so wrapping
// multiplies and adds and a logical shift give the exact bytes.
inline __m128i blend_lanes(__m128i f, __m128i b, __m128i k, __m128i k_inv) {
  return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(f, k_inv), _mm_mullo_epi16(b, k)), 8);
}

inline uint32_t blend(uint32_t f, uint32_t b, uint32_t k) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i lanes = blend_lanes(_mm_unpacklo_epi8(load1(f), zero), _mm_unpacklo_epi8(load1(b), zero),
                                    _mm_set1_epi16(int16_t(k)), _mm_set1_epi16(int16_t(256 - k)));
  return store1(_mm_packus_epi16(lanes, lanes));
}

// factors: 16-bit lanes blue, green, red, then zeros, each 0..255.
inline uint32_t modulate_lanes(uint32_t texel, __m128i factors) {
  const __m128i texel_lanes = _mm_unpacklo_epi8(load1(texel), _mm_setzero_si128());
  const __m128i lanes = _mm_srli_epi16(_mm_mullo_epi16(texel_lanes, factors), 7);
  return store1(_mm_packus_epi16(lanes, lanes));
}

inline uint32_t modulate(uint32_t texel, uint32_t k_blue, uint32_t k_green, uint32_t k_red) {
  return modulate_lanes(texel,
                        _mm_setr_epi16(int16_t(k_blue), int16_t(k_green), int16_t(k_red), 0, 0, 0, 0, 0));
}

}  // namespace pixel_sse2
namespace pixel = pixel_sse2;
#else
namespace pixel = pixel_portable;
#endif
