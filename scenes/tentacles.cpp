#include "scenes/tentacles.h"

#include <cmath>
#include <numbers>

#include "data/texture_scripts.h"
#include "render3d/arith.h"
#include "render3d/effects.h"
#include "render3d/pipeline.h"
#include "scenes/scenes.h"
#include "shell/demo.h"
#include "shell/present.h"
#include "shell/random.h"
#include "shell/timer.h"
#include "shell/window.h"
#include "textures/texgen.h"

namespace {
using std::numbers::pi;
constexpr int32_t tentacles_end_position = 2912;
constexpr int32_t sparks_stop_position = 2816;
}  // namespace

alignas(64) uint32_t tentacle_texture[65536];
alignas(64) uint32_t star_sky_texture[65536];

const float tentacle_table[tentacle_arms][6] = {
    {3, 3, 3, 0, 0, 0},    {3, 3, 3, 128, 0, 0},   {3, 3, 3, 64, 0, 0},  {3, 3, 3, -64, 0, 0},
    {3, 3, 3, 0, 0, 64},   {3, 3, 3, 0, 0, -64},   {3, 3, 3, 32, 0, 32}, {3, 3, 3, 32, 0, -32},
    {3, 3, 3, -32, 0, 32}, {3, 3, 3, -32, 0, -32}, {3, 3, 3, 96, 0, 32}, {3, 3, 3, 96, 0, -32},
    {3, 3, 3, -96, 0, 32}, {3, 3, 3, -96, 0, -32},
};

Vec3i tentacle_model[tentacle_vertex_capacity];
Vec3i tentacle_world[tentacle_vertex_capacity];
Vec3i tentacle_texcoords[tentacle_vertex_capacity];
Face tentacle_faces[tentacle_face_capacity];
FaceAttr tentacle_face_attrs[tentacle_face_capacity];
FaceTexture tentacle_face_textures[tentacle_face_capacity];
int32_t tentacle_vertex_count;
int32_t tentacle_face_count;
int32_t tentacle_tips[tentacle_arms];
Spark sparks[spark_count];

void build_tentacle_ring(int32_t ring, int32_t radius, int32_t arm, int32_t segments) {
  const float* t = tentacle_table[arm];
  const int32_t h = 600 * (ring + 1);
  for (int32_t i = 0; i <= segments; ++i) {
    const double angle = i * pi * (1.0 / 3.0);
    const int32_t x0 = static_cast<int32_t>(-radius * std::cos(angle));
    const int32_t z0 = static_cast<int32_t>(radius * std::sin(angle));
    const int32_t x = static_cast<int32_t>(x0 / static_cast<double>(t[0]));
    const int32_t y = static_cast<int32_t>(h / static_cast<double>(t[1]));
    const int32_t z = static_cast<int32_t>(z0 / static_cast<double>(t[2]));
    rotate_point(x, y, z, t[3], t[4], t[5]);
    const int32_t n = tentacle_vertex_count;
    tentacle_model[n] = {rotated_point[0], rotated_point[1], rotated_point[2]};
    tentacle_texcoords[n] = {256 * i / 6, 16 * ring, 0};
    ++tentacle_vertex_count;
  }
  tentacle_tips[arm] = tentacle_vertex_count - 1;
}

void build_ring_faces(int32_t rings, int32_t points, int32_t tubes, uint32_t mode, uint32_t param,
                      const uint32_t* texture, int32_t first_vertex) {
  for (int32_t t = 0; t < tubes; ++t) {
    for (int32_t k = 0; k < rings - 1; ++k) {
      for (int32_t l = 0; l < points - 1; ++l) {
        const int32_t h = first_vertex + t * rings * points + k * points + l;
        const int32_t m = h + points;
        Face* f = tentacle_faces + tentacle_face_count;
        f[0] = {h, h + 1, m + 1};
        f[1] = {m + 1, m, h};
        for (int32_t e = 0; e < 2; ++e) {
          tentacle_face_attrs[tentacle_face_count] = {mode, param};
          tentacle_face_textures[tentacle_face_count] = texture_word(texture);
          ++tentacle_face_count;
        }
      }
    }
  }
}

