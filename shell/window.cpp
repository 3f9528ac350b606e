#include "shell/window.h"

#include <algorithm>

#include "platform/platform.h"
#include "shell/demo.h"
#include "shell/present.h"

int32_t quit_flag = 0;

namespace {

void set_volume(int32_t volume) {
  music_volume = std::clamp(volume, 0, 100);
  platform_music_set_volume(music_volume);
}

void key_down(uintptr_t key) {
  switch (key) {
    case vk_escape:
      platform_music_free();
      quit_flag = 1;
      platform_post_message(wm_close, 0, 0);
      break;
    case vk_m:
      blend_enabled ^= 1;
      fill_prev_frame(0);  // the blend restarts from black
      break;
    case vk_z:
      mosaic_mode ^= 1;
      break;
    case vk_add:
      set_volume(music_volume + 5);
      break;
    case vk_subtract:
      set_volume(music_volume - 5);
      break;
    default:
      break;
  }
}

}  // namespace

intptr_t window_proc(uint32_t message, uintptr_t wparam, intptr_t lparam) {
  switch (message) {
    case wm_destroy:
      platform_music_free();
      quit_flag = 1;
      platform_post_quit_message(0);
      break;
    case wm_setcursor:
      platform_hide_cursor();
      return 1;
    case wm_keydown:
      key_down(wparam);
      break;
    default:
      break;
  }
  return platform_def_window_proc(message, wparam, lparam);
}

int fatal_display_error() {
  platform_display_release();
  platform_message_box("DirectDraw Init FAILED");
  platform_window_destroy();
  return 0;
}
