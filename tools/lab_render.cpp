// talvex-lab render-test DIR: fixed views of the 3D renderer as PNGs, for looking at: a
// textured cube from four angles, a sphere in every face mode, the shared sky sphere seen
// from inside, and glow sprites.
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/png.h"
#include "render3d/effects.h"
#include "render3d/fillers.h"
#include "render3d/objects.h"
#include "render3d/pipeline.h"
#include "shell/present.h"
#include "textures/tables.h"
#include "tools/lab.h"

namespace {

alignas(64) uint32_t checker_texture[65536];  // quadrant colours, checks, white row 0 and column 0
alignas(64) uint32_t spot_texture[65536];     // radial highlight, for environment mapping
alignas(64) uint32_t flare_texture[65536];

Vec3i cube_vertices[294], cube_texcoords[294];
Face cube_faces[432];
FaceAttr cube_attrs[432];
FaceTexture cube_textures[432];

Vec3i ball_vertices[sphere_max_corners], ball_texcoords[sphere_max_corners];
Face ball_faces[sphere_max_faces];
FaceAttr ball_attrs[sphere_max_faces];
FaceTexture ball_textures[sphere_max_faces];
int32_t ball_vertex_count, ball_face_count;

void make_textures() {
  for (int r = 0; r < 256; ++r)
    for (int c = 0; c < 256; ++c) {
      static constexpr uint32_t quadrant[4] = {0xC04040, 0x40C040, 0x4040C0, 0xC0C040};
      uint32_t t = quadrant[(r >> 7) * 2 + (c >> 7)];
      if (((r >> 5) ^ (c >> 5)) & 1) t = (t >> 1) & 0x7F7F7F;
      if (r < 4 || c < 4) t = 0xFFFFFF;
      checker_texture[r * 256 + c] = t;
      const double d = std::sqrt(double(r - 128) * (r - 128) + double(c - 128) * (c - 128));
      const uint32_t s = d < 128 ? uint32_t(255 * std::pow(1 - d / 128, 2)) : 0;
      spot_texture[r * 256 + c] = s << 16 | s << 8 | s;
    }
}

void reset_camera() {
  set_row_table(FrameBuffer);
  view_pitch = view_yaw = view_roll = 0;
  for (int i = 0; i < 3; ++i) view_offset[i] = view_target[i] = 0;
  screen_centre[0] = 160, screen_centre[1] = 100;
  normal_offset[0] = normal_offset[1] = 0;
  near_z_limit = 50;
  render_first_face = 0;
}

// Camera at (x, y, z) looking at the origin.
void look_from(float x, float y, float z, float roll) {
  view_offset[0] = -x, view_offset[1] = -y, view_offset[2] = -z;
  view_target[0] = view_target[1] = view_target[2] = 0;
  view_roll = roll;
  aim_camera();
}

void build_meshes() {
  build_cube_points(cube_vertices, cube_texcoords);
  build_grid_faces(7, 7, 6, 0, 0, checker_texture, 0, 0, cube_faces, cube_attrs, cube_textures);
  sphere_levels = 3;
  build_sphere(800);
  ball_vertex_count = sphere_vertex_count;
  ball_face_count = sphere_face_count;
  for (int i = 0; i < ball_vertex_count; ++i) {
    ball_vertices[i] = sphere_vertices[i];
    ball_texcoords[i] = {sphere_vertices[i].x / 4, sphere_vertices[i].y / 4, 0};
  }
  for (int f = 0; f < ball_face_count; ++f) ball_faces[f] = sphere_faces[f];
}

// The ball with every face in one mode; shades and colours come from its lit normals. The
// sphere's winding faces inward (it serves as a sky), so the ball is drawn double-sided.
void draw_ball(uint32_t mode_flags, uint32_t param, FaceTexture texture) {
  for (int f = 0; f < ball_face_count; ++f) {
    ball_attrs[f] = {mode_flags | face_double_sided, param};
    ball_textures[f] = mode_flags % 16 == 5 ? FaceTexture(0x2040C0 + 0x010101 * uint32_t(f % 64)) : texture;
  }
  clear_vertex_normals(ball_vertex_count);
  accumulate_vertex_normals(ball_faces, ball_face_count, ball_vertices, 0);
  transform_vertices(vertex_normals, rotated_normals, ball_vertex_count, 1, 1, 1, 0, 0);
  // The sphere's winding makes its normals point inward: light with the outward ones.
  for (int i = 0; i < ball_vertex_count; ++i) {
    const Vec3i n = {-rotated_normals[i].x, -rotated_normals[i].y, -rotated_normals[i].z};
    const int light = std::max(0, std::min(255, (2 * n.z - n.x - n.y) * 255 / 320));
    vertex_shade[i * 3] = uint8_t(mode_flags % 16 == 0 ? 255 - light : light);
    vertex_shade[i * 3 + 1] = uint8_t(std::min(255, light + 40));
    vertex_shade[i * 3 + 2] = uint8_t(128 + n.x * 127 / 160);
  }
  transform_vertices(ball_vertices, projected, ball_vertex_count, 1, 7, 0, 0, 0);
  render_mesh(ball_faces, projected, ball_face_count, ball_texcoords, nullptr, rotated_normals, spot_texture,
              ball_attrs, ball_textures, nullptr);
}

bool save(const std::string& dir, const char* name, const uint32_t* pixels, int width, int height) {
  const std::string path = dir + "/" + name;
  if (write_png(path.c_str(), width, height, pixels, width)) return true;
  std::fprintf(stderr, "talvex-lab render-test: cannot write %s\n", path.c_str());
  return false;
}

int run(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "talvex-lab render-test: give one output directory\n");
    return lab_usage_error;
  }
  const std::string dir = argv[1];
  if (mkdir(dir.c_str(), 0777) != 0 && errno != EEXIST) {
    std::fprintf(stderr, "talvex-lab render-test: cannot create %s: %s\n", dir.c_str(), std::strerror(errno));
    return lab_usage_error;
  }
  make_textures();
  build_glow_texture();
  reset_camera();
  build_meshes();
  build_shared_sphere_mesh();
  bool ok = true;

  // The cube from four sides, once double-sided and once from inside.
  const float cube_views[4][4] = {
      {1500, -1100, 2600, 0}, {-2600, -900, 1200, 0}, {900, 2400, -1800, 20}, {-300, -400, -3200, -10}};
  for (int k = 0; k < 4; ++k) {
    reset_camera();
    clear_buffers(0x202020);
    look_from(cube_views[k][0], cube_views[k][1], cube_views[k][2], cube_views[k][3]);
    transform_vertices(cube_vertices, projected, 294, 1, 7, 0, 0, 0);
    render_mesh(cube_faces, projected, 432, cube_texcoords, nullptr, nullptr, nullptr, cube_attrs,
                cube_textures, nullptr);
    const std::string name = "cube_" + std::to_string(k) + ".png";
    ok = ok && save(dir, name.c_str(), FrameBuffer, 320, 200);
  }
  // Its faces look inward (a room): drawn double-sided, the depth buffer shows the outside.
  reset_camera();
  clear_buffers(0x202020);
  look_from(1500, -1100, 2600, 0);
  for (FaceAttr& a : cube_attrs) a.mode_flags = face_double_sided;
  transform_vertices(cube_vertices, projected, 294, 1, 7, 0, 0, 0);
  render_mesh(cube_faces, projected, 432, cube_texcoords, nullptr, nullptr, nullptr, cube_attrs,
              cube_textures, nullptr);
  for (FaceAttr& a : cube_attrs) a.mode_flags = 0;
  ok = ok && save(dir, "cube_double_sided.png", FrameBuffer, 320, 200);
  reset_camera();
  clear_buffers(0x202020);
  look_from(300, 200, 100, 0);
  view_offset[0] = -300, view_offset[1] = -200, view_offset[2] = -100;
  transform_vertices(cube_vertices, projected, 294, 1, 7, 0, 0, 0);
  render_mesh(cube_faces, projected, 432, cube_texcoords, nullptr, nullptr, nullptr, cube_attrs,
              cube_textures, nullptr);
  ok = ok && save(dir, "cube_inside.png", FrameBuffer, 320, 200);

  // The ball in every face mode.
  struct ModeView {
    const char* name;
    uint32_t mode_flags, param;
  };
  static constexpr ModeView mode_views[] = {
      {"mode0_opaque.png", 0, 0},  {"mode0_shaded.png", 0, 1}, {"mode0_additive.png", 0, 2},
      {"mode1_env.png", 1, 0},     {"mode2_colour.png", 2, 0}, {"mode5_flat.png", 5, 0},
      {"mode5_blended.png", 5, 1},
  };
  for (const ModeView& view : mode_views) {
    reset_camera();
    // The additive ball shows over checks, so both its sides add up visibly.
    clear_buffers(0x303030);
    if (view.param == 2 || view.param == 1) {
      for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 320; ++x)
          FrameBuffer[y * 320 + x] = ((x >> 4) ^ (y >> 4)) & 1 ? 0x604020 : 0x203050;
    }
    look_from(700, -500, 2000, 0);
    draw_ball(view.mode_flags, view.param, texture_word(checker_texture));
    ok = ok && save(dir, view.name, FrameBuffer, 320, 200);
  }

  // Sprites: the ball's vertices as mode-3 faces with the glow, sizes from 1 to past the screen.
  reset_camera();
  clear_buffers(0);
  look_from(700, -500, 2000, 0);
  for (int f = 0; f < ball_vertex_count; ++f) {
    ball_faces[f] = {f, f, f};
    ball_attrs[f] = {3, uint32_t(f % 3 == 0 ? 0x002040 : f % 3 == 1 ? 0x400020 : 0x204000)};
    ball_textures[f] = 160;  // about 12 pixels at this distance, more when nearer
  }
  transform_vertices(ball_vertices, projected, ball_vertex_count, 1, 7, 0, 0, 0);
  render_mesh(ball_faces, projected, ball_vertex_count, nullptr, nullptr, nullptr, nullptr, ball_attrs,
              ball_textures, glow_texture);
  for (int size : {1, 2, 5, 23, 64}) draw_sprite(10 + size * 3, 20, 0, int16_t(size), 0, glow_texture);
  draw_sprite(0, 200, 0, 150, 0x000000, glow_texture);
  draw_sprite(320, 0, 0, 90, 0x404000, glow_texture);
  ok = ok && save(dir, "sprites.png", FrameBuffer, 320, 200);
  build_meshes();

  make_glow_texture(256, flare_texture, 0x20FF);
  ok = ok && save(dir, "flare_texture.png", flare_texture, 256, 256);

  // The shared sky sphere from its centre, looking up and to the side, blurred and cross-faded once.
  reset_camera();
  clear_buffers(0);
  view_yaw = 30, view_pitch = 20, view_roll = 10;
  draw_shared_mesh(checker_texture);
  ok = ok && save(dir, "sky_inside.png", FrameBuffer, 320, 200);
  blur_frame(3, FrameBuffer);
  ok = ok && save(dir, "sky_blurred.png", FrameBuffer, 320, 200);
  return ok ? 0 : 1;
}

LabCommand command{"render-test", "DIR", run};

}  // namespace
