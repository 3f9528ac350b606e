// talvex: the demo. Without arguments it takes the whole screen; the options below are
// conveniences around that one run.
#include <cstdio>
#include <string_view>

#include "platform/platform.h"
#include "shell/demo.h"

namespace {

constexpr const char* usage = "usage: talvex [--window] [--help] [--version]";

struct Options {
  bool windowed = false;
  bool help = false;
  bool version = false;
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
        "Keys: Escape quits, M blends frames, Z shows the mosaic, keypad + and - set the volume.\n",
        usage);
    return 0;
  }
  if (options.version) {
    std::printf("talvex %s\n", TALVEX_VERSION);
    return 0;
  }
  platform_open_sdl(SdlOptions{.windowed = options.windowed});
  int result = demo_main();
  platform_close();
  return result;
}
