#include "scenes/fan_tunnel.h"

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

alignas(64) uint32_t blade_texture[256 * 256];
alignas(64) uint32_t band_texture[256 * 256];
alignas(64) uint32_t rib_texture[256 * 256];
alignas(64) uint32_t wall_texture[256 * 256];

Vec3i fan_vertices[fan_vertex_capacity];
Vec3i fan_texcoords[fan_vertex_capacity];
Face fan_faces[fan_face_capacity];
FaceAttr fan_face_attrs[fan_face_capacity];
FaceTexture fan_face_textures[fan_face_capacity];
int32_t fan_vertex_count = 0;
int32_t fan_face_count = 0;
int32_t fan_static_faces = 0;
int32_t fan_tube_end = fan_blade_first;

float spin_factor = 3.84f;
int32_t band_flip = 1;
int32_t band_flip_seen = 0;
int32_t fan_cycle_prev = 0;
int32_t wall_cycle_prev = 0;
int32_t orange_flash_index = 0;
int32_t band_lag = 20000;

const int16_t blade_widths[4] = {-360, -360, -280, -120};
const int16_t blade_angles[3] = {0, 85, 170};
const uint8_t blade_profile[10] = {0, 80, 30, 0, 0, 0, 30, 80, 0, 0};
const uint8_t blade_profile_reversed[10] = {0, 30, 80, 0, 0, 0, 80, 30, 0, 0};
const float spin_table[32] = {2,  3,  4,  4,  5,  6,  7,  7,  8,  9,  10, 10, 11, 12, 13, 13,
                              14, 15, 16, 16, 17, 18, 19, 19, 20, 21, 22, 22, 23, 24, 25, 25};
const int32_t flash_positions[4] = {1888, 1896, 1908, 1912};

