// Whole runs of the demo on the headless backend. Each run goes in a child process, since a
// run leaves the demo's global state behind (quit_flag is never cleared, the count only falls).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
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

// A hash of every frame and sample of the first six seconds of a run, written to path.
uint64_t run_hash = 1469598103934665603ull;
void mix(uint8_t byte) { run_hash = (run_hash ^ byte) * 1099511628211ull; }
[[noreturn]] void hash_run_into(const std::string& path) {
  static int frames = 0;
  platform_open_headless({});
  headless_set_frame_hook(
      [](const uint8_t* pixels, int32_t pitch, int32_t, void*) {
        for (int32_t i = 0; i < pitch * 600; i += 61) mix(pixels[i]);
        return ++frames < 6 * 60;
      },
      nullptr);
  headless_set_audio_hook(
      [](const int16_t* samples, int32_t count, void*) {
        for (int32_t i = 0; i < 2 * count; ++i) mix(uint8_t(samples[i])), mix(uint8_t(samples[i] >> 8));
      },
      nullptr);
  int result = demo_main();
  platform_close();
  std::ofstream(path) << run_hash << " " << frames << "\n";
  std::_Exit(result);
}

TEST(DemoRun, TwoHeadlessRunsAreIdentical) {
  std::string hashes[2];
  for (std::string& hash : hashes) {
    std::string path = testing::TempDir() + "talvex_run_hash.txt";
    std::remove(path.c_str());
    EXPECT_EXIT(hash_run_into(path), ::testing::ExitedWithCode(0), "");
    std::getline(std::ifstream(path), hash);
  }
  EXPECT_FALSE(hashes[0].empty());
  EXPECT_EQ(hashes[0], hashes[1]);
}

TEST(DemoRun, StartUpFailuresExitWithOne) {
  EXPECT_EXIT(
      {
        platform_open_headless({.no_display = true});
        std::_Exit(demo_main());
      },
      ::testing::ExitedWithCode(1), "DirectDraw Init FAILED");
}

}  // namespace
