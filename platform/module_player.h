// The module player behind the platform's music calls: libopenmpt renders the XM image at
// 44100 Hz stereo, looping forever, with FastTracker 2-like settings. Thread-safe: an audio
// thread may render while the demo's thread reads positions.
#pragma once
#include <cstddef>
#include <cstdint>
#include <mutex>

struct openmpt_module;

class ModulePlayer {
 public:
  static constexpr int32_t sample_rate = 44100;
  static constexpr uint32_t no_position = 0xFFFFFFFF;

  ModulePlayer() = default;
  ~ModulePlayer() { unload(); }
  ModulePlayer(const ModulePlayer&) = delete;
  ModulePlayer& operator=(const ModulePlayer&) = delete;

  bool load(const void* image, size_t size);
  void unload();
  void set_playing(bool playing);
  bool set_position(int32_t order, int32_t row);
  void set_volume(int32_t volume);  // 0..100

  // Renders frames of interleaved stereo (silence while nothing plays) and notes where the
  // song stood at each stretch, so that the position of any recent sample can be told.
  void render(int16_t* out, int32_t frames);
  // Renders and drops the samples up to the given count (the silent sink).
  void render_until(uint64_t sample);
  uint64_t rendered() const;
  // Unloads and counts samples from zero again (a new backend's clock).
  void reset();

  // Order in the low word, row in the high word; no_position when nothing plays.
  uint32_t position_now() const;                // of the next sample to render
  uint32_t position_at(uint64_t sample) const;  // of an already rendered sample

 private:
  static constexpr int history_size = 1024;
  static constexpr int32_t piece_frames = 256;  // about 6 ms: much finer than a row
  struct Mark {
    uint64_t sample;
    uint32_t position;
  };
  uint32_t current_position_locked() const;
  void render_locked(int16_t* out, int32_t frames);

  mutable std::mutex mutex_;
  openmpt_module* module_ = nullptr;
  bool playing_ = false;
  int32_t volume_ = 100;
  uint64_t rendered_ = 0;
  Mark history_[history_size] = {};
  int history_count_ = 0;  // marks written so far (the ring keeps the last history_size)
};
