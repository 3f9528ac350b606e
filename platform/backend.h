// What the backends share: the interface each implements and the state that platform.cpp
// keeps for all of them (the surface in memory, the message queue, the player).
#pragma once
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "platform/module_player.h"
#include "platform/platform.h"

class Backend {
 public:
  virtual ~Backend() = default;
  virtual void window_create() = 0;
  virtual void window_close() = 0;
  virtual void show_message_box(const char* /*text*/) {}
  virtual void hide_cursor() {}
  // Moves the system's pending events into the message queue. Backends may rate-limit
  // unless forced.
  virtual void pump_events(bool /*force*/) {}
  virtual int32_t display_create() = 0;
  // Accepts or refuses a display mode; the surface itself lives in platform.cpp.
  virtual int32_t set_mode(int32_t width, int32_t height, int32_t bpp) = 0;
  virtual void display_release() = 0;
  // The surface has changed: frame says whether a presented frame (paced) or text.
  enum class Show { unlock, frame, text };
  virtual void show(Show what) = 0;
  virtual int32_t wait_vblank() = 0;
  virtual uint32_t tick_count() = 0;
  virtual int32_t current_second() = 0;
  // Opens the output for the player; false means the silent sink.
  virtual bool music_open() = 0;
  virtual void music_close() = 0;
  // Brings the player up to now; position of the music heard now.
  virtual uint32_t music_position(bool waiting) = 0;
};

// Shared state, owned by platform.cpp.
struct PlatformState {
  std::unique_ptr<Backend> backend;
  WindowProc proc = nullptr;
  bool window_alive = false;
  std::deque<PlatformMessage> queue;

  bool display_created = false;
  bool surface_created = false;
  bool surface_lost = false;
  int32_t width = 0, height = 0, bpp = 0, pitch = 0;
  std::vector<uint8_t> pixels;  // the primary surface

  ModulePlayer player;
  bool music_ready = false;  // init done (device or sink), until free
  bool music_device = false;
  uint32_t music_handle = 0;
};
extern PlatformState platform;

SurfaceDesc platform_surface();
std::unique_ptr<Backend> make_sdl_backend(const SdlOptions& options);
std::unique_ptr<Backend> make_headless_backend(const HeadlessOptions& options);
