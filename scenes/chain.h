// Swinging chain: twelve oval links swinging and twisting above a rocking floor, lit by an
// environment glow, with a displaced echo of the picture far behind everything.
#pragma once
#include <cstdint>

#include "render3d/objects.h"

// One mesh: the floor grid (vertices 0..120, faces 0..199), then the chain (vertices
// 121..1548, 119 per link; faces 200..2503).
constexpr int32_t floor_vertex_count = 121;
constexpr int32_t floor_face_count = 200;
constexpr int32_t chain_vertex_count = 1549;
constexpr int32_t chain_face_count = 2504;
constexpr int32_t chain_link_count = 12;
constexpr int32_t chain_link_vertices = 119;  // 7 rings of 17 points

extern Vec3i chain_vertices[chain_vertex_count];   // live mesh
extern Vec3i chain_model[chain_vertex_count];      // the links at rest (chain indices only)
extern Vec3i chain_texcoords[chain_vertex_count];  // fixed for the floor, rotated normals for the chain
extern Face chain_faces[chain_face_count];
extern FaceAttr chain_attributes[chain_face_count];
extern FaceAttr chain_echo_attributes[chain_face_count];  // all (0, 0): opaque, single-sided
extern FaceTexture chain_textures[chain_face_count];
extern Vec3i chain_echo[chain_vertex_count];  // the echo's screen positions, at depth -5000
extern uint32_t chain_floor_texture[256 * 256];
extern uint32_t chain_glow_texture[256 * 256];

struct ChainLink {
  float yaw;     // 0 or a quarter turn, alternating
  float offset;  // position along y
};
extern const ChainLink link_table[chain_link_count];

// Floor vertices and texture coordinates, and the chain's rest model.
void build_chain_and_floor();
// Swings and twists every link from chain_model into chain_vertices at effect_time.
void animate_chain();
// Entry steps of the run: keeps the previous picture for the cross-fade, re-arms the
// dissolve, starts the timer.
void chain_enter();
// One frame after timer_update and the position read: everything from the animation to
// present_frame. Returns true when the scene should leave (position past 3439 or quit_flag).
bool chain_frame(int32_t position);
