// The scene clock: about 45 units per second since the scene's timer_start.
#pragma once
#include <cstdint>

extern uint8_t timer_enabled;
extern long double timer_start_ticks;
extern float scene_time;
extern float effect_time;  // each scene's animation clock, set from scene_time

long double timer_ticks();
void timer_start();
void timer_update();
