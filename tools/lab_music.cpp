// talvex-lab xm DIR: the two finished modules (samples synthesized and patched in, as at start-up)
// as module1.xm and module2.xm, each rendered through libopenmpt the way the demo plays it to
// module1.wav / module2.wav (at the demo's volume of 75). On stdout, per song: integrated loudness,
// true peak, the peak at full volume, the bass share in the grooves, the side level and the longest
// digital silence (tools/xmbuild/measure.h, the same figures tests/music holds to their limits); a
// table per order (loudness, side level, loudest sample and its row); and the onset of every accent.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <vector>

#include "data/modules.h"
#include "synth/patcher.h"
#include "tools/lab.h"
#include "tools/xmbuild/cues.h"
#include "tools/xmbuild/measure.h"

namespace {

using music_measure::Rendered;
constexpr int render_rate = music_measure::rate;
constexpr size_t chunk_frames = music_measure::chunk_frames;

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

void report(const char* name, const Rendered& r, const Accent* accents, size_t accent_count,
            std::span<const Groove> grooves) {
  std::vector<std::pair<uint32_t, uint32_t>> spans;
  for (const Groove& g : grooves) spans.emplace_back(g.first, g.last);
  const music_measure::Figures f = music_measure::measure(r, spans);
  std::printf(
      "%s: %.1f s at volume %d: loudness %.1f LUFS, true peak %.1f dBTP (sample peak %.2f dBFS at volume "
      "100), bass share %.0f%% (100-400 Hz of <400 Hz in the grooves), side %.1f dB against the middle, "
      "longest digital silence %.0f ms\n",
      name, f.seconds, music_measure::demo_volume, f.loudness, f.true_peak, f.peak_full, 100 * f.bass_share,
      f.side_db, 1000 * f.longest_silence);
  // Per order: mean loudness, side level, and the loudest sample (at volume 100) with its row, to
  // see which part sets the peak and which parts sit low.
  const std::vector<double> power =
      music_measure::k_weighted_power(r.samples, music_measure::demo_volume / 100.0);
  for (size_t c = 0; c < r.chunk_start.size();) {
    const uint32_t order = r.chunk_start[c] >> 8;
    double sum = 0, mid = 0, side = 0, peak = 0;
    uint32_t peak_at = r.chunk_start[c];
    size_t from = c * chunk_frames, to = from;
    for (; c < r.chunk_start.size() && r.chunk_start[c] >> 8 == order; ++c)
      for (size_t i = c * chunk_frames; i < (c + 1) * chunk_frames && i < power.size(); ++i, ++to) {
        double left = r.samples[2 * i], right = r.samples[2 * i + 1];
        sum += power[i];
        mid += 0.25 * (left + right) * (left + right), side += 0.25 * (left - right) * (left - right);
        if (std::max(std::fabs(left), std::fabs(right)) > peak)
          peak = std::max(std::fabs(left), std::fabs(right)), peak_at = r.chunk_start[c];
      }
    std::printf("  order %2u: %5.1f LUFS, side %5.1f dB, peak %6.2f dBFS at %2u:%3u\n", order,
                music_measure::lufs(sum / double(std::max<size_t>(1, to - from))),
                10 * std::log10((side + 1e-30) / (mid + 1e-30)), 20 * std::log10(peak + 1e-12), peak_at >> 8,
                peak_at & 0xFF);
  }
  std::vector<uint32_t> positions;
  for (size_t a = 0; a < accent_count; ++a) positions.push_back(accents[a].position);
  const std::vector<music_measure::Onset> onsets = music_measure::accent_onsets(r, positions);
  for (size_t a = 0; a < accent_count; ++a) {
    if (!onsets[a].played) {
      std::printf("  %5u %-16s never played\n", accents[a].position, accents[a].what);
      continue;
    }
    std::printf("  %5u (%2u:%3u) %-16s onset %+5.1f dB, louder than %3.0f%% of all rows\n",
                accents[a].position, accents[a].position >> 8, accents[a].position & 0xFF, accents[a].what,
                onsets[a].db, 100 * onsets[a].rank);
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
    std::span<const Groove> grooves;
  } modules[2] = {{"module1", one, module1_accents, std::size(module1_accents), module1_grooves},
                  {"module2", two, module2_accents, std::size(module2_accents), module2_grooves}};
  for (const auto& m : modules) {
    std::string base = std::string(argv[1]) + "/" + m.name;
    if (!write_file(base + ".xm", m.image.data(), m.image.size())) {
      std::fprintf(stderr, "talvex-lab xm: cannot write %s.xm\n", base.c_str());
      return 1;
    }
    std::string log;
    Rendered r = music_measure::render(m.image, &log);
    if (!log.empty()) std::printf("%s: libopenmpt says: %s", m.name, log.c_str());
    std::vector<int16_t> pcm = music_measure::pcm_at_volume(r, music_measure::demo_volume);
    if (!write_wav(base + ".wav", pcm)) {
      std::fprintf(stderr, "talvex-lab xm: cannot write %s.wav\n", base.c_str());
      return 1;
    }
    report(m.name, r, m.accents, m.accent_count, m.grooves);
  }
  return 0;
}

LabCommand xm_command{"xm", "DIR  (write both finished modules as .xm and render them to .wav)", run_xm};

}  // namespace
