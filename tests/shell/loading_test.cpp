#include "shell/loading.h"

#include <gtest/gtest.h>

#include <string>

#include "display_fixture.h"

namespace {

// The brightest blue byte and the horizontal extent of everything lit on the display.
struct Lit {
  int max = 0, left = 800, right = -1;
};
Lit lit_pixels() {
  Lit lit;
  for (int y = 0; y < 600; ++y) {
    for (int x = 0; x < 800; ++x) {
      int v = display_byte(x, y, 0);
      if (v == 0) continue;
      lit.max = std::max(lit.max, v);
      lit.left = std::min(lit.left, x);
      lit.right = std::max(lit.right, x);
    }
  }
  return lit;
}

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
    if (next < std::size(expected) && expected[next].call == call) {
      EXPECT_EQ(std::string(loading_text), expected[next].text) << "call " << call;
      Lit lit = lit_pixels();
      EXPECT_EQ(lit.max, expected[next].grey) << "call " << call;
      // Centred: the glyphs sit inside the text's cell, about as far from either edge.
      int32_t width = 0, height = 0;
      ASSERT_TRUE(platform_text_extent(loading_text, &width, &height));
      EXPECT_EQ(height, 250);
      EXPECT_GE(lit.left, (800 - width) / 2);
      EXPECT_LT(lit.right, (800 - width) / 2 + width);
      EXPECT_NEAR(lit.left + lit.right, 800, 40);
      ++next;
    }
  }
  EXPECT_EQ(next, std::size(expected));
  platform_close();
}

TEST(LoadingDisplay, CountsWithoutADisplay) {
  loading_count = 100.0f;
  show_loading_count();
  EXPECT_STREQ(loading_text, "<100>");
  EXPECT_FLOAT_EQ(loading_count, 100.0f + -1.4492f);
}

}  // namespace
