// The two module images: their XM structure, the sample areas the patcher fills, the song
// positions the demo waits for, and that real players load them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
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
#include "synth/patch_builder.h"
#include "synth/patcher.h"
#include "tests/music/xm_reader.h"
#include "tools/xmbuild/cues.h"

namespace {

struct SampleSpec {
  int instrument;  // 1-based
  const char* name;
  int n;
  bool looped;
};

constexpr SampleSpec module1_samples[module1_patch_count] = {
    {1, "basssub1.wav", 6144, false},  {2, "bdsine1_6.wav", 8192, false},    {3, "basssub2.wav", 6144, false},
    {4, "chat1_1.wav", 2048, false},   {5, "ophat1.wav", 6144, false},       {6, "snare11.wav", 8192, false},
    {7, "snare11_1.wav", 6144, false}, {8, "atm2_2.wav", 65536, true},       {9, "atm1.wav", 32768, true},
    {10, "brg1_4.wav", 65536, false},  {11, "brg2_1.wav", 32768, true},      {12, "acc2.wav", 16384, false},
    {13, "acc3_5.wav", 16384, false},  {14, "aln262hz3_0.wav", 65536, true}, {15, "aln4_6.wav", 65536, true},
    {16, "rtm1_2.wav", 16384, true},   {17, "rtm2_1.wav", 16384, true},      {18, "crs1.wav", 32768, false},
    {19, "crs2_6.wav", 32768, false},
};
constexpr SampleSpec module2_samples[module2_patch_count] = {
    {1, "noisesweep12hz1.wav", 32768, false}, {2, "strsqrreslimit1.wav", 65536, true},
    {3, "noisesqrsweep1.wav", 16384, false},  {4, "basstrg1.wav", 8192, false},
    {6, "basssaw1_1.wav", 16384, false},      {9, "bdlow1_2.wav", 16384, false},
    {11, "chat1_1.wav", 2048, false},         {16, "ophat1.wav", 6144, false},
    {17, "strhi1.wav", 16384, true},          {18, "strfiltc41_2.wav", 32768, true},
    {19, "strhi2_1.wav", 65536, true},        {20, "snare16hz1.wav", 16384, false},
    {23, "snaresml7hz2.wav", 8192, false},    {25, "resqr262hzpmlimit1_2.w", 65536, true},
    {30, "bassplsldblow1.wav", 16384, false}, {31, "strsawres1.wav", 65536, true},
};

struct ModuleCase {
  const char* label;
  const uint8_t* image;
  uint32_t size;
  const char* title;
  const char* tracker;
  int channels, patterns, instruments, song_length, bpm;
  const SampleSpec* samples;
  int sample_count;
  const SynthPatch* patches;
  const uint32_t* offsets;
};

const ModuleCase modules[2] = {
    {"module one", module_one, module_one_size, "untitled", "FastTracker v2.00", 14, 19, 19, 17, 130,
     module1_samples, module1_patch_count, module1_patches, module1_sample_offsets},
    {"module two", module_two, module_two_size, nullptr, "*Converted  XM-File*", 12, 25, 31, 25, 146,
     module2_samples, module2_patch_count, module2_patches, module2_sample_offsets},
};

TEST(ModuleImage, HeaderAndSampleHeadersAreThoseTheDemoReliesOn) {
  for (const ModuleCase& c : modules) {
    SCOPED_TRACE(c.label);
    XmModule m = read_xm(c.image, c.size);
    ASSERT_EQ(m.error, "");
    EXPECT_EQ(m.end, c.size) << "bytes left over or missing at the end";
    EXPECT_EQ(m.id, "Extended Module: ");
    EXPECT_EQ(m.marker, 0x1A);
    if (c.title) {
      EXPECT_EQ(m.title, c.title);
    }
    EXPECT_EQ(m.tracker, c.tracker);
    EXPECT_EQ(m.version, 0x0104);
    EXPECT_EQ(m.header_size, 276u);
    EXPECT_EQ(m.song_length, c.song_length);
    EXPECT_EQ(m.restart, 0);
    EXPECT_EQ(m.channels, c.channels);
    EXPECT_EQ(m.pattern_count, c.patterns);
    EXPECT_EQ(m.instrument_count, c.instruments);
    EXPECT_EQ(m.tempo, 3);
    EXPECT_EQ(m.bpm, c.bpm);
    for (int o = 0; o < m.song_length; ++o) EXPECT_LT(m.order[o], m.pattern_count);

    int next = 0;
    for (int i = 0; i < m.instrument_count; ++i) {
      const XmInstrument& ins = m.instruments[size_t(i)];
      if (next == c.sample_count || c.samples[next].instrument != i + 1) {
        EXPECT_TRUE(ins.samples.empty()) << "instrument " << i + 1 << " should be empty";
        continue;
      }
      const SampleSpec& spec = c.samples[next];
      SCOPED_TRACE(spec.name);
      ASSERT_EQ(ins.samples.size(), 1u);
      const XmSample& s = ins.samples[0];
      EXPECT_EQ(ins.name, spec.name);
      EXPECT_EQ(s.name, spec.name);
      EXPECT_EQ(int(c.patches[next].master.length), spec.n);
      EXPECT_EQ(s.length, uint32_t(2 * spec.n + 2));
      EXPECT_EQ(s.volume, 64);
      EXPECT_EQ(s.finetune, 0);
      EXPECT_EQ(s.type, spec.looped ? 0x11 : 0x10);
      if (spec.looped) {
        // Whole 16-bit values, inside the synthesized part (not the guard word).
        EXPECT_GT(s.loop_length, 0u);
        EXPECT_EQ(s.loop_start % 2, 0u);
        EXPECT_EQ(s.loop_length % 2, 0u);
        EXPECT_LE(s.loop_start + s.loop_length, uint32_t(2 * spec.n));
      } else {
        EXPECT_EQ(s.loop_start, 0u);
        EXPECT_EQ(s.loop_length, 0u);
      }
      // The offset table points at the sample's data area, which is zero until patched and
      // ends exactly where the next header starts (or the file ends).
      EXPECT_EQ(c.offsets[next], s.data_offset);
      EXPECT_TRUE(std::all_of(c.image + s.data_offset, c.image + s.data_offset + s.length,
                              [](uint8_t b) { return b == 0; }));
      ++next;
    }
    EXPECT_EQ(next, c.sample_count);
  }
}

TEST(ModulePatches, FollowTheirFormat) {
  for (const ModuleCase& c : modules)
    for (int i = 0; i < c.sample_count; ++i) {
      const SynthPatch& p = c.patches[i];
      SCOPED_TRACE(c.samples[i].name);
      EXPECT_EQ(int(p.master.length) % 512, 0);
      EXPECT_LE(int(p.master.length), 65536);
      EXPECT_EQ(int(p.master.rate), 44100);
      EXPECT_EQ(int(p.master.output_level), 127);
      for (uint8_t b : p.unused_0) EXPECT_EQ(b, 0);
      // A routed modulator must be written by this patch before it is read (no leftovers).
      for (int v = 0; v < 8; ++v)
        for (int src = 9; src <= 16; ++src)
          for (const RoutingMask* mask :
               {&p.voices[v].pitch_sources, &p.voices[v].amplitude_sources, &p.voices[v].pulse_width_sources})
            if (p.voices[v].enabled == 1 && mask->select[src]) {
              const VoiceParams& from = p.voices[src - 9];
              EXPECT_TRUE(from.enabled != 1 || from.modulator == 1)
                  << "voice " << v << " reads audible voice";
              if (p.voices[v].modulator == 1) {
                EXPECT_LT(src - 9, v) << "modulator reads a later modulator";
              }
            }
    }
  // Module two carries copies of the two hats.
  EXPECT_EQ(std::memcmp(&module1_patches[3], &module2_patches[6], sizeof(SynthPatch)), 0);
  EXPECT_EQ(std::memcmp(&module1_patches[4], &module2_patches[7], sizeof(SynthPatch)), 0);

  // The bass drum is the documented example.
  const SynthPatch& kick = module1_patches[1];
  const VoiceParams& v = kick.voices[0];
  EXPECT_EQ(v.enabled, 1);
  EXPECT_EQ(v.modulator, 0);
  EXPECT_EQ(v.waveform, synth_wave_sine);
  EXPECT_EQ(int(v.frequency), 65);
  EXPECT_EQ(v.amplitude, 127);
  auto same = [](const RoutingMask& a, const RoutingMask& b) { return std::memcmp(&a, &b, sizeof a) == 0; };
  EXPECT_TRUE(same(v.pitch_sources, route(src_env(1), src_env(2), src_env(3), src_env(5))));
  EXPECT_TRUE(same(v.amplitude_sources, route(src_env(4))));
  const uint8_t envelopes[5][10] = {{1, 1, 0, 0, 0, 0, 50, 100, 50, 100},
                                    {1, 1, 0, 0, 0, 0, 50, 50, 50, 100},
                                    {1, 1, 0, 0, 0, 0, 50, 2, 100, 100},
                                    {1, 1, 0, 50, 0, 0, 50, 0, 100, 100},
                                    {1, 1, 0, 0, 0, 0, 50, 6, 50, 100}};
  for (int e = 0; e < 8; ++e) {
    uint8_t expected[10] = {};
    if (e < 5) std::memcpy(expected, envelopes[e], 10);
    EXPECT_EQ(std::memcmp(&kick.envelopes[e], expected, 10), 0) << "envelope " << e + 1;
  }
  for (int i = 1; i < 8; ++i) EXPECT_NE(kick.voices[i].enabled, 1);
  EXPECT_EQ(kick.filter_on, 0);
  EXPECT_EQ(int(kick.master.length), 8192);
  EXPECT_EQ(int(kick.master.drive_gain), 0);
  EXPECT_EQ(int(kick.master.fold_gain), 0);
  EXPECT_TRUE(same(kick.master.cutoff_sources, route(src_env(1))));
}

// Walks the song and checks every cue against it: the rows that must be played, the scenes'
// spans (no frozen picture between two scenes), the card flight's eight rows and the ends.
TEST(ModuleSong, ReachesEveryCueInOrder) {
  struct Walk {
    const char* label;
    const uint8_t* image;
    uint32_t size;
    const uint32_t* exact;
    size_t exact_count;
    const SceneSpan* scenes;
    size_t scene_count;
    const Accent* accents;
    size_t accent_count;
  } walks[2] = {{"module one", module_one, module_one_size, module1_exact, std::size(module1_exact),
                 module1_scenes, std::size(module1_scenes), module1_accents, std::size(module1_accents)},
                {"module two", module_two, module_two_size, module2_exact, std::size(module2_exact),
                 module2_scenes, std::size(module2_scenes), module2_accents, std::size(module2_accents)}};
  for (const Walk& w : walks) {
    SCOPED_TRACE(w.label);
    XmModule m = read_xm(w.image, w.size);
    ASSERT_EQ(m.error, "");
    std::vector<uint32_t> played = m.positions();
    ASSERT_FALSE(played.empty());
    // Positions only grow, so every "wait until" and "leave after" fires once, in order.
    EXPECT_TRUE(std::is_sorted(played.begin(), played.end()));
    for (size_t i = 0; i < w.exact_count; ++i)
      EXPECT_TRUE(std::binary_search(played.begin(), played.end(), w.exact[i]))
          << w.exact[i] << " (" << (w.exact[i] >> 8) << ":" << (w.exact[i] & 0xFF) << ") is never played";

    size_t index = 0;
    for (size_t k = 0; k < w.scene_count; ++k) {
      const SceneSpan& s = w.scenes[k];
      SCOPED_TRACE(s.name);
      size_t begin = index;
      while (begin < played.size() && played[begin] < s.start) ++begin;
      EXPECT_EQ(begin, index) << "the picture stands still for " << begin - index
                              << " rows before this scene";
      size_t end = begin;
      while (end < played.size() && played[end] <= s.last) ++end;
      ASSERT_GT(end, begin) << "the scene never runs";
      if (s.ends_on_wrap) {
        EXPECT_EQ(end, played.size()) << "the song goes on after the last scene";
        EXPECT_EQ(played.back(), s.last) << "the song must end (and wrap) where the scene does";
      }
      index = end;
    }
    EXPECT_EQ(index, played.size());

    // Every accent row starts at least one note.
    for (size_t a = 0; a < w.accent_count; ++a) {
      const uint32_t p = w.accents[a].position;
      bool note = false;
      for (int ch = 0; ch < m.channels; ++ch)
        note = note || (m.cell(p, ch).note >= 1 && m.cell(p, ch).note <= 96);
      EXPECT_TRUE(note) << "no note on the " << w.accents[a].what << " at " << p;
    }
  }
  // The card flight is a transition of exactly eight rows.
  XmModule one = read_xm(module_one, module_one_size);
  EXPECT_EQ(one.patterns[one.order[2]].rows, 64);
}

std::vector<uint8_t> patched(int module) {
  std::vector<uint8_t> one(module_one, module_one + module_one_size);
  std::vector<uint8_t> two(module_two, module_two + module_two_size);
  std::memset(source_buffer, 0, sizeof source_buffer);  // as at program start
  patch_module_samples(module1_sample_offsets, one.data(), module1_patches, module1_patch_count);
  patch_module_samples(module2_sample_offsets, two.data(), module2_patches, module2_patch_count);
  return module == 1 ? one : two;
}

TEST(ModulePatching, EverySampleAreaDecodesToItsSynthesizedSample) {
  // The reference: the same synthesis sequence, keeping each finished sample.
  std::memset(source_buffer, 0, sizeof source_buffer);
  std::vector<std::vector<int16_t>> expected;
  for (const ModuleCase& c : modules)
    for (int i = 0; i < c.sample_count; ++i) {
      synthesize_sample(c.patches[i]);
      expected.emplace_back(mix_buffer, mix_buffer + c.patches[i].master.length);
    }
  std::vector<uint8_t> images[2] = {patched(1), patched(2)};
  size_t k = 0;
  for (int mod = 0; mod < 2; ++mod)
    for (int i = 0; i < modules[mod].sample_count; ++i, ++k) {
      SCOPED_TRACE(modules[mod].samples[i].name);
      const uint8_t* area = images[mod].data() + modules[mod].offsets[i];
      const std::vector<int16_t>& s = expected[k];
      uint16_t sum = 0, last_delta = 0;
      size_t mismatches = 0;
      for (size_t j = 0; j < s.size(); ++j) {
        last_delta = uint16_t(area[2 * j] | area[2 * j + 1] << 8);
        sum = uint16_t(sum + last_delta);
        mismatches += int16_t(sum) != s[j];
      }
      EXPECT_EQ(mismatches, 0u);
      // The guard word repeats the last difference's high byte in both bytes.
      EXPECT_EQ(area[2 * s.size()], last_delta >> 8);
      EXPECT_EQ(area[2 * s.size() + 1], last_delta >> 8);
    }
  // Looped samples loop without a click: the values leading into the loop's end match those
  // leading into its start (the steady tails repeat after whole periods).
  k = 0;
  for (int mod = 0; mod < 2; ++mod) {
    XmModule m = read_xm(modules[mod].image, modules[mod].size);
    for (int i = 0; i < modules[mod].sample_count; ++i, ++k) {
      const XmSample& smp = m.instruments[size_t(modules[mod].samples[i].instrument - 1)].samples.at(0);
      if (!smp.loop_length) continue;
      SCOPED_TRACE(modules[mod].samples[i].name);
      const std::vector<int16_t>& s = expected[k];
      const size_t start = smp.loop_start / 2, end = start + smp.loop_length / 2;
      ASSERT_GE(start, 32u);
      double seam = 0, level = 0;
      for (size_t j = 1; j <= 32; ++j) seam += std::pow(double(s[end - j]) - s[start - j], 2);
      for (size_t j = start; j < end; ++j) level += double(s[j]) * s[j];
      EXPECT_LT(std::sqrt(seam / 32), 0.02 * std::sqrt(level / double(end - start)));
    }
  }
  // Outside the sample areas nothing changed.
  for (int mod = 0; mod < 2; ++mod) {
    const ModuleCase& c = modules[mod];
    std::vector<uint8_t> copy = images[mod];
    for (int i = 0; i < c.sample_count; ++i)
      std::memset(copy.data() + c.offsets[i], 0, 2 * size_t(c.patches[i].master.length) + 2);
    EXPECT_EQ(std::memcmp(copy.data(), c.image, c.size), 0) << c.label;
  }
}

TEST(ModulePatching, DeltaEncodingEdgeCases) {
  // Silence: no voice at all gives 2n + 2 zero bytes.
  SynthPatch silent{};
  silent.master = {.length = 1024, .rate = 44100, .output_level = 127};
  std::vector<uint8_t> area(2 * 1024 + 2 + 4, 0xAB);
  uint32_t offset = 2;
  patch_module_samples(&offset, area.data(), &silent, 1);
  EXPECT_TRUE(std::all_of(area.begin() + 2, area.begin() + 2 + 2050, [](uint8_t b) { return b == 0; }));
  EXPECT_EQ(area[0], 0xAB);
  EXPECT_EQ(area[2052], 0xAB);

  // A constant sample: sample-and-hold noise that draws once and holds (1 Hz over 1024 samples)
  // encodes as the value and then zero differences; the guard word is 0.
  SynthPatch held{};
  held.voices[0] = {.enabled = 1, .waveform = synth_wave_noise, .frequency = 1, .amplitude = 100};
  held.master = {.length = 1024, .rate = 44100, .output_level = 128};
  synthesize_sample(held);
  const int16_t c = mix_buffer[0];
  ASSERT_NE(c, 0);
  patch_module_samples(&offset, area.data(), &held, 1);
  EXPECT_EQ(int16_t(area[2] | area[3] << 8), c);
  EXPECT_TRUE(std::all_of(area.begin() + 4, area.begin() + 2 + 2050, [](uint8_t b) { return b == 0; }));
}

TEST(ModulePlayers, LibopenmptLoadsBothFinishedModulesWithoutComplaint) {
  for (int mod = 1; mod <= 2; ++mod) {
    const ModuleCase& c = modules[mod - 1];
    SCOPED_TRACE(c.label);
    std::vector<uint8_t> image = patched(mod);
    std::ostringstream log;
    openmpt::module player(image, log);
    EXPECT_EQ(log.str(), "");
    EXPECT_EQ(player.get_num_channels(), c.channels);
    EXPECT_EQ(player.get_num_patterns(), c.patterns);
    EXPECT_EQ(player.get_num_instruments(), c.instruments);
    EXPECT_EQ(player.get_num_samples(), c.sample_count);
    EXPECT_EQ(player.get_num_orders(), c.song_length);
    EXPECT_EQ(player.get_metadata("type"), "xm");
    EXPECT_GT(player.get_duration_seconds(), 100.0);
  }
}

TEST(ModulePlayers, LibxmpLoadsBothFinishedModulesWithoutComplaint) {
  if (std::system("command -v xmp > /dev/null 2>&1") != 0) GTEST_SKIP() << "xmp is not installed";
  auto dir = std::filesystem::temp_directory_path() / ("talvex_music_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  for (int mod = 1; mod <= 2; ++mod) {
    const ModuleCase& c = modules[mod - 1];
    SCOPED_TRACE(c.label);
    std::vector<uint8_t> image = patched(mod);
    auto path = dir / ("module" + std::to_string(mod) + ".xm");
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), std::streamsize(image.size()));
    std::string command = "xmp --load-only -v --norc '" + path.string() + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
    EXPECT_EQ(pclose(pipe), 0) << out;
    std::string lower = out;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char ch) { return std::tolower(ch); });
    EXPECT_EQ(lower.find("warning"), std::string::npos) << out;
    EXPECT_EQ(lower.find("error"), std::string::npos) << out;
    EXPECT_NE(out.find("Module length: " + std::to_string(c.song_length) + " patterns"), std::string::npos)
        << out;
    EXPECT_NE(out.find("Channels     : " + std::to_string(c.channels)), std::string::npos) << out;
    EXPECT_NE(out.find("Instruments  : " + std::to_string(c.instruments)), std::string::npos) << out;
    EXPECT_NE(out.find("Samples      : " + std::to_string(c.sample_count)), std::string::npos) << out;
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
