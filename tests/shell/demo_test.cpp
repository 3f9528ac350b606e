// Whole runs of the demo on the headless backend. Each run goes in a child process, since a
// run leaves the demo's global state behind (quit_flag is never cleared, the count only falls).
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "display_fixture.h"

namespace {

// The grey of the picture's centre at every video frame.
bool record_centre(const uint8_t* pixels, int32_t pitch, int32_t bpp, void* user) {
  static_cast<std::vector<int>*>(user)->push_back(pixels[300 * pitch + 400 * (bpp / 8) + 1]);
  return true;
}

TEST(EndFade, FiftyTwoFramesFromWhiteToBlack) {
  open_test_display(false);
  quit_flag = 0;
  std::vector<int> greys;
  headless_set_frame_hook(record_centre, &greys);
  end_fade();
  headless_finish();
  headless_set_frame_hook(nullptr, nullptr);
  // Each video frame shows what was presented at its start: first the black from before.
  ASSERT_EQ(greys.size(), 53u);
  EXPECT_EQ(greys[0], 0);
  for (int k = 0; k < 52; ++k) EXPECT_EQ(greys[k + 1], 255 - 5 * k) << k;  // ends at 0
  EXPECT_LT(fade_colour, 0);
  // After a quit there is no fade at all.
  greys.clear();
  quit_flag = 1;
  headless_set_frame_hook(record_centre, &greys);
  end_fade();
  EXPECT_TRUE(greys.empty());
  quit_flag = 0;
  platform_close();
}

// A run with Escape pressed at the given virtual time. The child exits 0 when the run ended
// with code 0 within a second of virtual time after the key, 3 when it took longer.
[[noreturn]] void run_with_escape_at(uint32_t ms) {
  platform_open_headless({});
  headless_script_key(ms, vk_escape);
  int result = demo_main();
  int64_t end_ms = headless_clock() / (headless_units_per_second / 1000);
  platform_close();
  if (result != 0) std::_Exit(10 + result);
  std::_Exit(end_ms <= int64_t(ms) + 1000 ? 0 : 3);
}

// During the loading count, early in the first half, and later on.
TEST(DemoRun, EscapeAtSeveralMomentsEndsTheRunCleanly) {
  for (uint32_t ms : {200u, 4000u, 21000u}) {
    SCOPED_TRACE(testing::Message() << "escape at " << ms << " ms");
    EXPECT_EXIT(run_with_escape_at(ms), ::testing::ExitedWithCode(0), "");
  }
}

}  // namespace
