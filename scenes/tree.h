// Twisting tree of horns: a textured trunk carrying six levels of four white horns, every
// ring and level turned by its own swinging, growing angle, so the whole tree wrings itself
// while it spins. Fades in from black and out to black.
#pragma once
#include <cstdint>

#include "render3d/objects.h"

constexpr int32_t tree_vertex_capacity = 8000;
constexpr int32_t tree_face_capacity = 6000;
constexpr int32_t tree_levels = 6;      // of horns
constexpr int32_t tree_directions = 4;  // horns per level, a quarter turn apart
constexpr int32_t tree_rings = 7;       // of the trunk
constexpr int32_t tree_points = 17;     // around every ring, disc and horn ring; the last repeats the first

// One mesh in three blocks: trunk (7 rings), discs (24 layers of 17 x 2) closing the horns'
// narrow ends, horns (24 layers of 17 x 4).
extern Vec3i tree_vertices[tree_vertex_capacity];
extern Vec3i tree_texcoords[tree_vertex_capacity];  // the trunk's only
extern Face tree_faces[tree_face_capacity];
extern FaceAttr tree_face_attrs[tree_face_capacity];
extern FaceTexture tree_face_textures[tree_face_capacity];
extern uint32_t tree_texture[256 * 256];
extern int32_t tree_vertex_count;  // 2567 once built
extern int32_t tree_face_count;    // 3264 after tree_init
extern int32_t tree_trunk_end;     // 119: first disc vertex
extern int32_t tree_disc_end;      // 935: first horn vertex

// Yaw of trunk ring or horn level n at effect_time t, 256 units to the turn.
float twist_angle(int32_t n, float t);
// All vertices (and the horns' shades in vertex_shade) at effect_time.
void build_tree();
// Entry steps of the run: the fade ramp armed at full black, the timer started.
void tree_enter();
// One frame after timer_update and the position read: everything up to present_frame.
// Returns true when the scene should leave (position below 512 or past 4153, unpresented,
// or quit_flag after presenting).
bool tree_frame(int32_t position);
