// The fourteen scenes and the intermission: a set-up run once by precalc_all and a run
// function called by the timeline. Neither takes arguments or returns anything.
#pragma once
#include <cstdint>

// First half.
void particle_zoom_init();
void particle_zoom_run();
void card_flight_init();
void card_flight_run();
void credits_tunnel_init();
void credits_tunnel_run();
void tentacles_init();
void tentacles_run();
void chain_init();
void chain_run();
void tree_init();
void tree_run();

// Intermission.
void title_images_init();
void intermission_run();

// Second half.
void towers_init();
void towers_run();
void fan_tunnel_init();
void fan_tunnel_run();
void gears_init();
void gears_run();
void balls_init();
void balls_run();
void hall_scene_init();
void hall_scene_run();
void tube_scene_init();
void tube_scene_run();
void polar_scene_init();
void polar_scene_run();
void final_scene_init();
void final_scene_run();
