// Runs the demo on the headless backend and keeps what it shows: a video of the whole run
// (--capture), pictures at song positions (--shot), or both. The virtual 60 Hz clock drives
// everything, so a capture is the same on every machine and picture and sound stay locked.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/video_writer.h"

// A place in the music: the half (1 or 2) and order * 256 + row of that half's module.
struct SongPoint {
  int half = 0;
  int32_t position = 0;
};

struct CaptureOptions {
  std::string video_path;  // empty: no video
  bool crop = false;       // only the 640x400 picture area instead of the 800x600 display
  struct Shot {
    SongPoint at;
    std::string path;
  };
  std::vector<Shot> shots;
  bool has_until = false;  // stop the video where the song reaches until
  SongPoint until;
  bool progress = true;  // the progress line on stderr
  bool encode = true;    // false: render and copy every frame but encode nothing (benchmarks)
  VideoWriter::Settings video_settings;
  // Sees the display at every 1/60-s boundary, with where the song is (playing is false
  // while no module plays), before any shot is taken. For tests and tools.
  using Observer = void (*)(const SongPoint& now, bool playing, const uint8_t* pixels, int pitch, int bpp,
                            void* user);
  Observer observer = nullptr;
  void* observer_user = nullptr;
};

// Reads "H:ORDER:ROW": decimal digits only, half 1 or 2, order and row 0..255.
bool parse_song_point(std::string_view text, SongPoint* point);
// Whether the song plays that point at all: its order lies within its half's song and its
// row within that order's pattern. Otherwise false and why, in one line.
bool song_point_exists(const SongPoint& point, std::string* why);

// Takes the capture option at argv[i] (with its values) into options. Returns how many
// arguments it used, 0 when argv[i] is not a capture option, -1 with *error set (a usage
// error). Options: --capture FILE, --crop, --shot H:ORDER:ROW FILE, --until H:ORDER:ROW.
int parse_capture_option(int argc, char** argv, int i, CaptureOptions* options, std::string* error);
// Whether the options ask for a headless run at all.
bool capture_requested(const CaptureOptions& options);
// What the command line alone can tell (--crop or --until without --capture, a video
// extension we cannot write): false and why.
bool validate_capture_options(const CaptureOptions& options, std::string* why);
// Everything a run can be refused for before it starts. Returns 0 when it can go ahead,
// otherwise the exit code with why: 2 for a usage error (including a song position the
// song never plays and one output named twice), 1 for an output that cannot be written.
int check_capture(const CaptureOptions& options, std::string* why);

// The whole run: checks the options (check_capture), opens the headless backend, runs
// demo_main, writes the files. Returns the process exit code: 0 on success, else 1 or 2 (as
// check_capture) after a one-line error; nothing half-written is left.
int run_capture(const CaptureOptions& options);

// Whether a screen can be opened: a display server is named and SDL's video starts.
bool screen_available();

// What the last run_capture saw (for tests and benchmarks).
struct CaptureStats {
  int64_t frames = 0;         // video frames written (or, without video, display frames seen)
  int64_t audio_samples = 0;  // stereo sample frames written
  double seconds = 0;         // wall-clock time of the run
};
const CaptureStats& last_capture_stats();
