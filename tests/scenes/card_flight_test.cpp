#include "scenes/card_flight.h"

#include "scenes/scenes.h"
#include "tests/scenes/scene_fixture.h"

namespace {

using namespace scene_test;

class CardFlight : public SceneTest {
 protected:
  static void SetUpTestSuite() { card_flight_init(); }
  void SetUp() override {
    SceneTest::SetUp();
    near_z_limit = 20;
  }
};

TEST_F(CardFlight, SnapshotSplitsThePictureIntoBothTextures) {
  std::fill_n(card_texture_left, 256 * 256, 0xDEADu);
  std::fill_n(card_texture_right, 256 * 256, 0xDEADu);
  for (int i = 0; i < screen_pixels; ++i) FrameBuffer[i] = static_cast<uint32_t>(i);
  card_flight_snapshot();
  EXPECT_EQ(card_texture_left[199 * 256 + 255], uint32_t(199 * 320 + 255));
  EXPECT_EQ(card_texture_right[199 * 256 + 63], uint32_t(199 * 320 + 319));
  EXPECT_EQ(card_texture_right[7 * 256 + 64], 0xDEADu);  // never written
  EXPECT_EQ(card_texture_left[200 * 256], 0xDEADu);
}

TEST_F(CardFlight, CardFacesTheCameraThenDriftsAndShrinks) {
  std::fill_n(FrameBuffer, screen_pixels, 0x00FFFFFFu);
  card_flight_snapshot();
  EXPECT_FALSE(card_flight_frame(568));
  EXPECT_FLOAT_EQ(view_roll, -64);  // undoes the mesh's roll
  // Seen from 422 units the card fills most of the screen; the corners stay black.
  EXPECT_EQ(FrameBuffer[100 * 320 + 30], 0x00FFFFFFu);
  EXPECT_EQ(FrameBuffer[0] | FrameBuffer[199 * 320 + 319], 0u);
  int64_t near = std::count(FrameBuffer, FrameBuffer + screen_pixels, 0x00FFFFFFu);
  scene_time = 40;  // effect_time 24
  card_flight_frame(574);
  EXPECT_EQ(screen_centre[0], 160 - 7 * 24);
  int64_t far = std::count(FrameBuffer, FrameBuffer + screen_pixels, 0x00FFFFFFu);
  EXPECT_TRUE(far > 0 && far < near) << far << " " << near;
}

// The frame past position 575 or with quit_flag set is the last; quit on entry still takes the
// snapshot but draws nothing.
TEST_F(CardFlight, LeavesPastTheEndOrOnQuit) {
  EXPECT_FALSE(card_flight_frame(575));
  EXPECT_TRUE(card_flight_frame(576));
  std::fill_n(FrameBuffer, screen_pixels, 0x00ABCDEFu);
  card_flight_run();  // without a player the position reads 65535: one frame
  EXPECT_EQ(FrameBuffer[0], 0u);
  EXPECT_EQ(FrameBuffer[100 * 320 + 160], 0x00ABCDEFu);
  quit_flag = 1;
  EXPECT_TRUE(card_flight_frame(570));
  std::fill_n(FrameBuffer, screen_pixels, 0x00FEDCBAu);
  card_flight_run();
  EXPECT_EQ(card_texture_left[50 * 256 + 50], 0x00FEDCBAu);
  EXPECT_EQ(FrameBuffer[0], 0x00FEDCBAu);
}

}  // namespace
