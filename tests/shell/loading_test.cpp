#include "shell/loading.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "display_fixture.h"

namespace {

TEST(LoadingDisplay, CountsDownWithThreeDigitsAndDarkens) {
  open_test_display(false);
  loading_count = 100.0f;
  struct Expected {
    int call;
    const char* text;
    int grey;
  };
  const Expected expected[] = {{1, "<100>", 251}, {2, "<098>", 247}, {3, "<097>", 243},
                               {66, "<005>", 11}, {67, "<004>", 7},  {68, "<002>", 3}};
  size_t next = 0;
  for (int call = 1; call <= 68; ++call) {
    clear_screen();
    show_loading_count();
    if (next == std::size(expected) || expected[next].call != call) continue;
    SCOPED_TRACE(testing::Message() << "call " << call);
    EXPECT_EQ(std::string(loading_text), expected[next++].text);
    // The brightest blue byte, and everything lit centred on the screen.
    int max = 0, left = 800, right = -1;
    for (int y = 0; y < 600; ++y) {
      for (int x = 0; x < 800; ++x) {
        int v = display_byte(x, y, 0);
        if (v == 0) continue;
        max = std::max(max, v), left = std::min(left, x), right = std::max(right, x);
      }
    }
    EXPECT_EQ(max, expected[next - 1].grey);
    EXPECT_NEAR(left + right, 800, 40);
  }
  EXPECT_EQ(next, std::size(expected));
  platform_close();
}

TEST(LoadingDisplay, CountsWithoutADisplay) {
  loading_count = 100.0f;
  show_loading_count();
  EXPECT_STREQ(loading_text, "<100>");
}

// The start-up shows one count per texture: 68 of them, the last "<002>". Run in a child, as
// the start-up happens once per process.
[[noreturn]] void precalc_and_report(const std::string& path) {
  open_test_display(false);
  loading_count = 100.0f;  // as at program start, whatever earlier tests left
  precalc_all();
  const long steps = std::lround((100.0f - loading_count) / 1.4492f);
  std::ofstream(path) << loading_text << " " << steps << "\n";
  platform_close();
  std::_Exit(0);
}

TEST(LoadingDisplay, TheStartUpCountsAllSixtyEightSteps) {
  const std::string path = testing::TempDir() + "talvex_loading.txt";
  std::remove(path.c_str());
  EXPECT_EXIT(precalc_and_report(path), ::testing::ExitedWithCode(0), "");
  std::string text;
  int steps = 0;
  std::ifstream(path) >> text >> steps;
  EXPECT_EQ(steps, 68);
  EXPECT_EQ(text, "<002>");
}

}  // namespace
