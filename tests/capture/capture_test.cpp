#include "platform/capture.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <tuple>

#include "platform/png.h"
#include "tests/capture/media_probe.h"
#include "tests/capture/test_files.h"

namespace fs = std::filesystem;

namespace {

// A short excerpt: the loading count, then the first rows of the first module.
constexpr SongPoint excerpt_end{1, 8};

// What the display showed during a run: how many frames came before the song reached
// `mark`, and the first one at or after it.
struct Shown {
  SongPoint mark;
  int before_mark = 0;
  std::vector<uint8_t> at_mark;
  int pitch = 0, bpp = 0;
};

void watch(const SongPoint& now, bool playing, const uint8_t* pixels, int pitch, int bpp, void* user) {
  auto* s = static_cast<Shown*>(user);
  if (!s->at_mark.empty()) return;
  if (!playing || std::pair(now.half, now.position) < std::pair(s->mark.half, s->mark.position)) {
    ++s->before_mark;
    return;
  }
  s->at_mark.assign(pixels, pixels + size_t(pitch) * 600);
  s->pitch = pitch, s->bpp = bpp;
}

// Whether the PNG holds exactly the display's frame, or with `crop` its 640x400 picture area.
bool png_is(const std::string& path, const Shown& s, bool crop) {
  const int w = crop ? 640 : 800, h = crop ? 400 : 600, left = crop ? 80 : 0, top = crop ? 100 : 0;
  int png_w = 0, png_h = 0;
  std::vector<uint32_t> png;
  if (s.at_mark.empty() || !read_png(path.c_str(), &png_w, &png_h, &png) || png_w != w || png_h != h)
    return false;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint8_t* p = &s.at_mark[size_t(y + top) * s.pitch + (x + left) * (s.bpp / 8)];
      if (png[size_t(y) * w + x] != (0xFF000000u | p[0] | p[1] << 8 | p[2] << 16)) return false;
    }
  return true;
}

// Mean saturation (HSV, 0..255) of the picture lines of the 640x400 picture area, from a
// pixel reader giving red, green and blue.
template <typename Pixel>
double picture_saturation(Pixel pixel) {
  double sum = 0;
  for (int y = 0; y < 400; y += 2)
    for (int x = 0; x < 640; ++x) {
      const auto [r, g, b] = pixel(x, y);
      const int high = std::max({r, g, b}), low = std::min({r, g, b});
      sum += high ? 255.0 * (high - low) / high : 0;
    }
  return sum / (200 * 640);
}

struct ChildRun {
  int status = -1;
  int before_mark = 0;    // display frames before `mark`
  bool shot_ok = false;   // the first shot is the display at `mark`
  double saturation = 0;  // of the display at `mark`
};

