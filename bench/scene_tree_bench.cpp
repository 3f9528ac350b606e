// One frame of the twisting tree: 2567 vertices rebuilt with about 4400 rotations, 3264
// faces drawn, the fade subtracted; and the vertex rebuild alone.
#include <benchmark/benchmark.h>

#include "bench/run_bench.h"
#include "render3d/pipeline.h"
#include "scenes/scenes.h"
#include "scenes/tree.h"
#include "shell/present.h"
#include "shell/timer.h"
#include "textures/tables.h"

namespace {

void BM_tree_frame(benchmark::State& state) {
  bench_precalc_once();
  set_row_table(FrameBuffer);
  near_z_limit = 150;
  render_first_face = 0;
  tree_enter();
  const int32_t position = static_cast<int32_t>(state.range(1));
  scene_time = static_cast<float>(state.range(0));
  for (auto _ : state) {
    tree_frame(position);
    benchmark::ClobberMemory();
  }
}
// Fading in, the middle of the scene, fading out.
BENCHMARK(BM_tree_frame)
    ->Args({20, 3460})
    ->Args({150, 3700})
    ->Args({300, 4120})
    ->Unit(benchmark::kMicrosecond);

void BM_build_tree(benchmark::State& state) {
  bench_precalc_once();
  effect_time = 90;
  for (auto _ : state) {
    build_tree();
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_build_tree)->Unit(benchmark::kMicrosecond);

}  // namespace
