#include "synth/synth.h"

#include <cmath>
#include <cstring>

#include "shell/random.h"

int16_t mix_buffer[synth_max_length + 2];
int16_t voice_buffer[synth_max_length];
uint16_t source_buffer[synth_source_count * synth_max_length];
EnvelopePoint envelope_points[8][8];
const SynthPatch* synth_patch = nullptr;

namespace {

// Phases are floats and wrap at the float nearest 2 pi; everything computed from one sample to
// the next (steps, periods, filter coefficients) uses the double.
constexpr float wrap_two_pi = 6.2831855f;
constexpr double pi = 3.14159265358979323846;
constexpr double two_pi = 2 * pi;

int32_t synth_length = 0;  // of synth_patch, limited to what the buffers hold

void use_patch_length() {
  const int32_t length = synth_patch->master.length;
  synth_length = length < 0 ? 0 : length > synth_max_length ? synth_max_length : length;
}

// Float to integer as the x86 conversion does it: truncate toward zero, and NaN or anything outside
// the 32-bit range gives 0x80000000 (whose low 16 bits, all a 16-bit store keeps, are 0).
int32_t trunc_i32(double x) {
  if (!(x > -2147483649.0 && x < 2147483648.0)) return INT32_MIN;
  return static_cast<int32_t>(x);
}

int32_t limit16(int32_t x) { return x < -32768 ? -32768 : x > 32767 ? 32767 : x; }

// Sum of the selected regions at index i. A 32-bit float in the original arithmetic; at most
// 16 x 65535 it is exact, so the integer sum converts to the same value.
float source_sum(const SourceList& list, int32_t i) {
  uint32_t sum = 0;
  for (int k = 0; k < list.count; ++k) sum += source_buffer[list.offset[k] + i];
  return static_cast<float>(sum);
}

double source_average(const SourceList& list, int32_t i) {
  return static_cast<double>(source_sum(list, i)) / list.count;
}

void build_envelope(const EnvelopeParams& e, EnvelopePoint* pt) {
  const int32_t start = static_cast<int32_t>(e.start_level * 1.27);
  int32_t t = static_cast<int32_t>(e.delay * 5.12);
  pt[0] = {0, static_cast<int16_t>(start)};
  pt[1] = {static_cast<int16_t>(t), static_cast<int16_t>(start)};

  t = static_cast<int32_t>(e.ramp1 * 5.12 + t);
  int32_t level = static_cast<int32_t>(start - e.depth * 1.27);
  if (level < 0) level = 0;
  pt[2] = {static_cast<int16_t>(t), static_cast<int16_t>(level)};

  t = static_cast<int32_t>(e.hold1 * 5.12 + t);
  pt[3] = {static_cast<int16_t>(t), static_cast<int16_t>(level)};

  t = static_cast<int32_t>(e.ramp2 * 5.12 + t);
  if (e.ramp2 != 0) {
    level = static_cast<int32_t>(start - e.depth * 0.635);
    level = static_cast<int32_t>(level + (127 - e.sustain * 1.27) - e.depth * 0.63);
    level = level < 0 ? 0 : level > 127 ? 127 : level;
  }
  pt[4] = {static_cast<int16_t>(t), static_cast<int16_t>(level)};

  t = static_cast<int32_t>(e.hold2 * 5.12 + t);
  pt[5] = {static_cast<int16_t>(t), static_cast<int16_t>(level)};

  t = static_cast<int32_t>(e.release * 5.12 + t);
  pt[6] = {static_cast<int16_t>(t), static_cast<int16_t>(e.release != 0 ? start : level)};
  pt[7] = {512, static_cast<int16_t>(start)};
}

// Straight lines between breakpoints in 16.16-style fixed point (Q scaled by 65536, read back by
// 32768), with the 32-bit wrap-around of the original: W at level 127 is exactly 2^31.
void draw_envelope(const EnvelopePoint* pt, uint16_t* region, int32_t length) {
  const int32_t seg = length / 512;
  for (int k = 0; k < 7; ++k) {
    const int32_t start = pt[k].time * seg;
    const int32_t n = pt[k + 1].time * seg - start;
    if (n <= 0) continue;
    const int32_t q0 = pt[k].level * 258 + 2;
    const int32_t q1 = pt[k + 1].level * 258 + 2;
    const int32_t v = static_cast<int32_t>(static_cast<uint32_t>(q1 - q0) * 65536u) / n;
    uint32_t w = static_cast<uint32_t>(q0) * 65536u;
    for (int32_t j = 0; j < n; ++j) {
      const int32_t pos = start + j;
      if (pos < 0 || pos >= length) break;
      region[pos] = static_cast<uint16_t>(65536 - (static_cast<int32_t>(w) >> 15));
      w += static_cast<uint32_t>(v);
    }
  }
}

void store(int32_t i, int32_t s) { voice_buffer[i] = static_cast<int16_t>(s); }

// What every waveform renderer reads, plus the last pitch lookup.
struct Osc {
  const SourceList* pitch;
  float f0;       // F
  int32_t a;      // peak, amplitude x 256
  int32_t rate;   // R
  float halfper;  // (R / 2) x (1 / F)
  float period;   // R x (1 / F)
  float last_sum;
  double last_freq;
};

bool routed(const Osc& o) { return o.pitch->count != 0; }

// The frequency at sample i from the sum of the pitch sources, F x 2^(S / 16384 - 2): one source
// at its zero line 32768 leaves F unchanged. The pitch factor is a float; the frequency is not
// rounded. Sources often hold still, so the last one is kept.
double routed_freq(Osc& o, int32_t i) {
  const float sum = source_sum(*o.pitch, i);
  if (sum != o.last_sum) {
    const float octaves = static_cast<float>(sum / 16384.0 - 2.0);
    o.last_freq = o.f0 * static_cast<double>(exp2_float(octaves));
    o.last_sum = sum;
  }
  return o.last_freq;
}

void render_sine(Osc& o) {
  if (!routed(o)) {
    for (int32_t i = 0; i < synth_length; ++i) store(i, trunc_i32(o.a * std::sin(i * pi / o.halfper)));
    return;
  }
  const double step = two_pi / o.rate;
  float phase = 0.0f;
  for (int32_t i = 0; i < synth_length; ++i) {
    const double f = routed_freq(o, i);
    if (phase >= wrap_two_pi) phase = phase - wrap_two_pi;
    store(i, trunc_i32(o.a * std::sin(static_cast<double>(phase))));
    phase = static_cast<float>(phase + step * f);
  }
}

// Rises from -A toward +A once per period.
void render_saw(Osc& o) {
  float t = 0.0f;
  if (!routed(o)) {
    for (int32_t i = 0; i < synth_length; ++i) {
      if (t >= o.period) t = 0.0f;
      store(i, trunc_i32(static_cast<double>(o.a) * t / o.halfper - o.a));
      t = t + 1.0f;
    }
    return;
  }
  float hp = o.halfper;
  for (int32_t i = 0; i < synth_length; ++i) {
    if (t >= 2.0 * hp) t = 0.0f;  // the previous sample's half period
    hp = static_cast<float>((o.rate / 2) / routed_freq(o, i));
    store(i, trunc_i32(static_cast<double>(o.a) * t / hp - o.a));
    t = t + 1.0f;
  }
}

// Starts at +A and falls first.
void render_triangle(Osc& o) {
  float x = static_cast<float>(2.0 * o.halfper);
  float d = -1.0f;
  if (!routed(o)) {
    const float quarter = o.period * 0.25f;  // exact: a quarter of the float period
    for (int32_t i = 0; i < synth_length; ++i) {
      if (x > o.halfper) {
        x = o.halfper;
        d = -1.0f;
      }
      if (x < 0.0f) {
        x = 0.0f;
        d = 1.0f;
      }
      store(i, trunc_i32(static_cast<double>(o.a) * x / quarter - o.a));
      x = x + d;
    }
    return;
  }
  for (int32_t i = 0; i < synth_length; ++i) {
    const double quarter = (o.rate / 4) / routed_freq(o, i);
    if (x > 2.0 * quarter) {
      x = static_cast<float>(2 * quarter);
      d = -1.0f;
    }
    if (x < 0.0f) {
      x = 0.0f;
      d = 1.0f;
    }
    store(i, trunc_i32(static_cast<double>(o.a) * x / quarter - o.a));
    x = x + d;
  }
}

// Low half first. Width and (when routed) frequency are re-read once per cycle, at the start of
// each low half: the 8-bit edge counter comes back to 2 after every second edge.
void render_pulse(Osc& o, const VoiceParams& vp) {
  const SourceList width = collect_sources(vp.pulse_width_sources, synth_length);
  const int32_t pw = vp.pulse_width;
  const double p = static_cast<double>(o.rate) / o.f0;
  float first = static_cast<float>(pw * p * 0.01);
  float second = static_cast<float>((100 - pw) * p * 0.01);
  float cur = first;
  float t = 0.0f;
  int32_t out = -o.a;
  uint8_t edges = 2;
  for (int32_t i = 0; i < synth_length; ++i) {
    if (edges == 2 && routed(o)) {
      const double half = (o.rate / 2) / routed_freq(o, i);
      first = static_cast<float>(pw * half * 0.02);
      second = static_cast<float>((100 - pw) * half * 0.02);
      cur = first;
      edges = 0;
    } else if (edges == 2 && width.count != 0) {
      const double w = source_average(width, i) * 0.0015259021896696422;  // 100 / 65535
      first = static_cast<float>(p * w * 0.01);
      second = static_cast<float>(p * (100 - w) * 0.01);
      cur = first;
      edges = 0;
    }
    if (t > cur) {
      cur = cur == first ? second : first;
      out = out < 0 ? o.a : -o.a;
      t = 0.0f;
      ++edges;
    }
    t = t + 1.0f;
    store(i, out);
  }
}

// Sample-and-hold noise, reseeded per voice so its sequence depends only on the amplitude.
void render_noise(Osc& o, const VoiceParams& vp) {
  demo_srand(o.a);
  const int32_t amp = vp.amplitude;
  int32_t value = 0;
  auto draw = [&] { value = ((demo_rand() % (2 * amp + 1)) - amp) * 256; };
  if (!routed(o)) {
    const float p = o.period;
    float c = static_cast<float>(p + 1.0);
    for (int32_t i = 0; i < synth_length; ++i) {
      if (c > p) {
        c = static_cast<float>(c - static_cast<double>(p));
        draw();
      }
      store(i, value);
      c = c + 1.0f;
    }
    return;
  }
  const double step = two_pi / o.rate;
  float phase = wrap_two_pi;
  for (int32_t i = 0; i < synth_length; ++i) {
    const double f = routed_freq(o, i);
    if (phase >= wrap_two_pi) {
      phase = phase - wrap_two_pi;
      draw();
    }
    store(i, value);
    phase = static_cast<float>(phase + step * f);
  }
}

}  // namespace

