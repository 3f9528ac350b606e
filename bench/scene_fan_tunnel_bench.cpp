// One frame of the fan tunnel: 679 vertices bent and shaded, 1048 faces drawn, the flash
// added; and the mesh rebuild alone.
#include <benchmark/benchmark.h>

#include "bench/run_bench.h"
#include "render3d/pipeline.h"
#include "scenes/fan_tunnel.h"
#include "shell/present.h"
#include "shell/timer.h"

namespace {

void BM_fan_tunnel_frame(benchmark::State& state) {
  bench_precalc_once();
  set_row_table(FrameBuffer);
  near_z_limit = 50;
  render_first_face = 0;
  fan_tunnel_enter();
  const int32_t position = static_cast<int32_t>(state.range(1));
  scene_time = static_cast<float>(state.range(0));
  for (auto _ : state) {
    fan_tunnel_frame(position);
    benchmark::ClobberMemory();
  }
}
// Fans standing still far ahead, stepping with the music, the band close and a blade passing
// the camera, the flashes.
BENCHMARK(BM_fan_tunnel_frame)
    ->Args({148, 1088})
    ->Args({277, 1144})
    ->Args({527, 1380})
    ->Args({1118, 1892})
    ->Unit(benchmark::kMicrosecond);

void BM_build_fan_tunnel(benchmark::State& state) {
  bench_precalc_once();
  effect_time = 280;
  for (auto _ : state) {
    build_fan_tunnel(1500);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_build_fan_tunnel)->Unit(benchmark::kMicrosecond);

}  // namespace
