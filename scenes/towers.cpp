#include "scenes/towers.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <numbers>

#include "data/texture_scripts.h"
#include "render3d/arith.h"
#include "render3d/effects.h"
#include "render3d/pipeline.h"
#include "scenes/intermission.h"
#include "scenes/scenes.h"
#include "shell/demo.h"
#include "shell/present.h"
#include "shell/timer.h"
#include "shell/window.h"
#include "textures/tables.h"
#include "textures/texgen.h"

Vec3i tower_vertices[tower_vertex_capacity];
Vec3i tower_texcoords[tower_vertex_capacity];
Face tower_faces[tower_face_capacity];
FaceAttr tower_attributes[tower_face_capacity];
FaceTexture tower_textures[tower_face_capacity];
int32_t tower_face_count = 0;
int32_t tower_vertex_count = 0;
int32_t blob_first_vertex = 0;
int32_t blob_first_word = 0;
int32_t blob_vertex_count = 0;
Vec3i blob_model[blob_vertex_capacity];

const TowerGroup tower_groups[5] = {
    {2, 1500, 0}, {2, -1500, 0}, {2, 0, 1500}, {2, 0, -1500}, {1, 0, 0},
};

uint32_t tower_wall_texture[256 * 256];
uint32_t tower_floor_texture[256 * 256];
uint32_t blob_texture[256 * 256];
uint32_t tower_glow_texture[256 * 256];

int32_t camera_drop = 1000;
int32_t camera_swing = 0;

namespace {

using std::numbers::pi;
constexpr int32_t towers_end = 895;
constexpr int32_t towers_dissolve_after = 857;
constexpr int32_t floor_group = 4;
constexpr int32_t floor_row = 22;  // y = 600
constexpr int32_t light_height = -480;

// The dissolve's target picture: black.
const uint32_t towers_black[screen_pixels] = {};

// Whether the logo carries anything in its spare bytes: if not, the logo dimmed by full
// white adds nothing and need not be drawn.
bool towers_logo_spare = true;

// One tower's profile, top to bottom: (row, radius). The repeated rows 4, 10 and 24 make
// flat ledges.
struct TowerRing {
  int32_t row, radius;
};
constexpr TowerRing tower_profile[tower_ring_count] = {
    {0, 0},    {1, 150},  {2, 300},  {3, 450},  {4, 600},  {4, 450},  {5, 420},  {6, 390},  {7, 360},
    {8, 330},  {9, 300},  {10, 270}, {10, 170}, {11, 170}, {12, 170}, {13, 170}, {14, 170}, {15, 170},
    {16, 170}, {17, 170}, {18, 170}, {19, 170}, {20, 170}, {21, 170}, {22, 170}, {23, 170}, {24, 170},
    {24, 240}, {25, 240}, {26, 240}, {27, 240}, {28, 240}, {29, 240},
};

// The windows: grid rows 6..9 of every tower, every other cell around.
constexpr int32_t window_first_row = 6;
constexpr int32_t window_last_row = 9;

void aim_towers_camera(double t) {
  const double s = std::sin(t / 201);
  camera_swing = trunc_i32(2500 * s);
  const double a = t / 127;
  view_offset[0] = static_cast<float>(camera_swing * std::sin(a));
  view_offset[1] = static_cast<float>(700 + 700 * s);
  view_offset[2] = static_cast<float>(camera_swing * std::cos(a));
  view_target[0] = static_cast<float>(300 * std::cos(t / 86) + 300);
  view_target[1] = static_cast<float>(5 * camera_drop + 200);
  view_target[2] = static_cast<float>(400 * std::cos(t / 72));
  aim_camera();
  view_roll = static_cast<float>(10 * std::sin(t / 50));
}

// The blob's environment coordinates follow its rotated vertex normals.
void map_blob_environment() {
  clear_vertex_normals(tower_vertex_count);
  accumulate_vertex_normals(tower_faces, blob_face_count, tower_vertices, blob_first_face);
  normal_offset[0] = normal_offset[1] = 0;
  transform_vertices(vertex_normals, rotated_normals, blob_vertex_count, 1, 1, 1, blob_first_word,
                     blob_first_word);
}

}  // namespace

void add_tower_ring(int32_t row, int32_t radius, int32_t group, int32_t segments, int32_t height) {
  const TowerGroup& g = tower_groups[group];
  const int32_t y = 100 * (row - height / 2);
  for (int32_t i = 0; i <= segments; ++i) {
    const double a = i * pi * 0.25;
    const int32_t x0 = trunc_i32(-radius * std::cos(a));
    const int32_t z0 = trunc_i32(radius * std::sin(a));
    const Vec3i v = {x0 / g.divisor + g.centre_x, y / g.divisor, z0 / g.divisor + g.centre_z};
    tower_vertices[tower_vertex_count] = v;
    tower_texcoords[tower_vertex_count] =
        group < floor_group ? Vec3i{256 * i / 8, 8 * row, 0} : Vec3i{v.x / 25 + 128, v.z / 25 + 128, 0};
    ++tower_vertex_count;
  }
}

void build_towers() {
  for (int32_t s = 0; s < tower_count; ++s)
    for (int32_t c = window_first_row; c <= window_last_row; ++c)
      for (int32_t a = 1; a < 8; a += 2) {
        const int32_t f = tower_faces_each * s + 16 * c + 2 * a;
        tower_attributes[f].mode_flags = tower_attributes[f + 1].mode_flags = tower_window_flags;
      }
  for (int32_t g = 0; g < tower_count; ++g)
    for (const TowerRing& ring : tower_profile)
      add_tower_ring(ring.row, ring.radius, g, tower_ring_points - 1, tower_ring_height);
  for (int32_t r = 0; r < tower_ring_count; ++r)
    add_tower_ring(floor_row, 120 * r, floor_group, tower_ring_points - 1, tower_ring_height);
}

