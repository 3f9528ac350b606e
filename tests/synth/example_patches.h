// Patches and helpers the synth tests and benchmarks share.
#pragma once
#include <vector>

#include "synth/patch_builder.h"

// A patch with nothing in it: output level 128 passes the mix through unchanged.
inline SynthPatch bare_patch(int32_t length, int32_t rate = 44100) {
  SynthPatch p{};
  p.master.length = length, p.master.rate = rate, p.master.output_level = 128;
  return p;
}

// Synthesizes p and returns the finished sample.
inline std::vector<int16_t> render(const SynthPatch& p) {
  synthesize_sample(p);
  return {mix_buffer, mix_buffer + p.master.length};
}

constexpr VoiceParams wave(uint8_t waveform, int16_t frequency, uint8_t amplitude = 127, uint8_t width = 50) {
  return {.enabled = 1,
          .waveform = waveform,
          .frequency = frequency,
          .amplitude = amplitude,
          .pulse_width = width};
}

// An envelope holding one level: start 0 draws 65532, 50 draws 33024, 100 draws 0.
constexpr EnvelopeParams flat_envelope(uint8_t start_level) {
  return envelope(0, 0, 0, 0, 0, 0, 0, 0, start_level);
}

// The sine bass drum "bdsine1_6.wav": silent for 5 units, then a pitch sweep falling from about
// eight octaves above F/4 toward F/4 while envelope 4 holds full amplitude until unit 261.
constexpr SynthPatch bdsine1_6 = {
    .voices = {{.enabled = 1,
                .waveform = synth_wave_sine,
                .frequency = 65,
                .pitch_sources = route(src_env(1), src_env(2), src_env(3), src_env(5)),
                .amplitude = 127,
                .amplitude_sources = route(src_env(4))}},
    .envelopes = {envelope(1, 0, 0, 0, 0, 50, 100, 50, 100), envelope(1, 0, 0, 0, 0, 50, 50, 50, 100),
                  envelope(1, 0, 0, 0, 0, 50, 2, 100, 100), envelope(1, 0, 50, 0, 0, 50, 0, 100, 100),
                  envelope(1, 0, 0, 0, 0, 50, 6, 50, 100)},
    .master = {.length = 8192, .rate = 44100, .output_level = 127, .cutoff_sources = route(src_env(1))},
};

// A string pad: two detuned pulses with envelope-swept widths through a resonant filter whose
// cutoff follows a slow sine modulator, then driven into the limiter.
constexpr SynthPatch pulse_pad = {
    .voices = {{.enabled = 1,
                .waveform = synth_wave_pulse,
                .frequency = 110,
                .amplitude = 60,
                .amplitude_sources = route(src_env(1)),
                .pulse_width = 50,
                .pulse_width_sources = route(src_env(2))},
               {.enabled = 1,
                .waveform = synth_wave_pulse,
                .frequency = 111,
                .amplitude = 60,
                .amplitude_sources = route(src_env(1)),
                .pulse_width = 30,
                .pulse_width_sources = route(src_env(3))},
               {.enabled = 1, .modulator = 1, .waveform = synth_wave_sine, .frequency = 1, .amplitude = 120}},
    .envelopes = {envelope(0, 20, 0, 0, 80, 0, 0, 100, 100), envelope(0, 100, 0, 0, 0, 0, 0, 90, 100),
                  envelope(0, 60, 40, 0, 0, 0, 0, 70, 100)},
    .filter_on = 1,
    .master = {.length = 65536,
               .rate = 44100,
               .drive_gain = 8,
               .output_level = 127,
               .cutoff_sources = route(src_voice(3)),
               .resonance = 4.0f},
};

// Sample-and-hold noise whose rate falls from 32 kHz to 125 Hz, fading out, through a fixed filter.
constexpr SynthPatch noise_sweep = {
    .voices = {{.enabled = 1,
                .waveform = synth_wave_noise,
                .frequency = 500,
                .pitch_sources = route(src_env(1), src_env(2)),
                .amplitude = 110,
                .amplitude_sources = route(src_env(3))}},
    .envelopes = {envelope(0, 0, 0, 0, 0, 0, 100, 100, 100), envelope(0, 0, 0, 0, 0, 0, 100, 100, 100),
                  envelope(0, 0, 60, 40, 0, 0, 0, 100, 100)},
    .filter_on = 1,
    .master = {.length = 32768, .rate = 44100, .output_level = 127, .cutoff = 6000, .resonance = 1.5f},
};
