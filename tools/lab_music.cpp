// talvex-lab xm DIR: the two finished modules (samples synthesized and patched in, as at start-up)
// as module1.xm and module2.xm, each rendered through libopenmpt the way the demo plays it to
// module1.wav / module2.wav (at the demo's volume of 75), with a few measurements on stdout.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <libopenmpt/libopenmpt.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "data/modules.h"
#include "synth/patcher.h"
#include "tools/lab.h"
#include "tools/xmbuild/cues.h"

namespace {

constexpr int render_rate = 44100;
constexpr int chunk_frames = 64;  // position resolution of the cue measurements (1.5 ms)

bool write_file(const std::string& path, const void* data, size_t size) {
  std::string temp = path + ".tmp";
  {
    std::ofstream out(temp, std::ios::binary);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out.flush()) {
      std::remove(temp.c_str());
      return false;
    }
  }
  return std::rename(temp.c_str(), path.c_str()) == 0;
}

void put16(std::vector<uint8_t>& b, unsigned v) { b.push_back(uint8_t(v)), b.push_back(uint8_t(v >> 8)); }
void put32(std::vector<uint8_t>& b, uint32_t v) { put16(b, v & 0xFFFF), put16(b, v >> 16); }

bool write_wav(const std::string& path, const std::vector<int16_t>& stereo) {
  std::vector<uint8_t> b;
  uint32_t data_bytes = uint32_t(stereo.size() * 2);
  b.insert(b.end(), {'R', 'I', 'F', 'F'});
  put32(b, 36 + data_bytes);
  b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  put32(b, 16), put16(b, 1), put16(b, 2), put32(b, render_rate), put32(b, render_rate * 4);
  put16(b, 4), put16(b, 16);
  b.insert(b.end(), {'d', 'a', 't', 'a'});
  put32(b, data_bytes);
  for (int16_t s : stereo) put16(b, uint16_t(s));
  return write_file(path, b.data(), b.size());
}

struct Rendered {
  std::vector<float> samples;         // interleaved stereo, unclipped
  std::vector<uint32_t> chunk_start;  // song position at the start of every chunk
};

Rendered render(const std::vector<uint8_t>& image, std::string& log_text) {
  std::ostringstream log;
  openmpt::module mod(image, log);
  mod.set_repeat_count(0);
  // As the demo's player: linear interpolation, full stereo.
  mod.set_render_param(openmpt::module::RENDER_INTERPOLATIONFILTER_LENGTH, 2);
  mod.set_render_param(openmpt::module::RENDER_STEREOSEPARATION_PERCENT, 100);
  Rendered r;
  float buffer[2 * chunk_frames];
  for (;;) {
    uint32_t position =
        uint32_t(mod.get_current_order() & 0xFF) << 8 | uint32_t(mod.get_current_row() & 0xFF);
    size_t got = mod.read_interleaved_stereo(render_rate, chunk_frames, buffer);
    if (!got) break;
    r.chunk_start.push_back(position);
    r.samples.insert(r.samples.end(), buffer, buffer + 2 * got);
  }
  log_text = log.str();
  return r;
}

double rms_db(const std::vector<float>& s, size_t from_frame, size_t frames) {
  double sum = 0;
  size_t end = std::min(s.size() / 2, from_frame + frames);
  for (size_t i = from_frame; i < end; ++i)
    sum += 0.5 * (double(s[2 * i]) * s[2 * i] + double(s[2 * i + 1]) * s[2 * i + 1]);
  return 10 * std::log10(sum / double(std::max<size_t>(1, end - from_frame)) + 1e-12);
}

