#include "scenes/scenes.h"

void card_flight_init() {}
void card_flight_run() { scene_placeholder(576); }
