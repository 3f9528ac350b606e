#include "platform/platform.h"

#include <cstdio>

#include "platform/backend.h"
#include "platform/text.h"
#include "shell/window.h"

PlatformState platform;

SurfaceDesc platform_surface() {
  return {platform.surface_created ? platform.pixels.data() : nullptr, platform.width, platform.height,
          platform.pitch, platform.bpp};
}

void platform_open_sdl(const SdlOptions& options) {
  platform_close();
  platform.backend = make_sdl_backend(options);
}

void platform_open_headless(const HeadlessOptions& options) {
  platform_close();
  platform.backend = make_headless_backend(options);
}

void platform_close() {
  platform_music_free();
  platform_display_release();
  if (platform.backend && platform.window_alive) platform.backend->window_close();
  platform.backend.reset();
  text_close();
  platform.proc = nullptr;
  platform.window_alive = false;
  platform.queue.clear();
  platform.player.reset();
}

// --- Window and messages ----------------------------------------------------------------

void platform_window_create(WindowProc proc) {
  if (!platform.backend) return;
  platform.proc = proc;
  platform.window_alive = true;
  platform.backend->window_create();
}

void platform_window_destroy() {
  if (!platform.window_alive) return;
  platform.window_alive = false;
  if (platform.proc) platform.proc(wm_destroy, 0, 0);
  if (platform.backend) platform.backend->window_close();
}

void platform_message_box(const char* text) {
  std::fprintf(stderr, "talvex: %s\n", text);
  if (platform.backend) platform.backend->show_message_box(text);
}

void platform_hide_cursor() {
  if (platform.backend) platform.backend->hide_cursor();
}

bool platform_peek_message() {
  if (platform.backend) platform.backend->pump_events(true);
  return !platform.queue.empty();
}

bool platform_get_message(PlatformMessage* message) {
  if (platform.queue.empty()) {
    *message = {};
    return true;
  }
  *message = platform.queue.front();
  platform.queue.pop_front();
  return message->message != wm_quit;
}

void platform_post_message(uint32_t message, uintptr_t wparam, intptr_t lparam) {
  if (!platform.backend) return;
  platform.queue.push_back({message, wparam, lparam});
}

void platform_post_quit_message(int32_t exit_code) {
  platform_post_message(wm_quit, uintptr_t(exit_code), 0);
}

intptr_t platform_dispatch_message(const PlatformMessage& message) {
  if (!platform.proc || !platform.window_alive) return 0;
  return platform.proc(message.message, message.wparam, message.lparam);
}

intptr_t platform_def_window_proc(uint32_t message, uintptr_t, intptr_t) {
  if (message == wm_close) platform_window_destroy();
  return 0;
}

// --- Display ----------------------------------------------------------------------------

int32_t platform_display_create() {
  if (!platform.backend || !platform.window_alive) return dderr_nodirectdraw;
  int32_t result = platform.backend->display_create();
  platform.display_created = result == dd_ok;
  return result;
}

int32_t platform_display_set_cooperative() { return platform.display_created ? dd_ok : dderr_nodirectdraw; }

int32_t platform_display_set_mode(int32_t width, int32_t height, int32_t bpp) {
  if (!platform.display_created) return dderr_nodirectdraw;
  if (bpp != 24 && bpp != 32) return dderr_invalidmode;
  int32_t result = platform.backend->set_mode(width, height, bpp);
  if (result != dd_ok) return result;
  platform.width = width;
  platform.height = height;
  platform.bpp = bpp;
  platform.pitch = (width * (bpp / 8) + 3) & ~3;
  return dd_ok;
}

int32_t platform_display_create_surface() {
  if (!platform.display_created || platform.bpp == 0) return dderr_generic;
  platform.pixels.assign(size_t(platform.pitch) * size_t(platform.height), 0);
  platform.surface_created = true;
  platform.surface_lost = false;
  // The loading count needs the font from here on; without it the count is simply not drawn.
  if (!text_open()) std::fprintf(stderr, "talvex: the loading display's font did not open\n");
  return dd_ok;
}

