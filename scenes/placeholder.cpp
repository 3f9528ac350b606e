#include "scenes/scenes.h"
#include "shell/demo.h"
#include "shell/present.h"
#include "shell/timer.h"
#include "shell/window.h"

void scene_placeholder(int32_t end_position, int32_t wrap_below) {
  fill_prev_frame(0);
  timer_start();
  while (!quit_flag) {
    timer_update();
    int32_t p = read_music_position();
    clear_buffers(0);
    present_frame(1, 0);
    if (p >= end_position || p < wrap_below) return;
  }
}
