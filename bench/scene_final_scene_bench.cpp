// One frame of the final scene: 1192 vertices rebuilt (arms and figure), 2704 faces drawn
// (reordered while the figure is translucent), the fade added; and the rebuild alone.
#include <benchmark/benchmark.h>

#include "bench/run_bench.h"
#include "render3d/pipeline.h"
#include "scenes/final_scene.h"
#include "scenes/scenes.h"
#include "shell/present.h"
#include "shell/timer.h"

namespace {

void BM_final_scene_frame(benchmark::State& state) {
  bench_precalc_once();
  set_row_table(FrameBuffer);
  near_z_limit = 50;
  render_first_face = 0;
  figure_blend = 1;
  lift = 0;
  final_scene_enter();
  const int32_t position = static_cast<int32_t>(state.range(1));
  scene_time = static_cast<float>(state.range(0));
  for (auto _ : state) {
    final_scene_frame(position);
    benchmark::ClobberMemory();
  }
  figure_blend = 1;
  lift = 0;
}
// Translucent figure; the heaviest moment of a sweep through the scene (the solid figure
// before both glowing cones); cones stretched with the camera lifted and fading.
BENCHMARK(BM_final_scene_frame)
    ->Args({100, 5300})
    ->Args({2400, 5886})
    ->Args({1200, 6100})
    ->Unit(benchmark::kMicrosecond);

void BM_final_scene_rebuild(benchmark::State& state) {
  bench_precalc_once();
  scene_t = anim_t = 123.5f;
  for (auto _ : state) {
    build_arms(0);
    build_figure();
    benchmark::ClobberMemory();
  }
  final_vertex_count = final_saved_vertex_count;
  final_face_count = final_saved_face_count;
}
BENCHMARK(BM_final_scene_rebuild)->Unit(benchmark::kMicrosecond);

void BM_final_scene_init(benchmark::State& state) {
  bench_precalc_once();
  for (auto _ : state) {
    final_scene_init();
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_final_scene_init)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
