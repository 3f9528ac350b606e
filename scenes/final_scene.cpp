#include "scenes/final_scene.h"

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

Vec3i final_vertices[final_vertex_capacity];
Vec3i final_texcoords[final_vertex_capacity];
Face final_faces[final_face_capacity];
FaceAttr final_attributes[final_face_capacity];
FaceTexture final_face_textures[final_face_capacity];
Face final_draw_faces[final_face_capacity];
FaceAttr final_draw_attributes[final_face_capacity];
FaceTexture final_draw_textures[final_face_capacity];
int32_t final_vertex_count = 0;
int32_t final_face_count = 0;
int32_t figure_first_vertex = 0;
int32_t figure_first_face = 0;
int32_t figure_face_end = 0;
int32_t final_saved_vertex_count = 0;
int32_t final_saved_face_count = 0;

uint32_t final_texture_a[256 * 256];
uint32_t final_texture_b[256 * 256];
uint32_t final_texture_c[256 * 256];
uint32_t final_texture_d[256 * 256];
uint32_t stripe_texture[256 * 256];
uint32_t final_black_texture[256 * 256];
const uint32_t* final_textures[6] = {final_texture_b,     stripe_texture,  final_texture_a,
                                     final_black_texture, final_texture_c, final_texture_d};

const ArmPlacement arm_placements[final_arm_count] = {
    {0, 0, 0, 0, 0, 6700, 1000},    {0, 64, 0, 6700, 0, 0, 1000},     {0, 128, 0, 0, 0, -6700, 1000},
    {0, 192, 0, -6700, 0, 0, 1000}, {128, 128, 0, 0, 0, 6700, 1000},  {128, 64, 0, 6700, 0, 0, 1000},
    {128, 0, 0, 0, 0, -6700, 1000}, {128, 192, 0, -6700, 0, 0, 1000},
};

BoneState bone_state = {};
uint8_t figure_brightness = 0;
uint8_t figure_blend = 1;
float write_ring_texcoords = 1.0f;
int32_t cone_block_a = 0;
int32_t cone_block_b = 0;
float stretch = 1.0f;
float lift = 0;
float stretch_start = 0;
float lift_start = 0;
uint8_t stretch_started = 0;
uint8_t lift_started = 0;
float scene_t = 0;
float anim_t = 0;
int32_t final_scene_step = final_scene_start_step;

