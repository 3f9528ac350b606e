#include "scenes/scenes.h"

void credits_tunnel_init() {}
void credits_tunnel_run() { scene_placeholder(2176); }
