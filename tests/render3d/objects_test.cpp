#include "render3d/objects.h"

#include <gtest/gtest.h>

#include <array>
#include <tuple>

namespace {

std::array<int32_t, 3> ids(const Face& f) { return {f.i0, f.i1, f.i2}; }
std::array<int32_t, 3> xyz(const Vec3i& v) { return {v.x, v.y, v.z}; }

TEST(Objects, GridFaces) {
  static Face faces[32];
  static FaceAttr attrs[32];
  static FaceTexture textures[32];
  for (auto [rows, columns, layers] : {std::array{1, 5, 1}, {5, 1, 1}, {5, 5, 0}})  // nothing to write
    EXPECT_EQ(build_grid_faces(rows, columns, layers, 0, 0, FaceTexture(1), 0, 9, faces, attrs, textures), 9);
  EXPECT_EQ(build_grid_faces(2, 2, 1, 0x81, 7, FaceTexture(0x1234), 0, 1, faces, attrs, textures), 3);
  EXPECT_EQ(ids(faces[1]), (std::array{0, 1, 3}));
  EXPECT_EQ(ids(faces[2]), (std::array{3, 2, 0}));
  for (int f : {1, 2})
    EXPECT_EQ(std::tuple(attrs[f].mode_flags, attrs[f].param, textures[f]), std::tuple(0x81u, 7u, 0x1234u));
  EXPECT_EQ(textures[0] + textures[3], 0u);
}

TEST(Objects, VertexNormals) {
  const Vec3i vertices[4] = {{0, 0, 0}, {30, 0, 0}, {0, 50, 0}, {0, 0, 100}};
  const Face faces[2] = {{0, 1, 2}, {0, 3, 1}};
  vertex_normals[3] = {1, 2, 3};
  clear_vertex_normals(4);
  // A lone face: n = (0, 0, 1500), halved on the zero start, scaled to 160; vertex 3 keeps none.
  accumulate_vertex_normals(faces, 1, vertices, 0);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(xyz(vertex_normals[i]), (std::array{0, 0, i < 3 ? 160 : 0})) << i;
  // Truncated components; the squared length wraps in 32 bits, and at 0 there is no direction.
  EXPECT_EQ(xyz(vec_average_normalize({0, 0, 0}, {200, 100, 50})), (std::array{139, 69, 34}));
  EXPECT_EQ(xyz(vec_average_normalize({0, 0, 0}, {131072, 0, 0})), (std::array{0, 0, 0}));  // 65536^2
  EXPECT_EQ(vec_average_normalize({0, 0, 0}, {0, 0, 150000}).z, 329);
}

}  // namespace