namespace {

using std::numbers::pi;
constexpr int32_t brightness_from = 5472;  // the figure starts to turn solid
constexpr int32_t stretch_after = 5983;
constexpr int32_t lift_after = 6007;
constexpr int32_t fade_after = 6023;
constexpr int32_t freeze_from = 6144;  // the figure stops in its rest pose
constexpr int32_t final_end = 6269;
constexpr int32_t final_wrap_below = 256;  // the module started over
constexpr float stretch_rate = 0.0555555559694767f;
constexpr float stretch_limit = 4.0f;
constexpr float lift_rate = 200.0f;
constexpr float lift_limit = 15000.0f;

// The ring's nine angles (an eighth of a turn apart) and the whole figure's final turn.
struct RingTables {
  double cos_k[ring_points], sin_k[ring_points];
  PointTurn figure_turn;
};

const RingTables& ring_tables() {
  static const RingTables tables = [] {
    RingTables t{};
    for (int32_t k = 0; k < ring_points; ++k) {
      t.cos_k[k] = std::cos(k * pi * 0.25);
      t.sin_k[k] = std::sin(k * pi * 0.25);
    }
    t.figure_turn = point_turn(0, -6.0f, 0);
    return t;
  }();
  return tables;
}

// The bone turn add_ring uses, refreshed whenever bone_state's angles change.
PointTurn bone_turn;
int32_t bone_turn_angles[3] = {0, 0, 0};
bool bone_turn_valid = false;

const PointTurn& current_bone_turn() {
  const int32_t angles[3] = {bone_state.pitch, bone_state.yaw, bone_state.roll};
  if (!bone_turn_valid || !std::equal(angles, angles + 3, bone_turn_angles)) {
    bone_turn = point_turn(float(angles[0]), float(angles[1]), float(angles[2]));
    std::copy(angles, angles + 3, bone_turn_angles);
    bone_turn_valid = true;
  }
  return bone_turn;
}

// grid(rows, v) of the figure: rows rings of nine points from first_vertex on.
void figure_grid(int32_t rows, int32_t first_vertex) {
  final_face_count = build_grid_faces(rows, ring_points, 1, 0, figure_blend, final_textures[5], first_vertex,
                                      final_face_count, final_faces, final_attributes, final_face_textures);
}

void ring(int32_t a, int32_t b, int32_t c, int32_t d, int32_t e) { add_ring(a, b, c, d, e); }

// Five structures of six rings of seventeen points: the walls below and above, the upper
// cone, the disc, the lower cone. Coordinates in single precision, then truncated.
void build_stage() {
  for (int32_t s = 0; s < stage_structures; ++s) {
    if (s == 2) cone_block_a = final_vertex_count;
    if (s == 4) cone_block_b = final_vertex_count;
    for (int32_t m = 0; m < stage_rings; ++m) {
      const int32_t cone_radius = 4000 - 400 * m;
      const int32_t disc_radius = 2000 * m;
      for (int32_t n = 0; n < stage_points; ++n) {
        const double theta = n * pi / 8;
        const double c = std::cos(theta), s_up = std::sin(theta), s_down = std::sin(-theta);
        const double c_down = std::cos(-theta);
        float x = 0, y = 0, z = 0;
        int32_t u = 45 * m, v = 0;
        switch (s) {
          case 0:  // lower wall
            x = float(10000 * c), y = float(-7500 + 1500 * m), z = float(10000 * s_up), v = 64 * n;
            break;
          case 1:  // upper wall
            x = float(10000 * c_down), y = float(7500 - 1500 * m), z = float(10000 * s_down), v = -64 * n;
            break;
          case 2:  // upper cone
            x = float(cone_radius * c_down), y = float(4500 - 900 * m), z = float(cone_radius * s_down);
            v = 16 * n;
            break;
          case 3:  // disc
            x = float(-disc_radius * c), y = 0, z = float(disc_radius * s_up);
            u = trunc_i32(0.01f * x), v = trunc_i32(0.01f * z);
            break;
          default:  // lower cone
            x = float(cone_radius * c), y = float(-4500 + 900 * m), z = float(cone_radius * s_up);
            v = -16 * n;
            break;
        }
        final_vertices[final_vertex_count] = {trunc_i32(x), trunc_i32(y), trunc_i32(z)};
        final_texcoords[final_vertex_count] = {u, v, 0};
        ++final_vertex_count;
      }
    }
  }
}

}  // namespace

void build_stripe_texture() {
  for (int32_t i = 0; i < 256; ++i)
    for (int32_t x = 0; x < 256; ++x) {
      int32_t g = trunc_i32(253 * std::sin(i * pi / 512) - 50 + 50 * std::sin(x * pi / 8));
      if (g < 0 || i > 245) g = 0;
      stripe_texture[i * 256 + x] = uint32_t(g) * 0x01010101u;
    }
}

void build_arms(uint8_t with_stage) {
  final_vertex_count = 0;
  const double swing = std::sin(scene_t * pi / 32);
  for (int32_t i = 0; i < final_arm_count; ++i) {
    const ArmPlacement& p = arm_placements[i];
    const PointTurn place = point_turn(float(p.pitch), float(p.yaw), float(p.roll));
    for (int32_t j = 0; j < final_arm_rings; ++j) {
      const int32_t r = trunc_i32(1300 * std::sin((9 - j) * pi * 0.04));
      const PointTurn curl = point_turn(float((j * j / 4) * swing), 0, 0);
      for (int32_t k = 0; k < final_arm_points; ++k) {
        float a, b;
        if (i < 4) {
          const double phi = (k + 0.5) * pi / 2;
          a = float(1.7 * r * std::cos(phi));
          b = float(r * std::sin(phi));
        } else {
          const double phi = (0.5 - k) * pi / 2;
          a = float(-1.7 * r * std::cos(phi));
          b = float(r * std::sin(phi));
        }
        const Vec3i c = turn_point(trunc_i32(a), -j * p.step, trunc_i32(b), curl);
        const Vec3i q = turn_point(c.x, c.y, c.z, place);
        final_vertices[final_vertex_count] = {q.x + p.x, q.y + p.y, q.z + p.z};
        final_texcoords[final_vertex_count] = {64 * k, 30 * j, 0};
        ++final_vertex_count;
      }
    }
  }
  if (with_stage == 1) build_stage();
}

