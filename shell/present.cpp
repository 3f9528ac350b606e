#include "shell/present.h"

#include <algorithm>
#include <cstring>

#include "platform/platform.h"
#include "shell/demo.h"
#include "shell/window.h"

alignas(64) uint32_t screen_memory[3 * screen_pixels];
uint32_t* row_table[screen_height];

uint8_t present_skip = 0;
uint8_t blend_enabled = 1;
uint8_t mosaic_mode = 0;
int32_t fade_colour = 0;

uint8_t luma_red[256];
uint8_t luma_green[256];
uint8_t luma_blue[256];
uint32_t mosaic_patterns[256];

// The halftone cells, 0 and 1 as drawn (row * 64 + level * 4 + column), turned into 0x00
// and 0xFF by build_colour_tables.
uint8_t dither_patterns[256] = {
    // row 0, levels 0..15
    0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1,  //
    0, 1, 0, 1, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  //
    // row 1, levels 0..15
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 0, 1, 0,  //
    1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 1, 1, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  //
    // row 2, levels 0..15
    0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1,  //
    0, 1, 0, 1, 1, 1, 0, 1, 1, 1, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  //
    // row 3, levels 0..15
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0,  //
    1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 1, 1, 0, 1, 1, 1, 0, 1, 1, 1, 1,  //
};

void build_colour_tables() {
  for (int i = 0; i < 256; ++i) {
    luma_red[i] = uint8_t(i * 0.246);
    luma_green[i] = uint8_t(i * 0.632);
    luma_blue[i] = uint8_t(i * 0.122);
  }
  for (uint8_t& d : dither_patterns) d = d ? 0xFF : 0x00;
  for (int k = 0; k < 256; ++k) mosaic_patterns[k] = dither_patterns[k] * 0x01010101u;
}

namespace {

// Every byte halved (low bit dropped), summed with the previous picture's, into both.
void blend_frames() {
  auto* cur = reinterpret_cast<uint8_t*>(FrameBuffer);
  auto* prev = reinterpret_cast<uint8_t*>(prev_frame);
  for (int i = 0; i < screen_pixels * 4; ++i) {
    uint8_t v = uint8_t((cur[i] >> 1) + (prev[i] >> 1));
    cur[i] = v;
    prev[i] = v;
  }
}

// Adds (mode 1) or subtracts (mode 2) the fade colour's bytes with saturation, sixteen bytes
// at a time: a lane that wrapped compares past its old value and is pinned to 255 or 0.
void fade_frame(uint8_t fade_mode) {
  typedef uint8_t Bytes __attribute__((vector_size(16)));
  uint32_t colour = uint32_t(fade_colour);
  uint32_t pattern[4] = {colour, colour, colour, colour};
  Bytes c;
  std::memcpy(&c, pattern, sizeof c);
  auto* p = reinterpret_cast<uint8_t*>(FrameBuffer);
  for (int i = 0; i < screen_pixels * 4; i += 16) {
    Bytes v;
    std::memcpy(&v, p + i, sizeof v);
    Bytes r;
    if (fade_mode == 1) {
      r = v + c;
      r |= (Bytes)(r < v);
    } else {
      r = v - c;
      r &= (Bytes)(r <= v);
    }
    std::memcpy(p + i, &r, sizeof r);
  }
}

void pump_messages() {
  while (platform_peek_message()) {
    if (platform_get_message(&shell_msg)) {
      platform_dispatch_message(shell_msg);
    } else {
      quit_flag = 1;
    }
  }
}

// The 640x400 picture area: column 80 of line 100; every other display line is written.
void scale_normal(uint8_t* dest, int32_t pitch) {
  const uint32_t* src = FrameBuffer;
  for (int y = 0; y < screen_height; ++y, dest += 2 * pitch, src += screen_width) {
    if (display_bpp == 32) {
      auto* d = reinterpret_cast<uint32_t*>(dest);
      for (int x = 0; x < screen_width; ++x) d[2 * x] = d[2 * x + 1] = src[x];
    } else {
      uint8_t* d = dest;
      for (int x = 0; x < screen_width; ++x, d += 6) {
        uint32_t p = src[x];
        d[0] = d[3] = uint8_t(p);
        d[1] = d[4] = uint8_t(p >> 8);
        d[2] = d[5] = uint8_t(p >> 16);
      }
    }
  }
}

// 80x50 halftone cells, each chosen by the luminance of its cell's top-left pixel.
void scale_mosaic(uint8_t* dest, int32_t pitch) {
  int bytes = display_bpp / 8;
  for (int cy = 0; cy < 50; ++cy) {
    for (int cx = 0; cx < 80; ++cx) {
      uint32_t p = FrameBuffer[4 * cy * screen_width + 4 * cx];
      int level = (luma_red[(p >> 16) & 0xFF] + luma_green[(p >> 8) & 0xFF] + luma_blue[p & 0xFF]) >> 4;
      uint8_t* cell = dest + cy * 8 * pitch + cx * 8 * bytes;
      for (int r = 0; r < 4; ++r) {
        uint8_t* d = cell + r * 2 * pitch;
        const uint32_t* pattern = mosaic_patterns + r * 64 + level * 4;
        for (int c = 0; c < 8; ++c, d += bytes) {
          uint32_t v = pattern[c >> 1];
          if (bytes == 4) {
            std::memcpy(d, &v, 4);
          } else {
            d[0] = d[1] = d[2] = uint8_t(v);
          }
        }
      }
    }
  }
}

// Locks the primary surface; a lost one is restored and the frame dropped.
bool lock_surface() {
  last_result = platform_surface_lock(&surface_desc);
  if (last_result == dderr_surfacelost) platform_surface_restore();
  return last_result == dd_ok;
}

}  // namespace

void present_frame(uint8_t blend, uint8_t fade_mode) {
  if (present_skip == 1) return;
  if (blend == 1 && blend_enabled == 1) blend_frames();
  if (fade_mode == 1 || fade_mode == 2) fade_frame(fade_mode);
  pump_messages();
  if (!lock_surface()) return;
  uint8_t* dest = surface_desc.pixels + 100 * surface_desc.pitch + 80 * (display_bpp / 8);
  if (mosaic_mode == 0) {
    scale_normal(dest, surface_desc.pitch);
  } else {
    scale_mosaic(dest, surface_desc.pitch);
  }
  platform_surface_unlock(true);
}

void clear_screen() {
  if (lock_surface()) std::memset(surface_desc.pixels, 0, size_t(surface_desc.pitch) * 600);
  platform_surface_unlock(false);
}

void clear_buffers(uint32_t colour) {
  std::fill_n(FrameBuffer, screen_pixels, colour);
  clear_zbuffer();
}

void clear_zbuffer() { std::fill_n(ZBuffer, screen_pixels, zbuffer_far); }

void fill_prev_frame(uint32_t colour) { std::fill_n(prev_frame, screen_pixels, colour); }

void set_row_table(uint32_t* buffer) {
  for (int y = 0; y < screen_height; ++y) row_table[y] = buffer + y * screen_width;
}
