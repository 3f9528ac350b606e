#include "scenes/tree.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "data/texture_scripts.h"
#include "render3d/arith.h"
#include "render3d/pipeline.h"
#include "scenes/scenes.h"
#include "shell/demo.h"
#include "shell/fade.h"
#include "shell/present.h"
#include "shell/timer.h"
#include "shell/window.h"
#include "textures/texgen.h"

Vec3i tree_vertices[tree_vertex_capacity];
Vec3i tree_texcoords[tree_vertex_capacity];
Face tree_faces[tree_face_capacity];
FaceAttr tree_face_attrs[tree_face_capacity];
FaceTexture tree_face_textures[tree_face_capacity];
uint32_t tree_texture[256 * 256];
int32_t tree_vertex_count = 0;
int32_t tree_face_count = 0;
int32_t tree_trunk_end = 0;
int32_t tree_disc_end = 0;

namespace {

using std::numbers::pi;
constexpr int32_t tree_end = 4153;
constexpr int32_t tree_wrap_below = 512;  // the module started over
constexpr int32_t tree_fade_in_until = 3840;
constexpr int32_t tree_rearm_until = 3904;
constexpr int32_t tree_fade_out_after = 4096;
constexpr int32_t disc_radius = 25;
constexpr int32_t horn_base = 103;  // distance of every horn's narrow end from the axis
constexpr int32_t level_spacing = 140;
constexpr FaceTexture tree_white = 0xFFFFFF;

// A turn about the vertical axis, bit for bit what rotate_point gives with pitch and roll 0
// (their cosines of 1 and sines of 0 leave y and the turned x and z as they are), with the
// sine and cosine of each yaw taken once per frame instead of once per point.
struct Yaw {
  double c, s;
};

Yaw yaw_of(float angle) {
  const double w = angle * angle_to_radians;
  return {std::cos(w), std::sin(w)};
}

Vec3i turn(int32_t x, int32_t y, int32_t z, Yaw w) {
  return {trunc_i32(x * w.c + z * w.s), y, trunc_i32(z * w.c - x * w.s)};
}

// The two turns of a disc or horn point, first into its direction, then by its level's
// twist, and the lift to its level.
Vec3i place_on_level(int32_t x, int32_t y, int32_t z, Yaw direction, Yaw twist, int32_t level) {
  Vec3i p = turn(x, y, z, direction);
  p = turn(p.x, p.y, p.z, twist);
  return {p.x, static_cast<int32_t>(level_spacing * (level - 2.5) + p.y), p.z};
}

}  // namespace

float twist_angle(int32_t n, float t) {
  return static_cast<float>(40 * std::sin((t * double(0.0714285746f) + n) * pi * (1.0 / 6)) + 1.6 * t);
}

