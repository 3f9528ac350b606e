#include "scenes/balls.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

#include "data/texture_scripts.h"
#include "render3d/arith.h"
#include "render3d/effects.h"
#include "render3d/pipeline.h"
#include "scenes/scenes.h"
#include "shell/demo.h"
#include "shell/fade.h"
#include "shell/present.h"
#include "shell/timer.h"
#include "shell/window.h"
#include "textures/texgen.h"

BallState ball_state[ball_count];
const BallState ball_start[ball_count] = {
    {300, 3.0f, 300, 2.375f, 140, 2.75f, 0},
    {-300, 2.5f, 300, -3.5f, 450, 2.0f, 0},
    {300, 3.75f, -300, 2.125f, 610, 3.0f, 0},
};
const int32_t ball_pairs[ball_pair_count][2] = {{0, 1}, {0, 2}, {1, 2}};
uint8_t ball_touching[ball_pair_count];
Vec3i ball_path[ball_path_steps][ball_count];

Vec3i ball_vertices[ball_vertex_count];
Vec3i ball_texcoords[ball_vertex_count];
Face ball_faces[ball_face_count];
FaceAttr ball_face_attrs[ball_face_count];
FaceTexture ball_face_textures[ball_face_count];
uint32_t ball_texture[256 * 256];
uint32_t ball_room_texture[256 * 256];
uint32_t ball_glow_texture[256 * 256];

const int32_t cut_positions[ball_cut_count] = {2911, 2917, 2923, 2927, 2933, 2937};
int32_t cut_index = 0;
float ball_spin = 0;

namespace {

using std::numbers::pi;
constexpr int32_t balls_end = 3423;
constexpr int32_t ball_radius = 800;
constexpr int32_t wall = 650;            // the balls turn back beyond it
constexpr int32_t opening_clamp = 650;   // sphere coordinates beyond it are flattened...
constexpr int32_t opening_plane = 550;   // ...onto this plane, cutting six round openings
constexpr float contact_distance = 390;  // two balls' centres closer than this touch
constexpr int32_t flash_grey = 144;
constexpr int32_t sprite_size = 800;
constexpr uint32_t open_face = face_double_sided | 4;  // face mode 4: no filler draws it
constexpr uint32_t sprite_colours[ball_count] = {0xFFFF00, 0xFF00FF, 0x00FFFF};  // subtracted first

int32_t clamp_coordinate(int32_t c) {
  return c < -opening_clamp ? -opening_plane : c > opening_clamp ? opening_plane : c;
}

// A face whose corners average out on an opening's plane (all three flattened onto it) is left
// open.
bool on_opening(const Face& f) {
  const Vec3i& a = sphere_vertices[f.i0];
  const Vec3i& b = sphere_vertices[f.i1];
  const Vec3i& c = sphere_vertices[f.i2];
  return std::abs(a.x + b.x + c.x) / 3 == opening_plane || std::abs(a.y + b.y + c.y) / 3 == opening_plane ||
         std::abs(a.z + b.z + c.z) / 3 == opening_plane;
}

// The balls' model: each ball's texture coordinates come from the flattened sphere, its faces
// from the sphere's faces, curved ones first and the open flat ones after them.
void build_ball_faces() {
  sphere_levels = 3;
  build_sphere(ball_radius);
  for (int32_t k = 0; k < sphere_vertex_count; ++k) {
    Vec3i& v = sphere_vertices[k];
    v = {clamp_coordinate(v.x), clamp_coordinate(v.y), clamp_coordinate(v.z)};
  }
  int32_t f = ball_room_face_count;
  for (int32_t b = 0; b < ball_count; ++b) {
    const int32_t first = ball_room_vertex_count + ball_sphere_vertices * b;
    for (int32_t k = 0; k < ball_sphere_vertices; ++k) {
      const Vec3i& v = sphere_vertices[k];
      ball_texcoords[first + k] = {v.x / 4, v.y / 4, v.z / 4};
    }
    for (bool open : {false, true})
      for (int32_t s = 0; s < sphere_face_count; ++s) {
        const Face& face = sphere_faces[s];
        if (on_opening(face) != open) continue;
        ball_faces[f] = {face.i0 + first, face.i1 + first, face.i2 + first};
        ball_face_attrs[f] = {open ? open_face : face_double_sided, 0};
        ball_face_textures[f] = texture_word(ball_texture);
        ++f;
      }
  }
  // The spheres are drawn round: the same sphere again, unflattened, in the same order.
  build_sphere(ball_radius);
}

void build_sprites() {
  for (int32_t b = 0; b < ball_count; ++b) {
    const int32_t v = ball_first_sprite_vertex + b;
    ball_faces[ball_first_sprite_face + b] = {v, v, v};
    ball_face_attrs[ball_first_sprite_face + b] = {3, sprite_colours[b]};
    ball_face_textures[ball_first_sprite_face + b] = sprite_size;
  }
}

}  // namespace

