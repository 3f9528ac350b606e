// What the benchmarks share: a headless display to present to, the start-up state built
// once per process, and whole headless runs measured in a child process.
#pragma once
#include <cstdint>

#include "platform/capture.h"

// Opens the headless backend with an 800x600 surface of bpp bits (24 or 32) and sets
// display_bpp, so that present_frame scales onto it. Cheap when already open at that depth.
void bench_open_display(int bpp);

// build_colour_tables and precalc_all, once per process, on the headless display: every
// sample, table, texture and scene set-up a scene benchmark may need.
void bench_precalc_once();

// One whole headless run (run_capture with these options) in a child process, so that the
// run's global state never meets the benchmark's. Frames and seconds as the child saw them.
struct HeadlessRunResult {
  bool ok = false;
  int64_t frames = 0;
  int64_t audio_samples = 0;
  double seconds = 0;
  double cpu_seconds = 0;   // the child's user and system time, all threads
  int64_t peak_rss_kb = 0;  // the child's peak resident memory
};
HeadlessRunResult bench_headless_run(const CaptureOptions& options);
