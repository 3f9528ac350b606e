#include "scenes/intermission.h"

#include <cstring>

#include "data/texture_scripts.h"
#include "platform/platform.h"
#include "render3d/pixel_ops.h"
#include "scenes/scenes.h"
#include "shell/demo.h"
#include "shell/present.h"
#include "shell/window.h"
#include "textures/texgen.h"

uint8_t title_variant = 0;
uint32_t logo_texture[logo_pixels];
uint32_t logo_mask[logo_pixels];
uint32_t title_logo[title_logo_width * title_logo_height];
uint32_t title_backdrop[320 * 200];
uint64_t title_dim = 0;

void expand_bitmap(const uint8_t* bits, uint32_t* out, int32_t byte_count) {
  for (int32_t i = 0; i < byte_count; ++i)
    for (int32_t bit = 7; bit >= 0; --bit) *out++ = (bits[i] >> bit) & 1 ? 0xFFFFFFFFu : 0;
}

void soften_image(uint32_t* image, int32_t width, int32_t height, int32_t passes) {
  // A quarter of each byte, masked so that no bit crosses into the byte below: four such
  // quarters add up to at most 252 and cannot carry.
  auto quarter = [](uint32_t p) { return (p >> 2) & 0x3F3F3F3Fu; };
  const int32_t count = width * height;
  for (int32_t pass = 0; pass < passes; ++pass)
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 1; x < width; ++x) {
        const int32_t i = y * width + x;
        uint32_t sum = quarter(image[i - 1]);
        if (i + 1 < count) sum += quarter(image[i + 1]);
        if (y + 1 < height) sum += quarter(image[i + width]);
        if (y > 0) sum += quarter(image[i - width]);
        image[i] = sum;
      }
}

void title_images_init() {
  title_variant = static_cast<uint8_t>(platform_current_second() % 4);
  backdrop_script[0] = static_cast<int16_t>(backdrop_variants[title_variant]);
  texgen_set_size(logo_width, logo_height);
  generate_texture(logo_script, logo_texture);
  texgen_set_size(320, 200);
  generate_texture(backdrop_script, title_backdrop);

  // The logo's surface inside its shape, black outside...
  expand_bitmap(logo_bitmap.data(), logo_mask, logo_bytes);
  for (int32_t i = 0; i < logo_pixels; ++i)
    if (logo_mask[i] != 0) logo_mask[i] = logo_texture[i];
  // ...enlarged three times, so that softening it leaves a glow about a pixel wide on screen.
  for (int32_t y = 0; y < title_logo_height; ++y)
    for (int32_t x = 0; x < title_logo_width; ++x)
      title_logo[y * title_logo_width + x] = logo_mask[(y / 3) * logo_width + x / 3];
  soften_image(title_logo, title_logo_width, title_logo_height, 3);
}

void draw_title_backdrop() {
  const uint32_t dim = static_cast<uint32_t>(title_dim);
  for (int32_t i = 0; i < screen_pixels; ++i) FrameBuffer[i] = pixel::sub_sat(title_backdrop[i], dim);
}

void draw_title_logo(uint32_t colour) {
  for (int32_t y = 0; y < logo_height; ++y) {
    const uint32_t* source = title_logo + (3 * y + 2) * title_logo_width + 2;
    uint32_t* target = FrameBuffer + (title_logo_y + y) * screen_width + title_logo_x;
    for (int32_t x = 0; x < logo_width; ++x)
      target[x] = pixel::add_sat(target[x], pixel::sub_sat(source[3 * x], colour));
  }
}

void intermission_run() {
  fade_colour = 0xFEFEFE;
  fill_prev_frame(0);
  if (quit_flag == 1) return;
  // 64 frames, one per vertical blank, the subtracted grey falling 254, 250, ..., 2.
  do {
    draw_title_backdrop();
    draw_title_logo(0);
    wait_vblank();
    present_frame(0, 2);
    fade_colour -= 0x040404;
  } while (fade_colour >= 0 && quit_flag != 1);
}
