// Bending tunnel with counter-rotating fans: an endless ribbed tunnel whose points turn by
// an angle proportional to their depth, so the whole tube curves and sways; two three-bladed
// fans with domed hubs inside ring shrouds spin against each other, first in steps with the
// music, then continuously, reversing at every wrap of the travel. A wavy band rolls in along
// the floor later, and four orange flashes end the scene.
#pragma once
#include <cstdint>

#include "render3d/objects.h"

constexpr int32_t fan_vertex_capacity = 8000;
constexpr int32_t fan_face_capacity = 6000;

// One mesh, rebuilt every frame in five blocks of vertices: the tunnel wall (21 rings of 11
// points), the blades (2 fans x 3 blades x 4 rings x 5 points), the hubs (2 x 5 x 5), the
// shrouds (2 x 5 rings x 11) and the band (21 rows of 8).
constexpr int32_t fan_wall_rings = 21;
constexpr int32_t fan_wall_points = 11;
constexpr int32_t fan_blade_first = 231;
constexpr int32_t fan_hub_first = 351;
constexpr int32_t fan_shroud_first = 401;
constexpr int32_t fan_band_first = 511;
constexpr int32_t fan_frame_vertices = 679;
constexpr int32_t fan_frame_faces = 1048;

extern uint32_t blade_texture[256 * 256];
extern uint32_t band_texture[256 * 256];
extern uint32_t rib_texture[256 * 256];
extern uint32_t wall_texture[256 * 256];

extern Vec3i fan_vertices[fan_vertex_capacity];
extern Vec3i fan_texcoords[fan_vertex_capacity];
extern Face fan_faces[fan_face_capacity];
extern FaceAttr fan_face_attrs[fan_face_capacity];
extern FaceTexture fan_face_textures[fan_face_capacity];
extern int32_t fan_vertex_count;
extern int32_t fan_face_count;
extern int32_t fan_static_faces;  // the wall's 400, made once at set-up
extern int32_t fan_tube_end;      // first vertex after the wall: 231

// Kept from frame to frame and from one entry to the next.
extern float spin_factor;           // 3.84; its sign flips at every wrap of the fans' cycle
extern int32_t band_flip;           // 1 or -1; flips at every wrap of the wall's cycle
extern int32_t band_flip_seen;      // band_flip when the band last moved nearer (0: never)
extern int32_t fan_cycle_prev;      // travel mod 10000 of the previous frame
extern int32_t wall_cycle_prev;     // travel mod 4000 of the previous frame
extern int32_t orange_flash_index;  // flashes fired so far
// How far behind its place the band runs; 20000 on entry, 4000 less per step once it rolls in.
extern int32_t band_lag;

extern const int16_t blade_widths[4];
extern const int16_t blade_angles[3];
extern const uint8_t blade_profile[10];           // while spin_factor > 0
extern const uint8_t blade_profile_reversed[10];  // otherwise
extern const float spin_table[32];                // positions 1120..1151
extern const int32_t flash_positions[4];

// Bends (x, y, z) by the depth-proportional pitch and yaw at effect_time, stores it as
// vertex fan_vertex_count and gives it the depth shade, at least min_shade. The caller
// advances fan_vertex_count and writes the texture coordinates.
void add_swayed_vertex(uint8_t min_shade, int32_t x, int32_t y, int32_t z);
// Fan 0's roll at song position p and effect_time (fan 1 turns by the negated angle).
float fan_spin_angle(int32_t p);
// Everything one frame rebuilds at effect_time and song position p: the travel cycles and
// their reversals, the band's lag, all vertices with texture coordinates and shades, and the
// faces after the wall's.
void build_fan_tunnel(int32_t p);
// Entry steps of the run: the fade ramp armed at black, the timer started, the band back.
void fan_tunnel_enter();
// One frame after timer_update, for song position p: drawn, flashed and presented. Returns
// true when the scene should leave (p past 1917, present_skip or quit_flag).
bool fan_tunnel_frame(int32_t p);
