// Gear machine: nine cog wheels on square axles turning inside a textured box room, each
// pair of neighbours at rates that make their teeth appear to mesh. The camera drifts round
// the machine with a slow roll; at the end the picture fades to black, red last.
#pragma once
#include <cstdint>

#include "render3d/objects.h"

constexpr int32_t gear_count = 9;   // and as many axles, one per gear
constexpr int32_t gear_steps = 17;  // per half: 16 wedges, the last step only closes the ring
constexpr int32_t gear_half_vertices = gear_steps * 3;          // two ring points and the centre per step
constexpr int32_t gear_vertices_each = 2 * gear_half_vertices;  // 102
constexpr int32_t gear_faces_each = 96;                         // 2 x 16 wedges, 16 x 4 side walls
constexpr int32_t axle_rings = 7;
constexpr int32_t axle_points = 5;  // a square section; the fifth point closes it
constexpr int32_t axle_vertices_each = axle_rings * axle_points;               // 35
constexpr int32_t axle_faces_each = 2 * (axle_rings - 1) * (axle_points - 1);  // 48
constexpr int32_t tooth_length = 40;

// One mesh in three blocks: the room, the gears, the axles.
constexpr int32_t gear_first_vertex = 294;
constexpr int32_t axle_first_vertex = gear_first_vertex + gear_count * gear_vertices_each;     // 1212
constexpr int32_t gear_vertex_capacity = axle_first_vertex + gear_count * axle_vertices_each;  // 1527
constexpr int32_t gear_first_face = 432;
constexpr int32_t axle_first_face = gear_first_face + gear_count * gear_faces_each;     // 1296
constexpr int32_t gear_face_capacity = axle_first_face + gear_count * axle_faces_each;  // 1728

extern uint32_t gear_texture[256 * 256];
extern uint32_t room_texture[256 * 256];
extern Vec3i gear_vertices[gear_vertex_capacity];
extern Vec3i gear_texcoords[gear_vertex_capacity];
extern Face gear_faces[gear_face_capacity];
extern FaceAttr gear_face_attrs[gear_face_capacity];
extern FaceTexture gear_face_textures[gear_face_capacity];
extern int32_t gear_vertex_count;    // 1527 once built
extern int32_t gear_face_count;      // 1728 once built
extern int32_t room_vertex_count;    // 294
extern int32_t room_face_count;      // 432
extern int32_t gear_texcoords_done;  // 0 until the first build_gears

// Inner radius of each gear; the teeth reach tooth_length further.
extern const int32_t gear_radii[gear_count];

// Placement of a gear (angles 256 to the turn) and its turn, in steps of an eighth of pi.
struct GearPlacement {
  float pitch, yaw, roll;
  float dx, dy, dz;
  float phase;  // set every frame from effect_time
};
extern GearPlacement gear_table[gear_count];

// Placement of an axle and its half length: it reaches 2 w either side of its centre.
struct AxlePlacement {
  int32_t pitch, yaw, roll;
  int32_t dx, dy, dz;
  int32_t w;
};
extern const AxlePlacement axle_table[gear_count];

// One face (half) of a gear: where its wedges' two ring points and centre sit, in steps,
// and how deep the face lies.
struct GearHalf {
  float offset[3];
  float depth;
};
extern const GearHalf gear_half_table[2];

// Sets every gear's phase for effect_time t; neighbours turn in pairs.
void set_gear_phases(float t);
// Rewrites the gear and axle vertices from the phases (texture coordinates of the gears on
// the first call only).
void build_gears();
// The gears' wedges and side walls and the axles' faces, after the room's.
void build_gear_faces();
// Entry steps of the run: the fade ramp armed at black, the timer started.
void gears_enter();
// One frame after timer_update and the position read: everything up to present_frame.
// Returns true when the scene should leave (present_skip, position past 2687 or quit_flag).
bool gears_frame(int32_t position);
