#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/module_player.h"
#include "platform/platform.h"
#include "shell/demo.h"
#include "shell/window.h"

namespace {

// A small XM: two channels, speed 3 at 125 BPM (60 ms a row), one 16-row pattern played
// twice, a looped square-wave instrument struck on every fourth row.
std::vector<uint8_t> make_test_module() {
  std::vector<uint8_t> m;
  auto put = [&m](const void* p, size_t n) {
    auto* b = static_cast<const uint8_t*>(p);
    m.insert(m.end(), b, b + n);
  };
  auto u8 = [&m](uint8_t v) { m.push_back(v); };
  auto u16 = [&](uint16_t v) { put(&v, 2); };
  auto u32 = [&](uint32_t v) { put(&v, 4); };
  auto zeros = [&m](size_t n) { m.insert(m.end(), n, 0); };
  put("Extended Module: ", 17);
  zeros(20);
  u8(0x1A);
  zeros(20);
  u16(0x0104);
  u32(276);
  for (uint16_t v : {2, 0, 2, 1, 1, 1, 3, 125}) u16(v);  // orders, restart, channels, ...
  zeros(256);                                            // orders 0, 0
  // Pattern: 16 rows x 2 channels, unpacked 5-byte notes.
  u32(9), u8(0), u16(16), u16(16 * 2 * 5);
  for (int row = 0; row < 16; ++row) {
    if (row % 4 == 0) u8(uint8_t(49 + row / 4)), u8(1);
    zeros(row % 4 == 0 ? 8 : 10);
  }
  // Instrument with one sample.
  size_t start = m.size();
  u32(263);
  zeros(22);
  u8(0), u16(1), u32(40);
  zeros(96 + 48 + 48 + 2 + 6 + 2 + 4);
  u16(0);
  zeros(263 - (m.size() - start));
  u32(64), u32(0), u32(64), u8(48), u8(0), u8(1), u8(128), u8(0), u8(0);
  zeros(22);
  // Delta-coded square wave: +100 for 32 samples, then -100.
  for (int i = 0; i < 64; ++i) u8(uint8_t(i == 0 ? 100 : i == 32 ? -200 : 0));
  return m;
}

struct Capture {
  std::vector<int16_t> audio;
  uint64_t frame_hash = 1469598103934665603ull;
  int frames = 0;
  int stop_after = -1;
};

bool on_frame(const uint8_t* pixels, int32_t pitch, int32_t, void* user) {
  auto* c = static_cast<Capture*>(user);
  for (int32_t i = 0; i < pitch * 600; i += 97)
    c->frame_hash = (c->frame_hash ^ pixels[i]) * 1099511628211ull;
  ++c->frames;
  return c->stop_after < 0 || c->frames < c->stop_after;
}

void on_audio(const int16_t* samples, int32_t frames, void* user) {
  auto& audio = static_cast<Capture*>(user)->audio;
  audio.insert(audio.end(), samples, samples + 2 * frames);
}

class Headless : public ::testing::Test {
 protected:
  void SetUp() override { module_ = make_test_module(); }
  void TearDown() override { platform_close(); }

