#include "render3d/objects.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(GridFaces, TwoByTwoGridMakesTwoFaces) {
  Face faces[4] = {};
  FaceAttr attrs[4] = {};
  FaceTexture textures[4] = {};
  EXPECT_EQ(build_grid_faces(2, 2, 1, 0x81, 7, FaceTexture(0x1234), 0, 1, faces, attrs, textures), 3);
  EXPECT_EQ(faces[1].i0, 0);
  EXPECT_EQ(faces[1].i1, 1);
  EXPECT_EQ(faces[1].i2, 3);
  EXPECT_EQ(faces[2].i0, 3);
  EXPECT_EQ(faces[2].i1, 2);
  EXPECT_EQ(faces[2].i2, 0);
  for (int f : {1, 2}) {
    EXPECT_EQ(attrs[f].mode_flags, 0x81u);
    EXPECT_EQ(attrs[f].param, 7u);
    EXPECT_EQ(textures[f], FaceTexture(0x1234));
  }
  EXPECT_EQ(textures[0], 0u);
  EXPECT_EQ(textures[3], 0u);
}

TEST(GridFaces, DegenerateGridsWriteNothing) {
  Face faces[2] = {};
  FaceAttr attrs[2] = {};
  FaceTexture textures[2] = {};
  EXPECT_EQ(build_grid_faces(1, 5, 1, 0, 0, FaceTexture(1), 0, 9, faces, attrs, textures), 9);
  EXPECT_EQ(build_grid_faces(5, 1, 1, 0, 0, FaceTexture(1), 0, 9, faces, attrs, textures), 9);
  EXPECT_EQ(build_grid_faces(5, 5, 0, 0, 0, FaceTexture(1), 0, 9, faces, attrs, textures), 9);
}

TEST(GridFaces, LayersAndFirstVertexOffsetIndices) {
  static Face faces[64];
  static FaceAttr attrs[64];
  static FaceTexture textures[64];
  // 3 x 4 grids, two layers: 2 * 3 cells per layer, two faces each.
  EXPECT_EQ(build_grid_faces(3, 4, 2, 0, 0, FaceTexture(0), 100, 0, faces, attrs, textures), 24);
  // Last cell of the second layer: row 1, column 2.
  const int a = 100 + 12 + 4 + 2, b = a + 4;
  EXPECT_EQ(faces[22].i0, a);
  EXPECT_EQ(faces[22].i2, b + 1);
  EXPECT_EQ(faces[23].i1, b);
}

TEST(CubePoints, CountsCornersAndTextureCoordinates) {
  static Vec3i vertices[294], texcoords[294];
  build_cube_points(vertices, texcoords);
  EXPECT_EQ(point_count, 294);
  EXPECT_EQ(vertices[0].x, -900);
  EXPECT_EQ(vertices[0].y, 900);
  EXPECT_EQ(vertices[0].z, -900);
  EXPECT_EQ(texcoords[0].x, 0);
  EXPECT_EQ(texcoords[0].y, 0);
  const int expected[7] = {0, 42, 85, 128, 170, 213, 256};
  for (int j = 0; j < 7; ++j)
    for (int i = 0; i < 7; ++i) {
      EXPECT_EQ(texcoords[j * 7 + i].x, expected[j]);
      EXPECT_EQ(texcoords[j * 7 + i].y, expected[i]);
    }
  // Every point lies on the cube's surface (rotation truncates, so within a unit).
  for (const Vec3i& v : vertices) {
    const int m = std::max({std::abs(v.x), std::abs(v.y), std::abs(v.z)});
    EXPECT_GE(m, 899);
    EXPECT_LE(m, 900);
  }
  // Face 4 is turned a quarter up: its plane is no longer y = 900.
  EXPECT_NE(vertices[4 * 49 + 24].y, 900);
}

