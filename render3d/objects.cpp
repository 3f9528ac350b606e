#include "render3d/objects.h"

#include <cmath>
#include <initializer_list>

#include "render3d/arith.h"
#include "render3d/pipeline.h"

Vec3i vertex_normals[vertex_normal_capacity];
uint8_t vertex_shade[vertex_shade_capacity * 3];
int32_t point_count = 0;

int32_t sphere_levels = 2;
int32_t sphere_face_count = 0;
int32_t sphere_corner_count = 0;
int32_t sphere_vertex_count = 0;
Vec3i sphere_vertices[sphere_max_corners];
Face sphere_faces[sphere_max_faces];

int32_t build_grid_faces(int32_t rows, int32_t columns, int32_t layers, uint32_t mode_flags, uint32_t param,
                         FaceTexture texture, int32_t first_vertex, int32_t first_face, Face* faces,
                         FaceAttr* attributes, FaceTexture* textures) {
  int32_t f = first_face;
  for (int32_t g = 0; g < layers; ++g) {
    for (int32_t r = 0; r < rows - 1; ++r) {
      for (int32_t c = 0; c < columns - 1; ++c) {
        const int32_t a = first_vertex + g * rows * columns + r * columns + c;
        const int32_t b = a + columns;
        faces[f] = {a, a + 1, b + 1};
        faces[f + 1] = {b + 1, b, a};
        attributes[f] = attributes[f + 1] = {mode_flags, param};
        textures[f] = textures[f + 1] = texture;
        f += 2;
      }
    }
  }
  return f;
}

void build_cube_points(Vec3i* vertices, Vec3i* texcoords) {
  static constexpr float face_angles[6][3] = {{0, 0, 0},   {0, 0, 64}, {0, 0, 128},
                                              {0, 0, 192}, {64, 0, 0}, {-64, 0, 0}};
  point_count = 0;
  for (const auto& angles : face_angles) {
    for (int32_t j = 0; j <= 6; ++j) {
      for (int32_t i = 0; i <= 6; ++i) {
        rotate_point(-900 + 300 * i, 900, -900 + 300 * j, angles[0], angles[1], angles[2]);
        vertices[point_count] = {rotated_point[0], rotated_point[1], rotated_point[2]};
        texcoords[point_count] = {256 * j / 6, 256 * i / 6, 0};
        ++point_count;
      }
    }
  }
}

void clear_vertex_normals(int32_t count) {
  for (int32_t i = 0; i < count && i < vertex_normal_capacity; ++i) vertex_normals[i] = {0, 0, 0};
}

Vec3i vec_sub(Vec3i a, Vec3i b) { return {wrap_sub(b.x, a.x), wrap_sub(b.y, a.y), wrap_sub(b.z, a.z)}; }

Vec3i vec_cross(Vec3i a, Vec3i b) {
  return {wrap_sub(wrap_mul(a.y, b.z), wrap_mul(a.z, b.y)), wrap_sub(wrap_mul(a.z, b.x), wrap_mul(a.x, b.z)),
          wrap_sub(wrap_mul(a.x, b.y), wrap_mul(a.y, b.x))};
}

Vec3i vec_average_normalize(Vec3i acc, Vec3i n) {
  const Vec3i m = {wrap_add(acc.x, n.x) / 2, wrap_add(acc.y, n.y) / 2, wrap_add(acc.z, n.z) / 2};
  const int32_t square = wrap_add(wrap_add(wrap_mul(m.x, m.x), wrap_mul(m.y, m.y)), wrap_mul(m.z, m.z));
  // A zero average has no direction: keep the vertex without a normal.
  if (square == 0) return {0, 0, 0};
  const double f = 160.0 / std::sqrt(double(square));
  return {trunc_i32(m.x * f), trunc_i32(m.y * f), trunc_i32(m.z * f)};
}

