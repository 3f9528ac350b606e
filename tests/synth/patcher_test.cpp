#include "synth/patcher.h"

#include <gtest/gtest.h>

#include <vector>

#include "shell/loading.h"
#include "shell/random.h"
#include "tests/synth/example_patches.h"

namespace {

uint16_t word_at(const std::vector<uint8_t>& image, size_t at) { return image[at] | image[at + 1] << 8; }

TEST(Patcher, DeltaWordsAndTrailingWord) {
  struct Case {
    VoiceParams voice;
    int32_t rate;
    uint16_t first, rest, trailing;  // word 0, words 1..511, word 512
  };
  VoiceParams falling = wave(synth_wave_saw, 1, 1);  // at rate 512: rises by 1 per sample from -256
  falling.invert = 1;
  const Case cases[] = {
      {{}, 44100, 0, 0, 0},                                  // silence
      {wave(synth_wave_pulse, 1, 16), 44100, 0xF000, 0, 0},  // never reaches its first edge: -4096
      {wave(synth_wave_saw, 1, 1), 512, 0xFF00, 1, 0},       // last difference +1: high byte 0
      {falling, 512, 255, 0xFFFF, 0xFFFF},                   // both bytes repeat the high byte
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(&c - cases);
    SynthPatch p = bare_patch(512, c.rate);
    p.voices[0] = c.voice;
    std::vector<uint8_t> image(4 + 2 * 512 + 2 + 4, 0xAA);
    const uint32_t offset = 4;
    patch_module_samples(&offset, image.data(), &p, 1);
    EXPECT_EQ(word_at(image, 4), c.first);
    for (int j = 1; j < 512; ++j) ASSERT_EQ(word_at(image, 4 + 2 * j), c.rest) << j;
    EXPECT_EQ(word_at(image, 4 + 2 * 512), c.trailing);
    for (size_t i : {0u, 3u, 4u + 1026u, 4u + 1029u}) EXPECT_EQ(image[i], 0xAA) << i;  // nothing else
  }
}

TEST(Patcher, DecodingGivesBackEverySampleInOrder) {
  // Each patch draws every region it reads and seeds its own noise: the earlier state does not matter.
  const SynthPatch patches[3] = {bdsine1_6, noise_sweep, bdsine1_6};
  std::vector<std::vector<int16_t>> expected;
  for (const SynthPatch& p : patches) expected.push_back(render(p));
  const uint32_t random_after = demo_rand_state;
  const uint32_t offsets[3] = {16, 16 + 2 * 8192 + 2 + 40, 16 + 2 * 8192 + 2 + 40 + 2 * 32768 + 2 + 40};
  std::vector<uint8_t> image(offsets[2] + 2 * 8192 + 2 + 16, 0xAA);
  const float count_before = loading_count;
  patch_module_samples(offsets, image.data(), patches, 3);
  EXPECT_LT(loading_count, count_before);
  EXPECT_EQ(demo_rand_state, random_after);
  for (int i = 0; i < 3; ++i) {
    const int32_t n = patches[i].master.length;
    std::vector<int16_t> decoded(n);  // running sum of the words, as a player decodes XM samples
    uint16_t sum = 0;
    for (int32_t j = 0; j < n; ++j)
      decoded[j] = static_cast<int16_t>(sum += word_at(image, offsets[i] + 2 * j));
    EXPECT_EQ(decoded, expected[i]) << i;
    EXPECT_EQ(image[offsets[i] - 1], 0xAA);
    EXPECT_EQ(image[offsets[i] + 2 * n + 2], 0xAA);
  }
}

}  // namespace
