#include "scenes/scenes.h"

void balls_init() {}
void balls_run() { scene_placeholder(3424); }
