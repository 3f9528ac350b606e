// The texture-script interpreter and the commands that work on whole textures.
#include "textures/texgen.h"

#include <emmintrin.h>

#include <cmath>
#include <cstring>

#include "shell/loading.h"
#include "shell/random.h"
#include "textures/tables.h"
#include "textures/texgen_util.h"

int32_t texture_width = 256;
int32_t texture_height = 256;
int32_t texture_stride = 1024;
int32_t texture_pixels = 65536;
uint32_t* texture_out = nullptr;
alignas(64) uint32_t work_layer[texture_max_pixels];
alignas(64) uint32_t saved_layer[texture_max_pixels];
int32_t plasma_roughness = 0;
int32_t plasma_max = 0;
uint8_t displace_table_x[256];
uint8_t displace_table_y[256];

const uint8_t texture_operand_counts[texture_opcode_count] = {0, 4, 7, 1, 2, 6, 7, 3, 0,
                                                              6, 3, 0, 0, 1, 1, 4, 3};

void texgen_set_size(int32_t width, int32_t height) {
  // Sizes beyond the layers are clamped so that nothing can write past them.
  if (width < 1) width = 1;
  if (width > texture_max_pixels) width = texture_max_pixels;
  if (height < 1) height = 1;
  if (height > texture_max_pixels / width) height = texture_max_pixels / width;
  texture_width = width;
  texture_height = height;
  texture_stride = width * 4;
  texture_pixels = width * height;
}

int32_t texture_script_length(const int16_t* script, int32_t max_words) {
  int32_t pos = 1;
  while (pos < max_words) {
    const int16_t op = script[pos];
    if (op == tex_end) return pos + 1;
    if (op < 0 || op >= texture_opcode_count) return -1;
    pos += 1 + texture_operand_counts[op];
  }
  return -1;
}

void texture_clear() { std::memset(texture_out, 0, static_cast<size_t>(texture_pixels) * 4); }

void texture_save() { std::memcpy(saved_layer, texture_out, static_cast<size_t>(texture_pixels) * 4); }

void texture_invert() {
  for (int32_t i = 0; i < texture_pixels; ++i) texture_out[i] = ~texture_out[i];
}

void texture_mirror(int32_t x0, int32_t y0) {
  const int32_t w = texture_width, h = texture_height;
  const int32_t hw = w / 2, hh = h / 2;
  // The block is addressed linearly from (x0, y0 + 1); an origin outside the texture wraps
  // around the buffer instead of reading past it.
  const int64_t start = (static_cast<int64_t>(y0) + 1) * w + x0;
  for (int32_t y = 0; y < hh; ++y) {
    const int64_t row = start + static_cast<int64_t>(y) * w;
    uint32_t* dst = work_layer + y * hw;
    if (row >= 0 && row + hw <= texture_pixels) {
      std::memcpy(dst, texture_out + row, static_cast<size_t>(hw) * 4);
    } else {
      for (int32_t x = 0; x < hw; ++x) {
        int64_t i = (row + x) % texture_pixels;
        if (i < 0) i += texture_pixels;
        dst[x] = texture_out[i];
      }
    }
  }
  for (int32_t y = 0; y < hh; ++y) {
    const uint32_t* src = work_layer + y * hw;
    uint32_t* top = texture_out + y * w;
    uint32_t* bottom = texture_out + (h - 1 - y) * w;
    for (int32_t x = 0; x < hw; ++x) {
      const uint32_t p = src[x];
      top[x] = p;
      top[w - 1 - x] = p;
      bottom[x] = p;
      bottom[w - 1 - x] = p;
    }
  }
}

namespace {

// channel * percent / 100 (truncating), at most 255, stored as its low byte.
inline uint32_t scale_channel(uint32_t channel, int32_t percent) {
  int32_t v = static_cast<int32_t>(channel) * percent / 100;
  if (v > 255) v = 255;
  return static_cast<uint8_t>(v);
}

}  // namespace

void texture_scale(int32_t red_percent, int32_t green_percent, int32_t blue_percent) {
  // Every channel takes 256 values: three small tables replace the divisions.
  uint32_t blue[256], green[256], red[256];
  for (uint32_t v = 0; v < 256; ++v) {
    blue[v] = scale_channel(v, blue_percent);
    green[v] = scale_channel(v, green_percent) << 8;
    red[v] = scale_channel(v, red_percent) << 16;
  }
  for (int32_t i = 0; i < texture_pixels; ++i) {
    const uint32_t p = texture_out[i];
    texture_out[i] = (p & 0xFF000000u) | red[(p >> 16) & 0xFF] | green[(p >> 8) & 0xFF] | blue[p & 0xFF];
  }
}

