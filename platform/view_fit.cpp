#include "platform/view_fit.h"

#include <algorithm>

ViewFit fit_view(int32_t output_width, int32_t output_height, int32_t display_width, int32_t display_height,
                 int32_t max_texture) {
  ViewFit fit;
  if (output_width <= 0 || output_height <= 0 || display_width <= 0 || display_height <= 0) {
    fit.factor = 1;
    return fit;
  }
  // Widest that fits: full height unless that would be wider than the output.
  int64_t width = int64_t(output_height) * display_width / display_height;
  int64_t height = output_height;
  if (width > output_width) {
    width = output_width;
    height = int64_t(output_width) * display_height / display_width;
  }
  fit.width = int32_t(std::max<int64_t>(width, 1));
  fit.height = int32_t(std::max<int64_t>(height, 1));
  fit.x = (output_width - fit.width) / 2;
  fit.y = (output_height - fit.height) / 2;
  // The smallest whole factor that reaches the rectangle: the linear pass then only shrinks.
  int64_t factor = std::max<int64_t>((fit.width + display_width - 1) / display_width,
                                     (fit.height + display_height - 1) / display_height);
  if (max_texture > 0)
    factor = std::min<int64_t>(factor, std::min(max_texture / display_width, max_texture / display_height));
  fit.factor = int32_t(std::max<int64_t>(factor, 1));
  return fit;
}
