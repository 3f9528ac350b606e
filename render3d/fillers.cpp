#include "render3d/fillers.h"

#include <algorithm>
#include <utility>

#include "render3d/arith.h"
#include "render3d/pipeline.h"
#include "render3d/pixel_ops.h"
#include "shell/present.h"

// Every filler is a triangle walker over fill_triangle plus its own span drawer. A filler
// describes its interpolants (x first) with their fixed-point shifts; the walker steps
// them down both edges and hands each row's left and right values to the span.

namespace {

// divide() without a branch on the numerator's sign: the signs of the edge and span deltas
// follow no pattern, so that branch was mispredicted about half the time. Same quotient.
inline int32_t divide_by(int32_t a, SharedDivisor divisor) {
#if defined(__SIZEOF_INT128__)
  if (divisor.magic) {
    const uint32_t sign = uint32_t(a >> 31);  // 0 or all ones
    const uint32_t n = (uint32_t(a) ^ sign) - sign;
    const uint32_t q = uint32_t((static_cast<unsigned __int128>(n) * divisor.magic) >> 64);
    return int32_t((q ^ sign) - sign);
  }
#endif
  return div_trunc(a, divisor.d);
}

// Edge values and per-row steps of the first N interpolants, all wrapping 32-bit fixed point.
template <int N>
struct Edge {
  uint32_t value[N];
  uint32_t step[N];

  template <class F>
  void start(const FillVertex& a, const FillVertex& b, int64_t dy) {
    // dy > 0; only corners more than 2^31 rows apart need the wide division.
    const SharedDivisor rows = shared_divisor(dy <= INT32_MAX ? int32_t(dy) : 0);
    for (int k = 0; k < N; ++k) {
      value[k] = uint32_t(F::field(a, k)) << F::shift[k];
      const int32_t delta = int32_t((uint32_t(F::field(b, k)) - uint32_t(F::field(a, k))) << F::shift[k]);
      step[k] = uint32_t(dy <= INT32_MAX ? divide_by(delta, rows) : int32_t(delta / dy));
    }
  }
  void advance() {
    for (int k = 0; k < N; ++k) value[k] += step[k];
  }
  // rows times advance(): wrapping addition repeated is wrapping multiplication.
  void advance(int64_t rows) {
    for (int k = 0; k < N; ++k) value[k] += step[k] * uint32_t(rows);
  }
};

// span(y, left values, right values) draws one row; it is a template argument so that
// it inlines into the row loop.
template <int N, auto span>
void walk_rows(int64_t y, int64_t y_end, Edge<N>& long_edge, Edge<N>& short_edge) {
  y_end = std::min<int64_t>(y_end, screen_height);
  // Rows above the screen are stepped over, not drawn.
  if (y < 0) {
    const int64_t hidden = std::min<int64_t>(y_end, 0) - y;
    if (hidden > 0) {
      long_edge.advance(hidden);
      short_edge.advance(hidden);
      y += hidden;
    }
  }
  for (; y < y_end; ++y) {
    if (int32_t(short_edge.value[0]) < int32_t(long_edge.value[0]))
      span(int32_t(y), short_edge.value, long_edge.value);
    else
      span(int32_t(y), long_edge.value, short_edge.value);
    long_edge.advance();
    short_edge.advance();
  }
}

// Sorts fill_triangle by y (three compare-and-swaps, equal rows keep their order), then
// walks the upper half on the edge to the middle corner and the lower half on the edge
// from it. The bottom row is never drawn. Only the first N interpolants are stepped: the
// others do not matter to the span drawer given.
template <class F, int N, auto span>
void walk_triangle() {
  FillVertex* t = fill_triangle;
  if (t[0].y > t[1].y) F::swap(t[0], t[1]);
  if (t[1].y > t[2].y) F::swap(t[1], t[2]);
  if (t[0].y > t[1].y) F::swap(t[0], t[1]);
  const int64_t y0 = t[0].y, y1 = t[1].y, y2 = t[2].y;
  if (y2 == y0) return;
  Edge<N> long_edge, short_edge;
  long_edge.template start<F>(t[0], t[2], y2 - y0);
  if (y1 > y0) {
    short_edge.template start<F>(t[0], t[1], y1 - y0);
    walk_rows<N, span>(y0, y1, long_edge, short_edge);
  }
  if (y2 > y1) {
    short_edge.template start<F>(t[1], t[2], y2 - y1);
    walk_rows<N, span>(y1, y2, long_edge, short_edge);
  }
}

template <auto... Fields>
void swap_fields(FillVertex& a, FillVertex& b) {
  (std::swap(a.*Fields, b.*Fields), ...);
}

// Span set-up shared by all fillers: the pixel range after clipping, the first pixel's
// values after the left clip, and the per-pixel steps. Returns false when nothing shows.
template <int N>
struct SpanSetup {
  int32_t x;      // first pixel drawn
  int32_t count;  // pixels drawn
  uint32_t value[N];
  uint32_t step[N];

