// Shared set-up of the scene tests: a standard 3D view, frames drawn straight into the FrameBuffer
// (no blending, presented at once) and no quit pending; afterwards present_skip and the clocks
// are put back.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <initializer_list>

#include "render3d/effects.h"
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
    present_skip = 0;
    scene_time = effect_time = 0;
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

// One frame at a scene clock and song position, and what it must leave behind.
struct FrameCheck {
  float time;
  int32_t position;
  int32_t fade = -1;  // fade_colour afterwards; -1: any
  bool leaves = false;
  int lit = -1;  // -1: any, 0: (almost) black, 1: more than 5000 pixels lit
};

// Plays the frames in order through a scene's frame function.
inline void play_frames(bool (*frame)(int32_t), std::initializer_list<FrameCheck> frames) {
  for (const FrameCheck& f : frames) {
    SCOPED_TRACE(testing::Message() << "time " << f.time << ", position " << f.position);
    scene_time = f.time;
    EXPECT_EQ(frame(f.position), f.leaves);
    EXPECT_TRUE(f.fade < 0 || fade_colour == f.fade) << std::hex << fade_colour;
    EXPECT_TRUE(f.lit < 0 || (lit_pixels() > 5000) == (f.lit == 1)) << lit_pixels() << " lit";
  }
}

// A scene's dissolve to black begins at position start, not one row before, keeps the time it
// began, runs its clock speed times the scene's and in the end leaves every pixel black.
inline void check_dissolve_to_black(bool (*frame)(int32_t), int32_t start, float speed) {
  dissolve_begun = 0;
  scene_time = 10;
  frame(start - 1);
  EXPECT_EQ(dissolve_begun, 0);
  frame(start);
  EXPECT_EQ(dissolve_begun, 1);
  scene_time = 20;
  frame(start + 1);
  EXPECT_FLOAT_EQ(dissolve_start_time, 10);  // not restarted
  EXPECT_FLOAT_EQ(effect_time, 10 * speed);
  scene_time = 10 + 270 / speed;  // the dissolve's clock past 256: every pixel copied
  frame(start + 2);
  EXPECT_EQ(dissolve_done, 1);
  EXPECT_EQ(lit_pixels(), 0);
}

}  // namespace scene_test
