// Full-screen effects that several scenes share, and the shared sky sphere.
#pragma once
#include <cstdint>

#include "render3d/objects.h"

extern uint32_t saved_frame[320 * 200];  // picture for crossfade_saved_frame
extern int32_t crossfade_level;          // 0..255: weight of the FrameBuffer
extern float dissolve_start_time;
extern uint8_t dissolve_done;   // 1 once the dissolve has covered the screen
extern uint8_t dissolve_begun;  // flag shared by the scenes that dissolve

// The shared sphere (radius 7000, depth 2), built by build_shared_sphere_mesh.
constexpr int shared_mesh_capacity = 384;  // vertices or faces
extern Vec3i shared_mesh_vertices[shared_mesh_capacity];
extern Vec3i shared_mesh_texcoords[shared_mesh_capacity];
extern Face shared_mesh_faces[shared_mesh_capacity];
extern FaceAttr shared_mesh_attributes[128];
extern FaceTexture shared_mesh_textures[128];
extern int32_t shared_mesh_face_count;
extern int32_t shared_mesh_vertex_count;

// Start-up: sets sphere_levels = 2, builds the sphere of radius 7000 and copies it into the
// shared mesh. Run once, after set_row_table(FrameBuffer).
void build_shared_sphere_mesh();

// FrameBuffer = saved_frame blended towards the FrameBuffer by crossfade_level (clamped
// to 0..255 and stored back).
void crossfade_saved_frame();
// passes in-place four-neighbour blurs; the outer rows and two outer columns stay.
void blur_frame(int32_t passes, uint32_t* buffer);
// Paints three glow_texture sprites on a cleared FrameBuffer and copies 256x200 of it into
// texture at row 28, column 24. Overwrites the FrameBuffer and ZBuffer.
void make_glow_texture(int16_t size, uint32_t* texture, uint32_t subtract);
void dissolve_start();
// Copies image pixels whose mask blue byte reaches the falling threshold; writes effect_time.
void dissolve_frame(float speed, const uint32_t* image, const uint32_t* mask);
// Draws the shared sphere with the current camera and texture as its alternate texture.
void draw_shared_mesh(const uint32_t* texture);
