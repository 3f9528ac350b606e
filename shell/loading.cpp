#include "shell/loading.h"

#include <cstdint>

#include "platform/platform.h"

float loading_count = 100.0f;
char loading_text[6] = "<100>";

namespace {
const float loading_step = -1.4492f;
const double grey_factor = 2.55;
}  // namespace

void show_loading_count() {
  auto n = static_cast<uint8_t>(static_cast<int32_t>(loading_count));
  loading_text[1] = char('0' + n / 100);
  loading_text[2] = char('0' + n / 10 % 10);
  loading_text[3] = char('0' + n % 10);
  loading_count = loading_count + loading_step;
  // Darkens with the count: the colour uses the value after this step.
  auto g = static_cast<uint8_t>(static_cast<int32_t>(loading_count * grey_factor));
  uint32_t grey = g * 0x010101u;
  int32_t width = 0, height = 0;
  if (!platform_text_extent(loading_text, &width, &height)) return;
  // The opaque black cell covers the previous, possibly wider, count.
  platform_text_out((800 - width) / 2, (600 - height) / 2, loading_text, grey, 0x000000);
}