int32_t ball_height(float phase) {
  return 650 - std::abs(trunc_i32(700 * std::sin(phase * pi * 0.0011111111111111111)));
}

void step_balls(Vec3i out[ball_count]) {
  for (int32_t n = 0; n < ball_pair_count; ++n) {
    BallState& a = ball_state[ball_pairs[n][0]];
    BallState& b = ball_state[ball_pairs[n][1]];
    const int32_t dx = std::abs(trunc_i32(double(a.x) - b.x));
    const int32_t dy = std::abs(trunc_i32(double(a.y) - b.y));
    const int32_t dh = std::abs(ball_height(a.phase) - ball_height(b.phase));
    const float dist = std::sqrt(float(dx * dx + dy * dy + dh * dh));
    if (dist >= contact_distance) {
      ball_touching[n] = 0;
      continue;
    }
    if (ball_touching[n]) continue;
    // Ties turn back every component that is largest.
    if (dx >= dy && dx >= dh) a.vx = -a.vx, b.vx = -b.vx;
    if (dy >= dx && dy >= dh) a.vy = -a.vy, b.vy = -b.vy;
    if (dh >= dx && dh >= dy) a.phase_step = -a.phase_step, b.phase_step = -b.phase_step;
    ball_touching[n] = 1;
  }
  for (int32_t n = 0; n < ball_count; ++n) {
    BallState& s = ball_state[n];
    s.x += s.vx;
    s.y += s.vy;
    s.phase += s.phase_step;
    // Only the direction turns: a ball may stand one step beyond the wall.
    if (s.x < -wall || s.x > wall) s.vx = -s.vx;
    if (s.y < -wall || s.y > wall) s.vy = -s.vy;
    out[n] = {trunc_i32(s.x), ball_height(s.phase), trunc_i32(s.y)};
  }
}

void simulate_balls() {
  std::copy_n(ball_start, ball_count, ball_state);
  std::fill_n(ball_touching, ball_pair_count, 0);
  for (int32_t step = 0; step < ball_path_steps; ++step) step_balls(ball_path[step]);
}

void balls_init() {
  texgen_set_size(256, 256);
  generate_texture(ball_texture_script, ball_texture);
  generate_texture(ball_room_texture_script, ball_room_texture);
  build_grid_faces(7, 7, 6, 2, 0, ball_room_texture, 0, 0, ball_faces, ball_face_attrs, ball_face_textures);
  build_cube_points(ball_vertices, ball_texcoords);
  build_ball_faces();
  simulate_balls();
  build_sprites();
  make_glow_texture(170, ball_glow_texture, 0);
}

int32_t ball_path_index(float s, int32_t position) {
  const int32_t q = trunc_i32(s * (position < ball_circling_from ? 2.5 : 4.4));
  // Past the table's end the balls stay where its last step left them.
  return std::clamp(q, 0, ball_path_steps - 1);
}