void build_tentacles() {
  tentacle_vertex_count = 0;
  tentacle_face_count = 0;
  for (int32_t a = 0; a < tentacle_arms; ++a) {
    for (int32_t j = 0; j < tentacle_rings; ++j) build_tentacle_ring(j, 800 - 100 * j, a, 6);
  }
  build_ring_faces(tentacle_rings, tentacle_ring_points, tentacle_arms, 0, 0, tentacle_texture, 0);
}

void tentacles_init() {
  texgen_set_size(256, 256);
  generate_texture(tentacle_texture_script, tentacle_texture);
  generate_texture(star_sky_texture_script, star_sky_texture);
  build_tentacles();
}

void spawn_spark(int32_t k, float x0, float y0, float z0, float x1, float y1, float z1, uint8_t red,
                 uint8_t green, uint8_t blue) {
  Spark& s = sparks[k];
  const float dx = x1 - x0;
  const float dy = y1 - y0;
  const double travel = std::fabs(dx) + std::fabs(dy);
  s.x = x0 + -160.0f;
  s.y = y0 + -100.0f;
  s.z = z0;
  if (travel > 0) {  // one pixel per frame in the L1 sense, arriving as life runs out
    const double step = 1.0 / travel;
    s.vx = static_cast<float>(dx * step);
    s.vy = static_cast<float>(dy * step);
    s.vz = static_cast<float>((z1 - z0) * step);
    s.fade = static_cast<float>(255 * step);
  } else {  // no travel: drawn once where it starts, then restarted
    s.vx = s.vy = s.vz = 0.0f;
    s.fade = 255.0f;
  }
  s.life = 255.0f;
  constexpr float unit = 0.003921568859368563f;  // the float nearest 1/255
  s.red = red * unit;
  s.green = green * unit;
  s.blue = blue * unit;
}

namespace {
// Per-byte saturating add of the blue, green and red bytes; the fourth byte of add is 0,
// so the pixel's fourth byte never changes.
inline void add_saturate(uint32_t& pixel, uint32_t add) {
  const uint32_t low = (pixel & 0x7F7F7F7Fu) + (add & 0x7F7F7F7Fu);
  const uint32_t carry = ((pixel & add) | ((pixel | add) & low)) & 0x80808080u;
  pixel = (low ^ ((pixel ^ add) & 0x80808080u)) | ((carry >> 7) * 0xFFu);
}
}  // namespace

void draw_spark(int32_t k) {
  Spark& s = sparks[k];
  if (s.life <= 0.0f) return;
  const double px = static_cast<double>(s.x) + 160;
  const double py = static_cast<double>(s.y) + 100;
  // 0 < trunc(px) < 319 and 0 < trunc(py) < 199, tested before any conversion.
  if (px >= 1 && px < 319 && py >= 1 && py < 199) {
    const int32_t sx = static_cast<int32_t>(px);
    const int32_t sy = static_cast<int32_t>(py);
    const int32_t sz = trunc_i32(s.z);
    const int32_t at = sy * screen_width + sx;
    if (wrap_shl(sz, 16) >= ZBuffer[at]) {
      const uint32_t r =
          static_cast<uint32_t>(static_cast<int32_t>(static_cast<double>(s.life) * s.red)) & 0xFF;
      const uint32_t g =
          static_cast<uint32_t>(static_cast<int32_t>(static_cast<double>(s.life) * s.green)) & 0xFF;
      const uint32_t b =
          static_cast<uint32_t>(static_cast<int32_t>(static_cast<double>(s.life) * s.blue)) & 0xFF;
      const uint32_t full = r << 16 | g << 8 | b;
      const uint32_t half = (full >> 1) & 0x7F7F7F;
      const uint32_t quarter = (full >> 2) & 0x3F3F3F;
      uint32_t* c = FrameBuffer + at;
      add_saturate(c[0], full);
      add_saturate(c[-1], half);
      add_saturate(c[1], half);
      add_saturate(c[-screen_width], half);
      add_saturate(c[screen_width], half);
      add_saturate(c[-screen_width - 1], quarter);
      add_saturate(c[-screen_width + 1], quarter);
      add_saturate(c[screen_width - 1], quarter);
      add_saturate(c[screen_width + 1], quarter);
    }
  }
  s.x += s.vx;
  s.y += s.vy;
  s.z += s.vz;
  s.life -= s.fade;
}

