// One frame of the gear machine: 1527 vertices, about 1230 of them rebuilt with the gears'
// and axles' turns, 1728 faces over a room that fills the screen, the fade subtracted; and
// the vertex rebuild alone.
#include <benchmark/benchmark.h>

#include "bench/run_bench.h"
#include "render3d/pipeline.h"
#include "scenes/gears.h"
#include "scenes/scenes.h"
#include "shell/present.h"
#include "shell/timer.h"

namespace {

void BM_gears_frame(benchmark::State& state) {
  bench_precalc_once();
  set_row_table(FrameBuffer);
  near_z_limit = 70;
  render_first_face = 0;
  gears_enter();
  const int32_t position = static_cast<int32_t>(state.range(1));
  scene_time = static_cast<float>(state.range(0));
  for (auto _ : state) {
    gears_frame(position);
    benchmark::ClobberMemory();
  }
}
// The start, the heaviest moments (gears close to the camera), the fade at the end.
BENCHMARK(BM_gears_frame)
    ->Args({0, 1917})
    ->Args({165, 1990})
    ->Args({460, 2120})
    ->Args({860, 2670})
    ->Unit(benchmark::kMicrosecond);

void BM_build_gears(benchmark::State& state) {
  bench_precalc_once();
  set_gear_phases(90);
  for (auto _ : state) {
    build_gears();
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_build_gears)->Unit(benchmark::kMicrosecond);

}  // namespace