int32_t platform_display_get_desc(SurfaceDesc* desc) {
  if (!platform.surface_created) return dderr_generic;
  *desc = platform_surface();
  desc->pixels = nullptr;
  return dd_ok;
}

int32_t platform_surface_lock(SurfaceDesc* desc) {
  if (platform.backend) platform.backend->pump_events(false);
  if (!platform.surface_created) return dderr_generic;
  if (platform.surface_lost) return dderr_surfacelost;
  *desc = platform_surface();
  return dd_ok;
}

int32_t platform_surface_unlock(bool present) {
  if (!platform.surface_created) return dderr_generic;
  platform.backend->show(present ? Backend::Show::frame : Backend::Show::unlock);
  return dd_ok;
}

int32_t platform_surface_restore() {
  if (!platform.surface_created) return dderr_generic;
  platform.surface_lost = false;
  return dd_ok;
}

void platform_display_release() {
  if (platform.display_created && platform.backend) platform.backend->display_release();
  platform.display_created = false;
  platform.surface_created = false;
  platform.surface_lost = false;
  platform.width = platform.height = platform.bpp = platform.pitch = 0;
  platform.pixels.clear();
  platform.pixels.shrink_to_fit();
}

bool platform_text_extent(const char* text, int32_t* width, int32_t* height) {
  return platform.surface_created && text_size(text, width, height);
}

bool platform_text_out(int32_t x, int32_t y, const char* text, uint32_t text_colour, uint32_t background) {
  if (!platform.surface_created || platform.surface_lost) return false;
  bool drawn = text_draw(platform_surface(), x, y, text, text_colour, background);
  platform.backend->show(Backend::Show::text);
  return drawn;
}

int32_t platform_wait_vblank() {
  if (!platform.display_created) return dderr_nodirectdraw;
  return platform.backend->wait_vblank();
}

// --- Clock ------------------------------------------------------------------------------

uint32_t platform_tick_count() { return platform.backend ? platform.backend->tick_count() : 0; }
int32_t platform_current_second() { return platform.backend ? platform.backend->current_second() : 0; }

// --- Module player ----------------------------------------------------------------------

bool platform_music_init() {
  if (!platform.backend) return false;
  if (platform.music_ready) return true;
  platform.music_device = platform.backend->music_open();
  if (!platform.music_device) {
    static bool warned = false;
    if (!warned)
      std::fprintf(stderr, "talvex: no audio device; the music runs silently so the pictures keep time\n");
    warned = true;
  }
  platform.music_ready = true;
  return true;
}

void platform_music_set_volume(int32_t volume) { platform.player.set_volume(volume); }

uint32_t platform_music_load(const void* image, size_t size) {
  if (!platform.music_ready) return 0;
  if (!platform.player.load(image, size)) {
    std::fprintf(stderr, "talvex: the music module did not load\n");
    return 0;
  }
  return ++platform.music_handle;
}

bool platform_music_start() { return platform.music_ready; }

bool platform_music_play(uint32_t handle) {
  if (!platform.music_ready || handle == 0 || handle != platform.music_handle) return false;
  platform.player.set_playing(true);
  return true;
}

bool platform_music_set_position(uint32_t handle, int32_t order, int32_t row) {
  if (!platform.music_ready || handle == 0 || handle != platform.music_handle) return false;
  return platform.player.set_position(order, row);
}

void platform_music_free() {
  if (!platform.music_ready) return;
  if (platform.backend) platform.backend->music_close();
  platform.player.unload();
  platform.music_ready = false;
  platform.music_device = false;
}

static uint32_t music_position(uint32_t handle, bool waiting) {
  if (!platform.music_ready || handle == 0 || handle != platform.music_handle)
    return ModulePlayer::no_position;
  return platform.backend->music_position(waiting);
}

uint32_t platform_music_position(uint32_t handle) { return music_position(handle, false); }
uint32_t platform_music_position_waiting(uint32_t handle) { return music_position(handle, true); }
