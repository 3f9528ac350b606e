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
// Looking up over the title, the towers close by, over the floor, mid dissolve.
BENCHMARK(BM_towers_frame)
    ->Args({20, 32, 900})
    ->Args({300, 200, 0})
    ->Args({900, 500, 0})
    ->Args({1500, 700, 0})
    ->Args({1900, 870, 0})
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
