#include "scenes/tentacles.h"

#include <cmath>
#include <cstring>

#include "scenes/scenes.h"
#include "shell/random.h"
#include "tests/scenes/scene_fixture.h"

namespace {

using namespace scene_test;

struct Tentacles : SceneTest {
  void SetUp() override {
    SceneTest::SetUp();
    build_tentacles();
    near_z_limit = 50;
    std::memset(sparks, 0, sizeof sparks);
    clear_buffers(0);
    effect_time = 0;
  }
  static uint32_t& pixel_at(int x, int y) { return FrameBuffer[y * screen_width + x]; }
};

TEST_F(Tentacles, RingZeroNeverBends) {
  bool tip_moved = false;
  for (float t : {0.0f, 17.5f, 1234.0f}) {
    effect_time = t;
    bend_tentacles();
    for (int32_t a = 0; a < tentacle_arms; ++a) {
      for (int32_t n = 63 * a; n < 63 * a + 7; ++n)
        ASSERT_EQ(xyz(tentacle_world[n]), xyz(tentacle_model[n])) << n;
      tip_moved |= tentacle_world[tentacle_tips[a]].x != tentacle_model[tentacle_tips[a]].x;
    }
  }
  EXPECT_TRUE(tip_moved);
}

TEST_F(Tentacles, PreRollRendersOneFramePerCallAndStartsEverySpark) {
  present_skip = 1;
  for (int32_t call = 1; call <= 30; ++call) {
    tentacles_run();  // the player reads 65535 here: the pre-roll must ignore it
    ASSERT_EQ(effect_time, static_cast<float>(call));
  }
  for (int32_t k = 0; k < spark_count; ++k) {
    ASSERT_EQ(sparks[k].red, 1.0f) << k;  // set by spawn_spark, zero until then
    ASSERT_GT(sparks[k].fade, 0.0f) << k;
  }
}

TEST_F(Tentacles, DeadSparksStayDeadFromTheStopPosition) {
  spawn_spark(5, 100, 100, -500, 110, 100, -500, 255, 100, 0);  // alive, ten frames of travel
  demo_srand(1234);
  tentacles_frame(2816);
  EXPECT_EQ(demo_rand_state, 1234u);
  for (int32_t k = 0; k < spark_count; ++k) ASSERT_TRUE(k == 5 || sparks[k].life <= 0.0f) << k;
  EXPECT_FLOAT_EQ(sparks[5].x, 100.0f - 160.0f + 1.0f);  // the living one flies on
  tentacles_frame(2815);
  EXPECT_NE(demo_rand_state, 1234u);  // below it, dead slots restart
}

TEST_F(Tentacles, ADeadSparkTakesThreeDrawsForZThenYThenX) {
  for (Spark& s : sparks) s.life = 1000.0f;  // alive and never fading: no draws
  sparks[400].life = 0.0f;                   // arm 1's first spark
  demo_srand(77);
  const int32_t r1 = demo_rand(), r2 = demo_rand(), r3 = demo_rand();
  const uint32_t after_three = demo_rand_state;
  demo_srand(77);
  tentacles_frame(0);
  EXPECT_EQ(demo_rand_state, after_three);
  const Vec3i tip = projected[tentacle_tips[1]];
  const float dx = r3 % 40 - 20, dy = r2 % 40 - 20, dz = r1 % 40 - 20;
  const float s = 1.0f / (std::fabs(dx) + std::fabs(dy));
  EXPECT_FLOAT_EQ(sparks[400].x, tip.x - 160.0f + dx * s);  // drawn and moved in the same frame
  EXPECT_FLOAT_EQ(sparks[400].y, tip.y - 100.0f + dy * s);
  EXPECT_FLOAT_EQ(sparks[400].z, tip.z + dz * s);
}

TEST_F(Tentacles, SparkSplatsSaturateAroundItsCentreUnlessHidden) {
  pixel_at(50, 100) = 0xAAF0F0F0u;  // the fourth byte stays
  spawn_spark(0, 50, 100, -10, 60, 100, -10, 255, 100, 0);
  draw_spark(0);
  EXPECT_EQ(pixel_at(50, 100), 0xAAFFFFF0u);
  // Half the colour beside it, a quarter diagonally, nothing two pixels off.
  EXPECT_EQ((std::array{pixel_at(51, 100), pixel_at(50, 99), pixel_at(51, 101), pixel_at(52, 101)}),
            (std::array{0x007F3200u, 0x007F3200u, 0x003F1900u, 0u}));
  ZBuffer[100 * screen_width + 51] = 0;  // behind a nearer depth: not drawn, but it moves
  draw_spark(0);
  EXPECT_EQ(pixel_at(51, 100), 0x007F3200u);
  EXPECT_FLOAT_EQ(sparks[0].x, 52.0f - 160.0f);
}

TEST_F(Tentacles, ASparkWithoutTravelIsDrawnOnceThenRestarted) {
  spawn_spark(7, 30, 40, 0, 30, 40, 10, 255, 100, 0);
  draw_spark(7);
  EXPECT_EQ(pixel_at(30, 40), 0x00FF6400u);
  EXPECT_LE(sparks[7].life, 0.0f);
  draw_spark(7);
  EXPECT_EQ(pixel_at(30, 40), 0x00FF6400u);
}

TEST_F(Tentacles, BorderSparksMoveAndFadeWithoutDrawing) {
  for (const auto& [x, y] :
       {std::pair{0.0f, 50.0f}, {319.0f, 50.0f}, {400.0f, 50.0f}, {50.0f, 0.0f}, {50.0f, 199.0f}}) {
    SCOPED_TRACE(testing::Message() << x << "," << y);
    spawn_spark(9, x, y, 0, x + 20, y, 0, 255, 100, 0);
    draw_spark(9);
    EXPECT_FLOAT_EQ(sparks[9].x, x - 160.0f + 1.0f);
    EXPECT_FLOAT_EQ(sparks[9].life, 255.0f - 12.75f);
  }
  EXPECT_TRUE(all_are(FrameBuffer, 0));
}

}  // namespace
