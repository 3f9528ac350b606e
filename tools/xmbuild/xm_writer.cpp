// FastTracker 2 extended module, version 0x0104: header, packed patterns, instruments with their
// sample headers, each followed by its (here zeroed) sample data.
#include <cstring>

#include "tools/xmbuild/score.h"

namespace {

struct Writer {
  std::vector<uint8_t>& out;
  void u8(unsigned v) { out.push_back(static_cast<uint8_t>(v)); }
  void u16(unsigned v) { u8(v & 0xFF), u8(v >> 8); }
  void u32(uint32_t v) { u16(v & 0xFFFF), u16(v >> 16); }
  void text(const std::string& s, size_t width) {
    for (size_t i = 0; i < width; ++i) u8(i < s.size() ? static_cast<uint8_t>(s[i]) : 0);
  }
  void zeros(size_t n) { out.insert(out.end(), n, 0); }
};

constexpr uint32_t instrument_header_size = 263;  // as FastTracker 2 writes it, reserved bytes included
constexpr uint32_t empty_instrument_size = 29;
constexpr uint32_t sample_header_size = 40;

// Packed cells: a flag byte (bit 7 set, bits 0..4 = which fields follow) unless all five follow.
void write_pattern(Writer& w, const ScorePattern& p, int channels) {
  std::vector<uint8_t> packed;
  Writer data{packed};
  bool any = false;
  for (const ScoreCell& c : p.cells) any = any || !c.empty();
  if (any) {
    for (const ScoreCell& c : p.cells) {
      uint8_t fields[5] = {c.note, c.instrument, c.volume, c.effect, c.param};
      unsigned flags = 0;
      for (int k = 0; k < 5; ++k)
        if (fields[k]) flags |= 1u << k;
      if (flags == 31) {
        for (uint8_t f : fields) data.u8(f);
        continue;
      }
      data.u8(0x80 | flags);
      for (int k = 0; k < 5; ++k)
        if (fields[k]) data.u8(fields[k]);
    }
  }
  (void)channels;
  w.u32(9);  // pattern header length
  w.u8(0);   // packing type
  w.u16(static_cast<unsigned>(p.rows));
  w.u16(static_cast<unsigned>(packed.size()));
  w.out.insert(w.out.end(), packed.begin(), packed.end());
}

}  // namespace

XmImage write_xm(const Score& score) {
  XmImage image;
  Writer w{image.bytes};
  w.text("Extended Module: ", 17);
  w.text(score.title, 20);
  w.u8(0x1A);
  w.text(score.tracker, 20);
  w.u16(0x0104);
  w.u32(20 + 256);  // header size, counted from this field
  w.u16(static_cast<unsigned>(score.order.size()));
  w.u16(static_cast<unsigned>(score.restart));
  w.u16(static_cast<unsigned>(score.channels));
  w.u16(static_cast<unsigned>(score.patterns.size()));
  w.u16(static_cast<unsigned>(score.instruments.size()));
  w.u16(1);  // linear frequency table
  w.u16(static_cast<unsigned>(score.speed));
  w.u16(static_cast<unsigned>(score.bpm));
  for (size_t i = 0; i < 256; ++i) w.u8(i < score.order.size() ? score.order[i] : 0);

  for (const ScorePattern& p : score.patterns) write_pattern(w, p, score.channels);

  for (const ScoreInstrument& ins : score.instruments) {
    if (!ins.has_sample) {
      w.u32(empty_instrument_size);
      w.text(ins.name, 22);
      w.u8(0);   // type
      w.u16(0);  // no samples
      continue;
    }
    size_t start = image.bytes.size();
    w.u32(instrument_header_size);
    w.text(ins.name, 22);
    w.u8(0);
    w.u16(1);
    w.u32(sample_header_size);
    w.zeros(96);         // every note plays sample 0
    w.zeros(48 + 48);    // envelope points, unused
    w.zeros(2 + 6 + 2);  // point counts, sustain and loop points, envelope types (off)
    w.zeros(4);          // auto-vibrato off
    w.u16(0);            // fadeout
    w.zeros(instrument_header_size - (image.bytes.size() - start));

    // The +2: one guard word after the n synthesized values.
    uint32_t bytes = 2 * ins.samples + 2;
    bool looped = ins.loop_length > 0;
    w.u32(bytes);
    w.u32(looped ? 2 * ins.loop_start : 0);
    w.u32(looped ? 2 * ins.loop_length : 0);
    w.u8(64);                    // volume
    w.u8(0);                     // finetune
    w.u8(looped ? 0x11 : 0x10);  // 16-bit, forward loop
    w.u8(ins.panning);
    w.u8(static_cast<uint8_t>(ins.relative_note));
    w.u8(0);
    w.text(ins.name, 22);
    image.sample_offsets.push_back(static_cast<uint32_t>(image.bytes.size()));
    w.zeros(bytes);
  }
  return image;
}
