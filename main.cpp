// talvex: the demo. Without arguments it takes the whole screen; the options below are
// conveniences around that one run.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/capture.h"
#include "platform/output_file.h"
#include "platform/platform.h"
#include "shell/demo.h"
#include "shell/window.h"

namespace {

constexpr const char* usage =
    "usage: talvex [--window] [--loop] [--start H:ORDER:ROW] [--capture FILE.mp4 [--until H:ORDER:ROW]] "
    "[--shot H:ORDER:ROW FILE.png]... [--crop] [--help] [--version]";

struct Options {
  bool windowed = false;
  bool help = false;
  bool version = false;
  bool loop = false;
  bool has_start = false;
  SongPoint start;
  CaptureOptions capture;  // --capture, --shot, --crop, --until
};

// Every command-line option is read here. Returns false with why on anything malformed.
bool parse_arguments(int argc, char** argv, Options* options, std::string* why) {
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "--window") {
      options->windowed = true;
    } else if (arg == "--help" || arg == "-h") {
      options->help = true;
    } else if (arg == "--version") {
      options->version = true;
    } else if (arg == "--loop") {
      if (options->loop) return *why = "--loop is given twice", false;
      options->loop = true;
    } else if (arg == "--start") {
      if (options->has_start) return *why = "--start is given twice", false;
      if (i + 1 >= argc) return *why = "--start needs a song position H:ORDER:ROW", false;
      if (!parse_song_point(argv[++i], &options->start))
        return *why = "--start: '" + std::string(argv[i]) + "' is not a song position H:ORDER:ROW", false;
      if (!song_point_exists(options->start, why)) return *why = "--start " + *why, false;
      options->has_start = true;
    } else if (int used = parse_capture_option(argc, argv, i, &options->capture, why)) {
      if (used < 0) return false;
      i += used - 1;
    } else {
      *why = "unknown argument '" + std::string(arg) + "'";
      return false;
    }
  }
  if (options->windowed && capture_requested(options->capture)) {
    *why = "--window and a capture exclude each other";
    return false;
  }
  if (options->loop && capture_requested(options->capture)) {
    *why = "--loop and a capture exclude each other";
    return false;
  }
  return true;
}

// Exit code 2: the command line itself is wrong.
int usage_error(const std::string& why) {
  std::fprintf(stderr, "talvex: %s\n%s\n", why.c_str(), usage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  std::string why;
  if (!parse_arguments(argc, argv, &options, &why)) return usage_error(why);
  if (options.help) {
    std::printf(
        "%s\n"
        "Runs the Talvex demo full screen with its music.\n"
        "  --window   in a resizable window instead of full screen\n"
        "  --loop     starts again from the loading count after the end, until Escape\n"
        "  --start H:ORDER:ROW     starts at that song position (after the whole start-up),\n"
        "                          with the scene playing there from its beginning\n"
        "  --help     this text\n"
        "  --version  the version\n"
        "  --capture FILE.mp4      renders the whole run without a screen into a video\n"
        "                          (800x600, 60 frames/s, H.264 and AAC)\n"
        "  --crop                  only the 640x400 picture, for --capture and --shot\n"
        "  --until H:ORDER:ROW     ends the capture there\n"
        "  --shot H:ORDER:ROW FILE.png\n"
        "                          saves the first frame shown at that song position\n"
        "Song positions: half 1 or 2 of the music, order and row 0 to 255, in digits; a\n"
        "position the song never plays is refused. Without a screen the demo renders\n"
        "talvex.mp4 instead (talvex-2.mp4... if that name is taken).\n"
        "Exit codes: 0 done, 1 the run failed, 2 a usage error.\n"
        "Keys: Escape quits, Alt+Enter or F11 switches full screen and window, M blends frames,\n"
        "Z shows the mosaic, keypad + and - set the volume.\n",
        usage);
    return 0;
  }
  if (options.version) {
    std::printf("talvex %s\n", TALVEX_VERSION);
    return 0;
  }
  if (options.has_start) start_half = options.start.half, start_position = options.start.position;
  if (capture_requested(options.capture)) {
    // Every check before anything runs, so that a run never fails at its end on a bad path.
    if (int status = check_capture(options.capture, &why)) {
      if (status == 2) return usage_error(why);
      std::fprintf(stderr, "talvex: %s\n", why.c_str());
      return status;
    }
    return run_capture(options.capture);
  }
  if (!screen_available()) {
    // Never over a file that is there already: talvex-2.mp4, talvex-3.mp4... instead.
    CaptureOptions fallback;
    fallback.video_path = free_output_name("talvex.mp4");
    fallback.video_settings.replace = false;
    if (fallback.video_path.empty()) {
      std::fprintf(stderr, "talvex: no screen to open, and no free name for a video beside talvex.mp4\n");
      return 1;
    }
    std::fprintf(stderr, "talvex: no screen to open; rendering the demo into %s instead\n",
                 fallback.video_path.c_str());
    return run_capture(fallback);
  }
  platform_open_sdl(SdlOptions{.windowed = options.windowed});
  int result = demo_main();
  platform_close();
  if (options.loop && result == 0 && quit_flag == 0) {
    // Every scene's state back to its start: the same program again, as a fresh process.
    // Run the program's own path, so that it keeps its name in ps and killall.
    std::fflush(nullptr);
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n > 0) self[n] = 0, execv(self, argv);
    execv("/proc/self/exe", argv);  // the file was replaced or removed meanwhile
    std::fprintf(stderr, "talvex: cannot start again: %s\n", std::strerror(errno));
    return 1;
  }
  return result;
}
