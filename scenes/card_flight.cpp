#include "scenes/card_flight.h"

#include <cmath>
#include <cstring>
#include <numbers>

#include "render3d/pipeline.h"
#include "scenes/scenes.h"
#include "shell/demo.h"
#include "shell/present.h"
#include "shell/timer.h"
#include "shell/window.h"

uint32_t card_texture_left[256 * 256];
uint32_t card_texture_right[256 * 256];
Vec3i card_vertices[card_vertex_capacity];
Vec3i card_texcoords[card_vertex_capacity];
Face card_faces[card_face_capacity];
FaceAttr card_attributes[card_face_capacity];
FaceTexture card_textures[card_face_capacity];
int32_t card_vertex_count = 0;
int32_t card_face_count = 0;
const int32_t card_row_u[5] = {199, 0, 0, 199, 199};

namespace {

using std::numbers::pi;
constexpr int32_t card_flight_end = 575;

// Five vertex rows walk round the card's edge (front, bottom edge, back, top edge, front
// again); x runs along the picture's columns. The card is built rolled a quarter turn,
// which the camera's starting roll of -64 undoes.
void build_card_grid(int32_t first_vertex, int32_t columns, int32_t x0, int32_t last_v) {
  for (int i = 0; i < 5; ++i) {
    double a = 0.5 * pi * (i + 0.5);
    int32_t y = static_cast<int32_t>(-408 * std::cos(a));
    int32_t z = static_cast<int32_t>(80 * std::sin(a));
    for (int j = 0; j < columns; ++j) {
      int32_t n = first_vertex + i * columns + j;
      rotate_point(x0 + 46 * j, y, z, 0, 0, 64.0f);
      card_vertices[n] = {rotated_point[0], rotated_point[1], rotated_point[2]};
      card_texcoords[n] = {card_row_u[i], j < columns - 1 ? 16 * j : last_v, 0};
    }
  }
}

}  // namespace

void card_flight_init() {
  build_card_grid(0, 17, -460, 255);
  build_card_grid(85, 5, 276, 63);
  card_vertex_count = card_vertex_capacity;
  int32_t f =
      build_grid_faces(5, 17, 1, 0, 0, card_texture_left, 0, 0, card_faces, card_attributes, card_textures);
  card_face_count =
      build_grid_faces(5, 5, 1, 0, 0, card_texture_right, 85, f, card_faces, card_attributes, card_textures);
}

void card_flight_snapshot() {
  for (int y = 0; y < screen_height; ++y) {
    const uint32_t* row = FrameBuffer + y * screen_width;
    std::memcpy(card_texture_left + y * 256, row, 256 * 4);
    std::memcpy(card_texture_right + y * 256, row + 256, 64 * 4);
  }
}

bool card_flight_frame(int32_t position) {
  clear_buffers(0);
  effect_time = static_cast<float>(scene_time * 0.6);
  double t = effect_time;

  double r = 12 * t + 362;
  double a1 = pi * t / 43;
  double a2 = pi * t / 22;
  view_offset[0] = static_cast<float>(r * std::sin(a1) + 60 * std::sin(a2));
  view_offset[1] = 0;
  view_offset[2] = static_cast<float>(r * std::cos(a1) + 60 * std::cos(a2));
  view_target[0] = view_target[1] = view_target[2] = 0;
  aim_camera();
  view_roll = static_cast<float>(5 * t - 64);
  screen_centre[0] = static_cast<int32_t>(160 - 7 * t);

  transform_vertices(card_vertices, projected, card_vertex_count, 1, 7, 0, 0, 0);
  render_mesh(card_faces, projected, card_face_count, card_texcoords, nullptr, nullptr, nullptr,
              card_attributes, card_textures, nullptr);
  present_frame(1, 0);
  return position > card_flight_end || quit_flag == 1;
}

void card_flight_enter() {
  card_flight_snapshot();
  timer_start();
}

void card_flight_run() {
  card_flight_enter();
  if (quit_flag == 1) return;
  for (;;) {
    timer_update();
    if (card_flight_frame(read_music_position())) return;
  }
}
