// Listening figures of a finished module, rendered through libopenmpt as the demo plays it:
// integrated loudness (EBU R128: K-weighting, 400 ms blocks, absolute and relative gates), true
// peak (4x oversampled), the bass share 100-400 Hz of all energy below 400 Hz over given spans,
// the side signal against the middle, and the longest run of digital silence. Used by
// `talvex-lab xm` and by the music tests, so both measure the same way.
#pragma once
#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <libopenmpt/libopenmpt.hpp>
#include <numbers>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace music_measure {

constexpr int rate = 44100;
constexpr int chunk_frames = 64;  // position resolution of the renders (1.5 ms)
constexpr int demo_volume = 75;   // the demo's starting music volume, in percent

struct Rendered {
  std::vector<float> samples;         // interleaved stereo at volume 100, unclipped
  std::vector<uint32_t> chunk_start;  // song position (order * 256 + row) at every chunk's start
};

// One pass through the song, as the demo's player is set up (linear interpolation, full stereo,
// the default volume ramps), stopping where the song would wrap.
inline Rendered render(const std::vector<uint8_t>& image, std::string* log_text = nullptr) {
  std::ostringstream log;
  openmpt::module mod(image, log);
  mod.set_repeat_count(0);
  mod.set_render_param(openmpt::module::RENDER_INTERPOLATIONFILTER_LENGTH, 2);
  mod.set_render_param(openmpt::module::RENDER_STEREOSEPARATION_PERCENT, 100);
  mod.set_render_param(openmpt::module::RENDER_VOLUMERAMPING_STRENGTH, -1);
  Rendered r;
  float buffer[2 * chunk_frames];
  for (;;) {
    uint32_t position =
        uint32_t(mod.get_current_order() & 0xFF) << 8 | uint32_t(mod.get_current_row() & 0xFF);
    size_t got = mod.read_interleaved_stereo(rate, chunk_frames, buffer);
    if (!got) break;
    // The tail after the last row reads as the start again: it belongs to the last row.
    if (!r.chunk_start.empty() && position < r.chunk_start.back()) position = r.chunk_start.back();
    r.chunk_start.push_back(position);
    r.samples.insert(r.samples.end(), buffer, buffer + 2 * got);
  }
  if (log_text) *log_text = log.str();
  return r;
}

// The 16-bit stream the demo hands to the sound card: libopenmpt's clipped 16-bit output scaled
// by the volume in percent (truncating, as the player does).
inline std::vector<int16_t> pcm_at_volume(const Rendered& r, int volume) {
  std::vector<int16_t> pcm(r.samples.size());
  for (size_t i = 0; i < pcm.size(); ++i) {
    long s = std::clamp(std::lrint(double(r.samples[i]) * 32768.0), -32768L, 32767L);
    pcm[i] = int16_t(s * volume / 100);
  }
  return pcm;
}

struct Biquad {
  double b0, b1, b2, a1, a2;
  double z1 = 0, z2 = 0;
  double step(double x) {
    double y = b0 * x + z1;
    z1 = b1 * x - a1 * y + z2;
    z2 = b2 * x - a2 * y;
    return y;
  }
};

// The K-weighted power of every frame (both channels summed), the basis of EBU R128 loudness:
// a high shelf (+4 dB above about 1.7 kHz) and a high-pass at 38 Hz, from the analogue prototypes
// of ITU-R BS.1770, for this rate.
inline std::vector<double> k_weighted_power(const std::vector<float>& s, double gain = 1.0) {
  const double pi = std::numbers::pi;
  double k = std::tan(pi * 1681.974450955533 / rate), q = 0.7071752369554196;
  double vh = std::pow(10.0, 3.999843853973347 / 20), vb = std::pow(vh, 0.4996667741545416);
  double a0 = 1 + k / q + k * k;
  const Biquad shelf{(vh + vb * k / q + k * k) / a0, 2 * (k * k - vh) / a0, (vh - vb * k / q + k * k) / a0,
                     2 * (k * k - 1) / a0, (1 - k / q + k * k) / a0};
  k = std::tan(pi * 38.13547087602444 / rate), q = 0.5003270373238773;
  a0 = 1 + k / q + k * k;
  const Biquad highpass{1, -2, 1, 2 * (k * k - 1) / a0, (1 - k / q + k * k) / a0};
  Biquad f[2][2] = {{shelf, highpass}, {shelf, highpass}};
  std::vector<double> power(s.size() / 2);
  for (size_t i = 0; i < power.size(); ++i)
    for (int c = 0; c < 2; ++c) {
      double y = f[c][1].step(f[c][0].step(gain * s[2 * i + c]));
      power[i] += y * y;
    }
  return power;
}

