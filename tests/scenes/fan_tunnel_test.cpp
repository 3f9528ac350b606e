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
  static void build_at(float t, int32_t p) {
    effect_time = t;
    build_fan_tunnel(p);
  }
  // Blade b, ring r, point k of fan c.
  static int32_t blade_vertex(int c, int b, int r, int k) {
    return fan_blade_first + ((c * 3 + b) * 4 + r) * 5 + k;
  }
};

// The shade falls with the depth passed in, from 0 at -6930 to 255, never below the minimum.
TEST_F(FanTunnel, DepthShade) {
  const int32_t cases[][3] = {{0, -6930, 0}, {0, -6963, 1},      {0, -20000, 255},
                              {0, 3999, 0},  {110, -10000, 110}, {110, -15000, 244}};
  effect_time = 12.5f;
  for (const auto& [minimum, z, shade] : cases) {
    fan_vertex_count = 5;
    add_swayed_vertex(uint8_t(minimum), 100, 2100, z);
    EXPECT_EQ(vertex_shade[15], shade) << z;
  }
}

// Still before 1120, one step of the table per row up to 1151, then growing with time. At rest
// blade 0's middle point of ring 0 stands straight up, turned by the angle; fan 1 the other way.
TEST_F(FanTunnel, SpinAngleFollowsThePosition) {
  const float cases[][3] = {{1024, 0, 0},
                            {1119, 0, 0},
                            {1120, 0, 2 * 1.82 * 3.84f},
                            {1151, 0, 25 * 1.82 * 3.84f},
                            {1152, 100, 99.7f * 3.84f}};
  for (const auto& [p, time, angle] : cases) {
    effect_time = time;
    EXPECT_NEAR(fan_spin_angle(int32_t(p)), angle, 1e-3) << p;
  }
  build_at(0, 1135);
  for (int fan : {0, 1}) {
    const Vec3i v = fan_vertices[blade_vertex(fan, 0, 0, 2)];
    const double turned = std::atan2(v.x, -v.y) * 128 / pi;
    EXPECT_NEAR(std::remainder(turned - 13 * 1.82 * 3.84 * (fan ? -1 : 1), 256.0), 0, 0.1) << fan;
  }
}

// When the 10000 cycle wraps the fans trade places and turn the other way; the fan that was fan
// 0 goes on as fan 1 with the same blade profile (its bulge at point 1) and texture half.
TEST_F(FanTunnel, CycleWrapReversesSpinAndSwapsProfile) {
  build_at(33.0f, 1200);  // travel 9900
  EXPECT_EQ(spin_factor, 3.84f);
  build_at(33.4f, 1200);  // 10020: wrapped
  EXPECT_EQ(spin_factor, -3.84f);
  EXPECT_EQ(band_flip, 1);  // the 4000 cycle did not wrap
  build_at(66.7f, 1200);    // 20010: back again
  EXPECT_EQ(spin_factor, 3.84f);
  // At rest (time 0, before 1120) the profile shows unbent.
  auto depth = [](int c, int k) {
    return fan_vertices[blade_vertex(c, 0, 0, k)].z - fan_vertices[blade_vertex(c, 0, 0, 0)].z;
  };
  for (float spin : {3.84f, -3.84f}) {
    spin_factor = spin;
    fan_cycle_prev = 0;
    build_at(0, 1024);
    const int c = spin > 0 ? 0 : 1;
    EXPECT_EQ((std::array{depth(c, 1), depth(c, 2), depth(1 - c, 1), depth(1 - c, 2)}),
              (std::array{112, 42, 42, 112}));
    EXPECT_EQ((std::array{fan_texcoords[blade_vertex(c, 0, 0, 1)].x,
                          fan_texcoords[blade_vertex(1 - c, 0, 0, 1)].x}),
              (std::array{32, 128 + 32}));
  }
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
    build_at(f.time, f.p);
    EXPECT_EQ((std::array{band_flip, band_lag}), (std::array{f.band_flip, f.band_lag})) << f.time;
  }
  EXPECT_EQ(band_flip_seen, 1);
  EXPECT_EQ(fan_face_count, fan_frame_faces);  // each frame appends after the wall again
  // Without lag the band's rows lie at the depths of the wall's rings.
  for (int j = 0; j < 21; ++j)
    EXPECT_EQ(vertex_shade[3 * (fan_band_first + 8 * j)], std::max<int>(110, vertex_shade[3 * 11 * j])) << j;
}

// Nothing is added before 1888; each flash adds (255, 128, 0) that falls 32 a step of 3 time
// units, and flashes jumped over fire together.
TEST_F(FanTunnel, OrangeFlashes) {
  const struct {
    float time;
    int32_t p, flashes, colour;
  } frames[] = {{0, 1024, 0, 0},         {30, 1887, 0, 0},        {33, 1888, 1, 0xFF8000},
                {36, 1889, 1, 0xDF6000}, {39, 1910, 3, 0xFF8000}, {48, 1912, 4, 0xFF8000}};
  for (const auto& f : frames) {
    play_frames(fan_tunnel_frame, {{f.time, f.p, f.colour}});
    EXPECT_EQ(orange_flash_index, f.flashes) << f.p;
  }
  // All four at once on a jump; a later entry does not fire them again.
  SetUp();
  play_frames(fan_tunnel_frame, {{3, 1930, -1, true}});
  EXPECT_EQ(orange_flash_index, 4);
  fan_tunnel_enter();
  play_frames(fan_tunnel_frame, {{6, 1930, 0, true}});
}

// Entry re-arms the fade and the band only; the frame leaves past 1917, on present_skip or on
// quit_flag.
TEST_F(FanTunnel, EntryKeepsStateAndLeaves) {
  spin_factor = -3.84f;
  band_lag = 0;
  orange_flash_index = 2;
  fan_tunnel_enter();
  EXPECT_EQ((std::array{spin_factor, float(orange_flash_index), float(band_lag), float(fade_state)}),
            (std::array{-3.84f, 2.0f, 20000.0f, -1.0f}));
  EXPECT_FALSE(fan_tunnel_frame(1917));
  EXPECT_TRUE(fan_tunnel_frame(1918));
  present_skip = 1;
  EXPECT_TRUE(fan_tunnel_frame(1500));
  present_skip = 0;
  quit_flag = 1;
  EXPECT_TRUE(fan_tunnel_frame(1500));
}

}  // namespace
