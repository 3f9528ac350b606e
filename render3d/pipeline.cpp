#include "render3d/pipeline.h"

#include <cmath>

#include "render3d/arith.h"
#include "render3d/fillers.h"

float view_pitch = 0, view_yaw = 0, view_roll = 0;
float view_offset[3] = {0, 0, 0};
float view_target[3] = {0, 0, 0};
int32_t screen_centre[2] = {160, 100};
int32_t normal_offset[2] = {0, 0};
int32_t near_z_limit = 50;
int32_t render_first_face = 0;
int32_t rotated_point[3] = {0, 0, 0};
FillVertex fill_triangle[3];
Vec3i projected[projected_capacity];
Vec3i rotated_normals[projected_capacity];

void aim_camera() {
  const float dx = view_offset[0] - view_target[0];
  const float dy = view_offset[1] - view_target[1];
  const float dz = view_offset[2] - view_target[2];
  constexpr double pi = 3.14159265358979323846;
  // The global is stored first and the half turn added to the float.
  view_yaw = float((dz == 0 ? std::atan(-double(dx)) : std::atan(-double(dx) / dz)) * 128 / pi);
  if (dz >= 0) view_yaw += 128;
  const double h = std::sqrt(double(dx) * dx + double(dz) * dz);
  view_pitch = float(-(h == 0 ? std::atan(double(dy)) : std::atan(dy / h)) * 128 / pi);
}

namespace {

// 16.16 cosine and sine of a renderer angle, truncated toward zero.
int32_t fixed_cos(float angle) { return trunc_i32(std::cos(angle * angle_to_radians) * 65536.0); }
int32_t fixed_sin(float angle) { return trunc_i32(std::sin(angle * angle_to_radians) * 65536.0); }

// (a * b +- c * d) >> 16 with 32-bit products and sums that wrap, as 32-bit multiplies do.
inline int32_t fixed_sum(int32_t a, int32_t b, int32_t c, int32_t d) {
  return wrap_add(wrap_mul(a, b), wrap_mul(c, d)) >> 16;
}
inline int32_t fixed_diff(int32_t a, int32_t b, int32_t c, int32_t d) {
  return wrap_sub(wrap_mul(a, b), wrap_mul(c, d)) >> 16;
}

}  // namespace

void transform_vertices(const Vec3i* in, Vec3i* out, int32_t count, int32_t scale, int32_t perspective,
                        uint8_t rotate_only, int32_t in_index, int32_t out_index) {
  if (count <= 0) return;
  const int32_t cp = fixed_cos(view_pitch), sp = fixed_sin(view_pitch);
  const int32_t cy = fixed_cos(view_yaw), sy = fixed_sin(view_yaw);
  const int32_t cr = fixed_cos(view_roll), sr = fixed_sin(view_roll);
  int32_t tx = 0, ty = 0, tz = 0;
  if (!rotate_only)
    tx = trunc_i32(view_offset[0]), ty = trunc_i32(view_offset[1]), tz = trunc_i32(view_offset[2]);
  const int32_t* src = reinterpret_cast<const int32_t*>(in) + in_index;
  int32_t* dst = reinterpret_cast<int32_t*>(out) + out_index;
  const int32_t cx = rotate_only ? normal_offset[0] : screen_centre[0];
  const int32_t cyo = rotate_only ? normal_offset[1] : screen_centre[1];
  for (int32_t i = 0; i < count; ++i, src += 3, dst += 3) {
    const int32_t px = wrap_add(wrap_mul(src[0], scale), tx);
    const int32_t py = wrap_add(wrap_mul(src[1], scale), ty);
    const int32_t pz = wrap_add(wrap_mul(src[2], scale), tz);
    const int32_t z1 = fixed_diff(pz, cy, px, sy);  // yaw
    const int32_t x1 = fixed_sum(pz, sy, px, cy);
    const int32_t z2 = fixed_sum(py, sp, z1, cp);  // pitch
    const int32_t y1 = fixed_diff(py, cp, z1, sp);
    const int32_t y2 = fixed_sum(x1, sr, y1, cr);  // roll
    const int32_t x2 = fixed_diff(x1, cr, y1, sr);
    dst[2] = z2;
    if (rotate_only) {
      dst[0] = wrap_add(x2, cx);
      dst[1] = wrap_add(y2, cyo);
    } else {
      int32_t d = wrap_mul(z2, perspective);
      if (d > 1000) d = 1000;
      const int32_t den = wrap_sub(7999, wrap_mul(7, d));
      dst[0] = wrap_add(div_trunc_fast(wrap_mul(x2, 8000), den), cx);
      dst[1] = wrap_add(div_trunc_fast(wrap_mul(y2, 8000), den), cyo);
    }
  }
}

PointTurn point_turn(float pitch, float yaw, float roll) {
  const double p = pitch * angle_to_radians, w = yaw * angle_to_radians, r = roll * angle_to_radians;
  return {std::cos(p), std::sin(p), std::cos(w), std::sin(w), std::cos(r), std::sin(r)};
}

