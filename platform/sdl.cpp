// The SDL2 backend: a desktop-sized full-screen window (or a resizable one; Alt+Enter and F11
// switch between them) showing the 800x600 surface whole and centred with its 4:3 aspect kept
// and its scanlines sharp, frames paced to a 60 Hz clock, keys turned into window messages,
// and the module player on an SDL audio device.
#include <SDL.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <thread>

#include "platform/backend.h"
#include "platform/view_fit.h"
#include "shell/window.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int32_t audio_buffer_frames = 1024;

bool display_named() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"}) {
    const char* value = SDL_getenv(name);
    if (value && *value) return true;
  }
  return false;
}

// SDL falls back to drivers that show nothing when the display server does not answer;
// the demo would then run invisibly. Such a driver is taken only when it was asked for.
bool invisible_driver() {
  const char* driver = SDL_GetCurrentVideoDriver();
  const char* asked = SDL_getenv("SDL_VIDEODRIVER");
  bool invisible = driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
  return invisible && !(asked && std::strcmp(asked, driver) == 0);
}

// SDL's own SIGINT and SIGTERM handlers only post a quit event, which nobody reads while a
// dialog waits or the start-up works: the program would ignore Ctrl+C. They stay off, so
// both signals keep their default action. Set before every SDL start.
void keep_default_signals() { SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1"); }

// Runs a call into SDL with stderr closed to the libraries beneath it: the sound library
// reports every device it fails to find ("ALSA lib ..."), the display libraries every server
// they cannot reach, a page of lines before the program's own one warning.
template <typename Call>
auto quietly(Call call) {
  std::fflush(stderr);
  const int saved = dup(STDERR_FILENO);
  const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (saved >= 0 && null >= 0) dup2(null, STDERR_FILENO);
  if (null >= 0) close(null);
  auto result = call();
  if (saved >= 0) {
    dup2(saved, STDERR_FILENO);
    close(saved);
  }
  return result;
}

// Whether someone is there to answer a dialog: a run without a terminal (started by a
// script, a service or a test) must never wait for a click.
bool someone_watching() { return isatty(STDIN_FILENO) == 1; }

// Starts SDL's video on a display that really shows something. A busy display server may
// refuse a connection for a moment: try for about a second.
bool start_video() {
  if (!display_named()) return false;
  keep_default_signals();
  for (int attempt = 0; attempt < 10; ++attempt) {
    if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (quietly([] { return SDL_InitSubSystem(SDL_INIT_VIDEO); }) != 0) continue;
    if (!invisible_driver()) return true;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    SDL_SetError("no display server answered");
  }
  return false;
}

class SdlBackend final : public Backend {
 public:
  explicit SdlBackend(const SdlOptions& options) : options_(options), epoch_(Clock::now()) {}
  ~SdlBackend() override {
    music_close();
    display_release();
    window_close();
    if (video_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }

  void window_create() override {
    if (!video_) {
      bool has_display = display_named();
      video_ = start_video();
      if (!video_) {
        if (has_display) std::fprintf(stderr, "talvex: SDL video: %s\n", SDL_GetError());
        return;
      }
    }
    // The window keeps 800x600 in the middle of the screen for when it is a window. Full
    // screen, it is made the screen's size from the start: without a window manager nobody
    // else would resize it.
    SDL_Rect bounds{0, 0, 800, 600};
    SDL_GetDisplayBounds(0, &bounds);
    windowed_ = {bounds.x + (bounds.w - 800) / 2, bounds.y + (bounds.h - 600) / 2, 800, 600};
    SDL_Rect place = options_.windowed ? windowed_ : bounds;
    Uint32 flags = SDL_WINDOW_RESIZABLE | (options_.windowed ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
    window_ = quietly([&] { return SDL_CreateWindow("Talvex", place.x, place.y, place.w, place.h, flags); });
    if (window_) {
      hide_cursor();
    } else {
      std::fprintf(stderr, "talvex: SDL window: %s\n", SDL_GetError());
    }
  }
  void window_close() override {
    display_release();
    if (window_) SDL_DestroyWindow(window_);
    window_ = nullptr;
  }
  void show_message_box(const char* text) override {
    // The text is on stderr already (platform_message_box).
    if (video_ && someone_watching()) SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "", text, window_);
  }
  void hide_cursor() override {
    if (video_) SDL_ShowCursor(SDL_DISABLE);
  }

  void pump_events(bool force) override {
    if (!video_) return;
    auto now = Clock::now();
    if (!force && now - last_pump_ < std::chrono::milliseconds(10)) return;
    last_pump_ = now;
    bool redraw = false;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
      if (event.type == SDL_QUIT) {
        platform_post_message(wm_close, 0, 0);
      } else if (event.type == SDL_WINDOWEVENT) {
        // A new size or a window uncovered: show the picture again at once, also while the
        // demo waits between frames.
        if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED ||
            event.window.event == SDL_WINDOWEVENT_EXPOSED)
          redraw = true;
      } else if (event.type == SDL_KEYDOWN && is_full_screen_key(event.key)) {
        // The switch is the window's own business: the demo never sees these keys.
        if (!event.key.repeat) switch_full_screen();
        redraw = true;
      } else if (event.type == SDL_KEYDOWN) {
        uint32_t key = 0;
        switch (event.key.keysym.sym) {
          case SDLK_ESCAPE:
            key = vk_escape;
            break;
          case SDLK_m:
            key = vk_m;
            break;
          case SDLK_z:
            key = vk_z;
            break;
          case SDLK_KP_PLUS:
            key = vk_add;
            break;
          case SDLK_KP_MINUS:
            key = vk_subtract;
            break;
          default:
            break;
        }
        if (key) platform_post_message(wm_keydown, key, 0);
      }
    }
    if (redraw) draw();
  }

  int32_t display_create() override {
    if (!window_) return dderr_nodirectdraw;
    // The graphics drivers have their say on stderr too (MESA-LOADER, libEGL...).
    renderer_ = quietly([&] { return SDL_CreateRenderer(window_, -1, 0); });
    if (!renderer_)
      renderer_ = quietly([&] { return SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE); });
    if (!renderer_) return dderr_nodirectdraw;
    SDL_RendererInfo info{};
    if (SDL_GetRendererInfo(renderer_, &info) == 0) {
      max_texture_ = std::min(info.max_texture_width, info.max_texture_height);
      can_enlarge_ = (info.flags & SDL_RENDERER_TARGETTEXTURE) != 0;
    }
    return dd_ok;
  }
  int32_t set_mode(int32_t width, int32_t height, int32_t bpp) override {
    if (!renderer_) return dderr_nodirectdraw;
    if (texture_) SDL_DestroyTexture(texture_);
    drop_enlarged();
    // Memory order blue, green, red (, spare), as the surface holds it.
    Uint32 format = bpp == 24 ? SDL_PIXELFORMAT_BGR24 : SDL_PIXELFORMAT_RGB888;
    texture_ = SDL_CreateTexture(renderer_, format, SDL_TEXTUREACCESS_STREAMING, width, height);
    return texture_ ? dd_ok : dderr_invalidmode;
  }
  void display_release() override {
    drop_enlarged();
    if (texture_) SDL_DestroyTexture(texture_);
    if (renderer_) SDL_DestroyRenderer(renderer_);
    texture_ = nullptr;
    renderer_ = nullptr;
  }

  void show(Show what) override {
    // At most one presented frame per tick of the 60 Hz clock, whatever the monitor does:
    // effects that advance per frame then run at the speed they were made for.
    if (what == Show::frame) {
      int64_t slot = current_slot();
      if (slot <= last_frame_slot_) sleep_until_slot(last_frame_slot_ + 1);
      last_frame_slot_ = current_slot();
    }
    pump_events(false);
    draw();
  }
  int32_t wait_vblank() override {
    sleep_until_slot(current_slot() + 1);
    pump_events(false);
    return dd_ok;
  }

  uint32_t tick_count() override {
    return uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - epoch_).count());
  }
  int32_t current_second() override {
    std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    return utc.tm_sec;
  }

  bool music_open() override {
    sink_start_ = Clock::now();
    sink_start_sample_ = platform.player.rendered();
    keep_default_signals();
    if (quietly([] { return SDL_InitSubSystem(SDL_INIT_AUDIO); }) != 0) return false;
    SDL_AudioSpec want{}, have{};
    want.freq = ModulePlayer::sample_rate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = audio_buffer_frames;
    want.callback = &SdlBackend::audio_callback;
    want.userdata = this;
    device_ = quietly([&] { return SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0); });
    if (!device_) {
      SDL_QuitSubSystem(SDL_INIT_AUDIO);
      return false;
    }
    device_frames_ = have.samples;
    callback_sample_ = platform.player.rendered();
    callback_time_ = Clock::now();
    SDL_PauseAudioDevice(device_, 0);
    return true;
  }
  void music_close() override {
    if (!device_) return;
    SDL_CloseAudioDevice(device_);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    device_ = 0;
  }
  uint32_t music_position(bool waiting) override {
    pump_events(false);
    // A wait need not spin flat out: the position moves in steps of 256 samples (6 ms).
    if (waiting) std::this_thread::sleep_for(std::chrono::microseconds(200));
    if (!device_) {
      // The silent sink: the song advances with the real clock.
      double seconds = std::chrono::duration<double>(Clock::now() - sink_start_).count();
      platform.player.render_until(sink_start_sample_ + uint64_t(seconds * ModulePlayer::sample_rate));
      return platform.player.position_now();
    }
    // The device plays the buffer before the one the last callback filled; count on from
    // its start with the time since.
    SDL_LockAudioDevice(device_);
    uint64_t sample = callback_sample_;
    Clock::time_point time = callback_time_;
    SDL_UnlockAudioDevice(device_);
    double since = std::chrono::duration<double>(Clock::now() - time).count();
    int64_t heard = int64_t(sample) - device_frames_ +
                    std::min<int64_t>(int64_t(since * ModulePlayer::sample_rate), device_frames_);
    if (heard < 0) heard = 0;
    return platform.player.position_at(uint64_t(heard));
  }

 private:
  static bool is_full_screen_key(const SDL_KeyboardEvent& key) {
    SDL_Keycode sym = key.keysym.sym;
    return sym == SDLK_F11 || ((sym == SDLK_RETURN || sym == SDLK_KP_ENTER) && (key.keysym.mod & KMOD_ALT));
  }

  // Full screen and back. Where no window manager frames the window (a bare X session), the
  // request alone changes nothing while SDL takes it as done, and the picture would be drawn
  // for a size the window has not: there the window's place and size are set outright on
  // both ways. A framed window is left to its manager, which keeps its place by itself.
  void switch_full_screen() {
    if (!window_) return;
    if (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN) {
      SDL_SetWindowFullscreen(window_, 0);
      if (!framed_) {
        SDL_SetWindowSize(window_, windowed_.w, windowed_.h);
        SDL_SetWindowPosition(window_, windowed_.x, windowed_.y);
      }
    } else {
      int top = 0, left = 0, bottom = 0, right = 0;
      framed_ = SDL_GetWindowBordersSize(window_, &top, &left, &bottom, &right) == 0 &&
                (top | left | bottom | right) != 0;
      SDL_Rect bounds;
      int display = SDL_GetWindowDisplayIndex(window_);
      if (!framed_ && SDL_GetDisplayBounds(display < 0 ? 0 : display, &bounds) == 0) {
        SDL_GetWindowPosition(window_, &windowed_.x, &windowed_.y);
        SDL_GetWindowSize(window_, &windowed_.w, &windowed_.h);
        SDL_SetWindowPosition(window_, bounds.x, bounds.y);
        SDL_SetWindowSize(window_, bounds.w, bounds.h);
      }
      SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP);
    }
    hide_cursor();
  }

  // The surface into the window's real drawable size (see view_fit.h): enlarged by a whole
  // factor into a target texture with nearest sampling, then linearly into the centred 4:3
  // rectangle, black around it.
  void draw() {
    if (!texture_ || !platform.surface_created) return;
    SDL_UpdateTexture(texture_, nullptr, platform.pixels.data(), platform.pitch);
    int output_width = 0, output_height = 0;
    if (SDL_GetRendererOutputSize(renderer_, &output_width, &output_height) != 0) return;
    ViewFit fit = fit_view(output_width, output_height, platform.width, platform.height, max_texture_);
    SDL_Texture* source = texture_;
    if (fit.factor > 1 && can_enlarge_ && enlarge(fit.factor)) source = enlarged_;
    SDL_SetTextureScaleMode(texture_, source == texture_ ? SDL_ScaleModeLinear : SDL_ScaleModeNearest);
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    SDL_Rect where{fit.x, fit.y, fit.width, fit.height};
    if (fit.width > 0) SDL_RenderCopy(renderer_, source, nullptr, &where);
    SDL_RenderPresent(renderer_);
  }
  // The surface repeated factor times in each direction into enlarged_.
  bool enlarge(int32_t factor) {
    if (!enlarged_ || enlarged_factor_ != factor) {
      drop_enlarged();
      enlarged_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_TARGET,
                                    platform.width * factor, platform.height * factor);
      if (!enlarged_) return false;
      SDL_SetTextureScaleMode(enlarged_, SDL_ScaleModeLinear);
      enlarged_factor_ = factor;
    }
    SDL_SetTextureScaleMode(texture_, SDL_ScaleModeNearest);
    if (SDL_SetRenderTarget(renderer_, enlarged_) != 0) return false;
    bool copied = SDL_RenderCopy(renderer_, texture_, nullptr, nullptr) == 0;
    SDL_SetRenderTarget(renderer_, nullptr);
    return copied;
  }
  void drop_enlarged() {
    if (enlarged_) SDL_DestroyTexture(enlarged_);
    enlarged_ = nullptr;
    enlarged_factor_ = 0;
  }

  static void audio_callback(void* user, Uint8* stream, int bytes) {
    auto* self = static_cast<SdlBackend*>(user);
    self->callback_sample_ = platform.player.rendered();
    self->callback_time_ = Clock::now();
    platform.player.render(reinterpret_cast<int16_t*>(stream), bytes / 4);
  }

  int64_t current_slot() const {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - epoch_).count() * 60 /
           1000000000;
  }
  void sleep_until_slot(int64_t slot) {
    auto target = epoch_ + std::chrono::nanoseconds(slot * 1000000000 / 60);
    // Sleep most of the way, then spin the last bit for an even pace.
    while (Clock::now() < target) {
      auto left = target - Clock::now();
      if (left > std::chrono::milliseconds(2))
        std::this_thread::sleep_for(left - std::chrono::milliseconds(1));
    }
  }

  SdlOptions options_;
  Clock::time_point epoch_;
  Clock::time_point last_pump_{};
  bool video_ = false;
  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  SDL_Texture* enlarged_ = nullptr;  // the surface enlarged by a whole factor (a target)
  int32_t enlarged_factor_ = 0;
  int32_t max_texture_ = 0;
  bool can_enlarge_ = false;
  SDL_Rect windowed_{};  // the window's place and size when it is not full screen
  bool framed_ = false;  // a window manager framed the window before it went full screen
  int64_t last_frame_slot_ = -1;

  SDL_AudioDeviceID device_ = 0;
  int32_t device_frames_ = audio_buffer_frames;
  uint64_t callback_sample_ = 0;  // guarded by the device lock
  Clock::time_point callback_time_{};
  Clock::time_point sink_start_{};
  uint64_t sink_start_sample_ = 0;
};

}  // namespace

std::unique_ptr<Backend> make_sdl_backend(const SdlOptions& options) {
  return std::make_unique<SdlBackend>(options);
}

bool sdl_screen_available() {
  if (!start_video()) return false;
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
  return true;
}
