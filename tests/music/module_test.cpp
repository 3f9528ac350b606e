// The two module images: their XM structure, the sample areas the patcher fills, the song
// positions the demo waits for, and that real players load them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <libopenmpt/libopenmpt.hpp>
#include <set>
#include <span>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "data/modules.h"
#include "synth/patch_builder.h"
#include "synth/patcher.h"
#include "tests/music/xm_reader.h"
#include "tests/synth/example_patches.h"
#include "tools/xmbuild/cues.h"
#include "tools/xmbuild/measure.h"

namespace {

struct ModuleCase {
  const char* label;
  const uint8_t* image;
  uint32_t size;
  const char* tracker;
  int patch_count;
  const SynthPatch* patches;
  const uint32_t* offsets;
  std::span<const uint32_t> exact;  // rows the timeline waits for
  std::span<const SceneSpan> scenes;
  std::span<const Accent> accents;
  std::span<const Groove> grooves;
};

const ModuleCase modules[2] = {
    {"module one", module_one, module_one_size, "FastTracker v2.00", module1_patch_count, module1_patches,
     module1_sample_offsets, module1_exact, module1_scenes, module1_accents, module1_grooves},
    {"module two", module_two, module_two_size, "*Converted  XM-File*", module2_patch_count, module2_patches,
     module2_sample_offsets, module2_exact, module2_scenes, module2_accents, module2_grooves},
};

// The samples in file order: patch i fills the i-th of them.
std::vector<const XmSample*> samples_of(const XmModule& m) {
  std::vector<const XmSample*> list;
  for (const XmInstrument& ins : m.instruments)
    for (const XmSample& s : ins.samples) list.push_back(&s);
  return list;
}

// Both images with their samples synthesized, as at program start.
std::vector<uint8_t> patched(int module) {
  std::vector<uint8_t> one(module_one, module_one + module_one_size);
  std::vector<uint8_t> two(module_two, module_two + module_two_size);
  std::memset(source_buffer, 0, sizeof source_buffer);
  patch_module_samples(module1_sample_offsets, one.data(), module1_patches, module1_patch_count);
  patch_module_samples(module2_sample_offsets, two.data(), module2_patches, module2_patch_count);
  return module == 1 ? one : two;
}

TEST(ModuleImage, HeaderAndSampleHeadersAreThoseTheDemoReliesOn) {
  for (const ModuleCase& c : modules) {
    SCOPED_TRACE(c.label);
    XmModule m = read_xm(c.image, c.size);
    ASSERT_EQ(m.error, "");
    EXPECT_EQ(m.end, c.size) << "bytes left over or missing at the end";
    EXPECT_EQ(std::tie(m.id, m.marker, m.tracker, m.version, m.header_size, m.restart, m.tempo),
              std::make_tuple("Extended Module: ", 0x1A, c.tracker, 0x0104, 276u, 0, 3));
    for (int o = 0; o < m.song_length; ++o) EXPECT_LT(m.order[o], m.pattern_count);
    for (const XmInstrument& ins : m.instruments) EXPECT_LE(ins.samples.size(), 1u) << ins.name;
    const std::vector<const XmSample*> samples = samples_of(m);
    ASSERT_EQ(samples.size(), size_t(c.patch_count));
    for (size_t i = 0; i < samples.size(); ++i) {
      const XmSample& s = *samples[i];
      const uint32_t n = uint32_t(c.patches[i].master.length);
      SCOPED_TRACE(s.name);
      // 2n + 2 bytes: the samples' differences and a guard word.
      EXPECT_EQ(std::tie(s.length, s.volume, s.finetune), std::make_tuple(2 * n + 2, 64, 0));
      EXPECT_EQ(s.type, s.loop_length ? 0x11 : 0x10);
      if (s.loop_length) {  // whole 16-bit values, inside the synthesized part (not the guard word)
        EXPECT_TRUE(s.loop_start % 2 == 0 && s.loop_length % 2 == 0);
        EXPECT_LE(s.loop_start + s.loop_length, 2 * n);
      } else {
        EXPECT_EQ(s.loop_start, 0u);
      }
      // The offset table points at the sample's data area, which is zero until patched and ends
      // exactly where the next header starts (or the file ends).
      EXPECT_EQ(c.offsets[i], s.data_offset);
      EXPECT_TRUE(std::all_of(c.image + s.data_offset, c.image + s.data_offset + s.length,
                              [](uint8_t b) { return b == 0; }));
    }
  }
}

TEST(ModulePatches, FollowTheirFormatAndTheKickIsTheDocumentedOne) {
  for (const ModuleCase& c : modules)
    for (int i = 0; i < c.patch_count; ++i) {
      const SynthPatch& p = c.patches[i];
      SCOPED_TRACE(i);
      EXPECT_TRUE(p.master.length % 512 == 0 && p.master.length <= 65536);
      EXPECT_EQ(std::make_tuple(int(p.master.rate), int(p.master.output_level)), std::make_tuple(44100, 127));
      EXPECT_TRUE(std::all_of(std::begin(p.unused_0), std::end(p.unused_0), [](uint8_t b) { return !b; }));
      // A routed modulator must be written by this patch before it is read (no leftovers).
      for (int v = 0; v < 8; ++v)
        for (int src = 9; src <= 16; ++src)
          for (const RoutingMask* mask :
               {&p.voices[v].pitch_sources, &p.voices[v].amplitude_sources, &p.voices[v].pulse_width_sources})
            if (p.voices[v].enabled == 1 && mask->select[src]) {
              const VoiceParams& from = p.voices[src - 9];
              EXPECT_TRUE(from.enabled != 1 || from.modulator == 1)
                  << "voice " << v << " reads audible voice";
              EXPECT_TRUE(p.voices[v].modulator != 1 || src - 9 < v) << "modulator reads a later modulator";
            }
    }
  // Module two carries copies of the two hats; the kick is the sine kick of the synth tests.
  EXPECT_EQ(std::memcmp(&module1_patches[3], &module2_patches[6], sizeof(SynthPatch)), 0);
  EXPECT_EQ(std::memcmp(&module1_patches[4], &module2_patches[7], sizeof(SynthPatch)), 0);
  EXPECT_EQ(std::memcmp(&module1_patches[1], &bdsine1_6, sizeof(SynthPatch)), 0);
}

// Walks the song and checks every cue against it: the rows that must be played, the scenes' spans
// (no frozen picture between two scenes), the accents and the ends.
TEST(ModuleSong, ReachesEveryCueInOrder) {
  for (const ModuleCase& c : modules) {
    SCOPED_TRACE(c.label);
    XmModule m = read_xm(c.image, c.size);
    ASSERT_EQ(m.error, "");
    std::vector<uint32_t> played = m.positions();
    // Positions only grow, so every "wait until" and "leave after" fires once, in order.
    ASSERT_TRUE(!played.empty() && std::is_sorted(played.begin(), played.end()));
    for (uint32_t row : c.exact)
      EXPECT_TRUE(std::binary_search(played.begin(), played.end(), row))
          << row << " (" << (row >> 8) << ":" << (row & 0xFF) << ") is never played";

    size_t index = 0;
    for (const SceneSpan& s : c.scenes) {
      SCOPED_TRACE(s.name);
      size_t begin = index;
      while (begin < played.size() && played[begin] < s.start) ++begin;
      EXPECT_EQ(begin, index) << "the picture stands still for " << begin - index
                              << " rows before this scene";
      size_t end = begin;
      while (end < played.size() && played[end] <= s.last) ++end;
      ASSERT_GT(end, begin) << "the scene never runs";
      if (s.ends_on_wrap) {  // the song must end (and wrap) where the last scene does
        EXPECT_TRUE(end == played.size() && played.back() == s.last);
      }
      index = end;
    }
    EXPECT_EQ(index, played.size());

    for (const Accent& a : c.accents) {
      bool note = false;
      for (int ch = 0; ch < m.channels; ++ch)
        note |= m.cell(a.position, ch).note >= 1 && m.cell(a.position, ch).note <= 96;
      EXPECT_TRUE(note) << "no note on the " << a.what << " at " << a.position;
    }
  }
  // The card flight is a transition of exactly eight rows.
  XmModule one = read_xm(module_one, module_one_size);
  EXPECT_EQ(one.patterns[one.order[2]].rows, 64);
}

// Measured as a listener hears them, through the player at the demo's volume: loud enough, no
// clipping even at full volume, a bass line that small speakers can play, stereo width, no holes,
// and every accent still standing out.
TEST(ModuleListening, LoudnessPeakBassStereoSilenceAndAccentsStayWithinLimits) {
  for (int mod = 1; mod <= 2; ++mod) {
    const ModuleCase& c = modules[mod - 1];
    SCOPED_TRACE(c.label);
    const music_measure::Rendered r = music_measure::render(patched(mod));
    std::vector<std::pair<uint32_t, uint32_t>> grooves;
    for (const Groove& g : c.grooves) grooves.emplace_back(g.first, g.last);
    const music_measure::Figures f = music_measure::measure(r, grooves);
    EXPECT_TRUE(f.loudness >= -15 && f.loudness <= -13) << f.loudness << " LUFS";
    EXPECT_LE(f.true_peak, -1.0) << "dBTP";
    EXPECT_LT(f.peak_full, -0.1) << "dBFS at volume 100";
    EXPECT_GE(f.bass_share, 1.0 / 3);
    EXPECT_GE(f.side_db, -12.0);
    EXPECT_LE(f.longest_silence, 0.05) << "s";

    std::vector<uint32_t> positions;
    for (const Accent& a : c.accents) positions.push_back(a.position);
    const std::vector<music_measure::Onset> onsets = music_measure::accent_onsets(r, positions);
    for (size_t a = 0; a < positions.size(); ++a)
      EXPECT_TRUE(onsets[a].played && onsets[a].rank >= 0.8)
          << c.accents[a].what << " at " << positions[a] << ": louder than " << 100 * onsets[a].rank
          << "% of the rows";
  }
}

// The drums develop: at least four different bars on the drum channels (1-4), and at least one
// whole bar without kick and snare between the first and the last bar that has them (a break).
TEST(ModuleSong, DrumsDevelopAndBreak) {
  for (const ModuleCase& c : modules) {
    SCOPED_TRACE(c.label);
    XmModule m = read_xm(c.image, c.size);
    std::set<std::string> distinct;  // drum cells of the whole bars with kick or snare
    std::vector<bool> beat;          // whether that bar has a kick or a snare
    for (int o = 0; o < m.song_length; ++o)
      for (int bar = 0; bar + 32 <= m.patterns[m.order[o]].rows; bar += 32) {
        std::string cells;
        bool kick_or_snare = false;
        for (int r = bar; r < bar + 32; ++r)
          for (int ch = 0; ch < 4; ++ch) {
            const XmNote& n = m.cell(uint32_t(o) << 8 | uint32_t(r), ch);
            cells += {char(n.note), char(n.instrument), char(n.volume)};
            kick_or_snare |= ch < 2 && n.note >= 1 && n.note <= 96;
          }
        if (kick_or_snare) distinct.insert(cells);
        beat.push_back(kick_or_snare);
      }
    EXPECT_GE(distinct.size(), 4u);
    auto first = std::find(beat.begin(), beat.end(), true);
    auto last = std::find(beat.rbegin(), beat.rend(), true).base();
    EXPECT_NE(std::find(first, last, false), last) << "no break inside the song";
  }
}

TEST(ModulePatching, EverySampleAreaDecodesToItsSynthesizedSampleAndLoopsWithoutAClick) {
  std::vector<uint8_t> images[2] = {patched(1), patched(2)};
  std::memset(source_buffer, 0, sizeof source_buffer);  // the same synthesis sequence again
  for (int mod = 0; mod < 2; ++mod) {
    const ModuleCase& c = modules[mod];
    XmModule m = read_xm(c.image, c.size);
    std::vector<uint8_t> untouched = images[mod];
    const std::vector<const XmSample*> samples = samples_of(m);
    for (size_t i = 0; i < samples.size(); ++i) {
      SCOPED_TRACE(samples[i]->name);
      synthesize_sample(c.patches[i]);
      const std::vector<int16_t> s(mix_buffer, mix_buffer + c.patches[i].master.length);
      const uint8_t* area = images[mod].data() + c.offsets[i];
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
      std::memset(untouched.data() + c.offsets[i], 0, 2 * s.size() + 2);

      // Looped samples loop without a click: the values leading into the loop's end match those
      // leading into its start (the steady tails repeat after whole periods).
      const XmSample& smp = *samples[i];
      if (!smp.loop_length) continue;
      const size_t start = smp.loop_start / 2, end = start + smp.loop_length / 2;
      ASSERT_GE(start, 32u);
      double seam = 0, level = 0;
      for (size_t j = 1; j <= 32; ++j) seam += std::pow(double(s[end - j]) - s[start - j], 2);
      for (size_t j = start; j < end; ++j) level += double(s[j]) * s[j];
      EXPECT_LT(std::sqrt(seam / 32), 0.02 * std::sqrt(level / double(end - start)));
    }
    EXPECT_EQ(std::memcmp(untouched.data(), c.image, c.size), 0) << "changed outside the sample areas";
  }
}

TEST(ModulePatching, DeltaEncodingEdgeCases) {
  // Silence: no voice at all gives 2n + 2 zero bytes, and nothing either side is touched.
  SynthPatch silent{};
  silent.master = {.length = 1024, .rate = 44100, .output_level = 127};
  std::vector<uint8_t> area(2 * 1024 + 2 + 4, 0xAB);
  uint32_t offset = 2;
  patch_module_samples(&offset, area.data(), &silent, 1);
  auto zero_from = [&](int first) {
    return std::all_of(area.begin() + first, area.end() - 2, [](uint8_t b) { return !b; });
  };
  EXPECT_TRUE(zero_from(2));
  EXPECT_TRUE(area[0] == 0xAB && area[1] == 0xAB && area[2052] == 0xAB && area[2053] == 0xAB);

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
  EXPECT_TRUE(zero_from(4));
}

// Both players load the finished images without a warning (their counts are the header's).
TEST(ModulePlayers, LibopenmptAndXmpLoadBothFinishedModulesWithoutComplaint) {
  const bool have_xmp = std::system("command -v xmp > /dev/null 2>&1") == 0;
  auto path = std::filesystem::temp_directory_path() / ("talvex_music_" + std::to_string(::getpid()) + ".xm");
  for (int mod = 1; mod <= 2; ++mod) {
    SCOPED_TRACE(mod);
    std::vector<uint8_t> image = patched(mod);
    std::ostringstream log;
    openmpt::module player(image, log);
    EXPECT_EQ(log.str(), "");
    EXPECT_EQ(player.get_metadata("type"), "xm");
    EXPECT_GT(player.get_duration_seconds(), 100.0);
    if (!have_xmp) continue;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), std::streamsize(image.size()));
    FILE* pipe = popen(("xmp --load-only -v --norc '" + path.string() + "' 2>&1").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out, lower;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
    EXPECT_EQ(pclose(pipe), 0) << out;
    for (char ch : out) lower += char(std::tolower(static_cast<unsigned char>(ch)));
    EXPECT_TRUE(lower.find("warning") == std::string::npos && lower.find("error") == std::string::npos)
        << out;
    EXPECT_NE(out.find("Samples      : " + std::to_string(modules[mod - 1].patch_count)), std::string::npos)
        << out;
  }
  std::filesystem::remove(path);
  if (!have_xmp) GTEST_SKIP() << "xmp is not installed";
}

}  // namespace
