#include "synth/patcher.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "shell/loading.h"
#include "shell/random.h"
#include "synth/patch_builder.h"
#include "tests/synth/example_patches.h"

namespace {

SynthPatch bare_patch(int32_t length, int32_t rate = 44100) {
  SynthPatch p{};
  p.master.length = length;
  p.master.rate = rate;
  p.master.output_level = 128;
  return p;
}

uint16_t word_at(const std::vector<uint8_t>& image, size_t at) { return image[at] | image[at + 1] << 8; }

// Running sum of the 16-bit words, as a player decodes XM samples.
std::vector<int16_t> decode(const std::vector<uint8_t>& image, size_t at, int32_t n) {
  std::vector<int16_t> s(n);
  uint16_t sum = 0;
  for (int32_t j = 0; j < n; ++j) s[j] = static_cast<int16_t>(sum += word_at(image, at + 2 * j));
  return s;
}

TEST(Patcher, SilentPatchWritesZerosAndNothingElse) {
  const SynthPatch p = bare_patch(2048);
  std::vector<uint8_t> image(8192, 0xAA);
  const uint32_t offset = 100;
  patch_module_samples(&offset, image.data(), &p, 1);
  for (size_t i = 0; i < image.size(); ++i)
    ASSERT_EQ(image[i], i >= 100 && i < 100 + 2 * 2048 + 2 ? 0x00 : 0xAA) << i;
}

TEST(Patcher, ConstantSampleEncodesAsOneWordThenZeros) {
  // A 1 Hz square never reaches its first edge: constant -A = -4096.
  SynthPatch p = bare_patch(2048);
  p.voices[0] = {
      .enabled = 1, .waveform = synth_wave_pulse, .frequency = 1, .amplitude = 16, .pulse_width = 50};
  std::vector<uint8_t> image(2 * 2048 + 2, 0xAA);
  const uint32_t offset = 0;
  patch_module_samples(&offset, image.data(), &p, 1);
  EXPECT_EQ(word_at(image, 0), 0xF000);
  for (int j = 1; j <= 2048; ++j) ASSERT_EQ(word_at(image, 2 * j), 0) << j;
}

TEST(Patcher, TrailingWordRepeatsTheHighByteOfTheLastDifference) {
  // An inverted saw at 1 Hz and rate 512 with A = 256 falls by exactly 1 per sample: 255 - t.
  SynthPatch p = bare_patch(512, 512);
  p.voices[0] = {.enabled = 1, .invert = 1, .waveform = synth_wave_saw, .frequency = 1, .amplitude = 1};
  std::vector<uint8_t> image(2 * 512 + 2);
  const uint32_t offset = 0;
  patch_module_samples(&offset, image.data(), &p, 1);
  EXPECT_EQ(word_at(image, 0), 255);
  for (int j = 1; j < 512; ++j) ASSERT_EQ(word_at(image, 2 * j), 0xFFFF) << j;
  EXPECT_EQ(word_at(image, 2 * 512), 0xFFFF);

  // A rising saw: last difference +1, high byte 0.
  p.voices[0].invert = 0;
  patch_module_samples(&offset, image.data(), &p, 1);
  EXPECT_EQ(word_at(image, 0), static_cast<uint16_t>(-256));
  EXPECT_EQ(word_at(image, 2 * 511), 1);
  EXPECT_EQ(word_at(image, 2 * 512), 0x0000);
}

TEST(Patcher, DecodingGivesBackEverySampleInOrder) {
  const SynthPatch patches[3] = {bdsine1_6, noise_sweep, bdsine1_6};
  // What synthesize_sample gives in this order from this state of source_buffer and the generator.
  static uint16_t saved_sources[16 * 65536];
  std::memcpy(saved_sources, source_buffer, sizeof saved_sources);
  const uint32_t saved_random = demo_rand_state;
  std::vector<std::vector<int16_t>> expected;
  for (const SynthPatch& p : patches) {
    synthesize_sample(p);
    expected.emplace_back(mix_buffer, mix_buffer + p.master.length);
  }
  const uint32_t random_after = demo_rand_state;
  std::memcpy(source_buffer, saved_sources, sizeof saved_sources);
  demo_rand_state = saved_random;

  const uint32_t offsets[3] = {16, 16 + 2 * 8192 + 2 + 40, 16 + 2 * 8192 + 2 + 40 + 2 * 32768 + 2 + 40};
  std::vector<uint8_t> image(offsets[2] + 2 * 8192 + 2 + 16, 0xAA);
  const float count_before = loading_count;
  patch_module_samples(offsets, image.data(), patches, 3);
  EXPECT_LT(loading_count, count_before);
  EXPECT_EQ(demo_rand_state, random_after);
  for (int i = 0; i < 3; ++i) {
    const int32_t n = patches[i].master.length;
    EXPECT_EQ(decode(image, offsets[i], n), expected[i]) << i;
    const uint16_t last = static_cast<uint16_t>(expected[i][n - 1] - expected[i][n - 2]);
    EXPECT_EQ(word_at(image, offsets[i] + 2 * n), (last >> 8) * 0x101) << i;
    EXPECT_EQ(image[offsets[i] - 1], 0xAA);
    EXPECT_EQ(image[offsets[i] + 2 * n + 2], 0xAA);
  }
  // The third (a repeat of the first) rests on the same regions, so it comes out the same.
  EXPECT_EQ(expected[2], expected[0]);
}

}  // namespace
