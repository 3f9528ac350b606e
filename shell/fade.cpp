#include "shell/fade.h"

#include <algorithm>
#include <cmath>

#include "shell/present.h"
#include "shell/timer.h"

int32_t fade_state = -1;
float fade_start_time = 0;
int32_t fade_base[3] = {0, 0, 0};

void fade_ramp_restart() {
  fade_start_time = scene_time;
  fade_state = 0;
}

void fade_ramp(int32_t rate_red, int32_t rate_green, int32_t rate_blue) {
  if (fade_state == -1) fade_ramp_restart();
  // Whole steps of 3 units since the start, counted by the absolute difference.
  double elapsed = std::trunc(double(scene_time) - double(fade_start_time));
  int64_t n = int64_t(std::min(std::fabs(elapsed), 1e15)) / 3;
  if (n > 8388608) {
    fade_state = 1;
    return;
  }
  if (fade_state != 0) return;
  auto channel = [n](int32_t rate, int32_t base) {
    return int32_t(std::clamp<int64_t>(rate * n + base, 0, 255));
  };
  fade_colour = channel(rate_red, fade_base[0]) << 16 | channel(rate_green, fade_base[1]) << 8 |
                channel(rate_blue, fade_base[2]);
}
