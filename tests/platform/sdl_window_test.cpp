#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/platform.h"
#include "platform/view_fit.h"
#include "shell/window.h"

namespace {

TEST(ViewFit, FourThreeCentredWithTheSmallestWholeFactorThatReachesIt) {
  struct Case {
    int32_t output_width, output_height, max_texture;
    ViewFit want;
  };
  const Case cases[] = {
      {800, 600, 0, {0, 0, 800, 600, 1}},
      {1280, 720, 0, {160, 0, 960, 720, 2}},        // 1.2x
      {1920, 1080, 0, {240, 0, 1440, 1080, 2}},     // 1.8x: enlarged 2x, then shrunk
      {2560, 1440, 0, {320, 0, 1920, 1440, 3}},     // 2.4x
      {1600, 1200, 0, {0, 0, 1600, 1200, 2}},       // exactly 2x: the linear pass copies 1:1
      {1024, 1280, 0, {0, 256, 1024, 768, 2}},      // taller than wide: bars above and below
      {802, 601, 0, {0, 0, 801, 601, 2}},           // just over the display: enlarged 2x
      {640, 480, 0, {0, 0, 640, 480, 1}},           // smaller than the display: shrunk only
      {3840, 2160, 2048, {480, 0, 2880, 2160, 2}},  // the renderer's texture limit holds
      {1, 1, 0, {0, 0, 1, 1, 1}},
      {0, 600, 0, {0, 0, 0, 0, 1}},
  };
  for (const Case& c : cases) {
    ViewFit got = fit_view(c.output_width, c.output_height, 800, 600, c.max_texture);
    SCOPED_TRACE(testing::Message() << c.output_width << "x" << c.output_height);
    EXPECT_EQ(got.x, c.want.x);
    EXPECT_EQ(got.y, c.want.y);
    EXPECT_EQ(got.width, c.want.width);
    EXPECT_EQ(got.height, c.want.height);
    EXPECT_EQ(got.factor, c.want.factor);
  }
}

std::vector<PlatformMessage> received;
intptr_t record(uint32_t message, uintptr_t wparam, intptr_t lparam) {
  received.push_back({message, wparam, lparam});
  return 0;
}

// The real backend on SDL's dummy video driver: a window without a screen.
class SdlDummy : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    received.clear();
    platform_open_sdl(SdlOptions{.windowed = true});
    platform_window_create(record);
    window_ = find_window();
    ASSERT_NE(window_, nullptr);
    ASSERT_EQ(platform_display_create(), dd_ok);
    ASSERT_EQ(platform_display_set_mode(800, 600, 32), dd_ok);
    ASSERT_EQ(platform_display_create_surface(), dd_ok);
  }
  void TearDown() override {
    platform_close();
    unsetenv("SDL_VIDEODRIVER");
  }
  static SDL_Window* find_window() {
    for (Uint32 id = 1; id < 64; ++id) {
      SDL_Window* window = SDL_GetWindowFromID(id);
      if (window && std::strcmp(SDL_GetWindowTitle(window), "Talvex") == 0) return window;
    }
    return nullptr;
  }
  // A key as the keyboard gives it, then the pump; a frame is shown afterwards.
  void press(SDL_Keycode sym, Uint16 mod = KMOD_NONE, bool repeat = false) {
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.windowID = SDL_GetWindowID(window_);
    event.key.state = SDL_PRESSED;
    event.key.repeat = repeat ? 1 : 0;
    event.key.keysym.sym = sym;
    event.key.keysym.mod = mod;
    SDL_PushEvent(&event);
    while (platform_peek_message()) {
      PlatformMessage message;
      platform_get_message(&message);
      platform_dispatch_message(message);
    }
    SurfaceDesc desc;
    ASSERT_EQ(platform_surface_lock(&desc), dd_ok);
    std::memset(desc.pixels + 300 * desc.pitch, 0xFF, size_t(desc.pitch));
    ASSERT_EQ(platform_surface_unlock(true), dd_ok);
  }
  bool full_screen() const { return (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN) != 0; }
  SDL_Window* window_ = nullptr;
};

TEST_F(SdlDummy, AltEnterAndF11SwitchWithoutReachingTheDemo) {
  EXPECT_FALSE(full_screen());
  press(SDLK_F11);
  EXPECT_TRUE(full_screen());
  press(SDLK_F11, KMOD_NONE, true);  // a held key switches once
  EXPECT_TRUE(full_screen());
  press(SDLK_RETURN, KMOD_LALT);
  EXPECT_FALSE(full_screen());
  int width = 0, height = 0;
  SDL_GetWindowSize(window_, &width, &height);
  EXPECT_EQ(width, 800);
  EXPECT_EQ(height, 600);
  press(SDLK_KP_ENTER, KMOD_RALT);
  EXPECT_TRUE(full_screen());
  press(SDLK_RETURN);  // Enter alone does nothing
  EXPECT_TRUE(full_screen());
  EXPECT_TRUE(received.empty());
  // The demo's own keys still arrive, also in full screen.
  press(SDLK_m);
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].message, wm_keydown);
  EXPECT_EQ(received[0].wparam, uintptr_t(vk_m));
}

}  // namespace
