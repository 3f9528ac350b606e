#include "scenes/scenes.h"

void final_scene_init() {}
void final_scene_run() { scene_placeholder(6270); }
