// The credits of the tunnel scene: an 8x8 font and the lines it spells in block letters.
#pragma once
#include <cstdint>

// 96 glyphs for the codes 32..127 (127 is a circled C), 8 bytes each: row 0 first, bit 7 the
// leftmost pixel. The glyph of code c starts at (c - 32) * 8.
constexpr int32_t font8x8_first_code = 32;
constexpr int32_t font8x8_bytes = 96 * 8;
extern const uint8_t font8x8[font8x8_bytes];

// All lines run together; credits_line_lengths splits them and ends with a 0.
constexpr int32_t credits_text_length = 43;
constexpr int32_t credits_line_count = 6;
extern const char credits_text[credits_text_length + 1];
extern const uint8_t credits_line_lengths[credits_line_count + 1];
