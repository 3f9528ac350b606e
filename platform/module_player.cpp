#include "platform/module_player.h"

#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <cstring>

bool ModulePlayer::load(const void* image, size_t size) {
  std::lock_guard lock(mutex_);
  if (module_) openmpt_module_destroy(module_);
  module_ = openmpt_module_create_from_memory2(image, size, openmpt_log_func_silent, nullptr,
                                               openmpt_error_func_ignore, nullptr, nullptr, nullptr, nullptr);
  playing_ = false;
  history_count_ = 0;
  if (!module_) return false;
  // Loop for ever, as the original player did; scenes watch the position wrap.
  openmpt_module_set_repeat_count(module_, -1);
  // FastTracker 2's own mixer: linear interpolation, full stereo, short volume ramps.
  openmpt_module_set_render_param(module_, OPENMPT_MODULE_RENDER_INTERPOLATIONFILTER_LENGTH, 2);
  openmpt_module_set_render_param(module_, OPENMPT_MODULE_RENDER_STEREOSEPARATION_PERCENT, 100);
  openmpt_module_set_render_param(module_, OPENMPT_MODULE_RENDER_VOLUMERAMPING_STRENGTH, -1);
  // No dither: two renders of the same song give the same samples.
  openmpt_module_ctl_set_integer(module_, "dither", 0);
  return true;
}

void ModulePlayer::unload() {
  std::lock_guard lock(mutex_);
  if (module_) openmpt_module_destroy(module_);
  module_ = nullptr;
  playing_ = false;
  history_count_ = 0;
}

void ModulePlayer::reset() {
  unload();
  std::lock_guard lock(mutex_);
  rendered_ = 0;
}

void ModulePlayer::set_playing(bool playing) {
  std::lock_guard lock(mutex_);
  playing_ = playing && module_;
}

bool ModulePlayer::set_position(int32_t order, int32_t row) {
  std::lock_guard lock(mutex_);
  return module_ && openmpt_module_set_position_order_row(module_, order, row) >= 0;
}

void ModulePlayer::set_volume(int32_t volume) {
  std::lock_guard lock(mutex_);
  volume_ = std::clamp(volume, 0, 100);
}

uint64_t ModulePlayer::rendered() const {
  std::lock_guard lock(mutex_);
  return rendered_;
}

uint32_t ModulePlayer::current_position_locked() const {
  if (!module_ || !playing_) return no_position;
  uint32_t order = uint32_t(openmpt_module_get_current_order(module_)) & 0xFFFF;
  uint32_t row = uint32_t(openmpt_module_get_current_row(module_)) & 0xFFFF;
  return order | row << 16;
}

void ModulePlayer::render_locked(int16_t* out, int32_t frames) {
  while (frames > 0) {
    int32_t n = std::min(frames, piece_frames);
    if (module_ && playing_) {
      history_[history_count_ % history_size] = {rendered_, current_position_locked()};
      ++history_count_;
      size_t got = openmpt_module_read_interleaved_stereo(module_, sample_rate, size_t(n), out);
      std::fill(out + 2 * got, out + 2 * n, int16_t(0));
      for (int32_t i = 0; i < 2 * n; ++i) out[i] = int16_t(out[i] * volume_ / 100);
    } else {
      std::fill(out, out + 2 * n, int16_t(0));
    }
    rendered_ += uint64_t(n);
    out += 2 * n;
    frames -= n;
  }
}

void ModulePlayer::render(int16_t* out, int32_t frames) {
  std::lock_guard lock(mutex_);
  render_locked(out, frames);
}

void ModulePlayer::render_until(uint64_t sample) {
  std::lock_guard lock(mutex_);
  int16_t scratch[2 * piece_frames];
  while (rendered_ < sample)
    render_locked(scratch, int32_t(std::min<uint64_t>(sample - rendered_, piece_frames)));
}

uint32_t ModulePlayer::position_now() const {
  std::lock_guard lock(mutex_);
  return current_position_locked();
}

uint32_t ModulePlayer::position_at(uint64_t sample) const {
  std::lock_guard lock(mutex_);
  if (!module_ || !playing_) return no_position;
  // The newest mark at or before the sample; a sample older than the ring gets the oldest.
  int oldest = std::max(0, history_count_ - history_size);
  for (int i = history_count_ - 1; i >= oldest; --i) {
    const Mark& m = history_[i % history_size];
    if (m.sample <= sample || i == oldest) return m.position;
  }
  return current_position_locked();
}
