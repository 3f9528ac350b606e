#include "scenes/scenes.h"

void towers_init() {}
void towers_run() { scene_placeholder(896); }