// The demo's state is global and made for one run, so each run gets a process of its own.
ChildRun run_in_child(CaptureOptions options, SongPoint mark = excerpt_end) {
  ChildRun result;
  int fds[2];
  if (pipe(fds) != 0) return result;
  std::fflush(nullptr);
  pid_t child = fork();
  if (child == 0) {
    close(fds[0]);
    Shown shown;
    shown.mark = mark;
    options.observer = watch;
    options.observer_user = &shown;
    ChildRun r{run_capture(options), shown.before_mark, false, 0};
    r.shot_ok = !options.shots.empty() && png_is(options.shots[0].path, shown, options.crop);
    if (!shown.at_mark.empty())
      r.saturation = picture_saturation([&](int x, int y) {
        const uint8_t* p = &shown.at_mark[size_t(y + 100) * shown.pitch + (x + 80) * (shown.bpp / 8)];
        return std::tuple<int, int, int>{p[2], p[1], p[0]};
      });
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

}  // namespace

TEST(CaptureOptions, SongPoints) {
  for (auto [text, half, position] : {std::tuple{"1:0:0", 1, 0}, {"2:20:127", 2, 20 * 256 + 127}}) {
    SongPoint p;
    EXPECT_TRUE(parse_song_point(text, &p) && p.half == half && p.position == position) << text;
  }
  SongPoint p;
  for (const char* bad :
       {"", "1:0", "3:0:0", "0:1:1", "1:256:0", "1:0:256", "1:0:0x", "-1:0:0", " 1:0:0", "a:b:c",
        "1:0:4294967297", "1: 0:0", "1:+0:0", "1:-0:0", "1:0:0 ", "1::0", "1:0:0:0"})
    EXPECT_FALSE(parse_song_point(bad, &p)) << '"' << bad << '"';
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
    MediaProbe p = probe_media(o.video_path);
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(std::tuple(p.width, p.height), std::tuple(r.width, r.height));
    // The black screen before the first display, then every display before the end point.
    EXPECT_GT(run.before_mark, 60);
    EXPECT_EQ(p.video_frames, 1 + run.before_mark);
    // One frame per 1/60 s of sound; decoders round up to whole AAC frames.
    EXPECT_NEAR(p.audio_duration, p.video_frames / 60.0, 1e-6);
    EXPECT_GE(p.audio_samples, p.video_frames * 735);
    EXPECT_LT(p.audio_samples, p.video_frames * 735 + 1024);
    ASSERT_FALSE(p.luma.empty());
    EXPECT_EQ(*std::max_element(p.luma.begin(), p.luma.end()), 16);
  }
  ASSERT_EQ(run_in_child(excerpt("again.mp4")).status, 0);
  std::string bytes = file_bytes(scratch("excerpt.mp4"));
  EXPECT_GT(bytes.size(), 10000u);
  EXPECT_TRUE(bytes == file_bytes(scratch("again.mp4")));
}

// The video keeps the picture's colour: a frame decoded as a player would (BT.601, limited
// range) is as saturated as the display was, within 5 %, though 4:2:0 shares each block's
// chroma between a picture line and its black scanline; and the scanlines stay dark.
TEST(Capture, VideoKeepsTheColourOfThePicture) {
  const SongPoint mark{1, 30};  // the opening's violet cloud
  CaptureOptions o = excerpt("colour.mp4", true);
  o.until = {1, 32};
  ChildRun run = run_in_child(o, mark);
  ASSERT_EQ(run.status, 0);
  MediaProbe p = probe_media(o.video_path, 1 + run.before_mark);
  ASSERT_EQ(p.luma.size(), 640u * 400);
  const auto decoded = [&](int x, int y) {
    const double l = 1.164 * (p.luma[size_t(y) * 640 + x] - 16);
    const int u = p.u[size_t(y / 2) * 320 + x / 2] - 128, v = p.v[size_t(y / 2) * 320 + x / 2] - 128;
    const auto clip = [](double c) { return int(std::clamp(c + 0.5, 0.0, 255.0)); };
    return std::tuple<int, int, int>{clip(l + 1.596 * v), clip(l - 0.813 * v - 0.391 * u),
                                     clip(l + 2.018 * u)};
  };
  EXPECT_GT(run.saturation, 20.0);
  EXPECT_NEAR(picture_saturation(decoded), run.saturation, 0.05 * run.saturation);
  double picture = 0, scanlines = 0;
  for (int y = 0; y < 400; ++y)
    for (int x = 0; x < 640; ++x) {
      const auto [r, g, b] = decoded(x, y);
      (y % 2 ? scanlines : picture) += r + g + b;
    }
  EXPECT_LT(scanlines, 0.15 * picture);
}

// A shot is the frame the display showed at its song position; cropped, its picture area.
TEST(Capture, ShotIsTheFramePresentedAtItsSongPosition) {
  const SongPoint at{1, 4};
  for (bool crop : {false, true}) {
    SCOPED_TRACE(crop ? "cropped" : "full");
    CaptureOptions o;
    o.shots = {{at, scratch(crop ? "shot_crop.png" : "shot.png")}};
    o.crop = crop;
    ChildRun run = run_in_child(o, at);
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.shot_ok);
  }
}

