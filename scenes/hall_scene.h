// Pillar hall: a rippling floor and ceiling fading into the distance, a ring of eight
// pulsing pillars and three wobbling blobs (an environment-mapped shell inside an additive
// one), seen by a swinging camera against a light blue sky. Cross-fades in from the
// previous scene's last picture and dissolves to black at the end.
#pragma once
#include <cstdint>

#include "render3d/objects.h"

constexpr int32_t hall_model_vertex_count = 66;  // the depth-2 sphere, radius 350
constexpr int32_t hall_model_face_count = 128;
constexpr int32_t hall_blob_count = 3;
constexpr int32_t hall_grid_size = 16;    // floor and ceiling, 16 x 16 each
constexpr int32_t hall_pillar_count = 8;  // an eighth of a turn apart
constexpr int32_t hall_pillar_rings = 4;
constexpr int32_t hall_pillar_points = 9;  // the last repeats the first
constexpr int32_t hall_first_pillar_vertex = 2 * hall_grid_size * hall_grid_size;  // 512
constexpr int32_t hall_first_blob_vertex =
    hall_first_pillar_vertex + hall_pillar_count * hall_pillar_rings * hall_pillar_points;  // 800
constexpr int32_t hall_first_outer_vertex =
    hall_first_blob_vertex + hall_blob_count * hall_model_vertex_count;
constexpr int32_t hall_vertex_count = hall_first_blob_vertex + 2 * hall_blob_count * hall_model_vertex_count;
constexpr int32_t hall_first_pillar_face = 900;
constexpr int32_t hall_solid_face_count = 1284;  // floor, ceiling and pillars
constexpr int32_t hall_face_count = hall_solid_face_count + 2 * hall_blob_count * hall_model_face_count;

// Vertices 0..255 floor, 256..511 ceiling, 512..799 pillars (36 each), then the three inner
// shells and the three outer shells, 66 vertices per blob.
extern Vec3i hall_vertices[hall_vertex_count];
extern Vec3i hall_texcoords[hall_vertex_count];
// The blob vertices over 9, so that their normals' cross products stay within 32 bits.
extern Vec3i hall_small_vertices[hall_vertex_count];
extern Face hall_faces[hall_face_count];
extern FaceAttr hall_attributes[hall_face_count];
extern FaceTexture hall_textures[hall_face_count];
extern Vec3i hall_model[hall_model_vertex_count];  // the sphere at rest
extern uint32_t hall_floor_texture[256 * 256];
extern uint32_t hall_pillar_texture[256 * 256];
extern uint32_t hall_inner_texture[256 * 256];
extern uint32_t hall_outer_texture[256 * 256];
extern uint32_t hall_glow[256 * 256];  // the inner shells' environment map

struct BlobParams {
  int32_t phase;
  int32_t unused[2];
  int32_t x, y, z;  // centre
};
extern const BlobParams blob_params[hall_blob_count];

// Depth fog of a floor or ceiling vertex from its view depth: 0 at or in front of the
// viewer, 255 from 11475 units away.
uint8_t hall_fog_shade(int32_t depth);
// All vertices, texture coordinates and the small blob vertices at effect_time.
void build_hall();
// Face arrays, once.
void build_hall_faces();
// Entry steps of the run: keeps the previous picture for the cross-fade, re-arms the
// dissolve, starts the timer.
void hall_scene_enter();
// One frame after timer_update, for song position p: everything up to present_frame.
// Returns true when the run returns (p past 3967 or quit_flag).
bool hall_scene_frame(int32_t p);
