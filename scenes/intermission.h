// The title picture between the halves: a generated backdrop with the logo on top, the logo
// textured inside its shape and softly glowing. The second half's first scene draws it again.
#pragma once
#include <cstdint>

#include "data/logo.h"

constexpr int32_t title_logo_width = 3 * logo_width;    // 624
constexpr int32_t title_logo_height = 3 * logo_height;  // 246
constexpr int32_t title_logo_x = 56;                    // where draw_title_logo puts it
constexpr int32_t title_logo_y = 59;

extern uint8_t title_variant;  // which backdrop_variants seeded the backdrop (0..3)
extern uint32_t logo_texture[logo_pixels];
extern uint32_t logo_mask[logo_pixels];  // the expanded bitmap, then the masked logo
extern uint32_t title_logo[title_logo_width * title_logo_height];
extern uint32_t title_backdrop[320 * 200];
// Eight equal bytes subtracted from the backdrop by draw_title_backdrop; 0 unless the second
// half's first scene darkens it.
extern uint64_t title_dim;

// Makes every image above. The backdrop's seed follows the second of the wall clock.
void title_images_init();
// One 32-bit pixel per bit, most significant bit first: all ones for a 1, 0 for a 0.
void expand_bitmap(const uint8_t* bits, uint32_t* out, int32_t byte_count);
// passes times, in place, row-major: each pixel from x = 1 on becomes the sum of its four
// neighbours' quarters. Column 0 stays; the last column's right neighbour is the next row's
// first pixel; outside the image is black.
void soften_image(uint32_t* image, int32_t width, int32_t height, int32_t passes);
// FrameBuffer = title_backdrop minus title_dim per byte, saturating at 0.
void draw_title_backdrop();
// Adds the logo (minus colour per byte, saturating) onto the FrameBuffer at (56, 59).
void draw_title_logo(uint32_t colour);
