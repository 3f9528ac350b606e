#include "platform/capture.h"

#include <libopenmpt/libopenmpt.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "data/modules.h"
#include "platform/backend.h"
#include "platform/output_file.h"
#include "platform/platform.h"
#include "platform/png.h"
#include "platform/video_writer.h"
#include "shell/demo.h"

namespace {

constexpr int display_width = 800, display_height = 600;
constexpr int picture_width = 640, picture_height = 400;
constexpr int picture_left = 80, picture_top = 100;

// How long a module plays before it wraps, in seconds (0 if it cannot be read): each half
// ends about there, so the two lengths measure the song for the progress line.
double module_seconds(const uint8_t* image, uint32_t size) {
  openmpt_module* module = openmpt_module_create_from_memory2(image, size, openmpt_log_func_silent, nullptr,
                                                              nullptr, nullptr, nullptr, nullptr, nullptr);
  if (!module) return 0;
  double seconds = openmpt_module_get_duration_seconds(module);
  openmpt_module_destroy(module);
  return seconds;
}

CaptureStats stats;

bool before(const SongPoint& a, const SongPoint& b) {
  return a.half < b.half || (a.half == b.half && a.position < b.position);
}

std::string point_text(const SongPoint& p) {
  return std::to_string(p.half) + ":" + std::to_string(p.position >> 8) + ":" +
         std::to_string(p.position & 255);
}

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

// One headless run and everything it keeps.
struct CaptureRun {
  const CaptureOptions& options;
  VideoWriter writer;
  bool video = false;
  int width = display_width, height = display_height;

  // Frame k of the video is the display from boundary k to k + 1: frame 0 is the black
  // screen before the first boundary, and the sound up to boundary k comes before frame k.
  // A stop at --until leaves that boundary's display out; a run that ends by itself gets one
  // last 1/60 s of silence under its last display. Either way the sound is frames * 735
  // samples long.
  static constexpr int samples_per_frame = VideoWriter::sample_rate / VideoWriter::frame_rate;

  int half = 0;  // 1 or 2 while a module plays; 0 before the first
  uint32_t half_handle = 0;
  int64_t half_start = 0;  // the boundary at which the half's module started
  double half_seconds[2] = {module_seconds(module_one, module_one_size),
                            module_seconds(module_two, module_two_size)};
  SongPoint now;
  bool position_valid = false;

  std::vector<bool> shot_written;
  size_t shots_left = 0;
  std::vector<uint32_t> shot_pixels;

  std::string error;
  bool until_reached = false;
  int64_t boundaries = 0;
  int64_t frames = 0;

  Clock::time_point start = Clock::now();
  Clock::time_point last_progress = start;
  bool progress_on_terminal = isatty(STDERR_FILENO);
  int progress_printed_tenths = -1;
  bool progress_shown = false;

  explicit CaptureRun(const CaptureOptions& o) : options(o) {
    shot_written.assign(o.shots.size(), false);
    shots_left = o.shots.size();
    if (o.crop) width = picture_width, height = picture_height;
  }

  // Follows the music: a new module handle heard playing starts the next half (a run that
  // starts in the second half plays only the second module).
  void read_song() {
    uint32_t handle = platform.music_handle;
    uint32_t r = platform_music_position(handle);
    position_valid = r != 0xFFFFFFFF;
    if (!position_valid) return;
    if (handle != half_handle) {
      half = half == 0 && start_half == 2 ? 2 : half + 1;
      half_handle = handle, half_start = boundaries;
    }
    now = {half, int32_t(((r & 0xFF) << 8) | ((r >> 16) & 0xFF))};
  }

  // The top-left of the kept area of a display.
  static const uint8_t* kept_area(const uint8_t* pixels, int pitch, int bpp, bool crop) {
    return crop ? pixels + ptrdiff_t(picture_top) * pitch + picture_left * (bpp / 8) : pixels;
  }

  bool push(const uint8_t* pixels, int pitch, int bpp) {
    ++frames;
    if (!video || !options.encode) return true;
    if (writer.add_frame(kept_area(pixels, pitch, bpp, options.crop), pitch, bpp)) return true;
    error = writer.error();
    return false;
  }