// Yaw about y, then pitch about x, then roll about z, truncating after every axis.
Vec3i turn_point(int32_t x, int32_t y, int32_t z, const PointTurn& t) {
  const int32_t x1 = trunc_i32(x * t.cos_yaw + z * t.sin_yaw);
  const int32_t z1 = trunc_i32(z * t.cos_yaw - x * t.sin_yaw);
  const int32_t z2 = trunc_i32(y * t.sin_pitch + z1 * t.cos_pitch);
  const int32_t y1 = trunc_i32(y * t.cos_pitch - z1 * t.sin_pitch);
  return {trunc_i32(x1 * t.cos_roll - y1 * t.sin_roll), trunc_i32(x1 * t.sin_roll + y1 * t.cos_roll), z2};
}

void rotate_point(int32_t x, int32_t y, int32_t z, float pitch, float yaw, float roll) {
  const Vec3i p = turn_point(x, y, z, point_turn(pitch, yaw, roll));
  rotated_point[0] = p.x, rotated_point[1] = p.y, rotated_point[2] = p.z;
}

namespace {

inline int32_t shade_byte(int32_t vertex, int k) {
  return uint32_t(vertex) < uint32_t(vertex_shade_capacity) ? vertex_shade[vertex * 3 + k] : 0;
}

void draw_sprite_face(const Vec3i& p, FaceTexture base_size, uint32_t subtract, const uint32_t* texture) {
  if (!texture) return;
  const uint32_t den = 8000u - 49u * uint32_t(p.z);
  if (den == 0) return;
  const uint32_t size = uint32_t(base_size) * 8000u / den;
  draw_sprite(p.x, p.y, p.z, int16_t(uint16_t(size)), subtract, texture);
}

}  // namespace

void render_mesh(const Face* faces, const Vec3i* projected_vertices, int32_t count, const Vec3i* texcoords,
                 const uint32_t* alternate_texture, const Vec3i* env_normals, const uint32_t* env_texture,
                 const FaceAttr* attributes, const FaceTexture* textures, const uint32_t* sprite_texture) {
  const int32_t limit = near_z_limit;
  for (int32_t f = render_first_face; f < render_first_face + count; ++f) {
    const Face face = faces[f];
    const FaceAttr attr = attributes[f];
    const uint32_t mode = attr.mode_flags & face_mode_mask;
    const int32_t corner[3] = {face.i0, face.i1, face.i2};
    const Vec3i& p0 = projected_vertices[face.i0];
    if (mode == 3) {
      if (p0.z < 0) draw_sprite_face(p0, textures[f], attr.param, sprite_texture);
      continue;
    }
    const Vec3i& p1 = projected_vertices[face.i1];
    const Vec3i& p2 = projected_vertices[face.i2];
    if (p0.z >= limit || p1.z >= limit || p2.z >= limit) continue;
    if (p0.z <= -95000 || p1.z <= -95000 || p2.z <= -95000) continue;
    fill_triangle[0].x = p0.x, fill_triangle[0].y = p0.y, fill_triangle[0].z = p0.z;
    fill_triangle[1].x = p1.x, fill_triangle[1].y = p1.y, fill_triangle[1].z = p1.z;
    fill_triangle[2].x = p2.x, fill_triangle[2].y = p2.y, fill_triangle[2].z = p2.z;
    // Orientation in 64 bits, on purpose: faces close to the camera span more than 32-bit
    // products hold, and a wrapped product would cull the side that faces the camera.
    if (!(attr.mode_flags & face_double_sided) &&
        (int64_t(p2.x) - p0.x) * (int64_t(p1.y) - p0.y) - (int64_t(p1.x) - p0.x) * (int64_t(p2.y) - p0.y) > 0)
      continue;
    if (texcoords) {
      for (int k = 0; k < 3; ++k) {
        fill_triangle[k].u = texcoords[corner[k]].x;
        fill_triangle[k].v = texcoords[corner[k]].y;
      }
    }
    switch (mode) {
      case 0: {
        const uint32_t* texture = attr.param == 128 ? alternate_texture : word_texture(textures[f]);
        if (!texture) break;
        uint32_t sub_mode = attr.param;
        if (attr.param == 1) {
          for (int k = 0; k < 3; ++k) fill_triangle[k].shade = shade_byte(corner[k], 0);
          sub_mode = (fill_triangle[0].shade | fill_triangle[1].shade | fill_triangle[2].shade) ? 1 : 0;
        } else if (attr.param == 128) {
          sub_mode = 0;
        }
        fill_textured(texture, sub_mode);
        break;
      }
      case 1: {
        const uint32_t* texture = word_texture(textures[f]);
        if (!texture || !env_texture || !env_normals) break;
        for (int k = 0; k < 3; ++k) {
          fill_triangle[k].env_u = env_normals[corner[k]].x / 2 + 128;
          fill_triangle[k].env_v = env_normals[corner[k]].y / 2 + 128;
        }
        fill_env_mapped(texture, env_texture);
        break;
      }
      case 2: {
        const uint32_t* texture = word_texture(textures[f]);
        if (!texture) break;
        for (int k = 0; k < 3; ++k) {
          fill_triangle[k].red = shade_byte(corner[k], 0);
          fill_triangle[k].green = shade_byte(corner[k], 1);
          fill_triangle[k].blue = shade_byte(corner[k], 2);
        }
        fill_colour_modulated(texture);
        break;
      }
      case 5:
        for (int k = 0; k < 3; ++k) fill_triangle[k].shade = shade_byte(corner[k], 0);
        fill_flat(uint32_t(textures[f]), attr.param);
        break;
      default:
        break;
    }
  }
}
