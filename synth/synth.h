// The start-up sample synthesizer: one SynthPatch in, one mono 16-bit sample out in mix_buffer.
//
// A patch has eight oscillator voices, eight breakpoint envelopes and a master chain. Envelopes and
// modulator voices are drawn into regions of source_buffer; routing masks read them back per sample.
// The records below are the exact 694-byte layout the patch tables are stored in (little-endian).
// They are packed (SynthPatch::master starts at byte 582), so copy a multi-byte field before binding
// a reference to it, e.g. EXPECT_EQ(int32_t{p.master.length}, 8192).
#pragma once
#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)

// Byte p (1..16) non-zero selects source p: 1..8 are envelopes 1..8, 9..16 are voices 1..8.
// Byte 0 is never read. See synth/patch_builder.h for route(...).
struct RoutingMask {
  uint8_t select[17]{};
};

struct VoiceParams {
  uint8_t enabled{};    // 1 = the voice exists
  uint8_t modulator{};  // 1 = drawn into source_buffer, not heard
  uint8_t invert{};     // 1 = every rendered value is NOTed
  uint8_t waveform{};   // synth_wave_*
  int16_t frequency{};  // Hz; for noise, how often a new value is drawn
  RoutingMask pitch_sources{};
  uint8_t amplitude{};  // peak = amplitude * 256
  RoutingMask amplitude_sources{};
  uint8_t pulse_width{};  // percent, pulse only
  RoutingMask pulse_width_sources{};
  uint8_t unused_59{};
};

// Times in 1/512 of the sample (percent * 5.12); levels are attenuations (percent * 1.27, 127 = silent).
struct EnvelopeParams {
  uint8_t enabled{};  // 1 = on
  uint8_t delay{};
  uint8_t ramp1{};
  uint8_t hold1{};
  uint8_t ramp2{};  // 0 also leaves the level unchanged
  uint8_t hold2{};
  uint8_t sustain{};
  uint8_t release{};  // non-zero also returns to the start level
  uint8_t depth{};
  uint8_t start_level{};
};

struct MasterParams {
  int32_t length{};      // samples, multiple of 512, at most 65536
  int32_t rate{};        // Hz, used by all frequency arithmetic
  int16_t drive_gain{};  // 1/16
  RoutingMask drive_sources{};
  uint8_t unused_27{};
  int16_t fold_gain{};  // 1/16
  RoutingMask fold_sources{};
  uint8_t unused_47{};
  int16_t output_level{};  // 1/128
  RoutingMask output_level_sources{};
  uint8_t unused_67{};
  int16_t cutoff{};  // Hz
  RoutingMask cutoff_sources{};
  uint8_t unused_87{};
  float resonance{};
  RoutingMask resonance_sources{};
  uint8_t unused_109[3]{};
};

struct SynthPatch {
  uint8_t unused_0[12]{};
  VoiceParams voices[8]{};
  EnvelopeParams envelopes[8]{};
  uint8_t unused_switches[4]{};
  uint8_t filter_on{};  // 1 = the master filter runs
  uint8_t unused_switches_5[5]{};
  MasterParams master{};
};

#pragma pack(pop)

static_assert(sizeof(RoutingMask) == 17);
static_assert(sizeof(VoiceParams) == 60);
static_assert(offsetof(VoiceParams, frequency) == 4 && offsetof(VoiceParams, pitch_sources) == 6);
static_assert(offsetof(VoiceParams, amplitude) == 23 && offsetof(VoiceParams, amplitude_sources) == 24);
static_assert(offsetof(VoiceParams, pulse_width) == 41 && offsetof(VoiceParams, pulse_width_sources) == 42);
static_assert(sizeof(EnvelopeParams) == 10 && offsetof(EnvelopeParams, start_level) == 9);
static_assert(sizeof(MasterParams) == 112);
static_assert(offsetof(MasterParams, drive_gain) == 8 && offsetof(MasterParams, drive_sources) == 10);
static_assert(offsetof(MasterParams, fold_gain) == 28 && offsetof(MasterParams, fold_sources) == 30);
static_assert(offsetof(MasterParams, output_level) == 48 &&
              offsetof(MasterParams, output_level_sources) == 50);
static_assert(offsetof(MasterParams, cutoff) == 68 && offsetof(MasterParams, cutoff_sources) == 70);
static_assert(offsetof(MasterParams, resonance) == 88 && offsetof(MasterParams, resonance_sources) == 92);
static_assert(sizeof(SynthPatch) == 694);
static_assert(offsetof(SynthPatch, voices) == 12 && offsetof(SynthPatch, envelopes) == 492);
static_assert(offsetof(SynthPatch, filter_on) == 576 && offsetof(SynthPatch, master) == 582);

constexpr uint8_t synth_wave_sine = 0;
constexpr uint8_t synth_wave_saw = 1;
constexpr uint8_t synth_wave_triangle = 2;
constexpr uint8_t synth_wave_pulse = 3;
constexpr uint8_t synth_wave_noise = 4;

constexpr int synth_max_length = 65536;
constexpr int synth_source_count = 16;

// The finished sample. Two spare words after the last sample: the module patcher appends its
// trailing word there.
extern int16_t mix_buffer[synth_max_length + 2];
// One rendered voice.
extern int16_t voice_buffer[synth_max_length];
// 16 regions of unsigned values, region p-1 at (p-1) * length (packed by the current patch's length).
// Never cleared: a region the current patch does not write keeps what an earlier patch left there.
extern uint16_t source_buffer[synth_source_count * synth_max_length];

// Breakpoints (time in 1/512 units, level 0..127 attenuation) of each envelope of the last patch.
struct EnvelopePoint {
  int16_t time;
  int16_t level;
};
extern EnvelopePoint envelope_points[8][8];

// The patch being synthesized (render_voice and apply_master_chain read it).
extern const SynthPatch* synth_patch;

// Selected, enabled sources of a mask, ascending, as offsets of their regions in source_buffer.
struct SourceList {
  int count;  // 0..16
  uint32_t offset[synth_source_count];
};
SourceList collect_sources(const RoutingMask& mask, int32_t length);

void synthesize_sample(const SynthPatch& patch);
void render_voice(int v);   // voice v (0..7) of synth_patch into voice_buffer; nothing if disabled
void apply_master_chain();  // mix_buffer in place, with synth_patch's master settings
float exp2_float(float x);  // 2^x rounded to a 32-bit float