  bool begin_video() {
    const std::vector<uint32_t> black(size_t(display_width) * display_height, 0);
    return push(reinterpret_cast<const uint8_t*>(black.data()), display_width * 4, 32);
  }

  bool finish_sound() {
    if (!video || !options.encode || until_reached) return true;
    const std::vector<int16_t> silence(2 * samples_per_frame, 0);
    stats.audio_samples += samples_per_frame;
    if (writer.add_audio(silence.data(), samples_per_frame)) return true;
    error = writer.error();
    return false;
  }

  bool write_shot(const CaptureOptions::Shot& shot, const uint8_t* pixels, int pitch, int bpp) {
    shot_pixels.resize(size_t(width) * height);
    const uint8_t* area = kept_area(pixels, pitch, bpp, options.crop);
    const int bytes = bpp / 8;
    for (int y = 0; y < height; ++y) {
      const uint8_t* s = area + ptrdiff_t(y) * pitch;
      uint32_t* d = &shot_pixels[size_t(y) * width];
      for (int x = 0; x < width; ++x, s += bytes) d[x] = s[0] | s[1] << 8 | s[2] << 16;
    }
    return write_png(shot.path.c_str(), width, height, shot_pixels.data(), width, false, &error);
  }

  // Returns false to stop the run.
  bool on_frame(const uint8_t* pixels, int pitch, int bpp) {
    ++boundaries;
    read_song();
    if (options.observer) options.observer(now, position_valid, pixels, pitch, bpp, options.observer_user);
    if (video && options.has_until && position_valid && !before(now, options.until)) {
      until_reached = true;
      return false;
    }
    if (!push(pixels, pitch, bpp)) return false;
    if (position_valid) {
      for (size_t i = 0; i < options.shots.size(); ++i) {
        if (shot_written[i] || before(now, options.shots[i].at)) continue;
        if (!write_shot(options.shots[i], pixels, pitch, bpp)) return false;
        shot_written[i] = true;
        --shots_left;
      }
      if (!video && !options.shots.empty() && shots_left == 0) return false;
    }
    if (options.progress && video) show_progress();
    return true;
  }

  void on_audio(const int16_t* samples, int32_t count) {
    stats.audio_samples += count;
    if (!video || !options.encode || !error.empty()) return;
    if (!writer.add_audio(samples, count)) error = writer.error();
  }

  // How far through the song the run is, 0..1.
  double song_done() const {
    const double total = half_seconds[0] + half_seconds[1];
    if (half == 0 || total <= 0) return 0;
    if (!position_valid && half == 2) return 1;  // the second module has stopped: the end fade
    double played =
        std::min(double(boundaries - half_start) / VideoWriter::frame_rate, half_seconds[half - 1]);
    if (!position_valid) played = half_seconds[0];  // between the halves
    return std::min(1.0, ((half == 2 ? half_seconds[0] : 0) + played) / total);
  }

  // A line on stderr: rewritten in place a few times a second on a terminal, otherwise
  // one line per tenth of the song.
  void show_progress() {
    const double done = song_done();
    const int tenths = int(done * 10);
    if (progress_on_terminal) {
      if (seconds_since(last_progress) < 0.25) return;
    } else if (tenths == progress_printed_tenths) {
      return;
    }
    last_progress = Clock::now();
    progress_printed_tenths = tenths;
    const double elapsed = seconds_since(start);
    const double fps = elapsed > 0 ? boundaries / elapsed : 0;
    char left[32] = "--:--";
    if (done > 0.005) {
      int s = int(elapsed * (1 - done) / done);
      std::snprintf(left, sizeof left, "%d:%02d", s / 60, s % 60);
    }
    std::fprintf(stderr, "%stalvex: capture %3d%% of the song, %4.0f frames/s, %s left%s",
                 progress_on_terminal ? "\r" : "", int(done * 100), fps, left,
                 progress_on_terminal ? "\033[K" : "\n");
    progress_shown = true;
  }