  bool start(const uint32_t* left, const uint32_t* right, int x_shift) {
    x = int32_t(left[0]) >> x_shift;
    int32_t x_end = int32_t(right[0]) >> x_shift;
    const SharedDivisor width = shared_divisor(x_end - x);
    for (int k = 1; k < N; ++k) {
      value[k] = left[k];
      step[k] = uint32_t(divide_by(int32_t(right[k] - left[k]), width));  // 0 for width 0
    }
    if (x < 0) {
      for (int k = 1; k < N; ++k) value[k] += step[k] * uint32_t(-x);
      x = 0;
    }
    x_end = std::min(x_end, screen_width);
    count = x_end - x;
    return count > 0;
  }
};

inline int32_t* depth_row(uint32_t* row) { return reinterpret_cast<int32_t*>(row + depth_distance); }

// ---- fill_textured: x, z, u, v, shade in 16.16 ----

struct Textured {
  static constexpr int count = 5;
  static constexpr int shift[count] = {16, 16, 16, 16, 16};
  static int32_t field(const FillVertex& p, int k) {
    const int32_t values[count] = {p.x, p.z, p.u, p.v, p.shade};
    return values[k];
  }
  static constexpr auto swap = swap_fields<&FillVertex::x, &FillVertex::y, &FillVertex::z, &FillVertex::u,
                                           &FillVertex::v, &FillVertex::shade>;
};

const uint32_t* walker_texture;
const uint32_t* walker_env_texture;
uint32_t walker_colour;

// u picks the texel row, v the texel in it; both stepped as 16-bit 8.8 numbers.
template <int SubMode>
constexpr int textured_used = SubMode == 1 ? 5 : 4;  // shade only for the blend

template <int SubMode>
void textured_span(int32_t y, const uint32_t* left, const uint32_t* right) {
  if (y < 0) return;
  SpanSetup<textured_used<SubMode>> s;
  if (!s.start(left, right, 16)) return;
  uint32_t* __restrict pixels = row_table[y] + s.x;
  int32_t* __restrict depths = depth_row(row_table[y]) + s.x;
  const uint32_t* __restrict texture = walker_texture;
  uint32_t z = s.value[1], u = s.value[2] >> 8, v = s.value[3] >> 8, shade = 0, dshade = 0;
  const uint32_t dz = s.step[1], du = s.step[2] >> 8, dv = s.step[3] >> 8;
  if constexpr (SubMode == 1) shade = s.value[4] >> 8, dshade = s.step[4] >> 8;
  for (int32_t i = 0; i < s.count; ++i) {
    if (int32_t(z) >= depths[i]) {
      const uint32_t texel = texture[(u & 0xFF00) | ((v >> 8) & 0xFF)];
      if constexpr (SubMode == 0) {
        pixels[i] = texel;
        depths[i] = int32_t(z);
      } else if constexpr (SubMode == 1) {
        pixels[i] = pixel::blend(texel, pixels[i], (shade >> 8) & 0xFF);
        depths[i] = int32_t(z);
      } else {
        pixels[i] = pixel::add_sat(texel, pixels[i]);
      }
    }
    z += dz;
    u += du;
    v += dv;
    if constexpr (SubMode == 1) shade += dshade;
  }
}

// ---- fill_env_mapped: x, z, u, v, env_u, env_v in 16.16 ----

struct EnvMapped {
  static constexpr int count = 6;
  static constexpr int shift[count] = {16, 16, 16, 16, 16, 16};
  static int32_t field(const FillVertex& p, int k) {
    const int32_t values[count] = {p.x, p.z, p.u, p.v, p.env_u, p.env_v};
    return values[k];
  }
  static constexpr auto swap = swap_fields<&FillVertex::x, &FillVertex::y, &FillVertex::z, &FillVertex::u,
                                           &FillVertex::v, &FillVertex::env_u, &FillVertex::env_v>;
};

// Here v picks the row: texture[v * 256 + u], env_texture[env_v * 256 + env_u].
void env_mapped_span(int32_t y, const uint32_t* left, const uint32_t* right) {
  if (y < 0) return;
  SpanSetup<EnvMapped::count> s;
  if (!s.start(left, right, 16)) return;
  uint32_t* __restrict pixels = row_table[y] + s.x;
  int32_t* __restrict depths = depth_row(row_table[y]) + s.x;
  const uint32_t* __restrict texture = walker_texture;
  const uint32_t* env_texture = walker_env_texture;
  uint32_t z = s.value[1], u = s.value[2] >> 8, v = s.value[3] >> 8, eu = s.value[4] >> 8,
           ev = s.value[5] >> 8;
  const uint32_t dz = s.step[1], du = s.step[2] >> 8, dv = s.step[3] >> 8, deu = s.step[4] >> 8,
                 dev = s.step[5] >> 8;
  for (int32_t i = 0; i < s.count; ++i) {
    if (int32_t(z) >= depths[i]) {
      const uint32_t texel = texture[(v & 0xFF00) | ((u >> 8) & 0xFF)];
      const uint32_t env = env_texture[(ev & 0xFF00) | ((eu >> 8) & 0xFF)];
      pixels[i] = pixel::add_sat(texel, env);
      depths[i] = int32_t(z);
    }
    z += dz;
    u += du;
    v += dv;
    eu += deu;
    ev += dev;
  }
}

// ---- fill_colour_modulated: x, u, v, red, green, blue in 24.8, z in 16.16 ----

struct ColourModulated {
  static constexpr int count = 7;
  static constexpr int shift[count] = {8, 16, 8, 8, 8, 8, 8};
  static int32_t field(const FillVertex& p, int k) {
    const int32_t values[count] = {p.x, p.z, p.u, p.v, p.red, p.green, p.blue};
    return values[k];
  }
  static constexpr auto swap =
      swap_fields<&FillVertex::x, &FillVertex::y, &FillVertex::z, &FillVertex::u, &FillVertex::v,
                  &FillVertex::red, &FillVertex::green, &FillVertex::blue>;
};

// u, v and the colour factors are 8.8 numbers (the low 16 bits of the 24.8 values); each
// texel byte is multiplied by the integer part of its colour / 128.
void colour_modulated_span(int32_t y, const uint32_t* left, const uint32_t* right) {
  if (y < 0) return;
  SpanSetup<ColourModulated::count> s;
  if (!s.start(left, right, 8)) return;
  uint32_t* __restrict pixels = row_table[y] + s.x;
  int32_t* __restrict depths = depth_row(row_table[y]) + s.x;
  const uint32_t* __restrict texture = walker_texture;
  uint32_t z = s.value[1], u = s.value[2], v = s.value[3];
  const uint32_t dz = s.step[1], du = s.step[2], dv = s.step[3];
#if defined(__SSE2__)
  // The three colour words in 16-bit lanes (blue, green, red), stepped together; their high
  // bytes are the factors.
  auto lanes = [](uint32_t red, uint32_t green, uint32_t blue) {
    return _mm_setr_epi16(int16_t(blue), int16_t(green), int16_t(red), 0, 0, 0, 0, 0);
  };
  __m128i colour = lanes(s.value[4], s.value[5], s.value[6]);
  const __m128i colour_step = lanes(s.step[4], s.step[5], s.step[6]);
  for (int32_t i = 0; i < s.count; ++i) {
    if (int32_t(z) >= depths[i]) {
      const uint32_t texel = texture[(v & 0xFF00) | ((u >> 8) & 0xFF)];
      pixels[i] = pixel_sse2::modulate_lanes(texel, _mm_srli_epi16(colour, 8));
      depths[i] = int32_t(z);
    }
    z += dz;
    u += du;
    v += dv;
    colour = _mm_add_epi16(colour, colour_step);
  }
#else
  uint32_t red = s.value[4], green = s.value[5], blue = s.value[6];
  const uint32_t dred = s.step[4], dgreen = s.step[5], dblue = s.step[6];
  for (int32_t i = 0; i < s.count; ++i) {
    if (int32_t(z) >= depths[i]) {
      const uint32_t texel = texture[(v & 0xFF00) | ((u >> 8) & 0xFF)];
      pixels[i] = pixel::modulate(texel, (blue >> 8) & 0xFF, (green >> 8) & 0xFF, (red >> 8) & 0xFF);
      depths[i] = int32_t(z);
    }
    z += dz;
    u += du;
    v += dv;
    red += dred;
    green += dgreen;
    blue += dblue;
  }
#endif
}

// ---- fill_flat: x, z, shade in 16.16 ----

struct Flat {
  static constexpr int count = 3;
  static constexpr int shift[count] = {16, 16, 16};
  static int32_t field(const FillVertex& p, int k) {
    const int32_t values[count] = {p.x, p.z, p.shade};
    return values[k];
  }
  static constexpr auto swap =
      swap_fields<&FillVertex::x, &FillVertex::y, &FillVertex::z, &FillVertex::shade>;
};

template <bool Blended>
void flat_span(int32_t y, const uint32_t* left, const uint32_t* right) {
  if (y < 0) return;
  SpanSetup<Blended ? 3 : 2> s;
  if (!s.start(left, right, 16)) return;
  uint32_t* __restrict pixels = row_table[y] + s.x;
  int32_t* __restrict depths = depth_row(row_table[y]) + s.x;
  const uint32_t colour = walker_colour;
  uint32_t z = s.value[1], shade = 0, dshade = 0;
  const uint32_t dz = s.step[1];
  if constexpr (Blended) shade = s.value[2] >> 8, dshade = s.step[2] >> 8;
  for (int32_t i = 0; i < s.count; ++i) {
    if (int32_t(z) >= depths[i]) {
      if constexpr (Blended) {
        pixels[i] = pixel::blend(colour, pixels[i], (shade >> 8) & 0xFF);
      } else {
        pixels[i] = colour;
        depths[i] = int32_t(z);
      }
    }
    z += dz;
    if constexpr (Blended) shade += dshade;
  }
}

void no_span(int32_t, const uint32_t*, const uint32_t*) {}

}  // namespace