  uint32_t open(Capture* capture, HeadlessOptions options = {}) {
    platform_open_headless(options);
    headless_set_frame_hook(on_frame, capture);
    headless_set_audio_hook(on_audio, capture);
    platform_window_create(window_proc);
    EXPECT_EQ(platform_display_create(), dd_ok);
    EXPECT_EQ(platform_display_set_mode(800, 600, 32), dd_ok);
    EXPECT_EQ(platform_display_create_surface(), dd_ok);
    platform_music_init();
    uint32_t handle = platform_music_load(module_.data(), module_.size());
    EXPECT_NE(handle, 0u);
    return handle;
  }
  static double rms(const std::vector<int16_t>& a, size_t from, size_t to) {
    double sum = 0;
    for (size_t i = from; i < to; ++i) sum += double(a[i]) * a[i];
    return std::sqrt(sum / double(to - from));
  }
  std::vector<uint8_t> module_;
};

void wait_frames(int n) {
  for (int i = 0; i < n; ++i) platform_wait_vblank();
}

// Order in the high byte, row in the low one, as the shell reads it.
int32_t decode(uint32_t r) { return int32_t((r & 0xFF) << 8 | (r >> 16 & 0xFF)); }

TEST_F(Headless, ClockSoundAndPositionMoveTogether) {
  Capture capture;
  uint32_t handle = open(&capture);
  wait_frames(30);  // half a second of silence
  EXPECT_EQ(capture.audio.size(), size_t(30 * 735 * 2));
  EXPECT_EQ(rms(capture.audio, 0, capture.audio.size()), 0.0);
  EXPECT_EQ(platform_music_position(handle), 0xFFFFFFFFu);  // loaded, not yet playing
  platform_music_set_volume(100);
  ASSERT_TRUE(platform_music_play(handle));
  EXPECT_EQ(decode(platform_music_position(handle)), 0);
  // 60 ms a row: after 0.5 s the song is in row 8 of order 0.
  wait_frames(30);
  EXPECT_EQ(decode(platform_music_position(handle)), 8);
  EXPECT_GT(rms(capture.audio, 30 * 735 * 2, capture.audio.size()), 1000.0);
  // A read inside a wait costs one millisecond.
  int64_t before = headless_clock();
  platform_music_position_waiting(handle);
  EXPECT_EQ(headless_clock() - before, headless_units_per_second / 1000);
  EXPECT_EQ(platform_tick_count(), 1001u);
  // Past the second order the song loops to the start.
  wait_frames(90);  // 2.001 s in all of playing
  EXPECT_LT(decode(platform_music_position(handle)), 256);
  // Freed: every read fails, and only silence follows.
  platform_music_free();
  size_t freed_at = capture.audio.size();
  EXPECT_EQ(platform_music_position(handle), 0xFFFFFFFFu);
  platform_wait_vblank();
  EXPECT_EQ(rms(capture.audio, freed_at, capture.audio.size()), 0.0);
}

TEST_F(Headless, TwoRunsGiveTheSameFramesAndSound) {
  Capture runs[2];
  for (Capture& c : runs) {
    uint32_t handle = open(&c);
    platform_music_set_volume(75);
    platform_music_play(handle);
    for (int i = 0; i < 90; ++i) {
      SurfaceDesc d{};
      ASSERT_EQ(platform_surface_lock(&d), dd_ok);
      std::memset(d.pixels + i * d.pitch, 0x40 + i, size_t(d.pitch));
      platform_surface_unlock(true);
      for (int k = 0; k < i % 7; ++k) platform_music_position_waiting(handle);
    }
    platform_close();
  }
  EXPECT_EQ(runs[0].frames, 90);  // one frame a present, however many reads between
  EXPECT_EQ(runs[0].frames, runs[1].frames);
  EXPECT_EQ(runs[0].frame_hash, runs[1].frame_hash);
  EXPECT_TRUE(runs[0].audio == runs[1].audio);
}

TEST_F(Headless, VolumeScalesTheOutputAndSilenceKeepsTime) {
  const int volumes[] = {100, 50, 0};
  double level[3];
  for (int v = 0; v < 3; ++v) {
    SCOPED_TRACE(testing::Message() << "volume " << volumes[v]);
    Capture c;
    uint32_t handle = open(&c);
    platform_music_set_volume(volumes[v]);
    platform_music_play(handle);
    wait_frames(30);
    level[v] = rms(c.audio, 0, c.audio.size());
    EXPECT_EQ(decode(platform_music_position(handle)), 8);  // the song goes on at any volume
    platform_close();
  }
  EXPECT_NEAR(level[1] / level[0], 0.5, 0.01);
  EXPECT_EQ(level[2], 0.0);
}

TEST_F(Headless, WithoutAnAudioDeviceTheSongStillKeepsTime) {
  Capture c;
  testing::internal::CaptureStderr();
  uint32_t handle = open(&c, HeadlessOptions{.no_audio_device = true});
  platform_music_free();
  platform_music_init();  // warned once only
  handle = platform_music_load(module_.data(), module_.size());
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "talvex: no audio device; the music runs silently so the pictures keep time\n");
  platform_music_play(handle);
  wait_frames(30);
  EXPECT_EQ(decode(platform_music_position(handle)), 8);
}

TEST_F(Headless, ScriptedKeysArriveOnTimeAndAStopActsLikeEscape) {
  Capture c;
  open(&c);
  headless_script_key(40, vk_z);
  headless_script_close(2000);
  platform_wait_vblank();  // 16.7 ms
  EXPECT_FALSE(platform_peek_message());
  wait_frames(2);  // 50 ms
  ASSERT_TRUE(platform_peek_message());
  PlatformMessage m{};
  ASSERT_TRUE(platform_get_message(&m));
  EXPECT_EQ(m.message, uint32_t(wm_keydown));
  EXPECT_EQ(m.wparam, uintptr_t(vk_z));

  quit_flag = 0;
  size_t frames_before = size_t(c.frames);
  c.stop_after = c.frames + 5;
  wait_frames(10);
  EXPECT_EQ(size_t(c.frames), frames_before + 5);  // nothing is delivered after the stop
  EXPECT_EQ(quit_flag, 1);
  EXPECT_EQ(platform_music_position(1), 0xFFFFFFFFu);
}

