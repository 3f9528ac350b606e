#include "scenes/credits_tunnel.h"

#include <cmath>
#include <cstdlib>
#include <numbers>

#include "data/credits.h"
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

namespace {
using std::numbers::pi;
constexpr float path_scale = 0.2f;
constexpr int32_t credits_end_position = 2176;
constexpr int32_t credits_fade_position = 2144;
}  // namespace

alignas(64) uint32_t tunnel_tex_a[65536];
alignas(64) uint32_t tunnel_tex_b[65536];
alignas(64) uint32_t tunnel_tex_c[65536];
alignas(64) uint32_t letter_texture[65536];

Vec3i tunnel_model[tunnel_vertex_capacity];
Vec3i tunnel_world[tunnel_vertex_capacity];
Vec3i tunnel_uv[tunnel_vertex_capacity];
Face tunnel_faces[tunnel_face_capacity];
FaceAttr tunnel_face_attrs[tunnel_vertex_capacity];
FaceTexture tunnel_face_textures[tunnel_vertex_capacity];

int32_t static_vertex_count;
int32_t static_face_count;
int32_t tunnel_vertex_count;
int32_t tunnel_face_count;
int32_t credits_line_index;
int32_t credits_text_offset;
int32_t credits_line_length;

float camera_path[camera_path_keys][6];
int32_t camera_path_segment_keys[camera_path_segments];

float line_hold;
float line_start_time;
int32_t credits_stage;
int32_t credits_lines_pending;

const int32_t cube_vertices[8][3] = {{-18, 18, 18},  {18, 18, 18},  {18, -18, 18},  {-18, -18, 18},
                                     {-18, 18, -18}, {18, 18, -18}, {18, -18, -18}, {-18, -18, -18}};
const int32_t cube_faces[12][3] = {{0, 1, 5}, {5, 4, 0}, {1, 2, 6}, {6, 5, 1}, {2, 3, 7}, {7, 6, 2},
                                   {3, 0, 4}, {4, 7, 3}, {2, 1, 0}, {0, 3, 2}, {4, 5, 6}, {6, 7, 4}};
// Per triangle of a ring: 0 picks the floor texture (the flattened lower arc).
const uint8_t floor_face_table[24] = {1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};

void build_tunnel_vertices() {
  int32_t n = 0;
  for (int32_t h = 0; h < 2; ++h) {
    const double s = h == 0 ? -2000.0 : 2000.0;
    float zsum = 0.0f;
    for (int32_t r = 0; r < tunnel_rings; ++r) {
      for (int32_t j = 0; j < tunnel_ring_points; ++j) {
        const double a = j * pi * (1.0 / 6.0);
        float x = static_cast<float>(std::cos(a) * 7650.0 * s * 0.0005);
        float y = static_cast<float>(std::sin(a) * 5850.0);
        const float z = zsum;
        if (j >= 1 && j <= 5) {  // the lower arc becomes a wide flat floor
          y = 4120.0f;
          x = static_cast<float>(x * 1.2);
        }
        tunnel_world[n].x = static_cast<int32_t>(x) / 5;
        tunnel_world[n].y = static_cast<int32_t>(y) / 5;
        tunnel_model[n].z = static_cast<int32_t>(z) / 5;
        tunnel_uv[n] = {static_cast<int32_t>(j * 21.33333), 32 * r, 0};
        ++n;
      }
      zsum = static_cast<float>(zsum + s);
    }
  }
  static_vertex_count = tunnel_vertex_count = n;
}

void build_tunnel_faces() {
  int32_t f = 0;
  for (int32_t h = 0; h < 2; ++h) {
    for (int32_t r = 0; r < tunnel_rings - 1; ++r) {
      const uint32_t* wall = (r & 1) ? tunnel_tex_a : tunnel_tex_c;
      for (int32_t j = 0; j < tunnel_ring_points - 1; ++j) {
        const int32_t b = tunnel_half_vertices * h + tunnel_ring_points * r + j;
        tunnel_faces[f] = {b, b + 13, b + 14};
        tunnel_faces[f + 1] = {b + 14, b + 1, b};
        for (int32_t d = 2 * j; d <= 2 * j + 1; ++d, ++f) {
          tunnel_face_attrs[f] = {2, 0};
          tunnel_face_textures[f] = texture_word(floor_face_table[d] == 0 ? tunnel_tex_b : wall);
        }
      }
    }
  }
  static_face_count = tunnel_face_count = f;
}

namespace {
int32_t path_key;

void put_key(double e0, double e1, double e2, double e3, double e4, double e5) {
  if (path_key >= camera_path_keys) return;  // the segments make exactly camera_path_keys
  float* k = camera_path[path_key++];
  k[0] = static_cast<float>(e0);
  k[1] = static_cast<float>(e1);
  k[2] = static_cast<float>(e2);
  k[3] = static_cast<float>(e3);
  k[4] = static_cast<float>(e4);
  k[5] = static_cast<float>(e5);
}

double wave(float v, double factor) { return std::sin(v * pi * factor); }
}  // namespace

