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
  if (b == -1) return int32_t(0u - uint32_t(a));
  return a / b;
}

// Exact truncating division by a divisor shared by several numerators (the span width,
// an edge's height): a reciprocal from a table replaces up to seven divisions per span.
// For n < 2^32 and magic = ceil(2^64 / d), floor(n * magic / 2^64) = floor(n / d) exactly,
// because the error stays below 2^-32 while n / d sits at least 1 / d below the next integer.
struct SharedDivisor {
  int32_t d;
  uint64_t magic;  // 0: divide directly
};

constexpr int32_t reciprocal_limit = 1024;
struct ReciprocalTable {
  uint64_t magic[reciprocal_limit + 1];
  constexpr ReciprocalTable() : magic() {
    for (int32_t d = 2; d <= reciprocal_limit; ++d) magic[d] = ~uint64_t(0) / uint64_t(d) + 1;
  }
};
inline constexpr ReciprocalTable reciprocal_table{};

inline SharedDivisor shared_divisor(int32_t d) {
#if defined(__SIZEOF_INT128__)
  if (d >= 2 && d <= reciprocal_limit) return {d, reciprocal_table.magic[d]};
#endif
  return {d, 0};
}

inline int32_t divide(int32_t a, SharedDivisor divisor) {
#if defined(__SIZEOF_INT128__)
  if (divisor.magic) {
    const uint32_t n = a < 0 ? 0u - uint32_t(a) : uint32_t(a);
    const uint32_t q = uint32_t((static_cast<unsigned __int128>(n) * divisor.magic) >> 64);
    return a < 0 ? int32_t(0u - q) : int32_t(q);
  }
#endif
  return div_trunc(a, divisor.d);
}

// Truncation toward zero; NaN and values outside the 32-bit range give INT32_MIN, the
// "integer indefinite" that the x87 stores for them.
inline int32_t trunc_i32(double v) {
  if (!(v > -2147483649.0 && v < 2147483648.0)) return INT32_MIN;
  return int32_t(v);
}

// div_trunc through the floating-point divider, which is several times faster than the
// integer one. Exact: a non-integral quotient lies at least 1 / |b| from any integer, far
// more than the rounding error |a / b| * 2^-53 of a 32-bit a.
inline int32_t div_trunc_fast(int32_t a, int32_t b) {
  if (b == 0) return 0;
  return trunc_i32(double(a) / double(b));  // INT32_MIN / -1 gives INT32_MIN, as wrapping does
}

constexpr double angle_to_radians = 3.14159265358979323846 / 128.0;