void build_tree() {
  const float t = effect_time;
  // Points around every ring, disc and horn: 16 steps of an eighth of pi, the last one
  // closing the ring.
  double ring_cos[tree_points], ring_sin[tree_points];
  for (int32_t k = 0; k < tree_points; ++k) {
    ring_cos[k] = std::cos(k * pi * 0.125);
    ring_sin[k] = std::sin(k * pi * 0.125);
  }
  Yaw directions[tree_directions];
  for (int32_t d = 0; d < tree_directions; ++d) directions[d] = yaw_of(float(64 * d));
  int32_t v = 0;

  for (int32_t i = 0; i < tree_rings; ++i) {
    const Yaw twist = yaw_of(twist_angle(i, t));
    for (int32_t j = 0; j < tree_points; ++j) {
      tree_vertices[v] = turn(static_cast<int32_t>(-100 * ring_cos[j]), -450 + 150 * i,
                              static_cast<int32_t>(100 * ring_sin[j]), twist);
      tree_texcoords[v++] = {32 * i, 16 * j, 0};
    }
  }
  tree_trunk_end = v;

  for (int32_t level = 0; level < tree_levels; ++level) {
    const Yaw twist = yaw_of(twist_angle(level, t));
    for (int32_t d = 0; d < tree_directions; ++d)
      for (int32_t k = 0; k < tree_points; ++k)
        for (int32_t b : {0, disc_radius})
          tree_vertices[v++] =
              place_on_level(horn_base, static_cast<int32_t>(b * ring_cos[k]),
                             static_cast<int32_t>(b * ring_sin[k]), directions[d], twist, level);
  }
  tree_disc_end = v;

  // A horn's shade rises towards its open end and with how far its disc's centre lies
  // along z (towards the viewer).
  for (int32_t level = 0; level < tree_levels; ++level) {
    const Yaw twist = yaw_of(twist_angle(level, t));
    for (int32_t d = 0; d < tree_directions; ++d) {
      int32_t zref = tree_vertices[tree_trunk_end + (tree_directions * level + d) * tree_points * 2].z;
      int32_t e = static_cast<int32_t>((zref + 151) * 1.2);
      for (int32_t k = 0; k < tree_points; ++k)
        for (int32_t q = 0; q < 4; ++q) {
          int32_t r = 25 + 9 * q;
          vertex_shade[3 * v] = static_cast<uint8_t>(std::clamp(74 * q + e, 0, 255));
          tree_vertices[v++] =
              place_on_level(horn_base + 80 * q, static_cast<int32_t>(r * ring_cos[k]),
                             static_cast<int32_t>(r * ring_sin[k]), directions[d], twist, level);
        }
    }
  }
  tree_vertex_count = v;
}

void tree_init() {
  texgen_set_size(256, 256);
  generate_texture(tree_texture_script, tree_texture);
  build_tree();
  int32_t f = 0;
  f = build_grid_faces(tree_rings, tree_points, 1, 0, 0, tree_texture, 0, f, tree_faces, tree_face_attrs,
                       tree_face_textures);
  f = build_grid_faces(tree_points, 2, tree_levels * tree_directions, face_double_sided | 5, 0, tree_white,
                       tree_trunk_end, f, tree_faces, tree_face_attrs, tree_face_textures);
  f = build_grid_faces(tree_points, 4, tree_levels * tree_directions, 5, 1, tree_white, tree_disc_end, f,
                       tree_faces, tree_face_attrs, tree_face_textures);
  tree_face_count = f;
}

void tree_enter() {
  fade_state = -1;
  fade_base[0] = fade_base[1] = fade_base[2] = 255;
  fade_colour = 0;
  timer_start();
}

bool tree_frame(int32_t position) {
  clear_buffers(0);
  effect_time = static_cast<float>(scene_time * 0.6);
  build_tree();
  if (position > tree_fade_out_after) fade_ramp(8, 8, 8);

  const double t = effect_time;
  const double s = std::sin(t * pi * 0.02);
  view_offset[0] = 0;
  view_offset[1] = static_cast<float>(80 * s);
  view_offset[2] = 200;
  view_target[0] = 0;
  view_target[1] = static_cast<float>(70 * s);
  view_target[2] = 0;
  aim_camera();
  view_roll = static_cast<float>(25 * std::sin(t * pi * 0.022222222222222223));

  transform_vertices(tree_vertices, projected, tree_vertex_count, 1, 12, 0, 0, 0);
  render_mesh(tree_faces, projected, tree_face_count, tree_texcoords, nullptr, nullptr, nullptr,
              tree_face_attrs, tree_face_textures, nullptr);

  // In from black (13 steps of 20 from 255) until 3840; between the two, the ramp is
  // re-armed from zero so that the fade-out after 4096 starts clean.
  if (position < tree_fade_in_until) fade_ramp(-20, -20, -20);
  if (position > tree_fade_in_until && position < tree_rearm_until) {
    fade_base[0] = fade_base[1] = fade_base[2] = 0;
    fade_state = -1;
  }
  if (position < tree_wrap_below || position > tree_end) return true;
  present_frame(1, 2);
  return quit_flag == 1;
}

void tree_run() {
  tree_enter();
  while (quit_flag != 1) {
    timer_update();
    if (tree_frame(read_music_position())) return;
  }
}
