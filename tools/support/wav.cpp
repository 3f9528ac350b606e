#include "tools/support/wav.h"

#include <sys/stat.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

void put16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
void put32(uint8_t* p, uint32_t v) {
  put16(p, v & 0xFFFF);
  put16(p + 2, v >> 16);
}
uint32_t get16(const uint8_t* p) { return p[0] | p[1] << 8; }
uint32_t get32(const uint8_t* p) { return get16(p) | get16(p + 2) << 16; }

bool fail(std::string* error, const std::string& message) {
  if (error) *error = message;
  return false;
}

}  // namespace

bool write_wav(const std::string& path, const int16_t* samples, size_t frames, int channels, int rate,
               std::string* error) {
  if (channels != 1 && channels != 2) return fail(error, "WAV files have 1 or 2 channels here");
  // The header holds the byte rate in 32 bits.
  if (rate < 1 || rate > 0x7FFFFFFF / 4)
    return fail(error, "sampling rate " + std::to_string(rate) + " does not fit a WAV file");
  const uint64_t data_bytes = static_cast<uint64_t>(frames) * channels * 2;
  if (data_bytes > 0xFFFFFFFFull - 36) return fail(error, "too many samples for a WAV file");

  uint8_t header[44];
  std::memcpy(header, "RIFF", 4);
  put32(header + 4, static_cast<uint32_t>(36 + data_bytes));
  std::memcpy(header + 8, "WAVEfmt ", 8);
  put32(header + 16, 16);
  put16(header + 20, 1);  // PCM
  put16(header + 22, channels);
  put32(header + 24, rate);
  put32(header + 28, rate * channels * 2);
  put16(header + 32, channels * 2);
  put16(header + 34, 16);
  std::memcpy(header + 36, "data", 4);
  put32(header + 40, static_cast<uint32_t>(data_bytes));

  // A file appears complete or not at all: write a temporary beside it, then rename. The rename goes
  // to the file a symlink names, and devices and pipes (/dev/stdout) are written directly.
  std::string target = path;
  if (struct stat info; ::stat(path.c_str(), &info) == 0) {
    if (!S_ISREG(info.st_mode)) {
      File f(std::fopen(path.c_str(), "wb"));
      bool ok = f && std::fwrite(header, 1, sizeof header, f.get()) == sizeof header;
      for (size_t i = 0; ok && i < frames * channels; ++i) {
        uint8_t word[2];
        put16(word, static_cast<uint16_t>(samples[i]));
        ok = std::fwrite(word, 1, 2, f.get()) == 2;
      }
      return (ok && std::fflush(f.get()) == 0) || fail(error, "cannot write " + path);
    }
    char resolved[PATH_MAX];
    if (!::realpath(path.c_str(), resolved)) return fail(error, "cannot resolve " + path);
    target = resolved;
  }
  const std::string temp = target + ".tmp";
  {
    File f(std::fopen(temp.c_str(), "wb"));
    if (!f) return fail(error, "cannot create " + temp);
    bool ok = std::fwrite(header, 1, sizeof header, f.get()) == sizeof header;
    uint8_t block[4096];
    size_t total = frames * channels;
    for (size_t at = 0; ok && at < total;) {
      size_t count = total - at < sizeof block / 2 ? total - at : sizeof block / 2;
      for (size_t i = 0; i < count; ++i) put16(block + 2 * i, static_cast<uint16_t>(samples[at + i]));
      ok = std::fwrite(block, 2, count, f.get()) == count;
      at += count;
    }
    ok = std::fflush(f.get()) == 0 && ok;
    if (!ok) {
      f.reset();
      std::remove(temp.c_str());
      return fail(error, "cannot write " + temp);
    }
  }
  if (std::rename(temp.c_str(), target.c_str()) != 0) {
    std::remove(temp.c_str());
    return fail(error, "cannot rename " + temp + " to " + target);
  }
  return true;
}

bool read_wav(const std::string& path, WavData* out, std::string* error) {
  File f(std::fopen(path.c_str(), "rb"));
  if (!f) return fail(error, "cannot open " + path);
  std::vector<uint8_t> bytes;
  uint8_t block[65536];
  for (size_t got; (got = std::fread(block, 1, sizeof block, f.get())) > 0;)
    bytes.insert(bytes.end(), block, block + got);
  if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) || std::memcmp(bytes.data() + 8, "WAVE", 4))
    return fail(error, path + " is not a RIFF WAVE file");

  int channels = 0, bits = 0, format = 0, rate = 0;
  for (size_t at = 12; at + 8 <= bytes.size();) {
    const uint8_t* chunk = bytes.data() + at;
    const uint64_t size = get32(chunk + 4);
    if (at + 8 + size > bytes.size()) return fail(error, path + " is truncated");
    if (!std::memcmp(chunk, "fmt ", 4) && size >= 16) {
      format = get16(chunk + 8);
      channels = get16(chunk + 10);
      rate = static_cast<int>(get32(chunk + 12));
      bits = get16(chunk + 22);
    } else if (!std::memcmp(chunk, "data", 4)) {
      if (format != 1 || bits != 16 || (channels != 1 && channels != 2))
        return fail(error, path + " is not 16-bit PCM mono or stereo");
      out->channels = channels;
      out->rate = rate;
      out->samples.resize(size / 2 / channels * channels);
      for (size_t i = 0; i < out->samples.size(); ++i)
        out->samples[i] = static_cast<int16_t>(get16(chunk + 8 + 2 * i));
      return true;
    }
    at += 8 + size + (size & 1);
  }
  return fail(error, path + " has no data chunk");
}