float exp2_float(float x) { return static_cast<float>(std::exp2(static_cast<double>(x))); }

SourceList collect_sources(const RoutingMask& mask, int32_t length) {
  SourceList list{};
  for (int p = 1; p <= synth_source_count; ++p) {
    if (mask.select[p] == 0) continue;
    const uint8_t enabled =
        p <= 8 ? synth_patch->envelopes[p - 1].enabled : synth_patch->voices[p - 9].enabled;
    if (enabled == 1) list.offset[list.count++] = static_cast<uint32_t>((p - 1) * length);
  }
  return list;
}

void render_voice(int v) {
  const VoiceParams& vp = synth_patch->voices[v];
  if (vp.enabled != 1) return;
  use_patch_length();
  const SourceList pitch = collect_sources(vp.pitch_sources, synth_length);
  const int32_t rate = synth_patch->master.rate;
  const float f0 = vp.frequency;
  const double inv_f = 1.0 / f0;
  Osc o{&pitch,
        f0,
        vp.amplitude * 256,
        rate,
        static_cast<float>((rate / 2) * inv_f),
        static_cast<float>(rate * inv_f),
        -1.0f,
        0.0f};
  switch (vp.waveform) {
    case synth_wave_sine:
      render_sine(o);
      break;
    case synth_wave_saw:
      render_saw(o);
      break;
    case synth_wave_triangle:
      render_triangle(o);
      break;
    case synth_wave_pulse:
      render_pulse(o, vp);
      break;
    case synth_wave_noise:
      render_noise(o, vp);
      break;
    default:
      std::memset(voice_buffer, 0, synth_length * sizeof(int16_t));
      break;  // unknown: silence
  }
  if (vp.invert == 1)
    for (int32_t i = 0; i < synth_length; ++i) voice_buffer[i] = static_cast<int16_t>(~voice_buffer[i]);
  const SourceList amp = collect_sources(vp.amplitude_sources, synth_length);
  if (amp.count != 0)
    for (int32_t i = 0; i < synth_length; ++i)
      voice_buffer[i] = static_cast<int16_t>(trunc_i32(voice_buffer[i] * source_average(amp, i) / 65536));
}