// The SDL backend asks for the position of a sample already rendered (the one being heard).
TEST(ModulePlayerHistory, TellsThePositionOfEarlierSamples) {
  std::vector<uint8_t> module = make_test_module();
  ModulePlayer player;
  ASSERT_TRUE(player.load(module.data(), module.size()));
  player.set_playing(true);
  std::vector<int16_t> buffer(2 * 44100);
  player.render(buffer.data(), 44100);  // one second: rows 0..16 (60 ms each)
  EXPECT_EQ(decode(player.position_at(0)), 0);
  EXPECT_EQ(decode(player.position_at(44100 * 3 / 10)), 4);    // 0.3 s: row 5 begins at 0.3 s
  EXPECT_EQ(decode(player.position_at(44100 * 31 / 100)), 5);  // within one 256-sample piece
  EXPECT_EQ(decode(player.position_now()), 256 + 0);           // order 1, row 0 after 16 rows
  player.unload();
  EXPECT_EQ(player.position_at(0), ModulePlayer::no_position);
}

bool default_action(int sig) {
  struct sigaction action = {};
  sigaction(sig, nullptr, &action);
  return action.sa_handler == SIG_DFL;
}

// The SDL backend end to end on SDL's dummy video and audio drivers: window, 24-bit mode,
// a presented frame, the count's text, and a song whose position moves on with the device.
// SDL would turn SIGINT and SIGTERM into a quit event that nobody reads while a dialog waits
// or the start-up works: they keep their default action and always end the program.
TEST(SdlBackend, RunsOnDummyDriversAndLeavesInterruptsToTheirDefault) {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  platform_open_sdl(SdlOptions{.windowed = true});
  platform_window_create(window_proc);
  ASSERT_EQ(platform_display_create(), dd_ok);
  ASSERT_EQ(platform_display_set_mode(800, 600, 24), dd_ok);
  ASSERT_EQ(platform_display_create_surface(), dd_ok);
  SurfaceDesc d{};
  ASSERT_EQ(platform_surface_lock(&d), dd_ok);
  EXPECT_EQ(d.pitch, 2400);
  std::memset(d.pixels, 0x80, size_t(d.pitch) * 600);
  EXPECT_EQ(platform_surface_unlock(true), dd_ok);
  int32_t w = 0, h = 0;
  ASSERT_TRUE(platform_text_extent("<100>", &w, &h));
  EXPECT_EQ(h, 250);
  EXPECT_TRUE(platform_text_out((800 - w) / 2, (600 - h) / 2, "<100>", 0xFBFBFB, 0));

  std::vector<uint8_t> module = make_test_module();
  ASSERT_TRUE(platform_music_init());
  EXPECT_TRUE(default_action(SIGINT));
  EXPECT_TRUE(default_action(SIGTERM));
  uint32_t handle = platform_music_load(module.data(), module.size());
  ASSERT_TRUE(platform_music_play(handle));
  uint32_t first = platform_music_position(handle);
  EXPECT_NE(first, 0xFFFFFFFFu);
  uint32_t later = first;
  for (int i = 0; i < 120 && later == first; ++i) {  // up to two seconds
    platform_wait_vblank();
    later = platform_music_position_waiting(handle);
  }
  EXPECT_GT(decode(later), decode(first));
  platform_close();
  EXPECT_EQ(platform_music_position(handle), 0xFFFFFFFFu);
}

TEST(NoBackend, EveryCallIsSafe) {
  platform_close();
  SurfaceDesc d{};
  EXPECT_NE(platform_surface_lock(&d), dd_ok);
  EXPECT_EQ(platform_music_position(1), 0xFFFFFFFFu);
  EXPECT_EQ(platform_tick_count(), 0u);
  EXPECT_FALSE(platform_peek_message());
  EXPECT_NE(platform_wait_vblank(), dd_ok);
  EXPECT_FALSE(platform_music_init());
  EXPECT_EQ(platform_music_load("x", 1), 0u);
  int32_t w = 0, h = 0;
  EXPECT_FALSE(platform_text_extent("<100>", &w, &h));
}

}  // namespace
