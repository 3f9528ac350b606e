#include "scenes/scenes.h"

void polar_scene_init() {}
void polar_scene_run() { scene_placeholder(4992); }
