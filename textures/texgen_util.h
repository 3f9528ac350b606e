// Small helpers shared by the texture generator's sources.
#pragma once
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
