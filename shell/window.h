// Keys, window messages and the fatal start-up exit.
#pragma once
#include <cstdint>

extern int32_t quit_flag;  // 1 once the user has asked to stop; never cleared

// The window messages and keys the demo knows, with their Win32 values.
enum : uint32_t {
  wm_destroy = 0x0002,
  wm_close = 0x0010,
  wm_quit = 0x0012,
  wm_setcursor = 0x0020,
  wm_keydown = 0x0100,
};
enum : uint32_t {
  vk_escape = 0x1B,
  vk_m = 0x4D,
  vk_z = 0x5A,
  vk_add = 0x6B,
  vk_subtract = 0x6D,
};

intptr_t window_proc(uint32_t message, uintptr_t wparam, intptr_t lparam);
int fatal_display_error();
