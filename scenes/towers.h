// Towers around a blob: four turned towers with rows of window holes, each crowned by a
// glowing light, stand around a wobbling, environment-mapped blob on a round textured floor
// while the camera swoops around them. It opens on the title picture, whose backdrop darkens
// and whose logo fades out while the towers show through, and ends in a dissolve to black.
#pragma once
#include <cstdint>

#include "render3d/objects.h"

// One mesh: four towers (vertices 0..1187, 297 each; faces 0..2047, 512 each), the floor
// disc (vertices 1188..1484, faces 2048..2559), the blob (vertices 1485..1742, faces
// 2560..3071) and the four lights (vertices 1743..1746, faces 3072..3075).
constexpr int32_t tower_vertex_capacity = 1747;
constexpr int32_t tower_face_capacity = 3076;
constexpr int32_t tower_ring_points = 9;   // every ring: 8 segments, the last point repeats the first
constexpr int32_t tower_ring_count = 33;   // per tower, and for the floor
constexpr int32_t tower_ring_height = 32;  // rows: y = 100 * (row - 16) before the divisor
constexpr int32_t tower_count = 4;
constexpr int32_t tower_faces_each = 512;  // (33 - 1) * (9 - 1) * 2
constexpr int32_t tower_floor_first_vertex = 1188;
constexpr int32_t tower_floor_first_face = 2048;
constexpr int32_t blob_first_face = 2560;
constexpr int32_t blob_face_count = 512;
constexpr int32_t blob_vertex_capacity = 258;  // a depth-3 sphere
constexpr int32_t tower_light_first_vertex = 1743;
constexpr int32_t tower_light_first_face = 3072;
constexpr uint32_t tower_window_flags = 60;        // face mode 12: no filler draws it
constexpr uint32_t tower_light_subtract = 0x20FF;  // the lights lose their blue and some green
constexpr FaceTexture tower_light_size = 950;      // the light sprites' base size in pixels

extern Vec3i tower_vertices[tower_vertex_capacity];
extern Vec3i tower_texcoords[tower_vertex_capacity];
extern Face tower_faces[tower_face_capacity];
extern FaceAttr tower_attributes[tower_face_capacity];
extern FaceTexture tower_textures[tower_face_capacity];
extern int32_t tower_face_count;                // 3076 after towers_init
extern int32_t tower_vertex_count;              // 1747 after towers_init
extern int32_t blob_first_vertex;               // 1485
extern int32_t blob_first_word;                 // 4455: the same in 32-bit words, for transform_vertices
extern int32_t blob_vertex_count;               // 258
extern Vec3i blob_model[blob_vertex_capacity];  // the sphere at rest, radius 700

// Divisor and centre (x, z) of every ring group: the four towers, then the floor.
struct TowerGroup {
  int32_t divisor, centre_x, centre_z;
};
extern const TowerGroup tower_groups[5];

extern uint32_t tower_wall_texture[256 * 256];
extern uint32_t tower_floor_texture[256 * 256];
extern uint32_t blob_texture[256 * 256];
extern uint32_t tower_glow_texture[256 * 256];

// Counted in frames and never reset: the camera's target sinks 20 units a frame for the
// first 250 frames of the scene, whatever the frame rate.
extern int32_t camera_drop;   // 1000 at start-up
extern int32_t camera_swing;  // the camera's distance from the axis this frame

// Appends segments + 1 points of one ring at the current vertex count, with their texture
// coordinates (wrapped around a tower, or laid flat for the floor).
void add_tower_ring(int32_t row, int32_t radius, int32_t group, int32_t segments, int32_t height);
// The window holes in the tower faces, then the rings of all four towers and the floor.
void build_towers();
// The blob's vertices at effect_time, wobbled and turned from blob_model.
void wobble_blob();
// Entry steps of the run: the dissolve re-armed, the timer started.
void towers_enter();
// One frame after timer_update and the position read: everything up to present_frame.
// Returns true when the scene should leave (position past 895 or quit_flag).
bool towers_frame(int32_t position);
