// Shared set-up for renderer tests: a cleared screen, a default camera and test textures.
#pragma once
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

#include "render3d/pipeline.h"
#include "shell/present.h"

class RenderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    set_row_table(FrameBuffer);
    clear_buffers(0);
    view_pitch = view_yaw = view_roll = 0;
    for (int i = 0; i < 3; ++i) view_offset[i] = view_target[i] = 0;
    screen_centre[0] = 160, screen_centre[1] = 100;
    normal_offset[0] = normal_offset[1] = 0;
    near_z_limit = 50;
    render_first_face = 0;
    for (uint8_t& s : vertex_shade) s = 0;
    // Texel (row r, column c) = 0x00rrcc01: tells back where it came from.
    for (int r = 0; r < 256; ++r)
      for (int c = 0; c < 256; ++c) coord_texture[r * 256 + c] = uint32_t(r) << 16 | uint32_t(c) << 8 | 1;
  }
  static uint32_t pixel(int x, int y) { return FrameBuffer[y * 320 + x]; }
  static int32_t depth(int x, int y) { return ZBuffer[y * 320 + x]; }
  static std::pair<uint32_t, int32_t> pixel_depth(int x, int y) { return {pixel(x, y), depth(x, y)}; }
  static uint32_t texel(int row, int column) { return coord_texture[row * 256 + column]; }
  // Columns [first, end) of row y that differ from background; (-1, -1) when none do.
  static std::pair<int, int> extent(int y, uint32_t background = 0) {
    int first = -1, end = -1;
    for (int x = 0; x < 320; ++x)
      if (pixel(x, y) != background) first = first < 0 ? x : first, end = x + 1;
    return {first, end};
  }
  static std::vector<std::pair<int, int>> extents(std::initializer_list<int> rows) {
    std::vector<std::pair<int, int>> e;
    for (int y : rows) e.push_back(extent(y));
    return e;
  }
  static void set_corners(std::initializer_list<std::array<int, 3>> xyz) {
    int k = 0;
    for (const auto& [x, y, z] : xyz)
      fill_triangle[k] = {}, fill_triangle[k].x = x, fill_triangle[k].y = y, fill_triangle[k++].z = z;
  }
  // A texture of one colour.
  template <uint32_t colour>
  static const uint32_t* plain_texture() {
    static uint32_t texture[65536];
    for (uint32_t& t : texture) t = colour;
    return texture;
  }
  static bool nothing_past_the_screen() {
    for (int i = 0; i < 64000; ++i)
      if (prev_frame[i] != 0) return false;
    return true;
  }

 public:
  static inline uint32_t coord_texture[65536];
};
