// talvex: the demo. Without arguments it takes the whole screen; the options below are
// conveniences around that one run.
#include <cstdio>
#include <string_view>

#include "platform/capture.h"
#include "platform/platform.h"
#include "shell/demo.h"

namespace {

constexpr const char* usage =
    "usage: talvex [--window] [--capture FILE.mp4 [--until H:ORDER:ROW]] [--shot H:ORDER:ROW FILE.png]... "
    "[--crop] [--help] [--version]";

struct Options {
  bool windowed = false;
  bool help = false;
  bool version = false;
  CaptureOptions capture;  // --capture, --shot, --crop, --until
};

// Every command-line option is read here. Returns false (after a one-line error) on
// anything unknown.
bool parse_arguments(int argc, char** argv, Options* options) {
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "--window") {
      options->windowed = true;
    } else if (arg == "--help" || arg == "-h") {
      options->help = true;
    } else if (arg == "--version") {
      options->version = true;
    } else if (int used = parse_capture_option(argc, argv, i, &options->capture)) {
      if (used < 0) return false;
      i += used - 1;
    } else {
      std::fprintf(stderr, "talvex: unknown argument '%s'\n%s\n", argv[i], usage);
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!parse_arguments(argc, argv, &options)) return 2;
  if (options.help) {
    std::printf(
        "%s\n"
        "Runs the Talvex demo full screen with its music.\n"
        "  --window   in a resizable window instead of full screen\n"
        "  --help     this text\n"
        "  --version  the version\n"
        "  --capture FILE.mp4      renders the whole run without a screen into a video\n"
        "                          (800x600, 60 frames/s, H.264 and AAC)\n"
        "  --crop                  only the 640x400 picture, for --capture and --shot\n"
        "  --until H:ORDER:ROW     ends the capture there (half 1 or 2 of the music)\n"
        "  --shot H:ORDER:ROW FILE.png\n"
        "                          saves the first frame shown at that song position\n"
        "Without a screen the demo renders talvex.mp4 instead.\n"
        "Keys: Escape quits, M blends frames, Z shows the mosaic, keypad + and - set the volume.\n",
        usage);
    return 0;
  }
  if (options.version) {
    std::printf("talvex %s\n", TALVEX_VERSION);
    return 0;
  }
  if (capture_requested(options.capture)) return run_capture(options.capture);
  if (!screen_available()) {
    std::fprintf(stderr, "talvex: no screen to open; rendering the demo into talvex.mp4 instead\n");
    CaptureOptions fallback;
    fallback.video_path = "talvex.mp4";
    return run_capture(fallback);
  }
  platform_open_sdl(SdlOptions{.windowed = options.windowed});
  int result = demo_main();
  platform_close();
  return result;
}
