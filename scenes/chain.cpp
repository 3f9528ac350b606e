#include "scenes/chain.h"

#include <cmath>
#include <cstring>
#include <numbers>

#include "data/texture_scripts.h"
#include "render3d/effects.h"
#include "render3d/pipeline.h"
#include "scenes/scenes.h"
#include "shell/demo.h"
#include "shell/present.h"
#include "shell/timer.h"
#include "shell/window.h"
#include "textures/tables.h"
#include "textures/texgen.h"

Vec3i chain_vertices[chain_vertex_count];
Vec3i chain_model[chain_vertex_count];
Vec3i chain_texcoords[chain_vertex_count];
Face chain_faces[chain_face_count];
FaceAttr chain_attributes[chain_face_count];
FaceAttr chain_echo_attributes[chain_face_count];
FaceTexture chain_textures[chain_face_count];
Vec3i chain_echo[chain_vertex_count];
uint32_t chain_floor_texture[256 * 256];
uint32_t chain_glow_texture[256 * 256];

const ChainLink link_table[chain_link_count] = {
    {0, -1045}, {64, -855}, {0, -665}, {64, -475}, {0, -285}, {64, -95},
    {0, 95},    {64, 285},  {0, 475},  {64, 665},  {0, 855},  {64, 1045},
};

namespace {

using std::numbers::pi;
constexpr int32_t chain_end = 3439;
constexpr int32_t chain_crossfade_end = 3072;
constexpr int32_t chain_dissolve_after = 3407;
constexpr int32_t chain_first_vertex_word = floor_vertex_count * 3;
constexpr int32_t chain_links_vertex_count = chain_vertex_count - floor_vertex_count;

// The dissolve's target picture: black.
const uint32_t chain_black[screen_pixels] = {};

inline Vec3i rotated() { return {rotated_point[0], rotated_point[1], rotated_point[2]}; }

// The camera breathes in and out while it circles the chain.
void aim_chain_camera(double t) {
  double e = 130 * std::sin(t / 67) + 430;
  view_offset[0] = static_cast<float>(e * std::sin(t / 128));
  view_offset[1] = static_cast<float>(400 * std::sin(t / 119));
  view_offset[2] = static_cast<float>(e * std::cos(t / 158));
  double c = std::cos(t / 97);
  view_target[0] = static_cast<float>(50 * c);
  view_target[1] = view_offset[1];
  view_target[2] = static_cast<float>(30 * c);
  view_roll = static_cast<float>(40 * std::sin(t / 140));
  aim_camera();
}

// The chain's environment coordinates are its rotated normals, shifted to the glow's centre.
void map_chain_environment() {
  clear_vertex_normals(chain_vertex_count);
  accumulate_vertex_normals(chain_faces, chain_face_count - floor_face_count, chain_vertices,
                            floor_face_count);
  normal_offset[0] = normal_offset[1] = 128;
  transform_vertices(vertex_normals, chain_texcoords, chain_links_vertex_count, 1, 1, 1,
                     chain_first_vertex_word, chain_first_vertex_word);
  normal_offset[0] = normal_offset[1] = 0;
}

// The echo copies the whole projected picture, pushed aside by how far each vertex was;
// the floor's entries are still last frame's, as the floor is projected after this.
void build_echo(double t) {
  double b = 60 * std::sin(t / 100);
  double c = 10 * std::sin(t / 77);
  for (int i = 0; i < chain_vertex_count; ++i) {
    double g = 0.00025 * (projected[i].z + 10000);
    chain_echo[i] = {static_cast<int32_t>((projected[i].x - 160) - b * g) + 160,
                     static_cast<int32_t>((projected[i].y - 100) - c * g) + 100, -5000};
  }
}

// The floor rocks on a camera of its own, fixed at the origin.
void project_floor(double t) {
  view_pitch = static_cast<float>(13 * std::sin(t / 44));
  view_yaw = static_cast<float>(10 * std::sin(t / 61));
  view_roll = static_cast<float>(18 * std::sin(t / 75));
  view_offset[0] = view_offset[1] = view_offset[2] = 0;
  transform_vertices(chain_vertices, projected, floor_vertex_count, 1, 7, 0, 0, 0);
}

}  // namespace

