#include "scenes/gears.h"

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

uint32_t gear_texture[256 * 256];
uint32_t room_texture[256 * 256];
Vec3i gear_vertices[gear_vertex_capacity];
Vec3i gear_texcoords[gear_vertex_capacity];
Face gear_faces[gear_face_capacity];
FaceAttr gear_face_attrs[gear_face_capacity];
FaceTexture gear_face_textures[gear_face_capacity];
int32_t gear_vertex_count = 0;
int32_t gear_face_count = 0;
int32_t room_vertex_count = 0;
int32_t room_face_count = 0;
int32_t gear_texcoords_done = 0;

const int32_t gear_radii[gear_count] = {180, 300, 140, 70, 250, 125, 300, 130, 300};

// Phases as at time 0.
GearPlacement gear_table[gear_count] = {
    {0, 0, 0, 350, 400, 580, 0},   {64, 0, 0, 350, 650, 300, 1},   {64, 0, 0, 350, 200, 300, 1},
    {0, 64, 0, 120, 260, 300, 0},  {0, 64, 0, -680, 260, 300, 0},  {0, 0, 0, -470, 260, -10, 1},
    {0, 0, 0, -470, 260, -200, 1}, {64, 0, 0, -470, 550, -350, 0}, {64, 0, 0, -50, 550, -540, 0},
};

// Axles 2, 4 and 6 have no length and sit outside the room: they collapse to points.
const AxlePlacement axle_table[gear_count] = {
    {0, 0, 0, 350, 400, 770, 140},   {64, 0, 0, 350, 340, 300, 140},  {0, 0, 0, -1500, 260, 3000, 0},
    {0, 64, 0, -380, 260, 300, 265}, {0, 0, 0, -1500, 260, 3000, 0},  {0, 0, 0, -470, 260, -570, 350},
    {0, 0, 0, -1500, 260, 3000, 0},  {64, 0, 0, -470, 550, -350, 70}, {64, 0, 0, -50, 420, -540, 30},
};

// The front face's wedges run from a step to 1.3 steps on, the back face's the other way
// round, so both face outwards; each wedge overlaps the next.
const GearHalf gear_half_table[2] = {{{0, 1.3f, 0}, 100}, {{1.3f, 0, 0}, 0}};

namespace {

using std::numbers::pi;
constexpr int32_t gears_end = 2687;
constexpr int32_t gears_fade_after = 2649;
constexpr int32_t axle_radius = 40;

void build_gear_vertices(int32_t s, int32_t& v) {
  const GearPlacement& g = gear_table[s];
  const PointTurn turn = point_turn(g.pitch, g.yaw, g.roll);
  const int32_t r0 = gear_radii[s];
  for (const GearHalf& half : gear_half_table) {
    const int32_t depth = trunc_i32(half.depth);
    int32_t h = r0;  // even steps short, odd steps long: the teeth
    for (int32_t i = 0; i < gear_steps; ++i) {
      for (int32_t j = 0; j < 3; ++j) {
        int32_t c = 0, d = 0;  // the centre
        if (j != 2) {
          const double a = (double(i) + g.phase + half.offset[j]) * pi * 0.125;
          c = trunc_i32(h * std::cos(a));
          d = trunc_i32(h * std::sin(a));
        }
        const Vec3i p = turn_point(c, d, depth, turn);
        gear_vertices[v] = {trunc_i32(p.x + double(g.dx)), trunc_i32(p.y + double(g.dy)),
                            trunc_i32(p.z + double(g.dz))};
        if (!gear_texcoords_done)
          gear_texcoords[v] = {80 * c / (r0 + tooth_length) + 128, 80 * d / (r0 + tooth_length) + 128, 0};
        ++v;
      }
      h = h == r0 ? r0 + tooth_length : r0;
    }
  }
}

// A square bar that turns with a quarter of its gear's phase, closed at both ends by a ring
// of radius 0.
void build_axle_vertices(int32_t s, int32_t& v) {
  const AxlePlacement& x = axle_table[s];
  const PointTurn turn = point_turn(float(x.pitch), float(x.yaw), float(x.roll));
  const double quarter_phase = gear_table[s].phase * 0.25;
  for (int32_t i = 0; i < axle_rings; ++i) {
    int32_t z = (i - 3) * x.w, radius = axle_radius;
    if (i == 0 || i == axle_rings - 1) {
      z = (i == 0 ? -2 : 2) * x.w;
      radius = 0;
    }
    for (int32_t j = 0; j < axle_points; ++j) {
      const double a = (quarter_phase + j) * pi * 0.5;
      const Vec3i p = turn_point(trunc_i32(radius * std::cos(a)), trunc_i32(radius * std::sin(a)), z, turn);
      gear_vertices[v] = {p.x + x.dx, p.y + x.dy, p.z + x.dz};
      gear_texcoords[v++] = {64 * j, 30 * i, 0};
    }
  }
}

}  // namespace

