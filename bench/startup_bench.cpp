// Start-up: precalc_all as a whole, then each of its steps on its own. Each runs once (the
// set-ups are meant to run once per process), after a first full precalc_all has built
// whatever the step needs.
#include <benchmark/benchmark.h>

#include <chrono>

#include "bench/run_bench.h"
#include "data/modules.h"
#include "render3d/effects.h"
#include "scenes/scenes.h"
#include "shell/demo.h"
#include "shell/present.h"
#include "synth/patcher.h"
#include "textures/tables.h"

namespace {

template <typename Step>
void time_once(benchmark::State& state, Step step) {
  for (auto _ : state) {
    auto t0 = std::chrono::steady_clock::now();
    step();
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  }
}

void bm_precalc_all(benchmark::State& state) {
  bench_open_display(32);
  build_colour_tables();
  time_once(state, [] { precalc_all(); });
}

void bm_precalc_samples(benchmark::State& state) {
  bench_precalc_once();
  time_once(state, [] {
    patch_module_samples(module1_sample_offsets, module_one, module1_patches, module1_patch_count);
    patch_module_samples(module2_sample_offsets, module_two, module2_patches, module2_patch_count);
  });
}

void bm_precalc_tables(benchmark::State& state) {
  bench_precalc_once();
  time_once(state, [] {
    build_glow_texture();
    build_texture_tables();
    set_row_table(FrameBuffer);
    build_shared_sphere_mesh();
  });
}

void bm_precalc_setup(benchmark::State& state, void (*set_up)()) {
  bench_precalc_once();
  time_once(state, set_up);
}

void bm_precalc_preroll(benchmark::State& state) {
  bench_precalc_once();
  time_once(state, [] {
    present_skip = 1;
    for (int i = 0; i < 30; ++i) tentacles_run();
    present_skip = 0;
  });
}

void once(benchmark::internal::Benchmark* b) {
  b->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
}

}  // namespace

BENCHMARK(bm_precalc_all)->Apply(once);
BENCHMARK(bm_precalc_samples)->Apply(once);
BENCHMARK(bm_precalc_tables)->Apply(once);
// The set-ups in precalc_all's order.
BENCHMARK_CAPTURE(bm_precalc_setup, card_flight, card_flight_init)->Apply(once);
BENCHMARK_CAPTURE(bm_precalc_setup, dissolve_mask, build_dissolve_mask)->Apply(once);
BENCHMARK_CAPTURE(bm_precalc_setup, title_images, title_images_init)->Apply(once);
BENCHMARK_CAPTURE(bm_precalc_setup, polar_scene, polar_scene_init)->Apply(once);
BENCHMARK_CAPTURE(bm_precalc_setup, particle_zoom, particle_zoom_init)->Apply(once);
BENCHMARK_CAPTURE(bm_precalc_setup, hall_scene, hall_scene_init)->Apply(once);
BENCHMARK_CAPTURE(bm_precalc_setup, credits_tunnel, credits_tunnel_init)->Apply(once);
BENCHMARK_CAPTURE(bm_precalc_setup, tree, tree_init)->Apply(once);
BENCHMARK_CAPTURE(bm_precalc_setup, tentacles, tentacles_init)->Apply(once);
BENCHMARK_CAPTURE(bm_precalc_setup, chain, chain_init)->Apply(once);
BENCHMARK_CAPTURE(bm_precalc_setup, towers, towers_init)->Apply(once);
BENCHMARK_CAPTURE(bm_precalc_setup, fan_tunnel, fan_tunnel_init)->Apply(once);
BENCHMARK_CAPTURE(bm_precalc_setup, gears, gears_init)->Apply(once);
BENCHMARK_CAPTURE(bm_precalc_setup, balls, balls_init)->Apply(once);
BENCHMARK_CAPTURE(bm_precalc_setup, tube_scene, tube_scene_init)->Apply(once);
BENCHMARK_CAPTURE(bm_precalc_setup, final_scene, final_scene_init)->Apply(once);
BENCHMARK(bm_precalc_preroll)->Apply(once);
