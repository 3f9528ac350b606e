#include "scenes/particle_zoom.h"

#include <cmath>
#include <cstring>

#include "render3d/effects.h"
#include "render3d/fillers.h"
#include "scenes/scenes.h"
#include "shell/demo.h"
#include "shell/random.h"
#include "shell/timer.h"
#include "shell/window.h"
#include "textures/tables.h"

alignas(64) uint32_t trail_canvas[2 * screen_pixels];
int32_t zoom_map[screen_pixels];
int32_t particle_x[particle_count];
int32_t particle_y[particle_count];
int32_t particle_base_phase[particle_count];
int32_t particle_phase[particle_count];
uint8_t trail_fade = 255;

namespace {

constexpr double zoom_shrink = 0.8695652173913043;  // 20/23
constexpr int32_t particle_zoom_end = 567;

// A word read at any byte address, each byte divided by 4 so four of them add without carry.
inline uint32_t quarter_at(const uint8_t* address) {
  uint32_t word;
  std::memcpy(&word, address, 4);
  return (word >> 2) & 0x3F3F3F3Fu;
}

// Zoom the canvas into the FrameBuffer and smear it over four neighbours. The offsets -6 and
// +1281 straddle two pixels on purpose: their bytes land in other channels, so the trails'
// hue drifts a little more each time they are zoomed again.
void zoom_and_smear() {
  const uint8_t* canvas = reinterpret_cast<const uint8_t*>(trail_canvas);
  uint32_t* out = FrameBuffer + screen_pixels - 1;
  for (int k = 0; k < screen_pixels; ++k) {
    const uint8_t* a = canvas + zoom_map[k];
    out[-k] = quarter_at(a - 6) + quarter_at(a + 4) + quarter_at(a + 1281) + quarter_at(a - 1284);
  }
}

void draw_particles() {
  for (int i = 0; i < particle_count; ++i) {
    double angle = particle_phase[i] * 3.141592653589793 * 0.011111111111111112;
    int32_t x = static_cast<int32_t>(particle_x[i] + 12.0 * std::sin(angle));
    int32_t y = static_cast<int32_t>(particle_y[i] + 12.0 * std::cos(angle));
    draw_sprite(x, y, 30, 23, 0x00502000, glow_texture);
  }
}

// Saturating subtract of fade from every byte of the canvas (the compiler packs it).
void fade_canvas(uint8_t fade) {
  uint8_t* bytes = reinterpret_cast<uint8_t*>(trail_canvas);
  for (int i = 0; i < screen_pixels * 4; ++i) {
    uint8_t v = bytes[i];
    bytes[i] = v > fade ? static_cast<uint8_t>(v - fade) : 0;
  }
}

}  // namespace

void particle_zoom_init() {
  for (int r = 0; r < screen_height; ++r)
    for (int c = 0; c < screen_width; ++c) {
      int32_t x = static_cast<int32_t>((160 - c) * zoom_shrink) + 160;
      int32_t y = static_cast<int32_t>((100 - r) * zoom_shrink) + 100;
      zoom_map[r * screen_width + c] = x * 4 + y * screen_row_bytes;
    }

  // Every particle starts at (0, 0), outside the disc, so each draws at least one position.
  demo_srand(50000);
  for (int i = 0; i < particle_count; ++i) {
    particle_x[i] = 0;
    particle_y[i] = 0;
    while (std::sqrt(double((particle_x[i] - 159) * (particle_x[i] - 159) +
                            (particle_y[i] - 101) * (particle_y[i] - 101))) > 45.0) {
      particle_x[i] = demo_rand() % 320;
      particle_y[i] = demo_rand() % 200;
    }
    particle_base_phase[i] = demo_rand() % 360;
  }
}

bool particle_zoom_frame(int32_t position) {
  for (int i = 0; i < particle_count; ++i)
    particle_phase[i] = static_cast<int32_t>(particle_base_phase[i] + double(scene_time) * 0.9);

  uint8_t fade = trail_fade;
  if (trail_fade > 32) trail_fade -= 2;

  zoom_and_smear();
  std::memcpy(trail_canvas, FrameBuffer, screen_pixels * 4);
  draw_particles();
  fade_canvas(fade);
  blur_frame(1, FrameBuffer);
  present_frame(1, 0);
  return position > particle_zoom_end || quit_flag == 1;
}

void particle_zoom_enter() {
  clear_buffers(0);
  fill_prev_frame(0);
  trail_fade = 255;
  timer_start();
}

void particle_zoom_run() {
  particle_zoom_enter();
  if (quit_flag == 1) return;
  for (;;) {
    timer_update();
    if (particle_zoom_frame(read_music_position())) return;
  }
}
