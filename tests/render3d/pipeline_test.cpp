#include "render3d/pipeline.h"

#include <gtest/gtest.h>

#include <cmath>

#include "render3d/fillers.h"
#include "render_fixture.h"

namespace {

using Pipeline = RenderTest;

TEST_F(Pipeline, ProjectsTheDocumentedExample) {
  const Vec3i in[2] = {{100, 50, 0}, {-30, 20, -700}};
  Vec3i out[2];
  transform_vertices(in, out, 2, 1, 7, 0, 0, 0);
  EXPECT_EQ(out[0].x, 260);
  EXPECT_EQ(out[0].y, 150);
  EXPECT_EQ(out[0].z, 0);
  // z = -700: den = 7999 + 7 * 4900 = 42299.
  EXPECT_EQ(out[1].x, -30 * 8000 / 42299 + 160);
  EXPECT_EQ(out[1].y, 20 * 8000 / 42299 + 100);
  EXPECT_EQ(out[1].z, -700);
}

TEST_F(Pipeline, PerspectiveClampsNearDepths) {
  const Vec3i in[2] = {{100, -100, 143}, {100, -100, 30000}};
  Vec3i out[2];
  transform_vertices(in, out, 2, 1, 7, 0, 0, 0);
  for (const Vec3i& p : out) {
    EXPECT_EQ(p.x, 100 * 8000 / 999 + 160);
    EXPECT_EQ(p.y, -100 * 8000 / 999 + 100);
  }
  EXPECT_EQ(out[1].z, 30000);
}

TEST_F(Pipeline, ScaleTranslationAndWordOffsets) {
  view_offset[0] = 10.9f, view_offset[1] = -5.9f, view_offset[2] = -0.5f;
  const Vec3i in[3] = {{0, 0, 0}, {0, 0, 0}, {20, 10, 0}};
  Vec3i out[3] = {};
  transform_vertices(in, out, 1, 3, 7, 0, 6, 3);
  // p = (60 + 10, 30 - 5, 0): the offset is truncated toward zero.
  EXPECT_EQ(out[1].x, 70 * 8000 / 7999 + 160);
  EXPECT_EQ(out[1].y, 25 * 8000 / 7999 + 100);
  EXPECT_EQ(out[0].x, 0);
  EXPECT_EQ(out[2].x, 0);
}

TEST_F(Pipeline, RotateOnlyAddsNormalOffsetAndNeverDivides) {
  normal_offset[0] = 128, normal_offset[1] = 128;
  view_offset[0] = 1000;  // ignored in rotate-only mode
  const Vec3i in[1] = {{-40, 70, 5000}};
  Vec3i out[1];
  transform_vertices(in, out, 1, 1, 7, 1, 0, 0);
  EXPECT_EQ(out[0].x, 88);
  EXPECT_EQ(out[0].y, 198);
  EXPECT_EQ(out[0].z, 5000);
  out[0] = {1, 2, 3};
  transform_vertices(in, out, 0, 1, 7, 1, 0, 0);
  EXPECT_EQ(out[0].x, 1);
}

TEST_F(Pipeline, RotationsMatchRotatePoint) {
  // Quarter turns are exact in 16.16 up to the truncated cosine, so both agree.
  const float angles[][3] = {{0, 64, 0}, {64, 0, 0}, {0, 0, 64}, {64, 64, 64}};
  for (const auto& a : angles) {
    view_pitch = a[0], view_yaw = a[1], view_roll = a[2];
    const Vec3i in[1] = {{300, -200, 100}};
    Vec3i out[1];
    transform_vertices(in, out, 1, 1, 1, 1, 0, 0);
    rotate_point(300, -200, 100, a[0], a[1], a[2]);
    EXPECT_NEAR(out[0].x, rotated_point[0], 2);
    EXPECT_NEAR(out[0].y, rotated_point[1], 2);
    EXPECT_NEAR(out[0].z, rotated_point[2], 2);
  }
  rotate_point(100, 0, 0, 0, 64, 0);  // yaw a quarter turn: x goes to -z
  EXPECT_EQ(rotated_point[0], 0);
  EXPECT_EQ(rotated_point[2], -100);
}

TEST_F(Pipeline, AimCameraExamples) {
  view_offset[2] = -500;
  aim_camera();
  EXPECT_EQ(view_yaw, 0.0f);
  EXPECT_EQ(view_pitch, 0.0f);
  view_offset[2] = 500;
  view_roll = 3;
  aim_camera();
  EXPECT_EQ(view_yaw, 128.0f);
  EXPECT_EQ(view_roll, 3.0f);
  EXPECT_EQ(view_offset[2], 500.0f);
  view_roll = 0;
  // In general position, -view_target lands straight ahead at the screen centre.
  view_offset[0] = -300, view_offset[1] = 200, view_offset[2] = 900;
  view_target[0] = 50, view_target[1] = -70, view_target[2] = 20;
  aim_camera();
  const Vec3i in[1] = {{-50, 70, -20}};
  Vec3i out[1];
  transform_vertices(in, out, 1, 1, 7, 0, 0, 0);
  EXPECT_NEAR(out[0].x, 160, 1);
  EXPECT_NEAR(out[0].y, 100, 1);
  EXPECT_LT(out[0].z, -900);
}

// A one-face mesh with a flat colour, drawn with the given projected corners.
struct OneFace {
  Face face = {0, 1, 2};
  FaceAttr attr = {5, 0};
  FaceTexture colour = 0xFF8040;
  Vec3i corners[3];
  void draw() const {
    render_mesh(&face, corners, 1, nullptr, nullptr, nullptr, nullptr, &attr, &colour, nullptr);
  }
};

TEST_F(Pipeline, CullsByWindingUnlessDoubleSided) {
  OneFace mesh;
  mesh.corners[0] = {0, 0, 0}, mesh.corners[1] = {10, 0, 0}, mesh.corners[2] = {0, 10, 0};
  mesh.draw();
  EXPECT_EQ(pixel(1, 1), 0xFF8040u);
  clear_buffers(0);
  mesh.corners[1] = {0, 10, 0}, mesh.corners[2] = {10, 0, 0};
  mesh.draw();
  EXPECT_EQ(pixel(1, 1), 0u);
  mesh.attr.mode_flags = 128 + 5;
  mesh.draw();
  EXPECT_EQ(pixel(1, 1), 0xFF8040u);
}

TEST_F(Pipeline, NearAndFarLimitsRejectFaces) {
  OneFace mesh;
  mesh.corners[0] = {0, 0, 0}, mesh.corners[1] = {10, 0, 50}, mesh.corners[2] = {0, 10, 0};
  mesh.draw();
  EXPECT_EQ(pixel(1, 1), 0u);
  near_z_limit = 150;
  mesh.draw();
  EXPECT_EQ(pixel(1, 1), 0xFF8040u);
  clear_buffers(0);
  mesh.corners[1].z = -95000;
  mesh.draw();
  EXPECT_EQ(pixel(1, 1), 0u);
  render_first_face = 1;  // faces before render_first_face are skipped
  mesh.corners[1].z = 0;
  Face faces[2] = {{0, 0, 0}, {0, 1, 2}};
  FaceAttr attrs[2] = {{0, 0}, {5, 0}};
  FaceTexture colours[2] = {0, 0x123456};
  render_mesh(faces, mesh.corners, 1, nullptr, nullptr, nullptr, nullptr, attrs, colours, nullptr);
  EXPECT_EQ(pixel(1, 1), 0x123456u);
}

TEST_F(Pipeline, SpriteFacesNeedNegativeDepth) {
  static uint32_t white[65536];
  for (uint32_t& t : white) t = 0xFFFFFF;
  const Face face = {0, 1, 2};
  const FaceAttr attr = {3, 0x000010};
  const FaceTexture size = 40;
  Vec3i corners[3] = {{100, 100, 0}, {0, 0, 0}, {0, 0, 0}};
  render_mesh(&face, corners, 1, nullptr, nullptr, nullptr, nullptr, &attr, &size, white);
  EXPECT_EQ(pixel(100, 100), 0u);
  corners[0].z = -1000;  // size = 40 * 8000 / 57000 = 5
  render_mesh(&face, corners, 1, nullptr, nullptr, nullptr, nullptr, &attr, &size, white);
  int first, end;
  row_extent(100, 0, first, end);
  EXPECT_EQ(first, 98);
  EXPECT_EQ(end, 103);
  EXPECT_EQ(pixel(100, 100), 0xFFFFEFu);
  EXPECT_EQ(depth(100, 100), INT32_MIN);  // sprites leave depth alone
}

TEST_F(Pipeline, ModeZeroShadesAndAlternateTexture) {
  const Face face = {0, 1, 2};
  FaceAttr attr = {128, 1};
  const FaceTexture texture = texture_word(coord_texture);
  const Vec3i corners[3] = {{0, 0, -10}, {40, 0, -10}, {0, 40, -10}};
  const Vec3i texcoords[3] = {{5, 7, 0}, {5, 7, 0}, {5, 7, 0}};
  vertex_shade[0] = vertex_shade[3] = vertex_shade[6] = 0;
  clear_buffers(0xFFFFFF);
  render_mesh(&face, corners, 1, texcoords, nullptr, nullptr, nullptr, &attr, &texture, nullptr);
  EXPECT_EQ(pixel(2, 2), coord_texture[5 * 256 + 7]);  // all shades 0: opaque
  EXPECT_EQ(depth(2, 2), -10 << 16);
  vertex_shade[0] = vertex_shade[3] = vertex_shade[6] = 128;
  clear_buffers(0xFFFFFF);
  render_mesh(&face, corners, 1, texcoords, nullptr, nullptr, nullptr, &attr, &texture, nullptr);
  EXPECT_EQ(pixel(2, 2), 0x828380u);  // halfway to white: (t + 255) * 128 >> 8
  attr.param = 128;                   // alternate texture, opaque
  static uint32_t plain[65536];
  for (uint32_t& t : plain) t = 0x445566;
  render_mesh(&face, corners, 1, texcoords, plain, nullptr, nullptr, &attr, &texture, nullptr);
  EXPECT_EQ(pixel(2, 2), 0x445566u);
  vertex_shade[0] = vertex_shade[3] = vertex_shade[6] = 0;
}

TEST_F(Pipeline, EnvironmentAndColourModes) {
  const Face face = {0, 1, 2};
  const Vec3i corners[3] = {{0, 0, -10}, {40, 0, -10}, {0, 40, -10}};
  const Vec3i texcoords[3] = {{3, 9, 0}, {3, 9, 0}, {3, 9, 0}};
  static uint32_t env[65536];
  for (int i = 0; i < 65536; ++i) env[i] = uint32_t(i == 128 * 256 + 118 ? 0x000100 : 0xFFFFFF);
  const Vec3i normals[3] = {{-21, 1, 0}, {-21, 1, 0}, {-21, 1, 0}};  // env (118, 128)
  FaceAttr attr = {1, 0};
  const FaceTexture texture = texture_word(coord_texture);
  render_mesh(&face, corners, 1, texcoords, nullptr, normals, env, &attr, &texture, nullptr);
  EXPECT_EQ(pixel(2, 2), coord_texture[9 * 256 + 3] + 0x100);  // v picks the row here
  attr.mode_flags = 2;
  vertex_shade[0] = vertex_shade[3] = vertex_shade[6] = 255;  // red doubles and saturates
  vertex_shade[1] = vertex_shade[4] = vertex_shade[7] = 64;   // green halves
  vertex_shade[2] = vertex_shade[5] = vertex_shade[8] = 128;  // blue stays
  render_mesh(&face, corners, 1, texcoords, nullptr, nullptr, nullptr, &attr, &texture, nullptr);
  EXPECT_EQ(pixel(2, 2), 0x110101u);  // texel 0x090301: red 9 * 255 >> 7, green 3 * 64 >> 7, blue 1
  for (int i = 0; i < 9; ++i) vertex_shade[i] = 0;
}

}  // namespace
