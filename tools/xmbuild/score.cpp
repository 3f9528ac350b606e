#include "tools/xmbuild/score.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>

namespace {

struct Clip {
  int step = 1;
  std::vector<ScoreCell> cells;  // one per step
};

struct ParseError {
  std::string what;
};

[[noreturn]] void fail(const std::string& what) { throw ParseError{what}; }

std::vector<std::string> split_words(const std::string& line) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
    if (i >= line.size() || line[i] == '#') break;
    size_t start = i;
    if (line[i] == '"') {
      size_t end = line.find('"', i + 1);
      if (end == std::string::npos) fail("unterminated string");
      words.push_back(line.substr(i, end + 1 - i));
      i = end + 1;
      continue;
    }
    while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) ++i;
    words.push_back(line.substr(start, i - start));
  }
  return words;
}

long to_int(const std::string& s, long lo, long hi, int base = 10) {
  char* end = nullptr;
  long v = std::strtol(s.c_str(), &end, base);
  if (s.empty() || *end) fail("'" + s + "' is not a number");
  if (v < lo || v > hi) fail("'" + s + "' is out of range " + std::to_string(lo) + ".." + std::to_string(hi));
  return v;
}

std::string unquote(const std::string& s, size_t max_length) {
  if (s.size() < 2 || s.front() != '"' || s.back() != '"') fail("expected a quoted name, got " + s);
  std::string text = s.substr(1, s.size() - 2);
  if (text.size() > max_length) fail("name \"" + text + "\" is longer than " + std::to_string(max_length));
  return text;
}

// key=value options after the positional words.
std::map<std::string, std::string> options(const std::vector<std::string>& words, size_t first) {
  std::map<std::string, std::string> opts;
  for (size_t i = first; i < words.size(); ++i) {
    size_t eq = words[i].find('=');
    if (eq == std::string::npos) fail("expected key=value, got " + words[i]);
    opts[words[i].substr(0, eq)] = words[i].substr(eq + 1);
  }
  return opts;
}

// Note names as trackers print them: C-4, C#4 ... B-7; "==" is key off.
int parse_note(const std::string& s) {
  static const char* names[12] = {"C-", "C#", "D-", "D#", "E-", "F-", "F#", "G-", "G#", "A-", "A#", "B-"};
  for (int k = 0; k < 12; ++k)
    if (s.compare(0, 2, names[k]) == 0 && s.size() == 3 && s[2] >= '0' && s[2] <= '7')
      return 1 + k + 12 * (s[2] - '0');
  fail("bad note " + s);
}

// One clip step: [note][iNN][vHH][xEPP], or "." for nothing.
ScoreCell parse_cell(const std::string& token, int default_instrument) {
  ScoreCell cell;
  if (token == ".") return cell;
  size_t i = 0;
  if (token.compare(0, 2, "==") == 0) {
    cell.note = 97;
    i = 2;
  } else if (token.size() >= 3 && std::strchr("CDEFGAB", token[0]) && (token[1] == '-' || token[1] == '#')) {
    cell.note = static_cast<uint8_t>(parse_note(token.substr(0, 3)));
    cell.instrument = static_cast<uint8_t>(default_instrument);
    i = 3;
  }
  while (i < token.size()) {
    char key = token[i];
    if (key == 'i' && i + 3 <= token.size()) {
      cell.instrument = static_cast<uint8_t>(to_int(token.substr(i + 1, 2), 1, 99));
      i += 3;
    } else if (key == 'v' && i + 3 <= token.size()) {
      cell.volume = static_cast<uint8_t>(0x10 + to_int(token.substr(i + 1, 2), 0, 0x40, 16));
      i += 3;
    } else if (key == 'x' && i + 4 <= token.size()) {
      char e = token[i + 1];
      if (e >= '0' && e <= '9')
        cell.effect = static_cast<uint8_t>(e - '0');
      else if (e >= 'A' && e <= 'Z')
        cell.effect = static_cast<uint8_t>(10 + e - 'A');
      else
        fail("bad effect in " + token);
      cell.param = static_cast<uint8_t>(to_int(token.substr(i + 2, 2), 0, 255, 16));
      i += 4;
    } else {
      fail("cannot read step '" + token + "'");
    }
  }
  return cell;
}

ScoreCell transposed(ScoreCell cell, int semitones) {
  if (cell.note >= 1 && cell.note <= 96) {
    int n = cell.note + semitones;
    if (n < 1 || n > 96) fail("transposed note out of range");
    cell.note = static_cast<uint8_t>(n);
  }
  return cell;
}

class Parser {
 public:
  explicit Parser(Score& s) : score(s) {}