void aim_balls_camera(int32_t position, int32_t q) {
  const double t = effect_time * pi * 0.011627906976744186;
  view_offset[0] = static_cast<float>(360 * std::cos(t));
  view_offset[1] = 380;
  view_offset[2] = static_cast<float>(360 * std::sin(t));
  if (position < ball_circling_from) {
    // A quarter turn further at every cue passed, with a grey flash the first time.
    view_offset[0] = view_offset[1] = view_offset[2] = 400;
    for (int32_t k = 0; k < ball_cut_count; ++k) {
      if (position <= cut_positions[k]) continue;
      view_offset[0] = static_cast<float>(400 * std::cos(k * pi * 0.5));
      view_offset[2] = static_cast<float>(400 * std::sin(k * pi * 0.5));
      if (k == cut_index) {
        fade_base[0] = fade_base[1] = fade_base[2] = flash_grey;
        fade_state = -1;
        ++cut_index;
      }
    }
    fade_ramp(-140, -140, -120);
  }
  const Vec3i* at = ball_path[q];
  view_target[0] = static_cast<float>(-(at[0].x + at[1].x + at[2].x) / 3);
  view_target[1] = static_cast<float>(-(at[0].y + at[1].y + at[2].y) / 3);
  view_target[2] = static_cast<float>(-(at[0].z + at[1].z + at[2].z) / 3);
  aim_camera();
  view_roll = 0;
}

void light_ball_room(int32_t q) {
  for (int32_t i = 0; i < ball_room_vertex_count; ++i) {
    const Vec3i& r = ball_vertices[i];
    for (int32_t b = 0; b < ball_count; ++b) {
      const Vec3i& at = ball_path[q][b];
      const int32_t dx = r.x - at.x, dy = r.y - at.y, dz = r.z - at.z;
      const double d = std::sqrt(double(dx * dx + dy * dy + dz * dz)) * 0.00125;
      const int32_t v = std::clamp(trunc_i32(510 / d - 400), 0, 255);
      vertex_shade[3 * i + b] = static_cast<uint8_t>(trunc_i32(v * 0.2857142857142857));
    }
  }
}

void place_balls(int32_t q) {
  const float t = effect_time;
  const float yaw = static_cast<float>(t * 1.3), roll = static_cast<float>(t * 1.7);
  // All three balls spin alike: turn each model point once and place it in every ball.
  for (int32_t k = 0; k < ball_sphere_vertices; ++k) {
    const Vec3i& m = sphere_vertices[k];
    rotate_point(trunc_i32(m.x * 0.22222222222222224), trunc_i32(m.y * 0.22222222222222224),
                 trunc_i32(m.z * 0.22222222222222224), ball_spin, yaw, roll);
    for (int32_t b = 0; b < ball_count; ++b) {
      const Vec3i& at = ball_path[q][b];
      ball_vertices[ball_room_vertex_count + ball_sphere_vertices * b + k] = {
          rotated_point[0] + at.x, rotated_point[1] + at.y, rotated_point[2] + at.z};
    }
  }
  for (int32_t b = 0; b < ball_count; ++b) ball_vertices[ball_first_sprite_vertex + b] = ball_path[q][b];
}

void balls_enter() {
  fade_state = -1;
  fade_base[0] = fade_base[1] = fade_base[2] = flash_grey;
  fill_prev_frame(0);
  timer_start();
}

bool balls_frame(int32_t position) {
  clear_buffers(0);
  const float s = scene_time;
  effect_time = ball_spin = static_cast<float>(s * 0.8);
  const int32_t q = ball_path_index(s, position);
  aim_balls_camera(position, q);
  light_ball_room(q);
  place_balls(q);
  transform_vertices(ball_vertices, projected, ball_vertex_count, 1, 7, 0, 0, 0);
  render_mesh(ball_faces, projected, ball_face_count, ball_texcoords, nullptr, rotated_normals, nullptr,
              ball_face_attrs, ball_face_textures, ball_glow_texture);
  present_frame(1, 1);
  return present_skip || position > balls_end || quit_flag == 1;
}

void balls_run() {
  balls_enter();
  if (quit_flag == 1) return;
  for (;;) {
    const int32_t p = read_music_position();
    timer_update();
    if (balls_frame(p)) return;
  }
}
