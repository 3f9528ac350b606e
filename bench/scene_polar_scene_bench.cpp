// One frame of the eight-centre polar scene: the composition (eight texture reads per pixel
// over the whole screen, lit by the backdrop), two blur passes and the blended present; the
// composition alone; a flashed frame of the final scene; and the set-up's map and glow.
#include <benchmark/benchmark.h>

#include "bench/run_bench.h"
#include "render3d/effects.h"
#include "render3d/pipeline.h"
#include "scenes/final_scene.h"
#include "scenes/polar_scene.h"
#include "scenes/scenes.h"
#include "shell/present.h"
#include "shell/timer.h"

namespace {

void BM_polar_scene_frame(benchmark::State& state) {
  bench_precalc_once();
  set_row_table(FrameBuffer);
  near_z_limit = 50;
  polar_scene_enter();
  const int32_t position = static_cast<int32_t>(state.range(1));
  scene_time = static_cast<float>(state.range(0));
  for (auto _ : state) {
    polar_scene_frame_at(position, 0);  // no flash triggers: every frame composed
    benchmark::ClobberMemory();
  }
}
// Early and late in the scene.
BENCHMARK(BM_polar_scene_frame)->Args({20, 4500})->Args({600, 4900})->Unit(benchmark::kMicrosecond);

// All twelve fired: every frame is a frame of the final scene, blended and presented.
void BM_polar_flash_frame(benchmark::State& state) {
  bench_precalc_once();
  set_row_table(FrameBuffer);
  near_z_limit = 50;
  polar_scene_enter();
  flash_index = polar_flash_count;
  flash_now = 1;
  for (auto _ : state) {
    final_scene_step = 0;
    polar_scene_frame_at(4990, 4990);
    benchmark::ClobberMemory();
  }
  final_scene_step = final_scene_start_step;
}
BENCHMARK(BM_polar_flash_frame)->Unit(benchmark::kMicrosecond);

void BM_compose_polar_frame(benchmark::State& state) {
  bench_precalc_once();
  set_row_table(FrameBuffer);
  polar_scene_enter();
  for (auto _ : state) {
    compose_polar_frame(123, 77);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_compose_polar_frame)->Unit(benchmark::kMicrosecond);

// The map of 512000 distances and angles, the glow and its blur.
void BM_polar_scene_init(benchmark::State& state) {
  bench_precalc_once();
  set_row_table(FrameBuffer);
  for (auto _ : state) {
    clear_buffers(0);
    polar_scene_init();
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_polar_scene_init)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
