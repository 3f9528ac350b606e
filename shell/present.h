// The frame presenter and the buffers every scene draws into.
#pragma once
#include <cstdint>

constexpr int screen_width = 320;
constexpr int screen_height = 200;
constexpr int screen_pixels = screen_width * screen_height;
constexpr int screen_row_bytes = screen_width * 4;

// FrameBuffer, ZBuffer and prev_frame lie back to back: the depth of the pixel at
// address a is at a + 256000 bytes, the previous picture at a + 512000 bytes.
// Drawers rely on these fixed distances.
alignas(64) extern uint32_t screen_memory[3 * screen_pixels];
inline uint32_t* const FrameBuffer = screen_memory;
inline int32_t* const ZBuffer = reinterpret_cast<int32_t*>(screen_memory + screen_pixels);
inline uint32_t* const prev_frame = screen_memory + 2 * screen_pixels;
constexpr int depth_distance = screen_pixels;  // in pixels, from a pixel to its depth
constexpr int32_t zbuffer_far = INT32_MIN;

// Row y of the buffer that the 2D and 3D drawers currently draw into.
extern uint32_t* row_table[screen_height];

extern uint8_t present_skip;   // 1: present_frame returns at once
extern uint8_t blend_enabled;  // key 'M'
extern uint8_t mosaic_mode;    // key 'Z'
extern int32_t fade_colour;    // 0x00RRGGBB, added (mode 1) or subtracted (mode 2)

extern uint8_t luma_red[256];
extern uint8_t luma_green[256];
extern uint8_t luma_blue[256];
extern uint8_t dither_patterns[256];   // row * 64 + level * 4 + column, 0x00 or 0xFF
extern uint32_t mosaic_patterns[256];  // dither_patterns widened to whole pixels

void build_colour_tables();
void present_frame(uint8_t blend, uint8_t fade_mode);
void clear_screen();
void clear_buffers(uint32_t colour);
void clear_zbuffer();
void fill_prev_frame(uint32_t colour);
void set_row_table(uint32_t* buffer);
