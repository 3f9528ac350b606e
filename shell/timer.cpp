#include "shell/timer.h"

#include <bit>

#include "platform/platform.h"

uint8_t timer_enabled = 0;
long double timer_start_ticks = 0;
float scene_time = 0;
float effect_time = 0;

namespace {
const double tick_scale = 1194.63;
const float unit_factor = std::bit_cast<float>(0x35610006u);  // about 3600 / 2^32
const float timer_rate = 45.0f;
}  // namespace

long double timer_ticks() { return static_cast<long double>(platform_tick_count()) * tick_scale; }

void timer_start() { timer_start_ticks = timer_enabled == 1 ? timer_ticks() : 0; }

void timer_update() {
  if (timer_enabled == 1) {
    scene_time = static_cast<float>((timer_ticks() - timer_start_ticks) * unit_factor * timer_rate);
  } else {
    scene_time = 0;
  }
}
