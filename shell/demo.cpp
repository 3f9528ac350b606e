#include "shell/demo.h"

#include <cstring>

#include "data/modules.h"
#include "render3d/effects.h"
#include "render3d/pipeline.h"
#include "scenes/particle_zoom.h"
#include "scenes/scenes.h"
#include "shell/present.h"
#include "shell/timer.h"
#include "shell/window.h"
#include "synth/patcher.h"
#include "textures/tables.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

uint8_t mmx_present = 0;
uint8_t display_bpp = 0;
int32_t music_volume = 75;
uint32_t music_handle = 0;
int32_t last_result = 0;
SurfaceDesc surface_desc = {};
PlatformMessage shell_msg = {};
int32_t start_half = 0;
int32_t start_position = 0;
const char* scene_playing = nullptr;

namespace {

// The pixel code is portable; only an x86 processor is asked whether it has MMX.
bool processor_has_mmx() {
#if defined(__x86_64__) || defined(__i386__)
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
  return (edx >> 23) & 1;
#else
  return true;
#endif
}

bool set_up_display() {
  if ((last_result = platform_display_create()) != dd_ok) return false;
  if ((last_result = platform_display_set_cooperative()) != dd_ok) return false;
  last_result = platform_display_set_mode(800, 600, 24);
  display_bpp = 24;
  if (last_result != dd_ok) {
    last_result = platform_display_set_mode(800, 600, 32);
    if (last_result != dd_ok) return false;
    display_bpp = 32;
  }
  if ((last_result = platform_display_create_surface()) != dd_ok) return false;
  return (last_result = platform_display_get_desc(&surface_desc)) == dd_ok;
}

// Loads a module and plays it from order * 256 + row = position.
void start_module(uint8_t* image, uint32_t size, int32_t position) {
  platform_music_init();
  platform_music_set_volume(music_volume);
  music_handle = platform_music_load(image, size);
  if (position != 0) platform_music_set_position(music_handle, position >> 8, position & 255);
  platform_music_start();
  platform_music_play(music_handle);
}

// A scene's place in its half: from where the song has to be, with which near plane, and
// what the shell changes just before and after it.
struct TimelineEntry {
  const char* name;
  int32_t position;
  int32_t z_limit;
  void (*before)();
  void (*run)();
  void (*after)();
};

const TimelineEntry first_half_timeline[] = {
    {"particle_zoom", 0, 0, [] { set_row_table(trail_canvas); }, particle_zoom_run,
     [] { set_row_table(FrameBuffer); }},
    {"card_flight", 568, 20, nullptr, card_flight_run, [] { screen_centre[0] = 160; }},
    {"credits_tunnel", 768, 50, nullptr, credits_tunnel_run, [] { render_first_face = 0; }},
    {"tentacles", 2304, 50, nullptr, tentacles_run, nullptr},
    {"chain", 2912, 50, nullptr, chain_run, nullptr},
    {"tree", 3440, 150, nullptr, tree_run, nullptr},
};

const TimelineEntry second_half_timeline[] = {
    {"towers", 0, 50, nullptr, towers_run, nullptr},
    {"fan_tunnel", 1024, 50, nullptr, fan_tunnel_run, nullptr},
    {"gears", 1917, 70, nullptr, gears_run, nullptr},
    {"balls", 2816, 80, nullptr, balls_run, nullptr},
    {"hall_scene", 3424, 60, nullptr, hall_scene_run, nullptr},
    {"tube_scene", 4096, 50, nullptr, tube_scene_run, nullptr},
    {"polar_scene", 4472, 50, nullptr, polar_scene_run, nullptr},
    {"final_scene", 5120, 50, nullptr, final_scene_run, nullptr},
};

// Plays a half's scenes in order. With a start position in this half, the scenes that end
// before it are left out and the one playing there starts from its beginning.
template <size_t n>
void play_half(const TimelineEntry (&timeline)[n], int32_t half) {
  const int32_t from = start_half == half ? start_position : 0;
  for (size_t k = 0; k < n; ++k) {
    if (k + 1 < n && timeline[k + 1].position <= from) continue;
    if (timeline[k].before) timeline[k].before();
    wait_for_position(timeline[k].position, timeline[k].z_limit);
    scene_playing = timeline[k].name;
    timeline[k].run();
    if (timeline[k].after) timeline[k].after();
  }
}

void part_switch() {
  platform_music_free();
  scene_playing = "intermission";
  intermission_run();
  // The first blended frame of the second half mixes with the title's last picture.
  std::memcpy(prev_frame, FrameBuffer, screen_pixels * sizeof(uint32_t));
  if (quit_flag == 0) {
    for (int i = 0; i < 150; ++i) wait_vblank();
  }
  if (quit_flag == 0) start_module(module_two, module_two_size, 0);
}

}  // namespace