namespace {

// Two-pole resonant low-pass; y is limited and the limited value is the state.
void master_filter(const MasterParams& m) {
  const SourceList res = collect_sources(m.resonance_sources, synth_length);
  const SourceList cut = collect_sources(m.cutoff_sources, synth_length);
  const double root2 = std::sqrt(2.0);
  float y = 0.0f, v = 0.0f;
  double k = 0.0, damp = 1.0;
  float last_res = -1.0f, last_cut = -1.0f;  // sums the coefficients were made from
  auto coefficients = [&](int32_t i) {
    const float res_sum = res.count != 0 ? source_sum(res, i) : 0.0f;
    const float cut_sum = cut.count != 0 ? source_sum(cut, i) : 0.0f;
    if (res_sum == last_res && cut_sum == last_cut) return;
    last_res = res_sum;
    last_cut = cut_sum;
    const double r = res.count != 0 ? static_cast<double>(res_sum) / res.count / 512 + 1
                                    : static_cast<double>(m.resonance);
    const double w = cut.count != 0 ? (static_cast<double>(cut_sum) / cut.count + 1) * two_pi * 0.125 / m.rate
                                    : m.cutoff * two_pi / m.rate;
    const double c = std::cos(w);
    const double e = c - 1;
    const double q = r * e;
    k = 2 - 2 * c;
    damp = q == 0 ? 1.0 : (root2 * std::sqrt(-(e * e * e)) + q) / q;  // 1 - 2 sin(w / 2) / r
  };
  for (int32_t i = 0; i < synth_length; ++i) {
    coefficients(i);
    v = static_cast<float>(v + (mix_buffer[i] - static_cast<double>(y)) * k);
    y = static_cast<float>(static_cast<double>(y) + v);
    v = static_cast<float>(v * damp);
    if (y < -32768.0f) y = -32768.0f;
    if (y > 32767.0f) y = 32767.0f;
    mix_buffer[i] = static_cast<int16_t>(trunc_i32(y));
  }
}

// Drive: x + x x gain, then shaped. Without sources and with gain 0 the stage is skipped.
void drive(const RoutingMask& mask, int16_t gain, int32_t (*shape)(int32_t)) {
  const SourceList src = collect_sources(mask, synth_length);
  if (src.count != 0) {
    for (int32_t i = 0; i < synth_length; ++i) {
      const int32_t x = mix_buffer[i];
      mix_buffer[i] = static_cast<int16_t>(shape(trunc_i32(x + x * source_average(src, i) / 2048)));
    }
  } else if (gain != 0) {
    for (int32_t i = 0; i < synth_length; ++i) {
      const int32_t x = mix_buffer[i];
      mix_buffer[i] = static_cast<int16_t>(shape(x * gain / 16 + x));
    }
  }
}

// Reflects at +-32767 until the value lies between them.
int32_t fold_back(int32_t x) {
  int64_t s = x;
  for (;;) {
    if (s < -32767)
      s = -s - 65534;
    else if (s > 32767)
      s = 65534 - s;
    else
      return static_cast<int32_t>(s);
  }
}

}  // namespace

