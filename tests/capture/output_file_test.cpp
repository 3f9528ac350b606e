#include "platform/output_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <random>

#include "platform/png.h"
#include "tests/capture/test_files.h"

namespace fs = std::filesystem;

namespace {

// A folder of each instance's own: ctest runs the two instances of a test side by side.
fs::path fresh_folder(const std::string& name) {
  const std::string instance = ::testing::UnitTest::GetInstance()->current_test_info()->name();
  fs::path dir = scratch(name + "_" + instance.substr(instance.find('/') + 1));
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

std::vector<std::string> folder_names(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& f : fs::directory_iterator(dir)) names.push_back(f.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

bool is_png(const fs::path& path) { return file_bytes(path.string()).starts_with("\x89PNG"); }

const std::vector<uint32_t> grey(64 * 48, 0x808080);

}  // namespace

// Each test runs twice: with unnamed files, and with the hidden names that stand in for them
// on file systems without.
class Outputs : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override { output_file_force_hidden_names(GetParam()); }
  void TearDown() override { output_file_force_hidden_names(false); }
  bool hidden() const { return GetParam(); }
};
INSTANTIATE_TEST_SUITE_P(Files, Outputs, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "HiddenNames" : "UnnamedFiles"; });

// A link is written where it points, dangling or not, and stays a link; a name at the file
// system's limit works (no suffix is added to it on the way).
TEST_P(Outputs, WritesThroughLinksAndAtTheNameLimit) {
  fs::path dir = fresh_folder("links");
  { std::ofstream(dir / "real.png") << "old"; }
  fs::create_symlink("real.png", dir / "link.png");
  fs::create_symlink("later.png", dir / "dangling.png");
  const std::string long_name = std::string(251, 'n') + ".png";
  for (const char* name : {"link.png", "dangling.png"}) {
    std::string error;
    EXPECT_TRUE(write_png((dir / name).c_str(), 64, 48, grey.data(), 64, false, &error)) << error;
    EXPECT_TRUE(fs::is_symlink(dir / name)) << name;
  }
  EXPECT_TRUE(is_png(dir / "real.png") && is_png(dir / "later.png"));
  EXPECT_TRUE(same_output((dir / "link.png").string(), (dir / "real.png").string()));
  EXPECT_FALSE(same_output((dir / "link.png").string(), (dir / "later.png").string()));
  EXPECT_TRUE(write_png((dir / long_name).c_str(), 64, 48, grey.data(), 64));
  EXPECT_EQ(folder_names(dir),
            (std::vector<std::string>{"dangling.png", "later.png", "link.png", long_name, "real.png"}));
}

// What check_output_path refuses, with the reason in one line.
TEST_P(Outputs, PathsCheckedBeforeWriting) {
  fs::path dir = fresh_folder("checks");
  fs::create_directories(dir / "sub");
  const struct {
    fs::path path;
    const char* reason;
  } cases[] = {{dir / "none" / "x.png", "no folder"},
               {dir / "sub", "folder"},
               {dir / (std::string(256, 'n') + ".png"), "too long"},
               {"", "no file name"}};
  for (const auto& c : cases) {
    std::string why;
    EXPECT_FALSE(check_output_path(c.path.string(), &why)) << c.path;
    EXPECT_NE(why.find(c.reason), std::string::npos) << why;
    EXPECT_EQ(why.find('\n'), std::string::npos);
  }
  std::string why;
  EXPECT_TRUE(check_output_path((dir / "x.png").string(), &why)) << why;
  EXPECT_EQ(folder_names(dir), std::vector<std::string>{"sub"});
}

TEST_P(Outputs, FreeNamesAndNoReplacingUnasked) {
  fs::path dir = fresh_folder("free");
  const std::string video = (dir / "talvex.mp4").string();
  EXPECT_EQ(free_output_name(video), video);
  { std::ofstream(video) << "mine"; }
  EXPECT_EQ(free_output_name(video), (dir / "talvex-2.mp4").string());
  { std::ofstream(dir / "talvex-2.mp4") << "mine too"; }
  EXPECT_EQ(free_output_name(video), (dir / "talvex-3.mp4").string());
  // A file that turns up under the name while it is written is kept.
  OutputFile file;
  std::string error;
  ASSERT_TRUE(file.open((dir / "late.mp4").string(), &error, false)) << error;
  ASSERT_EQ(write(file.fd(), "new", 3), 3);
  { std::ofstream(dir / "late.mp4") << "came first"; }
  EXPECT_FALSE(file.commit(&error));
  EXPECT_NE(error.find("not replaced"), std::string::npos) << error;
  EXPECT_EQ(file_bytes((dir / "late.mp4").string()), "came first");
  EXPECT_EQ(folder_names(dir), (std::vector<std::string>{"late.mp4", "talvex-2.mp4", "talvex.mp4"}));
}

// Killed while writing, even by SIGKILL (an unnamed file): nothing is left.
TEST_P(Outputs, KilledHalfWayLeavesNothing) {
  for (int sig : {SIGINT, SIGKILL}) {
    SCOPED_TRACE(sig);
    if (sig == SIGKILL && hidden()) continue;  // a hidden name cannot outlive SIGKILL
    fs::path dir = fresh_folder("killed");
    const bool force = hidden();
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    std::fflush(nullptr);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      output_file_force_hidden_names(force);
      OutputFile file;
      std::string error;
      if (!file.open((dir / "x.png").string(), &error) || write(file.fd(), "half", 4) != 4) _exit(3);
      if (write(ready[1], "k", 1) != 1) _exit(4);
      pause();
      _exit(5);
    }
    char k = 0;
    ASSERT_EQ(read(ready[0], &k, 1), 1);
    close(ready[0]);
    close(ready[1]);
    kill(child, sig);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig);
    EXPECT_TRUE(fs::is_empty(dir));
  }
}

// A write that fails says why in one line, with nothing from libpng on stderr and no file.
TEST_P(Outputs, AFailedPictureSaysWhy) {
  fs::path dir = fresh_folder("too_large");
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  std::fflush(nullptr);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // A file size limit stands in for a full disk.
    struct rlimit limit = {4096, 4096};
    signal(SIGXFSZ, SIG_IGN);
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0 || dup2(fds[1], STDERR_FILENO) < 0) _exit(3);
    std::vector<uint32_t> noise(640 * 400);
    std::mt19937 random(1);
    for (uint32_t& p : noise) p = random();
    std::string error;
    const bool written = write_png((dir / "x.png").c_str(), 640, 400, noise.data(), 640, false, &error);
    _exit(written ? 4 : error.find("File too large") != std::string::npos ? 0 : 5);
  }
  close(fds[1]);
  std::string err;
  char buffer[256];
  for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) err.append(buffer, size_t(n));
  close(fds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(err, "");
  EXPECT_TRUE(fs::is_empty(dir));
}