TEST(Sphere, CountsAndRadiusPerDepth) {
  const int32_t saved_levels = sphere_levels;
  for (int levels : {2, 3}) {
    sphere_levels = levels;
    build_sphere(7000);
    EXPECT_EQ(sphere_face_count, levels == 2 ? 128 : 512);
    EXPECT_EQ(sphere_corner_count, 3 * sphere_face_count);
    EXPECT_EQ(sphere_vertex_count, levels == 2 ? 66 : 258);
    for (int i = 0; i < sphere_vertex_count; ++i) {
      const Vec3i& v = sphere_vertices[i];
      EXPECT_NEAR(std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z), 7000.0, 1.8);
    }
    for (int f = 0; f < sphere_face_count; ++f) {
      const Face& face = sphere_faces[f];
      for (int32_t i : {face.i0, face.i1, face.i2}) {
        EXPECT_GE(i, 0);
        EXPECT_LT(i, sphere_vertex_count);
      }
      EXPECT_TRUE(face.i0 != face.i1 && face.i1 != face.i2 && face.i0 != face.i2);
    }
  }
  EXPECT_EQ(sphere_vertices[0].x, 7000);  // first corner of the octahedron
  sphere_levels = saved_levels;
}

TEST(VertexNormals, LoneFaceGetsItsNormalAtLength160) {
  const Vec3i vertices[3] = {{0, 0, 0}, {30, 0, 0}, {0, 50, 0}};
  const Face face = {0, 1, 2};
  clear_vertex_normals(4);
  vertex_normals[3] = {1, 2, 3};
  clear_vertex_normals(4);
  EXPECT_EQ(vertex_normals[3].z, 0);
  accumulate_vertex_normals(&face, 1, vertices, 0);
  // e1 = (30, 0, 0), e2 = (-30, 50, 0): n = (0, 0, 1500), halved on the zero start.
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(vertex_normals[i].x, 0);
    EXPECT_EQ(vertex_normals[i].y, 0);
    EXPECT_EQ(vertex_normals[i].z, 160);
  }
  EXPECT_EQ(vertex_normals[3].z, 0);  // untouched vertex keeps no normal
  // The squared length is a 32-bit sum, as in the original: large faces wrap.
  const Vec3i big = vec_average_normalize({0, 0, 0}, {0, 0, 150000});
  EXPECT_EQ(big.z, 329);
}

TEST(VertexNormals, TruncatedLengthAndAccumulationOrder) {
  const Vec3i n = vec_average_normalize({0, 0, 0}, {200, 100, 50});
  const double length = std::sqrt(double(n.x) * n.x + double(n.y) * n.y + double(n.z) * n.z);
  EXPECT_LE(length, 160.0);
  EXPECT_GT(length, 158.0);
  EXPECT_EQ(n.x, 139);  // 100 * 160 / sqrt(13125) = 139.66, truncated
  EXPECT_EQ(n.y, 69);
  EXPECT_EQ(n.z, 34);
  const Vec3i zero = vec_average_normalize({5, 0, 0}, {-5, 0, 0});
  EXPECT_EQ(zero.x, 0);
  EXPECT_EQ(zero.y, 0);
  EXPECT_EQ(zero.z, 0);

  // Two faces sharing vertex 0, accumulated in both orders.
  const Vec3i vertices[4] = {{0, 0, 0}, {100, 0, 0}, {0, 100, 0}, {0, 0, 100}};
  const Face faces[2] = {{0, 1, 2}, {0, 3, 1}};
  const Face reversed[2] = {faces[1], faces[0]};
  clear_vertex_normals(4);
  accumulate_vertex_normals(faces, 2, vertices, 0);
  const Vec3i forward = vertex_normals[0];
  clear_vertex_normals(4);
  accumulate_vertex_normals(reversed, 2, vertices, 0);
  EXPECT_NE(forward.y, vertex_normals[0].y);
  EXPECT_NE(forward.z, vertex_normals[0].z);
}

}  // namespace
