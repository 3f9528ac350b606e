#include "scenes/scenes.h"

void title_images_init() {}
void intermission_run() {}
