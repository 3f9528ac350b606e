#include "synth/synth.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numbers>
#include <numeric>
#include <tuple>
#include <utility>
#include <vector>

#include "shell/random.h"
#include "tests/synth/example_patches.h"

namespace {

constexpr int a = 127 * 256;  // peak of a full-amplitude voice
// A modulator that holds its zero line (32768): one such pitch source leaves F exactly as it is.
constexpr VoiceParams zero_line_modulator = {.enabled = 1, .modulator = 1, .frequency = 1, .amplitude = 0};

const uint16_t* region(int source, int32_t length) { return source_buffer + (source - 1) * length; }

TEST(SynthEnvelope, Breakpoints) {
  struct Case {
    EnvelopeParams e;
    std::array<int, 8> time, level;
  };
  const Case cases[] = {
      // ramp2 0 keeps the level; a release returns to the start level, even past unit 512.
      {bdsine1_6.envelopes[0], {0, 5, 5, 5, 5, 5, 517, 512}, {127, 127, 63, 63, 63, 63, 127, 127}},
      {bdsine1_6.envelopes[3], {0, 5, 5, 261, 261, 261, 261, 512}, {127, 127, 0, 0, 0, 0, 0, 127}},
      // Start 101, depth 76.2 off; ramp2 to trunc(trunc(101 - 38.1) + (127 - 50.8) - 37.8) = 100.
      {envelope(10, 10, 10, 20, 10, 40, 10, 60, 80),
       {0, 51, 102, 153, 255, 306, 357, 512},
       {101, 101, 24, 24, 100, 100, 101, 101}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(&c - cases);
    SynthPatch p = bare_patch(2048);
    p.envelopes[0] = c.e;
    synthesize_sample(p);
    std::array<int, 8> time, level;
    for (int k = 0; k < 8; ++k) time[k] = envelope_points[0][k].time, level[k] = envelope_points[0][k].level;
    EXPECT_EQ(time, c.time);
    EXPECT_EQ(level, c.level);
  }
}

TEST(SynthEnvelope, DrawnLevelsStayInTheirRegions) {
  SynthPatch p = bare_patch(8192);
  p.envelopes[0] = envelope(0, 0, 50, 0, 0, 0, 0, 100, 100);   // full for 256 units, then down to silence
  p.envelopes[1] = flat_envelope(50);                          // level 63: 65536 - 63 x 516 - 4
  p.envelopes[2] = flat_envelope(100);                         // level 127: Q = 2^31 wraps to 0
  p.envelopes[7] = envelope(0, 200, 0, 0, 0, 0, 0, 100, 100);  // a ramp over 1024 units is cut off at 512
  std::fill(source_buffer, source_buffer + 16 * 8192 + 16, 0x5A5A);
  synthesize_sample(p);
  const uint16_t *e = region(1, 8192), *ramp = region(8, 8192);
  for (int i = 0; i < 8192; ++i) {
    ASSERT_TRUE(i <= 4096 ? e[i] == 65532 : e[i] < e[i - 1]) << i;
    ASSERT_EQ(region(2, 8192)[i], 33024) << i;
    ASSERT_EQ(region(3, 8192)[i], 0) << i;
    ASSERT_TRUE(i == 0 ? ramp[i] == 0 : ramp[i] > ramp[i - 1]) << i;
  }
  EXPECT_EQ(e[4097], 65517);  // Q steps by 32766 x 65536 / 4096 and is read back by 32768
  EXPECT_LT(e[8191], 32);
  EXPECT_LT(ramp[8191], 33000);  // halfway up when the region ends
  for (int i = 3 * 8192; i < 7 * 8192; ++i) ASSERT_EQ(source_buffer[i], 0x5A5A) << i;        // not enabled
  for (int i = 8 * 8192; i < 16 * 8192 + 16; ++i) ASSERT_EQ(source_buffer[i], 0x5A5A) << i;  // past the ramp
}

TEST(SynthWaveforms, SamplesAt441Hz) {
  // Envelope 1 holds 65532, envelope 2 holds 0, envelope 3 holds 16512 (pulse width 25.196%).
  SynthPatch p = bare_patch(2048);
  p.envelopes[0] = flat_envelope(0), p.envelopes[1] = flat_envelope(100), p.envelopes[2] = flat_envelope(75);
  p.envelopes[3].enabled = 2;
  VoiceParams inverted = wave(synth_wave_saw, 441), halved = inverted;
  inverted.invert = 1;
  // Average 32766: just under a half. Envelope 4 does not count: only enabled = 1 means enabled.
  halved.amplitude_sources = route(src_env(1), src_env(2), src_env(4));
  VoiceParams width_from_source = wave(synth_wave_pulse, 441);
  width_from_source.pulse_width_sources = route(src_env(3));
  // Voice, sum of all 2048 samples, samples.
  const std::tuple<VoiceParams, int64_t, std::vector<std::pair<int, int>>> cases[] = {
      {wave(synth_wave_sine, 441), 1028403, {{0, 0}, {25, a}, {75, -a}}},  // period 100 samples
      {wave(synth_wave_saw, 441), -1477322, {{0, -a}, {50, 0}, {99, 31861}, {100, -a}}},
      {inverted, 1475274, {{0, a - 1}, {50, -1}, {99, -31862}, {100, a - 1}}},
      {halved, -738593, {{0, -16255}, {50, 0}, {99, 15929}}},
      // Starts at +A and falls; each turning point is held for two samples.
      {wave(synth_wave_triangle, 441), 223680, {{0, a}, {25, 0}, {50, -a}, {51, -a}, {52, -31211}, {101, a}}},
      // Low first; an edge once the counter passes the half: runs of 51, 51; of 26, 76, 26; of 26, 75, 26.
      {wave(synth_wave_pulse, 441), -260096, {{0, -a}, {50, -a}, {51, a}, {101, a}, {102, -a}}},
      {wave(synth_wave_pulse, 441, 127, 25),
       32251904,
       {{25, -a}, {26, a}, {101, a}, {102, -a}, {127, -a}, {128, a}}},
      {width_from_source, 31081472, {{25, -a}, {26, a}, {100, a}, {101, -a}, {126, -a}, {127, a}}},
      {wave(9, 441), 0, {{25, 0}, {2047, 0}}},  // unknown waveform: silence
  };
  for (const auto& [voice, sum, samples] : cases) {
    SCOPED_TRACE(testing::Message() << "waveform " << int{voice.waveform} << " sum " << sum);
    p.voices[0] = voice;
    synthesize_sample(p);
    std::fill(voice_buffer, voice_buffer + 2048, 0x5A5A);
    render_voice(0);
    for (auto [i, v] : samples) EXPECT_EQ(voice_buffer[i], v) << i;
    EXPECT_EQ(std::accumulate(voice_buffer, voice_buffer + 2048, int64_t{0}), sum);
  }
}

// A full pitch source (65532) is 2^1.99976 x F: 8192 samples at 400 Hz hold 74 cycles.
TEST(SynthWaveforms, FullPitchSourceIsTwoOctavesUp) {
  for (uint8_t w : {synth_wave_sine, synth_wave_saw, synth_wave_triangle, synth_wave_pulse}) {
    SynthPatch p = bare_patch(8192);
    p.voices[0] = wave(w, 100);
    p.voices[0].pitch_sources = route(src_env(1));
    p.envelopes[0] = flat_envelope(0);
    const std::vector<int16_t> s = render(p);
    int rises = 0;
    for (int i = 1; i < 8192; ++i) rises += s[i - 1] < 0 && s[i] >= 0;
    EXPECT_NEAR(rises, 74, 2) << int{w};  // the triangle's held turning points make it a little slower
  }
}

// Phases, periods and filter state are floats; what is computed from them each sample (the
// routed frequency, the sine's product, a routed quarter period, the filter's coefficients) is
// double. These samples are where rounding any of those to a float would change the output.
TEST(SynthArithmetic, DoubleIntermediatesFloatState) {
  SynthPatch kick = bdsine1_6;
  SynthPatch saw_sweep = bare_patch(4096), triangle = bare_patch(4096), filtered = bare_patch(4096);
  saw_sweep.voices[0] = wave(synth_wave_saw, 55);
  saw_sweep.voices[0].pitch_sources = route(src_env(1));
  saw_sweep.envelopes[0] = envelope(1, 0, 0, 0, 0, 0, 100, 0, 0);  // from 4 x F down to F / 4
  triangle.voices[0] = wave(synth_wave_triangle, 441);
  triangle.voices[0].pitch_sources = route(src_env(1));
  triangle.envelopes[0] = flat_envelope(0);  // 2^1.99976 x F
  filtered.voices[0] = wave(synth_wave_saw, 441);
  filtered.voices[1] = wave(synth_wave_noise, 4410, 60);
  filtered.filter_on = 1, filtered.master.cutoff = 1000, filtered.master.resonance = 8;
  const struct {
    const char* name;
    const SynthPatch* patch;
    bool voice;  // the voice before the master chain, or the finished sample
    std::vector<std::pair<int, int>> samples;
  } cases[] = {
      {"kick", &kick, false, {{95, 19869}, {133, -29926}, {149, 5167}, {169, 2906}}},
      {"routed saw", &saw_sweep, true, {{61, -12727}, {122, 7056}, {183, 26840}}},
      // The clamp stores the double 2 x quarter in the float x: the first sample falls short of +A.
      {"routed triangle", &triangle, true, {{0, 32511}, {26, 32511}}},
      {"filter", &filtered, false, {{79, 8886}, {142, -17501}, {935, -1458}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    synthesize_sample(*c.patch);
    if (c.voice) render_voice(0);
    const int16_t* out = c.voice ? voice_buffer : mix_buffer;
    for (auto [i, v] : c.samples) EXPECT_EQ(out[i], v) << i;
  }
}

TEST(SynthWaveforms, NoiseHoldsItsValuesInRange) {
  SynthPatch p = bare_patch(8192);
  p.voices[0] = wave(synth_wave_noise, 4410);  // a new value every 10 samples
  demo_srand(12345);  // reseeded from the amplitude: the earlier state does not matter
  const std::vector<int16_t> first = render(p);
  EXPECT_EQ((std::array<int, 3>{first[0], first[10], first[8189]}), (std::array{-13824, 29952, 10496}));
  for (int i = 0; i < 8192; ++i) ASSERT_EQ(first[i], first[i - i % 10]) << i;
  const auto [low, high] = std::ranges::minmax(first);
  EXPECT_EQ(std::pair(int{low}, int{high}), std::pair(-a, a));
}

TEST(SynthRouting, ModulatorsSeeLowerIndicesOfThisPatchAndHigherOfThePrevious) {
  const int32_t n = 4096;
  SynthPatch p = bare_patch(n);
  // Modulator 3 holds 32768 (a half). Saw modulators 1 and 4 are scaled by it; noise modulator 2 is
  // pitched by it. Voices 1 and 2 come before it: they read what an earlier patch left in its region.
  p.voices[0] = p.voices[3] = wave(synth_wave_saw, 441);
  p.voices[0].amplitude_sources = p.voices[3].amplitude_sources = route(src_voice(3));
  p.voices[1] = wave(synth_wave_noise, 4410, 50);
  p.voices[1].pitch_sources = route(src_voice(3));
  p.voices[2] = zero_line_modulator;
  p.voices[0].modulator = p.voices[1].modulator = p.voices[3].modulator = 1;
  std::fill(source_buffer + 10 * n, source_buffer + 11 * n, 0);  // what an earlier patch left
  synthesize_sample(p);
  const uint32_t after = demo_rand_state;
  for (int i = 0; i < n; ++i) {
    ASSERT_EQ(region(9, n)[i], 32768) << i;   // voice 1 scaled by the old zeros
    ASSERT_EQ(region(11, n)[i], 32768) << i;  // voice 3 now
    ASSERT_EQ(mix_buffer[i], 0) << i;         // modulators are not heard
  }
  // Voice 4 sees this patch's voice 3.
  EXPECT_EQ((std::array<int, 2>{region(12, n)[0], region(12, n)[99]}),
            (std::array{32768 - 32512 / 2, 32768 + 31861 / 2}));
  synthesize_sample(p);  // region 11 holds 32768 from the start: voice 1 is halved too
  EXPECT_EQ(region(9, n)[0], 32768 - 32512 / 2);
  // The random state is the one of the second render of every voice, with every region current:
  // noise drawn at F, not at F / 4 as from the old zeros.
  render_voice(1);
  EXPECT_EQ(demo_rand_state, after);
  std::fill(source_buffer + 10 * n, source_buffer + 11 * n, 0);
  render_voice(1);
  EXPECT_NE(demo_rand_state, after);
}

TEST(SynthMix, AudibleVoicesSaturate) {
  SynthPatch p = bare_patch(2048);
  p.voices[0] = p.voices[1] = wave(synth_wave_sine, 441);
  const std::vector<int16_t> s = render(p);
  EXPECT_EQ((std::array<int, 3>{s[25], s[75], s[5]}), (std::array{32767, -32768, 20092}));
}

TEST(SynthMaster, DriveFoldAndOutputLevel) {
  struct Case {
    MasterParams m;
    std::vector<int16_t> in, out;
  };
  const Case cases[] = {
      {{.drive_gain = 16, .output_level = 128}, {100, -100, 20000, -32768}, {200, -200, 32767, -32768}},
      {{.drive_gain = -8, .output_level = 128}, {101, -101}, {51, -51}},  // x 0.5, toward zero
      // x (1 + 65532 / 2048) = x 32.998
      {{.drive_sources = route(src_env(1)), .output_level = 128}, {100, -1000, 993}, {3299, -32768, 32767}},
      // 40000 folds back to 25534.
      {{.fold_gain = 16, .output_level = 128},
       {20000, -20000, 32767, -32768, 16383},
       {25534, -25534, 0, 2, 32766}},
      {{.fold_gain = 640, .output_level = 128},
       {32767, -32768, 12345, -777},
       {32767, -32726, -18127, -31857}},
      {{.output_level = 127}, {-1, 1, 32767, -32768, 128, -129}, {0, 0, 32511, -32512, 127, -127}},
      {{.output_level = 256}, {20000}, {40000 - 65536}},  // no limiting: wraps in the 16-bit store
      {{.output_level_sources = route(src_env(3))}, {30000, -30000}, {15117, -15117}},  // x 33024 / 65536
  };
  SynthPatch p = bare_patch(1024);
  p.envelopes[0] = flat_envelope(0), p.envelopes[2] = flat_envelope(50);
  synthesize_sample(p);
  for (const Case& c : cases) {
    SCOPED_TRACE(&c - cases);
    p.master = c.m, p.master.length = 1024, p.master.rate = 44100;
    std::fill(mix_buffer, mix_buffer + 1024, 0);
    std::copy(c.in.begin(), c.in.end(), mix_buffer);
    apply_master_chain();
    EXPECT_EQ(std::vector<int16_t>(mix_buffer, mix_buffer + c.out.size()), c.out);
  }
}

TEST(SynthMaster, FilterFixedAndRouted) {
  SynthPatch p = bare_patch(1024);
  p.envelopes[0] = flat_envelope(0);    // as cutoff: (65532 + 1) / 8 = 8191.6 Hz
  p.envelopes[1] = flat_envelope(100);  // as resonance: 0 / 512 + 1
  synthesize_sample(p);
  p.filter_on = 1;
  auto run = [&](double hz, int16_t cutoff, float resonance) {  // RMS of the second half
    p.master.cutoff = cutoff, p.master.resonance = resonance;
    for (int i = 0; i < 1024; ++i)
      mix_buffer[i] = static_cast<int16_t>(20000 * std::sin(2 * std::numbers::pi * hz * i / 44100));
    apply_master_chain();
    double e = 0;
    for (int i = 512; i < 1024; ++i) e += static_cast<double>(mix_buffer[i]) * mix_buffer[i];
    return std::sqrt(e / 512);
  };
  EXPECT_NEAR(run(100, 1000, 0.7f), 14142, 1000);
  EXPECT_LT(run(8000, 1000, 0.7f), 400);  // 12 dB per octave, three octaves up
  run(1000, 1000, 100.0f);                // rings at the cutoff; the state is limited, not wrapped
  EXPECT_TRUE(*std::max_element(mix_buffer, mix_buffer + 1024) > 32000 &&
              *std::min_element(mix_buffer, mix_buffer + 1024) < -32000);
  for (int i = 1; i < 1024; ++i) ASSERT_LT(std::abs(mix_buffer[i] - mix_buffer[i - 1]), 10000) << i;
  run(3000, 8191, 1.0f);
  const std::vector<int16_t> fixed(mix_buffer, mix_buffer + 1024);
  p.master.cutoff_sources = route(src_env(1));
  p.master.resonance_sources = route(src_env(2));
  run(3000, 0, 0.0f);
  for (int i = 0; i < 1024; ++i) ASSERT_NEAR(mix_buffer[i], fixed[i], 30) << i;
  p.master.cutoff_sources = p.master.resonance_sources = {};
  p.filter_on = 2;  // only switch value 1 runs it
  EXPECT_GT(run(8000, 1000, 0.7f), 10000);
}

// Arbitrary bytes (with a usable length) must not crash or depend on anything but their inputs:
// huge pitch sums, levels above 127, NaN resonance, extreme gains, rate 0. Run under the sanitizers too.
TEST(SynthSpecialValues, ArbitraryPatchBytesAreSafeAndDeterministic) {
  uint32_t seed = 2024;
  for (int round = 0; round < 40; ++round) {
    SynthPatch p;
    uint8_t* bytes = reinterpret_cast<uint8_t*>(&p);
    for (size_t i = 0; i < sizeof p; ++i)
      bytes[i] = static_cast<uint8_t>((seed = seed * 1664525u + 1013904223u) >> 24);
    for (VoiceParams& v : p.voices) v.enabled &= 1, v.modulator &= 1;
    for (EnvelopeParams& e : p.envelopes) e.enabled &= 1;
    p.master.length = 512 * (1 + round % 4);
    p.master.rate = round == 7 ? 0 : 8000 + 1000 * round;
    static uint16_t sources[16 * 2048];
    std::memcpy(sources, source_buffer, sizeof sources);
    const std::vector<int16_t> first = render(p);
    const uint32_t state = demo_rand_state;
    std::memcpy(source_buffer, sources, sizeof sources);
    ASSERT_EQ(render(p), first) << round;
    ASSERT_EQ(demo_rand_state, state) << round;
  }
  SynthPatch p = bare_patch(1024, 0);  // zero rate and frequencies: silent
  for (uint8_t w = 0; w <= 4; ++w) p.voices[w] = wave(w, 0);
  p.filter_on = 1;
  p.master.cutoff = 1000;
  for (int16_t s : render(p)) ASSERT_EQ(s, 0);
}

}  // namespace
