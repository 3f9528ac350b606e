// Triangle fillers for fill_triangle and the scaled sprite. All draw through row_table
// and depth-test against the depth buffer 64000 pixels after each drawn pixel
// (a pixel passes when its depth is >= the stored one).
#pragma once
#include <cstdint>

// Sub-mode 0: opaque texel; 1: texel blended towards the background by shade; 2: additive
// (depth not written); other values draw nothing. Texel = texture[u * 256 + v].
void fill_textured(const uint32_t* texture, uint32_t sub_mode);
// Saturating sum of texture[v * 256 + u] and env_texture[env_v * 256 + env_u].
void fill_env_mapped(const uint32_t* texture, const uint32_t* env_texture);
// texture[v * 256 + u] times the interpolated red, green, blue / 128, saturated.
void fill_colour_modulated(const uint32_t* texture);
// Sub-mode 0: flat colour; other values: colour blended towards the background by shade
// (depth not written).
void fill_flat(uint32_t colour, uint32_t sub_mode);
// Square sprite of size pixels centred on (x, y), whole texture stretched over it:
// saturating (texel - subtract) added to the background. Depth not written.
void draw_sprite(int32_t x, int32_t y, int32_t z, int16_t size, uint32_t subtract, const uint32_t* texture);
