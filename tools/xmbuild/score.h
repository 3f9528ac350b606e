// Music scores in a small text form, and the song they describe.
//
// A score names the module's header values and instruments, defines clips (short runs of rows for
// one channel) and builds each pattern by laying clips onto its channels. See data/music/README.md.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct ScoreCell {
  uint8_t note = 0;  // 1..96, 97 = key off, 0 = none
  uint8_t instrument = 0;
  uint8_t volume = 0;  // XM volume column byte (0x10..0x50 sets the volume)
  uint8_t effect = 0;
  uint8_t param = 0;
  bool empty() const { return !note && !instrument && !volume && !effect && !param; }
};

struct ScoreInstrument {
  std::string name;
  bool has_sample = false;
  uint32_t samples = 0;                      // synthesized length n; the sample area holds 2n + 2 bytes
  uint32_t loop_start = 0, loop_length = 0;  // in samples; length 0 = no loop
  uint8_t panning = 128;
  int8_t relative_note = 0;
};

struct ScorePattern {
  int rows = 0;
  std::vector<ScoreCell> cells;  // rows * channels, row-major
};

struct Score {
  std::string title, tracker;
  int channels = 0, speed = 6, bpm = 125, restart = 0;
  std::vector<ScoreInstrument> instruments;  // index = instrument number - 1
  std::vector<ScorePattern> patterns;
  std::vector<uint8_t> order;
};

// Parses a score; on error returns false and sets error to "line N: what is wrong".
bool parse_score(const std::string& text, Score& score, std::string& error);

// The XM 0x0104 image of a score with zeroed sample areas, and where each sample area starts.
struct XmImage {
  std::vector<uint8_t> bytes;
  std::vector<uint32_t> sample_offsets;  // one per instrument sample, in instrument order
};
XmImage write_xm(const Score& score);
