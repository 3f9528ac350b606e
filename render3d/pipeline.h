// Camera, transform and projection, and render_mesh, which culls faces and hands them to
// the filler of their face mode.
#pragma once
#include <cstdint>

#include "render3d/objects.h"

// The triangle handed to the fillers. Each filler reads only the fields it needs.
struct FillVertex {
  int32_t x, y;  // screen pixels
  int32_t z;     // view depth, larger is nearer
  int32_t u, v;  // texels
  int32_t env_u, env_v;
  int32_t red, green, blue;  // 0..255
  int32_t shade;             // 0..255
};

// Angles: 256 units per turn.
extern float view_pitch, view_yaw, view_roll;
extern float view_offset[3];      // added to every vertex before rotation (the negated camera position)
extern float view_target[3];      // for aim_camera: the negated point looked at
extern int32_t screen_centre[2];  // (160, 100)
extern int32_t normal_offset[2];  // added in rotate-only mode
extern int32_t near_z_limit;      // faces with a corner at z >= this are not drawn (50)
extern int32_t render_first_face;
extern int32_t rotated_point[3];  // result of rotate_point
extern FillVertex fill_triangle[3];

constexpr int projected_capacity = 15000;
extern Vec3i projected[projected_capacity];        // screen x, screen y, view z
extern Vec3i rotated_normals[projected_capacity];  // rotate-only output for env mapping

// Points the camera from -view_offset at -view_target: sets view_pitch and view_yaw.
void aim_camera();

// Rotates (yaw, pitch, roll) and, unless rotate_only, translates by view_offset first and
// projects. in_index and out_index are offsets in 32-bit words (vertex index * 3).
void transform_vertices(const Vec3i* in, Vec3i* out, int32_t count, int32_t scale, int32_t perspective,
                        uint8_t rotate_only, int32_t in_index, int32_t out_index);

// Same rotation in floating point with truncation after every axis; writes rotated_point.
void rotate_point(int32_t x, int32_t y, int32_t z, float pitch, float yaw, float roll);

// rotate_point for many points that share their angles: the sines and cosines are taken once
// by point_turn, and turn_point gives bit for bit what rotate_point gives.
struct PointTurn {
  double cos_pitch, sin_pitch, cos_yaw, sin_yaw, cos_roll, sin_roll;
};
PointTurn point_turn(float pitch, float yaw, float roll);
Vec3i turn_point(int32_t x, int32_t y, int32_t z, const PointTurn& t);

// Draws faces render_first_face .. render_first_face + count - 1. Arguments the mesh's
// face modes do not use may be null.
void render_mesh(const Face* faces, const Vec3i* projected_vertices, int32_t count, const Vec3i* texcoords,
                 const uint32_t* alternate_texture, const Vec3i* env_normals, const uint32_t* env_texture,
                 const FaceAttr* attributes, const FaceTexture* textures, const uint32_t* sprite_texture);