inline double lufs(double power) { return -0.691 + 10 * std::log10(power + 1e-30); }

// EBU R128 integrated loudness in LUFS of interleaved stereo at full scale 1.0: 400 ms blocks in
// steps of 100 ms, gated at -70 LUFS and then 10 LU below the mean of the blocks above that.
inline double integrated_loudness(const std::vector<float>& s, double gain = 1.0) {
  const std::vector<double> power = k_weighted_power(s, gain);
  const size_t step = rate / 10;
  std::vector<double> step_power;
  double sum = 0;
  for (size_t i = 0; i < power.size(); ++i) {
    sum += power[i];
    if ((i + 1) % step == 0) step_power.push_back(sum / step), sum = 0;
  }
  std::vector<double> blocks;
  for (size_t b = 3; b < step_power.size(); ++b)
    blocks.push_back((step_power[b] + step_power[b - 1] + step_power[b - 2] + step_power[b - 3]) / 4);
  auto gated_mean = [&](double threshold) {
    double total = 0;
    size_t n = 0;
    for (double p : blocks)
      if (lufs(p) > threshold) total += p, ++n;
    return n ? total / double(n) : 0.0;
  };
  double relative = lufs(gated_mean(-70)) - 10;
  return lufs(gated_mean(std::max(-70.0, relative)));
}

// True peak in dBTP: the largest magnitude of the signal upsampled four times with a windowed
// sinc (as a meter after BS.1770 Annex 2 does).
inline double true_peak_db(const std::vector<float>& s, double gain = 1.0) {
  constexpr int phases = 4, taps = 12;  // 12 input samples either side
  const double pi = std::numbers::pi;
  double kernel[phases][2 * taps];
  for (int p = 0; p < phases; ++p)
    for (int t = 0; t < 2 * taps; ++t) {
      double x = double(t - taps + 1) - double(p) / phases;  // distance from the output point
      double sinc = x == 0 ? 1.0 : std::sin(pi * x) / (pi * x);
      double w = 0.5 + 0.5 * std::cos(pi * x / (taps + 1));  // Hann window
      kernel[p][t] = sinc * w;
    }
  const long frames = long(s.size() / 2);
  double peak = 0;
  for (int c = 0; c < 2; ++c)
    for (long i = 0; i < frames; ++i) {
      peak = std::max(peak, std::fabs(double(s[2 * i + c])));
      for (int p = 1; p < phases; ++p) {
        double y = 0;
        for (int t = 0; t < 2 * taps; ++t) {
          long j = i + t - taps + 1;
          if (j >= 0 && j < frames) y += kernel[p][t] * s[2 * j + c];
        }
        peak = std::max(peak, std::fabs(y));
      }
    }
  return 20 * std::log10(gain * peak + 1e-12);
}

inline double sample_peak(const std::vector<float>& s) {
  double peak = 0;
  for (float v : s) peak = std::max(peak, std::fabs(double(v)));
  return peak;
}

inline void fft(std::vector<std::complex<double>>& a) {
  const size_t n = a.size();
  for (size_t i = 1, j = 0; i < n; ++i) {
    size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(a[i], a[j]);
  }
  for (size_t len = 2; len <= n; len <<= 1) {
    std::complex<double> w_len = std::polar(1.0, -2 * std::numbers::pi / double(len));
    for (size_t i = 0; i < n; i += len) {
      std::complex<double> w = 1;
      for (size_t j = 0; j < len / 2; ++j, w *= w_len) {
        std::complex<double> u = a[i + j], v = a[i + j + len / 2] * w;
        a[i + j] = u + v, a[i + j + len / 2] = u - v;
      }
    }
  }
}

// Energy of the middle signal in two bands, summed over Hann-windowed frames of 8192 samples
// that lie in the given frame ranges: {20..100 Hz, 100..400 Hz}.
inline std::pair<double, double> low_band_energy(const std::vector<float>& s,
                                                 const std::vector<std::pair<size_t, size_t>>& spans) {
  constexpr size_t n = 8192;
  double sub = 0, low = 0;
  std::vector<std::complex<double>> a(n);
  for (auto [from, to] : spans)
    for (size_t f = from; f + n <= to && f + n <= s.size() / 2; f += n / 2) {
      for (size_t i = 0; i < n; ++i) {
        double w = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * double(i) / n);
        a[i] = w * 0.5 * (double(s[2 * (f + i)]) + s[2 * (f + i) + 1]);
      }
      fft(a);
      for (size_t bin = 1; bin < n / 2; ++bin) {
        double hz = double(bin) * rate / n, e = std::norm(a[bin]);
        if (hz >= 20 && hz < 100) sub += e;
        if (hz >= 100 && hz < 400) low += e;
      }
    }
  return {sub, low};
}

