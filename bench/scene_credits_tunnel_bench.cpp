// One frame of the credits tunnel: the tunnel alone, and with the longest line in place.
#include <benchmark/benchmark.h>

#include "bench/run_bench.h"
#include "render3d/pipeline.h"
#include "scenes/credits_tunnel.h"
#include "scenes/scenes.h"
#include "shell/present.h"
#include "shell/timer.h"
#include "textures/tables.h"

namespace {

// scene_time, position and how many lines to build before timing.
void bm_credits_tunnel_frame(benchmark::State& state, float time, int32_t position, int32_t lines) {
  bench_precalc_once();
  near_z_limit = 50;
  present_skip = 1;
  credits_line_index = 0;
  credits_text_offset = 0;
  scene_time = 0.0f;
  credits_tunnel_enter();
  for (int32_t i = 0; i < lines; ++i) add_credits_line();
  for (auto _ : state) {
    scene_time = time;
    credits_tunnel_frame(position);
    benchmark::DoNotOptimize(FrameBuffer[32160]);
  }
  present_skip = 0;
}

}  // namespace

BENCHMARK_CAPTURE(bm_credits_tunnel_frame, tunnel_only, 100.0f, 800, 0)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(bm_credits_tunnel_frame, flying_on, 1500.0f, 1300, 0)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(bm_credits_tunnel_frame, longest_line, 700.0f, 1400, 3)->Unit(benchmark::kMicrosecond);
