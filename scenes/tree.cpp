#include "scenes/scenes.h"

void tree_init() {}
void tree_run() { scene_placeholder(4154, 512); }
