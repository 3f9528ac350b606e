#include "scenes/scenes.h"

void final_scene_init() {}
// The song's last row is 24:125; the wrap back to order 0 ends the scene too.
void final_scene_run() { scene_placeholder(6270, 256); }
