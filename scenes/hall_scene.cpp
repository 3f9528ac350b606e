#include "scenes/scenes.h"

void hall_scene_init() {}
void hall_scene_run() { scene_placeholder(3968); }
