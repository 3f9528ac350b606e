// Helpers for writing SynthPatch tables as designated initialisers:
//
//   constexpr SynthPatch kick = {
//       .voices = {{.enabled = 1, .waveform = synth_wave_sine, .frequency = 65,
//                   .pitch_sources = route(src_env(1), src_env(2)), .amplitude = 127,
//                   .amplitude_sources = route(src_env(4))}},
//       .envelopes = {envelope(1, 0, 0, 0, 0, 50, 100, 50, 100)},
//       .master = {.length = 8192, .rate = 44100, .output_level = 127},
//   };
#pragma once
#include "synth/synth.h"

// Source numbers as routing masks count them.
constexpr int src_env(int n) { return n; }        // envelope n, 1..8
constexpr int src_voice(int n) { return 8 + n; }  // voice n, 1..8

template <class... Sources>
constexpr RoutingMask route(Sources... sources) {
  RoutingMask mask{};
  ((mask.select[sources] = 1), ...);
  return mask;
}

// An enabled envelope from its nine parameter bytes, in record order.
constexpr EnvelopeParams envelope(uint8_t delay, uint8_t ramp1, uint8_t hold1, uint8_t ramp2, uint8_t hold2,
                                  uint8_t sustain, uint8_t release, uint8_t depth, uint8_t start_level) {
  return {1, delay, ramp1, hold1, ramp2, hold2, sustain, release, depth, start_level};
}
