// talvex-lab patch: renders SynthPatch files (694 raw bytes each) with the start-up synthesizer.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "shell/random.h"
#include "synth/synth.h"
#include "tools/lab.h"
#include "tools/support/wav.h"

namespace {

constexpr int32_t lab_max_rate = 192000;

int usage_error(const std::string& message) {
  std::fprintf(stderr, "talvex-lab patch: %s\n", message.c_str());
  return lab_usage_error;
}

// Reads and checks one patch file; returns an empty string or the reason it is unusable.
std::string load_patch(const char* path, SynthPatch* patch) {
  FILE* f = std::fopen(path, "rb");
  if (!f) return std::string("cannot open ") + path;
  uint8_t bytes[sizeof(SynthPatch) + 1];
  const size_t got = std::fread(bytes, 1, sizeof bytes, f);
  std::fclose(f);
  if (got != sizeof(SynthPatch))
    return std::string(path) + ": a patch is " + std::to_string(sizeof(SynthPatch)) + " bytes, not " +
           (got > sizeof(SynthPatch) ? "more" : std::to_string(got));
  std::memcpy(static_cast<void*>(patch), bytes, sizeof(SynthPatch));
  const int32_t length = patch->master.length, rate = patch->master.rate;
  if (length <= 0 || length % 512 != 0 || length > synth_max_length)
    return std::string(path) + ": length " + std::to_string(length) +
           " is not a multiple of 512 in 512..65536";
  // Rates beyond this only overflow the WAV header and the filters' arithmetic.
  if (rate < 1 || rate > lab_max_rate)
    return std::string(path) + ": sampling rate " + std::to_string(rate) + " is not within 1.." +
           std::to_string(lab_max_rate);
  return {};
}

int run(int argc, char** argv) {
  std::vector<const char*> inputs;
  const char* output = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "-o")) {
      if (++i == argc) return usage_error("-o needs a file name");
      output = argv[i];
    } else {
      inputs.push_back(argv[i]);
    }
  }
  if (inputs.empty()) return usage_error("no patch file given");

  // Check every file before rendering anything, so bad input leaves nothing behind.
  std::vector<SynthPatch> patches(inputs.size());
  for (size_t i = 0; i < inputs.size(); ++i)
    if (std::string why = load_patch(inputs[i], &patches[i]); !why.empty()) return usage_error(why);

  // In order, as the program does: source_buffer carries from one patch to the next.
  for (size_t i = 0; i < patches.size(); ++i) {
    synthesize_sample(patches[i]);
    const int32_t n = patches[i].master.length;
    int32_t peak = 0;
    double energy = 0.0;
    for (int32_t j = 0; j < n; ++j) {
      const int32_t s = mix_buffer[j];
      peak = std::max(peak, s < 0 ? -s : s);
      energy += static_cast<double>(s) * s;
    }
    std::printf("%s: length %d, rate %d, peak %d, rms %.1f, random state 0x%08x\n", inputs[i], n,
                patches[i].master.rate, peak, std::sqrt(energy / n), demo_rand_state);
  }
  if (output) {
    std::string error;
    if (!write_wav(output, mix_buffer, patches.back().master.length, 1, patches.back().master.rate, &error)) {
      std::fprintf(stderr, "talvex-lab patch: %s\n", error.c_str());
      return 1;
    }
  }
  return 0;
}

LabCommand cmd{"patch", "FILE.patch... [-o OUT.wav]  render patches in order; the WAV holds the last", run};

}  // namespace
