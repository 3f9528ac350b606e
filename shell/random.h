// The one pseudo-random generator of the demo. Textures, particles, noise voices and
// the glow's streaks all depend on its exact sequence and on the order of the draws.
#pragma once
#include <cstdint>

extern uint32_t demo_rand_state;

void demo_srand(int32_t seed);
int32_t demo_rand();  // 0..32767
