// One frame of the pillar hall: 1196 vertices rebuilt (about 500 sines and 200 rotations),
// the inner shells' normals, 2052 faces over a full screen of fogged floor and ceiling, and
// the cross-fade or dissolve where the song position asks for them; and the rebuild alone.
#include <benchmark/benchmark.h>

#include "bench/run_bench.h"
#include "render3d/effects.h"
#include "render3d/pipeline.h"
#include "scenes/hall_scene.h"
#include "scenes/scenes.h"
#include "shell/present.h"
#include "shell/timer.h"

namespace {

void BM_hall_scene_frame(benchmark::State& state) {
  bench_precalc_once();
  set_row_table(FrameBuffer);
  near_z_limit = 60;
  render_first_face = 0;
  dissolve_begun = 0;
  const int32_t position = static_cast<int32_t>(state.range(1));
  scene_time = static_cast<float>(state.range(0));
  hall_scene_frame(position);  // starts the dissolve where there is one
  for (auto _ : state) {
    hall_scene_frame(position);
    benchmark::ClobberMemory();
  }
}
// Mid cross-fade, two moments in the middle of the scene, mid dissolve.
BENCHMARK(BM_hall_scene_frame)
    ->Args({20, 3440})
    ->Args({200, 3600})
    ->Args({450, 3800})
    ->Args({700, 3950})
    ->Unit(benchmark::kMicrosecond);

void BM_build_hall(benchmark::State& state) {
  bench_precalc_once();
  effect_time = 90;
  for (auto _ : state) {
    build_hall();
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_build_hall)->Unit(benchmark::kMicrosecond);

}  // namespace
