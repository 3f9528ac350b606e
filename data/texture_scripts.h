// Texture scripts of every scene (format in textures/texgen.h), in start-up order:
//   dissolve_mask_script                                             320 x 200
//   logo_script                                                      208 x 82
//   backdrop_script (first word from backdrop_variants)              320 x 200
//   polar_texture_script                                             256 x 256 from here on
//   hall_floor_texture_script, hall_pillar_texture_script,
//   hall_inner_texture_script, hall_outer_texture_script
//   tunnel_tex_a_script, tunnel_tex_b_script, tunnel_tex_c_script, letter_texture_script
//   tree_texture_script
//   tentacle_texture_script, star_sky_texture_script
//   chain_floor_texture_script
//   tower_wall_texture_script, tower_floor_texture_script, blob_texture_script
//   blade_texture_script, band_texture_script, rib_texture_script, wall_texture_script
//   gear_texture_script, room_texture_script
//   ball_texture_script, ball_room_texture_script
//   tube_texture_script, sky_texture_script
//   final_texture_a_script, final_texture_b_script, final_texture_c_script, final_texture_d_script
#pragma once
#include <cstdint>

extern const int16_t dissolve_mask_script[];
extern const int16_t logo_script[];
extern int16_t backdrop_script[46];  // word 0 is replaced at start-up
extern const uint16_t backdrop_variants[4];
extern const int16_t polar_texture_script[];
extern const int16_t hall_floor_texture_script[];
extern const int16_t hall_pillar_texture_script[];
extern const int16_t hall_inner_texture_script[];
extern const int16_t hall_outer_texture_script[];
extern const int16_t tunnel_tex_a_script[];
extern const int16_t tunnel_tex_b_script[];
extern const int16_t tunnel_tex_c_script[];
extern const int16_t letter_texture_script[];
extern const int16_t tree_texture_script[];
extern const int16_t tentacle_texture_script[];
extern const int16_t star_sky_texture_script[];
extern const int16_t chain_floor_texture_script[];
extern const int16_t tower_wall_texture_script[];
extern const int16_t tower_floor_texture_script[];
extern const int16_t blob_texture_script[];
extern const int16_t blade_texture_script[];
extern const int16_t band_texture_script[];
extern const int16_t rib_texture_script[];
extern const int16_t wall_texture_script[];
extern const int16_t gear_texture_script[];
extern const int16_t room_texture_script[];
extern const int16_t ball_texture_script[];
extern const int16_t ball_room_texture_script[];
extern const int16_t tube_texture_script[];
extern const int16_t sky_texture_script[];
extern const int16_t final_texture_a_script[];
extern const int16_t final_texture_b_script[];
extern const int16_t final_texture_c_script[];
extern const int16_t final_texture_d_script[];

// Every script with its texture's name and size, in start-up order (for tools and tests;
// the backdrop entry points at backdrop_script, whatever its first word is at the time).
struct TextureScriptEntry {
  const char* name;
  const int16_t* script;
  int16_t width;
  int16_t height;
};
constexpr int32_t texture_script_count = 33;
extern const TextureScriptEntry texture_script_table[texture_script_count];
