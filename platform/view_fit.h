// Where the display appears in a window of any size: the largest rectangle of the display's
// shape (4:3 for 800x600) that fits, centred, with black bars on the other two sides; and how
// it gets there crisply. The display is first enlarged by a whole factor with every pixel
// repeated (nearest sampling), the smallest factor that reaches the rectangle's size, and the
// rest is covered by one linear pass that shrinks a little. The linear pass then blends at
// most one output line at each edge between a lit line and a dark one, so the scanlines stay
// sharp at 1.8x (1920x1080) as at 2x, where a plain linear enlargement turns them grey.
#pragma once
#include <cstdint>

struct ViewFit {
  int32_t x = 0, y = 0, width = 0, height = 0;  // the picture's rectangle in the output
  int32_t factor = 1;                           // the whole enlargement before the linear pass; 1: none
};

// output: the window's drawable size in pixels; display: the surface's size; max_texture:
// the renderer's largest texture side (0: no limit). An output without area gives an empty
// rectangle.
ViewFit fit_view(int32_t output_width, int32_t output_height, int32_t display_width, int32_t display_height,
                 int32_t max_texture);
