#include "scenes/towers.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "render3d/effects.h"
#include "scenes/intermission.h"
#include "scenes/scenes.h"
#include "tests/scenes/scene_fixture.h"
#include "textures/tables.h"

namespace {

using namespace scene_test;

constexpr int32_t floor_first_vertex = tower_floor_first_vertex;
constexpr int32_t blob_vertex = 1485;

class Towers : public SceneTest {
 protected:
  static void SetUpTestSuite() {
    set_row_table(FrameBuffer);  // the glow texture is drawn with sprites through the row table
    build_glow_texture();
    build_texture_tables();
    build_dissolve_mask();
    title_images_init();
    towers_init();
  }
  void SetUp() override {
    SceneTest::SetUp();
    near_z_limit = 50;
    dissolve_begun = 0;
    camera_drop = 1000;
  }
  // Draws faces first .. first + count - 1 of the scene's mesh onto a black screen.
  static void render_block(int32_t first, int32_t count, const FaceAttr* attributes) {
    clear_buffers(0);
    render_first_face = first;
    render_mesh(tower_faces, projected, count, tower_texcoords, nullptr, rotated_normals, tower_glow_texture,
                attributes, tower_textures, tower_glow_texture);
    render_first_face = 0;
  }
};

TEST_F(Towers, EveryFaceStaysInsideItsOwnBlock) {
  ASSERT_EQ(tower_vertex_count, 1747);
  ASSERT_EQ(tower_face_count, 3076);
  EXPECT_EQ(blob_first_vertex, blob_vertex);
  EXPECT_EQ(blob_first_word, 3 * blob_vertex);
  EXPECT_EQ(blob_vertex_count, 258);
  struct Block {
    int32_t first_face, end_face, first_vertex, end_vertex;
    uint32_t mode;
    FaceTexture texture;
  };
  const Block blocks[] = {
      {0, 2048, 0, floor_first_vertex, 0, texture_word(tower_wall_texture)},
      {2048, 2560, floor_first_vertex, blob_vertex, 0, texture_word(tower_floor_texture)},
      {2560, 3072, blob_vertex, 1743, 1, texture_word(blob_texture)},
      {3072, 3076, 1743, 1747, 3, tower_light_size},
  };
  for (const Block& b : blocks) {
    SCOPED_TRACE(b.first_face);
    for (int32_t f = b.first_face; f < b.end_face; ++f) {
      for (int32_t i : {tower_faces[f].i0, tower_faces[f].i1, tower_faces[f].i2}) {
        ASSERT_GE(i, b.first_vertex) << f;
        ASSERT_LT(i, b.end_vertex) << f;
      }
      ASSERT_EQ(tower_textures[f], b.texture) << f;
      if (tower_attributes[f].mode_flags != tower_window_flags) {
        ASSERT_EQ(tower_attributes[f].mode_flags & face_mode_mask, b.mode) << f;
      }
    }
  }
}

TEST_F(Towers, TowerRingsFollowTheProfile) {
  // (ring, y, radius from the tower's centre) after the divisor of 2.
  struct Ring {
    int32_t ring, y, radius;
  };
  const Ring rings[] = {{0, -800, 0}, {4, -600, 300}, {5, -600, 225}, {12, -300, 85}, {32, 650, 120}};
  for (int32_t g = 0; g < 4; ++g)
    for (const Ring& r : rings) {
      SCOPED_TRACE(testing::Message() << "tower " << g << " ring " << r.ring);
      const int32_t first = 297 * g + 9 * r.ring;
      const Vec3i& p0 = tower_vertices[first];
      // Point 0 lies at -radius along x, point 2 (a quarter turn) at +radius along z.
      EXPECT_EQ(xyz(p0), (std::array{tower_groups[g].centre_x - r.radius, r.y, tower_groups[g].centre_z}));
      EXPECT_EQ(tower_vertices[first + 2].z - tower_groups[g].centre_z, r.radius);
      // The ring closes on its first point, with the texture wrapped once around.
      EXPECT_EQ(xyz(tower_vertices[first + 8]), xyz(p0));
      EXPECT_EQ(tower_texcoords[first + 8].x, 256);
    }
  // The floor: a flat disc of radius 3840 at y = 600.
  for (int32_t v = floor_first_vertex; v < blob_vertex; ++v) {
    ASSERT_EQ(tower_vertices[v].y, 600) << v;
    ASSERT_LE(std::hypot(tower_vertices[v].x, tower_vertices[v].z), 3840.5) << v;
  }
  EXPECT_EQ(xyz(tower_vertices[blob_vertex - 9]), (std::array{-3840, 600, 0}));
}

TEST_F(Towers, WindowCellsAreNeverDrawn) {
  // Rows 6..9 of every tower, every other cell: 128 faces, the rest double-sided walls.
  std::vector<int32_t> windows;
  for (int32_t f = 0; f < 2048; ++f) {
    const uint32_t flags = tower_attributes[f].mode_flags;
    if (flags == tower_window_flags) {
      windows.push_back(f);
    } else {
      ASSERT_EQ(flags, face_double_sided) << f;
    }
  }
  ASSERT_EQ(windows.size(), 128u);
  for (int32_t f : windows) {
    const int32_t row = f % 512 / 16, cell = f % 16 / 2;
    ASSERT_TRUE(row >= 6 && row <= 9 && cell % 2 == 1) << f;
  }
  // Spread every tower vertex over the screen in front of the camera: with their own
  // attributes the window faces leave the screen black; double-sided they would show.
  for (int32_t v = 0; v < floor_first_vertex; ++v) projected[v] = {v * 37 % 320, v * 53 % 200, -100};
  FaceAttr shown[2048];
  std::memcpy(shown, tower_attributes, sizeof shown);
  for (int32_t f : windows) shown[f].mode_flags = face_double_sided;
  int32_t drawn_as_walls = 0;
  for (int32_t f : windows) {
    render_block(f, 1, tower_attributes);
    ASSERT_EQ(lit_pixels(), 0) << f;
    render_block(f, 1, shown);
    drawn_as_walls += lit_pixels() > 0;
  }
  EXPECT_GT(drawn_as_walls, 100);
}

TEST_F(Towers, LightSpritesShowOnlyWithNegativeDepth) {
  for (int32_t g = 0; g < 4; ++g)
    EXPECT_EQ(xyz(tower_vertices[tower_faces[tower_light_first_face + g].i0]),
              (std::array{tower_groups[g].centre_x, -480, tower_groups[g].centre_z}));
  const struct {
    int32_t z;
    bool shown;
  } cases[] = {{-5000, true}, {-1, true}, {0, false}, {1, false}, {40, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.z);
    for (int32_t g = 0; g < 4; ++g) projected[tower_light_first_vertex + g] = {160, 100, c.z};
    render_block(tower_light_first_face, 4, tower_attributes);
    EXPECT_EQ(lit_pixels() > 0, c.shown);
    // The glow lost its blue: every lit pixel is red and green only.
    for (int i = 0; i < screen_pixels; ++i) ASSERT_EQ(byte_of(FrameBuffer[i], 0), 0) << i;
  }
}

TEST_F(Towers, BlobWobblesWithinBoundsAndMapsItsOwnNormals) {
  const Vec3i sentinel = {12345, 678, 9};
  rotated_normals[blob_vertex - 1] = rotated_normals[1743] = sentinel;
  for (float t : {0.0f, 37.5f, 400.0f}) {
    SCOPED_TRACE(t);
    scene_time = t;
    towers_frame(300);
    // Stretched by at most 2/3 + 1.2 along x and z, then halved.
    double widest = 0;
    for (int32_t i = 0; i < blob_vertex_count; ++i) {
      const Vec3i& p = tower_vertices[blob_vertex + i];
      widest = std::max(widest, std::sqrt(double(p.x) * p.x + double(p.y) * p.y + double(p.z) * p.z));
      // Unit normals of length 160, rotated: environment coordinates stay inside the glow.
      const Vec3i& n = rotated_normals[blob_vertex + i];
      ASSERT_NEAR(std::sqrt(double(n.x) * n.x + double(n.y) * n.y + double(n.z) * n.z), 160, 5) << i;
    }
    EXPECT_GT(widest, 350);
    EXPECT_LT(widest, 350 * (2.0 / 3 + 1.2) + 2);
  }
  // Only the blob's normals are rotated.
  EXPECT_EQ(xyz(rotated_normals[blob_vertex - 1]), xyz(sentinel));
  EXPECT_EQ(xyz(rotated_normals[1743]), xyz(sentinel));
}

TEST_F(Towers, TitleDimsAndLogoFadesWithThePosition) {
  // Lights off, so that wherever no face was drawn the picture is the title alone.
  FaceAttr lights[4];
  std::memcpy(lights, tower_attributes + tower_light_first_face, sizeof lights);
  for (int32_t g = 0; g < 4; ++g) tower_attributes[tower_light_first_face + g].mode_flags = 12;
  const struct {
    int32_t position, dim, logo;
  } cases[] = {{0, 0, 0},       {32, 128, 0},    {63, 252, 0},   {64, 255, 4},
               {100, 255, 148}, {127, 255, 255}, {600, 255, 255}};
  std::vector<uint32_t> want(screen_pixels);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.position);
    title_dim = uint64_t(c.dim) * 0x0101010101010101u;
    draw_title_backdrop();
    draw_title_logo(uint32_t(c.logo) * 0x010101u);
    std::copy_n(FrameBuffer, screen_pixels, want.begin());
    title_dim = 0;
    camera_drop = 0;  // looking at the towers: part of the screen is covered
    scene_time = 200;
    towers_frame(c.position);
    EXPECT_EQ(title_dim, uint64_t(c.dim) * 0x0101010101010101u);
    int uncovered = 0;
    for (int i = 0; i < screen_pixels; ++i)
      if (ZBuffer[i] == zbuffer_far) {
        ++uncovered;
        ASSERT_EQ(FrameBuffer[i], want[i]) << i;
      }
    EXPECT_GT(uncovered, 1000);
    EXPECT_LT(uncovered, screen_pixels);
  }
  std::memcpy(tower_attributes + tower_light_first_face, lights, sizeof lights);
}

