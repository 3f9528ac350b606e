// Eight-centre polar scene: one plasma texture seen through eight polar coordinate systems
// at once, centred just outside the screen at its corners and the middles of its sides,
// each scrolling at its own speed; the average is lit by a blurred blue-green glow drifting
// behind it. On twelve rows near the end, single frames of the final scene flash in.
#pragma once
#include <cstdint>

constexpr int32_t polar_centre_count = 8;
constexpr int32_t polar_flash_count = 12;
constexpr int32_t backdrop_width = 640;
constexpr int32_t backdrop_height = 400;

extern uint32_t polar_texture[256 * 256];
// Per screen pixel eight words, one per centre: low byte distance, high byte angle.
extern uint16_t polar_map[64000 * polar_centre_count];
extern const int32_t polar_centres[polar_centre_count][2];  // x, y on the screen
extern uint32_t glow_backdrop[backdrop_width * backdrop_height];
extern uint16_t polar_offsets[polar_centre_count];
extern const uint16_t polar_offset_starts[polar_centre_count];
extern const uint16_t polar_offset_steps[polar_centre_count];  // added after every frame
extern const int32_t flash_rows[polar_flash_count];            // rows of order 19
extern uint8_t flash_index;                                    // triggers fired, 0..12
extern uint8_t flash_now;                                      // this frame is a flash

// The map word of centre k for the screen pixel (x, y).
uint16_t polar_map_word(int32_t x, int32_t y, int32_t k);
// The composition of one frame: the backdrop window at (bx, by) times the average of the
// eight lookups, into the FrameBuffer (before the blur).
void compose_polar_frame(int32_t bx, int32_t by);
// Entry steps of the run: black buffers, offsets at their starts, no flashes yet, the timer
// started.
void polar_scene_enter();
// One frame after timer_update and the position read; flash_position is the position read
// again for the flash test (and the flashed frame). Returns true when the scene should
// leave (position past 4991 or quit_flag).
bool polar_scene_frame_at(int32_t position, int32_t flash_position);
// The same, reading the position again itself.
bool polar_scene_frame(int32_t position);
