// Shared set-up of the scene tests: a standard 3D view, frames drawn straight into the FrameBuffer
// (no blending, presented at once) and no quit pending.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "render3d/pipeline.h"
#include "shell/present.h"
#include "shell/timer.h"
#include "shell/window.h"

namespace scene_test {

class SceneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    set_row_table(FrameBuffer);
    render_first_face = 0;
    screen_centre[0] = 160;
    screen_centre[1] = 100;
    present_skip = 0;
    blend_enabled = 0;
    quit_flag = 0;
    scene_time = 0;
  }
  void TearDown() override {
    set_row_table(FrameBuffer);
    screen_centre[0] = 160;
    blend_enabled = 1;
    quit_flag = 0;
  }
};

inline bool all_are(const uint32_t* pixels, uint32_t value, int count = screen_pixels) {
  return std::all_of(pixels, pixels + count, [value](uint32_t p) { return p == value; });
}

inline int lit_pixels() {
  return int(
      std::count_if(FrameBuffer, FrameBuffer + screen_pixels, [](uint32_t p) { return p & 0xFFFFFF; }));
}

// A vertex as something EXPECT_EQ can compare and print.
inline std::array<int32_t, 3> xyz(const Vec3i& v) { return {v.x, v.y, v.z}; }

// Byte k (0 = blue) of a pixel.
inline int byte_of(uint32_t p, int k) { return int(p >> (8 * k) & 255); }

}  // namespace scene_test
