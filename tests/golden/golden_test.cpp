// Every scene's picture at a few song positions, against the sums checked in. A failure names
// the scene; if the change is meant, rewrite the table with `talvex-lab golden
// tests/golden/frames.txt` and say why in the commit.
#include "tools/support/golden.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

TEST(GoldenRun, EverySceneDrawsWhatItDrewBefore) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "frames are the same in every build; the sanitized builds run shorter checks";
#endif
  std::ifstream in(TALVEX_SOURCE_DIR "/tests/golden/frames.txt");
  ASSERT_TRUE(in) << "tests/golden/frames.txt is missing";
  std::vector<std::string> expected;
  for (std::string line; std::getline(in, line);)
    if (!line.empty() && line[0] != '#') expected.push_back(line);
  std::vector<std::string> lines;
  std::string error;
  ASSERT_TRUE(golden_run(&lines, &error)) << error;
  ASSERT_EQ(lines.size(), expected.size()) << "the table lists other points than the run";
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string scene = lines[i].substr(0, lines[i].rfind(' '));
    EXPECT_EQ(lines[i], expected[i]) << "the picture of " << scene << " changed";
  }
}

}  // namespace
