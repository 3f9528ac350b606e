#include "scenes/scenes.h"

void tentacles_init() {}
void tentacles_run() { scene_placeholder(2912); }