TEST_F(Towers, CameraDropCountsFramesDownToZero) {
  camera_drop = 10;
  const struct { int32_t target_y, drop_after; } frames[] = {{250, 6}, {230, 2}, {210, 0}, {200, 0}};
  for (const auto& f : frames) {
    towers_frame(200);
    EXPECT_FLOAT_EQ(view_target[1], float(f.target_y));
    EXPECT_EQ(camera_drop, f.drop_after);
  }
}

TEST_F(Towers, DissolveStartsOnceAndEndsInBlack) {
  scene_time = 10;
  towers_frame(857);
  EXPECT_EQ(dissolve_begun, 0);
  towers_frame(858);
  EXPECT_EQ(dissolve_begun, 1);
  EXPECT_FLOAT_EQ(dissolve_start_time, 10);
  scene_time = 30;
  towers_frame(870);
  EXPECT_FLOAT_EQ(dissolve_start_time, 10);  // not restarted
  EXPECT_FLOAT_EQ(effect_time, 60);          // the dissolve's clock: (30 - 10) * 3
  scene_time = 100;                          // e = 270: everything black, the logo long gone
  towers_frame(880);
  EXPECT_EQ(dissolve_done, 1);
  for (int i = 0; i < screen_pixels; ++i) ASSERT_EQ(FrameBuffer[i] & 0xFFFFFF, 0u) << i;
}

TEST_F(Towers, LeavesPastTheEndOrOnQuit) {
  EXPECT_FALSE(towers_frame(895));
  EXPECT_TRUE(towers_frame(896));
  quit_flag = 1;
  EXPECT_TRUE(towers_frame(100));
  // Quit on entry: the dissolve is re-armed, nothing is drawn.
  dissolve_begun = 1;
  const int32_t drop = camera_drop;
  std::fill_n(FrameBuffer, screen_pixels, 0x00ABCDEFu);
  towers_run();
  EXPECT_EQ(dissolve_begun, 0);
  EXPECT_TRUE(all_are(FrameBuffer, 0x00ABCDEFu));
  EXPECT_EQ(camera_drop, drop);
}

}  // namespace
