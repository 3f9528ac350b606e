#include "scenes/chain.h"

#include "render3d/effects.h"
#include "scenes/scenes.h"
#include "tests/scenes/scene_fixture.h"
#include "textures/tables.h"

namespace {

using namespace scene_test;

class Chain : public SceneTest {
 protected:
  static void SetUpTestSuite() {
    set_row_table(FrameBuffer);  // the glow texture is drawn with sprites through the row table
    build_glow_texture();
    build_texture_tables();
    build_dissolve_mask();
    chain_init();
  }
  void SetUp() override {
    SceneTest::SetUp();
    near_z_limit = 50;
    dissolve_begun = 0;
    std::fill_n(saved_frame, screen_pixels, 0x00405060u);
  }
};

// The floor is projected after the echo is built, so the echo carries last frame's floor.
TEST_F(Chain, EchoUsesThePreviousFrameFloor) {
  for (int i = 0; i < floor_vertex_count; ++i) projected[i] = {i, 2 * i, 0};
  chain_frame(2950);
  for (int i = 0; i < chain_vertex_count; ++i)  // at time 0 the echo is not displaced
    ASSERT_EQ(xyz(chain_echo[i]),
              (i < floor_vertex_count ? std::array{i, 2 * i, -5000}
                                      : std::array{projected[i].x, projected[i].y, -5000}))
        << i;
  Vec3i floor_now[floor_vertex_count];
  std::copy_n(projected, floor_vertex_count, floor_now);
  ASSERT_NE(floor_now[0].x, 0);  // this frame's floor replaced the old entries
  chain_frame(2950);
  for (int i = 0; i < floor_vertex_count; ++i) EXPECT_EQ(chain_echo[i].x, floor_now[i].x) << i;
}

TEST_F(Chain, CrossFadeRunsFromTheSavedPictureAndClamps) {
  chain_frame(2912);
  EXPECT_EQ(crossfade_level, 0);
  EXPECT_TRUE(all_are(FrameBuffer, 0x00405060u));
  chain_frame(2920);
  EXPECT_EQ(crossfade_level, 64);
  chain_frame(3000);
  EXPECT_EQ(crossfade_level, 255);  // 704 clamped
  crossfade_level = 77;
  chain_frame(3072);  // past the cross-fade: the level is left alone
  EXPECT_EQ(crossfade_level, 77);
  EXPECT_FALSE(all_are(FrameBuffer, 0x00405060u));
}

TEST_F(Chain, DissolveStartsOnceAndEndsInBlack) { check_dissolve_to_black(chain_frame, 3408, 4); }

TEST_F(Chain, LeavesPastTheEndOrOnQuit) {
  EXPECT_FALSE(chain_frame(3439));
  EXPECT_TRUE(chain_frame(3440));
  // Quit on entry: only the picture for the cross-fade is taken.
  dissolve_begun = 1;
  quit_flag = 1;
  EXPECT_TRUE(chain_frame(3000));
  std::fill_n(FrameBuffer, screen_pixels, 0x00ABCDEFu);
  chain_run();
  EXPECT_EQ(saved_frame[1234], 0x00ABCDEFu);
  EXPECT_EQ(dissolve_begun, 0);
  EXPECT_EQ(FrameBuffer[0], 0x00ABCDEFu);
}

}  // namespace