  // The last line, in place of the progress line.
  void show_summary() {
    const double elapsed = seconds_since(start);
    const int64_t length = frames / VideoWriter::frame_rate;
    std::fprintf(stderr, "%stalvex: wrote %s: %lld:%02lld of video in %.0f s, %.0f frames/s\n",
                 progress_on_terminal ? "\r\033[K" : "", options.video_path.c_str(), (long long)(length / 60),
                 (long long)(length % 60), elapsed, elapsed > 0 ? frames / elapsed : 0);
  }
};

bool frame_hook(const uint8_t* pixels, int32_t pitch, int32_t bpp, void* user) {
  return static_cast<CaptureRun*>(user)->on_frame(pixels, pitch, bpp);
}

void audio_hook(const int16_t* samples, int32_t frames, void* user) {
  static_cast<CaptureRun*>(user)->on_audio(samples, frames);
}

int fail(const std::string& message) {
  std::fprintf(stderr, "talvex: %s\n", message.c_str());
  return 1;
}

}  // namespace

bool parse_song_point(std::string_view text, SongPoint* point) {
  int fields[3] = {};
  size_t at = 0;
  for (int f = 0; f < 3; ++f) {
    if (f > 0) {
      if (at >= text.size() || text[at] != ':') return false;
      ++at;
    }
    const size_t first = at;
    int value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
      value = value * 10 + (text[at] - '0');
      if (value > 255) return false;  // also ends runs of digits long enough to overflow
    }
    if (at == first) return false;
    fields[f] = value;
  }
  if (at != text.size() || fields[0] < 1 || fields[0] > 2) return false;
  *point = {fields[0], fields[1] * 256 + fields[2]};
  return true;
}

bool song_point_exists(const SongPoint& point, std::string* why) {
  const uint8_t* image = point.half == 1 ? module_one : module_two;
  const uint32_t size = point.half == 1 ? module_one_size : module_two_size;
  const char* half_name = point.half == 1 ? "the first" : "the second";
  openmpt_module* module = openmpt_module_create_from_memory2(image, size, openmpt_log_func_silent, nullptr,
                                                              nullptr, nullptr, nullptr, nullptr, nullptr);
  if (!module) {
    if (why) *why = std::string("cannot read ") + half_name + " half's music";
    return false;
  }
  const int order = point.position >> 8, row = point.position & 255;
  const int orders = openmpt_module_get_num_orders(module);
  int rows = 0;
  if (order < orders) {
    const int pattern = openmpt_module_get_order_pattern(module, order);
    if (pattern >= 0 && pattern < openmpt_module_get_num_patterns(module))
      rows = openmpt_module_get_pattern_num_rows(module, pattern);
  }
  openmpt_module_destroy(module);
  if (order >= orders) {
    if (why)
      *why = point_text(point) + " is never played: " + half_name + " half's song has orders 0 to " +
             std::to_string(orders - 1);
    return false;
  }
  if (row >= rows) {
    if (why)
      *why = point_text(point) + " is never played: order " + std::to_string(order) + " of " + half_name +
             " half has rows 0 to " + std::to_string(rows - 1);
    return false;
  }
  return true;
}

int parse_capture_option(int argc, char** argv, int i, CaptureOptions* options, std::string* error) {
  const std::string arg = argv[i];
  // A value is missing at the end of the line, or where the next option begins.
  auto value = [&](int k) -> const char* {
    if (i + k >= argc || std::strncmp(argv[i + k], "--", 2) == 0) return nullptr;
    return argv[i + k];
  };
  auto fail = [&](const std::string& why) {
    *error = why;
    return -1;
  };
  auto point = [&](const char* text, SongPoint* p) {
    if (parse_song_point(text, p)) return true;
    *error = arg + ": bad song position '" + text +
             "' (HALF:ORDER:ROW in digits, half 1 or 2, order and row 0 to 255)";
    return false;
  };
  if (arg == "--capture") {
    if (!value(1)) return fail("--capture needs a file name");
    if (!options->video_path.empty()) return fail("--capture is given twice");
    options->video_path = argv[i + 1];
    return 2;
  }
  if (arg == "--crop") {
    options->crop = true;
    return 1;
  }
  if (arg == "--shot") {
    if (!value(1) || !value(2)) return fail("--shot needs a song position HALF:ORDER:ROW and a file name");
    CaptureOptions::Shot shot;
    if (!point(argv[i + 1], &shot.at)) return -1;
    shot.path = argv[i + 2];
    options->shots.push_back(shot);
    return 3;
  }
  if (arg == "--until") {
    if (!value(1)) return fail("--until needs a song position HALF:ORDER:ROW");
    if (options->has_until) return fail("--until is given twice");
    if (!point(argv[i + 1], &options->until)) return -1;
    options->has_until = true;
    return 2;
  }
  return 0;
}

