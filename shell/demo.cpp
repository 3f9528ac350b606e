#include "shell/demo.h"

uint8_t mmx_present = 0;
uint8_t display_bpp = 0;
int32_t music_volume = 75;

int demo_main() { return 0; }
void precalc_all() {}
int32_t read_music_position() { return 65535; }
void wait_for_position(int32_t, int32_t) {}
int32_t wait_vblank() { return 0; }
