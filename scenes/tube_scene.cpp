#include "scenes/scenes.h"

void tube_scene_init() {}
void tube_scene_run() { scene_placeholder(4472); }