  void line(const std::vector<std::string>& w) {
    const std::string& key = w[0];
    if (clip_name.size()) return clip_line(w);
    if (pattern_index >= 0) return pattern_line(w);
    if (key == "module")
      need(w, 2), score.title = unquote(w[1], 20);
    else if (key == "tracker")
      need(w, 2), score.tracker = unquote(w[1], 20);
    else if (key == "channels")
      need(w, 2), score.channels = static_cast<int>(to_int(w[1], 2, 32));
    else if (key == "speed")
      need(w, 2), score.speed = static_cast<int>(to_int(w[1], 1, 31));
    else if (key == "bpm")
      need(w, 2), score.bpm = static_cast<int>(to_int(w[1], 32, 255));
    else if (key == "restart")
      need(w, 2), score.restart = static_cast<int>(to_int(w[1], 0, 255));
    else if (key == "instruments")
      need(w, 2), score.instruments.resize(to_int(w[1], 1, 128));
    else if (key == "patterns")
      need(w, 2), score.patterns.resize(to_int(w[1], 1, 256));
    else if (key == "instrument")
      instrument(w);
    else if (key == "clip")
      begin_clip(w);
    else if (key == "pattern")
      begin_pattern(w);
    else if (key == "order") {
      for (size_t i = 1; i < w.size(); ++i) score.order.push_back(static_cast<uint8_t>(to_int(w[i], 0, 255)));
    } else
      fail("unknown statement '" + key + "'");
  }

  void finish() {
    if (clip_name.size()) fail("clip " + clip_name + " has no end");
    if (pattern_index >= 0) fail("pattern " + std::to_string(pattern_index) + " has no end");
    if (!score.channels) fail("no channels given");
    if (score.order.empty() || score.order.size() > 256) fail("the order list needs 1..256 entries");
    for (uint8_t p : score.order)
      if (p >= score.patterns.size() || !score.patterns[p].rows)
        fail("order names pattern " + std::to_string(p) + ", which is not defined");
    for (size_t p = 0; p < score.patterns.size(); ++p)
      if (!score.patterns[p].rows) fail("pattern " + std::to_string(p) + " is not defined");
    if (score.restart >= static_cast<int>(score.order.size())) fail("restart lies beyond the order list");
  }

 private:
  static void need(const std::vector<std::string>& w, size_t n) {
    if (w.size() != n) fail("'" + w[0] + "' takes " + std::to_string(n - 1) + " value(s)");
  }

  void instrument(const std::vector<std::string>& w) {
    if (w.size() < 3) fail("instrument NUMBER \"name\" [samples] [options]");
    long number = to_int(w[1], 1, static_cast<long>(score.instruments.size()));
    ScoreInstrument& ins = score.instruments[number - 1];
    ins.name = unquote(w[2], 22);
    size_t first_option = 3;
    if (w.size() > 3 && w[3].find('=') == std::string::npos) {
      ins.has_sample = true;
      ins.samples = static_cast<uint32_t>(to_int(w[3], 1, 65536));
      first_option = 4;
    }
    for (auto& [k, v] : options(w, first_option)) {
      if (!ins.has_sample) fail("instrument without a sample takes no options");
      if (k == "pan")
        ins.panning = static_cast<uint8_t>(to_int(v, 0, 255));
      else if (k == "rel")
        ins.relative_note = static_cast<int8_t>(to_int(v, -96, 95));
      else if (k == "loop") {
        size_t plus = v.find('+');
        if (plus == std::string::npos) fail("loop=START+LENGTH");
        ins.loop_start = static_cast<uint32_t>(to_int(v.substr(0, plus), 0, 65535));
        ins.loop_length = static_cast<uint32_t>(to_int(v.substr(plus + 1), 1, 65536));
        if (ins.loop_start + ins.loop_length > ins.samples) fail("loop runs past the sample's end");
      } else
        fail("unknown instrument option " + k);
    }
  }

  void begin_clip(const std::vector<std::string>& w) {
    if (w.size() < 2) fail("clip NAME [ins=N] [step=S]");
    if (clips.count(w[1])) fail("clip " + w[1] + " is defined twice");
    clip_name = w[1];
    clip = Clip{};
    clip_instrument = 0;
    for (auto& [k, v] : options(w, 2)) {
      if (k == "ins")
        clip_instrument = static_cast<int>(to_int(v, 1, static_cast<long>(score.instruments.size())));
      else if (k == "step")
        clip.step = static_cast<int>(to_int(v, 1, 256));
      else
        fail("unknown clip option " + k);
    }
  }

  void clip_line(const std::vector<std::string>& w) {
    if (w[0] == "end" && w.size() == 1) {
      if (clip.cells.empty()) fail("clip " + clip_name + " is empty");
      clips[clip_name] = clip;
      clip_name.clear();
      return;
    }
    for (const std::string& token : w) {
      ScoreCell cell = parse_cell(token, clip_instrument);
      if (cell.instrument && !score.instruments[cell.instrument - 1].has_sample)
        fail("instrument " + std::to_string(cell.instrument) + " has no sample");
      clip.cells.push_back(cell);
    }
  }

