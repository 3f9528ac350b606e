// One frame of the tentacle star with every spark alive, at a few moments of the scene.
#include <benchmark/benchmark.h>

#include "bench/run_bench.h"
#include "render3d/effects.h"
#include "render3d/pipeline.h"
#include "scenes/scenes.h"
#include "scenes/tentacles.h"
#include "shell/present.h"
#include "shell/timer.h"
#include "textures/tables.h"

namespace {

void bm_tentacles_frame(benchmark::State& state, float time) {
  bench_precalc_once();  // the pre-roll included: every spark flying
  set_row_table(FrameBuffer);
  near_z_limit = 50;
  render_first_face = 0;  // the credits tunnel leaves it past its tunnel
  for (auto _ : state) {
    scene_time = time;
    tentacles_frame(2400);
    benchmark::DoNotOptimize(FrameBuffer[32160]);
  }
}

}  // namespace

BENCHMARK_CAPTURE(bm_tentacles_frame, start, 10.0f)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(bm_tentacles_frame, middle, 400.0f)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(bm_tentacles_frame, late, 900.0f)->Unit(benchmark::kMicrosecond);
