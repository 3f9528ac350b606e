// One frame of the twisted tube: 561 vertices rebuilt (two turns each, with the sines taken
// once per ring), the sky sphere, normals over 1024 faces, the environment-mapped tube and
// the fade; and the rebuild alone.
#include <benchmark/benchmark.h>

#include "bench/run_bench.h"
#include "render3d/pipeline.h"
#include "scenes/scenes.h"
#include "scenes/tube_scene.h"
#include "shell/present.h"
#include "shell/timer.h"

namespace {

void BM_tube_scene_frame(benchmark::State& state) {
  bench_precalc_once();
  set_row_table(FrameBuffer);
  near_z_limit = 50;
  render_first_face = 0;
  tube_scene_enter();
  const int32_t position = static_cast<int32_t>(state.range(1));
  scene_time = static_cast<float>(state.range(0));
  tube_scene_frame(position);  // starts the fade where there is one
  for (auto _ : state) {
    tube_scene_frame(position);
    benchmark::ClobberMemory();
  }
}
// The start, two moments in the middle, fading out.
BENCHMARK(BM_tube_scene_frame)
    ->Args({10, 4100})
    ->Args({200, 4250})
    ->Args({400, 4400})
    ->Args({550, 4460})
    ->Unit(benchmark::kMicrosecond);

void BM_build_tube(benchmark::State& state) {
  bench_precalc_once();
  effect_time = 90;
  for (auto _ : state) {
    build_tube();
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_build_tube)->Unit(benchmark::kMicrosecond);

}  // namespace
