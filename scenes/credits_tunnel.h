// Tunnel flight with block-letter credits: a two-half elliptic tunnel flown along a
// precomputed path, with one line of 3D block letters sliding through at each cue.
#pragma once
#include <cstdint>

#include "render3d/objects.h"

constexpr int32_t tunnel_vertex_capacity = 8000;
constexpr int32_t tunnel_face_capacity = 6000;
constexpr int32_t tunnel_ring_points = 13;  // point 12 closes the ring with u = 255
constexpr int32_t tunnel_rings = 33;        // per half
constexpr int32_t tunnel_half_vertices = tunnel_rings * tunnel_ring_points;  // 429

extern uint32_t tunnel_tex_a[65536];
extern uint32_t tunnel_tex_b[65536];  // the floor strip
extern uint32_t tunnel_tex_c[65536];
extern uint32_t letter_texture[65536];

// Tunnel vertices keep x, y in tunnel_world and z in tunnel_model; letter blocks follow
// from static_vertex_count on, whole in tunnel_model.
extern Vec3i tunnel_model[tunnel_vertex_capacity];
extern Vec3i tunnel_world[tunnel_vertex_capacity];
extern Vec3i tunnel_uv[tunnel_vertex_capacity];
extern Face tunnel_faces[tunnel_face_capacity];
extern FaceAttr tunnel_face_attrs[tunnel_vertex_capacity];
extern FaceTexture tunnel_face_textures[tunnel_vertex_capacity];

extern int32_t static_vertex_count;  // the tunnel alone: 858
extern int32_t static_face_count;    // 1536
extern int32_t tunnel_vertex_count;  // tunnel plus the current line's blocks
extern int32_t tunnel_face_count;
extern int32_t credits_line_index;   // next entry of credits_line_lengths
extern int32_t credits_text_offset;  // first character of the next line
extern int32_t credits_line_length;  // characters of the line built last

// Keys of six floats: view_offset x, y, the travel along z, view_target x, y, z (all used
// times 0.2). Five segments.
constexpr int32_t camera_path_keys = 5246;
constexpr int32_t camera_path_segments = 5;
extern float camera_path[camera_path_keys][6];
extern int32_t camera_path_segment_keys[camera_path_segments];

extern float line_hold;        // slide value at which the line leaves
extern float line_start_time;  // effect_time when the line was built
extern int32_t credits_stage;  // cues passed, 0..6
extern int32_t credits_lines_pending;

extern const int32_t cube_vertices[8][3];
extern const int32_t cube_faces[12][3];
extern const uint8_t floor_face_table[24];

void build_tunnel_vertices();
void build_tunnel_faces();
void build_camera_path();
// Replaces the letter blocks by the next credits line (only the tunnel after the last one).
void add_credits_line();

// Entry steps of the run: arms the fade, starts the timer, resets the cues.
void credits_tunnel_enter();
// One frame after timer_update, for song position p. Returns true when the scene ends
// (p has reached 2176; that frame is drawn but not presented).
bool credits_tunnel_frame(int32_t p);
