#include "scenes/fan_tunnel.h"

#include <cmath>

#include "render3d/pipeline.h"
#include "scenes/scenes.h"
#include "shell/fade.h"
#include "tests/scenes/scene_fixture.h"
#include "textures/tables.h"

namespace {

using namespace scene_test;
constexpr double pi = 3.141592653589793;

class FanTunnel : public SceneTest {
 protected:
  static void SetUpTestSuite() {
    build_texture_tables();
    fan_tunnel_init();
  }
  void SetUp() override {
    SceneTest::SetUp();
    near_z_limit = 50;
    // The state a first entry finds.
    spin_factor = 3.84f;
    band_flip = 1;
    band_flip_seen = fan_cycle_prev = wall_cycle_prev = orange_flash_index = 0;
    fan_tunnel_enter();
  }
  void TearDown() override {
    SceneTest::TearDown();
    scene_time = effect_time = 0;
  }
  static void build_at(float t, int32_t p) {
    effect_time = t;
    build_fan_tunnel(p);
  }
  // Blade b, ring r, point k of fan c.
  static int32_t blade_vertex(int c, int b, int r, int k) {
    return fan_blade_first + ((c * 3 + b) * 4 + r) * 5 + k;
  }
  // The depth-proportional bend at effect_time, computed the long way.
  static std::array<int32_t, 3> swayed(int32_t x, int32_t y, int32_t z) {
    const double t = effect_time;
    rotate_point(x, y, z, float(z * (1 / 900.0) * std::sin(t * pi * (1 / 140.0))),
                 float(z * (1 / 900.0) * std::sin(t * pi * (1 / 190.0))), 0);
    return {rotated_point[0], rotated_point[1], rotated_point[2]};
  }
};

TEST_F(FanTunnel, MeshBlocksCountsAndRibs) {
  build_at(57.5f, 1500);
  EXPECT_EQ((std::array{fan_static_faces, fan_tube_end, fan_vertex_count, fan_face_count}),
            (std::array{400, 231, fan_frame_vertices, fan_frame_faces}));
  const struct {
    const char* what;
    int first_face, end_face, first_vertex, end_vertex;
    uint32_t mode_flags;
    const uint32_t* texture;  // null: the wall's or the rib's
  } blocks[] = {{"wall", 0, 400, 0, 231, 0, nullptr},
                {"blades", 400, 544, 231, 351, 0, blade_texture},
                {"hubs", 544, 608, 351, 401, 0, blade_texture},
                {"shrouds", 608, 768, 401, 511, 0, blade_texture},
                {"band: double-sided", 768, 1048, 511, 679, 0x80, band_texture}};
  for (const auto& b : blocks) {
    SCOPED_TRACE(b.what);
    for (int f = b.first_face; f < b.end_face; ++f) {
      ASSERT_EQ(fan_face_attrs[f].mode_flags, b.mode_flags) << f;
      ASSERT_EQ(fan_face_attrs[f].param, 1u) << f;  // shaded by vertex_shade byte 0
      const bool rib = b.texture == nullptr && f / 20 % 4 == 3;
      ASSERT_EQ(word_texture(fan_face_textures[f]), b.texture ? b.texture
                                                    : rib     ? rib_texture
                                                              : wall_texture)
          << f;
      for (int32_t i : {fan_faces[f].i0, fan_faces[f].i1, fan_faces[f].i2})
        ASSERT_TRUE(i >= b.first_vertex && i < b.end_vertex) << "face " << f;
    }
  }
  // A second frame appends after the wall again instead of growing.
  build_at(60, 1500);
  EXPECT_EQ(fan_face_count, fan_frame_faces);
}

// The shade falls with the depth passed in, from 0 at -6930 to 255, never below the minimum.
TEST_F(FanTunnel, DepthShade) {
  const int32_t cases[][3] = {{0, -6930, 0}, {0, -6963, 1},      {0, -15000, 244},  {0, -20000, 255},
                              {0, 3999, 0},  {110, -10000, 110}, {110, -15000, 244}};
  effect_time = 12.5f;
  for (const auto& c : cases) {
    fan_vertex_count = 5;
    add_swayed_vertex(uint8_t(c[0]), 100, 2100, c[1]);
    EXPECT_EQ(vertex_shade[15], c[2]) << c[1];
    EXPECT_EQ(xyz(fan_vertices[5]), swayed(100, 2100, c[1]));
  }
}

// Still before 1120, one step of the table per row up to 1151, then growing with time; fan 1
// turns the other way. Blade 0's middle point of ring 0 starts straight up at (0, -2700).
TEST_F(FanTunnel, SpinAngleFollowsThePosition) {
  const struct {
    int32_t p;
    float time, angle;
  } cases[] = {{1024, 0, 0},
               {1119, 0, 0},
               {1120, 0, 2 * 1.82 * 3.84f},
               {1135, 0, 13 * 1.82 * 3.84f},
               {1151, 0, 25 * 1.82 * 3.84f},
               {1152, 100, 99.7f * 3.84f}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.p);
    effect_time = c.time;
    EXPECT_NEAR(fan_spin_angle(c.p), c.angle, 1e-3);
    if (c.time != 0) continue;  // unbent only at time 0
    build_at(0, c.p);
    for (int fan : {0, 1}) {
      const Vec3i v = fan_vertices[blade_vertex(fan, 0, 0, 2)];
      const double turned = std::atan2(v.x, -v.y) * 128 / pi;
      EXPECT_NEAR(std::remainder(turned - (fan ? -c.angle : c.angle), 256.0), 0, 0.1) << "fan " << fan;
    }
  }
}