void texture_warp(int32_t a1, int32_t f1, int32_t a2, int32_t f2, int32_t a3, int32_t a4) {
  const int32_t w = texture_width, h = texture_height;
  std::memcpy(work_layer, texture_out, static_cast<size_t>(texture_pixels) * 4);
  // Each sine term depends on x or on y alone; the products are computed once per column and
  // per row and summed in the same order as the per-pixel formula.
  static double column_a[texture_max_pixels], column_c[texture_max_pixels];
  static double row_a[texture_max_pixels], row_c[texture_max_pixels];
  const double k = texgen_pi / 16;
  for (int32_t x = 0; x < w; ++x) {
    column_a[x] = a1 * std::sin(k * f1 * x / w);
    column_c[x] = a4 * std::sin(k * f1 * x / h);
  }
  for (int32_t y = 0; y < h; ++y) {
    row_a[y] = a3 * std::sin(k * f2 * y / w);
    row_c[y] = a2 * std::sin(k * f2 * y / h);
  }
  // |A| mod n in unsigned 32-bit arithmetic (|INT32_MIN| fits); a mask for powers of two.
  const auto wrapper = [](int32_t n) {
    const uint32_t size = static_cast<uint32_t>(n);
    const bool power_of_two = (size & (size - 1)) == 0;
    return [size, power_of_two](int32_t v) {
      const uint32_t magnitude = v < 0 ? 0u - static_cast<uint32_t>(v) : static_cast<uint32_t>(v);
      return power_of_two ? magnitude & (size - 1) : magnitude % size;
    };
  };
  const auto wrap_column = wrapper(w), wrap_row = wrapper(h);
  for (int32_t y = 0; y < h; ++y) {
    uint32_t* out = texture_out + y * w;
    for (int32_t x = 0; x < w; ++x) {
      const uint32_t column = wrap_column(trunc_i32(y + column_a[x] + row_a[y]));
      const uint32_t row = wrap_row(trunc_i32(x + row_c[y] + column_c[x]));
      out[x] = work_layer[row * static_cast<uint32_t>(w) + column];
    }
  }
}

void texture_light(int32_t cx, int32_t cy, int32_t radius) {
  const int32_t w = texture_width, h = texture_height;
  for (int32_t y = 0; y < h; ++y) {
    const double dy2 = static_cast<double>(y - cy) * (y - cy);
    uint8_t* p = reinterpret_cast<uint8_t*>(texture_out + y * w);
    for (int32_t x = 0; x < w; ++x, p += 4) {
      const double d = std::sqrt(static_cast<double>(x - cx) * (x - cx) + dy2);
      int32_t l = trunc_i32(radius - d);
      if (l < 0) l = 0;
      if (l > 127) l = 127;
      const uint8_t* row = light_table[l];
      p[0] = row[p[0]];
      p[1] = row[p[1]];
      p[2] = row[p[2]];
    }
  }
}

void texture_emboss(int32_t bias) {
  const int32_t w = texture_width, h = texture_height;
  const int32_t stride = texture_stride;
  std::memcpy(work_layer, texture_out, static_cast<size_t>(texture_pixels) * 4);
  const uint8_t* work = reinterpret_cast<const uint8_t*>(work_layer);
  uint8_t* out = reinterpret_cast<uint8_t*>(texture_out);
  // Any bias beyond these limits already pins every level to 0 or 255.
  if (bias < -1024) bias = -1024;
  if (bias > 1024) bias = 1024;
  const __m128i zero = _mm_setzero_si128(), bias16 = _mm_set1_epi16(static_cast<int16_t>(bias));
  const __m128i top = _mm_set1_epi16(255);
  // Eight bytes in 16-bit lanes: level (right - left) + (below - above) + bias, limited to
  // 0..255, then light_table[level][byte].
  const auto emboss_lanes = [&](const uint8_t* p, auto unpack) {
    const auto lanes = [&](const uint8_t* q) {
      return unpack(_mm_loadu_si128(reinterpret_cast<const __m128i*>(q)), zero);
    };
    const __m128i dx = _mm_sub_epi16(lanes(p + 4), lanes(p - 4));
    const __m128i dy = _mm_sub_epi16(lanes(p + stride), lanes(p - stride));
    const __m128i level =
        _mm_min_epi16(_mm_max_epi16(_mm_add_epi16(_mm_add_epi16(dx, dy), bias16), zero), top);
    return light_lanes(level, lanes(p));
  };
  const auto low = [](__m128i a, __m128i b) { return _mm_unpacklo_epi8(a, b); };
  const auto high = [](__m128i a, __m128i b) { return _mm_unpackhi_epi8(a, b); };
  for (int32_t y = 1; y < h - 1; ++y) {
    const uint8_t* src = work + y * stride;
    uint8_t* dst = out + y * stride;
    const int32_t end = (w - 1) * 4;  // all four bytes of pixels 1 .. width - 2
    int32_t b = 4;
    for (; b + 16 <= end; b += 16)
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + b),
                       _mm_packus_epi16(emboss_lanes(src + b, low), emboss_lanes(src + b, high)));
    for (; b < end; ++b) {
      int32_t l = (src[b + 4] - src[b - 4]) + (src[b + stride] - src[b - stride]) + bias;
      if (l < 0) l = 0;
      if (l > 255) l = 255;
      dst[b] = light_table[l][src[b]];  // src[b] still equals the output byte here
    }
  }
}

