// The fade ramp: moves fade_colour from a base colour by a rate every 3 units of scene_time.
#pragma once
#include <cstdint>

extern int32_t fade_state;  // -1 armed, 0 running, 1 stopped
extern float fade_start_time;
extern int32_t fade_base[3];  // red, green, blue

void fade_ramp_restart();
void fade_ramp(int32_t rate_red, int32_t rate_green, int32_t rate_blue);