TEST(Capture, AShotNeverReachedIsReportedNotWritten) {
  CaptureOptions o = excerpt("until.mp4");
  o.until = {1, 2};
  std::string never = scratch("never.png");
  o.shots = {{{1, 4}, never}};
  fs::remove(never);
  EXPECT_EQ(run_in_child(o).status, 1);
  EXPECT_FALSE(fs::exists(never));
}

TEST(Capture, CommandLine) {
  if (!fs::exists(fs::path(TALVEX_BINARY_DIR) / "talvex")) GTEST_SKIP() << "talvex is not built";
  fs::remove_all(scratch("cli"));
  fs::remove(scratch("x.png"));
  const std::string x_mp4 = scratch("x.mp4");
  // Usage errors exit 2 with the reason and the usage line; outputs that cannot be written,
  // 1 with the reason alone. All before anything runs: no file, no progress.
  const struct {
    std::string arguments;
    int exit;
  } bad[] = {{"--capture", 2},
             {"--shot 1:0:0", 2},
             {"--shot 9:0:0 x.png", 2},
             {"--shot 1:0:4294967297 x.png", 2},
             {"--shot 1:100:0 x.png", 2},  // an order past the song, a row past its pattern
             {"--shot 1:0:255 x.png", 2},
             {"--capture " + x_mp4 + " --until 2:255:255", 2},
             {"--capture " + x_mp4 + " --shot 1:0:0 " + x_mp4, 2},
             {"--capture " + x_mp4 + " --capture " + scratch("y.mp4"), 2},
             {"--crop", 2},
             {"--window --shot 1:0:0 x.png", 2},
             {"--nonsense", 2},
             {"--capture " + scratch("x.webm"), 2},
             {"--capture " + scratch("cli/x.mp4"), 1},
             {"--capture " + x_mp4 + " --shot 1:0:0 " + scratch("cli/x.png"), 1}};
  std::string err;
  for (const auto& b : bad) {
    fs::remove(x_mp4);
    EXPECT_EQ(run_talvex(b.arguments, &err), b.exit) << b.arguments;
    EXPECT_EQ(count_lines(err), b.exit == 2 ? 2 : 1) << b.arguments << ": " << err;
    EXPECT_EQ(err.find("usage:") != std::string::npos, b.exit == 2) << b.arguments << ": " << err;
    EXPECT_TRUE(no_leftovers(x_mp4)) << b.arguments;
  }
  EXPECT_TRUE(no_leftovers(scratch("x.webm")) && !fs::exists(scratch("x.png")));

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

namespace {

// Starts talvex in dir with the environment changed (NAME=VALUE sets, NAME alone unsets),
// ends it with SIGTERM once its stderr shows all of `wait_for` (or after 15 s); returns the
// stderr, and in *status how it ended.
std::string talvex_stderr(const fs::path& dir, const std::vector<std::string>& arguments,
                          const std::vector<std::string>& environment,
                          const std::vector<std::string>& wait_for, int* status = nullptr) {
  std::string err = (dir / "stderr.txt").string();
  std::fflush(nullptr);
  pid_t child = fork();
  if (child == 0) {
    for (const std::string& e : environment) {
      size_t eq = e.find('=');
      if (eq == std::string::npos)
        unsetenv(e.c_str());
      else
        setenv(e.substr(0, eq).c_str(), e.substr(eq + 1).c_str(), 1);
    }
    if (chdir(dir.c_str()) != 0 || !std::freopen(err.c_str(), "w", stderr) ||
        !std::freopen("/dev/null", "r", stdin))
      _exit(98);
    std::string talvex = std::string(TALVEX_BINARY_DIR) + "/talvex";
    std::vector<char*> argv{talvex.data()};
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(talvex.c_str(), argv.data());
    _exit(99);
  }
  const auto shown = [&] {
    const std::string text = file_bytes(err);
    return std::ranges::all_of(wait_for,
                               [&](const std::string& w) { return text.find(w) != std::string::npos; });
  };
  for (int i = 0; i < 300 && !shown(); ++i) usleep(50000);
  kill(child, SIGTERM);
  int ended = 0;
  waitpid(child, &ended, 0);
  if (status) *status = ended;
  return file_bytes(err);
}

}  // namespace

// Without a display server the demo says so and captures into the current folder, beside
// a talvex.mp4 that is there already rather than over it; stopped half-way (SIGTERM), it
// leaves nothing behind.
TEST(Capture, WithoutAScreenItCapturesInstead) {
  if (!fs::exists(fs::path(TALVEX_BINARY_DIR) / "talvex")) GTEST_SKIP() << "talvex is not built";
  fs::path dir = scratch("no_screen");
  fs::remove_all(dir);
  fs::create_directories(dir);
  { std::ofstream(dir / "talvex.mp4") << "an earlier video"; }
  const std::string said = "no screen to open; rendering the demo into talvex-2.mp4";
  int status = 0;
  const std::string err =
      talvex_stderr(dir, {}, {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"}, {said, "capture"}, &status);
  EXPECT_NE(err.find(said), std::string::npos) << err;
  EXPECT_NE(err.find("capture"), std::string::npos);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
  std::vector<std::string> files;
  for (auto& f : fs::directory_iterator(dir)) files.push_back(f.path().filename().string());
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{"stderr.txt", "talvex.mp4"}));
  EXPECT_EQ(file_bytes((dir / "talvex.mp4").string()), "an earlier video");
}

// Only the program's own lines reach the terminal: nothing from the sound library probing
// for devices or the display libraries looking for a server.
TEST(Capture, TheTerminalShowsOnlyTheProgramsOwnLines) {
  if (!fs::exists(fs::path(TALVEX_BINARY_DIR) / "talvex")) GTEST_SKIP() << "talvex is not built";
  fs::path dir = scratch("quiet");
  const struct {
    std::vector<std::string> arguments, environment, wait_for;
  } runs[] = {
      // A display named but not there: the demo captures instead.
      {{}, {"DISPLAY=:97", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER", "XDG_RUNTIME_DIR"}, {"capture"}},
      // An invisible window; the sound device is looked for and perhaps not found.
      {{"--window"}, {"SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER", "XDG_RUNTIME_DIR"}, {"no audio device"}},
  };
  for (const auto& r : runs) {
    SCOPED_TRACE(r.environment[0]);
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::string err = talvex_stderr(dir, r.arguments, r.environment, r.wait_for);
    std::istringstream lines(err);
    for (std::string line; std::getline(lines, line);) EXPECT_TRUE(line.starts_with("talvex: ")) << line;
  }
}

// A display the demo cannot use (an 8-bit X screen) ends the run at once with exit 1 and the
// reason on stderr: no dialog waits for a click when no one is at a terminal.
TEST(Capture, AnUnusableDisplayEndsTheRunWithoutADialog) {
  if (!fs::exists(fs::path(TALVEX_BINARY_DIR) / "talvex")) GTEST_SKIP() << "talvex is not built";
  if (std::system("command -v xvfb-run >/dev/null 2>&1") != 0) GTEST_SKIP() << "no xvfb-run";
  const std::string err = scratch("eight_bit.txt");
  const std::string command = "timeout -k 10 120 xvfb-run -a -s '-screen 0 1024x768x8' " +
                              std::string(TALVEX_BINARY_DIR) + "/talvex --window </dev/null >/dev/null 2>" +
                              err;
  const int status = std::system(command.c_str());
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;  // timeout would be 124
  EXPECT_NE(file_bytes(err).find("talvex: DirectDraw Init FAILED"), std::string::npos) << file_bytes(err);
}
