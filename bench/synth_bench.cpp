// Start-up synthesis speed: samples per second for representative patches.
#include <benchmark/benchmark.h>

#include "data/modules.h"
#include "synth/patch_builder.h"
#include "synth/synth.h"
#include "tests/synth/example_patches.h"

namespace {

// The heavy case: four pulses and a saw with routed pitch, widths and amplitudes, a noise modulator,
// and a filter whose cutoff and resonance are both routed, then routed drive and fold.
constexpr SynthPatch routed_strings = [] {
  SynthPatch p{};
  for (int v = 0; v < 5; ++v) {
    p.voices[v] = {.enabled = 1,
                   .waveform = v < 4 ? synth_wave_pulse : synth_wave_saw,
                   .frequency = static_cast<int16_t>(110 + 3 * v),
                   .pitch_sources = route(src_env(1), src_voice(7)),
                   .amplitude = 40,
                   .amplitude_sources = route(src_env(2), src_env(3)),
                   .pulse_width = static_cast<uint8_t>(20 + 10 * v),
                   .pulse_width_sources = route(src_env(4))};
  }
  p.voices[6] = {.enabled = 1, .modulator = 1, .waveform = synth_wave_sine, .frequency = 5, .amplitude = 2};
  p.voices[7] = {
      .enabled = 1, .modulator = 1, .waveform = synth_wave_noise, .frequency = 7, .amplitude = 100};
  p.envelopes[0] = envelope(0, 0, 0, 0, 0, 0, 0, 0, 50);
  p.envelopes[1] = envelope(0, 20, 0, 0, 80, 0, 0, 100, 100);
  p.envelopes[2] = envelope(0, 0, 0, 0, 0, 0, 0, 0, 0);
  p.envelopes[3] = envelope(0, 100, 0, 0, 0, 0, 0, 90, 100);
  p.filter_on = 1;
  p.master = {.length = 65536,
              .rate = 44100,
              .drive_sources = route(src_env(3)),
              .fold_sources = route(src_env(2)),
              .output_level = 127,
              .cutoff_sources = route(src_voice(8), src_env(4)),
              .resonance_sources = route(src_env(1))};
  return p;
}();

void synthesize(benchmark::State& state, const SynthPatch& patch) {
  for (auto _ : state) {
    synthesize_sample(patch);
    benchmark::DoNotOptimize(mix_buffer[0]);
  }
  state.SetItemsProcessed(state.iterations() * patch.master.length);
}

void BM_synth_kick_8192(benchmark::State& state) { synthesize(state, bdsine1_6); }
void BM_synth_pulse_pad_65536(benchmark::State& state) { synthesize(state, pulse_pad); }
void BM_synth_noise_sweep_32768(benchmark::State& state) { synthesize(state, noise_sweep); }
void BM_synth_routed_strings_65536(benchmark::State& state) { synthesize(state, routed_strings); }

// The program's 35 patches in start-up order (about 952,000 samples), synthesis only.
void BM_synth_program_patches(benchmark::State& state) {
  int64_t samples = 0;
  for (auto _ : state) {
    for (const SynthPatch& p : module1_patches) synthesize_sample(p), samples += p.master.length;
    for (const SynthPatch& p : module2_patches) synthesize_sample(p), samples += p.master.length;
    benchmark::DoNotOptimize(mix_buffer[0]);
  }
  state.SetItemsProcessed(samples);
}

BENCHMARK(BM_synth_program_patches)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_synth_kick_8192)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_synth_pulse_pad_65536)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_synth_noise_sweep_32768)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_synth_routed_strings_65536)->Unit(benchmark::kMillisecond);

}  // namespace
