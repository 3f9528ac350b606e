// The frame presenter on the headless display: scaling to 24 and 32 bits alone, and with
// the blend, the fades or the mosaic view on top. Each case is one whole present_frame
// (message pump and headless clock included); the differences between cases are what each stage costs.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "bench/run_bench.h"
#include "shell/present.h"
#include "shell/random.h"

namespace {

enum Case : int64_t { scale, blend, fade_add, fade_subtract, mosaic, blend_fade_mosaic };

// A picture with every byte in use, so saturation and dither levels all occur.
void fill_picture() {
  demo_srand(1);
  for (int i = 0; i < screen_pixels; ++i)
    FrameBuffer[i] = uint32_t(demo_rand()) << 17 ^ uint32_t(demo_rand()) << 2 ^ uint32_t(i);
  fill_prev_frame(0x00406080);
}

void bm_present(benchmark::State& state) {
  const int bpp = int(state.range(0));
  const auto what = Case(state.range(1));
  bench_open_display(bpp);
  build_colour_tables();
  fill_picture();
  blend_enabled = 1;
  mosaic_mode = what == mosaic || what == blend_fade_mosaic;
  fade_colour = 0x00102030;
  const uint8_t blend_on = what == blend || what == blend_fade_mosaic;
  const uint8_t fade = what == fade_add || what == blend_fade_mosaic ? 1 : what == fade_subtract ? 2 : 0;
  for (auto _ : state) {
    present_frame(blend_on, fade);
    benchmark::ClobberMemory();
  }
  mosaic_mode = 0;
  state.SetItemsProcessed(state.iterations());
}

void cases(benchmark::internal::Benchmark* b) {
  b->ArgNames({"bpp", "case"});
  for (int64_t bpp : {32, 24})
    for (int64_t c : {scale, blend, fade_add, fade_subtract, mosaic, blend_fade_mosaic}) b->Args({bpp, c});
}

// The buffer work alone, without the presenter: clearing, as every frame of a scene does.
void bm_clear_buffers(benchmark::State& state) {
  for (auto _ : state) {
    clear_buffers(0);
    benchmark::ClobberMemory();
  }
}

}  // namespace

// case: 0 scale only, 1 blend, 2 fade add, 3 fade subtract, 4 mosaic, 5 blend + fade + mosaic
BENCHMARK(bm_present)->Apply(cases)->Unit(benchmark::kMicrosecond);
BENCHMARK(bm_clear_buffers)->Unit(benchmark::kMicrosecond);
