// The 35 synthesis patches of the two modules, in sample order.
//
// Envelope times are percent of the sample's length, levels percent of full scale (see synth.h).
// Pitched, looped sounds are built from frequencies whose waveforms repeat after a whole number of
// samples (G: 49, 98, 196 Hz; D: 147, 294 Hz repeat every 900, 450, 225, 300, 150 samples), so a
// loop that spans whole periods of the steady tail is seamless; the loop points are in the scores.
#include "data/modules.h"
#include "synth/patch_builder.h"

namespace {

// Full at once, down to `sustain` percent over `decay` percent of the sample, then to silence at
// its end.
constexpr EnvelopeParams pluck(uint8_t decay, uint8_t sustain) {
  return envelope(/*delay*/ 0, /*ramp1*/ 0, /*hold1*/ 0, decay, /*hold2*/ 0, sustain, /*release*/ 0,
                  /*depth*/ 100, /*start*/ 100);
}
// Rises over 1 percent (no click from waveforms that start at full swing), holds full level for
// `hold` percent, then decays like pluck.
constexpr EnvelopeParams held_pluck(uint8_t hold, uint8_t decay, uint8_t sustain) {
  return envelope(0, 1, hold, decay, 0, sustain, 0, 100, 100);
}
// Rises over `attack` percent and stays full to the end (the hold runs past the sample's end).
constexpr EnvelopeParams swell(uint8_t attack) { return envelope(0, attack, 100, 0, 0, 0, 0, 100, 100); }
// As a pitch source on its own: starts two octaves up and falls to the voice's frequency over
// `time` percent (the hold level sits 19 cents sharp of it).
constexpr EnvelopeParams pitch_drop(uint8_t time) { return envelope(0, 0, 0, time, 0, 50, 0, 50, 50); }
// As a cutoff source: opens fully at once and closes to `floor` percent of 8192 Hz over `time`.
constexpr EnvelopeParams cutoff_fall(uint8_t time, uint8_t floor) { return pluck(time, floor); }

constexpr MasterParams plain(int32_t length) {
  return {.length = length, .rate = 44100, .output_level = 127};
}

// ---- Drums ---------------------------------------------------------------------------------------

// Sine kick: a 65 Hz sine swept down from far above by four envelopes.
constexpr SynthPatch bdsine1_6 = {
    .voices = {{.enabled = 1,
                .waveform = synth_wave_sine,
                .frequency = 65,
                .pitch_sources = route(src_env(1), src_env(2), src_env(3), src_env(5)),
                .amplitude = 127,
                .amplitude_sources = route(src_env(4))}},
    .envelopes = {envelope(1, 0, 0, 0, 0, 50, 100, 50, 100), envelope(1, 0, 0, 0, 0, 50, 50, 50, 100),
                  envelope(1, 0, 0, 0, 0, 50, 2, 100, 100), envelope(1, 0, 50, 0, 0, 50, 0, 100, 100),
                  envelope(1, 0, 0, 0, 0, 50, 6, 50, 100)},
    .master = {.length = 8192, .rate = 44100, .output_level = 127, .cutoff_sources = route(src_env(1))},
};

// Deep kick of the second module: the same sweep spread over twice the samples, from 50 Hz, with a
// little drive for weight on small speakers.
constexpr SynthPatch bdlow1_2 = {
    .voices = {{.enabled = 1,
                .waveform = synth_wave_sine,
                .frequency = 50,
                .pitch_sources = route(src_env(1), src_env(2), src_env(3), src_env(5)),
                .amplitude = 110,
                .amplitude_sources = route(src_env(4))}},
    .envelopes = {envelope(0, 0, 0, 0, 0, 50, 70, 50, 100), envelope(0, 0, 0, 0, 0, 50, 30, 50, 100),
                  envelope(0, 0, 0, 0, 0, 50, 1, 100, 100), envelope(0, 0, 35, 0, 0, 50, 0, 100, 100),
                  envelope(0, 0, 0, 0, 0, 50, 4, 50, 100)},
    .master = {.length = 16384, .rate = 44100, .drive_gain = 6, .output_level = 127},
};

// Metallic hats: four high square waves at unrelated frequencies over white noise, together just
// below full scale.
constexpr VoiceParams hat_noise = {.enabled = 1,
                                   .waveform = synth_wave_noise,
                                   .frequency = 30000,
                                   .amplitude = 70,
                                   .amplitude_sources = route(src_env(1))};
constexpr VoiceParams hat_square(int16_t frequency) {
  return {.enabled = 1,
          .waveform = synth_wave_pulse,
          .frequency = frequency,
          .amplitude = 14,
          .amplitude_sources = route(src_env(1)),
          .pulse_width = 50};
}

constexpr SynthPatch chat1_1 = {
    .voices = {hat_noise, hat_square(3217), hat_square(4529), hat_square(6101), hat_square(8311)},
    .envelopes = {pluck(25, 12)},
    .master = plain(2048),
};

constexpr SynthPatch ophat1 = {
    .voices = {hat_noise, hat_square(3217), hat_square(4529), hat_square(6101), hat_square(8311)},
    .envelopes = {pluck(55, 35)},
    .master = plain(6144),
};

// Crashes: noise and six squares, long decay; crs2_6 is the same wash swelling up (a reversed
// cymbal) and cut at its peak, for leading into a new part.
constexpr VoiceParams crash_square(int16_t frequency) {
  return {.enabled = 1,
          .waveform = synth_wave_pulse,
          .frequency = frequency,
          .amplitude = 11,
          .amplitude_sources = route(src_env(1)),
          .pulse_width = 50};
}
constexpr VoiceParams crash_noise = {.enabled = 1,
                                     .waveform = synth_wave_noise,
                                     .frequency = 26000,
                                     .amplitude = 77,
                                     .amplitude_sources = route(src_env(1))};

constexpr SynthPatch crs1 = {
    .voices = {crash_noise, crash_square(2531), crash_square(3187), crash_square(4473), crash_square(5309),
               crash_square(6747), crash_square(8629)},
    .envelopes = {pluck(20, 45)},
    .master = plain(32768),
};

constexpr SynthPatch crs2_6 = {
    .voices = {crash_noise, crash_square(2531), crash_square(3187), crash_square(4473), crash_square(5309),
               crash_square(6747), crash_square(8629)},
    .envelopes = {envelope(0, 94, 10, 0, 0, 0, 0, 100, 100)},
    .master = plain(32768),
};

// Snares: a noise burst over a sine body that drops from two octaves up to its pitch.
constexpr SynthPatch snare11 = {
    .voices = {{.enabled = 1,
                .waveform = synth_wave_noise,
                .frequency = 32000,
                .amplitude = 127,
                .amplitude_sources = route(src_env(1))},
               {.enabled = 1,
                .waveform = synth_wave_sine,
                .frequency = 185,
                .pitch_sources = route(src_env(2)),
                .amplitude = 127,
                .amplitude_sources = route(src_env(3))}},
    .envelopes = {pluck(45, 30), pitch_drop(6), pluck(25, 10)},
    .master = {.length = 8192, .rate = 44100, .drive_gain = 16, .output_level = 127},
};

constexpr SynthPatch snare11_1 = {
    .voices = {{.enabled = 1,
                .waveform = synth_wave_noise,
                .frequency = 32000,
                .amplitude = 114,
                .amplitude_sources = route(src_env(1))},
               {.enabled = 1,
                .waveform = synth_wave_sine,
                .frequency = 225,
                .pitch_sources = route(src_env(2)),
                .amplitude = 127,
                .amplitude_sources = route(src_env(3))}},
    .envelopes = {pluck(35, 15), pitch_drop(8), pluck(20, 5)},
    .master = {.length = 6144, .rate = 44100, .drive_gain = 10, .output_level = 127},
};

// Long snare with a dark tail: the noise is held at 16 kHz and filtered.
constexpr SynthPatch snare16hz1 = {
    .voices = {{.enabled = 1,
                .waveform = synth_wave_noise,
                .frequency = 16000,
                .amplitude = 127,
                .amplitude_sources = route(src_env(1))},
               {.enabled = 1,
                .waveform = synth_wave_sine,
                .frequency = 170,
                .pitch_sources = route(src_env(2)),
                .amplitude = 125,
                .amplitude_sources = route(src_env(3))}},
    .envelopes = {pluck(30, 30), pitch_drop(4), pluck(14, 8)},
    .filter_on = 1,
    .master = {.length = 16384,
               .rate = 44100,
               .drive_gain = 16,
               .output_level = 127,
               .cutoff = 7000,
               .resonance = 0.9f},
};

// Small, high snare: mostly bright noise with a short knock.
constexpr SynthPatch snaresml7hz2 = {
    .voices = {{.enabled = 1,
                .waveform = synth_wave_noise,
                .frequency = 30000,
                .amplitude = 70,
                .amplitude_sources = route(src_env(1))},
               {.enabled = 1,
                .waveform = synth_wave_triangle,
                .frequency = 330,
                .pitch_sources = route(src_env(2)),
                .amplitude = 70,
                .amplitude_sources = route(src_env(3))}},
    .envelopes = {pluck(30, 12), pitch_drop(5), pluck(15, 5)},
    .master = {.length = 8192, .rate = 44100, .drive_gain = 4, .output_level = 127},
};

// ---- Basses --------------------------------------------------------------------------------------

// Bass of the first module (G1): a sine for the floor under a saw and a narrow pulse an octave
// up, which carry the line on small speakers; a filter closes on the harmonics as the note dies.
constexpr SynthPatch basssub1 = {
    .voices = {{.enabled = 1,
                .waveform = synth_wave_sine,
                .frequency = 49,
                .amplitude = 48,
                .amplitude_sources = route(src_env(1))},
               {.enabled = 1,
                .waveform = synth_wave_saw,
                .frequency = 98,
                .amplitude = 78,
                .amplitude_sources = route(src_env(1))},
               {.enabled = 1,
                .waveform = synth_wave_pulse,
                .frequency = 98,
                .amplitude = 32,
                .amplitude_sources = route(src_env(2)),
                .pulse_width = 30}},
    .envelopes = {held_pluck(55, 40, 75), held_pluck(5, 40, 40), cutoff_fall(45, 16)},
    .filter_on = 1,
    .master = {.length = 6144,
               .rate = 44100,
               .drive_gain = 16,
               .output_level = 127,
               .cutoff_sources = route(src_env(3)),
               .resonance = 1.6f},
};

// Driving bass: two saws (G1 and G2) and the pulse through a more resonant filter, harder driven.
constexpr SynthPatch basssub2 = {
    .voices = {{.enabled = 1,
                .waveform = synth_wave_sine,
                .frequency = 49,
                .amplitude = 40,
                .amplitude_sources = route(src_env(1))},
               {.enabled = 1,
                .waveform = synth_wave_saw,
                .frequency = 49,
                .amplitude = 40,
                .amplitude_sources = route(src_env(1))},
               {.enabled = 1,
                .waveform = synth_wave_saw,
                .frequency = 98,
                .amplitude = 67,
                .amplitude_sources = route(src_env(2))},
               {.enabled = 1,
                .waveform = synth_wave_pulse,
                .frequency = 98,
                .amplitude = 25,
                .amplitude_sources = route(src_env(2)),
                .pulse_width = 30}},
    .envelopes = {held_pluck(50, 45, 70), held_pluck(5, 35, 40), cutoff_fall(35, 14)},
    .filter_on = 1,
    .master = {.length = 6144,
               .rate = 44100,
               .drive_gain = 20,
               .output_level = 127,
               .cutoff_sources = route(src_env(3)),
               .resonance = 2.4f},
};

// Triangle bass (G1) with a saw an octave up for small speakers, through a gently resonant filter
// that closes as the note dies.
constexpr SynthPatch basstrg1 = {
    .voices = {{.enabled = 1,
                .waveform = synth_wave_triangle,
                .frequency = 49,
                .amplitude = 127,
                .amplitude_sources = route(src_env(1))},
               {.enabled = 1,
                .waveform = synth_wave_sine,
                .frequency = 49,
                .amplitude = 51,
                .amplitude_sources = route(src_env(1))},
               {.enabled = 1,
                .waveform = synth_wave_saw,
                .frequency = 98,
                .amplitude = 80,
                .amplitude_sources = route(src_env(1))}},
    .envelopes = {held_pluck(25, 50, 50), cutoff_fall(40, 14)},
    .filter_on = 1,
    .master = {.length = 8192,
               .rate = 44100,
               .drive_gain = 24,
               .output_level = 127,
               .cutoff_sources = route(src_env(2)),
               .resonance = 2.0f},
};

// Acid-flavoured saw bass: a resonant filter sweeps down from bright to dark.
constexpr SynthPatch basssaw1_1 = {
    .voices = {{.enabled = 1,
                .waveform = synth_wave_saw,
                .frequency = 49,
                .amplitude = 121,
                .amplitude_sources = route(src_env(1))},
               {.enabled = 1,
                .waveform = synth_wave_saw,
                .frequency = 98,
                .amplitude = 51,
                .amplitude_sources = route(src_env(1))}},
    .envelopes = {held_pluck(30, 50, 40), cutoff_fall(25, 5)},
    .filter_on = 1,
    .master = {.length = 16384,
               .rate = 44100,
               .drive_gain = 28,
               .output_level = 127,
               .cutoff_sources = route(src_env(2)),
               .resonance = 4.5f},
};

// Pulse bass that slides down into the note, doubled an octave below.
constexpr SynthPatch bassplsldblow1 = {
    .voices = {{.enabled = 1,
                .waveform = synth_wave_pulse,
                .frequency = 98,
                .pitch_sources = route(src_env(2)),
                .amplitude = 95,
                .amplitude_sources = route(src_env(1)),
                .pulse_width = 35},
               {.enabled = 1,
                .waveform = synth_wave_pulse,
                .frequency = 49,
                .pitch_sources = route(src_env(2)),
                .amplitude = 84,
                .amplitude_sources = route(src_env(1)),
                .pulse_width = 50}},
    .envelopes = {held_pluck(35, 50, 40), envelope(0, 0, 0, 5, 0, 84, 0, 15, 50), cutoff_fall(45, 10)},
    .filter_on = 1,
    .master = {.length = 16384,
               .rate = 44100,
               .drive_gain = 20,
               .output_level = 127,
               .cutoff_sources = route(src_env(3)),
               .resonance = 1.5f},
};

// ---- Pads and strings (looped) -------------------------------------------------------------------

// Atmosphere: G2, D3 and G3 sines and a quiet saw under a slowly opening resonant filter.
constexpr SynthPatch atm2_2 = {
    .voices = {{.enabled = 1,
                .waveform = synth_wave_sine,
                .frequency = 98,
                .amplitude = 83,
                .amplitude_sources = route(src_env(1))},
               {.enabled = 1,
                .waveform = synth_wave_sine,
                .frequency = 147,
                .amplitude = 59,
                .amplitude_sources = route(src_env(1))},
               {.enabled = 1,
                .waveform = synth_wave_sine,
                .frequency = 196,
                .amplitude = 51,
                .amplitude_sources = route(src_env(1))},
               {.enabled = 1,
                .waveform = synth_wave_saw,
                .frequency = 98,
                .amplitude = 36,
                .amplitude_sources = route(src_env(1))}},
    .envelopes = {swell(30), envelope(0, 40, 100, 0, 0, 0, 0, 12, 100)},
    .filter_on = 1,
    .master = {.length = 65536,
               .rate = 44100,
               .output_level = 127,
               .cutoff_sources = route(src_env(2)),
               .resonance = 6.0f},
};

// Atmosphere: hollow squares on G2 and G3, filtered dark. (Squares at 98 and 196 Hz both repeat
// every 452 samples: each half-wave is a whole number of samples.)
constexpr SynthPatch atm1 = {
    .voices = {{.enabled = 1,
                .waveform = synth_wave_pulse,
                .frequency = 98,
                .amplitude = 71,
                .amplitude_sources = route(src_env(1)),
                .pulse_width = 50},
               {.enabled = 1,
                .waveform = synth_wave_pulse,
                .frequency = 196,
                .amplitude = 40,
                .amplitude_sources = route(src_env(1)),
                .pulse_width = 50}},
    .envelopes = {swell(25)},
    .filter_on = 1,
    .master = {.length = 32768, .rate = 44100, .output_level = 127, .cutoff = 1400, .resonance = 3.0f},
};

// Rising sweep: a G power chord of saws under a filter that opens over the whole sample.
constexpr SynthPatch brg1_4 = {
    .voices = {{.enabled = 1,
                .waveform = synth_wave_saw,
                .frequency = 98,
                .amplitude = 51,
                .amplitude_sources = route(src_env(1))},
               {.enabled = 1,
                .waveform = synth_wave_saw,
                .frequency = 147,
                .amplitude = 38,
                .amplitude_sources = route(src_env(1))},
               {.enabled = 1,
                .waveform = synth_wave_saw,
                .frequency = 196,
                .amplitude = 35,
                .amplitude_sources = route(src_env(1))}},
    .envelopes = {envelope(0, 60, 38, 0, 0, 0, 0, 100, 100), envelope(0, 98, 10, 0, 0, 0, 0, 85, 100)},
    .filter_on = 1,
    .master = {.length = 65536,
               .rate = 44100,
               .output_level = 127,
               .cutoff_sources = route(src_env(2)),
               .resonance = 9.0f},
};

// String pad: saws on G2, D3, G3 through the resonant filter.
constexpr SynthPatch brg2_1 = {
    .voices = {{.enabled = 1,
                .waveform = synth_wave_saw,
                .frequency = 98,
                .amplitude = 61,
                .amplitude_sources = route(src_env(1))},
               {.enabled = 1,
                .waveform = synth_wave_saw,
                .frequency = 147,
                .amplitude = 40,
                .amplitude_sources = route(src_env(1))},
               {.enabled = 1,
                .waveform = synth_wave_saw,
                .frequency = 196,
                .amplitude = 51,
                .amplitude_sources = route(src_env(1))}},
    .envelopes = {swell(20)},
    .filter_on = 1,
    .master = {.length = 32768, .rate = 44100, .output_level = 127, .cutoff = 2600, .resonance = 2.5f},
};

// High strings: saws on G3 and G4 with a squarer D4, bright filter.
constexpr SynthPatch strhi1 = {
    .voices = {{.enabled = 1,
                .waveform = synth_wave_saw,
                .frequency = 196,
                .amplitude = 81,
                .amplitude_sources = route(src_env(1))},
               {.enabled = 1,
                .waveform = synth_wave_saw,
                .frequency = 294,
                .amplitude = 32,
                .amplitude_sources = route(src_env(1))},
               {.enabled = 1,
                .waveform = synth_wave_saw,
                .frequency = 98,
                .amplitude = 46,
                .amplitude_sources = route(src_env(1))}},
    .envelopes = {swell(15)},
    .filter_on = 1,
    .master = {.length = 16384, .rate = 44100, .output_level = 127, .cutoff = 4200, .resonance = 1.8f},
};

// Filtered string on one note (G, with a fifth), slow attack.
constexpr SynthPatch strfiltc41_2 = {
    .voices = {{.enabled = 1,
                .waveform = synth_wave_saw,
                .frequency = 196,
                .amplitude = 101,
                .amplitude_sources = route(src_env(1))},
               {.enabled = 1,
                .waveform = synth_wave_saw,
                .frequency = 98,
                .amplitude = 56,
                .amplitude_sources = route(src_env(1))}},
    .envelopes = {swell(30), envelope(0, 40, 100, 0, 0, 0, 0, 35, 100)},
    .filter_on = 1,
    .master = {.length = 32768,
               .rate = 44100,
               .output_level = 127,
               .cutoff_sources = route(src_env(2)),
               .resonance = 4.0f},
};

// Wide high strings: three saws and a square, long attack.
constexpr SynthPatch strhi2_1 = {
    .voices = {{.enabled = 1,
                .waveform = synth_wave_saw,
                .frequency = 196,
                .amplitude = 70,
                .amplitude_sources = route(src_env(1))},
               {.enabled = 1,
                .waveform = synth_wave_saw,
                .frequency = 294,
                .amplitude = 40,
                .amplitude_sources = route(src_env(1))},
               {.enabled = 1,
                .waveform = synth_wave_saw,
                .frequency = 98,
                .amplitude = 50,
                .amplitude_sources = route(src_env(1))},
               {.enabled = 1,
                .waveform = synth_wave_sine,
                .frequency = 392,
                .amplitude = 36,
                .amplitude_sources = route(src_env(1))}},
    .envelopes = {swell(35)},
    .filter_on = 1,
    .master = {.length = 65536, .rate = 44100, .output_level = 127, .cutoff = 3400, .resonance = 2.2f},
};

// Square strings through a strongly resonant filter, hard-limited by the drive.
constexpr SynthPatch strsqrreslimit1 = {
    .voices = {{.enabled = 1,
                .waveform = synth_wave_pulse,
                .frequency = 98,
                .amplitude = 70,
                .amplitude_sources = route(src_env(1)),
                .pulse_width = 50},
               {.enabled = 1,
                .waveform = synth_wave_pulse,
                .frequency = 196,
                .amplitude = 50,
                .amplitude_sources = route(src_env(1)),
                .pulse_width = 50}},
    .envelopes = {swell(25)},
    .filter_on = 1,
    .master = {.length = 65536,
               .rate = 44100,
               .drive_gain = 14,
               .output_level = 127,
               .cutoff = 1800,
               .resonance = 8.0f},
};

// Saw strings with a resonant peak, the pad of the second module.
constexpr SynthPatch strsawres1 = {
    .voices = {{.enabled = 1,
                .waveform = synth_wave_saw,
                .frequency = 98,
                .amplitude = 77,
                .amplitude_sources = route(src_env(1))},
               {.enabled = 1,
                .waveform = synth_wave_saw,
                .frequency = 147,
                .amplitude = 46,
                .amplitude_sources = route(src_env(1))},
               {.enabled = 1,
                .waveform = synth_wave_saw,
                .frequency = 196,
                .amplitude = 56,
                .amplitude_sources = route(src_env(1))}},
    .envelopes = {swell(30)},
    .filter_on = 1,
    .master = {.length = 65536, .rate = 44100, .output_level = 127, .cutoff = 2200, .resonance = 5.0f},
};

// ---- Stabs and leads -----------------------------------------------------------------------------

// Minor chord stab (G, B flat, D, G): saws through a filter that snaps shut.
constexpr SynthPatch acc2 = {
    .voices = {{.enabled = 1,
                .waveform = synth_wave_saw,
                .frequency = 196,
                .amplitude = 38,
                .amplitude_sources = route(src_env(1))},
               {.enabled = 1,
                .waveform = synth_wave_saw,
                .frequency = 233,
                .amplitude = 32,
                .amplitude_sources = route(src_env(1))},
               {.enabled = 1,
                .waveform = synth_wave_saw,
                .frequency = 294,
                .amplitude = 32,
                .amplitude_sources = route(src_env(1))},
               {.enabled = 1,
                .waveform = synth_wave_saw,
                .frequency = 98,
                .amplitude = 35,
                .amplitude_sources = route(src_env(1))}},
    .envelopes = {held_pluck(5, 45, 20), cutoff_fall(30, 8)},
    .filter_on = 1,
    .master = {.length = 16384,
               .rate = 44100,
               .drive_gain = 6,
               .output_level = 127,
               .cutoff_sources = route(src_env(2)),
               .resonance = 5.0f},
};

// Power stab (G, D, G): squares folded back for a hard metallic edge.
constexpr SynthPatch acc3_5 = {
    .voices = {{.enabled = 1,
                .waveform = synth_wave_pulse,
                .frequency = 98,
                .amplitude = 45,
                .amplitude_sources = route(src_env(1)),
                .pulse_width = 30},
               {.enabled = 1,
                .waveform = synth_wave_pulse,
                .frequency = 147,
                .amplitude = 35,
                .amplitude_sources = route(src_env(1)),
                .pulse_width = 50},
               {.enabled = 1,
                .waveform = synth_wave_sine,
                .frequency = 196,
                .amplitude = 45,
                .amplitude_sources = route(src_env(1))}},
    .envelopes = {held_pluck(4, 40, 25), cutoff_fall(35, 15)},
    .filter_on = 1,
    .master = {.length = 16384,
               .rate = 44100,
               .fold_gain = 10,
               .output_level = 127,
               .cutoff_sources = route(src_env(2)),
               .resonance = 3.0f},
};

// Pulse lead at 262 Hz over a thin square an octave down (halves of 83 + 86 and 85 + 253 samples:
// both repeat every 338). Vibrato comes from the score, so the loop stays seamless.

constexpr SynthPatch aln262hz3_0 = {
    .voices = {{.enabled = 1,
                .waveform = synth_wave_pulse,
                .frequency = 262,
                .amplitude = 65,
                .amplitude_sources = route(src_env(1)),
                .pulse_width = 49},
               {.enabled = 1,
                .waveform = synth_wave_pulse,
                .frequency = 131,
                .amplitude = 30,
                .amplitude_sources = route(src_env(1)),
                .pulse_width = 25}},
    .envelopes = {envelope(0, 1, 10, 20, 100, 70, 0, 100, 100)},
    .filter_on = 1,
    .master = {.length = 65536, .rate = 44100, .output_level = 127, .cutoff = 3600, .resonance = 2.0f},
};

// Brighter lead: saws on G3 and G2 with a sine on G4, resonant and driven.
constexpr SynthPatch aln4_6 = {
    .voices = {{.enabled = 1,
                .waveform = synth_wave_saw,
                .frequency = 196,
                .amplitude = 59,
                .amplitude_sources = route(src_env(1))},
               {.enabled = 1,
                .waveform = synth_wave_saw,
                .frequency = 98,
                .amplitude = 23,
                .amplitude_sources = route(src_env(1))},
               {.enabled = 1,
                .waveform = synth_wave_sine,
                .frequency = 392,
                .amplitude = 30,
                .amplitude_sources = route(src_env(1))}},
    .envelopes = {envelope(0, 1, 8, 25, 100, 65, 0, 100, 100)},
    .filter_on = 1,
    .master = {.length = 65536,
               .rate = 44100,
               .drive_gain = 6,
               .output_level = 127,
               .cutoff = 3000,
               .resonance = 3.5f},
};

// Rhythm synths: short looped tones for off-beat chords and arpeggios.
constexpr SynthPatch rtm1_2 = {
    .voices = {{.enabled = 1,
                .waveform = synth_wave_saw,
                .frequency = 196,
                .amplitude = 53,
                .amplitude_sources = route(src_env(1))},
               {.enabled = 1,
                .waveform = synth_wave_saw,
                .frequency = 294,
                .amplitude = 21,
                .amplitude_sources = route(src_env(1))}},
    .envelopes = {swell(2)},
    .filter_on = 1,
    .master = {.length = 16384, .rate = 44100, .output_level = 127, .cutoff = 2400, .resonance = 4.0f},
};

constexpr SynthPatch rtm2_1 = {
    .voices = {{.enabled = 1,
                .waveform = synth_wave_pulse,
                .frequency = 196,
                .amplitude = 59,
                .amplitude_sources = route(src_env(1)),
                .pulse_width = 25},
               {.enabled = 1,
                .waveform = synth_wave_saw,
                .frequency = 392,
                .amplitude = 23,
                .amplitude_sources = route(src_env(1))}},
    .envelopes = {swell(2)},
    .filter_on = 1,
    .master = {.length = 16384, .rate = 44100, .output_level = 127, .cutoff = 3000, .resonance = 6.0f},
};

// Resonant square lead at 262 Hz: pulse width swept by an envelope, limited by drive.
constexpr SynthPatch resqr262hzpmlimit1_2 = {
    .voices = {{.enabled = 1,
                .waveform = synth_wave_pulse,
                .frequency = 262,
                .amplitude = 88,
                .amplitude_sources = route(src_env(1)),
                .pulse_width = 49},
               {.enabled = 1,
                .waveform = synth_wave_pulse,
                .frequency = 131,
                .amplitude = 39,
                .amplitude_sources = route(src_env(1)),
                .pulse_width = 50}},
    .envelopes = {envelope(0, 1, 10, 20, 100, 70, 0, 100, 100)},
    .filter_on = 1,
    .master = {.length = 65536,
               .rate = 44100,
               .drive_gain = 10,
               .output_level = 127,
               .cutoff = 2400,
               .resonance = 7.0f},
};

// ---- Effects -------------------------------------------------------------------------------------

// Noise sweep: sample-and-hold noise whose rate rises from a few Hz to thousands, under a
// resonant filter that opens with it.
constexpr SynthPatch noisesweep12hz1 = {
    .voices = {{.enabled = 1,
                .waveform = synth_wave_noise,
                .frequency = 12,
                .pitch_sources = route(src_env(2), src_env(3), src_env(5)),
                .amplitude = 127,
                .amplitude_sources = route(src_env(1))}},
    .envelopes = {envelope(0, 70, 20, 0, 0, 0, 0, 100, 100), envelope(0, 100, 0, 0, 0, 0, 0, 100, 100),
                  envelope(0, 100, 0, 0, 0, 0, 0, 100, 100), envelope(0, 95, 0, 0, 0, 0, 0, 90, 100),
                  envelope(0, 100, 0, 0, 0, 0, 0, 100, 100)},
    .filter_on = 1,
    .master = {.length = 32768,
               .rate = 44100,
               .output_level = 127,
               .cutoff_sources = route(src_env(4)),
               .resonance = 6.0f},
};

// Zap: a square and noise falling together, filter closing.
constexpr SynthPatch noisesqrsweep1 = {
    .voices = {{.enabled = 1,
                .waveform = synth_wave_pulse,
                .frequency = 220,
                .pitch_sources = route(src_env(2)),
                .amplitude = 69,
                .amplitude_sources = route(src_env(1)),
                .pulse_width = 50},
               {.enabled = 1,
                .waveform = synth_wave_noise,
                .frequency = 3000,
                .pitch_sources = route(src_env(2)),
                .amplitude = 84,
                .amplitude_sources = route(src_env(1))}},
    .envelopes = {pluck(60, 20), envelope(0, 0, 0, 80, 0, 20, 0, 20, 20), cutoff_fall(70, 6)},
    .filter_on = 1,
    .master = {.length = 16384,
               .rate = 44100,
               .output_level = 127,
               .cutoff_sources = route(src_env(3)),
               .resonance = 8.0f},
};

}  // namespace

const SynthPatch module1_patches[module1_patch_count] = {
    basssub1, bdsine1_6, basssub2, chat1_1,     ophat1, snare11, snare11_1, atm2_2, atm1,   brg1_4,
    brg2_1,   acc2,      acc3_5,   aln262hz3_0, aln4_6, rtm1_2,  rtm2_1,    crs1,   crs2_6,
};

const SynthPatch module2_patches[module2_patch_count] = {
    noisesweep12hz1, strsqrreslimit1,
    noisesqrsweep1,  basstrg1,
    basssaw1_1,      bdlow1_2,
    chat1_1,         ophat1,
    strhi1,          strfiltc41_2,
    strhi2_1,        snare16hz1,
    snaresml7hz2,    resqr262hzpmlimit1_2,
    bassplsldblow1,  strsawres1,
};
