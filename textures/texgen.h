// The texture generator: an interpreter for texture scripts and the drawing operations
// behind its commands. Everything here runs at start-up on static layers.
//
// A script is a list of signed 16-bit words: word 0 seeds demo_rand, then commands follow,
// each an opcode and a fixed number of operands (texture_operand_counts); opcode 0 ends it.
// Pixels are 32-bit words with bytes B, G, R, X, rows packed without gaps.
#pragma once
#include <cstdint>

constexpr int32_t texture_max_pixels = 65536;  // 256 x 256, or 320 x 200

enum TextureOpcode : int16_t {
  tex_end = 0,
  tex_plasma = 1,        // seed, roughness, max, mode
  tex_blobs = 2,         // count, size_range, size_min, red_floor, green_floor, blue_floor, mode
  tex_blur = 3,          // passes
  tex_mirror = 4,        // x0, y0
  tex_tiles = 5,         // cell_w, cell_h, red_range, green_range, blue_range, mode
  tex_walks = 6,         // count, steps_range, spread, blue_shift, green_shift, red_shift, mode
  tex_scale = 7,         // red_percent, green_percent, blue_percent
  tex_invert = 8,        //
  tex_warp = 9,          // a1, f1, a2, f2, a3, a4
  tex_light = 10,        // cx, cy, radius
  tex_clear = 11,        //
  tex_save = 12,         //
  tex_merge_saved = 13,  // mode
  tex_emboss = 14,       // bias
  tex_displace = 15,     // amp_x, period_x, amp_y, period_y
  tex_hsv = 16,          // hue, saturation, value
};
constexpr int32_t texture_opcode_count = 17;
extern const uint8_t texture_operand_counts[texture_opcode_count];

// Layer combine modes (combine_layer, merge_saved and the generating commands).
enum CombineMode : int32_t {
  combine_average = 0,
  combine_add = 1,
  combine_subtract = 2,  // layer minus texture, at least 0
  combine_xor = 3,
  combine_and = 4,
  combine_or = 5,
  combine_multiply = 6,
  combine_lookup = 7,  // light_table[layer][texture]
  combine_max = 8,
  combine_min = 9,
  combine_copy = 10,  // and every other value
};

// Generator state, shared by all calls.
extern int32_t texture_width;
extern int32_t texture_height;
extern int32_t texture_stride;  // bytes per row, width x 4
extern int32_t texture_pixels;  // width x height
extern uint32_t* texture_out;   // the caller's buffer during generate_texture
extern uint32_t work_layer[texture_max_pixels];
extern uint32_t saved_layer[texture_max_pixels];
extern int32_t plasma_roughness;
extern int32_t plasma_max;
extern uint8_t displace_table_x[256];
extern uint8_t displace_table_y[256];

// Sets the size of the textures that later generate_texture calls make (at most 65536 pixels).
void texgen_set_size(int32_t width, int32_t height);

// Runs one script into output (texture_pixels pixels) and advances the loading display once.
// demo_rand keeps the state of the script's last draw.
void generate_texture(const int16_t* script, uint32_t* output);

// Number of words of a well-formed script (seed through its end word), or -1 when it holds an
// unknown opcode or runs past max_words without an end.
int32_t texture_script_length(const int16_t* script, int32_t max_words);

// Drawing operations on the generator state.
void clear_work_layer();
void combine_layer(int32_t mode, const uint32_t* layer);  // layer into texture_out
void put_grey(int32_t x, int32_t y, int32_t v);           // B = G = R = low byte of v
int32_t get_grey(int32_t x, int32_t y);                   // B, or 0 outside
void plasma_fill(int32_t x0, int32_t y0, int32_t x1, int32_t y1);
void plasma_edge_point(int32_t xa, int32_t ya, int32_t xm, int32_t ym, int32_t xb, int32_t yb);
void draw_blob(int32_t x, int32_t y, int16_t size, uint8_t red_sub, uint8_t green_sub, uint8_t blue_sub);
void add_span(int32_t x, int32_t y, uint8_t blue, uint8_t green, uint8_t red, int32_t n);
void random_walk(int32_t x, int32_t y, int32_t steps, int32_t spread, uint8_t blue, uint8_t green,
                 uint8_t red, int32_t n);
void blur_texture(int32_t passes);

// The commands on texture_out (operands as in the script).
void texture_plasma(int32_t seed, int32_t roughness, int32_t max, int32_t mode);
void texture_blobs(int32_t count, int32_t size_range, int32_t size_min, int32_t red_floor,
                   int32_t green_floor, int32_t blue_floor, int32_t mode);
void texture_mirror(int32_t x0, int32_t y0);
void texture_tiles(int32_t cell_w, int32_t cell_h, int32_t red_range, int32_t green_range, int32_t blue_range,
                   int32_t mode);
void texture_walks(int32_t count, int32_t steps_range, int32_t spread, int32_t blue_shift,
                   int32_t green_shift, int32_t red_shift, int32_t mode);
void texture_scale(int32_t red_percent, int32_t green_percent, int32_t blue_percent);
void texture_invert();
void texture_warp(int32_t a1, int32_t f1, int32_t a2, int32_t f2, int32_t a3, int32_t a4);
void texture_light(int32_t cx, int32_t cy, int32_t radius);
void texture_clear();
void texture_save();
void texture_emboss(int32_t bias);
void texture_displace(int32_t amp_x, int32_t period_x, int32_t amp_y, int32_t period_y);
void texture_hsv(int32_t hue, int32_t saturation, int32_t value);