// The loop variables are 32-bit floats stepped in float arithmetic: their rounding fixes
// the number of keys of each segment.
void build_camera_path() {
  path_key = 0;
  int32_t first = 0;
  auto close_segment = [&first](int32_t segment) {
    camera_path_segment_keys[segment] = path_key - first;
    first = path_key;
  };
  for (float v = 0.0f; v <= 44000.0f; v += 80.0f) {
    put_key(2100 * wave(v, 1 / 11000.0), -130, v, 1730 * wave(v, 1 / 11000.0), -130, 1500);
  }
  close_segment(0);
  for (float v = 0.0f; v < 1500.0f; v += 0.89f) {
    put_key(2200 * wave(v, 1 / 187.5), -130 - 1250 * wave(v, 1 / 150.0), 44000, 1730 * wave(v, 1 / 187.5),
            -130 - 1100 * wave(v, 1 / 150.0), 1500);
  }
  close_segment(1);
  for (float v = 0.0f; v < 300.0f; v += 2.8f) {
    put_key(0, -530 - 1250 * wave(v, 1 / 120.0), 44000, -1500 * wave(v, 1 / 300.0),
            -530 - 1100 * wave(v, 1 / 120.0), 1500 * std::cos(v * pi * (1 / 300.0)));
  }
  close_segment(2);
  for (float v = 44000.0f; v >= 12080.0f; v -= 80.0f) {
    put_key(1800 * wave(v, 1 / 22000.0), -130, v, 1730 * wave(v, 1 / 22000.0), -130, -1500);
  }
  close_segment(3);
  for (float v = 0.0f; v < 3000.0f; v += 1.2f) {
    put_key(2200 * wave(v, 1 / 187.5), -130 - 1250 * wave(v, 1 / 150.0), 12000, 1730 * wave(v, 1 / 187.5),
            -130 - 1100 * wave(v, 1 / 150.0), -1500);
  }
  close_segment(4);
}

void add_credits_line() {
  tunnel_face_count = static_face_count;
  tunnel_vertex_count = static_vertex_count;
  const int32_t len = credits_line_lengths[credits_line_index];
  credits_line_length = len;
  if (len == 0) return;  // the terminator: the index stays on it
  ++credits_line_index;
  for (int32_t i = 0; i < len; ++i) {
    const int32_t c = static_cast<uint8_t>(credits_text[credits_text_offset + i]);
    for (int32_t j = 0; j < 8; ++j) {
      const uint8_t bits = font8x8[(c - font8x8_first_code) * 8 + j];
      for (int32_t k = 0; k < 8; ++k) {
        if (!(bits & (0x80 >> k))) continue;
        if (tunnel_vertex_count + 8 > tunnel_vertex_capacity ||
            tunnel_face_count + 12 > tunnel_face_capacity) {
          continue;  // cannot happen with this text; never write past the arrays
        }
        const int32_t base = tunnel_vertex_count;
        for (const auto& cf : cube_faces) {
          tunnel_faces[tunnel_face_count] = {cf[0] + base, cf[1] + base, cf[2] + base};
          tunnel_face_attrs[tunnel_face_count] = {0, 0};
          tunnel_face_textures[tunnel_face_count] = texture_word(letter_texture);
          ++tunnel_face_count;
        }
        for (const auto& cv : cube_vertices) {
          const int32_t x =
              static_cast<int32_t>(5.0 * cv[0] + 140.0 * (k - 3.5) + 1300.0 * (i - 0.5 * (len - 0.5)));
          const int32_t y = static_cast<int32_t>(6.0 * cv[1] + 180.0 * (j - 3.5));
          const int32_t z = 12 * cv[2];
          tunnel_model[tunnel_vertex_count] = {x, y, z};
          tunnel_uv[tunnel_vertex_count] = {x / 10, y / 10, 0};
          ++tunnel_vertex_count;
        }
      }
    }
  }
  credits_text_offset += len;
}

void credits_tunnel_init() {
  texgen_set_size(256, 256);
  generate_texture(tunnel_tex_a_script, tunnel_tex_a);
  generate_texture(tunnel_tex_b_script, tunnel_tex_b);
  generate_texture(tunnel_tex_c_script, tunnel_tex_c);
  generate_texture(letter_texture_script, letter_texture);
  build_tunnel_vertices();
  build_tunnel_faces();
  build_camera_path();
}

void credits_tunnel_enter() {
  fade_state = -1;
  fade_base[0] = fade_base[1] = fade_base[2] = 0;
  fade_colour = 0;
  timer_start();
  credits_stage = 0;
  credits_lines_pending = 0;
}

