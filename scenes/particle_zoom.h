// Opening particle zoom: glows circling in a disc, zoomed outward and smeared every frame
// so that they stream to the edges as trails whose hue drifts.
#pragma once
#include <cstdint>

#include "shell/present.h"

// The scene's own canvas, then a 320x200 depth area that is never written: the timeline
// points row_table at the canvas, so draw_sprite draws here and its depth test (against
// the zeros 256000 bytes on) always passes. Starts black and is never cleared.
alignas(64) extern uint32_t trail_canvas[2 * screen_pixels];

// Byte offsets into trail_canvas; entry k feeds FrameBuffer pixel 63999 - k, which
// enlarges the canvas by 23/20 about (159.5, 99.5).
extern int32_t zoom_map[screen_pixels];

constexpr int particle_count = 250;
extern int32_t particle_x[particle_count];  // orbit centre, inside a disc of radius 45
extern int32_t particle_y[particle_count];
extern int32_t particle_base_phase[particle_count];  // 0..359
extern int32_t particle_phase[particle_count];       // recomputed every frame

// The canvas fade of the next frame: 255 on entry, down by 2 per frame to 31.
extern uint8_t trail_fade;

// Entry steps of the run: black buffers, fade restarted at 255, timer started.
void particle_zoom_enter();
// One frame after timer_update and the position read: zoom, draw, fade, blur, present.
// Returns true when the scene should leave (position past 567 or quit_flag).
bool particle_zoom_frame(int32_t position);
