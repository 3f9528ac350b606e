// Snapshot card flight: the last picture of the opening scene laid on a thin card that the
// camera circles and rolls away from, the frame blend leaving trails.
#pragma once
#include <cstdint>

#include "render3d/objects.h"

// The snapshot: FrameBuffer columns 0..255 and 256..319, one picture row per texel row.
// Rows 200..255 (and the right texture's columns 64..255) stay black.
extern uint32_t card_texture_left[256 * 256];
extern uint32_t card_texture_right[256 * 256];

constexpr int card_vertex_capacity = 110;  // left grid 5 x 17, then right grid 5 x 5
constexpr int card_face_capacity = 160;
extern Vec3i card_vertices[card_vertex_capacity];
extern Vec3i card_texcoords[card_vertex_capacity];
extern Face card_faces[card_face_capacity];
extern FaceAttr card_attributes[card_face_capacity];
extern FaceTexture card_textures[card_face_capacity];
extern int32_t card_vertex_count;
extern int32_t card_face_count;
extern const int32_t card_row_u[5];  // texture row of each vertex row around the card's edge

// Copies the FrameBuffer into the two card textures.
void card_flight_snapshot();
// Entry steps of the run: the snapshot, then the timer started.
void card_flight_enter();
// One frame after timer_update and the position read: clear, camera, card, present.
// Returns true when the scene should leave (position past 575 or quit_flag).
bool card_flight_frame(int32_t position);
