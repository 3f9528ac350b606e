// A small, strict reader of the XM images for the tests: every field the demo relies on, and the
// song as a list of played positions.
#pragma once
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

struct XmSample {
  uint32_t header_offset = 0, data_offset = 0, length = 0, loop_start = 0, loop_length = 0;
  uint8_t volume = 0, type = 0;
  int8_t finetune = 0;
  std::string name;
};

struct XmInstrument {
  std::string name;
  std::vector<XmSample> samples;
};

struct XmNote {
  uint8_t note = 0, instrument = 0, volume = 0, effect = 0, param = 0;
};

struct XmPattern {
  int rows = 0;
  std::vector<XmNote> cells;  // rows x channels
};

struct XmModule {
  std::string id, title, tracker;
  uint8_t marker = 0;
  uint16_t version = 0, song_length = 0, restart = 0, channels = 0, pattern_count = 0, instrument_count = 0,
           flags = 0, tempo = 0, bpm = 0;
  uint32_t header_size = 0;
  uint8_t order[256] = {};
  std::vector<XmPattern> patterns;
  std::vector<XmInstrument> instruments;
  uint32_t end = 0;  // where the reader stopped: the file's size if everything was accounted for
  std::string error;

  // Every position (order * 256 + row) in playing order, once through the song.
  std::vector<uint32_t> positions() const {
    std::vector<uint32_t> list;
    for (int o = 0; o < song_length; ++o)
      for (int r = 0; r < patterns[order[o]].rows; ++r) list.push_back(uint32_t(o) << 8 | uint32_t(r));
    return list;
  }
  const XmNote& cell(uint32_t position, int channel) const {
    const XmPattern& p = patterns[order[position >> 8]];
    return p.cells[size_t(position & 0xFF) * channels + size_t(channel)];
  }
};

inline XmModule read_xm(const uint8_t* data, size_t size) {
  XmModule m;
  size_t at = 0;
  bool ok = true;
  auto need = [&](size_t n) {
    if (at + n > size) ok = false;
    return ok;
  };
  auto u8 = [&]() -> uint8_t { return need(1) ? data[at++] : 0; };
  auto u16 = [&]() -> uint16_t { return uint16_t(u8() | u8() << 8); };
  auto u32 = [&]() -> uint32_t { return uint32_t(u16()) | uint32_t(u16()) << 16; };
  auto text = [&](size_t n) {
    std::string s;
    if (need(n))
      s.assign(reinterpret_cast<const char*>(data + at),
               strnlen(reinterpret_cast<const char*>(data + at), n));
    at += ok ? n : 0;
    return s;
  };
  m.id = text(17);
  m.title = text(20);
  m.marker = u8();
  m.tracker = text(20);
  m.version = u16();
  size_t header_start = at;
  m.header_size = u32();
  m.song_length = u16(), m.restart = u16(), m.channels = u16(), m.pattern_count = u16();
  m.instrument_count = u16(), m.flags = u16(), m.tempo = u16(), m.bpm = u16();
  for (uint8_t& o : m.order) o = u8();
  at = header_start + m.header_size;
  for (int p = 0; ok && p < m.pattern_count; ++p) {
    size_t start = at;
    uint32_t header_length = u32();
    uint8_t packing = u8();
    XmPattern pat;
    pat.rows = u16();
    uint16_t packed = u16();
    if (header_length != 9 || packing != 0) m.error = "bad pattern header";
    at = start + header_length;
    pat.cells.resize(size_t(pat.rows) * m.channels);
    size_t end = at + packed;
    for (XmNote& c : pat.cells) {
      if (!packed) break;
      uint8_t first = u8();
      uint8_t* fields[5] = {&c.note, &c.instrument, &c.volume, &c.effect, &c.param};
      if (first & 0x80) {
        for (int k = 0; k < 5; ++k)
          if (first & (1 << k)) *fields[k] = u8();
      } else {
        c.note = first;
        for (int k = 1; k < 5; ++k) *fields[k] = u8();
      }
    }
    if (packed && at != end) m.error = "packed pattern size does not match its cells";
    m.patterns.push_back(pat);
  }
  for (int i = 0; ok && i < m.instrument_count; ++i) {
    size_t start = at;
    uint32_t header_size = u32();
    XmInstrument ins;
    ins.name = text(22);
    u8();
    uint16_t count = u16();
    uint32_t sample_header_size = count ? u32() : 0;
    at = start + header_size;
    for (int s = 0; ok && s < count; ++s) {
      XmSample smp;
      smp.header_offset = uint32_t(at);
      smp.length = u32(), smp.loop_start = u32(), smp.loop_length = u32();
      smp.volume = u8(), smp.finetune = int8_t(u8()), smp.type = u8();
      at += 3;  // panning, relative note, reserved: the score's to choose
      smp.name = text(22);
      at = smp.header_offset + sample_header_size;
      ins.samples.push_back(smp);
    }
    for (XmSample& smp : ins.samples) {
      smp.data_offset = uint32_t(at);
      at += smp.length;
    }
    m.instruments.push_back(ins);
  }
  if (!ok || at > size) m.error = "truncated image";
  m.end = uint32_t(at);
  return m;
}
