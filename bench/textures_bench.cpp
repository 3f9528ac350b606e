// Start-up cost of the procedural textures: every texture of the program plus the tables, the glow
// and the dissolve mask (goal: under 100 ms on one core), each script, and the hot operations.
#include <benchmark/benchmark.h>

#include "data/texture_scripts.h"
#include "shell/random.h"
#include "textures/tables.h"
#include "textures/texgen.h"

namespace {

uint32_t bench_texture[texture_max_pixels];

void run_entry(const TextureScriptEntry& entry) {
  if (entry.script == dissolve_mask_script) {
    build_dissolve_mask();
    return;
  }
  texgen_set_size(entry.width, entry.height);
  generate_texture(entry.script, bench_texture);
}

void BM_AllTexturesAndTables(benchmark::State& state) {
  for (auto _ : state) {
    build_glow_texture();
    build_texture_tables();
    for (const TextureScriptEntry& entry : texture_script_table) run_entry(entry);
    benchmark::DoNotOptimize(bench_texture[0]);
  }
}
BENCHMARK(BM_AllTexturesAndTables)->Unit(benchmark::kMillisecond);

void BM_Tables(benchmark::State& state) {
  for (auto _ : state) {
    build_glow_texture();
    build_texture_tables();
  }
}
BENCHMARK(BM_Tables)->Unit(benchmark::kMillisecond);

void BM_Script(benchmark::State& state) {
  build_texture_tables();
  const TextureScriptEntry& entry = texture_script_table[state.range(0)];
  state.SetLabel(entry.name);
  for (auto _ : state) run_entry(entry);
}
BENCHMARK(BM_Script)->DenseRange(0, texture_script_count - 1)->Unit(benchmark::kMillisecond);

// One operation on a structured 256 x 256 texture (a finished tunnel texture).
template <typename Op>
void run_operation(benchmark::State& state, Op op) {
  build_texture_tables();
  texgen_set_size(256, 256);
  static uint32_t source[texture_max_pixels];
  generate_texture(tunnel_tex_a_script, source);
  texture_out = bench_texture;
  for (int i = 0; i < texture_max_pixels; ++i) saved_layer[i] = source[i] ^ 0x5A5A5A5Au;
  for (auto _ : state) {
    state.PauseTiming();
    for (int i = 0; i < texture_max_pixels; ++i) bench_texture[i] = source[i];
    state.ResumeTiming();
    op();
    benchmark::DoNotOptimize(bench_texture[0]);
  }
}

void BM_Blur(benchmark::State& state) {
  run_operation(state, [] { blur_texture(1); });
}
void BM_Emboss(benchmark::State& state) {
  run_operation(state, [] { texture_emboss(128); });
}
void BM_Hsv(benchmark::State& state) {
  run_operation(state, [] { texture_hsv(-6, 16, 48); });
}
void BM_CombineAdd(benchmark::State& state) {
  run_operation(state, [] { combine_layer(combine_add, saved_layer); });
}
void BM_CombineMultiply(benchmark::State& state) {
  run_operation(state, [] { combine_layer(combine_multiply, saved_layer); });
}
void BM_Warp(benchmark::State& state) {
  run_operation(state, [] { texture_warp(32, 32, 32, 48, 64, 32); });
}
void BM_Displace(benchmark::State& state) {
  run_operation(state, [] { texture_displace(32, 128, 32, 192); });
}
void BM_Light(benchmark::State& state) {
  run_operation(state, [] { texture_light(128, 128, 160); });
}
void BM_Plasma(benchmark::State& state) {
  run_operation(state, [] { texture_plasma(150, 50, 128, combine_average); });
}
void BM_Blobs(benchmark::State& state) {
  run_operation(state, [] {
    demo_srand(2196);
    texture_blobs(96, 384, 32, 64, 128, 32, combine_add);
  });
}
BENCHMARK(BM_Blur)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Emboss)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Hsv)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CombineAdd)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CombineMultiply)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Warp)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Displace)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Light)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Plasma)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Blobs)->Unit(benchmark::kMicrosecond);

}  // namespace