void texture_displace(int32_t amp_x, int32_t period_x, int32_t amp_y, int32_t period_y) {
  const int32_t w = texture_width, h = texture_height;
  std::memcpy(work_layer, texture_out, static_cast<size_t>(texture_pixels) * 4);
  const auto build = [](uint8_t* table, int32_t amp, int32_t period) {
    const int32_t half = amp / 2;
    for (int32_t i = 0; i < 256; ++i) {
      // A zero period gives no finite offset; it reads as 0 (an undefined conversion otherwise).
      const int32_t v = period == 0 ? 0 : trunc_i32(half + half * std::sin(i * texgen_pi / period));
      table[i] = static_cast<uint8_t>(v);
    }
  };
  build(displace_table_x, amp_x, period_x);
  build(displace_table_y, amp_y, period_y);
  // Offsets are below 256: wrap tables for column + offset and row + offset avoid a division
  // per pixel.
  static int32_t column_wrap[texture_max_pixels + 256], row_offset[texture_max_pixels + 256];
  for (int32_t i = 0; i < w + 256; ++i) column_wrap[i] = i % w;
  for (int32_t i = 0; i < h + 256; ++i) row_offset[i] = (i % h) * w;
  for (int32_t y = 0; y < h; ++y) {
    const uint32_t* saved = saved_layer + y * w;
    uint32_t* out = texture_out + y * w;
    for (int32_t x = 0; x < w; ++x) {
      const uint32_t s = saved[x];
      out[x] = work_layer[row_offset[displace_table_y[(s >> 8) & 0xFF] + y] +
                          column_wrap[displace_table_x[s & 0xFF] + x]];
    }
  }
}

namespace {

// One colour through the hue, saturation and value change; c0, c1, c2 are B, G, R. Blue
// stands where red usually stands, so positive hues turn the other way round.
uint32_t hsv_colour(uint32_t colour, double hue_add, double sat_mul, double val_mul) {
  const int32_t b = colour & 0xFF, g = (colour >> 8) & 0xFF, r = (colour >> 16) & 0xFF;
  const int32_t max_i = b > g ? (b > r ? b : r) : (g > r ? g : r);
  const int32_t min_i = b < g ? (b < r ? b : r) : (g < r ? g : r);
  const double max = max_i, delta = max_i - min_i;
  double s = max_i != 0 ? delta / max : 0;
  double h;
  if (s == 0) {
    h = -1;
  } else {
    if (b == max_i)
      h = (g - r) / delta;
    else if (g == max_i)
      h = 2 + (r - b) / delta;
    else
      h = 4 + (b - g) / delta;
    h = h * 60;
    while (h < 0) h += 360;
    while (h > 360) h -= 360;
  }
  h = h + hue_add;
  s = s * sat_mul;
  if (s > 1.0) s = 1.0;
  double v = max * val_mul;
  if (v > 255) v = 255;
  while (h < 0) h += 360;
  while (h >= 360) h -= 360;
  double c0, c1, c2;
  if (s == 0) {
    c0 = c1 = c2 = v;
  } else {
    const double sector = std::floor(h / 60);
    const double f = h / 60 - sector;
    const double p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
    switch (static_cast<int32_t>(sector)) {
      case 0:
        c0 = v, c1 = t, c2 = p;
        break;
      case 1:
        c0 = q, c1 = v, c2 = p;
        break;
      case 2:
        c0 = p, c1 = v, c2 = t;
        break;
      case 3:
        c0 = p, c1 = q, c2 = v;
        break;
      case 4:
        c0 = t, c1 = p, c2 = v;
        break;
      default:
        c0 = v, c1 = p, c2 = q;
        break;
    }
  }
  const auto store = [](double c) {
    return static_cast<uint32_t>(static_cast<uint8_t>(trunc_i32(c > 255 ? 255 : c)));
  };
  return store(c0) | store(c1) << 8 | store(c2) << 16;
}

}  // namespace

