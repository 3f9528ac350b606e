#include "render3d/pipeline.h"

#include <gtest/gtest.h>

#include <array>
#include <tuple>
#include <utility>

#include "render3d/fillers.h"
#include "render_fixture.h"

namespace {

using Pipeline = RenderTest;

std::array<int32_t, 3> xyz(const Vec3i& v) { return {v.x, v.y, v.z}; }

TEST_F(Pipeline, TransformVertices) {
  struct Case {
    Vec3i in;
    int32_t scale;
    uint8_t rotate_only;
    float offset[3], angles[3];  // view_offset; pitch, yaw, roll
    std::array<int32_t, 3> out;
  };
  const Case cases[] = {
      // Near depths are clamped: 7 x z stops at 1000, the divisor at 999.
      {{100, -100, 143}, 1, 0, {}, {}, {960, -700, 143}},
      // Scaled, then offset by (10, -5, 0): the offset is truncated toward zero.
      {{20, 10, 0}, 3, 0, {10.9f, -5.9f, -0.5f}, {}, {230, 125, 0}},
      // Rotate-only adds normal_offset (128, 128) and ignores view_offset. Quarter turns are exact
      // (the 16.16 cosine truncates to 0): yaw, then pitch, then roll.
      {{-40, 70, 5000}, 1, 1, {1000, 0, 0}, {}, {88, 198, 5000}},
      {{300, -200, 100}, 1, 1, {}, {0, 64, 0}, {228, -72, -300}},
      {{300, -200, 100}, 1, 1, {}, {64, 64, 64}, {-172, 228, -200}},
  };
  normal_offset[0] = normal_offset[1] = 128;
  for (const Case& c : cases) {
    SCOPED_TRACE(&c - cases);
    for (int i = 0; i < 3; ++i) view_offset[i] = c.offset[i];
    view_pitch = c.angles[0], view_yaw = c.angles[1], view_roll = c.angles[2];
    Vec3i out[1];
    transform_vertices(&c.in, out, 1, c.scale, 7, c.rotate_only, 0, 0);
    EXPECT_EQ(xyz(out[0]), c.out);
    if (!c.rotate_only) continue;
    rotate_point(c.in.x, c.in.y, c.in.z, c.angles[0], c.angles[1], c.angles[2]);  // the float rotation
    EXPECT_EQ((std::array{rotated_point[0] + 128, rotated_point[1] + 128, rotated_point[2]}), c.out);
  }
  // Offsets count 32-bit words; a count of 0 writes nothing.
  view_offset[0] = view_pitch = view_yaw = view_roll = 0;
  const Vec3i in[3] = {{0, 0, 0}, {0, 0, 0}, {100, 50, 0}};
  Vec3i out[3] = {};
  transform_vertices(in, out, 1, 1, 7, 0, 6, 3);
  transform_vertices(in, out, 0, 1, 7, 0, 0, 0);
  EXPECT_EQ(xyz(out[0]), xyz(out[2]));
  EXPECT_EQ(xyz(out[1]), (std::array{260, 150, 0}));
}

TEST_F(Pipeline, AimCameraExamples) {
  aim_camera();  // dz = 0 counts as looking back
  EXPECT_EQ(std::pair(view_yaw, view_pitch), std::pair(128.0f, 0.0f));
  view_offset[2] = -500;
  aim_camera();
  EXPECT_EQ(std::pair(view_yaw, view_pitch), std::pair(0.0f, 0.0f));
  view_offset[2] = 500, view_roll = 3;
  aim_camera();  // and it leaves the roll and the offset alone
  EXPECT_EQ(std::tuple(view_yaw, view_roll, view_offset[2]), std::tuple(128.0f, 3.0f, 500.0f));
  // In general position, -view_target lands straight ahead at the screen centre.
  view_offset[0] = -300, view_offset[1] = 200, view_offset[2] = 900, view_roll = 0;
  view_target[0] = 50, view_target[1] = -70, view_target[2] = 20;
  aim_camera();
  const Vec3i in[1] = {{-50, 70, -20}};
  Vec3i out[1];
  transform_vertices(in, out, 1, 1, 7, 0, 0, 0);
  EXPECT_NEAR(out[0].x, 160, 1);
  EXPECT_NEAR(out[0].y, 100, 1);
  EXPECT_LT(out[0].z, -900);
  // Looking back, the yaw is stored as a float first and the half turn added to that float:
  // atan(300) x 128 / pi = 63.8641882..., so 191.86419677734375, one float step above the
  // 191.86418151855469 that adding 128 before rounding would give.
  view_offset[0] = -300, view_offset[1] = 0, view_offset[2] = 1;
  view_target[0] = view_target[1] = view_target[2] = 0;
  aim_camera();
  EXPECT_EQ(view_yaw, 191.86419677734375f);
}

// One face {0, 1, 2} through render_mesh.
void draw_face(const Vec3i* corners, FaceAttr attr, FaceTexture texture, const Vec3i* texcoords = nullptr,
               const uint32_t* alternate = nullptr, const Vec3i* normals = nullptr,
               const uint32_t* env = nullptr, const uint32_t* sprite = nullptr) {
  const Face face = {0, 1, 2};
  render_mesh(&face, corners, 1, texcoords, alternate, normals, env, &attr, &texture, sprite);
}

TEST_F(Pipeline, CullingAndDepthLimits) {
  // Reversed winding, z of corner 1, mode flags, near limit: drawn?
  for (auto [reversed, z, flags, limit, drawn] : {std::tuple{false, 0, 5u, 50, true},
                                                  {true, 0, 5u, 50, false},  // the other winding is culled,
                                                  {true, 0, 128u + 5, 50, true},  // unless double-sided
                                                  {false, 50, 5u, 50, false},  // a corner at the near limit
                                                  {false, 50, 5u, 150, true},
                                                  {false, -95000, 5u, 50, false},  // or at the far one
                                                  {false, -94999, 5u, 50, true}}) {
    SCOPED_TRACE(testing::Message() << reversed << " " << z << " " << flags << " " << limit);
    clear_buffers(0);
    near_z_limit = limit;
    const Vec3i a = {10, 0, z}, b = {0, 10, 0};
    const Vec3i corners[3] = {{0, 0, 0}, reversed ? b : a, reversed ? a : b};
    draw_face(corners, {flags, 0}, 0xFF8040);
    EXPECT_EQ(pixel(1, 1), drawn ? 0xFF8040u : 0u);
  }
  // Faces before render_first_face are skipped, and count starts from it.
  const Vec3i corners[3] = {{0, 0, 0}, {10, 0, 0}, {0, 10, 0}};
  const Face faces[2] = {{0, 1, 2}, {0, 1, 2}};
  const FaceAttr attrs[2] = {{5, 0}, {5, 0}};
  const FaceTexture colours[2] = {0x111111, 0x123456};
  render_first_face = 1;
  render_mesh(faces, corners, 1, nullptr, nullptr, nullptr, nullptr, attrs, colours, nullptr);
  EXPECT_EQ(pixel(1, 1), 0x123456u);
}

TEST_F(Pipeline, SpriteFaces) {
  // x, z, base size, extent of row 100.
  for (auto [x, z, size, row] : {std::tuple{160, 0, FaceTexture(40), std::pair(-1, -1)},  // needs z < 0
                                 {160, -1, 10, {156, 165}},       // size 10 x 8000 / (8000 + 49) = 9
                                 {160, -1, 100000, {-1, -1}},     // 99391 as a signed 16-bit size: < 0
                                 {100, -1000, 40, {98, 103}}}) {  // 40 x 8000 / 57000 = 5
    SCOPED_TRACE(size);
    clear_buffers(0);
    const Vec3i corners[3] = {{x, 100, z}, {0, 0, 0}, {0, 0, 0}};
    draw_face(corners, {3, 0x000010}, size, nullptr, nullptr, nullptr, nullptr, plain_texture<0xFFFFFF>());
    EXPECT_EQ(extent(100), row);
  }
  // The parameter is subtracted from each texel; sprites leave depth alone.
  EXPECT_EQ(pixel_depth(100, 100), std::pair(0xFFFFEFu, INT32_MIN));
}

}  // namespace
