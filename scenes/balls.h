// Bouncing lamp balls: three spinning balls with six round openings each bounce around a
// cubic room, sliding on the floor plane, rebounding from the walls and from each other and
// hopping on an absolute-sine curve. Each ball carries a coloured glow and lights the walls
// in its own colour channel. The camera cuts between four fixed views on the music's cues,
// with a grey flash at every cut, and later circles the room. The motion is simulated once
// at start-up and replayed by time.
#pragma once
#include <cstdint>

#include "render3d/objects.h"

constexpr int32_t ball_count = 3;
constexpr int32_t ball_pair_count = 3;
constexpr int32_t ball_path_steps = 8000;
constexpr int32_t ball_sphere_vertices = 258;  // one ball, a level-3 sphere
constexpr int32_t ball_sphere_faces = 512;

// One mesh: the room (vertices 0..293, faces 0..431), the balls (258 vertices and 512 faces
// each, the curved faces of a ball before its open flat ones), the three glow sprites.
constexpr int32_t ball_room_vertex_count = 294;
constexpr int32_t ball_room_face_count = 432;
constexpr int32_t ball_first_sprite_vertex =
    ball_room_vertex_count + ball_count * ball_sphere_vertices;                                    // 1068
constexpr int32_t ball_first_sprite_face = ball_room_face_count + ball_count * ball_sphere_faces;  // 1968
constexpr int32_t ball_vertex_count = ball_first_sprite_vertex + ball_count;                       // 1071
constexpr int32_t ball_face_count = ball_first_sprite_face + ball_count;                           // 1971

// The camera cuts, and the position from which the camera circles instead.
constexpr int32_t ball_cut_count = 6;
constexpr int32_t ball_circling_from = 3072;

// Position, velocity and hop of one ball. The last value is kept with the record but unused.
struct BallState {
  float x, vx;  // across the floor
  float y, vy;  // along the floor (the world's z)
  float phase, phase_step;
  float unused;
};

extern BallState ball_state[ball_count];
extern const BallState ball_start[ball_count];        // the state the simulation starts from
extern const int32_t ball_pairs[ball_pair_count][2];  // tested in this order
extern uint8_t ball_touching[ball_pair_count];  // 1 while the pair has not separated since its last rebound
extern Vec3i ball_path[ball_path_steps][ball_count];  // (world x, height, world z) after every step

extern Vec3i ball_vertices[ball_vertex_count];
extern Vec3i ball_texcoords[ball_vertex_count];
extern Face ball_faces[ball_face_count];
extern FaceAttr ball_face_attrs[ball_face_count];
extern FaceTexture ball_face_textures[ball_face_count];
extern uint32_t ball_texture[256 * 256];
extern uint32_t ball_room_texture[256 * 256];
extern uint32_t ball_glow_texture[256 * 256];

extern const int32_t cut_positions[ball_cut_count];
extern int32_t cut_index;  // cues whose flash has been shown; never reset
extern float ball_spin;    // the balls' pitch, equal to effect_time

// Height of a ball above the floor plane for its hop phase: 650 down to -50.
int32_t ball_height(float phase);
// One simulation step: rebounds between the pairs, then every ball moves and bounces off the
// walls; the balls' new positions are written to out.
void step_balls(Vec3i out[ball_count]);
// The whole replay table from the start values (8000 steps).
void simulate_balls();
// The replay step for scene_time s at position p: faster from the circling camera on, and
// held at the table's last step once the time runs past it.
int32_t ball_path_index(float s, int32_t position);
// Camera for the frame: the cut views with their flashes before 3072, the circle after;
// always aimed at the balls' centre at step q.
void aim_balls_camera(int32_t position, int32_t q);
// Room vertex colours: byte b of each room vertex's vertex_shade entry is ball b's light.
void light_ball_room(int32_t q);
// The three balls, spun by ball_spin, and their sprite points, at step q.
void place_balls(int32_t q);
// Entry steps of the run: the grey flash armed, the previous picture black, the timer started.
void balls_enter();
// One frame after timer_update and the position read: everything up to present_frame.
// Returns true when the scene should leave (unpresented pre-roll, position past 3423, or quit).
bool balls_frame(int32_t position);
