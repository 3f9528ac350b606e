// One frame of the swinging chain: animation, normals, echo, two passes over 2504 faces,
// and the cross-fade or dissolve where the song position asks for them.
#include <benchmark/benchmark.h>

#include "bench/run_bench.h"
#include "render3d/effects.h"
#include "render3d/pipeline.h"
#include "scenes/chain.h"
#include "scenes/scenes.h"
#include "shell/present.h"
#include "shell/timer.h"
#include "textures/tables.h"

namespace {

void BM_chain_frame(benchmark::State& state) {
  bench_precalc_once();
  set_row_table(FrameBuffer);
  near_z_limit = 50;
  dissolve_begun = 0;
  const int32_t position = static_cast<int32_t>(state.range(1));
  scene_time = static_cast<float>(state.range(0));
  chain_frame(position);  // starts the dissolve where there is one
  for (auto _ : state) {
    chain_frame(position);
    benchmark::ClobberMemory();
  }
}
// Mid cross-fade, middle of the scene, mid dissolve.
BENCHMARK(BM_chain_frame)
    ->Args({20, 2927})
    ->Args({500, 3160})
    ->Args({1000, 3424})
    ->Unit(benchmark::kMicrosecond);

}  // namespace
