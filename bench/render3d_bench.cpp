// Renderer speed: per-vertex transform, each filler in pixels per second on a screen-filling
// mesh, and the full-screen effects per frame.
#include <benchmark/benchmark.h>

#include <cstring>

#include "render3d/effects.h"
#include "render3d/fillers.h"
#include "render3d/objects.h"
#include "render3d/pipeline.h"
#include "shell/present.h"

namespace {

// A plane of 26 x 41 vertices, 2000 faces, filling the screen at depth -1000.
constexpr int plane_rows = 26, plane_columns = 41;
constexpr int plane_vertices = plane_rows * plane_columns;
constexpr int plane_faces = 2 * (plane_rows - 1) * (plane_columns - 1);
Vec3i plane_model[plane_vertices], plane_texcoords[plane_vertices];
Face plane_face_list[plane_faces];
FaceAttr plane_attrs[plane_faces];
FaceTexture plane_textures[plane_faces];
alignas(64) uint32_t bench_texture[65536], bench_env[65536];

void set_up_plane(uint32_t mode_flags, uint32_t param, FaceTexture texture) {
  set_row_table(FrameBuffer);
  view_pitch = view_yaw = view_roll = 0;
  view_offset[0] = view_offset[1] = view_offset[2] = 0;
  screen_centre[0] = 160, screen_centre[1] = 100;
  normal_offset[0] = normal_offset[1] = 0;
  near_z_limit = 50;
  render_first_face = 0;
  for (int i = 0; i < 65536; ++i) {
    bench_texture[i] = uint32_t(i * 2654435761u) & 0x7F7F7F;
    bench_env[i] = uint32_t(i * 40503u) & 0x3F3F3F;
  }
  for (int r = 0; r < plane_rows; ++r)
    for (int c = 0; c < plane_columns; ++c) {
      const int i = r * plane_columns + c;
      // At depth -1000 a unit is 8000 / 56999 pixels: +-1200 by +-750 just covers the screen.
      plane_model[i] = {(c - 20) * 60, (r - 12) * 60 - 30, -1000};
      plane_texcoords[i] = {c * 23, r * 29, 0};
      vertex_shade[i * 3] = uint8_t(r * 9);
      vertex_shade[i * 3 + 1] = uint8_t(c * 6);
      vertex_shade[i * 3 + 2] = 200;
      rotated_normals[i] = {c * 3 - 60, r * 5 - 60, 100};
    }
  build_grid_faces(plane_rows, plane_columns, 1, mode_flags, param, texture, 0, 0, plane_face_list,
                   plane_attrs, plane_textures);
  transform_vertices(plane_model, projected, plane_vertices, 1, 7, 0, 0, 0);
}

void draw_plane() {
  render_mesh(plane_face_list, projected, plane_faces, plane_texcoords, bench_texture, rotated_normals,
              bench_env, plane_attrs, plane_textures, nullptr);
}

void count_pixels(benchmark::State& state) {
  state.counters["pixels/s"] =
      benchmark::Counter(double(state.iterations()) * 64000, benchmark::Counter::kIsRate);
}

void BM_TransformVertices(benchmark::State& state) {
  static Vec3i in[15000], out[15000];
  for (int i = 0; i < 15000; ++i)
    in[i] = {(i * 37) % 2000 - 1000, (i * 91) % 2000 - 1000, (i * 53) % 2000 - 3000};
  view_pitch = 10, view_yaw = 33, view_roll = 71;
  const uint8_t rotate_only = uint8_t(state.range(0));
  for (auto _ : state) {
    transform_vertices(in, out, 15000, 1, 7, rotate_only, 0, 0);
    benchmark::DoNotOptimize(out[14999]);
  }
  state.counters["vertices/s"] =
      benchmark::Counter(double(state.iterations()) * 15000, benchmark::Counter::kIsRate);
  view_pitch = view_yaw = view_roll = 0;
}
BENCHMARK(BM_TransformVertices)->Arg(0)->Arg(1);

// mode_flags, param: one benchmark per filler and sub-mode on the 2000-face plane.
void BM_FillPlane(benchmark::State& state) {
  const uint32_t mode = uint32_t(state.range(0)), param = uint32_t(state.range(1));
  set_up_plane(mode, param, mode == 5 ? FaceTexture(0x406080) : texture_word(bench_texture));
  clear_buffers(0x101010);
  for (auto _ : state) {
    clear_zbuffer();
    draw_plane();
    benchmark::ClobberMemory();
  }
  count_pixels(state);
}
BENCHMARK(BM_FillPlane)
    ->ArgNames({"mode", "param"})
    ->Args({0, 0})  // textured opaque
    ->Args({0, 1})  // textured, shaded
    ->Args({0, 2})  // textured additive
    ->Args({1, 0})  // environment mapped
    ->Args({2, 0})  // colour modulated
    ->Args({5, 0})  // flat
    ->Args({5, 1})  // flat blended
    ->Unit(benchmark::kMicrosecond);

// The target case: transform and draw 2000 textured, depth-tested faces covering the screen.
void BM_TexturedMeshFrame(benchmark::State& state) {
  set_up_plane(0, 0, texture_word(bench_texture));
  for (auto _ : state) {
    clear_zbuffer();
    transform_vertices(plane_model, projected, plane_vertices, 1, 7, 0, 0, 0);
    draw_plane();
    benchmark::ClobberMemory();
  }
  count_pixels(state);
}
BENCHMARK(BM_TexturedMeshFrame)->Unit(benchmark::kMicrosecond);

void BM_Sprites(benchmark::State& state) {
  set_row_table(FrameBuffer);
  clear_buffers(0);
  const int16_t size = int16_t(state.range(0));
  for (auto _ : state) draw_sprite(160, 100, 0, size, 0x101010, bench_texture);
  state.counters["pixels/s"] = benchmark::Counter(
      double(state.iterations()) * size * std::min<int>(size, 200), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Sprites)->Arg(23)->Arg(128)->Unit(benchmark::kMicrosecond);

void BM_BlurFrame(benchmark::State& state) {
  static uint32_t picture[64000];
  for (int i = 0; i < 64000; ++i) picture[i] = uint32_t(i * 2654435761u);
  for (auto _ : state) {
    blur_frame(1, picture);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_BlurFrame)->Unit(benchmark::kMicrosecond);

void BM_Crossfade(benchmark::State& state) {
  for (int i = 0; i < 64000; ++i)
    saved_frame[i] = uint32_t(i * 2654435761u), FrameBuffer[i] = uint32_t(i * 40503u);
  for (auto _ : state) {
    crossfade_level = 100;
    crossfade_saved_frame();
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Crossfade)->Unit(benchmark::kMicrosecond);

void BM_DissolveFrame(benchmark::State& state) {
  static uint32_t image[64000], mask[64000];
  for (int i = 0; i < 64000; ++i) mask[i] = uint32_t(i * 2654435761u) >> 8;
  dissolve_start();
  for (auto _ : state) {
    dissolve_frame(0.0f, image, mask);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_DissolveFrame)->Unit(benchmark::kMicrosecond);

}  // namespace