void towers_init() {
  texgen_set_size(256, 256);
  generate_texture(tower_wall_texture_script, tower_wall_texture);
  generate_texture(tower_floor_texture_script, tower_floor_texture);
  generate_texture(blob_texture_script, blob_texture);

  sphere_levels = 3;
  build_sphere(700);
  blob_vertex_count = std::min(sphere_vertex_count, blob_vertex_capacity);
  std::copy_n(sphere_vertices, blob_vertex_count, blob_model);

  int32_t f = build_grid_faces(tower_ring_count, tower_ring_points, tower_count, face_double_sided, 0,
                               tower_wall_texture, 0, 0, tower_faces, tower_attributes, tower_textures);
  f = build_grid_faces(tower_ring_count, tower_ring_points, 1, 0, 0, tower_floor_texture,
                       tower_floor_first_vertex, f, tower_faces, tower_attributes, tower_textures);
  tower_vertex_count = 0;
  build_towers();

  // The blob: the sphere's faces over the halved rest sphere, environment-mapped.
  blob_first_vertex = tower_vertex_count;
  blob_first_word = 3 * blob_first_vertex;
  for (int32_t i = 0; i < blob_face_count; ++i, ++f) {
    const Face& s = sphere_faces[i];
    tower_faces[f] = {s.i0 + blob_first_vertex, s.i1 + blob_first_vertex, s.i2 + blob_first_vertex};
    tower_attributes[f] = {1, 0};
    tower_textures[f] = texture_word(blob_texture);
  }
  for (int32_t i = 0; i < blob_vertex_count; ++i) {
    const Vec3i h = {blob_model[i].x / 2, blob_model[i].y / 2, blob_model[i].z / 2};
    tower_vertices[tower_vertex_count] = h;
    tower_texcoords[tower_vertex_count++] = {h.x / 4 + 128, h.y / 4 + 128, 0};
  }

  make_glow_texture(256, tower_glow_texture, tower_light_subtract);

  // A light sprite over every tower.
  for (int32_t g = 0; g < tower_count; ++g, ++f) {
    const int32_t v = tower_vertex_count++;
    tower_vertices[v] = {tower_groups[g].centre_x, light_height, tower_groups[g].centre_z};
    tower_faces[f] = {v, v, v};
    tower_attributes[f] = {3, tower_light_subtract};
    tower_textures[f] = tower_light_size;
  }
  tower_face_count = f;

  towers_logo_spare =
      std::any_of(std::begin(title_logo), std::end(title_logo), [](uint32_t p) { return (p >> 24) != 0; });
}

void wobble_blob() {
  const double t = effect_time;
  for (int32_t i = 0; i < blob_vertex_count; ++i) {
    const Vec3i& m = blob_model[i];
    const int32_t x = trunc_i32(-m.x * ((2.0 / 3) * std::sin((m.y / 39 + t) * pi / 47) + 1.2));
    const int32_t z = trunc_i32(m.z * ((2.0 / 3) * std::sin((x / 55 + t) * pi / 53) + 1.2));
    const float pitch = static_cast<float>(10 * std::sin((m.y / 42 + t) * pi / 53));
    const float roll = static_cast<float>(15 * std::sin((x / 45 + t) * pi / 65));
    rotate_point(x, m.y, z, pitch, 0, roll);
    tower_vertices[blob_first_vertex + i] = {rotated_point[0] / 2, rotated_point[1] / 2,
                                             rotated_point[2] / 2};
  }
}

void towers_enter() {
  dissolve_begun = 0;
  timer_start();
}

bool towers_frame(int32_t position) {
  effect_time = static_cast<float>(scene_time * 0.4);
  clear_zbuffer();

  // The title backdrop darkens over the first 64 rows; the scene is drawn over it.
  title_dim = static_cast<uint64_t>(std::clamp(4 * position, 0, 255)) * 0x0101010101010101u;
  if (title_dim == ~uint64_t(0))
    std::fill_n(FrameBuffer, screen_pixels, 0u);  // all that the fully dimmed backdrop leaves
  else
    draw_title_backdrop();

  aim_towers_camera(effect_time * pi);
  wobble_blob();
  camera_drop = std::max(camera_drop - 4, 0);
  map_blob_environment();
  transform_vertices(tower_vertices, projected, tower_vertex_count, 1, 7, 0, 0, 0);
  render_mesh(tower_faces, projected, tower_face_count, tower_texcoords, nullptr, rotated_normals,
              tower_glow_texture, tower_attributes, tower_textures, tower_glow_texture);

  if (position > towers_dissolve_after) {
    if (!dissolve_begun) {
      dissolve_begun = 1;
      dissolve_start();
    }
    dissolve_frame(3.0f, towers_black, dissolve_mask);
  }
  // The logo, full until row 63, fades out over the next 64 rows.
  const uint32_t k = static_cast<uint32_t>(std::clamp(4 * position - 252, 0, 255));
  if (k < 255 || towers_logo_spare) draw_title_logo(k * 0x010101u);
  present_frame(1, 0);
  return position > towers_end || quit_flag == 1;
}

void towers_run() {
  towers_enter();
  if (quit_flag == 1) return;
  for (;;) {
    timer_update();
    if (towers_frame(read_music_position())) return;
  }
}