void accumulate_vertex_normals(const Face* faces, int32_t count, const Vec3i* vertices, int32_t first_face) {
  for (int32_t f = first_face; f < first_face + count; ++f) {
    const Face& face = faces[f];
    const Vec3i e1 = vec_sub(vertices[face.i0], vertices[face.i1]);
    const Vec3i e2 = vec_sub(vertices[face.i1], vertices[face.i2]);
    const Vec3i n = vec_cross(e1, e2);
    for (int32_t corner : {face.i0, face.i1, face.i2})
      vertex_normals[corner] = vec_average_normalize(vertex_normals[corner], n);
  }
}

namespace {

struct Vec3f {
  float x, y, z;
};

// Two soups: subdivision reads one and writes the other.
Vec3f sphere_soup[2][sphere_max_corners];

Vec3f unit_midpoint(Vec3f a, Vec3f b) {
  const float x = (a.x + b.x) * 0.5f, y = (a.y + b.y) * 0.5f, z = (a.z + b.z) * 0.5f;
  const double length = std::sqrt(double(x) * x + double(y) * y + double(z) * z);
  if (length == 0) return {x, y, z};
  return {float(x / length), float(y / length), float(z / length)};
}

}  // namespace

void build_sphere(int32_t radius) {
  static constexpr Vec3f octahedron[24] = {
      {1, 0, 0},  {0, 0, 1},  {0, 1, 0},  {0, 1, 0},  {0, 0, 1},  {-1, 0, 0}, {-1, 0, 0}, {0, 0, 1},
      {0, -1, 0}, {0, -1, 0}, {0, 0, 1},  {1, 0, 0},  {1, 0, 0},  {0, 1, 0},  {0, 0, -1}, {0, 1, 0},
      {-1, 0, 0}, {0, 0, -1}, {-1, 0, 0}, {0, -1, 0}, {0, 0, -1}, {0, -1, 0}, {1, 0, 0},  {0, 0, -1}};
  const int32_t levels = sphere_levels < 0                   ? 0
                         : sphere_levels > sphere_max_levels ? sphere_max_levels
                                                             : sphere_levels;

  int soup = 0;
  int32_t triangles = 8;
  for (int i = 0; i < 24; ++i) sphere_soup[0][i] = octahedron[i];
  for (int32_t level = 0; level < levels; ++level) {
    const Vec3f* in = sphere_soup[soup];
    Vec3f* out = sphere_soup[soup ^ 1];
    for (int32_t t = 0; t < triangles; ++t) {
      const Vec3f c0 = in[3 * t], c1 = in[3 * t + 1], c2 = in[3 * t + 2];
      const Vec3f m01 = unit_midpoint(c0, c1), m02 = unit_midpoint(c0, c2), m12 = unit_midpoint(c1, c2);
      Vec3f* o = out + 12 * t;
      o[0] = c0, o[1] = m01, o[2] = m02;
      o[3] = m01, o[4] = c1, o[5] = m12;
      o[6] = m02, o[7] = m01, o[8] = m12;
      o[9] = m02, o[10] = m12, o[11] = c2;
    }
    soup ^= 1;
    triangles *= 4;
  }
  sphere_face_count = triangles;
  sphere_corner_count = 3 * triangles;

  // Scale and weld: corners with identical coordinates become one vertex.
  sphere_vertex_count = 0;
  for (int32_t i = 0; i < sphere_corner_count; ++i) {
    const Vec3f& c = sphere_soup[soup][i];
    const Vec3i p = {trunc_i32(double(radius) * c.x), trunc_i32(double(radius) * c.y),
                     trunc_i32(double(radius) * c.z)};
    int32_t k = 0;
    while (k < sphere_vertex_count &&
           (sphere_vertices[k].x != p.x || sphere_vertices[k].y != p.y || sphere_vertices[k].z != p.z))
      ++k;
    if (k == sphere_vertex_count) sphere_vertices[sphere_vertex_count++] = p;
    Face& face = sphere_faces[i / 3];
    (i % 3 == 0 ? face.i0 : i % 3 == 1 ? face.i1 : face.i2) = k;
  }
}
