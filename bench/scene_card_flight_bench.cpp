// One frame of the snapshot card flight: clear, camera, 160 textured faces.
#include <benchmark/benchmark.h>

#include <algorithm>

#include "bench/run_bench.h"
#include "render3d/pipeline.h"
#include "scenes/card_flight.h"
#include "scenes/scenes.h"
#include "shell/present.h"
#include "shell/timer.h"

namespace {

void BM_card_flight_frame(benchmark::State& state) {
  bench_precalc_once();
  set_row_table(FrameBuffer);
  near_z_limit = 20;
  for (int i = 0; i < screen_pixels; ++i) FrameBuffer[i] = static_cast<uint32_t>(i * 2654435761u);
  card_flight_snapshot();
  scene_time = static_cast<float>(state.range(0));
  for (auto _ : state) {
    card_flight_frame(570);
    benchmark::ClobberMemory();
  }
  screen_centre[0] = 160;
}
// Start (card filling the screen), middle and end of the scene.
BENCHMARK(BM_card_flight_frame)->Arg(0)->Arg(22)->Arg(45)->Unit(benchmark::kMicrosecond);

}  // namespace