inline double rms_db(const std::vector<float>& s, size_t from_frame, size_t frames) {
  double sum = 0;
  size_t end = std::min(s.size() / 2, from_frame + frames);
  for (size_t i = from_frame; i < end; ++i)
    sum += 0.5 * (double(s[2 * i]) * s[2 * i] + double(s[2 * i + 1]) * s[2 * i + 1]);
  return 10 * std::log10(sum / double(std::max<size_t>(1, end - from_frame)) + 1e-12);
}

struct Onset {
  bool played = false;
  double db = 0;    // loudness of the row's first 20 ms against the 20 ms before it
  double rank = 0;  // the share of all rows of the song whose onset is weaker
};

// The onset of every row is the loudness of its first 20 ms against the 20 ms before it, measured
// on the first difference of the signal (a gentle high-pass, so that a hat over a ringing kick
// still counts); an accent should rank high among all rows of its song.
inline std::vector<Onset> accent_onsets(const Rendered& r, const std::vector<uint32_t>& positions) {
  std::vector<float> edge(r.samples.size());
  for (size_t i = 2; i < edge.size(); ++i) edge[i] = r.samples[i] - r.samples[i - 2];
  const size_t span = rate / 50;
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
  std::vector<Onset> result;
  for (uint32_t position : positions) {
    auto at = std::find_if(onsets.begin(), onsets.end(), [&](const auto& o) { return o.first == position; });
    if (at == onsets.end()) {
      result.push_back({});
      continue;
    }
    double rank = double(std::lower_bound(sorted.begin(), sorted.end(), at->second) - sorted.begin()) /
                  double(sorted.size());
    result.push_back({true, at->second, rank});
  }
  return result;
}

struct Figures {
  double seconds;
  double loudness;         // LUFS at the demo's volume
  double true_peak;        // dBTP at the demo's volume
  double peak_full;        // sample peak in dBFS at volume 100 (above 0 clips)
  double bass_share;       // 100-400 Hz of all energy below 400 Hz, over the grooves
  double side_db;          // side signal against the middle over the whole song, dB
  double longest_silence;  // seconds of digital silence at the demo's volume, the end excepted
};

// spans: the grooves, as ranges of song positions [first, last].
inline Figures measure(const Rendered& r, const std::vector<std::pair<uint32_t, uint32_t>>& grooves) {
  Figures f{};
  const std::vector<float>& s = r.samples;
  const size_t frames = s.size() / 2;
  const double gain = demo_volume / 100.0;
  f.seconds = double(frames) / rate;
  f.loudness = integrated_loudness(s, gain);
  f.true_peak = true_peak_db(s, gain);
  f.peak_full = 20 * std::log10(sample_peak(s) + 1e-12);

  std::vector<std::pair<size_t, size_t>> spans;
  for (auto [first, last] : grooves) {
    size_t from = SIZE_MAX, to = 0;
    for (size_t c = 0; c < r.chunk_start.size(); ++c)
      if (r.chunk_start[c] >= first && r.chunk_start[c] <= last)
        from = std::min(from, c * chunk_frames), to = std::max(to, (c + 1) * chunk_frames);
    if (from < to) spans.emplace_back(from, to);
  }
  auto [sub, low] = low_band_energy(s, spans);
  f.bass_share = low / (sub + low + 1e-30);

  double mid = 0, side = 0;
  for (size_t i = 0; i < frames; ++i) {
    double m = 0.5 * (double(s[2 * i]) + s[2 * i + 1]), d = 0.5 * (double(s[2 * i]) - s[2 * i + 1]);
    mid += m * m, side += d * d;
  }
  f.side_db = 10 * std::log10((side + 1e-30) / (mid + 1e-30));

  std::vector<int16_t> pcm = pcm_at_volume(r, demo_volume);
  size_t end = frames;  // silence that lasts to the end is the last chord's tail
  while (end && pcm[2 * end - 2] == 0 && pcm[2 * end - 1] == 0) --end;
  size_t run = 0, longest = 0;
  for (size_t i = 0; i < end; ++i) {
    run = pcm[2 * i] == 0 && pcm[2 * i + 1] == 0 ? run + 1 : 0;
    longest = std::max(longest, run);
  }
  f.longest_silence = double(longest) / rate;
  return f;
}

}  // namespace music_measure
