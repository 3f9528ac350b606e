// Drawing operations behind the texture commands: the layer combiner, the diamond-square plasma,
// blobs, tiles, walks and the in-place blur. Random numbers are drawn in a fixed order; the
// textures depend on it.
#include <emmintrin.h>

#include <cstring>

#include "shell/random.h"
#include "textures/tables.h"
#include "textures/texgen.h"
#include "textures/texgen_util.h"

namespace {

// demo_rand() mod range. A zero range still draws but yields 0 rather than dividing by zero.
inline int32_t rand_mod(int32_t range) {
  const int32_t r = demo_rand();
  return range != 0 ? r % range : 0;
}

// For every threshold th and blob_table row k: the first and last column whose value exceeds th
// (first > last when none does). A blob only brightens where the table exceeds the smallest of
// its three subtrahends, so only that span of each row needs visiting.
int16_t blob_span_first[256][256];
int16_t blob_span_last[256][256];
bool blob_spans_ready = false;

template <typename Op>
inline void combine_bytes(const uint32_t* layer, Op op) {
  const uint8_t* a = reinterpret_cast<const uint8_t*>(layer);
  uint8_t* b = reinterpret_cast<uint8_t*>(texture_out);
  const int32_t n = texture_pixels * 4;
  for (int32_t i = 0; i < n; ++i) b[i] = op(a[i], b[i]);
}

}  // namespace

void build_blob_spans() {
  for (int32_t k = 0; k < 256; ++k) {
    for (int32_t th = 0; th < 256; ++th) {
      blob_span_first[th][k] = 256;
      blob_span_last[th][k] = -1;
    }
    // Walking inwards from each side, a new running maximum m' settles every threshold below it.
    int32_t m = 0;
    for (int32_t j = 0; j < 256; ++j)
      for (; m < blob_table[k][j]; ++m) blob_span_first[m][k] = static_cast<int16_t>(j);
    m = 0;
    for (int32_t j = 255; j >= 0; --j)
      for (; m < blob_table[k][j]; ++m) blob_span_last[m][k] = static_cast<int16_t>(j);
  }
  blob_spans_ready = true;
}

void clear_work_layer() { std::memset(work_layer, 0, static_cast<size_t>(texture_pixels) * 4); }

void combine_layer(int32_t mode, const uint32_t* layer) {
  switch (mode) {
    case combine_average:
      combine_bytes(layer, [](int a, int b) { return uint8_t((a + b) >> 1); });
      break;
    case combine_add:
      combine_bytes(layer, [](int a, int b) { return uint8_t(a + b > 255 ? 255 : a + b); });
      break;
    case combine_subtract:
      combine_bytes(layer, [](int a, int b) { return uint8_t(a > b ? a - b : 0); });
      break;
    case combine_xor:
      combine_bytes(layer, [](int a, int b) { return uint8_t(a ^ b); });
      break;
    case combine_and:
      combine_bytes(layer, [](int a, int b) { return uint8_t(a & b); });
      break;
    case combine_or:
      combine_bytes(layer, [](int a, int b) { return uint8_t(a | b); });
      break;
    case combine_multiply:
      combine_bytes(layer, [](int a, int b) { return uint8_t((a * b) >> 8); });
      break;
    case combine_lookup:
      combine_bytes(layer, [](int a, int b) { return light_table[a][b]; });
      break;
    case combine_max:
      combine_bytes(layer, [](int a, int b) { return uint8_t(a > b ? a : b); });
      break;
    case combine_min:
      combine_bytes(layer, [](int a, int b) { return uint8_t(a < b ? a : b); });
      break;
    default:
      std::memmove(texture_out, layer, static_cast<size_t>(texture_pixels) * 4);
      break;
  }
}

