// --start: the whole start-up, then the scene playing at the start position first, from its
// own beginning, and the rest of the run as usual. Each run goes in a child process.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "display_fixture.h"
#include "shell/demo.h"

namespace {

struct Seen {
  std::string scenes;  // every scene that played, in order, separated by spaces
  const char* last = nullptr;
  int stop_after = 0;  // scenes to see before the run is stopped; 0 plays to the end
  int count = 0;
};
Seen seen;

// Runs from half:order:row and writes the scenes that played (and the run's result) to path.
[[noreturn]] void run_from_into(int half, int order, int row, int stop_after, const std::string& path) {
  platform_open_headless({});
  start_half = half, start_position = order * 256 + row;
  seen.stop_after = stop_after;
  headless_set_frame_hook(
      [](const uint8_t*, int32_t, int32_t, void*) {
        if (scene_playing && scene_playing != seen.last) {
          seen.last = scene_playing;
          seen.scenes += std::string(seen.scenes.empty() ? "" : " ") + scene_playing;
          ++seen.count;
        }
        return seen.stop_after == 0 || seen.count <= seen.stop_after;
      },
      nullptr);
  int result = demo_main();
  platform_close();
  std::ofstream(path) << seen.scenes << "\n";
  std::_Exit(result);
}

TEST(StartPosition, TheScenePlayingThereRunsFirst) {
  const struct {
    int half, order, row, stop_after;
    const char* scenes;
  } cases[] = {
      // The chain starts at 11:96: at 11:100 it is the one playing.
      {1, 11, 100, 3, "chain tree intermission towers"},
      {1, 0, 0, 1, "particle_zoom card_flight"},
      // No intermission and no pause before the second half.
      {2, 0, 0, 1, "towers fan_tunnel"},
      {2, 8, 0, 1, "gears balls"},
      // To the end of the run, which then ends as usual.
      {2, 20, 0, 0, "final_scene"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "--start " << c.half << ":" << c.order << ":" << c.row);
    const std::string path = testing::TempDir() + "talvex_start_scenes.txt";
    std::remove(path.c_str());
    EXPECT_EXIT(run_from_into(c.half, c.order, c.row, c.stop_after, path), ::testing::ExitedWithCode(0), "");
    std::string scenes;
    std::getline(std::ifstream(path), scenes);
    EXPECT_EQ(scenes, c.scenes);
  }
}

}  // namespace