namespace {

using std::numbers::pi;
constexpr int32_t fan_end = 1917;
constexpr int32_t spin_steps_from = 1120;  // the first bars: one step of spin_table per row
constexpr int32_t spin_steps_until = 1151;
constexpr int32_t band_rolls_after = 1367;
constexpr int32_t fan_cycle = 10000;  // travel between the two fans' places
constexpr int32_t wall_cycle = 4000;  // travel of one rib period of the wall
constexpr int32_t band_lag_step = 4000;
constexpr int32_t ring_spacing = 1000;
constexpr int32_t blade_ring_spacing = 900;

inline Vec3i rotated() { return {rotated_point[0], rotated_point[1], rotated_point[2]}; }

// A blade or hub point turned about the view axis.
Vec3i roll_point(int32_t x, int32_t y, int32_t z, float angle) {
  rotate_point(x, y, z, 0, 0, angle);
  return rotated();
}

void add_vertex(uint8_t min_shade, Vec3i p, int32_t u, int32_t v) {
  add_swayed_vertex(min_shade, p.x, p.y, p.z);
  fan_texcoords[fan_vertex_count] = {u, v, 0};
  ++fan_vertex_count;
}

void build_wall(int32_t m) {
  double c[fan_wall_points], s[fan_wall_points];
  for (int32_t j = 0; j < fan_wall_points; ++j) {
    const double a = j * pi * 0.2;
    c[j] = std::cos(a);
    s[j] = std::sin(a);
  }
  for (int32_t i = 0; i < fan_wall_rings; ++i) {
    const int32_t z = m - 20000 + ring_spacing * i;
    const int32_t radius = i % 4 == 3 ? 3000 : 3900;  // every fourth ring is a rib
    for (int32_t j = 0; j < fan_wall_points; ++j)
      add_vertex(0, {trunc_i32(-radius * c[j]), trunc_i32(radius * s[j]), z}, 256 * j / 10 - 40, 64 * i);
  }
  fan_tube_end = fan_vertex_count;
}

// Fan c sits at depth l - 20000 + 10000 c and turns by angle[c]. When the cycle wraps, the
// fans trade places and the spin reverses, so the profile and the texture offset swap too:
// each fan on screen keeps its direction and its blades' pitch.
void build_fans(int32_t l, const float angle[2]) {
  const uint8_t* profile = spin_factor > 0 ? blade_profile : blade_profile_reversed;
  for (int32_t c = 0; c < 2; ++c) {
    const int32_t zc = l - 20000 + fan_cycle * c;
    const int32_t u_offset = (c == 1 && spin_factor > 0) || (c == 0 && spin_factor < 0) ? 128 : 0;
    for (int32_t b = 0; b < 3; ++b) {
      const float roll = blade_angles[b] + angle[c];
      for (int32_t r = 0; r < 4; ++r)
        for (int32_t k = 0; k < 5; ++k) {
          const int32_t x = trunc_i32(blade_widths[r] * std::cos(k * pi * 0.25));
          const int32_t z = trunc_i32(profile[5 * c + k] * 1.4) + zc;
          add_vertex(0, roll_point(x, (r - 3) * blade_ring_spacing, z, roll), 32 * k + u_offset,
                     128 + 15 * r);
        }
    }
  }
  // Half spheres of radius 400 bulging towards the camera.
  for (int32_t c = 0; c < 2; ++c) {
    const int32_t zc = l - 20000 + fan_cycle * c;
    const float roll = angle[c];
    for (int32_t j = 0; j < 5; ++j) {
      const int32_t e = trunc_i32(400 * std::sin(j * pi / 4));
      const int32_t y = trunc_i32(-400 * std::cos(j * pi / 4));
      for (int32_t k = 0; k < 5; ++k) {
        const Vec3i p = {trunc_i32(-e * std::cos(k * pi / 4)), y, trunc_i32(e * std::sin(k * pi / 4)) + zc};
        add_vertex(0, roll_point(p.x, p.y, p.z, roll), 66 * k - 4, 66 * j - 4);
      }
    }
  }
  // The shrouds stand still.
  for (int32_t c = 0; c < 2; ++c) {
    const int32_t zs = l - 20100 + fan_cycle * c;
    for (int32_t j = 0; j < 5; ++j) {
      const double a = j * pi * 0.2;
      const int32_t radius = trunc_i32(240 * std::cos(a) + 3200);
      const int32_t h = trunc_i32(130 * std::sin(a));
      for (int32_t k = 0; k < 11; ++k) {
        const double b = k * pi * 0.2;
        const int32_t x = trunc_i32(radius * std::cos(b));
        add_vertex(0, {x, trunc_i32(radius * std::sin(b)), h + zs}, x / 40 + 128, h);
      }
    }
  }
}

void build_band(int32_t m) {
  const double phase = effect_time * 0.1428571492433548;
  for (int32_t j = 0; j < 21; ++j) {
    const int32_t z = m - band_lag - 20000 + ring_spacing * j;
    for (int32_t k = 0; k < 8; ++k) {
      const int32_t x = trunc_i32((k - 3.5) * -870);
      const int32_t y = j == 20 ? 4000 : trunc_i32(240 * std::sin((k / 3 + j + phase) * pi * 0.5) + 2100);
      add_vertex(110, {x, y, z}, 256 * k / 10, 64 * j);
    }
  }
}

void fire_orange_flashes(int32_t p) {
  for (int32_t i = 0; i < 4; ++i) {
    if (p >= flash_positions[i] && i == orange_flash_index) {
      fade_ramp_restart();
      fade_base[0] = 255;
      fade_base[1] = 128;
      fade_base[2] = 0;
      ++orange_flash_index;
    }
  }
}

}  // namespace

void add_swayed_vertex(uint8_t min_shade, int32_t x, int32_t y, int32_t z) {
  const int32_t v = fan_vertex_count;
  if (v < 0 || v >= fan_vertex_capacity) return;
  // The turn grows with depth, which bends the whole scene into a curve.
  const double t = effect_time;
  const float pitch =
      static_cast<float>(z * 0.0011111111111111111 * std::sin(t * pi * 0.0071428571428571435));
  const float yaw = static_cast<float>(z * 0.0011111111111111111 * std::sin(t * pi * 0.005263157894736842));
  rotate_point(x, y, z, pitch, yaw, 0);
  fan_vertices[v] = rotated();
  int32_t s = -z / 33 - 210;  // darker with depth
  if (s < min_shade) s = min_shade;
  if (s > 255) s = 255;
  vertex_shade[3 * v] = static_cast<uint8_t>(s);
}

float fan_spin_angle(int32_t p) {
  if (p >= spin_steps_from && p <= spin_steps_until)
    return static_cast<float>(spin_table[p - spin_steps_from] * 1.82 * spin_factor);
  if (p > spin_steps_until) return static_cast<float>((effect_time - 0.3) * spin_factor);
  return 0.0f;
}