namespace {

// The plasma's pixel access, with the layer's size passed along so that the recursion keeps it
// in registers. Outside the texture, reads give 0 and writes vanish; regions that lie wholly
// inside (checked = false) skip the tests.
struct GreyLayer {
  uint32_t* pixels;
  int32_t width, height;
  bool inside(int32_t x, int32_t y) const {
    return static_cast<uint32_t>(x) < static_cast<uint32_t>(width) &&
           static_cast<uint32_t>(y) < static_cast<uint32_t>(height);
  }
  template <bool checked = true>
  int32_t get(int32_t x, int32_t y) const {
    return !checked || inside(x, y) ? pixels[y * width + x] & 0xFF : 0;
  }
  template <bool checked = true>
  void put(int32_t x, int32_t y, int32_t v) const {
    if (checked && !inside(x, y)) return;
    const uint32_t g = static_cast<uint8_t>(v);
    uint32_t& p = pixels[y * width + x];
    p = (p & 0xFF000000u) | g << 16 | g << 8 | g;
  }
};

inline GreyLayer work_grey() { return {work_layer, texture_width, texture_height}; }

template <bool checked>
inline void edge_point(const GreyLayer& layer, int32_t xa, int32_t ya, int32_t xm, int32_t ym, int32_t xb,
                       int32_t yb) {
  if (layer.get<checked>(xm, ym) != 0) return;  // already set: no random draw
  const int32_t dist = (xa > xb ? xa - xb : xb - xa) + (ya > yb ? ya - yb : yb - ya);
  const int32_t r = demo_rand() % 10 - 5;
  int32_t v =
      ((layer.get<checked>(xa, ya) + layer.get<checked>(xb, yb)) * 50 + r * dist * plasma_roughness) / 100;
  if (v < 1) v = 1;
  if (v >= plasma_max) v = plasma_max;
  layer.put<checked>(xm, ym, v);
}

template <bool checked>
void fill(const GreyLayer& layer, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
  for (;;) {
    if (checked && x0 >= 0 && y0 >= 0 && x1 < layer.width && y1 < layer.height) {
      fill<false>(layer, x0, y0, x1, y1);
      return;
    }
    if (x1 - x0 < 2 && y1 - y0 < 2) return;
    const int32_t xm = (x0 + x1) / 2, ym = (y0 + y1) / 2;
    edge_point<checked>(layer, x0, y0, xm, y0, x1, y0);  // top
    edge_point<checked>(layer, x1, y0, x1, ym, x1, y1);  // right
    edge_point<checked>(layer, x0, y1, xm, y1, x1, y1);  // bottom
    edge_point<checked>(layer, x0, y0, x0, ym, x0, y1);  // left
    // The centre: the corners' average, no random term, no lower limit.
    if (layer.get<checked>(xm, ym) == 0)
      layer.put<checked>(xm, ym,
                         (layer.get<checked>(x0, y0) + layer.get<checked>(x1, y0) +
                          layer.get<checked>(x1, y1) + layer.get<checked>(x0, y1)) /
                             4);
    // Regions smaller than 2 x 2 do nothing; not calling for them halves the calls. A region
    // of no width (or no height) has two equal pairs of quarters; the second of each pair is
    // left out, which keeps long thin textures from costing the square of their length
    // (square and near-square sizes never meet such a region).
    const bool flat_x = x1 - x0 < 1, flat_y = y1 - y0 < 1;
    if (xm - x0 >= 2 || ym - y0 >= 2) fill<checked>(layer, x0, y0, xm, ym);
    if ((x1 - xm >= 2 || ym - y0 >= 2) && !flat_x) fill<checked>(layer, xm, y0, x1, ym);
    if ((xm - x0 >= 2 || y1 - ym >= 2) && !flat_y) fill<checked>(layer, x0, ym, xm, y1);
    if (flat_x || flat_y) return;  // the last quarter equals the one above or beside it
    x0 = xm;
    y0 = ym;
  }
}

}  // namespace

void put_grey(int32_t x, int32_t y, int32_t v) { work_grey().put(x, y, v); }

int32_t get_grey(int32_t x, int32_t y) { return work_grey().get(x, y); }

void plasma_edge_point(int32_t xa, int32_t ya, int32_t xm, int32_t ym, int32_t xb, int32_t yb) {
  edge_point<true>(work_grey(), xa, ya, xm, ym, xb, yb);
}

void plasma_fill(int32_t x0, int32_t y0, int32_t x1, int32_t y1) { fill<true>(work_grey(), x0, y0, x1, y1); }

void texture_plasma(int32_t seed, int32_t roughness, int32_t max, int32_t mode) {
  const int32_t w = texture_width, h = texture_height;
  clear_work_layer();
  demo_srand(seed);
  plasma_roughness = roughness;
  plasma_max = max;
  put_grey(0, 0, rand_mod(max));
  put_grey(w / 2, h / 2, rand_mod(max));
  put_grey(w / 2 + w / 4, h / 2 + h / 4, rand_mod(max));
  plasma_fill(0, 0, w, h);  // the right and bottom edges lie outside: they read 0, writes vanish
  combine_layer(mode, work_layer);
}