void apply_master_chain() {
  const MasterParams& m = synth_patch->master;
  use_patch_length();
  if (synth_patch->filter_on == 1) master_filter(m);
  drive(m.drive_sources, m.drive_gain, limit16);
  drive(m.fold_sources, m.fold_gain, fold_back);

  const SourceList level = collect_sources(m.output_level_sources, synth_length);
  if (level.count != 0) {
    for (int32_t i = 0; i < synth_length; ++i)
      mix_buffer[i] = static_cast<int16_t>(trunc_i32(mix_buffer[i] * source_average(level, i) / 65536));
  } else {
    // No limiting: a level above 128 wraps in the 16-bit store.
    for (int32_t i = 0; i < synth_length; ++i)
      mix_buffer[i] = static_cast<int16_t>(mix_buffer[i] * m.output_level / 128);
  }
}

void synthesize_sample(const SynthPatch& patch) {
  synth_patch = &patch;
  use_patch_length();

  for (int e = 0; e < 8; ++e) {
    if (patch.envelopes[e].enabled != 1) continue;
    build_envelope(patch.envelopes[e], envelope_points[e]);
    draw_envelope(envelope_points[e], source_buffer + e * synth_length, synth_length);
  }

  // Modulators in index order: a lower-indexed modulator's region is already this patch's.
  for (int v = 0; v < 8; ++v) {
    const VoiceParams& vp = patch.voices[v];
    if (vp.enabled != 1 || vp.modulator != 1) continue;
    render_voice(v);
    uint16_t* region = source_buffer + (8 + v) * synth_length;
    for (int32_t i = 0; i < synth_length; ++i) region[i] = static_cast<uint16_t>(voice_buffer[i] + 32768);
  }

  // Every voice again, modulators too: they add nothing, but their noise draws leave the random
  // generator in the state the later texture precalculation starts from.
  std::memset(mix_buffer, 0, synth_length * sizeof(int16_t));
  for (int v = 0; v < 8; ++v) {
    const VoiceParams& vp = patch.voices[v];
    if (vp.enabled != 1) continue;
    render_voice(v);
    if (vp.modulator != 0) continue;
    for (int32_t i = 0; i < synth_length; ++i)
      mix_buffer[i] = static_cast<int16_t>(limit16(mix_buffer[i] + voice_buffer[i]));
  }

  apply_master_chain();
}
