#include "platform/capture.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/png.h"
#include "platform/video_writer.h"
#include "tests/capture/media_probe.h"

namespace fs = std::filesystem;

namespace {

std::string scratch(const std::string& name) {
  fs::path dir = fs::path(TALVEX_BINARY_DIR) / "test_output" / "capture";
  fs::create_directories(dir);
  return (dir / name).string();
}

std::string file_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

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

int count_lines(const std::string& text) { return int(std::count(text.begin(), text.end(), '\n')); }

}  // namespace

TEST(CaptureOptions, SongPointsAndArguments) {
  SongPoint p;
  ASSERT_TRUE(parse_song_point("1:0:0", &p));
  EXPECT_EQ(p.half, 1);
  EXPECT_EQ(p.position, 0);
  ASSERT_TRUE(parse_song_point("2:20:127", &p));
  EXPECT_EQ(p.half, 2);
  EXPECT_EQ(p.position, 20 * 256 + 127);
  for (const char* bad :
       {"", "1:0", "3:0:0", "0:1:1", "1:256:0", "1:0:256", "1:0:0x", "-1:0:0", " 1:0:0", "a:b:c"})
    EXPECT_FALSE(parse_song_point(bad, &p)) << bad;

  const char* argv[] = {"talvex",    "--shot", "2:4:0",   "a.png", "--crop",
                        "--capture", "x.mp4",  "--until", "1:2:3"};
  char** args = const_cast<char**>(argv);
  CaptureOptions o;
  EXPECT_EQ(parse_capture_option(9, args, 0, &o), 0);
  EXPECT_EQ(parse_capture_option(9, args, 1, &o), 3);
  EXPECT_EQ(parse_capture_option(9, args, 4, &o), 1);
  EXPECT_EQ(parse_capture_option(9, args, 5, &o), 2);
  EXPECT_EQ(parse_capture_option(9, args, 7, &o), 2);
  ASSERT_EQ(o.shots.size(), 1u);
  EXPECT_EQ(o.shots[0].at.half, 2);
  EXPECT_EQ(o.shots[0].at.position, 1024);
  EXPECT_EQ(o.shots[0].path, "a.png");
  EXPECT_TRUE(o.crop && o.has_until && o.video_path == "x.mp4");
  EXPECT_EQ(o.until.position, 2 * 256 + 3);
  testing::internal::CaptureStderr();
  EXPECT_EQ(parse_capture_option(3, args, 1, &o), -1);  // --shot without its file
  EXPECT_EQ(parse_capture_option(9, args, 7, &o) + parse_capture_option(8, args, 7, &o), 1);
  EXPECT_EQ(count_lines(testing::internal::GetCapturedStderr()), 2);
}

TEST(Capture, ExcerptDecodesToItsFramesSizeAndSound) {
  for (bool crop : {false, true}) {
    CaptureOptions o;
    o.video_path = scratch(crop ? "excerpt_crop.mp4" : "excerpt.mp4");
    o.crop = crop;
    o.has_until = true;
    o.until = excerpt_end;
    o.progress = false;
    ChildRun run = run_in_child(o);
    ASSERT_EQ(run.status, 0);
    // One frame per 1/60 s of sound: the display of each boundary goes with the sound up to the next.
    EXPECT_GT(run.stats.frames, 60);
    EXPECT_EQ(run.stats.audio_samples, run.stats.frames * 735);
    MediaProbe p = probe_media(o.video_path);
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.width, crop ? 640 : 800);
    EXPECT_EQ(p.height, crop ? 400 : 600);
    EXPECT_EQ(p.pixel_format, "yuv420p");
    EXPECT_EQ(p.video_frames, run.stats.frames);
    EXPECT_EQ(p.sample_rate, 44100);
    EXPECT_EQ(p.channels, 2);
    EXPECT_NEAR(p.audio_duration, run.stats.frames / 60.0, 1e-6);
    EXPECT_GE(p.audio_samples, run.stats.audio_samples);
    EXPECT_LT(p.audio_samples, run.stats.audio_samples + 1024);
    // The first frame is the screen before anything was drawn: black.
    ASSERT_FALSE(p.first_luma.empty());
    EXPECT_EQ(*std::max_element(p.first_luma.begin(), p.first_luma.end()), 16);
  }
}

