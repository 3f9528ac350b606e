#include "scenes/balls.h"

#include <cmath>
#include <tuple>

#include "scenes/scenes.h"
#include "tests/scenes/scene_fixture.h"
#include "textures/tables.h"

namespace {

using namespace scene_test;

class Balls : public SceneTest {
 protected:
  static void SetUpTestSuite() {
    set_row_table(FrameBuffer);  // the glow texture is drawn with sprites through the row table
    build_glow_texture();
    build_texture_tables();
    balls_init();
  }
  void SetUp() override {
    SceneTest::SetUp();
    near_z_limit = 80;
    cut_index = 0;
    balls_enter();
  }
  // Ball 0 at the origin, ball 1 at (dx, dy) with its own phase, ball 2 far off; each velocity
  // component distinct so that a reversal shows.
  static void place_pair(float dx, float dy, float phase1) {
    ball_state[0] = {0, 1, 0, 2, 0, 3, 0};
    ball_state[1] = {dx, -1.5f, dy, -2.5f, phase1, -3.5f, 0};
    ball_state[2] = {-600, 0.5f, -600, 0.5f, 0, 0.5f, 0};
  }
  static std::array<bool, 3> reversed(const BallState& now, const BallState& before) {
    return {now.vx == -before.vx, now.vy == -before.vy, now.phase_step == -before.phase_step};
  }
};

// The shared sphere is round again for the run: its poles lie at the full radius.
TEST_F(Balls, SharedSphereIsRoundAgain) {
  EXPECT_EQ(std::tie(sphere_levels, sphere_vertex_count, sphere_vertices[0].x), std::make_tuple(3, 258, 800));
}

// The hop is truncated: at phase 150 the sine gives 349.99..., a height of 301, not 300.
TEST_F(Balls, HeightIsAnAbsoluteSineHop) {
  const std::pair<float, int32_t> cases[] = {{0, 650}, {450, -50}, {-450, -50}, {150, 301}};
  for (auto [phase, height] : cases) EXPECT_EQ(ball_height(phase), height) << phase;
}

// Every component that is largest (ties included) turns back for both balls; apart, nothing.
TEST_F(Balls, ContactReversesTheLargestComponents) {
  const struct {
    float dx, dy, phase1;
    std::array<bool, 3> vx_vy_step;
  } cases[] = {{100, 50, 0, {true, false, false}}, {100, 100, 0, {true, true, false}},
               {0, 0, 0, {true, true, true}},      {0, 0, 90, {false, false, true}},
               {216, 216, 90, {true, true, true}}, {300, 300, 0, {false, false, false}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.dx << " " << c.dy << " " << c.phase1);
    place_pair(c.dx, c.dy, c.phase1);
    const BallState a = ball_state[0], b = ball_state[1];
    ball_touching[0] = 0;
    Vec3i out[3];
    step_balls(out);
    EXPECT_EQ(reversed(ball_state[0], a), c.vx_vy_step);
    EXPECT_EQ(reversed(ball_state[1], b), c.vx_vy_step);
    EXPECT_EQ((std::array{ball_touching[0], ball_touching[1], ball_touching[2]}),
              (std::array<uint8_t, 3>{c.vx_vy_step != std::array{false, false, false}, 0, 0}));
  }
}

// A pair still within reach after its rebound is not turned back again until it separated.
TEST_F(Balls, TouchingPairTurnsOnceUntilApart) {
  place_pair(100, 0, 0);
  Vec3i out[3];
  const float vx = ball_state[0].vx;
  const float expected[] = {-vx, -vx, -vx, vx};
  for (int step = 0; step < 4; ++step) {
    if (step == 2) ball_state[1].x = 500;  // apart: the byte clears
    if (step == 3) ball_state[1].x = ball_state[0].x + 100;
    step_balls(out);
    EXPECT_EQ(ball_state[0].vx, expected[step]) << step;
    EXPECT_EQ(ball_touching[0], step != 2) << step;
  }
}

// The table is the simulation replayed from the start values; the balls stay in the room but
// for one step's overshoot past the walls, which is kept.
TEST_F(Balls, ReplayTableIsTheSimulationFromTheStart) {
  std::copy_n(ball_start, 3, ball_state);
  std::fill_n(ball_touching, 3, 0);
  int mismatches = 0, overshoots = 0;
  for (int s = 0; s < ball_path_steps; ++s) {
    Vec3i out[3];
    step_balls(out);
    for (int b = 0; b < 3; ++b) {
      const Vec3i& p = out[b];
      mismatches += xyz(p) != xyz(ball_path[s][b]);
      overshoots += std::abs(p.x) > 650 || std::abs(p.z) > 650;
      ASSERT_TRUE(std::abs(p.x) <= 654 && std::abs(p.z) <= 654 && p.y >= -50 && p.y <= 650) << s;
    }
  }
  EXPECT_TRUE(mismatches == 0 && overshoots > 10) << mismatches << " " << overshoots;
}

TEST_F(Balls, PathIndexHoldsTheLastStep) {
  const std::tuple<float, int32_t, int32_t> cases[] = {
      {0, 2816, 0}, {10, 3071, 25}, {10, 3072, 44}, {3199.5f, 3000, 7998}, {1e6f, 3400, 7999}, {-5, 2900, 0}};
  for (auto [s, p, q] : cases) EXPECT_EQ(ball_path_index(s, p), q) << s << " " << p;
  scene_time = 5000;
  balls_frame(3300);
  for (int b = 0; b < 3; ++b) EXPECT_EQ(xyz(ball_vertices[1068 + b]), xyz(ball_path[7999][b]));
}

// Cues passed since the last frame each re-arm the grey flash once; the last decides the view.
TEST_F(Balls, CutsFlashOncePerCueThenTheCameraCircles) {
  const struct {
    float time;
    int32_t position, cuts, fade;
    std::array<float, 3> view;
  } frames[] = {{0, 2816, 0, 0x909090, {400, 400, 400}}, {3, 2900, 0, 0x040418, {400, 400, 400}},
                {6, 2911, 0, 0, {400, 400, 400}},        {9, 2912, 1, 0x909090, {400, 400, 0}},
                {9, 2912, 1, 0x909090, {400, 400, 0}},   {15, 2930, 4, 0x909090, {0, 400, -400}},
                {30, 2950, 6, 0x909090, {0, 400, 400}},  {60, 3071, 6, 0, {0, 400, 400}},
                {0, 3072, 6, 0, {360, 380, 0}}};
  for (const auto& f : frames) {
    play_frames(balls_frame, {{f.time, f.position, f.fade}});
    EXPECT_EQ(cut_index, f.cuts) << f.position;
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(view_offset[k], f.view[k], 1e-3) << f.position;
  }
  // Entering again arms only the entry flash; the cues stay counted.
  balls_enter();
  play_frames(balls_frame, {{0, 2950, 0x909090}});
  EXPECT_EQ(cut_index, 6);
}

TEST_F(Balls, DrawsAndLeavesPastTheEndOnQuitOrInThePreRoll) {
  scene_time = 100;
  EXPECT_FALSE(balls_frame(3423));
  EXPECT_GT(lit_pixels(), 40000);
  EXPECT_TRUE(balls_frame(3424));
  present_skip = 1;
  EXPECT_TRUE(balls_frame(2900));
  present_skip = 0;
  quit_flag = 1;
  EXPECT_TRUE(balls_frame(2900));
  std::fill_n(prev_frame, screen_pixels, 0x00ABCDEFu);
  balls_run();  // the entry steps only
  EXPECT_TRUE(all_are(prev_frame, 0));
}

}  // namespace
