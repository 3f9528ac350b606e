#include "synth/patcher.h"

#include <bit>
#include <cstring>

#include "shell/loading.h"

void patch_module_samples(const uint32_t* offsets, uint8_t* module_image, const SynthPatch* patches,
                          int count) {
  for (int i = 0; i < count; ++i) {
    synthesize_sample(patches[i]);
    // The same limit the synthesizer applies: never past the end of mix_buffer's slack.
    const int32_t length = patches[i].master.length;
    const int32_t n = length < 0 ? 0 : length > synth_max_length ? synth_max_length : length;

    // XM 16-bit delta encoding, in place, differences modulo 65536.
    uint16_t previous = 0;
    uint16_t delta = 0;
    for (int32_t j = 0; j < n; ++j) {
      const uint16_t s = static_cast<uint16_t>(mix_buffer[j]);
      delta = static_cast<uint16_t>(s - previous);
      mix_buffer[j] = static_cast<int16_t>(delta);
      previous = s;
    }
    // The extra word the sample headers count: both bytes repeat the last difference's high byte.
    const uint8_t high = static_cast<uint8_t>(delta >> 8);
    mix_buffer[n] = static_cast<int16_t>(high * 0x101);

    // Little-endian words, so the buffer's bytes are the module's bytes.
    static_assert(std::endian::native == std::endian::little);
    std::memcpy(module_image + offsets[i], mix_buffer, 2 * static_cast<size_t>(n) + 2);
    show_loading_count();
  }
}
