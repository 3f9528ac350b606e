#include "scenes/hall_scene.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "data/texture_scripts.h"
#include "render3d/arith.h"
#include "render3d/effects.h"
#include "render3d/pipeline.h"
#include "scenes/scenes.h"
#include "shell/demo.h"
#include "shell/present.h"
#include "shell/timer.h"
#include "shell/window.h"
#include "textures/tables.h"
#include "textures/texgen.h"

Vec3i hall_vertices[hall_vertex_count];
Vec3i hall_texcoords[hall_vertex_count];
Vec3i hall_small_vertices[hall_vertex_count];
Face hall_faces[hall_face_count];
FaceAttr hall_attributes[hall_face_count];
FaceTexture hall_textures[hall_face_count];
Vec3i hall_model[hall_model_vertex_count];
uint32_t hall_floor_texture[256 * 256];
uint32_t hall_pillar_texture[256 * 256];
uint32_t hall_inner_texture[256 * 256];
uint32_t hall_outer_texture[256 * 256];
uint32_t hall_glow[256 * 256];

const BlobParams blob_params[hall_blob_count] = {
    {0, {1, 1}, 0, 0, 1400},
    {99, {1, 1}, -1300, 0, -1300},
    {42, {1, 1}, 1300, 0, -1300},
};

namespace {

using std::numbers::pi;
constexpr int32_t hall_end = 3967;
constexpr int32_t hall_dissolve_after = 3935;
constexpr int32_t hall_crossfade_until = 3584;
constexpr uint32_t hall_sky = 0x0000C8FF;  // light blue
constexpr int32_t hall_fog_step = 45;      // depth units per shade step
constexpr int32_t hall_small_divisor = 9;

// The dissolve's target picture: black.
const uint32_t hall_black[screen_pixels] = {};

inline Vec3i rotated() { return {rotated_point[0], rotated_point[1], rotated_point[2]}; }

// Floor (s = 0, the ceiling turned half a turn about the z axis) and ceiling (s = 1): rows of
// ripples running diagonally across the grid.
void build_floor_and_ceiling(double t) {
  // The ripple depends on j + k div 3 only: 21 heights per frame.
  constexpr int32_t ripple_count = hall_grid_size + hall_grid_size / 3;
  int32_t height[ripple_count];
  for (int32_t n = 0; n < ripple_count; ++n)
    height[n] = trunc_i32(-2880 - 350 * std::sin((n + t) * pi * 0.5));
  int32_t v = 0;
  for (int32_t s = 0; s < 2; ++s)
    for (int32_t j = 0; j < hall_grid_size; ++j)
      for (int32_t k = 0; k < hall_grid_size; ++k) {
        int32_t x = trunc_i32((7.5 - k) * 1480);
        int32_t y = height[j + k / 3];
        const int32_t z = trunc_i32((j - 7.5) * 1480);
        if (s == 0) x = -x, y = -y;
        hall_vertices[v] = {x, y, z};
        hall_texcoords[v++] = {64 * j, 64 * k, 0};
      }
}

// Each pillar swells in the middle while it shrinks in length, and back.
void build_pillars(double t) {
  double ring_cos[hall_pillar_points], ring_sin[hall_pillar_points];
  for (int32_t k = 0; k < hall_pillar_points; ++k) {
    ring_cos[k] = std::cos(k * pi * 0.25);
    ring_sin[k] = std::sin(k * pi * 0.25);
  }
  int32_t v = hall_first_pillar_vertex;
  for (int32_t pillar = 0; pillar < hall_pillar_count; ++pillar) {
    const float a = float(32 * pillar);
    rotate_point(5000, 0, 0, 0, a, 0);
    const Vec3i centre = rotated();
    const double s = std::sin((centre.z / 3 + centre.x + t) * pi * 0.5);
    const int32_t length = trunc_i32((s * 350 + 3100) * 0.6666666666666666);
    const float bulge = static_cast<float>((1 - s) * 300);
    for (int32_t j = 0; j < hall_pillar_rings; ++j) {
      const int32_t r = trunc_i32(std::sin(j * pi / 3) * bulge + 500);
      const int32_t y = trunc_i32((j - 1.5) * length);
      for (int32_t k = 0; k < hall_pillar_points; ++k) {
        rotate_point(trunc_i32(5000 - r * ring_cos[k]), y, trunc_i32(r * ring_sin[k]), 0, a, 0);
        hall_vertices[v] = rotated();
        hall_texcoords[v++] = {64 * j, 64 * k, 0};
      }
    }
  }
}

// Every blob squeezes and tilts its sphere by sines of the point's own coordinates, then is
// placed twice: the inner shell at 1.5 times, the outer at 1.9 times the size.
void build_blobs() {
  int32_t n = hall_first_blob_vertex;
  for (const BlobParams& b : blob_params) {
    const double p = b.phase + double(effect_time);
    for (const Vec3i& m : hall_model) {
      const int32_t x = -m.x, y = m.y, z = m.z;
      const int32_t xs = trunc_i32(x * (1.2 + std::sin((y / 9 + p) * pi / 57) * 0.6666666666666666));
      const int32_t zs = trunc_i32(z * (1.2 + std::sin((xs / 25 + p) * pi / 70) * 0.6666666666666666));
      const float pitch = static_cast<float>(10 * std::sin((p + y / 22) * pi / 40));
      const float roll = static_cast<float>(15 * std::sin((xs / 25 + p) * pi / 78));
      rotate_point(xs, y, zs, pitch, 0, roll);
      const Vec3i r = rotated();
      hall_vertices[n] = {trunc_i32(r.x * 1.5 + b.x), trunc_i32(r.y * 1.5 + b.y), trunc_i32(r.z * 1.5 + b.z)};
      hall_texcoords[n] = {xs + 90, y + 90, 0};
      const int32_t outer = n + hall_blob_count * hall_model_vertex_count;
      hall_vertices[outer] = {trunc_i32(r.x * 1.9 + b.x), trunc_i32(r.y * 1.9 + b.y),
                              trunc_i32(r.z * 1.9 + b.z)};
      hall_texcoords[outer] = {xs / 6 + 90, y / 6 + 90, 0};
      ++n;
    }
  }
  for (int32_t i = hall_first_blob_vertex; i < hall_vertex_count; ++i)
    hall_small_vertices[i] = {hall_vertices[i].x / hall_small_divisor,
                              hall_vertices[i].y / hall_small_divisor,
                              hall_vertices[i].z / hall_small_divisor};
}

void aim_hall_camera() {
  const double e = effect_time * pi;
  view_offset[0] = static_cast<float>(std::sin(e / 53) * 3600);
  view_offset[1] = static_cast<float>(std::cos(e / 27) * -700);
  view_offset[2] = static_cast<float>(std::cos(e / 45) * 3600);
  view_target[0] = static_cast<float>(std::sin(e / 87) * 700);
  view_target[1] = static_cast<float>(std::cos(e / 67) * 700);
  view_target[2] = static_cast<float>(std::cos(e / 79) * 400);
  aim_camera();
  view_roll = static_cast<float>(std::sin(e / 27) * 25);
}

}  // namespace