  void begin_pattern(const std::vector<std::string>& w) {
    if (w.size() != 3 || w[2].compare(0, 5, "rows=") != 0) fail("pattern NUMBER rows=R");
    pattern_index = static_cast<int>(to_int(w[1], 0, static_cast<long>(score.patterns.size()) - 1));
    ScorePattern& p = score.patterns[pattern_index];
    if (p.rows) fail("pattern " + w[1] + " is defined twice");
    if (!score.channels) fail("channels must come before the patterns");
    p.rows = static_cast<int>(to_int(w[2].substr(5), 1, 256));
    p.cells.assign(static_cast<size_t>(p.rows) * score.channels, ScoreCell{});
  }

  // "C: item item ..." lays clips onto channel C. An item is a clip's name with optional
  // modifiers: +T / -T (transposed by T semitones), *K (repeated K times), %HH (every note at
  // volume HH), :N (every note played by instrument N), ~HH (every note without an effect of its
  // own also sets the channel's panning to HH, effect 8). @ROW jumps to a row, _N skips N rows.
  // A clip's trailing empty steps may hang over the pattern's end.
  void pattern_line(const std::vector<std::string>& w) {
    ScorePattern& p = score.patterns[pattern_index];
    if (w[0] == "end" && w.size() == 1) {
      pattern_index = -1;
      return;
    }
    if (w[0].back() != ':') fail("expected 'CHANNEL:' or 'end'");
    int channel = static_cast<int>(to_int(w[0].substr(0, w[0].size() - 1), 1, score.channels)) - 1;
    int row = 0;
    for (size_t i = 1; i < w.size(); ++i) {
      std::string item = w[i];
      if (item[0] == '@') {
        row = static_cast<int>(to_int(item.substr(1), 0, p.rows - 1));
        continue;
      }
      if (item[0] == '_') {
        row += static_cast<int>(to_int(item.substr(1), 1, 256));
        continue;
      }
      // NAME followed by modifiers in any order: +T / -T, *K, %HH, :N.
      int repeat = 1, shift = 0, volume = -1, instrument = 0, panning = -1;
      size_t cut = item.find_first_of("+-*%:~", 1);
      for (size_t at = cut; at != std::string::npos;) {
        size_t next = item.find_first_of("+-*%:~", at + 1);
        std::string value =
            item.substr(at + 1, next == std::string::npos ? std::string::npos : next - at - 1);
        switch (item[at]) {
          case '+':
            shift = static_cast<int>(to_int(value, 0, 48));
            break;
          case '-':
            shift = -static_cast<int>(to_int(value, 0, 48));
            break;
          case '*':
            repeat = static_cast<int>(to_int(value, 1, 256));
            break;
          case '%':
            volume = static_cast<int>(to_int(value, 0, 0x40, 16));
            break;
          case '~':
            panning = static_cast<int>(to_int(value, 0, 0xFF, 16));
            break;
          default:
            instrument = static_cast<int>(to_int(value, 1, static_cast<long>(score.instruments.size())));
            if (!score.instruments[instrument - 1].has_sample) fail("instrument " + value + " has no sample");
        }
        at = next;
      }
      if (cut != std::string::npos) item.resize(cut);
      auto found = clips.find(item);
      if (found == clips.end()) fail("unknown clip " + item);
      const Clip& c = found->second;
      for (int r = 0; r < repeat; ++r)
        for (ScoreCell cell : c.cells) {
          if (!cell.empty()) {
            if (row >= p.rows) fail("clip " + item + " runs past row " + std::to_string(p.rows - 1));
            bool sounding = cell.note && cell.note != 97;
            if (sounding && instrument) cell.instrument = static_cast<uint8_t>(instrument);
            if (sounding && !cell.instrument) fail("clip " + item + " plays a note without an instrument");
            if (volume >= 0 && sounding) cell.volume = static_cast<uint8_t>(0x10 + volume);
            if (panning >= 0 && sounding && !cell.effect && !cell.param)
              cell.effect = 8, cell.param = static_cast<uint8_t>(panning);
            p.cells[static_cast<size_t>(row) * score.channels + channel] = transposed(cell, shift);
          }
          row += c.step;
        }
    }
  }

  Score& score;
  std::map<std::string, Clip> clips;
  std::string clip_name;
  Clip clip;
  int clip_instrument = 0;
  int pattern_index = -1;
};

}  // namespace

bool parse_score(const std::string& text, Score& score, std::string& error) {
  score = Score{};
  Parser parser(score);
  std::istringstream in(text);
  std::string line;
  int number = 0;
  try {
    while (std::getline(in, line)) {
      ++number;
      std::vector<std::string> words = split_words(line);
      if (!words.empty()) parser.line(words);
    }
    ++number;
    parser.finish();
  } catch (const ParseError& e) {
    error = "line " + std::to_string(number) + ": " + e.what;
    return false;
  }
  return true;
}