void build_fan_tunnel(int32_t p) {
  fan_face_count = fan_static_faces;
  fan_vertex_count = 0;

  const int32_t d = trunc_i32(effect_time * 300.0);
  const int32_t l = d % fan_cycle;
  if (l < fan_cycle_prev) spin_factor = -spin_factor;
  fan_cycle_prev = l;
  const int32_t m = d % wall_cycle;
  if (m < wall_cycle_prev) band_flip = -band_flip;
  wall_cycle_prev = m;

  build_wall(m);
  const float u = fan_spin_angle(p);
  const float angle[2] = {u, -u};
  build_fans(l, angle);

  // From 1368 on the band comes 4000 nearer at once, then at every wrap of the wall's cycle
  // (which moves everything built from it 4000 back), until it runs at its place.
  if (p > band_rolls_after && band_flip != band_flip_seen) {
    band_lag -= band_lag_step;
    if (band_lag < 0) band_lag = 0;
    band_flip_seen = band_flip;
  }
  build_band(m);

  int32_t f = fan_face_count;
  const int32_t t = fan_tube_end;
  f = build_grid_faces(4, 5, 6, 0, 1, blade_texture, t, f, fan_faces, fan_face_attrs, fan_face_textures);
  f = build_grid_faces(5, 5, 2, 0, 1, blade_texture, t + 120, f, fan_faces, fan_face_attrs,
                       fan_face_textures);
  f = build_grid_faces(5, 11, 2, 0, 1, blade_texture, t + 170, f, fan_faces, fan_face_attrs,
                       fan_face_textures);
  f = build_grid_faces(21, 8, 1, face_double_sided, 1, band_texture, t + 280, f, fan_faces, fan_face_attrs,
                       fan_face_textures);
  fan_face_count = f;
}

void fan_tunnel_init() {
  texgen_set_size(256, 256);
  generate_texture(blade_texture_script, blade_texture);
  generate_texture(band_texture_script, band_texture);
  generate_texture(rib_texture_script, rib_texture);
  generate_texture(wall_texture_script, wall_texture);
  fan_static_faces = build_grid_faces(fan_wall_rings, fan_wall_points, 1, 0, 1, wall_texture, 0, 0, fan_faces,
                                      fan_face_attrs, fan_face_textures);
  // The gap after every rib ring carries the rib texture.
  for (int32_t i = 3; i < fan_wall_rings - 1; i += 4)
    for (int32_t f = 20 * i; f < 20 * i + 20; ++f) fan_face_textures[f] = texture_word(rib_texture);
  fan_face_count = fan_static_faces;
}

void fan_tunnel_enter() {
  fade_state = -1;
  fade_base[0] = fade_base[1] = fade_base[2] = 0;
  timer_start();
  band_lag = 20000;
}

bool fan_tunnel_frame(int32_t p) {
  clear_buffers(0);
  effect_time = static_cast<float>(scene_time * 0.53);
  const double t = effect_time;
  const double f = t * 300 * pi;
  view_offset[0] = static_cast<float>(1250 * std::cos(f * 0.00006666666666666667));
  view_offset[1] = static_cast<float>(1250 * std::cos(f * 0.0001));
  view_offset[2] = 0.0f;
  view_target[0] = static_cast<float>(-90 * std::sin(t * pi / 140));
  view_target[1] = static_cast<float>(90 * std::sin(t * pi / 190));
  view_target[2] = 8000.0f;
  aim_camera();
  view_roll = static_cast<float>(8 * std::sin(t * pi * 0.01075268817204301));

  build_fan_tunnel(p);
  transform_vertices(fan_vertices, projected, fan_vertex_count, 1, 8, 0, 0, 0);
  render_mesh(fan_faces, projected, fan_face_count, fan_texcoords, nullptr, nullptr, nullptr, fan_face_attrs,
              fan_face_textures, nullptr);

  fire_orange_flashes(p);
  fade_ramp(-32, -32, -32);  // each flash dies away; nothing is added before the first
  present_frame(1, 1);
  if (present_skip) return true;
  return p > fan_end || quit_flag != 0;
}

void fan_tunnel_run() {
  fan_tunnel_enter();
  if (quit_flag) return;
  for (;;) {
    timer_update();
    if (fan_tunnel_frame(read_music_position())) return;
  }
}