void add_ring(int32_t a, int32_t b, int32_t c, int32_t d, int32_t e) {
  const RingTables& t = ring_tables();
  const PointTurn& bone = current_bone_turn();
  const BoneState& s = bone_state;
  for (int32_t k = 0; k < ring_points; ++k) {
    const Vec3i r =
        turn_point(trunc_i32(a + d * t.cos_k[k]), s.base_y - b, trunc_i32(c + e * t.sin_k[k]), bone);
    const int32_t x2 = (r.x + s.offset_x) * 15;
    const int32_t y2 = (r.y + s.offset_y - s.base_y) * 14 - 250;
    const int32_t z2 = (r.z + s.offset_z) * 15;
    const Vec3i q = turn_point(x2, y2, z2, t.figure_turn);
    const int32_t n = final_vertex_count;
    final_vertices[n] = {q.x, trunc_i32(q.y - double(lift)), q.z};
    vertex_shade[3 * n] = figure_brightness;
    if (write_ring_texcoords == 1.0f) final_texcoords[n] = {32 * k, y2 / 14, 0};
    final_vertex_count = n + 1;
  }
}

void build_figure() {
  final_vertex_count = figure_first_vertex;
  final_face_count = figure_first_face;
  const double at = anim_t;

  // Arms, swinging in opposite senses.
  for (int32_t side : {1, -1}) {
    bone_state = {0, 0, 30 * side, 138, 0, 0, trunc_i32(side * 16 * std::sin(at * pi / 30))};
    figure_grid(15, final_vertex_count);
    ring(18, 0, 0, 0, 0);
    ring(18, 0, 0, 40, 17);
    ring(13, 8, 0, 35, 17);
    ring(5, 14, 0, 25, 17);
    for (int32_t j = 0; j <= 4; ++j) ring(0, 25 + 14 * j, 0, j / 2 + 10, j / 2 + 10);
    for (int32_t j = 4; j <= 9; ++j) ring(0, 81 + 14 * (j - 4), 0, j / 2 + 22, j / 2 + 22);
  }

  // Body.
  bone_state.roll = 0;
  bone_state.base_y = 0;
  bone_state.offset_z = 0;
  figure_grid(17, final_vertex_count);
  ring(0, 138, 0, 0, 0);
  for (int32_t k = 0; k <= 13; ++k)
    ring(trunc_i32(10 * std::sin((k + 1) * pi / 12)), 138 + 16 * k, 0,
         trunc_i32(20 * std::sin((k + 3) * pi / 14) + 33), trunc_i32(30 * std::sin((k + 5) * pi / 17) + 43));
  ring(0, 355, 0, 15, 20);
  ring(0, 361, 0, 12, 12);

  // Head, turning from side to side; its first row is the body's last ring.
  bone_state.yaw = trunc_i32(30 * std::sin(at * pi / 90));
  figure_grid(11, final_vertex_count - ring_points);
  for (int32_t i = 0; i <= 9; ++i) {
    const double theta = i * pi / 20;
    const int32_t g = trunc_i32(12 + 25 * std::sin(theta));
    ring(trunc_i32(6 * std::sin(theta)), trunc_i32(362 + 50 * (1 - std::cos(theta))), 0, g, g);
  }

  // Crest.
  figure_grid(14, final_vertex_count - ring_points);
  ring(22, 412, 0, 50, 37);
  ring(12, 416, 0, 40, 37);
  for (int32_t i = 0; i <= 9; ++i) {
    const int32_t g = trunc_i32(12 + 25 * std::sin((10 + i) * pi / 20));
    ring(trunc_i32(6 * std::sin((20 + i) * pi / 10)), trunc_i32(416 + 30 * (1 - std::cos(i * pi / 20))), 0, g,
         g);
  }
  ring(10, 448, 0, 0, 0);

  // Legs, striding with the scene's own time.
  const double st = scene_t;
  const double stride = 40 * std::cos(0.02 * pi * st);
  for (int32_t side : {1, -1}) {
    bone_state.pitch = side == 1 ? trunc_i32(70 + stride) : trunc_i32(-70 - stride);
    bone_state.yaw = trunc_i32(128 + 30 * std::sin(pi * st / 31));
    bone_state.offset_y = -335;
    bone_state.offset_z = 27 * side;
    bone_state.roll = -105;
    figure_grid(5, final_vertex_count);
    for (int32_t i = 0; i <= 4; ++i) ring(0, -25 * i, 0, trunc_i32(1.7 * i - 13), trunc_i32(13 - 1.7 * i));
    figure_grid(5, final_vertex_count - ring_points);
    const int32_t t = 4 * side;
    ring(0, -100, t, -6, 14);
    ring(0, -115, t, -6, 14);
    ring(0, -115, 0, -5, 10);
    ring(0, -142, 0, 0, 7);
  }
}

