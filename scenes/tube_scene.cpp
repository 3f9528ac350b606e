#include "scenes/tube_scene.h"

#include <cmath>
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

Vec3i tube_vertices[tube_vertex_count];
Vec3i tube_texcoords[tube_vertex_count];
Face tube_faces[tube_face_capacity];
FaceAttr tube_attributes[tube_face_capacity];
FaceTexture tube_textures[tube_face_capacity];
int32_t tube_face_count = 0;
uint32_t tube_texture[256 * 256];
uint32_t sky_texture[256 * 256];
uint32_t tube_glow[256 * 256];
bool tube_fade_started = false;
int32_t tube_fade_rate = 0;

namespace {

using std::numbers::pi;
constexpr int32_t tube_end = 4471;
constexpr int32_t tube_fade_after = 4447;
constexpr int32_t tube_middle_ring = 16;
constexpr int32_t tube_ring_spacing = 26;
constexpr int32_t tube_stud = 36;  // added to the odd columns of the odd rings
constexpr int32_t tube_scale = 40;

// A turn of 256 units to the circle: its cosine and sine, as rotate_point takes them.
struct Turn {
  double c, s;
};

Turn turn_of(float angle) {
  const double w = angle * angle_to_radians;
  return {std::cos(w), std::sin(w)};
}

// rotate_point with only a roll, or only a yaw, bit for bit: the cosines of 1 and sines of 0
// of the other two angles leave the remaining coordinates as they are. Each ring's angles are
// the same for all its points, so their sines are taken once per ring.
Vec3i roll(int32_t x, int32_t y, int32_t z, Turn r) {
  return {trunc_i32(x * r.c - y * r.s), trunc_i32(x * r.s + y * r.c), z};
}

Vec3i yaw(Vec3i p, Turn w) {
  return {trunc_i32(p.x * w.c + p.z * w.s), p.y, trunc_i32(p.z * w.c - p.x * w.s)};
}

void aim_tube_camera() {
  const double e = effect_time * pi;
  const double a = e / 67;
  view_offset[0] = static_cast<float>(std::sin(a) * 6500);
  view_offset[1] = static_cast<float>(std::sin(e / 47) * 1500);
  view_offset[2] = static_cast<float>(std::cos(a) * 6500);
  view_target[0] = view_target[1] = view_target[2] = 0;
  aim_camera();
  view_roll = static_cast<float>(std::sin(effect_time * pi / 75) * 20);
}

}  // namespace

float tube_twist(int32_t ring, float t) {
  return static_cast<float>(std::sin(t * pi * 0.015625) * 8 * (ring - tube_middle_ring));
}

void build_tube() {
  const float t = effect_time;
  double column_cos[tube_columns], column_sin[tube_columns];
  for (int32_t j = 0; j < tube_columns; ++j) {
    column_cos[j] = std::cos(j * pi * 0.125);
    column_sin[j] = std::sin(j * pi * 0.125);
  }
  int32_t n = 0;
  for (int32_t i = 0; i < tube_rings; ++i) {
    const int32_t ripple = trunc_i32(std::sin((t * 0.25 + i) * pi * 0.125) * 25 + 50);
    // Each ring is rolled half a unit per ring away from the middle one, then twisted.
    const Turn r = turn_of(static_cast<float>((i - tube_middle_ring) * 0.5));
    const Turn w = turn_of(tube_twist(i, t));
    const int32_t y = (tube_middle_ring - i) * tube_ring_spacing;
    for (int32_t j = 0; j < tube_columns; ++j) {
      int32_t radius = ripple;
      if (i % 2 == 1 && j % 2 == 1) radius += tube_stud;
      if (i == 0 || i == tube_rings - 1) radius = 0;  // closed at both ends
      const int32_t x = trunc_i32(column_cos[j] * radius + 50);
      const int32_t z = trunc_i32(column_sin[j] * radius);
      tube_vertices[n] = yaw(roll(x, y, z, r), w);
      tube_texcoords[n++] = {10 * j, 16 * i, 0};
    }
  }
}

void tube_scene_init() {
  texgen_set_size(256, 256);
  generate_texture(tube_texture_script, tube_texture);
  generate_texture(sky_texture_script, sky_texture);
  tube_face_count = build_grid_faces(tube_rings, tube_columns, 1, 1, 0, tube_texture, 0, 0, tube_faces,
                                     tube_attributes, tube_textures);
  build_tube();
  make_glow_texture(199, tube_glow, 0x0020FF);
}

void tube_scene_enter() {
  fade_state = -1;
  fade_base[0] = fade_base[1] = fade_base[2] = 0;
  tube_fade_started = false;
  tube_fade_rate = 0;
  timer_start();
}

bool tube_scene_frame(int32_t p) {
  effect_time = static_cast<float>(scene_time * 0.6);
  build_tube();
  // No clear of the picture: the sky covers the screen. It is drawn with last frame's camera.
  clear_zbuffer();
  draw_shared_mesh(sky_texture);
  aim_tube_camera();

  clear_vertex_normals(tube_vertex_count);
  accumulate_vertex_normals(tube_faces, tube_face_count, tube_vertices, 0);
  transform_vertices(vertex_normals, rotated_normals, tube_vertex_count, 1, 1, 1, 0, 0);
  transform_vertices(tube_vertices, projected, tube_vertex_count, tube_scale, 8, 0, 0, 0);
  render_mesh(tube_faces, projected, tube_face_count, tube_texcoords, nullptr, rotated_normals, tube_glow,
              tube_attributes, tube_textures, nullptr);

  // Black over the last 24 rows: the ramp restarts once, then subtracts 17 per step.
  if (p > tube_fade_after) {
    if (!tube_fade_started) {
      fade_state = -1;
      tube_fade_started = true;
    }
    fade_base[0] = fade_base[1] = fade_base[2] = 0;
    tube_fade_rate = 17;
  }
  fade_ramp(tube_fade_rate, tube_fade_rate, tube_fade_rate);
  present_frame(1, 2);
  return p > tube_end || quit_flag != 0;
}

void tube_scene_run() {
  tube_scene_enter();
  if (quit_flag != 0) return;
  for (;;) {
    timer_update();
    if (tube_scene_frame(read_music_position())) return;
  }
}