void fill_textured(const uint32_t* texture, uint32_t sub_mode) {
  walker_texture = texture;
  switch (sub_mode) {
    case 0:
      return walk_triangle<Textured, textured_used<0>, textured_span<0>>();
    case 1:
      return walk_triangle<Textured, textured_used<1>, textured_span<1>>();
    case 2:
      return walk_triangle<Textured, textured_used<2>, textured_span<2>>();
    default:  // draws nothing, but the corners are still sorted
      return walk_triangle<Textured, 1, no_span>();
  }
}

void fill_env_mapped(const uint32_t* texture, const uint32_t* env_texture) {
  walker_texture = texture;
  walker_env_texture = env_texture;
  walk_triangle<EnvMapped, EnvMapped::count, env_mapped_span>();
}

void fill_colour_modulated(const uint32_t* texture) {
  walker_texture = texture;
  walk_triangle<ColourModulated, ColourModulated::count, colour_modulated_span>();
}

void fill_flat(uint32_t colour, uint32_t sub_mode) {
  walker_colour = colour;
  if (sub_mode == 0)
    walk_triangle<Flat, 2, flat_span<false>>();
  else
    walk_triangle<Flat, 3, flat_span<true>>();
}

void draw_sprite(int32_t x, int32_t y, int32_t z, int16_t size, uint32_t subtract, const uint32_t* texture) {
  if (size < 1) return;
  const int32_t half = size / 2;
  const uint32_t step = uint32_t(65536 / size);  // 8.8 texels per pixel
  int64_t x0 = int64_t(x) - half, y0 = int64_t(y) - half;
  int64_t w = size, h = size;
  uint32_t su = 0, sv = 0;
  if (x0 + w > 319) w = 320 - x0;
  if (y0 + h > 199) h = 200 - y0;
  if (x0 < 0) w += x0, su = step * uint32_t(-x0), x0 = 0;
  if (y0 < 0) h += y0, sv = step * uint32_t(-y0), y0 = 0;
  if (w <= 0 || h <= 0) return;
  const int32_t depth = wrap_shl(z, 16);
  uint32_t v = sv;
  for (int64_t row = 0; row < h; ++row, v += step) {
    uint32_t* pixels = row_table[y0 + row] + x0;
    int32_t* depths = depth_row(row_table[y0 + row]) + x0;
    const uint32_t* texels = texture + (v & 0xFF00);
    uint32_t u = su;
    for (int64_t i = 0; i < w; ++i, u += step) {
      if (depth >= depths[i])
        pixels[i] = pixel::add_sat(pixel::sub_sat(texels[(u >> 8) & 0xFF], subtract), pixels[i]);
    }
  }
}
