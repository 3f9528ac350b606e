#include <gtest/gtest.h>

#include <tuple>
#include <utility>

#include "display_fixture.h"
#include "render3d/pipeline.h"

namespace {

class WindowKeys : public ::testing::Test {
 protected:
  void SetUp() override {
    open_test_display(false);
    quit_flag = 0;
    music_volume = 75;
    blend_enabled = 1;
    mosaic_mode = 0;
    present_skip = 0;
  }
  void TearDown() override { platform_close(); }
  static void press(uint32_t key) {
    platform_post_message(wm_keydown, key, 0);
    present_frame(0, 0);  // keys act only inside the presenter's message pump
  }
};

TEST_F(WindowKeys, VolumeStepsByFiveWithinLimits) {
  // From 75: key, presses, volume.
  for (auto [key, presses, volume] :
       {std::tuple{vk_add, 1, 80}, {vk_add, 6, 100}, {vk_subtract, 1, 70}, {vk_subtract, 16, 0}}) {
    music_volume = 75;
    for (int i = 0; i < presses; ++i) press(key);
    EXPECT_EQ(music_volume, volume) << presses;
  }
}

TEST_F(WindowKeys, TogglesBlendFromBlackAndMosaic) {
  fill_prev_frame(0x55555555);
  platform_post_message(wm_keydown, vk_m, 0);
  EXPECT_EQ(blend_enabled, 1);  // nothing happens until the next frame
  present_frame(0, 0);
  EXPECT_EQ(std::pair(int{blend_enabled}, prev_frame[100]), std::pair(0, 0u));
  fill_prev_frame(0x55555555);
  press(vk_m);  // back on, again from black
  EXPECT_EQ(std::pair(int{blend_enabled}, prev_frame[100]), std::pair(1, 0u));
  press(vk_z);
  EXPECT_EQ(mosaic_mode, 1);
  press(vk_z);
  EXPECT_EQ(mosaic_mode, 0);
  EXPECT_EQ(window_proc(wm_setcursor, 0, 0), 1);
  EXPECT_EQ(quit_flag, 0);
}

TEST_F(WindowKeys, EscapeFreesThePlayerClosesTheWindowAndQuits) {
  platform_music_init();
  std::vector<uint8_t> not_a_module(64, 0);
  music_handle = platform_music_load(not_a_module.data(), not_a_module.size());
  press(vk_escape);
  EXPECT_EQ(quit_flag, 1);
  // WM_CLOSE -> window destroyed -> WM_DESTROY -> WM_QUIT, all in the same pump.
  EXPECT_EQ(shell_msg.message, uint32_t(wm_quit));
  EXPECT_EQ(shell_msg.wparam, 0u);
  EXPECT_FALSE(platform_peek_message());
  EXPECT_EQ(read_music_position(), 65535);
  // Every later wait ends at once.
  wait_for_position(5120, 77);
  EXPECT_EQ(near_z_limit, 77);
}

TEST(FatalDisplayError, ReportsAndDestroysTheWindow) {
  platform_open_headless({});
  platform_window_create(window_proc);
  quit_flag = 0;
  testing::internal::CaptureStderr();
  EXPECT_EQ(fatal_display_error(), 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "talvex: DirectDraw Init FAILED\n");
  EXPECT_EQ(quit_flag, 1);  // WM_DESTROY reached the window procedure
  EXPECT_EQ(platform_display_create(), dderr_nodirectdraw);
  platform_close();
}

}  // namespace
