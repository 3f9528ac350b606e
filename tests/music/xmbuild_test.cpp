// talvex-xmbuild writes the images of a good score, and refuses bad ones with a one-line message
// naming the line, writing nothing.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

TEST(XmBuild, WritesGoodScoresAndRejectsBadOnesWithTheirLine) {
  const std::string header =
      "tracker \"t\"\nchannels 2\nspeed 3\nbpm 130\ninstruments 2\npatterns 1\n"
      "instrument 1 \"a\" 512 loop=0+512\ninstrument 2 \"\"\n"
      "clip c ins=1 step=4\n  C-4 . D-4 ==\nend\n";
  const struct {
    const char* body;
    const char* message;  // nullptr: accepted
  } cases[] = {
      {"pattern 0 rows=32\n  1: c*2\n  2: @16 c+12\nend\norder 0\n", nullptr},
      {"pattern 0 rows=16\n  1: c*5\nend\norder 0\n", "line 13: clip c runs past row 15"},
      {"pattern 0 rows=16\n  1: @4 c\nend\norder 0\n",
       "line 13: clip c runs past row 15"},  // its key-off on row 16
      {"pattern 0 rows=16\n  1: d\nend\norder 0\n", "line 13: unknown clip d"},
      {"pattern 0 rows=16\n  3: c\nend\norder 0\n", "line 13: '3' is out of range 1..2"},
      {"pattern 0 rows=16\n  1: c:2\nend\norder 0\n", "line 13: instrument 2 has no sample"},
      {"pattern 0 rows=16\n  1: c+48\nend\norder 0\n", "line 13: transposed note out of range"},
      {"pattern 0 rows=16\n  1: c\nend\norder 1\n", "order names pattern 1"},
      {"pattern 0 rows=300\nend\n", "line 12: '300' is out of range 1..256"},
      {"clip e step=1\n  H-4\nend\n", "line 13: cannot read step 'H-4'"},
      {"instrument 2 \"b\" 512 loop=256+512\n", "line 12: loop runs past the sample's end"},
  };
  const auto dir = std::filesystem::temp_directory_path() / ("talvex_xmbuild_" + std::to_string(::getpid()));
  const std::string score = (dir / "s.txt").string(), out = (dir / "out.cpp").string();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.body);
    std::filesystem::create_directories(dir);
    std::ofstream(score) << header << c.body;
    const std::string command = std::string(TALVEX_BINARY_DIR) + "/tools/talvex-xmbuild '" + out + "' '" +
                                score + "' '" + score + "' 2>&1";
    std::string message;
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe)) message += buffer;
    const int status = pclose(pipe);
    const bool wrote = std::filesystem::exists(out) || std::filesystem::exists(out + ".tmp");
    std::filesystem::remove_all(dir);
    if (!c.message) {
      EXPECT_TRUE(status == 0 && wrote) << message;
      continue;
    }
    EXPECT_NE(status, 0);
    EXPECT_NE(message.find(c.message), std::string::npos) << message;
    EXPECT_EQ(message.find('\n'), message.size() - 1) << "one line: " << message;
    EXPECT_FALSE(wrote);
  }
}

}  // namespace