// When the 10000 cycle wraps the fans trade places; the fan that was fan 0 goes on as fan 1
// with the same blade profile (its bulge at point 1), texture half and turn.
TEST_F(FanTunnel, CycleWrapReversesSpinAndSwapsProfile) {
  auto middle_fan_ok = [&](int c, int u_offset) {
    const int32_t zc = fan_cycle_prev - 20000 + 10000 * c;
    const float turn = c == 0 ? fan_spin_angle(1200) : -fan_spin_angle(1200);
    const int profile[5] = {0, 80, 30, 0, 0};
    for (int k = 0; k < 5; ++k) {
      rotate_point(int32_t(-360 * std::cos(k * pi * 0.25)), -2700, int32_t(profile[k] * 1.4) + zc, 0, 0,
                   turn);
      const Vec3i r = {rotated_point[0], rotated_point[1], rotated_point[2]};
      EXPECT_EQ(xyz(fan_vertices[blade_vertex(c, 0, 0, k)]), swayed(r.x, r.y, r.z)) << "k " << k;
      EXPECT_EQ(fan_texcoords[blade_vertex(c, 0, 0, k)].x, 32 * k + u_offset);
    }
  };
  build_at(33.0f, 1200);  // travel 9900
  EXPECT_EQ(spin_factor, 3.84f);
  middle_fan_ok(0, 0);
  EXPECT_EQ(fan_texcoords[blade_vertex(1, 0, 0, 1)].x, 128 + 32);
  build_at(33.4f, 1200);  // 10020: wrapped
  EXPECT_EQ(spin_factor, -3.84f);
  EXPECT_EQ(band_flip, 1);  // the 4000 cycle did not wrap
  middle_fan_ok(1, 0);
  EXPECT_EQ(fan_texcoords[blade_vertex(0, 0, 0, 1)].x, 128 + 32);
  build_at(66.7f, 1200);  // 20010: back again
  EXPECT_EQ(spin_factor, 3.84f);
}

// The band waits 20000 back until 1368, comes 4000 nearer on the first frame after, then at
// every wrap of the 4000 cycle, until its lag is 0.
TEST_F(FanTunnel, BandLagSteps) {
  const struct {
    float time;  // travel = 300 x time
    int32_t p, band_flip, band_lag;
  } frames[] = {{1, 1300, 1, 20000},     {13.4f, 1367, -1, 20000}, {14, 1368, -1, 16000},
                {15, 1369, -1, 16000},   {26.7f, 1400, 1, 12000},  {30, 1400, 1, 12000},
                {40.1f, 1400, -1, 8000}, {53.4f, 1400, 1, 4000},   {66.7f, 1400, -1, 0},
                {80, 1400, 1, 0}};
  for (const auto& f : frames) {
    SCOPED_TRACE(f.time);
    build_at(f.time, f.p);
    EXPECT_EQ(band_flip, f.band_flip);
    EXPECT_EQ(band_lag, f.band_lag);
    // Without lag the band's rows lie at the depths of the wall's rings.
    for (int j = 0; f.band_lag == 0 && j < 21; ++j)
      EXPECT_EQ(vertex_shade[3 * (fan_band_first + 8 * j)], std::max<int>(110, vertex_shade[3 * 11 * j]))
          << j;
  }
  EXPECT_EQ(band_flip_seen, 1);
}

// Nothing is added before 1888; each flash adds (255, 128, 0) that falls 32 a step of 3 time
// units, and flashes jumped over fire together.
TEST_F(FanTunnel, OrangeFlashes) {
  const struct {
    float time;
    int32_t p, flashes, colour;
    bool leaves;
  } frames[] = {{0, 1024, 0, 0, false},         {30, 1887, 0, 0, false},
                {33, 1888, 1, 0xFF8000, false}, {36, 1889, 1, 0xDF6000, false},
                {39, 1910, 3, 0xFF8000, false}, {42, 1911, 3, 0xDF6000, false},
                {48, 1912, 4, 0xFF8000, false}, {51, 1918, 4, 0xDF6000, true}};
  for (const auto& f : frames) {
    SCOPED_TRACE(f.p);
    scene_time = f.time;
    EXPECT_EQ(fan_tunnel_frame(f.p), f.leaves);
    EXPECT_EQ(orange_flash_index, f.flashes);
    EXPECT_EQ(fade_colour, f.colour) << std::hex << fade_colour;
    if (f.colour == 0xFF8000) {
      EXPECT_TRUE(std::all_of(FrameBuffer, FrameBuffer + screen_pixels,
                              [](uint32_t c) { return byte_of(c, 2) == 255; }));
    }
  }
  // All four at once on a jump; a later entry does not fire them again.
  SetUp();
  scene_time = 3;
  EXPECT_TRUE(fan_tunnel_frame(1930));
  EXPECT_EQ(orange_flash_index, 4);
  fan_tunnel_enter();
  scene_time = 6;
  fan_tunnel_frame(1930);
  EXPECT_EQ(fade_colour, 0);
}

// Entry re-arms the fade and the band only; the frame leaves on present_skip or quit_flag too.
TEST_F(FanTunnel, EntryKeepsStateAndLeaves) {
  spin_factor = -3.84f;
  band_lag = 0;
  orange_flash_index = 2;
  fan_tunnel_enter();
  EXPECT_EQ((std::array{spin_factor, float(orange_flash_index), float(band_lag), float(fade_state)}),
            (std::array{-3.84f, 2.0f, 20000.0f, -1.0f}));
  present_skip = 1;
  EXPECT_TRUE(fan_tunnel_frame(1500));
  present_skip = 0;
  quit_flag = 1;
  EXPECT_TRUE(fan_tunnel_frame(1500));
}

}  // namespace
