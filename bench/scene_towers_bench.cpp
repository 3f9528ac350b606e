// One frame of the towers: the title backdrop, 258 blob vertices wobbled and their normals
// rotated, 1747 vertices projected, 3076 faces drawn (the floor disc fills much of the
// screen), four light sprites, the logo, and the dissolve where the song position asks.
#include <benchmark/benchmark.h>

#include "bench/run_bench.h"
#include "render3d/effects.h"
#include "render3d/pipeline.h"
#include "scenes/scenes.h"
#include "scenes/towers.h"
#include "shell/present.h"
#include "shell/timer.h"

namespace {

void BM_towers_frame(benchmark::State& state) {
  bench_precalc_once();
  set_row_table(FrameBuffer);
  near_z_limit = 50;
  render_first_face = 0;
  towers_enter();
  const int32_t position = static_cast<int32_t>(state.range(1));
  scene_time = static_cast<float>(state.range(0));
  camera_drop = static_cast<int32_t>(state.range(2));
  towers_frame(position);  // starts the dissolve where there is one
  for (auto _ : state) {
    camera_drop = static_cast<int32_t>(state.range(2));
    towers_frame(position);
    benchmark::ClobberMemory();
  }
}
// Moments of a run at 60 frames a second (the camera's drop is counted in frames): looking up
// over the title at row 32; looking down at the floor and the blob while the logo fades
// (the heaviest frames); the shots at 2:1:0 and 2:2:64; row 100 of order 2; mid dissolve.
BENCHMARK(BM_towers_frame)
    ->Args({74, 32, 604})
    ->Args({180, 77, 44})
    ->Args({296, 256, 0})
    ->Args({740, 576, 0})
    ->Args({825, 612, 0})
    ->Args({1119, 868, 0})
    ->Unit(benchmark::kMicrosecond);

void BM_wobble_blob(benchmark::State& state) {
  bench_precalc_once();
  effect_time = 90;
  for (auto _ : state) {
    wobble_blob();
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_wobble_blob)->Unit(benchmark::kMicrosecond);

}  // namespace