void build_chain_and_floor() {
  for (int i = 0; i < 11; ++i)
    for (int j = 0; j < 11; ++j) {
      int32_t x = -7280 + 1040 * i;
      int32_t y = -5880 + 840 * j;
      chain_vertices[11 * i + j] = {x, y, -850};
      chain_texcoords[11 * i + j] = {static_cast<int32_t>(x * double(0.2f)),
                                     static_cast<int32_t>(y * double(0.2f)), 0};
    }

  // Each link is a torus (ring radius 90, tube radius 25) about the z axis whose lower
  // eight points per ring are pulled 80 down into an oval.
  int32_t n = floor_vertex_count;
  for (int link = 0; link < chain_link_count; ++link)
    for (int j = 0; j < 7; ++j) {
      double a = (j + 0.5) * pi / 3;
      int32_t m = static_cast<int32_t>(25 * std::cos(a) + 90);
      for (int k = 0; k < 17; ++k) {
        double b = k * pi * 0.125;
        double y = m * std::cos(b) + link_table[link].offset + 40;
        if (k > 3 && k < 12) y -= 80;
        double x = -m * std::sin(b);
        double z = 25 * std::sin(a);
        rotate_point(static_cast<int32_t>(x), static_cast<int32_t>(y), static_cast<int32_t>(z), 0,
                     link_table[link].yaw, 0);
        chain_model[n++] = rotated();
      }
    }
}

void chain_init() {
  texgen_set_size(256, 256);
  generate_texture(chain_floor_texture_script, chain_floor_texture);
  build_chain_and_floor();
  build_grid_faces(11, 11, 1, face_double_sided, 0, chain_floor_texture, 0, 0, chain_faces, chain_attributes,
                   chain_textures);
  build_grid_faces(7, 17, chain_link_count, 0, 0, chain_glow_texture, floor_vertex_count, floor_face_count,
                   chain_faces, chain_attributes, chain_textures);
  make_glow_texture(350, chain_glow_texture, 0);
}

void animate_chain() {
  double t = effect_time;
  for (int link = 0; link < chain_link_count; ++link) {
    float pitch = static_cast<float>(13 * std::sin((3 * link + t) * pi / 96));
    float yaw = static_cast<float>(160 * std::sin((8 * link + t) * pi / 83));
    float roll = static_cast<float>(13 * std::sin((3 * link + t) * pi / 72));
    int32_t first = floor_vertex_count + chain_link_vertices * link;
    for (int v = first; v < first + chain_link_vertices; ++v) {
      rotate_point(chain_model[v].x, chain_model[v].y, chain_model[v].z, pitch, yaw, roll);
      chain_vertices[v] = rotated();
    }
  }
}

bool chain_frame(int32_t position) {
  effect_time = static_cast<float>(scene_time * 0.4);
  animate_chain();
  clear_buffers(0);

  double t = effect_time * pi;
  aim_chain_camera(t);
  map_chain_environment();
  transform_vertices(chain_vertices, projected, chain_links_vertex_count, 1, 7, 0, chain_first_vertex_word,
                     chain_first_vertex_word);
  build_echo(t);
  project_floor(t);

  render_mesh(chain_faces, projected, chain_face_count, chain_texcoords, nullptr, nullptr, nullptr,
              chain_attributes, chain_textures, nullptr);
  render_mesh(chain_faces, chain_echo, chain_face_count, chain_texcoords, nullptr, nullptr, nullptr,
              chain_echo_attributes, chain_textures, nullptr);

  // In from the previous scene's last picture over the first 32 rows...
  if (position < chain_crossfade_end) {
    crossfade_level = 8 * position - 23296;
    crossfade_saved_frame();
  }
  // ...and out to black over the last 32.
  if (position > chain_dissolve_after) {
    if (!dissolve_begun) {
      dissolve_begun = 1;
      dissolve_start();
    }
    dissolve_frame(4.0f, chain_black, dissolve_mask);
  }
  present_frame(1, 0);
  return position > chain_end || quit_flag == 1;
}

void chain_enter() {
  std::memcpy(saved_frame, FrameBuffer, sizeof saved_frame);
  dissolve_begun = 0;
  timer_start();
}

void chain_run() {
  chain_enter();
  if (quit_flag == 1) return;
  for (;;) {
    timer_update();
    if (chain_frame(read_music_position())) return;
  }
}
