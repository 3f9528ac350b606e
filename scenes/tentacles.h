// Tentacle star with sparks: fourteen bending arms in front of a textured sky, each
// spraying orange sparks from its tip.
#pragma once
#include <cstdint>

#include "render3d/objects.h"

constexpr int32_t tentacle_arms = 14;
constexpr int32_t tentacle_rings = 9;
constexpr int32_t tentacle_ring_points = 7;  // 6 segments, point 6 repeats point 0
constexpr int32_t tentacle_vertex_capacity = tentacle_arms * tentacle_rings * tentacle_ring_points;  // 882
constexpr int32_t tentacle_face_capacity =
    tentacle_arms * (tentacle_rings - 1) * (tentacle_ring_points - 1) * 2;  // 1344
constexpr int32_t sparks_per_arm = 350;
constexpr int32_t spark_count = tentacle_arms * sparks_per_arm;  // 4900

extern uint32_t tentacle_texture[65536];
extern uint32_t star_sky_texture[65536];

// Per arm: divisors dx, dy, dz of the ring points, then the arm's pitch, yaw, roll.
extern const float tentacle_table[tentacle_arms][6];

extern Vec3i tentacle_model[tentacle_vertex_capacity];
extern Vec3i tentacle_world[tentacle_vertex_capacity];
extern Vec3i tentacle_texcoords[tentacle_vertex_capacity];
extern Face tentacle_faces[tentacle_face_capacity];
extern FaceAttr tentacle_face_attrs[tentacle_face_capacity];
extern FaceTexture tentacle_face_textures[tentacle_face_capacity];
extern int32_t tentacle_vertex_count;
extern int32_t tentacle_face_count;
extern int32_t tentacle_tips[tentacle_arms];  // the last vertex of each arm

// x, y relative to the screen centre, z the view depth; v per frame; life 255 at birth,
// dead at 0 or below; colour per unit of life.
struct Spark {
  float x, y, z;
  float vx, vy, vz;
  float fade;
  float life;
  float red, green, blue;
};
extern Spark sparks[spark_count];

void build_tentacle_ring(int32_t ring, int32_t radius, int32_t arm, int32_t segments);
void build_ring_faces(int32_t rings, int32_t points, int32_t tubes, uint32_t mode, uint32_t param,
                      const uint32_t* texture, int32_t first_vertex);
void build_tentacles();
void spawn_spark(int32_t k, float x0, float y0, float z0, float x1, float y1, float z1, uint8_t red,
                 uint8_t green, uint8_t blue);
void draw_spark(int32_t k);
// Swings every ring of every arm about the origin by angles from effect_time.
void bend_tentacles();

// Entry steps of the run.
void tentacles_enter();
// One frame after timer_update, for song position p. Returns true when the run returns:
// after one frame in the pre-roll (present_skip), or once p reaches 2912 or quit_flag is set.
bool tentacles_frame(int32_t p);
