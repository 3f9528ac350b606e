// One frame of the opening particle zoom: zoom and smear, glows, canvas fade, blur.
#include <benchmark/benchmark.h>

#include "bench/run_bench.h"
#include "scenes/particle_zoom.h"
#include "scenes/scenes.h"
#include "shell/present.h"
#include "shell/timer.h"
#include "textures/tables.h"

namespace {

void enter_particle_zoom() {
  bench_precalc_once();
  set_row_table(trail_canvas);
  trail_fade = 255;
}

void BM_particle_zoom_frame(benchmark::State& state) {
  enter_particle_zoom();
  // Settle the trails first so the canvas is as busy as in the scene.
  for (int i = 0; i < 150; ++i) {
    scene_time = i * 1.5f;
    particle_zoom_frame(0);
  }
  scene_time = static_cast<float>(state.range(0));
  for (auto _ : state) {
    particle_zoom_frame(300);
    benchmark::ClobberMemory();
  }
  set_row_table(FrameBuffer);
}
BENCHMARK(BM_particle_zoom_frame)->Arg(0)->Arg(400)->Arg(900)->Unit(benchmark::kMicrosecond);

}  // namespace