void final_scene_init() {
  texgen_set_size(256, 256);
  generate_texture(final_texture_a_script, final_texture_a);
  generate_texture(final_texture_b_script, final_texture_b);
  generate_texture(final_texture_c_script, final_texture_c);
  generate_texture(final_texture_d_script, final_texture_d);
  build_stripe_texture();

  // A second set-up (tools, tests) builds the same mesh again.
  final_face_count = 0;
  write_ring_texcoords = 1.0f;
  build_arms(1);
  figure_first_vertex = final_vertex_count;
  figure_first_face = final_face_count;
  build_figure();
  figure_face_end = final_face_count;
  write_ring_texcoords = 0;

  // (rows, columns, layers, mode_flags, param, texture slot, first vertex)
  const struct {
    int32_t rows, columns, layers;
    uint32_t mode_flags, param;
    int32_t slot, first_vertex;
  } stage_faces[] = {
      {10, 5, 8, 0, 0, 0, 0},                    // the eight arms
      {6, 17, 2, 0, 0, 4, 400},                  // both walls
      {6, 17, 1, face_double_sided, 2, 1, 604},  // upper cone, additive
      {2, 17, 1, 0, 0, 3, 706},                  // the disc's inner band, black
      {5, 17, 1, 0, 2, 2, 723},                  // the rest of the disc, additive
      {6, 17, 1, face_double_sided, 2, 1, 808},  // lower cone, additive
  };
  for (const auto& g : stage_faces)
    final_face_count = build_grid_faces(g.rows, g.columns, g.layers, g.mode_flags, g.param,
                                        final_textures[g.slot], g.first_vertex, final_face_count, final_faces,
                                        final_attributes, final_face_textures);

  for (int32_t cone : {cone_block_a, cone_block_b})
    for (int32_t i = cone; i < cone + stage_block; ++i)
      final_vertices[i + final_saved_y_slot].y = final_vertices[i].y;
  final_saved_vertex_count = final_vertex_count;
  final_saved_face_count = final_face_count;
}

void final_scene_enter() {
  fade_state = -1;
  fade_base[0] = fade_base[1] = fade_base[2] = 0;
  fade_colour = 0;
  stretch = 1.0f;
  lift = 0;
  stretch_started = 0;
  lift_started = 0;
  timer_start();
}

