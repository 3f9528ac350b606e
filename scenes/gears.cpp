#include "scenes/scenes.h"

void gears_init() {}
void gears_run() { scene_placeholder(2688); }
