#include "shell/window.h"

int32_t quit_flag = 0;

intptr_t window_proc(uint32_t, uintptr_t, intptr_t) { return 0; }
int fatal_display_error() { return 0; }
