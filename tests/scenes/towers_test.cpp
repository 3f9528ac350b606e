#include "scenes/towers.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "scenes/intermission.h"
#include "scenes/scenes.h"
#include "tests/scenes/scene_fixture.h"
#include "textures/tables.h"

namespace {

using namespace scene_test;

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
};

// Rows 6..9 of every tower, every other cell: 128 faces of a mode no filler draws, the rest
// double-sided walls.
TEST_F(Towers, WindowCellsAreNeverDrawn) {
  for (int32_t f = 0; f < 2048; ++f) {
    const int32_t row = f % 512 / 16, cell = f % 16 / 2;
    const bool window = row >= 6 && row <= 9 && cell % 2 == 1;
    ASSERT_EQ(tower_attributes[f].mode_flags, window ? tower_window_flags : face_double_sided) << f;
  }
}

// The light sprites show only with a negative depth, and they lost their blue.
TEST_F(Towers, LightSpritesShowOnlyWithNegativeDepth) {
  for (const auto& [z, shown] : {std::pair{-5000, true}, {-1, true}, {0, false}, {1, false}, {40, false}}) {
    for (int32_t g = 0; g < 4; ++g) projected[tower_light_first_vertex + g] = {160, 100, z};
    clear_buffers(0);
    render_first_face = tower_light_first_face;
    render_mesh(tower_faces, projected, 4, tower_texcoords, nullptr, rotated_normals, tower_glow_texture,
                tower_attributes, tower_textures, tower_glow_texture);
    EXPECT_EQ(lit_pixels() > 0, shown) << z;
    EXPECT_TRUE(std::none_of(FrameBuffer, FrameBuffer + screen_pixels, [](uint32_t p) { return p & 0xFF; }));
  }
}

// The blob stretches by at most 2/3 + 1.2 along x and z, then halves; its normals of length 160,
// rotated, keep the environment coordinates inside the glow, and only its own are rotated.
TEST_F(Towers, BlobWobblesWithinBoundsAndMapsItsOwnNormals) {
  const Vec3i sentinel = {12345, 678, 9};
  const int32_t first = blob_first_vertex, end = blob_first_vertex + blob_vertex_count;
  rotated_normals[first - 1] = rotated_normals[end] = sentinel;
  for (float t : {0.0f, 37.5f, 400.0f}) {
    scene_time = t;
    towers_frame(300);
    double widest = 0;
    for (int32_t i = first; i < end; ++i) {
      widest = std::max(widest, std::hypot(tower_vertices[i].x, tower_vertices[i].y, tower_vertices[i].z));
      ASSERT_NEAR(std::hypot(rotated_normals[i].x, rotated_normals[i].y, rotated_normals[i].z), 160, 5)
          << t << ": " << i;
    }
    EXPECT_TRUE(widest > 350 && widest < 350 * (2.0 / 3 + 1.2) + 2) << t << ": " << widest;
  }
  EXPECT_EQ(xyz(rotated_normals[first - 1]), xyz(sentinel));
  EXPECT_EQ(xyz(rotated_normals[end]), xyz(sentinel));
}

// Wherever no face was drawn the picture is the title alone (lights off): the backdrop dims over
// the first 64 rows, the logo fades out over the next 64.
TEST_F(Towers, TitleDimsAndLogoFadesWithThePosition) {
  FaceAttr lights[4];
  std::memcpy(lights, tower_attributes + tower_light_first_face, sizeof lights);
  for (int32_t g = 0; g < 4; ++g) tower_attributes[tower_light_first_face + g].mode_flags = 12;
  const int32_t cases[][3] = {{0, 0, 0}, {63, 252, 0}, {64, 255, 4}, {600, 255, 255}};
  std::vector<uint32_t> want(screen_pixels);
  for (const auto& [position, dim, logo] : cases) {
    SCOPED_TRACE(position);
    title_dim = uint64_t(dim) * 0x0101010101010101u;
    draw_title_backdrop();
    draw_title_logo(uint32_t(logo) * 0x010101u);
    std::copy_n(FrameBuffer, screen_pixels, want.begin());
    title_dim = 0;
    camera_drop = 0;  // looking at the towers: part of the screen is covered
    scene_time = 200;
    towers_frame(position);
    EXPECT_EQ(title_dim, uint64_t(dim) * 0x0101010101010101u);
    int uncovered = 0;
    for (int i = 0; i < screen_pixels; ++i)
      if (ZBuffer[i] == zbuffer_far) {
        ++uncovered;
        ASSERT_EQ(FrameBuffer[i], want[i]) << i;
      }
    EXPECT_TRUE(uncovered > 1000 && uncovered < screen_pixels) << uncovered;
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

TEST_F(Towers, DissolveStartsOnceAndEndsInBlack) { check_dissolve_to_black(towers_frame, 858, 3); }

// The frame past position 895 or with quit_flag set is the last; quit on entry re-arms the
// dissolve and draws nothing.
TEST_F(Towers, LeavesPastTheEndOrOnQuit) {
  play_frames(towers_frame, {{0, 895}, {0, 896, -1, true}});
  quit_flag = 1;
  EXPECT_TRUE(towers_frame(100));
  dissolve_begun = 1;
  const int32_t drop = camera_drop;
  std::fill_n(FrameBuffer, screen_pixels, 0x00ABCDEFu);
  towers_run();
  EXPECT_EQ(dissolve_begun, 0);
  EXPECT_TRUE(all_are(FrameBuffer, 0x00ABCDEFu));
  EXPECT_EQ(camera_drop, drop);
}

}  // namespace
