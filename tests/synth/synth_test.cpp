#include "synth/synth.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#include "shell/random.h"
#include "synth/patch_builder.h"
#include "tests/synth/example_patches.h"

namespace {

// A patch with nothing in it: output level 128 passes the mix through unchanged.
SynthPatch bare_patch(int32_t length, int32_t rate = 44100) {
  SynthPatch p{};
  p.master.length = length;
  p.master.rate = rate;
  p.master.output_level = 128;
  return p;
}

VoiceParams wave(uint8_t waveform, int16_t frequency, uint8_t amplitude = 127) {
  VoiceParams v{};
  v.enabled = 1;
  v.waveform = waveform;
  v.frequency = frequency;
  v.amplitude = amplitude;
  return v;
}

// A modulator that holds its zero line (32768): one such pitch source leaves F exactly as it is.
constexpr VoiceParams zero_line_modulator = {.enabled = 1, .modulator = 1, .frequency = 1, .amplitude = 0};

std::vector<int16_t> render(const SynthPatch& p) {
  synthesize_sample(p);
  return {mix_buffer, mix_buffer + p.master.length};
}

const uint16_t* region(int source, int32_t length) { return source_buffer + (source - 1) * length; }

// Lengths of the runs of equal values, in order.
std::vector<int> run_lengths(const std::vector<int16_t>& s) {
  std::vector<int> runs{1};
  for (size_t i = 1; i < s.size(); ++i) s[i] == s[i - 1] ? ++runs.back() : (runs.push_back(1), 0);
  return runs;
}

TEST(SynthLayout, RawBytesLandInTheNamedFields) {
  uint8_t bytes[694] = {};
  bytes[12 + 60 + 4] = 0x34, bytes[12 + 60 + 5] = 0x12;  // voice 2 frequency
  bytes[12 + 60 + 24 + 9] = 1;                           // voice 2 amplitude mask, source 9
  bytes[492 + 3 * 10 + 9] = 77;                          // envelope 4 start level
  bytes[576] = 1;                                        // filter switch
  bytes[582 + 0] = 0x00, bytes[582 + 1] = 0x80;          // length 32768
  const float resonance = 110.26f;
  std::memcpy(bytes + 582 + 88, &resonance, 4);
  SynthPatch p;
  std::memcpy(static_cast<void*>(&p), bytes, sizeof p);
  // Packed fields are copied out before GoogleTest takes them by reference.
  EXPECT_EQ(int16_t{p.voices[1].frequency}, 0x1234);
  EXPECT_EQ(p.voices[1].amplitude_sources.select[9], 1);
  EXPECT_EQ(p.envelopes[3].start_level, 77);
  EXPECT_EQ(p.filter_on, 1);
  EXPECT_EQ(int32_t{p.master.length}, 32768);
  EXPECT_EQ(float{p.master.resonance}, 110.26f);
}

TEST(SynthSources, CollectsSelectedEnabledSourcesInOrderAsRegionOffsets) {
  SynthPatch p = bare_patch(2048);
  p.envelopes[2].enabled = 1;
  p.envelopes[4].enabled = 2;  // only 1 means enabled
  p.voices[7].enabled = 1;
  p.voices[0].enabled = 1;
  synth_patch = &p;
  const SourceList list = collect_sources(route(src_voice(8), src_env(3), src_env(5), src_voice(1)), 2048);
  ASSERT_EQ(list.count, 3);
  EXPECT_EQ(list.offset[0], 2u * 2048);
  EXPECT_EQ(list.offset[1], 8u * 2048);
  EXPECT_EQ(list.offset[2], 15u * 2048);
}

TEST(SynthEnvelope, BreakpointsOfTheKick) {
  synthesize_sample(bdsine1_6);
  const EnvelopePoint env1[8] = {{0, 127}, {5, 127}, {5, 63},    {5, 63},
                                 {5, 63},  {5, 63},  {517, 127}, {512, 127}};
  const EnvelopePoint env4[8] = {{0, 127}, {5, 127}, {5, 0},   {261, 0},
                                 {261, 0}, {261, 0}, {261, 0}, {512, 127}};
  for (int k = 0; k < 8; ++k) {
    EXPECT_EQ(envelope_points[0][k].time, env1[k].time) << k;
    EXPECT_EQ(envelope_points[0][k].level, env1[k].level) << k;
    EXPECT_EQ(envelope_points[3][k].time, env4[k].time) << k;
    EXPECT_EQ(envelope_points[3][k].level, env4[k].level) << k;
  }
}

TEST(SynthEnvelope, SecondRampMovesTowardTheSustainSetting) {
  SynthPatch p = bare_patch(2048);
  p.envelopes[0] = envelope(10, 10, 10, 20, 10, 40, 10, 60, 80);
  synthesize_sample(p);
  const EnvelopePoint* pt = envelope_points[0];
  // L0 = trunc(101.6) = 101; level 2 = trunc(101 - 76.2) = 24;
  // level 4 = trunc(trunc(101 - 38.1) + (127 - 50.8) - 37.8) = trunc(62 + 76.2 - 37.8) = 100.
  const int16_t times[8] = {0, 51, 102, 153, 255, 306, 357, 512};
  const int16_t levels[8] = {101, 101, 24, 24, 100, 100, 101, 101};
  for (int k = 0; k < 8; ++k) {
    EXPECT_EQ(pt[k].time, times[k]) << k;
    EXPECT_EQ(pt[k].level, levels[k]) << k;
  }
}

TEST(SynthEnvelope, HoldsFullAmplitudeThenFallsToSilence) {
  SynthPatch p = bare_patch(8192);
  p.envelopes[0] = envelope(0, 0, 50, 0, 0, 0, 0, 100, 100);
  synthesize_sample(p);
  const uint16_t* e = region(1, 8192);
  for (int i = 0; i < 4096; ++i) ASSERT_EQ(e[i], 65532) << i;
  // Q from 2 to 32768 over 4096 samples: V = 32766 * 65536 / 4096 = 524256.
  EXPECT_EQ(e[4097], 65536 - (131072 + 524256) / 32768);
  for (int i = 4097; i < 8192; ++i) ASSERT_LT(e[i], e[i - 1]) << i;
  EXPECT_LT(e[8191], 32);
}

TEST(SynthEnvelope, TimesPastTheEndAreCutOffWithoutTouchingTheNextRegion) {
  SynthPatch p = bare_patch(2048);
  p.envelopes[0] = envelope(0, 200, 0, 0, 0, 0, 0, 100, 100);  // ramp over 1024 units
  std::fill(source_buffer, source_buffer + 16 * 2048 + 16, 0x5A5A);
  synthesize_sample(p);
  const uint16_t* e = region(1, 2048);
  EXPECT_EQ(e[0], 0);
  for (int i = 1; i < 2048; ++i) ASSERT_GT(e[i], e[i - 1]) << i;
  EXPECT_LT(e[2047], 33000);  // halfway up the ramp when the region ends
  for (int i = 2048; i < 16 * 2048 + 16; ++i) ASSERT_EQ(source_buffer[i], 0x5A5A) << i;
}

TEST(SynthEnvelope, ConstantLevelsStore516PerStep) {
  SynthPatch p = bare_patch(512);
  p.envelopes[0] = envelope(0, 0, 0, 0, 0, 0, 0, 0, 0);    // level 0
  p.envelopes[1] = envelope(0, 0, 0, 0, 0, 0, 0, 0, 50);   // level 63
  p.envelopes[2] = envelope(0, 0, 0, 0, 0, 0, 0, 0, 100);  // level 127
  synthesize_sample(p);
  for (int i = 0; i < 512; ++i) {
    ASSERT_EQ(region(1, 512)[i], 65532);
    ASSERT_EQ(region(2, 512)[i], 516 * 64);
    ASSERT_EQ(region(3, 512)[i], 0);
  }
}

TEST(SynthExample, BassDrumShape) {
  const std::vector<int16_t> s = render(bdsine1_6);
  for (int i = 0; i < 80; ++i) ASSERT_EQ(s[i], 0) << i;
  // The envelopes jump at unit 5: envelope 4 to full amplitude, the pitch sum to just above 10 x 16384.
  EXPECT_EQ(region(4, 8192)[80], 65532);
  EXPECT_EQ(region(1, 8192)[80] + region(2, 8192)[80] + region(3, 8192)[80] + region(5, 8192)[80], 164604);

  // Falling sweep: the gaps between zero crossings grow.
  std::vector<int> crossings;
  for (int i = 81; i < 8192; ++i)
    if ((s[i - 1] < 0) != (s[i] < 0)) crossings.push_back(i);
  ASSERT_GT(crossings.size(), 20u);
  EXPECT_LT(crossings[2] - crossings[1], 4);                           // kHz at the start
  EXPECT_GT(crossings.back() - crossings[crossings.size() - 2], 150);  // below 150 Hz at the end
  for (size_t k = 3; k < crossings.size(); ++k)
    ASSERT_GE(crossings[k] - crossings[k - 1] + 1, crossings[k - 1] - crossings[k - 2]) << k;

  // Full amplitude until unit 261 (sample 4176), then a fade to silence at the end.
  auto peak = [&](int from, int to) {
    int m = 0;
    for (int i = from; i < to; ++i) m = std::max(m, std::abs(int{s[i]}));
    return m;
  };
  EXPECT_GT(peak(3800, 4176), 31000);
  EXPECT_LE(peak(80, 8192), 32512 * 127 / 128);
  EXPECT_LT(peak(6200, 6400), 20000);
  EXPECT_LT(peak(8000, 8192), 2000);
}

TEST(SynthWaveforms, FixedFrequencyShapes) {
  SynthPatch p = bare_patch(2048);
  synth_patch = &p;
  const int a = 127 * 256;
  // 441 Hz at 44100: period 100 samples, halfper 50.
  p.voices[0] = wave(synth_wave_sine, 441);
  render_voice(0);
  EXPECT_EQ(voice_buffer[0], 0);
  EXPECT_EQ(voice_buffer[25], a);
  EXPECT_EQ(voice_buffer[75], -a);

  p.voices[0] = wave(synth_wave_saw, 441);
  render_voice(0);
  EXPECT_EQ(voice_buffer[0], -a);
  EXPECT_EQ(voice_buffer[50], 0);
  EXPECT_EQ(voice_buffer[99], a * 99 / 50 - a);
  EXPECT_EQ(voice_buffer[100], -a);

  // Starts at +A and falls; each turning point is held for two samples.
  p.voices[0] = wave(synth_wave_triangle, 441);
  render_voice(0);
  EXPECT_EQ(voice_buffer[0], a);
  EXPECT_EQ(voice_buffer[25], 0);
  EXPECT_EQ(voice_buffer[50], -a);
  EXPECT_EQ(voice_buffer[51], -a);
  EXPECT_EQ(voice_buffer[52], static_cast<int>(a / 25.0 - a));
  EXPECT_EQ(voice_buffer[101], a);

  // Square starting low; the edge comes when the counter passes the half length.
  p.voices[0] = wave(synth_wave_pulse, 441);
  p.voices[0].pulse_width = 50;
  render_voice(0);
  std::vector<int16_t> s(voice_buffer, voice_buffer + 2048);
  EXPECT_EQ(s[0], -a);
  std::vector<int> runs = run_lengths(s);
  EXPECT_EQ(runs[0], 51);
  EXPECT_EQ(runs[1], 51);
  EXPECT_EQ(s[51], a);

  p.voices[0].pulse_width = 25;
  render_voice(0);
  runs = run_lengths({voice_buffer, voice_buffer + 2048});
  EXPECT_EQ(runs[0], 26);
  EXPECT_EQ(runs[1], 76);
  EXPECT_EQ(runs[2], 26);
}

TEST(SynthWaveforms, ZeroLinePitchSourceKeepsTheFrequency) {
  for (uint8_t w :
       {synth_wave_sine, synth_wave_saw, synth_wave_triangle, synth_wave_pulse, synth_wave_noise}) {
    SynthPatch p = bare_patch(4096);
    p.voices[0] = wave(w, 441);
    p.voices[0].pulse_width = 30;
    render(p);
    const std::vector<int16_t> fixed(mix_buffer, mix_buffer + 4096);
    p.voices[0].pitch_sources = route(src_voice(2));
    p.voices[1] = zero_line_modulator;
    render(p);
    const std::vector<int16_t> routed(mix_buffer, mix_buffer + 4096);
    if (w == synth_wave_noise) {
      // Same values in the same order; the float phase may move a change by a sample.
      std::vector<int16_t> a, b;
      for (size_t i = 0; i < 4096; ++i) {
        if (i == 0 || fixed[i] != fixed[i - 1]) a.push_back(fixed[i]);
        if (i == 0 || routed[i] != routed[i - 1]) b.push_back(routed[i]);
      }
      EXPECT_EQ(a, b);
      const std::vector<int> ra = run_lengths(fixed), rb = run_lengths(routed);
      for (size_t k = 0; k + 1 < std::min(ra.size(), rb.size()); ++k) ASSERT_NEAR(ra[k], rb[k], 1) << k;
    } else {
      for (int i = 0; i < 4096; ++i)  // the sine's float phase drifts a little from i x pi / halfper
        ASSERT_NEAR(routed[i], fixed[i], w == synth_wave_sine ? 100 : 0) << int{w} << " " << i;
    }
  }
}

TEST(SynthWaveforms, FullPitchSourceRaisesTwoOctaves) {
  for (uint8_t w : {synth_wave_sine, synth_wave_saw, synth_wave_triangle, synth_wave_pulse}) {
    SynthPatch p = bare_patch(8192);
    p.voices[0] = wave(w, 100);
    p.voices[0].pulse_width = 50;
    p.voices[0].pitch_sources = route(src_env(1));
    p.envelopes[0] = envelope(0, 0, 0, 0, 0, 0, 0, 0, 0);  // 65532: 2^1.99976 x F
    const std::vector<int16_t> s = render(p);
    int rises = 0;
    for (int i = 1; i < 8192; ++i) rises += s[i - 1] < 0 && s[i] >= 0;
    // 8192 samples at 400 Hz: 74 cycles (the triangle's held turning points make it a little slower).
    EXPECT_NEAR(rises, 74, 2) << int{w};
  }
}

TEST(SynthWaveforms, NoiseIsRepeatableAndInRange) {
  SynthPatch p = bare_patch(8192);
  p.voices[0] = wave(synth_wave_noise, 4410);  // a new value every 10 samples
  const std::vector<int16_t> first = render(p);
  const uint32_t state = demo_rand_state;
  demo_srand(12345);
  EXPECT_EQ(render(p), first);
  EXPECT_EQ(demo_rand_state, state);

  demo_srand(127 * 256);
  for (int k = 0; k < 819; ++k) {
    const int expected = (demo_rand() % 255 - 127) * 256;
    for (int j = 0; j < 10; ++j) ASSERT_EQ(first[k * 10 + j], expected) << k;
  }
  EXPECT_EQ(*std::min_element(first.begin(), first.end()), -127 * 256);
  EXPECT_EQ(*std::max_element(first.begin(), first.end()), 127 * 256);
}

TEST(SynthWaveforms, UnknownWaveformIsSilent) {
  SynthPatch p = bare_patch(1024);
  p.voices[0] = wave(9, 441);
  for (int16_t s : render(p)) ASSERT_EQ(s, 0);
}

TEST(SynthVoices, InvertAndAmplitudeSources) {
  SynthPatch p = bare_patch(2048);
  p.voices[0] = wave(synth_wave_saw, 441);
  const std::vector<int16_t> plain = render(p);

  p.voices[0].invert = 1;
  std::vector<int16_t> s = render(p);
  for (int i = 0; i < 2048; ++i) ASSERT_EQ(s[i], -plain[i] - 1) << i;

  p.voices[0].invert = 0;
  p.voices[0].amplitude_sources = route(src_env(1), src_env(2));
  p.envelopes[0] = envelope(0, 0, 0, 0, 0, 0, 0, 0, 0);    // 65532
  p.envelopes[1] = envelope(0, 0, 0, 0, 0, 0, 0, 0, 100);  // 0
  s = render(p);
  for (int i = 0; i < 2048; ++i) ASSERT_EQ(s[i], static_cast<int>(plain[i] * (65532 / 2.0) / 65536)) << i;

  p.voices[0].amplitude_sources = route(src_env(2));
  for (int16_t v : render(p)) ASSERT_EQ(v, 0);
}

TEST(SynthVoices, PulseWidthFromSources) {
  SynthPatch p = bare_patch(2048);
  p.voices[0] = wave(synth_wave_pulse, 441);
  p.voices[0].pulse_width = 50;
  p.voices[0].pulse_width_sources = route(src_env(1));
  p.envelopes[0] = envelope(0, 0, 0, 0, 0, 0, 0, 0, 75);  // level 95: 516 x 32 = 16512, w = 25.196
  const std::vector<int> runs = run_lengths(render(p));
  EXPECT_EQ(runs[0], 26);
  EXPECT_EQ(runs[1], 75);
  EXPECT_EQ(runs[2], 26);
}

TEST(SynthRouting, ModulatorsSeeLowerIndicesOfThisPatchAndHigherOfThePrevious) {
  const int32_t n = 1024;
  SynthPatch p = bare_patch(n);
  // Voice 1 scales itself by voice 2, voice 3 by voice 2; voice 4 (audible) by voice 1.
  p.voices[0] = wave(synth_wave_saw, 441);
  p.voices[0].modulator = 1;
  p.voices[0].amplitude_sources = route(src_voice(2));
  p.voices[1] = zero_line_modulator;
  p.voices[2] = wave(synth_wave_saw, 441);
  p.voices[2].modulator = 1;
  p.voices[2].amplitude_sources = route(src_voice(2));

  std::fill(source_buffer + 9 * n, source_buffer + 10 * n, 0);  // what an earlier patch left
  synthesize_sample(p);
  for (int i = 0; i < n; ++i) {
    ASSERT_EQ(region(9, n)[i], 32768) << i;   // voice 1 scaled by the old zeros
    ASSERT_EQ(region(10, n)[i], 32768) << i;  // voice 2 now
    ASSERT_EQ(region(11, n)[i],
              static_cast<uint16_t>(static_cast<int>(32512.0 * (i % 100) / 50 - 32512) / 2 + 32768))
        << i;  // voice 3 scaled by voice 2's 32768: a half
  }
  for (int i = 0; i < n; ++i) ASSERT_EQ(mix_buffer[i], 0);  // modulators are not heard

  // Region 10 now holds 32768: the same patch again scales voice 1 by a half too.
  synthesize_sample(p);
  EXPECT_EQ(region(9, n)[0], static_cast<uint16_t>(-32512 / 2 + 32768));
}

TEST(SynthRouting, FinalRandomStateComesFromTheSecondRenderOfModulators) {
  const int32_t n = 4096;
  SynthPatch p = bare_patch(n);
  // A noise modulator whose rate is routed from a higher modulator: rendered at F/4 in step 2
  // (stale zeros) and at F in step 3.
  p.voices[0] = wave(synth_wave_noise, 4410, 50);
  p.voices[0].modulator = 1;
  p.voices[0].pitch_sources = route(src_voice(2));
  p.voices[1] = zero_line_modulator;
  std::fill(source_buffer + 9 * n, source_buffer + 10 * n, 0);
  synthesize_sample(p);
  const uint32_t after = demo_rand_state;

  render_voice(0);  // every region current: the step-3 render
  EXPECT_EQ(demo_rand_state, after);
  std::fill(source_buffer + 9 * n, source_buffer + 10 * n, 0);
  render_voice(0);  // as in step 2
  EXPECT_NE(demo_rand_state, after);
}

TEST(SynthMix, AudibleVoicesSaturate) {
  SynthPatch p = bare_patch(2048);
  p.voices[0] = wave(synth_wave_sine, 441);
  p.voices[1] = wave(synth_wave_sine, 441);
  const std::vector<int16_t> s = render(p);
  EXPECT_EQ(*std::max_element(s.begin(), s.end()), 32767);
  EXPECT_EQ(*std::min_element(s.begin(), s.end()), -32768);
  EXPECT_EQ(s[5], std::min(32767, 2 * static_cast<int>(32512 * std::sin(5 * std::numbers::pi / 50))));
}

// The master chain on a hand-made input.
class MasterChain : public ::testing::Test {
 protected:
  SynthPatch p = bare_patch(1024);
  void SetUp() override { synth_patch = &p; }
  void fill(std::initializer_list<int16_t> values) {
    int i = 0;
    for (int16_t v : values) mix_buffer[i++] = v;
    std::fill(mix_buffer + i, mix_buffer + 1024, 0);
  }
  void fill_sine(double hz) {
    for (int i = 0; i < 1024; ++i)
      mix_buffer[i] = static_cast<int16_t>(20000 * std::sin(2 * std::numbers::pi * hz * i / 44100));
  }
  double rms(int from = 512) {
    double e = 0;
    for (int i = from; i < 1024; ++i) e += static_cast<double>(mix_buffer[i]) * mix_buffer[i];
    return std::sqrt(e / (1024 - from));
  }
};

TEST_F(MasterChain, DriveClipsHard) {
  p.master.drive_gain = 16;  // x 2
  fill({100, -100, 20000, -20000, -32768});
  apply_master_chain();
  EXPECT_EQ(mix_buffer[0], 200);
  EXPECT_EQ(mix_buffer[1], -200);
  EXPECT_EQ(mix_buffer[2], 32767);
  EXPECT_EQ(mix_buffer[3], -32768);

  p.master.drive_gain = -8;  // x 0.5, toward zero
  fill({101, -101});
  apply_master_chain();
  EXPECT_EQ(mix_buffer[0], 51);
  EXPECT_EQ(mix_buffer[1], -51);

  p.master.drive_gain = 0;
  p.master.drive_sources = route(src_env(1));
  p.envelopes[0] = envelope(0, 0, 0, 0, 0, 0, 0, 0, 0);  // x (1 + 65532 / 2048) = x 32.998
  synthesize_sample(p);
  fill({100, -1000, 993});
  apply_master_chain();
  EXPECT_EQ(mix_buffer[0], 3299);
  EXPECT_EQ(mix_buffer[1], -32768);
  EXPECT_EQ(mix_buffer[2], 32767);
}

TEST_F(MasterChain, FoldBack) {
  p.master.fold_gain = 16;
  fill({20000, -20000, 32767, -32768, 16383});
  apply_master_chain();
  EXPECT_EQ(mix_buffer[0], 25534);  // 40000 folds back below 32767
  EXPECT_EQ(mix_buffer[1], -25534);
  EXPECT_EQ(mix_buffer[2], 0);
  EXPECT_EQ(mix_buffer[3], 2);
  EXPECT_EQ(mix_buffer[4], 32766);

  // Large gains fold many times: a triangle of period 4 x 32767 around the input.
  p.master.fold_gain = 16 * 40;
  for (int x : {32767, -32768, 12345, -777, 30000}) {
    fill({static_cast<int16_t>(x)});
    apply_master_chain();
    const int s = x * 41;
    const int u = ((s + 32767) % 131068 + 131068) % 131068;
    EXPECT_EQ(mix_buffer[0], u <= 65534 ? u - 32767 : 98301 - u) << x;
  }
}

TEST_F(MasterChain, OutputLevel) {
  p.master.output_level = 127;
  fill({-1, 1, 32767, -32768, 128, -129});
  apply_master_chain();
  EXPECT_EQ(mix_buffer[0], 0);
  EXPECT_EQ(mix_buffer[1], 0);
  EXPECT_EQ(mix_buffer[2], 32511);
  EXPECT_EQ(mix_buffer[3], -32512);
  EXPECT_EQ(mix_buffer[4], 127);
  EXPECT_EQ(mix_buffer[5], -127);

  p.master.output_level = 256;  // no limiting: wraps in the 16-bit store
  fill({20000});
  apply_master_chain();
  EXPECT_EQ(mix_buffer[0], 40000 - 65536);

  p.master.output_level_sources = route(src_env(1));
  p.envelopes[0] = envelope(0, 0, 0, 0, 0, 0, 0, 0, 50);  // 33024
  synthesize_sample(p);
  fill({30000, -30000});
  apply_master_chain();
  EXPECT_EQ(mix_buffer[0], 15117);  // trunc(30000 x 33024 / 65536) = trunc(15117.2)
  EXPECT_EQ(mix_buffer[1], -15117);
}

TEST_F(MasterChain, FilterPassesLowAndCutsHigh) {
  p.filter_on = 1;
  p.master.cutoff = 1000;
  p.master.resonance = 0.7f;
  fill_sine(100);
  apply_master_chain();
  const double low = rms();
  fill_sine(8000);
  apply_master_chain();
  const double high = rms();
  EXPECT_NEAR(low, 20000 / std::sqrt(2.0), 1000);
  EXPECT_LT(high, 400);  // 12 dB per octave, three octaves up

  // A step settles at its value.
  for (int i = 0; i < 1024; ++i) mix_buffer[i] = 10000;
  apply_master_chain();
  EXPECT_NEAR(mix_buffer[1023], 10000, 2);

  // High resonance rings at the cutoff and the state is limited, not wrapped.
  p.master.resonance = 100.0f;
  fill_sine(1000);
  apply_master_chain();
  EXPECT_GT(*std::max_element(mix_buffer, mix_buffer + 1024), 32000);
  EXPECT_LT(*std::min_element(mix_buffer, mix_buffer + 1024), -32000);

  p.filter_on = 0;  // only switch value 1 runs it
  fill_sine(8000);
  apply_master_chain();
  EXPECT_GT(rms(), 10000);
}

TEST_F(MasterChain, FilterFromSourcesMatchesConstantSettings) {
  // A full envelope: cutoff (65532 + 1) / 8 = 8191.625 Hz; a silent one: resonance 0 / 512 + 1.
  p.envelopes[0] = envelope(0, 0, 0, 0, 0, 0, 0, 0, 0);
  p.envelopes[1] = envelope(0, 0, 0, 0, 0, 0, 0, 0, 100);
  synthesize_sample(p);
  p.filter_on = 1;
  auto run = [&](int16_t cutoff, float resonance, RoutingMask cut, RoutingMask res) {
    p.master.cutoff = cutoff;
    p.master.resonance = resonance;
    p.master.cutoff_sources = cut;
    p.master.resonance_sources = res;
    fill_sine(3000);
    apply_master_chain();
    return std::vector<int16_t>(mix_buffer, mix_buffer + 1024);
  };
  const std::vector<int16_t> fixed = run(8191, 1.0f, {}, {});
  const std::vector<int16_t> routed = run(0, 0.0f, route(src_env(1)), route(src_env(2)));
  for (int i = 0; i < 1024; ++i) ASSERT_NEAR(routed[i], fixed[i], 30) << i;
}

// Arbitrary bytes (with a usable length) must not crash or depend on anything but their inputs:
// huge pitch sums, levels above 127, NaN resonance, extreme gains. Run under the sanitizers too.
TEST(SynthSpecialValues, ArbitraryPatchBytesAreSafeAndDeterministic) {
  uint32_t seed = 2024;
  for (int round = 0; round < 40; ++round) {
    uint8_t bytes[sizeof(SynthPatch)];
    for (uint8_t& b : bytes) b = static_cast<uint8_t>((seed = seed * 1664525u + 1013904223u) >> 24);
    SynthPatch p;
    std::memcpy(static_cast<void*>(&p), bytes, sizeof p);
    for (VoiceParams& v : p.voices) v.enabled = v.enabled & 1, v.modulator = v.modulator & 1;
    for (EnvelopeParams& e : p.envelopes) e.enabled = e.enabled & 1;
    p.master.length = 512 * (1 + round % 4);
    p.master.rate = round == 7 ? 0 : 8000 + 1000 * round;
    uint16_t sources[16 * 2048];
    std::memcpy(sources, source_buffer, sizeof sources);
    const std::vector<int16_t> first = render(p);
    const uint32_t state = demo_rand_state;
    std::memcpy(source_buffer, sources, sizeof sources);
    ASSERT_EQ(render(p), first) << round;
    ASSERT_EQ(demo_rand_state, state) << round;
  }
}

TEST(SynthSpecialValues, ZeroRateAndFrequencyStaySilentAndSafe) {
  SynthPatch p = bare_patch(1024, 0);
  for (uint8_t w = 0; w <= 4; ++w) p.voices[w] = wave(w, 0);
  p.filter_on = 1;
  p.master.cutoff = 1000;
  for (int16_t s : render(p)) ASSERT_EQ(s, 0);
}

}  // namespace