void set_gear_phases(float t) {
  const double time = t;
  const float half_turns = static_cast<float>(double(0.5f) * time);
  const float fifths = static_cast<float>(double(0.2f) * time + 1);
  const float pairs[] = {half_turns,
                         fifths,
                         fifths,
                         static_cast<float>(0.4 * time),
                         static_cast<float>(0.4 * time),
                         static_cast<float>(1 - 0.8 * time),
                         static_cast<float>(1 - 0.8 * time),
                         static_cast<float>(-1.3333333333333335 * time),
                         half_turns};
  for (int32_t s = 0; s < gear_count; ++s) gear_table[s].phase = pairs[s];
}

void build_gears() {
  int32_t v = room_vertex_count;
  for (int32_t s = 0; s < gear_count; ++s) build_gear_vertices(s, v);
  for (int32_t s = 0; s < gear_count; ++s) build_axle_vertices(s, v);
  gear_texcoords_done = 1;
  gear_vertex_count = v;
}

void build_gear_faces() {
  int32_t f = room_face_count;
  for (int32_t s = 0; s < gear_count; ++s) {
    const int32_t v = gear_first_vertex + gear_vertices_each * s;
    // A wedge from two ring points to the centre, on either face.
    for (int32_t h = 0; h < 2; ++h)
      for (int32_t t = 0; t < gear_steps - 1; ++t) {
        const int32_t a = v + gear_half_vertices * h + 3 * t;
        gear_faces[f++] = {a, a + 1, a + 2};
      }
    // The rim between the faces: along each wedge's edge, then across to the next step.
    for (int32_t t = 0; t < gear_steps - 1; ++t) {
      const int32_t a = v + 3 * t, b = a + gear_half_vertices;
      gear_faces[f++] = {b, a + 1, a};
      gear_faces[f++] = {a, b + 1, b};
      gear_faces[f++] = {b, a + 3, a + 1};
      gear_faces[f++] = {a + 3, b, b + 4};
    }
  }
  f = build_grid_faces(axle_rings, axle_points, gear_count, 0, 0, gear_texture, axle_first_vertex, f,
                       gear_faces, gear_face_attrs, gear_face_textures);
  for (int32_t i = room_face_count; i < f; ++i) {
    gear_face_attrs[i] = {0, 0};
    gear_face_textures[i] = texture_word(gear_texture);
  }
  gear_face_count = f;
}

void gears_init() {
  texgen_set_size(256, 256);
  generate_texture(gear_texture_script, gear_texture);
  generate_texture(room_texture_script, room_texture);
  room_face_count =
      build_grid_faces(7, 7, 6, 0, 0, room_texture, 0, 0, gear_faces, gear_face_attrs, gear_face_textures);
  build_cube_points(gear_vertices, gear_texcoords);
  room_vertex_count = point_count;
  set_gear_phases(0);
  build_gears();
  build_gear_faces();
}

void gears_enter() {
  fade_state = -1;
  fade_base[0] = fade_base[1] = fade_base[2] = 0;
  fade_colour = 0;
  timer_start();
}

bool gears_frame(int32_t position) {
  // The room fills the whole screen: only the depths need clearing.
  clear_zbuffer();
  effect_time = static_cast<float>(scene_time * 0.5);
  const double t = effect_time, d = t * pi;
  view_offset[0] = static_cast<float>(650 * std::sin(d * 0.00980392156862745));
  view_offset[1] = static_cast<float>(350 + 350 * std::sin(d * 0.015151515151515152));
  view_offset[2] = static_cast<float>(650 * std::cos(d * 0.01234567901234568));
  view_target[0] = static_cast<float>(100 * std::cos(-t * pi * 0.015873015873015876));
  view_target[1] = static_cast<float>(200 * std::cos(d * 0.016129032258064516) - 200);
  view_target[2] = view_target[0];
  aim_camera();
  view_roll = static_cast<float>(28 * std::sin(t * pi * 0.025));

  set_gear_phases(effect_time);
  build_gears();
  transform_vertices(gear_vertices, projected, gear_vertex_count, 1, 7, 0, 0, 0);
  render_mesh(gear_faces, projected, gear_face_count, gear_texcoords, nullptr, rotated_normals, nullptr,
              gear_face_attrs, gear_face_textures, nullptr);

  // To black at the end, red lagging behind.
  if (position > gears_fade_after) fade_ramp(10, 13, 13);
  present_frame(1, 2);
  if (present_skip) return true;
  return position > gears_end || quit_flag == 1;
}

void gears_run() {
  gears_enter();
  if (quit_flag == 1) return;
  for (;;) {
    timer_update();
    if (gears_frame(read_music_position())) return;
  }
}