uint8_t hall_fog_shade(int32_t depth) {
  // Negate in 64 bits: the farthest depth has no 32-bit negation.
  return static_cast<uint8_t>(std::clamp<int64_t>(-int64_t(depth) / hall_fog_step, 0, 255));
}

void build_hall() {
  const double t = effect_time * double(0.142857149f);
  build_floor_and_ceiling(t);
  build_pillars(t);
  build_blobs();
}

void build_hall_faces() {
  int32_t f = build_grid_faces(hall_grid_size, hall_grid_size, 2, 0, 1, hall_floor_texture, 0, 0, hall_faces,
                               hall_attributes, hall_textures);
  f = build_grid_faces(hall_pillar_rings, hall_pillar_points, hall_pillar_count, 0, 0, hall_pillar_texture,
                       hall_first_pillar_vertex, f, hall_faces, hall_attributes, hall_textures);
  // Six copies of the sphere's faces: the inner shells (environment-mapped), then the
  // outer shells (additive).
  for (int32_t shell = 0; shell < 2 * hall_blob_count; ++shell) {
    const bool inner = shell < hall_blob_count;
    const int32_t first = hall_first_blob_vertex + shell * hall_model_vertex_count;
    for (int32_t i = 0; i < hall_model_face_count; ++i, ++f) {
      const Face& s = sphere_faces[i];
      hall_faces[f] = {s.i0 + first, s.i1 + first, s.i2 + first};
      hall_attributes[f] = inner ? FaceAttr{1, 0} : FaceAttr{0, 2};
      hall_textures[f] = texture_word(inner ? hall_inner_texture : hall_outer_texture);
    }
  }
}

void hall_scene_init() {
  texgen_set_size(256, 256);
  generate_texture(hall_floor_texture_script, hall_floor_texture);
  generate_texture(hall_pillar_texture_script, hall_pillar_texture);
  generate_texture(hall_inner_texture_script, hall_inner_texture);
  generate_texture(hall_outer_texture_script, hall_outer_texture);
  sphere_levels = 2;
  build_sphere(350);
  std::memcpy(hall_model, sphere_vertices, sizeof hall_model);
  build_hall();
  build_hall_faces();
  make_glow_texture(255, hall_glow, 0xE0E0E0);
}

void hall_scene_enter() {
  std::memcpy(saved_frame, FrameBuffer, sizeof saved_frame);
  dissolve_begun = 0;
  timer_start();
}

bool hall_scene_frame(int32_t p) {
  effect_time = scene_time * 0.25f;
  clear_buffers(hall_sky);
  aim_hall_camera();
  build_hall();

  // Only the inner shells are lit by the environment: their normals alone, from the small
  // copies of their vertices.
  clear_vertex_normals(hall_vertex_count);
  accumulate_vertex_normals(hall_faces, hall_blob_count * hall_model_face_count, hall_small_vertices,
                            hall_solid_face_count);
  transform_vertices(vertex_normals, rotated_normals, hall_blob_count * hall_model_vertex_count, 1, 1, 1,
                     3 * hall_first_blob_vertex, 3 * hall_first_blob_vertex);
  transform_vertices(hall_vertices, projected, hall_vertex_count, 1, 9, 0, 0, 0);

  // Floor and ceiling darken with distance.
  for (int32_t v = 0; v < hall_first_pillar_vertex; ++v) vertex_shade[3 * v] = hall_fog_shade(projected[v].z);

  render_mesh(hall_faces, projected, hall_face_count, hall_texcoords, nullptr, rotated_normals, hall_glow,
              hall_attributes, hall_textures, nullptr);

  // Out to black over the last 32 rows...
  if (p > hall_dissolve_after) {
    if (!dissolve_begun) {
      dissolve_begun = 1;
      dissolve_start();
    }
    dissolve_frame(4.4f, hall_black, dissolve_mask);
  }
  // ...and in from the previous scene's last picture over the first 32.
  if (p < hall_crossfade_until) {
    crossfade_level = 8 * p - 27392;
    crossfade_saved_frame();
  }
  present_frame(1, 0);
  return p > hall_end || quit_flag != 0;
}

void hall_scene_run() {
  hall_scene_enter();
  if (quit_flag != 0) return;
  for (;;) {
    timer_update();
    if (hall_scene_frame(read_music_position())) return;
  }
}
