// One frame of the bouncing lamp balls: the room lit per vertex by three balls (882 distances),
// 258 rotations placed three times, 1971 faces and three glow sprites drawn, at a cut with its
// flash, in the cut views and while the camera circles.
#include <benchmark/benchmark.h>

#include "bench/run_bench.h"
#include "render3d/pipeline.h"
#include "scenes/balls.h"
#include "scenes/scenes.h"
#include "shell/present.h"
#include "shell/timer.h"

namespace {

void BM_balls_frame(benchmark::State& state) {
  bench_precalc_once();
  set_row_table(FrameBuffer);
  near_z_limit = 80;
  render_first_face = 0;
  balls_enter();
  const int32_t position = static_cast<int32_t>(state.range(1));
  scene_time = static_cast<float>(state.range(0));
  for (auto _ : state) {
    balls_frame(position);
    benchmark::ClobberMemory();
  }
}
// First frame, mid cuts, circling early and late.
BENCHMARK(BM_balls_frame)
    ->Args({0, 2816})
    ->Args({250, 2930})
    ->Args({400, 3150})
    ->Args({780, 3400})
    ->Unit(benchmark::kMicrosecond);

void BM_balls_room_light(benchmark::State& state) {
  bench_precalc_once();
  for (auto _ : state) {
    light_ball_room(1500);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_balls_room_light)->Unit(benchmark::kMicrosecond);

void BM_balls_place(benchmark::State& state) {
  bench_precalc_once();
  effect_time = ball_spin = 321.5f;
  for (auto _ : state) {
    place_balls(1500);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_balls_place)->Unit(benchmark::kMicrosecond);

}  // namespace
