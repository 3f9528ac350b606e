#include "scenes/scenes.h"

void chain_init() {}
void chain_run() { scene_placeholder(3440); }
