// Twisted tube: a closed tube of 33 rings, its radii rippling along its length and its
// rings twisting against each other, turns in front of the textured sky sphere while the
// camera circles it; environment-mapped with a warm glow. Fades to black at the end.
#pragma once
#include <cstdint>

#include "render3d/objects.h"

constexpr int32_t tube_rings = 33;
constexpr int32_t tube_columns = 17;  // the last repeats the first
constexpr int32_t tube_vertex_count = tube_rings * tube_columns;
constexpr int32_t tube_face_capacity = (tube_rings - 1) * (tube_columns - 1) * 2;

// Vertex i * 17 + j: column j of ring i, ring 0 at the top.
extern Vec3i tube_vertices[tube_vertex_count];
extern Vec3i tube_texcoords[tube_vertex_count];
extern Face tube_faces[tube_face_capacity];
extern FaceAttr tube_attributes[tube_face_capacity];
extern FaceTexture tube_textures[tube_face_capacity];
extern int32_t tube_face_count;
extern uint32_t tube_texture[256 * 256];
extern uint32_t sky_texture[256 * 256];
extern uint32_t tube_glow[256 * 256];  // the tube's environment map
extern bool tube_fade_started;
extern int32_t tube_fade_rate;  // per channel and step of the fade ramp: 0, then 17

// Yaw of ring i at effect_time t (256 units to the turn): the twist, growing with the
// ring's distance from the middle ring and swinging with time.
float tube_twist(int32_t ring, float t);
// All vertices and texture coordinates at effect_time.
void build_tube();
// Entry steps of the run: the fade ramp armed at black, the timer started.
void tube_scene_enter();
// One frame after timer_update, for song position p: everything up to present_frame.
// Returns true when the run returns (p past 4471 or quit_flag).
bool tube_scene_frame(int32_t p);
