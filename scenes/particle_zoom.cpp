#include "scenes/scenes.h"

void particle_zoom_init() {}
void particle_zoom_run() { scene_placeholder(568); }
