// One frame of the tentacle star with every spark alive, at a few moments of the scene.
#include <benchmark/benchmark.h>

#include "render3d/effects.h"
#include "render3d/pipeline.h"
#include "scenes/scenes.h"
#include "scenes/tentacles.h"
#include "shell/present.h"
#include "shell/timer.h"
#include "textures/tables.h"

namespace {

void set_up_tentacles() {
  static bool ready = false;
  if (ready) return;
  ready = true;
  set_row_table(FrameBuffer);
  build_glow_texture();
  build_texture_tables();
  build_shared_sphere_mesh();
  tentacles_init();
  near_z_limit = 50;
  render_first_face = 0;
  present_skip = 1;
  for (int i = 0; i < 30; ++i) tentacles_run();  // the pre-roll: every spark flying
  present_skip = 0;
}

void bm_tentacles_frame(benchmark::State& state, float time) {
  set_up_tentacles();
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