void draw_blob(int32_t x, int32_t y, int16_t size, uint8_t red_sub, uint8_t green_sub, uint8_t blue_sub) {
  if (size < 1) return;
  const int32_t w = texture_width, h = texture_height;
  const uint32_t step = static_cast<uint32_t>(65536 / size) & 0xFFFF;  // size 1 wraps to 0
  const int32_t left = x - size / 2, top = y - size / 2;
  const int32_t col0 = left > 0 ? left : 0, row0 = top > 0 ? top : 0;
  const int32_t col1 = left + size < w ? left + size : w, row1 = top + size < h ? top + size : h;
  if (col0 >= col1 || row0 >= row1) return;
  const int32_t columns = col1 - col0;
  // 16-bit texture coordinates, advanced past the clipped columns and rows. Within a blob they
  // never wrap: (size - 1) x step < 65536.
  const uint32_t u0 = (static_cast<uint32_t>(col0 - left) * step) & 0xFFFF;
  uint32_t v = (static_cast<uint32_t>(row0 - top) * step) & 0xFFFF;

  // What a table value t adds to a pixel: max(0, t - sub) per channel, nothing to byte 3.
  uint32_t add[256];
  const auto above = [](int32_t t, int32_t sub) { return static_cast<uint32_t>(t > sub ? t - sub : 0); };
  for (int32_t t = 0; t < 256; ++t)
    add[t] = above(t, blue_sub) | above(t, green_sub) << 8 | above(t, red_sub) << 16;
  int32_t threshold = blue_sub;
  if (green_sub < threshold) threshold = green_sub;
  if (red_sub < threshold) threshold = red_sub;

  for (int32_t row = row0; row < row1; ++row, v = (v + step) & 0xFFFF) {
    const uint8_t* table_row = blob_table[v >> 8];
    int32_t i0 = 0, i1 = columns - 1;
    if (blob_spans_ready) {
      const int32_t first = blob_span_first[threshold][v >> 8], last = blob_span_last[threshold][v >> 8];
      if (first > last) continue;
      const int32_t u_lo = first * 256, u_hi = last * 256 + 255;  // u range of the span's columns
      if (step == 0) {
        if (static_cast<int32_t>(u0) < u_lo || static_cast<int32_t>(u0) > u_hi) continue;
      } else {
        const int32_t s = static_cast<int32_t>(step), u = static_cast<int32_t>(u0);
        if (u_hi < u) continue;
        if (u_lo > u) i0 = (u_lo - u + s - 1) / s;
        const int32_t last_i = (u_hi - u) / s;
        if (last_i < i1) i1 = last_i;
      }
    }
    uint32_t* out = work_layer + row * w + col0;
    uint32_t u = u0 + static_cast<uint32_t>(i0) * step;
    int32_t i = i0;
    for (; i + 3 <= i1; i += 4, u += 4 * step) {  // four pixels per saturating add
      const __m128i add4 = _mm_setr_epi32(static_cast<int32_t>(add[table_row[u >> 8]]),
                                          static_cast<int32_t>(add[table_row[(u + step) >> 8]]),
                                          static_cast<int32_t>(add[table_row[(u + 2 * step) >> 8]]),
                                          static_cast<int32_t>(add[table_row[(u + 3 * step) >> 8]]));
      __m128i* p = reinterpret_cast<__m128i*>(out + i);
      _mm_storeu_si128(p, _mm_adds_epu8(_mm_loadu_si128(p), add4));
    }
    for (; i <= i1; ++i, u += step) out[i] = add_bytes_saturated(out[i], add[table_row[u >> 8]]);
  }
}

void texture_blobs(int32_t count, int32_t size_range, int32_t size_min, int32_t red_floor,
                   int32_t green_floor, int32_t blue_floor, int32_t mode) {
  clear_work_layer();
  for (int32_t i = 0; i < count; ++i) {
    const uint8_t blue_sub = static_cast<uint8_t>(rand_mod(256 - blue_floor));
    const uint8_t green_sub = static_cast<uint8_t>(rand_mod(256 - green_floor));
    const uint8_t red_sub = static_cast<uint8_t>(rand_mod(256 - red_floor));
    const int16_t size = static_cast<int16_t>(size_min + rand_mod(size_range));
    const int32_t y = rand_mod(texture_height);
    const int32_t x = rand_mod(texture_width);
    draw_blob(x, y, size, red_sub, green_sub, blue_sub);
  }
  combine_layer(mode, work_layer);
}

