#include "synth/patcher.h"

#include <gtest/gtest.h>

#include <vector>

#include "shell/loading.h"
#include "shell/random.h"
#include "tests/synth/example_patches.h"

namespace {

uint16_t word_at(const std::vector<uint8_t>& image, size_t at) { return image[at] | image[at + 1] << 8; }

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
