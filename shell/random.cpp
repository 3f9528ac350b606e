#include "shell/random.h"

uint32_t demo_rand_state = 0;

void demo_srand(int32_t seed) { demo_rand_state = static_cast<uint32_t>(seed); }

int32_t demo_rand() {
  demo_rand_state = demo_rand_state * 1103515245u + 12345u;
  return static_cast<int32_t>((demo_rand_state >> 16) & 0x7FFF);
}