void texture_hsv(int32_t hue, int32_t saturation, int32_t value) {
  const double hue_add = hue / 128.0 * 360;
  const double sat_mul = 1 + saturation / 128.0;
  const double val_mul = 1 + value / 128.0;
  // Textures repeat many colours (flat areas, mirrored quarters): a direct-mapped cache of
  // results saves most of the floating-point work. A key is the colour with the call's
  // generation in its top byte, so entries of earlier calls never match.
  constexpr uint32_t cache_size = 1 << 16;
  static uint32_t cache_key[cache_size], cache_value[cache_size];
  static uint32_t generation = 0;
  generation = (generation + 1) & 0xFF;
  if (generation == 0) {  // keys of 255 calls ago could match again: start afresh
    std::memset(cache_key, 0, sizeof cache_key);
    generation = 1;
  }
  for (int32_t n = 0; n < texture_pixels; ++n) {
    const uint32_t pixel = texture_out[n];
    const uint32_t colour = pixel & 0x00FFFFFFu;
    const uint32_t key = colour | generation << 24;
    const uint32_t slot = (colour * 0x9E3779B1u) >> 16;
    if (cache_key[slot] != key) {
      cache_key[slot] = key;
      cache_value[slot] = hsv_colour(colour, hue_add, sat_mul, val_mul);
    }
    texture_out[n] = (pixel & 0xFF000000u) | cache_value[slot];
  }
}

void generate_texture(const int16_t* script, uint32_t* output) {
  demo_srand(script[0]);
  texture_out = output;
  const size_t bytes = static_cast<size_t>(texture_pixels) * 4;
  std::memset(texture_out, 0, bytes);
  std::memset(work_layer, 0, bytes);
  std::memset(saved_layer, 0, bytes);
  // Combine modes and pass counts use only their operand's low byte.
  const auto low = [](int16_t word) { return static_cast<int32_t>(static_cast<uint8_t>(word)); };
  const int16_t* p = script + 1;
  for (;;) {
    const int16_t op = p[0];
    // An opcode outside the table cannot be skipped (its length is unknown): it ends the script.
    if (op <= tex_end || op >= texture_opcode_count) break;
    const int16_t* a = p + 1;
    switch (op) {
      case tex_plasma:
        texture_plasma(a[0], a[1], a[2], low(a[3]));
        break;
      case tex_blobs:
        texture_blobs(a[0], a[1], a[2], a[3], a[4], a[5], low(a[6]));
        break;
      case tex_blur:
        blur_texture(low(a[0]));
        break;
      case tex_mirror:
        texture_mirror(a[0], a[1]);
        break;
      case tex_tiles:
        texture_tiles(a[0], a[1], a[2], a[3], a[4], low(a[5]));
        break;
      case tex_walks:
        texture_walks(a[0], a[1], a[2], a[3], a[4], a[5], low(a[6]));
        break;
      case tex_scale:
        texture_scale(a[0], a[1], a[2]);
        break;
      case tex_invert:
        texture_invert();
        break;
      case tex_warp:
        texture_warp(a[0], a[1], a[2], a[3], a[4], a[5]);
        break;
      case tex_light:
        texture_light(a[0], a[1], a[2]);
        break;
      case tex_clear:
        texture_clear();
        break;
      case tex_save:
        texture_save();
        break;
      case tex_merge_saved:
        combine_layer(low(a[0]), saved_layer);
        break;
      case tex_emboss:
        texture_emboss(a[0]);
        break;
      case tex_displace:
        texture_displace(a[0], a[1], a[2], a[3]);
        break;
      case tex_hsv:
        texture_hsv(a[0], a[1], a[2]);
        break;
      default:
        break;
    }
    p += 1 + texture_operand_counts[op];
  }
  show_loading_count();
}