void report(const char* name, const Rendered& r, const Accent* accents, size_t accent_count) {
  size_t frames = r.samples.size() / 2;
  float peak = 0;
  for (float v : r.samples) peak = std::max(peak, std::fabs(v));
  // Silence: the longest run of 50 ms windows below -60 dBFS.
  const size_t window = render_rate / 20;
  double longest = 0, run = 0;
  for (size_t f = 0; f + window <= frames; f += window) {
    run = rms_db(r.samples, f, window) < -60 ? run + 0.05 : 0;
    longest = std::max(longest, run);
  }
  std::printf(
      "%s: %.1f s, peak %.2f dBFS (%.2f at volume 75), loudness %.1f dBFS RMS, longest silence %.2f s\n",
      name, double(frames) / render_rate, 20 * std::log10(peak + 1e-12), 20 * std::log10(0.75 * peak + 1e-12),
      rms_db(r.samples, 0, frames), longest);
  // Accents: the onset of every row is the loudness of its first 20 ms against the 20 ms before
  // it, measured on the first difference of the signal (a gentle high-pass, so that a hat over a
  // ringing kick still counts); an accent should rank high among all rows of its song.
  std::vector<float> edge(r.samples.size());
  for (size_t i = 2; i < edge.size(); ++i) edge[i] = r.samples[i] - r.samples[i - 2];
  const size_t span = render_rate / 50;
  std::vector<std::pair<uint32_t, double>> onsets;  // (position, dB) of every row, first frame
  for (size_t c = 0; c < r.chunk_start.size(); ++c) {
    if (c && r.chunk_start[c] == r.chunk_start[c - 1]) continue;
    size_t f = c * chunk_frames;
    double before = f >= span ? rms_db(edge, f - span, span) : -120;
    onsets.emplace_back(r.chunk_start[c], rms_db(edge, f, span) - before);
  }
  std::vector<double> sorted;
  for (const auto& o : onsets) sorted.push_back(o.second);
  std::sort(sorted.begin(), sorted.end());
  for (size_t a = 0; a < accent_count; ++a) {
    auto at = std::find_if(onsets.begin(), onsets.end(),
                           [&](const auto& o) { return o.first == accents[a].position; });
    if (at == onsets.end()) {
      std::printf("  %5u %-16s never played\n", accents[a].position, accents[a].what);
      continue;
    }
    double rank = double(std::lower_bound(sorted.begin(), sorted.end(), at->second) - sorted.begin()) /
                  double(sorted.size());
    std::printf("  %5u (%2u:%3u) %-16s onset %+5.1f dB, louder than %3.0f%% of all rows\n",
                accents[a].position, accents[a].position >> 8, accents[a].position & 0xFF, accents[a].what,
                at->second, 100 * rank);
  }
}

int run_xm(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: talvex-lab xm DIR\n");
    return lab_usage_error;
  }
  std::error_code ec;
  std::filesystem::create_directories(argv[1], ec);
  if (!std::filesystem::is_directory(argv[1])) {
    std::fprintf(stderr, "talvex-lab xm: cannot create directory %s\n", argv[1]);
    return lab_usage_error;
  }
  // Synthesize into copies, module one first: source_buffer carries over as at start-up.
  std::vector<uint8_t> one(module_one, module_one + module_one_size);
  std::vector<uint8_t> two(module_two, module_two + module_two_size);
  patch_module_samples(module1_sample_offsets, one.data(), module1_patches, module1_patch_count);
  patch_module_samples(module2_sample_offsets, two.data(), module2_patches, module2_patch_count);

  const struct {
    const char* name;
    const std::vector<uint8_t>& image;
    const Accent* accents;
    size_t accent_count;
  } modules[2] = {{"module1", one, module1_accents, std::size(module1_accents)},
                  {"module2", two, module2_accents, std::size(module2_accents)}};
  for (const auto& m : modules) {
    std::string base = std::string(argv[1]) + "/" + m.name;
    if (!write_file(base + ".xm", m.image.data(), m.image.size())) {
      std::fprintf(stderr, "talvex-lab xm: cannot write %s.xm\n", base.c_str());
      return 1;
    }
    std::string log;
    Rendered r = render(m.image, log);
    if (!log.empty()) std::printf("%s: libopenmpt says: %s", m.name, log.c_str());
    std::vector<int16_t> pcm(r.samples.size());
    for (size_t i = 0; i < pcm.size(); ++i)
      pcm[i] = int16_t(std::clamp(std::lrint(r.samples[i] * 0.75f * 32768.0f), -32768L, 32767L));
    if (!write_wav(base + ".wav", pcm)) {
      std::fprintf(stderr, "talvex-lab xm: cannot write %s.wav\n", base.c_str());
      return 1;
    }
    report(m.name, r, m.accents, m.accent_count);
  }
  return 0;
}

LabCommand xm_command{"xm", "DIR  (write both finished modules as .xm and render them to .wav)", run_xm};

}  // namespace