namespace {
struct CreditsCue {
  int32_t position;
  float hold;
};
constexpr CreditsCue credits_cues[6] = {{896, 139400.0f}, {1120, 202400.0f}, {1376, 202400.0f},
                                        {1859, 83000.0f}, {2048, 95000.0f},  {2112, 150000.0f}};

// Each cue advances only from the stage before it, so a jump over several cues passes them
// all in one frame; their lines are owed and built one per frame, in text order.
void advance_cues(int32_t p) {
  for (int32_t c = 0; c < 6; ++c) {
    if (credits_stage == c && p >= credits_cues[c].position) {
      credits_stage = c + 1;
      line_hold = credits_cues[c].hold;
      ++credits_lines_pending;
    }
  }
  if (credits_lines_pending > 0) {
    line_start_time = effect_time;
    add_credits_line();
    --credits_lines_pending;
  }
}

void place_letters() {
  const double t = effect_time;
  for (int32_t i = static_vertex_count; i < tunnel_vertex_count; ++i) {
    const Vec3i m = tunnel_model[i];
    // The phase follows x, so the line waves along its length.
    const float pitch = static_cast<float>(28 * std::sin((t + m.x / 97) * pi * 0.009615384615384616));
    const float yaw = static_cast<float>(9 * std::sin((t + m.x / 110) * pi * 0.008));
    const float roll = static_cast<float>(10 * std::sin((t + m.x / 133) * pi * 0.007092198581560284));
    rotate_point(m.x, m.y, m.z, pitch, yaw, roll);
    rotated_point[2] -= 4000;
    if (credits_stage >= 4) {  // the music lines face back down the tunnel
      rotate_point(rotated_point[0], rotated_point[1], rotated_point[2], 0.0f, 128.0f, 0.0f);
    }
    tunnel_world[i] = {rotated_point[0], rotated_point[1], rotated_point[2]};
  }
}
}  // namespace

bool credits_tunnel_frame(int32_t p) {
  clear_buffers(0);
  effect_time = static_cast<float>(scene_time * 1.047058);
  // Past the last key the path holds still rather than reading beyond the table.
  int32_t q = trunc_i32(scene_time * 1.78);
  if (q < 0) q = 0;
  if (q > camera_path_keys - 1) q = camera_path_keys - 1;
  const float* key = camera_path[q];
  view_offset[0] = path_scale * key[0];
  view_offset[1] = path_scale * key[1];
  view_offset[2] = 0.0f;
  view_target[0] = path_scale * key[3];
  view_target[1] = path_scale * key[4];
  view_target[2] = path_scale * key[5];
  aim_camera();
  view_roll = static_cast<float>(15 * std::sin(effect_time * pi * 0.014285714285714285));

  advance_cues(p);

  // The tunnel slides along z by the travel; its shade falls to black away from the camera.
  const double travel = static_cast<double>(path_scale) * key[2];
  for (int32_t i = 0; i < static_vertex_count; ++i) {
    const int32_t zw = static_cast<int32_t>(tunnel_model[i].z + travel);
    tunnel_world[i].z = zw;
    int32_t f = std::abs(static_cast<int32_t>(4.7 * zw)) / 39 - 370;
    f = f < 0 ? 0 : (f > 255 ? 255 : f);
    uint8_t* shade = vertex_shade + 3 * i;
    shade[0] = shade[1] = shade[2] = static_cast<uint8_t>(255 - f);
  }
  place_letters();

  transform_vertices(tunnel_world, projected, tunnel_vertex_count, 1, 7, 0, 0, 0);
  render_first_face = 0;
  render_mesh(tunnel_faces, projected, static_face_count, tunnel_uv, nullptr, rotated_normals, nullptr,
              tunnel_face_attrs, tunnel_face_textures, nullptr);
  clear_zbuffer();  // the letters always lie in front of the tunnel

  // Slide in from the right, hold, slide out to the left.
  float r = (effect_time - line_start_time) * 760.0f;
  if (r > 25000.0f && r < line_hold) r = 25000.0f;
  if (r >= line_hold) r = r - (line_hold - 25000.0f);
  const float d = (r - 25000.0f) * 0.016666668f;
  if (d > 550.0f) tunnel_face_count = static_face_count;  // gone until the next line
  if (tunnel_face_count > static_face_count) {
    for (int32_t i = static_vertex_count; i < tunnel_vertex_count; ++i) {
      projected[i].x = trunc_i32(projected[i].x - static_cast<double>(d));
    }
  }
  render_first_face = static_face_count;
  render_mesh(tunnel_faces, projected, tunnel_face_count - static_face_count, tunnel_uv, nullptr,
              rotated_normals, nullptr, tunnel_face_attrs, tunnel_face_textures, nullptr);

  if (p >= credits_fade_position) fade_ramp(16, 16, 16);
  if (p >= credits_end_position) return true;  // drawn, never shown
  present_frame(1, 2);
  return false;
}

void credits_tunnel_run() {
  credits_tunnel_enter();
  if (quit_flag) return;
  for (;;) {
    timer_update();
    if (credits_tunnel_frame(read_music_position())) return;
    if (quit_flag) return;
  }
}
