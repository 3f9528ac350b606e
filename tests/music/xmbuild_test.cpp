// talvex-xmbuild refuses bad scores with a one-line message naming the line, and writes nothing.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

const std::string header =
    "tracker \"t\"\nchannels 2\nspeed 3\nbpm 130\ninstruments 2\npatterns 1\n"
    "instrument 1 \"a\" 512 loop=0+512\ninstrument 2 \"\"\n"
    "clip c ins=1 step=4\n  C-4 . D-4 ==\nend\n";

struct Result {
  int status;
  std::string message;
  bool wrote;
};

Result build(const std::string& score) {
  auto dir = std::filesystem::temp_directory_path() / ("talvex_xmbuild_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "s.txt") << score;
  std::string out = (dir / "out.cpp").string();
  std::string command = std::string(TALVEX_BINARY_DIR) + "/tools/talvex-xmbuild '" + out + "' '" +
                        (dir / "s.txt").string() + "' '" + (dir / "s.txt").string() + "' 2>&1";
  Result r{};
  FILE* pipe = popen(command.c_str(), "r");
  char buffer[512];
  while (pipe && std::fgets(buffer, sizeof buffer, pipe)) r.message += buffer;
  r.status = pipe ? pclose(pipe) : -1;
  r.wrote = std::filesystem::exists(out) || std::filesystem::exists(out + ".tmp");
  std::filesystem::remove_all(dir);
  return r;
}

TEST(XmBuild, WritesTheImagesOfAGoodScore) {
  Result r = build(header + "pattern 0 rows=32\n  1: c*2\n  2: @16 c+12\nend\norder 0\n");
  EXPECT_EQ(r.status, 0) << r.message;
  EXPECT_TRUE(r.wrote);
}

TEST(XmBuild, RejectsBadScoresWithTheirLine) {
  const struct {
    const char* body;
    const char* message;
  } cases[] = {
      {"pattern 0 rows=16\n  1: c*5\nend\norder 0\n", "line 13: clip c runs past row 15"},
      {"pattern 0 rows=16\n  1: d\nend\norder 0\n", "line 13: unknown clip d"},
      {"pattern 0 rows=16\n  3: c\nend\norder 0\n", "line 13: '3' is out of range 1..2"},
      {"pattern 0 rows=16\n  1: c:2\nend\norder 0\n", "line 13: instrument 2 has no sample"},
      {"pattern 0 rows=16\n  1: c+48\nend\norder 0\n", "line 13: transposed note out of range"},
      {"pattern 0 rows=16\n  1: c\nend\norder 1\n", "order names pattern 1"},
      {"pattern 0 rows=300\nend\n", "line 12: '300' is out of range 1..256"},
      {"clip e step=1\n  H-4\nend\n", "line 13: cannot read step 'H-4'"},
      {"instrument 2 \"b\" 512 loop=256+512\n", "line 12: loop runs past the sample's end"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.body);
    Result r = build(header + c.body);
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.message.find(c.message), std::string::npos) << r.message;
    EXPECT_EQ(r.message.find('\n'), r.message.size() - 1) << "one line: " << r.message;
    EXPECT_FALSE(r.wrote);
  }
}

}  // namespace