void add_span(int32_t x, int32_t y, uint8_t blue, uint8_t green, uint8_t red, int32_t n) {
  // Column 0, row 0 and the last column are never drawn.
  if (!(x > 0 && y > 0 && x + n < texture_width && y < texture_height)) return;
  const uint32_t colour = blue | static_cast<uint32_t>(green) << 8 | static_cast<uint32_t>(red) << 16;
  uint32_t* p = work_layer + y * texture_width + x;
  for (int32_t i = 0; i < n; ++i) p[i] = add_bytes_saturated(p[i], colour);
}

void texture_tiles(int32_t cell_w, int32_t cell_h, int32_t red_range, int32_t green_range, int32_t blue_range,
                   int32_t mode) {
  const int32_t w = texture_width, h = texture_height;
  // Cells narrower than a pixel would never advance; they count as one pixel.
  if (cell_w < 1) cell_w = 1;
  if (cell_h < 1) cell_h = 1;
  clear_work_layer();
  for (int32_t y0 = 0; y0 < h; y0 += cell_h) {
    for (int32_t x0 = 0; x0 < w; x0 += cell_w) {
      const uint8_t red = static_cast<uint8_t>(rand_mod(red_range));
      const uint8_t green = static_cast<uint8_t>(rand_mod(green_range));
      const uint8_t blue = static_cast<uint8_t>(rand_mod(blue_range));
      const int32_t y1 = y0 + cell_h < h ? y0 + cell_h : h, x1 = x0 + cell_w < w ? x0 + cell_w : w;
      for (int32_t y = y0; y < y1; ++y)
        for (int32_t x = x0; x < x1; ++x) add_span(x, y, blue, green, red, 1);
    }
  }
  combine_layer(mode, work_layer);
}

void random_walk(int32_t x, int32_t y, int32_t steps, int32_t spread, uint8_t blue, uint8_t green,
                 uint8_t red, int32_t n) {
  for (int32_t i = 0; i < steps; ++i) {
    add_span(x, y, blue, green, red, n);
    const int32_t rx = rand_mod(spread) + 1;
    const int32_t ry = rand_mod(spread) + 1;
    if (rand_mod(rx) + 1 > rx / 2)
      x += 1;
    else
      x -= 1;
    if (rand_mod(ry) + 1 > ry / 2)
      y += 1;
    else
      y -= 1;
  }
}

void texture_walks(int32_t count, int32_t steps_range, int32_t spread, int32_t blue_shift,
                   int32_t green_shift, int32_t red_shift, int32_t mode) {
  clear_work_layer();
  // Shift counts are taken modulo 32, as the processor's shift does.
  const auto colour = [](int32_t i, int32_t shift) {
    return static_cast<uint8_t>((i & 0xFFu) << (shift & 31));
  };
  for (int32_t i = 0; i < count; ++i) {
    const int32_t n = rand_mod(5) + 1;
    const uint8_t blue = colour(i, blue_shift), green = colour(i, green_shift), red = colour(i, red_shift);
    const int32_t steps = rand_mod(steps_range);
    const int32_t y = rand_mod(texture_height);
    const int32_t x = rand_mod(texture_width);
    random_walk(x, y, steps, spread, blue, green, red, n);
  }
  combine_layer(mode, work_layer);
}

void blur_texture(int32_t passes) {
  const int32_t w = texture_width, h = texture_height;
  uint32_t* out = texture_out;
  std::memset(out, 0, static_cast<size_t>(w) * 4);
  std::memset(out + (h - 1) * w, 0, static_cast<size_t>(w) * 4);
  for (int32_t y = 0; y < h; ++y) out[y * w] = out[y * w + w - 1] = 0;
  // In place, left to right and top to bottom: the left and upper neighbours already hold this
  // pass's values. A pixel's four bytes run side by side as 16-bit lanes.
  const __m128i zero = _mm_setzero_si128();
  const auto widen = [zero](const uint32_t* p) {
    return _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int32_t>(*p)), zero);
  };
  for (int32_t pass = 0; pass < passes; ++pass) {
    for (int32_t y = 1; y < h - 1; ++y) {
      uint32_t* row = out + y * w;
      const uint32_t* up = row - w;
      const uint32_t* down = row + w;
      __m128i left = widen(row);
      for (int32_t x = 1; x < w - 1; ++x) {
        const __m128i vertical = _mm_add_epi16(widen(up + x), widen(down + x));
        left = _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(widen(row + x + 1), vertical), left), 2);
        row[x] = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(left, left)));
      }
    }
  }
}
