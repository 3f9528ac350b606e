// 16-bit PCM WAV files, mono or stereo, for the tools and tests.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct WavData {
  int channels = 0;
  int rate = 0;
  std::vector<int16_t> samples;  // interleaved frames
  size_t frames() const { return channels > 0 ? samples.size() / channels : 0; }
};

// Writes frames x channels interleaved samples. The file appears under its name only when complete
// (written to a temporary name first, then renamed). On failure returns false and sets error.
bool write_wav(const std::string& path, const int16_t* samples, size_t frames, int channels, int rate,
               std::string* error);

// Reads a 16-bit PCM WAV (1 or 2 channels); skips chunks it does not need.
bool read_wav(const std::string& path, WavData* out, std::string* error);
