#include "shell/present.h"

#include <algorithm>

alignas(64) uint32_t screen_memory[3 * screen_pixels];
uint32_t* row_table[screen_height];

uint8_t present_skip = 0;
uint8_t blend_enabled = 1;
uint8_t mosaic_mode = 0;
int32_t fade_colour = 0;

uint8_t luma_red[256];
uint8_t luma_green[256];
uint8_t luma_blue[256];
uint8_t dither_patterns[256];
uint32_t mosaic_patterns[256];

void build_colour_tables() {}

void present_frame(uint8_t, uint8_t) {}

void clear_screen() {}

void clear_buffers(uint32_t colour) {
  std::fill_n(FrameBuffer, screen_pixels, colour);
  clear_zbuffer();
}

void clear_zbuffer() { std::fill_n(ZBuffer, screen_pixels, zbuffer_far); }

void fill_prev_frame(uint32_t colour) { std::fill_n(prev_frame, screen_pixels, colour); }

void set_row_table(uint32_t* buffer) {
  for (int y = 0; y < screen_height; ++y) row_table[y] = buffer + y * screen_width;
}
