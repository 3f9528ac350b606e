// The whole headless run: frames per second without encoding, and with the H.264 + AAC
// encoding of a full capture. Each run takes a child process of its own.
#include "bench/run_bench.h"

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/platform.h"
#include "shell/demo.h"
#include "shell/present.h"

namespace {
int open_bpp = 0;
bool precalc_done = false;
constexpr const char* run_request_variable = "TALVEX_BENCH_RUN";
}  // namespace

void bench_open_display(int bpp) {
  if (open_bpp == bpp) return;
  platform_open_headless(HeadlessOptions{});
  platform_window_create([](uint32_t, uintptr_t, intptr_t) -> intptr_t { return 0; });
  platform_display_create();
  platform_display_set_cooperative();
  platform_display_set_mode(800, 600, bpp);
  platform_display_create_surface();
  platform_display_get_desc(&surface_desc);
  display_bpp = uint8_t(bpp);
  open_bpp = bpp;
}

void bench_precalc_once() {
  if (precalc_done) return;
  precalc_done = true;
  if (!open_bpp) bench_open_display(32);
  build_colour_tables();
  precalc_all();
}

// The run happens in a fresh process: this benchmark program again, started with only the
// hidden benchmark below selected, so no other benchmark has touched the demo's global state
// (the set-ups are made to run once per process).
HeadlessRunResult bench_headless_run(const CaptureOptions& options) {
  HeadlessRunResult result;
  int fds[2];
  if (pipe(fds) != 0) return result;
  char request[4096];
  std::snprintf(request, sizeof request, "%d %d %d %d %d %s", fds[1], int(options.encode), int(options.crop),
                options.has_until ? options.until.half : 0, int(options.until.position),
                options.video_path.c_str());
  std::fflush(nullptr);
  pid_t child = fork();
  if (child < 0) return result;
  if (child == 0) {
    close(fds[0]);
    setenv(run_request_variable, request, 1);
    if (!std::freopen("/dev/null", "w", stdout)) _exit(97);
    execl("/proc/self/exe", "talvex-bench", "--benchmark_filter=^bm_headless_child/",
          static_cast<char*>(nullptr));
    _exit(98);
  }
  close(fds[1]);
  ssize_t got = read(fds[0], &result, sizeof result);
  close(fds[0]);
  int status = 0;
  struct rusage usage = {};
  wait4(child, &status, 0, &usage);
  if (got != sizeof result || !WIFEXITED(status) || WEXITSTATUS(status) != 0) result.ok = false;
  result.peak_rss_kb = usage.ru_maxrss;
  result.cpu_seconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                       double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  return result;
}

namespace {

// The child's side: one run as the request says, its figures written back through the pipe.
void bm_headless_child(benchmark::State& state) {
  int fd = -1, encode = 1, crop = 0, until_half = 0, until_position = 0, used = 0;
  const char* request = std::getenv(run_request_variable);
  if (std::sscanf(request, "%d %d %d %d %d %n", &fd, &encode, &crop, &until_half, &until_position, &used) <
      5) {
    state.SkipWithError("bad request");
    return;
  }
  CaptureOptions options;
  options.video_path = request + used;
  options.encode = encode;
  options.crop = crop;
  options.has_until = until_half != 0;
  options.until = {until_half, until_position};
  options.progress = false;
  for (auto _ : state) {
    int status = run_capture(options);
    const CaptureStats& stats = last_capture_stats();
    HeadlessRunResult r;
    r.ok = status == 0;
    r.frames = stats.frames;
    r.audio_samples = stats.audio_samples;
    r.seconds = stats.seconds;
    if (write(fd, &r, sizeof r) != sizeof r) state.SkipWithError("cannot report");
  }
}

// Registered only in the child, before main runs.
const bool child_registered = [] {
  if (std::getenv(run_request_variable))
    benchmark::RegisterBenchmark("bm_headless_child", bm_headless_child)->Iterations(1);
  return true;
}();

}  // namespace

namespace {

// The whole song: up to the last row of the second module (order 24, row 125). Only the
// final fade's 52 frames are left out, and the run cannot hang on a scene that misses its
// end position.
CaptureOptions whole_song() {
  CaptureOptions options;
  options.has_until = true;
  options.until = {2, 24 * 256 + 125};
  options.progress = false;
  return options;
}

void report(benchmark::State& state, const HeadlessRunResult& r) {
  if (!r.ok) {
    state.SkipWithError("the headless run failed");
    return;
  }
  state.SetIterationTime(r.seconds);
  state.counters["frames"] = double(r.frames);
  state.counters["fps"] = r.frames / r.seconds;
  state.counters["x_realtime"] = r.frames / 60.0 / r.seconds;
  state.counters["cpu_ms_per_frame"] = r.cpu_seconds * 1000 / r.frames;
  state.counters["peak_MiB"] = r.peak_rss_kb / 1024.0;
}

// Renders every frame and copies it out as the capture does, but encodes nothing.
void bm_headless_run(benchmark::State& state) {
  for (auto _ : state) {
    CaptureOptions options = whole_song();
    options.video_path = "unused.mp4";
    options.encode = false;
    report(state, bench_headless_run(options));
  }
}

// The full capture: 800x600 H.264 and AAC into an MP4.
void bm_headless_capture(benchmark::State& state) {
  std::string path = "/tmp/talvex-bench-" + std::to_string(getpid()) + ".mp4";
  for (auto _ : state) {
    CaptureOptions options = whole_song();
    options.video_path = path;
    options.crop = state.range(0) != 0;
    report(state, bench_headless_run(options));
  }
  std::remove(path.c_str());
}

}  // namespace

BENCHMARK(bm_headless_run)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(bm_headless_capture)
    ->ArgName("crop")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);