int demo_main() {
  platform_window_create(window_proc);
  if (!processor_has_mmx()) {
    platform_message_box("MMX Not Found !");
    platform_window_destroy();
    return 1;
  }
  mmx_present = 1;
  if (!set_up_display()) {
    fatal_display_error();
    return 1;
  }
  clear_screen();
  platform_hide_cursor();
  build_colour_tables();
  precalc_all();
  clear_screen();  // removes the last count
  if (start_half == 2) {
    start_module(module_two, module_two_size, start_position);
  } else {
    start_module(module_one, module_one_size, start_half == 1 ? start_position : 0);
    play_half(first_half_timeline, 1);
    part_switch();
  }
  play_half(second_half_timeline, 2);
  end_fade();
  // The pump's last message is WM_QUIT only if the window was closed; any other message
  // left behind is not an exit code.
  return shell_msg.message == wm_quit ? int(shell_msg.wparam) : 0;
}

void precalc_all() {
  // The order matters: the random generator and the synthesizer's modulation buffer carry
  // their state from step to step, and the loading count falls with each asset.
  patch_module_samples(module1_sample_offsets, module_one, module1_patches, module1_patch_count);
  patch_module_samples(module2_sample_offsets, module_two, module2_patches, module2_patch_count);
  build_glow_texture();
  build_texture_tables();
  set_row_table(FrameBuffer);
  build_shared_sphere_mesh();
  card_flight_init();
  build_dissolve_mask();
  title_images_init();
  polar_scene_init();
  particle_zoom_init();
  hall_scene_init();
  credits_tunnel_init();
  tree_init();
  tentacles_init();
  chain_init();
  towers_init();
  fan_tunnel_init();
  gears_init();
  balls_init();
  tube_scene_init();
  final_scene_init();
  // Pre-roll: the tentacle scene's sparks are already flying when it is first shown.
  present_skip = 1;
  for (int i = 0; i < 30; ++i) tentacles_run();
  present_skip = 0;
  clear_buffers(0);
  fill_prev_frame(0);
  timer_enabled = 1;
}

int32_t read_music_position() {
  uint32_t r = platform_music_position(music_handle);
  return int32_t((r & 0xFF) << 8 | (r >> 16 & 0xFF));
}

void wait_for_position(int32_t position, int32_t z_limit) {
  near_z_limit = z_limit;
  for (;;) {
    uint32_t r = platform_music_position_waiting(music_handle);
    if (int32_t((r & 0xFF) << 8 | (r >> 16 & 0xFF)) >= position) return;
  }
}

int32_t wait_vblank() { return platform_wait_vblank(); }

// White to black in 52 frames: 0xFFFFFF is exactly 51 steps of 0x050505.
void end_fade() {
  if (quit_flag == 0) platform_music_free();
  fade_colour = 0xFFFFFF;
  if (quit_flag == 1) return;
  do {
    clear_buffers(0);
    wait_vblank();
    present_frame(0, 1);
    fade_colour = fade_colour - 0x050505;
  } while (fade_colour >= 0 && quit_flag != 1);
}