bool final_scene_frame(int32_t position) {
  clear_buffers(0);
  scene_t = present_skip == 1 ? float(32 - final_scene_step) : static_cast<float>(scene_time * 0.6 + 32);

  int32_t q = (position - brightness_from) * 5;
  if (q < 0) q = 0;
  if (q > 255) {
    q = 255;
    figure_blend = 0;
  }
  figure_brightness = uint8_t(255 - q);
  anim_t = position >= freeze_from ? 0.0f : scene_t;

  // The camera circles at a swinging distance, bobs, and rises with the lift.
  const double a = double(scene_t) * pi;
  const int32_t radius = trunc_i32(7600 + 2200 * std::cos(0.02 * a));
  view_offset[0] = static_cast<float>(radius * std::sin(0.01 * a));
  view_offset[1] = static_cast<float>(6000 + 3400 * std::sin(0.005 * a) + lift * 0.7692307692307693);
  view_offset[2] = static_cast<float>(radius * std::cos(0.01 * a));
  view_target[0] = static_cast<float>(250 * std::cos(a * 0.007518796992481203));
  view_target[1] = static_cast<float>(lift + 2500 + 1000 * std::sin(a * 0.01754385964912281));
  view_target[2] = static_cast<float>(190 * std::cos(a * 0.014084507042253521));
  aim_camera();
  view_roll = static_cast<float>(30 * std::sin(a * 0.008130081300813007));

  build_arms(0);
  build_figure();
  final_vertex_count = final_saved_vertex_count;
  final_face_count = final_saved_face_count;

  if (position > stretch_after) {
    if (!stretch_started) {
      stretch_started = 1;
      stretch_start = scene_t;
    }
    stretch =
        std::min(static_cast<float>((double(scene_t) - stretch_start) * stretch_rate + 1), stretch_limit);
  } else {
    stretch = 1.0f;
  }
  for (int32_t cone : {cone_block_a, cone_block_b})
    for (int32_t i = cone; i < cone + stage_block; ++i)
      final_vertices[i].y = trunc_i32(stretch * double(final_vertices[i + final_saved_y_slot].y));

  if (position > lift_after) {
    if (!lift_started) {
      lift_started = 1;
      lift_start = scene_t;
    }
    lift = std::min(static_cast<float>((double(scene_t) - lift_start) * lift_rate), lift_limit);
  }
  if (position > fade_after) fade_ramp(8, 8, 8);

  transform_vertices(final_vertices, projected, final_vertex_count, 1, 8, 0, 0, 0);
  if (figure_blend == 0) {
    render_mesh(final_faces, projected, final_face_count, final_texcoords, nullptr, nullptr, nullptr,
                final_attributes, final_face_textures, nullptr);
  } else {
    // The stage and the arms first, the translucent figure over them.
    const int32_t stage_faces = final_face_count - figure_face_end;
    std::copy(final_faces + figure_face_end, final_faces + final_face_count, final_draw_faces);
    std::copy(final_faces, final_faces + figure_face_end, final_draw_faces + stage_faces);
    std::copy(final_attributes + figure_face_end, final_attributes + final_face_count, final_draw_attributes);
    std::copy(final_attributes, final_attributes + figure_face_end, final_draw_attributes + stage_faces);
    std::copy(final_face_textures + figure_face_end, final_face_textures + final_face_count,
              final_draw_textures);
    std::copy(final_face_textures, final_face_textures + figure_face_end, final_draw_textures + stage_faces);
    render_mesh(final_draw_faces, projected, final_face_count, final_texcoords, nullptr, nullptr, nullptr,
                final_draw_attributes, final_draw_textures, nullptr);
  }
  present_frame(1, 1);

  if (present_skip == 1) return true;
  return position < final_wrap_below || position > final_end || quit_flag == 1;
}

void final_scene_single_frame(int32_t position) {
  final_scene_enter();
  if (quit_flag == 1) return;
  timer_update();
  final_scene_frame(position);
}

void final_scene_run() {
  final_scene_enter();
  if (quit_flag == 1) return;
  for (;;) {
    timer_update();
    if (final_scene_frame(read_music_position())) return;
  }
}
