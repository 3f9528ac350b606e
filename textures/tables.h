// Tables and shared textures built once at start-up: the light and blob tables of the texture
// generator, the grey glow sprite and the dissolve mask.
#pragma once
#include <cstdint>

extern uint8_t light_table[256][256];  // [l][v]: row 128 identity, below darkens, above brightens
extern uint8_t blob_table[256][256];   // radial glow, 255 at [128][128]
extern uint32_t glow_texture[65536];   // 256 x 256, B = G = R = glow, X = 0
extern uint8_t streak_table[256];      // 1..255, the glow's random streak profile
extern uint32_t dissolve_mask[64000];  // 320 x 200 two-layer plasma

void build_light_table();
// texgen_set_size(256, 256), light_table, then blob_table. Leaves the size at 256 x 256.
void build_texture_tables();
// Continues demo_rand from the state the sample synthesis leaves; run it right after.
void build_glow_texture();
// texgen_set_size(320, 200) and one generated texture (one loading step).
void build_dissolve_mask();
