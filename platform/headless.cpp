// The headless backend: no display and no audio device, a virtual clock. A presented frame
// and a vertical blank each move the clock to the next 1/60-s boundary, a position read inside
// a wait costs one millisecond, and the player renders exactly the audio of each stretch of
// virtual time. Two runs give the same frames and the same samples.
#include <algorithm>
#include <vector>

#include "platform/backend.h"
#include "shell/window.h"

namespace {

constexpr int64_t units_per_ms = headless_units_per_second / 1000;
constexpr int64_t units_per_sample = headless_units_per_second / ModulePlayer::sample_rate;

struct ScriptedMessage {
  int64_t time;
  uint32_t message;
  uint32_t key;
};

struct Headless {
  HeadlessOptions options;
  int64_t clock = 0;
  int64_t vblank_clock = -1;  // the clock right after a wait_vblank, until it moves on
  HeadlessFrameHook frame_hook = nullptr;
  void* frame_user = nullptr;
  HeadlessAudioHook audio_hook = nullptr;
  void* audio_user = nullptr;
  std::vector<ScriptedMessage> script;  // in time order
  size_t script_next = 0;
  bool stop_requested = false;
  bool stop_delivered = false;
  std::vector<uint8_t> black;  // shown before the display exists
};
Headless* headless = nullptr;

void render_audio_until(int64_t time) {
  uint64_t target = uint64_t(time / units_per_sample);
  int16_t buffer[2 * 735];
  while (platform.player.rendered() < target) {
    int32_t n = int32_t(std::min<uint64_t>(target - platform.player.rendered(), 735));
    platform.player.render(buffer, n);
    if (headless->audio_hook && !headless->stop_requested)
      headless->audio_hook(buffer, n, headless->audio_user);
  }
}

void emit_frame() {
  if (!headless->frame_hook || headless->stop_requested) return;
  const uint8_t* pixels = platform.surface_created ? platform.pixels.data() : nullptr;
  int32_t pitch = platform.pitch, bpp = platform.bpp;
  if (!pixels) {
    headless->black.assign(800 * 600 * 4, 0);
    pixels = headless->black.data();
    pitch = 800 * 4;
    bpp = 32;
  }
  if (!headless->frame_hook(pixels, pitch, bpp, headless->frame_user)) headless->stop_requested = true;
}

// Moves the clock on: sound for each stretch, a frame at each 1/60-s boundary, then the
// scripted messages that have come due and, if asked for, the stop.
void advance_to(int64_t target) {
  while (headless->clock < target) {
    int64_t boundary = (headless->clock / headless_frame_units + 1) * headless_frame_units;
    int64_t step_end = std::min(target, boundary);
    render_audio_until(step_end);
    headless->clock = step_end;
    if (step_end == boundary) emit_frame();
  }
  while (headless->script_next < headless->script.size() &&
         headless->script[headless->script_next].time <= headless->clock) {
    const ScriptedMessage& m = headless->script[headless->script_next++];
    platform_post_message(m.message, m.key, 0);
  }
  if (headless->stop_requested && !headless->stop_delivered) {
    headless->stop_delivered = true;
    if (platform.proc && platform.window_alive) platform.proc(wm_keydown, vk_escape, 0);
  }
}

void advance_to_next_frame() {
  advance_to((headless->clock / headless_frame_units + 1) * headless_frame_units);
}

class HeadlessBackend final : public Backend {
 public:
  explicit HeadlessBackend(const HeadlessOptions& options) {
    state_.options = options;
    headless = &state_;
  }
  ~HeadlessBackend() override { headless = nullptr; }

  void window_create() override {}
  void window_close() override {}
  int32_t display_create() override { return state_.options.no_display ? dderr_nodirectdraw : dd_ok; }
  int32_t set_mode(int32_t width, int32_t height, int32_t bpp) override {
    if (width != 800 || height != 600) return dderr_invalidmode;
    if (bpp == 24 && state_.options.refuse_24_bit) return dderr_invalidmode;
    return dd_ok;
  }
  void display_release() override {}

  void show(Show what) override {
    if (what == Show::unlock) return;
    // A frame goes out at the vertical blank it was waited for; otherwise it takes the
    // rest of the current frame.
    if (what == Show::frame && state_.vblank_clock == state_.clock) {
      state_.vblank_clock = -1;
      return;
    }
    advance_to_next_frame();
  }
  int32_t wait_vblank() override {
    advance_to_next_frame();
    state_.vblank_clock = state_.clock;
    return dd_ok;
  }
  uint32_t tick_count() override { return uint32_t(state_.clock / units_per_ms); }
  int32_t current_second() override { return state_.options.system_second; }

  bool music_open() override { return !state_.options.no_audio_device; }
  void music_close() override {}
  uint32_t music_position(bool waiting) override {
    if (waiting) advance_to(state_.clock + units_per_ms);
    return platform.player.position_now();
  }

 private:
  Headless state_;
};

void add_script(int64_t time, uint32_t message, uint32_t key) {
  if (!headless) return;
  auto& script = headless->script;
  ScriptedMessage m{time, message, key};
  auto at =
      std::upper_bound(script.begin() + int64_t(headless->script_next), script.end(), m,
                       [](const ScriptedMessage& a, const ScriptedMessage& b) { return a.time < b.time; });
  script.insert(at, m);
}

}  // namespace

std::unique_ptr<Backend> make_headless_backend(const HeadlessOptions& options) {
  return std::make_unique<HeadlessBackend>(options);
}

void headless_set_frame_hook(HeadlessFrameHook hook, void* user) {
  if (!headless) return;
  headless->frame_hook = hook;
  headless->frame_user = user;
}

void headless_set_audio_hook(HeadlessAudioHook hook, void* user) {
  if (!headless) return;
  headless->audio_hook = hook;
  headless->audio_user = user;
}

void headless_script_key(uint32_t ms, uint32_t key) {
  add_script(int64_t(ms) * units_per_ms, wm_keydown, key);
}
void headless_script_close(uint32_t ms) { add_script(int64_t(ms) * units_per_ms, wm_close, 0); }
void headless_finish() {
  if (headless) advance_to_next_frame();
}
void headless_request_stop() {
  if (headless) headless->stop_requested = true;
}
void headless_lose_surface() {
  if (headless && platform.surface_created) platform.surface_lost = true;
}
int64_t headless_clock() { return headless ? headless->clock : 0; }

const uint8_t* headless_display(int32_t* pitch, int32_t* bpp) {
  if (!platform.surface_created) return nullptr;
  *pitch = platform.pitch;
  *bpp = platform.bpp;
  return platform.pixels.data();
}
