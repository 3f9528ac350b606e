// Our layer in place of the window system, the display, text drawing, the clock and the
// module player. The shell calls these free functions; a backend (SDL2 or headless) sits
// behind them, chosen by main.cpp before demo_main runs. Every call is safe while no backend
// is open: locks fail, position reads fail, ticks read 0, messages are empty.
#pragma once
#include <cstddef>
#include <cstdint>

// Display results, with the values the display interface of old used.
enum : int32_t {
  dd_ok = 0,
  dderr_generic = int32_t(0x80004005),
  dderr_invalidmode = int32_t(0x88760078),
  dderr_nodirectdraw = int32_t(0x887600FF),
  dderr_surfacelost = int32_t(0x887601C2),
};

// A window message as the shell's message pump sees it.
struct PlatformMessage {
  uint32_t message;
  uintptr_t wparam;
  intptr_t lparam;
};
using WindowProc = intptr_t (*)(uint32_t message, uintptr_t wparam, intptr_t lparam);

// What a locked surface or a display description gives.
struct SurfaceDesc {
  uint8_t* pixels;  // null unless locked
  int32_t width, height;
  int32_t pitch;  // bytes from one display line to the next
  int32_t bpp;    // 24 or 32; bytes blue, green, red (and a spare one at 32)
};

// --- Backends ---------------------------------------------------------------------------
struct SdlOptions {
  bool windowed = false;  // a resizable window instead of the desktop-sized full screen
};
void platform_open_sdl(const SdlOptions& options);
// Whether SDL can open a display that really shows something (retrying a busy server).
bool sdl_screen_available();

struct HeadlessOptions {
  bool refuse_24_bit = false;    // the display refuses 800x600x24 (to try the 32-bit fallback)
  bool no_display = false;       // the display cannot be created
  bool no_audio_device = false;  // the player cannot open a device: a silent sink instead
  int32_t system_second = 0;     // what platform_current_second reports
};
void platform_open_headless(const HeadlessOptions& options);
// Ends the backend: the display, the player and the message queue are gone afterwards.
void platform_close();

// --- Window and messages ----------------------------------------------------------------
// Creates the demo's window; its messages are dispatched to proc. Failures show up at
// platform_display_create.
void platform_window_create(WindowProc proc);
// Sends WM_DESTROY to the window procedure and closes the window.
void platform_window_destroy();
// Also printed to stderr, so that a failure is visible without a desktop.
void platform_message_box(const char* text);
void platform_hide_cursor();

// PeekMessage(PM_NOREMOVE): true when a message waits (system events are collected first).
bool platform_peek_message();
// GetMessage: takes the next message; false when it is WM_QUIT.
bool platform_get_message(PlatformMessage* message);
void platform_post_message(uint32_t message, uintptr_t wparam, intptr_t lparam);
void platform_post_quit_message(int32_t exit_code);
intptr_t platform_dispatch_message(const PlatformMessage& message);
// DefWindowProc: WM_CLOSE destroys the window; everything else returns 0.
intptr_t platform_def_window_proc(uint32_t message, uintptr_t wparam, intptr_t lparam);

// --- Display ----------------------------------------------------------------------------
int32_t platform_display_create();
int32_t platform_display_set_cooperative();
int32_t platform_display_set_mode(int32_t width, int32_t height, int32_t bpp);
int32_t platform_display_create_surface();
int32_t platform_display_get_desc(SurfaceDesc* desc);
int32_t platform_surface_lock(SurfaceDesc* desc);
// Shows what was written. present marks a finished frame of the presenter: it is paced to
// the 60 Hz frame clock (other unlocks just show).
int32_t platform_surface_unlock(bool present);
int32_t platform_surface_restore();
void platform_display_release();

// Text on the primary surface with the loading display's font (Liberation Sans, cell
// height 250, antialiased): the size of a text and an opaque draw of it.
bool platform_text_extent(const char* text, int32_t* width, int32_t* height);
// Paints the text's cell in background colour and the glyphs in text colour (0x00RRGGBB).
bool platform_text_out(int32_t x, int32_t y, const char* text, uint32_t text_colour, uint32_t background);

// Waits for the next tick of the 60 Hz frame clock.
int32_t platform_wait_vblank();

// --- Clock ------------------------------------------------------------------------------
uint32_t platform_tick_count();     // milliseconds
int32_t platform_current_second();  // 0..59, second of the wall clock

// --- Module player ----------------------------------------------------------------------
// Opens the output (44100 Hz stereo). Without an audio device the song still advances
// against the clock into a silent sink, with one warning on stderr.
bool platform_music_init();
void platform_music_set_volume(int32_t volume);  // 0..100, linear output gain
// Loads an XM image from memory (read once; the caller may change it afterwards). 0 on failure.
uint32_t platform_music_load(const void* image, size_t size);
bool platform_music_start();
bool platform_music_play(uint32_t handle);
// Moves the loaded module to an order and row (before or while it plays).
bool platform_music_set_position(uint32_t handle, int32_t order, int32_t row);
// Stops and frees everything; later position reads fail until the next init and load.
void platform_music_free();
// Position of the music heard now: low word the order, high word the row;
// 0xFFFFFFFF when there is nothing to ask.
uint32_t platform_music_position(uint32_t handle);
// The same read, made by a busy wait: in headless runs each one costs a millisecond.
uint32_t platform_music_position_waiting(uint32_t handle);

// --- Headless hooks ---------------------------------------------------------------------
// The display at each 1/60-s boundary of the virtual clock. Return false to stop the run:
// the window then gets an Escape at once (player freed, quit_flag set) and no further
// frames or sound are delivered.
using HeadlessFrameHook = bool (*)(const uint8_t* pixels, int32_t pitch, int32_t bpp, void* user);
// Exactly the samples of each stretch of virtual time (interleaved stereo, 44100 Hz):
// 735 frames per 1/60 s, silence while no module plays.
using HeadlessAudioHook = void (*)(const int16_t* samples, int32_t frames, void* user);
void headless_set_frame_hook(HeadlessFrameHook hook, void* user);
void headless_set_audio_hook(HeadlessAudioHook hook, void* user);
// Posts a key press (WM_KEYDOWN with the key code) once the virtual clock reaches ms.
void headless_script_key(uint32_t ms, uint32_t key);
// Posts WM_CLOSE (the window being closed) once the virtual clock reaches ms.
void headless_script_close(uint32_t ms);
// Runs the clock on to the next 1/60-s boundary, so that the picture shown last is
// delivered too (call it after the run).
void headless_finish();
// Stops the run as soon as possible, as a frame hook returning false does.
void headless_request_stop();
// Makes the next lock report a lost surface (until restored).
void headless_lose_surface();
// Virtual time since the backend opened, in 1/441000 s (1 ms = 441, a frame = 7350).
int64_t headless_clock();
constexpr int64_t headless_units_per_second = 441000;
constexpr int64_t headless_frame_units = headless_units_per_second / 60;
// The display as it is now (also outside the hooks): null without a surface.
const uint8_t* headless_display(int32_t* pitch, int32_t* bpp);
