#include "scenes/scenes.h"

void fan_tunnel_init() {}
void fan_tunnel_run() { scene_placeholder(1918); }
