// Start-up, precalculation and the timeline of both halves.
#pragma once
#include <cstdint>

#include "platform/platform.h"

extern uint8_t mmx_present;
extern uint8_t display_bpp;        // 24 or 32
extern int32_t music_volume;       // 0..100
extern uint32_t music_handle;      // the playing module, for position reads
extern int32_t last_result;        // of the latest display call
extern SurfaceDesc surface_desc;   // filled by every lock of the primary surface
extern PlatformMessage shell_msg;  // the message pump's record

// Where the run starts (--start): after the whole start-up, the module of that half plays
// from order * 256 + row = position and the scene playing there starts from its beginning;
// earlier scenes, the intermission and its pause are left out. Half 0: from the beginning.
extern int32_t start_half;
extern int32_t start_position;
// The timeline's scene (or "intermission") that plays now; nullptr before the first.
extern const char* scene_playing;

// The whole run: 0 when it ends (finished or quit), 1 after a start-up failure.
int demo_main();
void precalc_all();

// order * 256 + row of the music being heard now; 65535 when the player cannot answer.
int32_t read_music_position();
// Stores z_limit in near_z_limit, then returns once the song has reached position.
void wait_for_position(int32_t position, int32_t z_limit);
int32_t wait_vblank();
// The last step of the run: white to black in 52 frames (skipped after a quit).
void end_fade();