TEST(Capture, TwoCapturesAreIdentical) {
  std::string bytes[2];
  for (int i = 0; i < 2; ++i) {
    CaptureOptions o;
    o.video_path = scratch("twice" + std::to_string(i) + ".mp4");
    o.has_until = true;
    o.until = excerpt_end;
    o.progress = false;
    ASSERT_EQ(run_in_child(o).status, 0);
    bytes[i] = file_bytes(o.video_path);
  }
  EXPECT_GT(bytes[0].size(), 10000u);
  EXPECT_TRUE(bytes[0] == bytes[1]);
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
  // The child compares the files with the display it saw; the parent only reads the verdict.
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
        uint32_t want = 0xFF000000u | s[0] | s[1] << 8 | s[2] << 16;
        if (png[size_t(y) * 800 + x] != want) _exit(4);
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
  ASSERT_TRUE(read_png(full.c_str(), &w, &h, &a));
  ASSERT_TRUE(read_png(cropped.c_str(), &w, &h, &b));
  ASSERT_EQ(w, 640);
  ASSERT_EQ(h, 400);
  for (int y = 0; y < 400; ++y)
    ASSERT_TRUE(std::equal(&b[size_t(y) * 640], &b[size_t(y) * 640 + 640], &a[size_t(y + 100) * 800 + 80]))
        << "row " << y;
}

TEST(Capture, ErrorsSayOneLineAndLeaveNoFile) {
  CaptureOptions o;
  o.progress = false;
  for (std::string path : {scratch("no/such/dir/x.mp4"), scratch("x.avi")}) {
    o.video_path = path;
    testing::internal::CaptureStderr();
    EXPECT_EQ(run_capture(o), 1) << path;
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(count_lines(err), 1) << err;
    EXPECT_FALSE(fs::exists(path));
    EXPECT_FALSE(fs::exists(VideoWriter::temporary_path(path)));
  }
  // A shot the run never reaches (the capture ends first): reported, not written.
  o = {};
  o.progress = false;
  o.video_path = scratch("until.mp4");
  o.has_until = true;
  o.until = {1, 2};
  std::string never = scratch("never.png");
  o.shots = {{{1, 4}, never}};
  fs::remove(never);
  EXPECT_EQ(run_in_child(o).status, 1);
  EXPECT_FALSE(fs::exists(never));
}

TEST(Capture, CommandLine) {
  if (!have_talvex()) GTEST_SKIP() << "talvex is not built";
  std::string err;
  run_talvex("--help", &err);
  std::string help = file_bytes(scratch("stdout.txt"));
  if (help.find("--capture") == std::string::npos) GTEST_SKIP() << "this talvex has no capture options yet";
  for (const char* bad : {"--capture", "--shot 1:0:0", "--shot 9:0:0 x.png", "--crop", "--until 1:0:0"}) {
    EXPECT_NE(run_talvex(bad, &err), 0) << bad;
    EXPECT_EQ(count_lines(err), err.find("usage") != std::string::npos ? 2 : 1) << bad << ": " << err;
  }
  std::string path = scratch("cli/x.mp4");
  fs::remove_all(scratch("cli"));
  EXPECT_EQ(run_talvex("--capture " + path, &err), 1);
  EXPECT_EQ(count_lines(err), 1) << err;
  EXPECT_EQ(run_talvex("--capture " + scratch("x.webm"), &err), 1);
  EXPECT_EQ(count_lines(err), 1) << err;
  EXPECT_FALSE(fs::exists(scratch("x.webm")));

  path = scratch("cli_excerpt.mp4");
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
