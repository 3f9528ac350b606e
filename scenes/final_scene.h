// Final scene: a figure of rings (two arms, a body, a head with a crest, two legs) stands on
// a stage of textured walls, two glowing cones and a glowing disc, with eight curling arms
// reaching out from it, four up and four down. The camera circles and bobs around it; near
// the end the figure turns solid, the cones stretch, the camera rises and the picture fades
// to white. The polar scene borrows single frames of it (present_skip set).
#pragma once
#include <cstdint>

#include "render3d/objects.h"

constexpr int32_t final_vertex_capacity = 16000;
constexpr int32_t final_saved_y_slot = 8000;  // vertex i's saved cone y lives in slot i + 8000
constexpr int32_t final_face_capacity = 3000;
constexpr int32_t final_arm_count = 8;
constexpr int32_t final_arm_rings = 10;
constexpr int32_t final_arm_points = 5;  // a diamond, the fifth point repeating the first
constexpr int32_t final_arm_vertices = final_arm_count * final_arm_rings * final_arm_points;  // 400
constexpr int32_t stage_structures = 5;
constexpr int32_t stage_rings = 6;
constexpr int32_t stage_points = 17;                         // the seventeenth repeats the first
constexpr int32_t stage_block = stage_rings * stage_points;  // 102 vertices per structure
constexpr int32_t ring_points = 9;                           // of a figure ring; the ninth repeats the first
constexpr int32_t final_scene_start_step = 36;

// One mesh: the arms (vertices 0..399), the stage (400..909), the figure (910..1701). The
// figure's faces come first (0..figure_face_end - 1), then the arms' and the stage's.
extern Vec3i final_vertices[final_vertex_capacity];
extern Vec3i final_texcoords[final_vertex_capacity];
extern Face final_faces[final_face_capacity];
extern FaceAttr final_attributes[final_face_capacity];
extern FaceTexture final_face_textures[final_face_capacity];
// The faces in drawing order while the figure is translucent: stage and arms, then figure.
extern Face final_draw_faces[final_face_capacity];
extern FaceAttr final_draw_attributes[final_face_capacity];
extern FaceTexture final_draw_textures[final_face_capacity];
extern int32_t final_vertex_count;
extern int32_t final_face_count;
extern int32_t figure_first_vertex;  // 910
extern int32_t figure_first_face;    // 0
extern int32_t figure_face_end;      // faces below it are the figure's
extern int32_t final_saved_vertex_count;
extern int32_t final_saved_face_count;

extern uint32_t final_texture_a[256 * 256];
extern uint32_t final_texture_b[256 * 256];
extern uint32_t final_texture_c[256 * 256];
extern uint32_t final_texture_d[256 * 256];
extern uint32_t stripe_texture[256 * 256];
extern uint32_t final_black_texture[256 * 256];  // nothing writes it
// Slots: 0 texture B, 1 stripes, 2 texture A, 3 black, 4 texture C, 5 texture D.
extern const uint32_t* final_textures[6];

struct ArmPlacement {
  int32_t pitch, yaw, roll;  // 256 units to the turn
  int32_t x, y, z;
  int32_t step;  // length of one ring step along the arm
};
extern const ArmPlacement arm_placements[final_arm_count];

// Where add_ring puts its rings: a limb's offset, the height it hangs from and its turn.
struct BoneState {
  int32_t offset_x, offset_y, offset_z;
  int32_t base_y;
  int32_t pitch, yaw, roll;
};
extern BoneState bone_state;

extern uint8_t figure_brightness;   // every figure vertex's shade: 255 translucent, 0 solid
extern uint8_t figure_blend;        // the figure faces' param; 0 for good once the figure is solid
extern float write_ring_texcoords;  // add_ring writes texture coordinates while it is 1.0
extern int32_t cone_block_a;        // first vertex of the upper cone (604)
extern int32_t cone_block_b;        // first vertex of the lower cone (808)
extern float stretch;               // of the cones, 1.0 .. 4.0
extern float lift;                  // of the figure and the camera, 0 .. 15000
extern float stretch_start, lift_start;
extern uint8_t stretch_started, lift_started;
extern float scene_t;  // the scene's time
extern float anim_t;   // the figure's animation time
// Time of the next single frame is 32 - final_scene_step; the polar scene lowers it by 3.
extern int32_t final_scene_step;

// Computes stripe_texture.
void build_stripe_texture();
// Vertices 0..399 (the arms, curled by scene_t); with with_stage 1 also the stage after them.
void build_arms(uint8_t with_stage);
// Nine vertices, a ring, at the current bone_state.
void add_ring(int32_t a, int32_t b, int32_t c, int32_t d, int32_t e);
// The figure's vertices and faces from figure_first_vertex and figure_first_face on.
void build_figure();
// Entry steps of the run: the fade ramp armed at black, no stretch or lift yet, the timer
// started. The polar scene's single frames run them too.
void final_scene_enter();
// One frame after timer_update and the position read: everything up to present_frame.
// Returns true when the scene should leave: after this one frame when present_skip is set,
// on the song's wrap (below 256), past 6269, or on quit_flag.
bool final_scene_frame(int32_t position);
// What a call of final_scene_run renders with present_skip set, for the position given:
// one frame into the FrameBuffer, not presented.
void final_scene_single_frame(int32_t position);