void bend_tentacles() {
  const double t = effect_time;
  for (int32_t a = 0; a < tentacle_arms; ++a) {
    for (int32_t j = 0; j < tentacle_rings; ++j) {
      const int32_t first = (a * tentacle_rings + j) * tentacle_ring_points;
      float pitch = 0.0f, yaw = 0.0f, roll = 0.0f;
      if (j > 0) {  // ring 0 stays at the centre; the tip (divisor 7) swings most
        const int32_t l = 31 - 3 * j;
        const int32_t y = tentacle_model[first].y;
        const int32_t z = tentacle_model[first].z;
        pitch = static_cast<float>(150 * std::sin((t + z / 22) * pi * 0.025) / l);
        yaw = static_cast<float>(200 * std::sin((t + y / 25) * pi * 0.01282051282051282) / l);
        roll = static_cast<float>(150 * std::sin((t + z / 24) * pi * 0.015384615384615384) / l);
      }
      for (int32_t i = first; i < first + tentacle_ring_points; ++i) {
        const Vec3i m = tentacle_model[i];
        rotate_point(m.x, m.y, m.z, pitch, yaw, roll);
        tentacle_world[i] = {rotated_point[0], rotated_point[1], rotated_point[2]};
      }
    }
  }
}

void tentacles_enter() {
  fade_colour = 0;
  fill_prev_frame(0);
  timer_start();
}

bool tentacles_frame(int32_t p) {
  if (present_skip) {  // pre-roll: one step per call, whatever the song says
    effect_time = effect_time + 1.0f;
    p = 0;
  } else {
    effect_time = static_cast<float>(scene_time * 0.6);
  }

  const double f = effect_time * pi;
  view_offset[0] = static_cast<float>(1850 * std::sin(f * 0.007246376811594203));
  view_offset[1] = static_cast<float>(2350 * std::sin(f * 0.005952380952380952));
  view_offset[2] = static_cast<float>(1850 * std::cos(f * 0.007246376811594203));
  view_target[0] = static_cast<float>(400 * std::cos(f * 0.014285714285714285));
  view_target[1] = static_cast<float>(300 * std::cos(f * 0.016666666666666666));
  view_target[2] = static_cast<float>(600 * std::cos(f * 0.011111111111111112));
  aim_camera();
  view_roll = static_cast<float>(40 * std::sin(f * 0.0058823529411764705));

  bend_tentacles();

  clear_zbuffer();  // no clear of the picture: the sky sphere covers the screen
  draw_shared_mesh(star_sky_texture);
  transform_vertices(tentacle_world, projected, tentacle_vertex_count, 1, 6, 0, 0, 0);
  render_mesh(tentacle_faces, projected, tentacle_face_count, tentacle_texcoords, nullptr, nullptr, nullptr,
              tentacle_face_attrs, tentacle_face_textures, nullptr);

  const bool spawning = p < sparks_stop_position;
  for (int32_t a = 0; a < tentacle_arms; ++a) {
    const Vec3i tip = projected[tentacle_tips[a]];
    for (int32_t k = a * sparks_per_arm; k < (a + 1) * sparks_per_arm; ++k) {
      if (spawning && sparks[k].life <= 0.0f) {
        const int32_t r1 = demo_rand();
        const int32_t r2 = demo_rand();
        const int32_t r3 = demo_rand();
        spawn_spark(k, static_cast<float>(tip.x), static_cast<float>(tip.y), static_cast<float>(tip.z),
                    static_cast<float>(tip.x + r3 % 40 - 20), static_cast<float>(tip.y + r2 % 40 - 20),
                    static_cast<float>(tip.z + r1 % 40 - 20), 255, 100, 0);
      }
      draw_spark(k);
    }
  }

  present_frame(1, 0);
  if (present_skip) return true;
  return p >= tentacles_end_position || quit_flag;
}

void tentacles_run() {
  tentacles_enter();
  if (quit_flag) return;
  for (;;) {
    timer_update();
    if (tentacles_frame(read_music_position())) return;
  }
}