bool capture_requested(const CaptureOptions& options) {
  return !options.video_path.empty() || !options.shots.empty() || options.crop || options.has_until;
}

bool validate_capture_options(const CaptureOptions& options, std::string* why) {
  if (options.video_path.empty() && options.shots.empty()) {
    *why = std::string(options.crop ? "--crop" : "--until") + " needs --capture or --shot";
    return false;
  }
  if (options.has_until && options.video_path.empty()) {
    *why = "--until needs --capture";
    return false;
  }
  if (!options.video_path.empty() && !VideoWriter::known_extension(options.video_path)) {
    *why = options.video_path + ": unknown extension (use .mp4 or .mkv)";
    return false;
  }
  return true;
}

int check_capture(const CaptureOptions& options, std::string* why) {
  if (!validate_capture_options(options, why)) return 2;
  for (const auto& shot : options.shots)
    if (!song_point_exists(shot.at, why)) return *why = "--shot " + *why, 2;
  if (options.has_until && !song_point_exists(options.until, why)) return *why = "--until " + *why, 2;
  // Every output: distinct, and its folder there and writable.
  std::vector<std::string> outputs;
  if (!options.video_path.empty()) outputs.push_back(options.video_path);
  for (const auto& shot : options.shots) outputs.push_back(shot.path);
  for (size_t i = 0; i < outputs.size(); ++i)
    for (size_t k = 0; k < i; ++k)
      if (same_output(outputs[i], outputs[k])) {
        *why = outputs[k] == outputs[i] ? outputs[i] + " is given twice as an output"
                                        : outputs[k] + " and " + outputs[i] + " are the same file";
        return 2;
      }
  for (const std::string& path : outputs)
    if (!check_output_path(path, why)) return 1;
  return 0;
}

int run_capture(const CaptureOptions& options) {
  stats = {};
  std::string why;
  if (int status = check_capture(options, &why)) {
    std::fprintf(stderr, "talvex: %s\n", why.c_str());
    return status;
  }
  CaptureRun run(options);
  run.video = !options.video_path.empty();
  if (run.video && options.encode &&
      !run.writer.open(options.video_path, run.width, run.height, options.video_settings))
    return fail(run.writer.error());

  // A display that only offers 32 bits: the demo takes its own fallback, the picture is the
  // same, and whole pixels are cheaper to scale, copy and convert than three-byte ones.
  platform_open_headless(HeadlessOptions{.refuse_24_bit = true});
  headless_set_frame_hook(frame_hook, &run);
  headless_set_audio_hook(audio_hook, &run);
  if (run.begin_video()) {
    demo_main();
    run.finish_sound();
  }
  platform_close();

  stats.frames = run.frames;
  stats.seconds = seconds_since(run.start);
  if (!run.error.empty()) {
    if (run.progress_shown && run.progress_on_terminal) std::fputc('\n', stderr);
    run.writer.abandon();
    return fail(run.error);
  }
  int status = 0;
  for (size_t i = 0; i < options.shots.size(); ++i) {
    if (run.shot_written[i]) continue;
    if (run.progress_shown && run.progress_on_terminal && status == 0) std::fputc('\n', stderr);
    status = fail("the song never reached " + point_text(options.shots[i].at) + "; " + options.shots[i].path +
                  " not written");
  }
  if (run.video && options.encode) {
    if (!run.writer.finish()) return fail(run.writer.error());
  }
  if (run.video && options.progress && status == 0) run.show_summary();
  // A point the song has but the run never reached: the video holds the whole run, and says so.
  if (run.video && options.has_until && !run.until_reached)
    std::fprintf(stderr, "talvex: the run ended before %s; the video holds all of it\n",
                 point_text(options.until).c_str());
  return status;
}

bool screen_available() { return sdl_screen_available(); }

const CaptureStats& last_capture_stats() { return stats; }
