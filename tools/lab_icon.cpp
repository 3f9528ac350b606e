// talvex-lab icon OUT.png: the desktop icon, the logo on the title's warm backdrop.
#include <cstdint>
#include <cstdio>

#include "data/logo.h"
#include "platform/png.h"
#include "tools/lab.h"

namespace {

constexpr int icon_size = 256;

int run(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "talvex-lab icon: expected OUT.png\n");
    return lab_usage_error;
  }
  static uint32_t pixels[icon_size * icon_size];
  const int left = (icon_size - logo_width) / 2, top = (icon_size - logo_height) / 2;
  for (int y = 0; y < icon_size; ++y) {
    for (int x = 0; x < icon_size; ++x) {
      // A dark red that warms toward the middle row, and the logo in pale orange over it.
      const int d = y < icon_size / 2 ? icon_size / 2 - y : y - icon_size / 2;
      const uint32_t red = 200 - d, green = 60 - d * 60 / 128, blue = 16;
      uint32_t p = 0xFF000000u | red << 16 | green << 8 | blue;
      const int lx = x - left, ly = y - top;
      if (lx >= 0 && lx < logo_width && ly >= 0 && ly < logo_height &&
          (logo_bitmap[ly * logo_row_bytes + lx / 8] >> (7 - lx % 8) & 1))
        p = 0xFFFFD8A0u;
      pixels[y * icon_size + x] = p;
    }
  }
  if (!write_png(argv[1], icon_size, icon_size, pixels, icon_size)) {
    std::fprintf(stderr, "talvex-lab icon: cannot write '%s'\n", argv[1]);
    return 1;
  }
  return 0;
}

LabCommand command{"icon", "OUT.png  (the desktop icon made from the logo)", run};

}  // namespace
