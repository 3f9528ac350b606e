#include "platform/capture.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <tuple>

#include "platform/png.h"
#include "tests/capture/media_probe.h"
#include "tests/capture/test_files.h"

namespace fs = std::filesystem;

namespace {

// A short excerpt: the loading count, then the first rows of the first module.
constexpr SongPoint excerpt_end{1, 8};

// What a run in a child process saw. The demo's state is global and made for one run,
// so each run gets a process of its own.
struct ChildRun {
  int status = -1;
  CaptureStats stats;
};

ChildRun run_in_child(const CaptureOptions& options) {
  ChildRun result;
  int fds[2];
  if (pipe(fds) != 0) return result;
  std::fflush(nullptr);
  pid_t child = fork();
  if (child == 0) {
    close(fds[0]);
    ChildRun r{run_capture(options), {}};
    r.stats = last_capture_stats();
    _exit(write(fds[1], &r, sizeof r) == sizeof r ? 0 : 99);
  }
  close(fds[1]);
  if (read(fds[0], &result, sizeof result) != sizeof result) result.status = -1;
  close(fds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) result.status = -1;
  return result;
}

CaptureOptions excerpt(const std::string& name, bool crop = false) {
  CaptureOptions o;
  o.video_path = scratch(name);
  o.crop = crop;
  o.has_until = true;
  o.until = excerpt_end;
  o.progress = false;
  return o;
}

// Runs the demo binary; its stderr comes back in *err.
int run_talvex(const std::string& arguments, std::string* err) {
  std::string errors = scratch("stderr.txt");
  std::string command =
      std::string(TALVEX_BINARY_DIR) + "/talvex " + arguments + " >" + scratch("stdout.txt") + " 2>" + errors;
  int status = std::system(command.c_str());
  *err = file_bytes(errors);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool have_talvex() { return fs::exists(fs::path(TALVEX_BINARY_DIR) / "talvex"); }

}  // namespace

TEST(CaptureOptions, SongPointsAndArguments) {
  for (auto [text, half, position] : {std::tuple{"1:0:0", 1, 0}, {"2:20:127", 2, 20 * 256 + 127}}) {
    SongPoint p;
    EXPECT_TRUE(parse_song_point(text, &p) && p.half == half && p.position == position) << text;
  }
  SongPoint p;
  for (const char* bad :
       {"", "1:0", "3:0:0", "0:1:1", "1:256:0", "1:0:256", "1:0:0x", "-1:0:0", " 1:0:0", "a:b:c"})
    EXPECT_FALSE(parse_song_point(bad, &p)) << '"' << bad << '"';

  // Each option reports how many arguments it used, 0 for someone else's, -1 (after one line) if wrong.
  const char* argv[] = {"talvex",    "--shot", "2:4:0",   "a.png", "--crop",
                        "--capture", "x.mp4",  "--until", "1:2:3"};
  char** args = const_cast<char**>(argv);
  CaptureOptions o;
  for (auto [at, used] : {std::pair{0, 0}, {1, 3}, {4, 1}, {5, 2}, {7, 2}})
    EXPECT_EQ(parse_capture_option(9, args, at, &o), used) << argv[at];
  ASSERT_EQ(o.shots.size(), 1u);
  EXPECT_TRUE(o.shots[0].at.half == 2 && o.shots[0].at.position == 1024 && o.shots[0].path == "a.png");
  EXPECT_TRUE(o.crop && o.has_until && o.video_path == "x.mp4" && o.until.position == 2 * 256 + 3);
  testing::internal::CaptureStderr();
  EXPECT_EQ(parse_capture_option(3, args, 1, &o), -1);  // --shot without its file
  EXPECT_EQ(parse_capture_option(8, args, 7, &o), -1);  // --until without its position
  EXPECT_EQ(count_lines(testing::internal::GetCapturedStderr()), 2);
}

// The excerpt, full and cropped, decoded as a player would; then the full one again, byte for byte.
TEST(Capture, ExcerptDecodesToItsFramesSizeAndSoundTheSameEachTime) {
  const struct {
    const char* name;
    bool crop;
    int width, height;
  } runs[] = {{"excerpt.mp4", false, 800, 600}, {"excerpt_crop.mp4", true, 640, 400}};
  for (const auto& r : runs) {
    SCOPED_TRACE(r.name);
    CaptureOptions o = excerpt(r.name, r.crop);
    ChildRun run = run_in_child(o);
    ASSERT_EQ(run.status, 0);
    // One frame per 1/60 s of sound: the display of each boundary goes with the sound up to the next.
    EXPECT_GT(run.stats.frames, 60);
    EXPECT_EQ(run.stats.audio_samples, run.stats.frames * 735);
    MediaProbe p = probe_media(o.video_path);
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(std::tuple(p.width, p.height), std::tuple(r.width, r.height));
    EXPECT_EQ(p.video_frames, run.stats.frames);
    EXPECT_NEAR(p.audio_duration, run.stats.frames / 60.0, 1e-6);
    EXPECT_GE(p.audio_samples, run.stats.audio_samples);
    EXPECT_LT(p.audio_samples, run.stats.audio_samples + 1024);
    // The first frame is the screen before anything was drawn: black.
    ASSERT_FALSE(p.first_luma.empty());
    EXPECT_EQ(*std::max_element(p.first_luma.begin(), p.first_luma.end()), 16);
  }
  ASSERT_EQ(run_in_child(excerpt("again.mp4")).status, 0);
  std::string bytes = file_bytes(scratch("excerpt.mp4"));
  EXPECT_GT(bytes.size(), 10000u);
  EXPECT_TRUE(bytes == file_bytes(scratch("again.mp4")));
}

namespace {

// Keeps the display of the first boundary at or after the shot's song position.
struct Presented {
  SongPoint at;
  bool seen = false;
  std::vector<uint8_t> pixels;
  int pitch = 0, bpp = 0;
};

void keep_presented(const SongPoint& now, bool playing, const uint8_t* pixels, int pitch, int bpp,
                    void* user) {
  auto* p = static_cast<Presented*>(user);
  if (p->seen || !playing || now.half < p->at.half ||
      (now.half == p->at.half && now.position < p->at.position))
    return;
  p->seen = true;
  p->pixels.assign(pixels, pixels + size_t(pitch) * 600);
  p->pitch = pitch;
  p->bpp = bpp;
}

}  // namespace

TEST(Capture, ShotIsTheFramePresentedAtItsSongPosition) {
  // The child compares the file with the display it saw; the parent only reads the verdict.
  const SongPoint at{1, 4};
  std::string full = scratch("shot.png"), cropped = scratch("shot_crop.png");
  std::fflush(nullptr);
  pid_t child = fork();
  if (child == 0) {
    Presented seen;
    seen.at = at;
    CaptureOptions o;
    o.shots = {{at, full}};
    o.observer = keep_presented;
    o.observer_user = &seen;
    if (run_capture(o) != 0 || !seen.seen) _exit(2);
    int w = 0, h = 0;
    std::vector<uint32_t> png;
    if (!read_png(full.c_str(), &w, &h, &png) || w != 800 || h != 600) _exit(3);
    const int bytes = seen.bpp / 8;
    for (int y = 0; y < 600; ++y)
      for (int x = 0; x < 800; ++x) {
        const uint8_t* s = &seen.pixels[size_t(y) * seen.pitch + x * bytes];
        if (png[size_t(y) * 800 + x] != (0xFF000000u | s[0] | s[1] << 8 | s[2] << 16)) _exit(4);
      }
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "2: no run, 3: unreadable PNG, 4: pixels differ";

  // The cropped shot is the picture area of the same frame.
  CaptureOptions o;
  o.shots = {{at, cropped}};
  o.crop = true;
  ASSERT_EQ(run_in_child(o).status, 0);
  int w = 0, h = 0;
  std::vector<uint32_t> a, b;
  ASSERT_TRUE(read_png(full.c_str(), &w, &h, &a) && read_png(cropped.c_str(), &w, &h, &b));
  ASSERT_EQ(std::tuple(w, h), std::tuple(640, 400));
  for (int y = 0; y < 400; ++y)
    ASSERT_TRUE(std::equal(&b[size_t(y) * 640], &b[size_t(y) * 640 + 640], &a[size_t(y + 100) * 800 + 80]))
        << "row " << y;
}

TEST(Capture, ErrorsSayOneLineAndLeaveNoFile) {
  for (std::string path : {scratch("no/such/dir/x.mp4"), scratch("x.avi")}) {
    SCOPED_TRACE(path);
    CaptureOptions o = excerpt("");
    o.video_path = path;
    testing::internal::CaptureStderr();
    EXPECT_EQ(run_capture(o), 1);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(count_lines(err), 1) << err;
    EXPECT_TRUE(no_leftovers(path));
  }
  // A shot the run never reaches (the capture ends first): reported, not written.
  CaptureOptions o = excerpt("until.mp4");
  o.until = {1, 2};
  std::string never = scratch("never.png");
  o.shots = {{{1, 4}, never}};
  fs::remove(never);
  EXPECT_EQ(run_in_child(o).status, 1);
  EXPECT_FALSE(fs::exists(never));
}

TEST(Capture, CommandLine) {
  if (!have_talvex()) GTEST_SKIP() << "talvex is not built";
  fs::remove_all(scratch("cli"));
  // Malformed options exit 2; options that cannot run, 1. One line each, and no file.
  const struct {
    std::string arguments;
    int exit;
  } bad[] = {{"--capture", 2},
             {"--shot 1:0:0", 2},
             {"--shot 9:0:0 x.png", 2},
             {"--crop", 1},
             {"--until 1:0:0", 1},
             {"--capture " + scratch("cli/x.mp4"), 1},
             {"--capture " + scratch("x.webm"), 1}};
  std::string err;
  for (const auto& b : bad) {
    EXPECT_EQ(run_talvex(b.arguments, &err), b.exit) << b.arguments;
    EXPECT_EQ(count_lines(err), 1) << b.arguments << ": " << err;
  }
  EXPECT_FALSE(fs::exists(scratch("x.webm")) || fs::exists(scratch("x.png")));

  std::string path = scratch("cli_excerpt.mp4");
  fs::remove(path);
  ASSERT_EQ(run_talvex("--capture " + path + " --crop --until 1:0:4", &err), 0) << err;
  MediaProbe p = probe_media(path);
  ASSERT_TRUE(p.ok) << p.error;
  EXPECT_EQ(p.width, 640);
  EXPECT_GT(p.video_frames, 30);
  // Not a terminal: the progress comes as plain lines, the last one at the end.
  EXPECT_NE(err.find("% of the song"), std::string::npos) << err;
  EXPECT_EQ(err.find('\r'), std::string::npos);
}

// Without a display server the demo says so and captures into talvex.mp4 in the current
// folder; stopped half-way (SIGTERM), it leaves nothing behind.
TEST(Capture, WithoutAScreenItCapturesInstead) {
  if (!have_talvex()) GTEST_SKIP() << "talvex is not built";
  fs::path dir = scratch("no_screen");
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::string err = (dir / "stderr.txt").string();
  std::fflush(nullptr);
  pid_t child = fork();
  if (child == 0) {
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("SDL_VIDEODRIVER");
    if (chdir(dir.c_str()) != 0 || !std::freopen(err.c_str(), "w", stderr)) _exit(98);
    std::string talvex = std::string(TALVEX_BINARY_DIR) + "/talvex";
    execl(talvex.c_str(), talvex.c_str(), static_cast<char*>(nullptr));
    _exit(99);
  }
  bool said = false, writing = false;
  for (int i = 0; i < 600 && !(said && writing); ++i) {
    usleep(50000);
    said = file_bytes(err).find("no screen") != std::string::npos;
    for (auto& f : fs::directory_iterator(dir))
      writing |= f.path().filename().string().starts_with("talvex.mp4.");
  }
  kill(child, SIGTERM);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(said) << file_bytes(err);
  EXPECT_TRUE(writing);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
  int files = 0;
  for (auto& f : fs::directory_iterator(dir)) files += f.path().filename() != "stderr.txt";
  EXPECT_EQ(files, 0);
}
