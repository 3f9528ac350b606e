#include "shell/timer.h"

uint8_t timer_enabled = 0;
long double timer_start_ticks = 0;
float scene_time = 0;
float effect_time = 0;

long double timer_ticks() { return 0; }
void timer_start() { timer_start_ticks = 0; }
void timer_update() { scene_time = 0; }
