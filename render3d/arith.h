// Integer helpers of the renderer: 32-bit wrap-around arithmetic (what the original
// machine code does) and float-to-int truncation without undefined behaviour.
#pragma once
#include <cmath>
#include <cstdint>

inline int32_t wrap_add(int32_t a, int32_t b) { return int32_t(uint32_t(a) + uint32_t(b)); }
inline int32_t wrap_sub(int32_t a, int32_t b) { return int32_t(uint32_t(a) - uint32_t(b)); }
inline int32_t wrap_mul(int32_t a, int32_t b) { return int32_t(uint32_t(a) * uint32_t(b)); }
inline int32_t wrap_shl(int32_t a, int n) { return int32_t(uint32_t(a) << n); }

// Truncating 32-bit division; a zero divisor gives 0 and INT32_MIN / -1 wraps instead of trapping.
inline int32_t div_trunc(int32_t a, int32_t b) {
  if (b == 0) return 0;
  return int32_t(uint32_t(int64_t(a) / b));
}

// Truncation toward zero; NaN and values outside the 32-bit range give INT32_MIN, the
// "integer indefinite" that the x87 stores for them.
inline int32_t trunc_i32(double v) {
  if (!(v > -2147483649.0 && v < 2147483648.0)) return INT32_MIN;
  return int32_t(v);
}

constexpr double angle_to_radians = 3.14159265358979323846 / 128.0;
