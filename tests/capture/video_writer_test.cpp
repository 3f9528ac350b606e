#include "platform/video_writer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/capture/media_probe.h"

namespace fs = std::filesystem;

namespace {

std::string scratch(const std::string& name) {
  fs::path dir = fs::path(TALVEX_BINARY_DIR) / "test_output" / "capture";
  fs::create_directories(dir);
  return (dir / name).string();
}

std::string file_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// A moving picture with scanlines like the display's, and a tone, frame by frame.
bool write_clip(const std::string& path, int frames, int width, int height, int bpp) {
  VideoWriter writer;
  if (!writer.open(path, width, height)) return false;
  const int bytes = bpp / 8;
  std::vector<uint8_t> pixels(size_t(width) * height * bytes);
  std::vector<int16_t> sound(735 * 2);
  for (int f = 0; f < frames; ++f) {
    for (int y = 0; y < height; y += 2)
      for (int x = 0; x < width; ++x) {
        uint8_t* p = &pixels[(size_t(y) * width + x) * bytes];
        p[0] = uint8_t(x + f), p[1] = uint8_t(y * 3), p[2] = uint8_t((x ^ y) - 2 * f);
      }
    for (int i = 0; i < 735; ++i)
      sound[2 * i] = sound[2 * i + 1] = int16_t(8000 * std::sin((f * 735 + i) * 0.0627));
    if (!writer.add_frame(pixels.data(), width * bytes, bpp) || !writer.add_audio(sound.data(), 735))
      return false;
  }
  return writer.finish();
}

bool no_leftovers(const std::string& path) {
  return !fs::exists(path) && !fs::exists(VideoWriter::temporary_path(path));
}

}  // namespace

TEST(VideoWriter, WritesH264AndAacThatDecodeToWhatWentIn) {
  for (int bpp : {32, 24}) {
    std::string path = scratch("clip" + std::to_string(bpp) + ".mp4");
    ASSERT_TRUE(write_clip(path, 45, 320, 200, bpp));
    EXPECT_FALSE(fs::exists(VideoWriter::temporary_path(path)));
    MediaProbe p = probe_media(path);
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.video_codec, "h264");
    EXPECT_EQ(p.pixel_format, "yuv420p");
    EXPECT_EQ(p.width, 320);
    EXPECT_EQ(p.height, 200);
    EXPECT_EQ(p.video_frames, 45);
    EXPECT_DOUBLE_EQ(p.frame_rate, 60.0);
    EXPECT_EQ(p.audio_codec, "aac");
    EXPECT_EQ(p.sample_rate, 44100);
    EXPECT_EQ(p.channels, 2);
    // The container knows the exact length; decoders round up to whole AAC frames.
    EXPECT_NEAR(p.audio_duration, 45 / 60.0, 1e-6);
    EXPECT_GE(p.audio_samples, 45 * 735);
    EXPECT_LT(p.audio_samples, 45 * 735 + 1024);
  }
}

// BT.601, limited range: pure red is Y 82, U 90, V 240. Between a red line and a black
// scanline the chroma is their average, never the red line's alone.
TEST(VideoWriter, ColoursAndScanlines) {
  std::string path = scratch("colours.mp4");
  {
    VideoWriter w;
    ASSERT_TRUE(w.open(path, 64, 64));
    std::vector<uint32_t> picture(64 * 64, 0x00FF0000);
    for (int y = 32; y < 64; y += 2) std::fill_n(&picture[size_t(y + 1) * 64], 64, 0);
    std::vector<int16_t> silence(2 * 735, 0);
    ASSERT_TRUE(w.add_frame(picture.data(), 64));
    ASSERT_TRUE(w.add_audio(silence.data(), 735));
    ASSERT_TRUE(w.finish());
  }
  MediaProbe p = probe_media(path);
  ASSERT_TRUE(p.ok) << p.error;
  ASSERT_EQ(p.first_luma.size(), 64u * 64);
  auto near = [](int got, int want) { return std::abs(got - want) <= 2; };
  EXPECT_PRED2(near, p.first_luma[10 * 64 + 10], 82);
  EXPECT_PRED2(near, p.first_u[5 * 32 + 5], 90);
  EXPECT_PRED2(near, p.first_v[5 * 32 + 5], 240);
  EXPECT_PRED2(near, p.first_luma[40 * 64 + 10], 82);  // a red line
  EXPECT_PRED2(near, p.first_luma[41 * 64 + 10], 16);  // its scanline
  EXPECT_PRED2(near, p.first_u[20 * 32 + 5], 109);
  EXPECT_PRED2(near, p.first_v[20 * 32 + 5], 184);
}

TEST(VideoWriter, SameInputGivesSameBytes) {
  std::string a = scratch("same_a.mp4"), b = scratch("same_b.mp4");
  ASSERT_TRUE(write_clip(a, 30, 320, 200, 32));
  ASSERT_TRUE(write_clip(b, 30, 320, 200, 32));
  std::string bytes = file_bytes(a);
  EXPECT_GT(bytes.size(), 1000u);
  EXPECT_TRUE(bytes == file_bytes(b));
  // Matroska too: its muxer would otherwise draw random identifiers.
  a = scratch("same_a.mkv"), b = scratch("same_b.mkv");
  ASSERT_TRUE(write_clip(a, 10, 320, 200, 32));
  ASSERT_TRUE(write_clip(b, 10, 320, 200, 32));
  EXPECT_TRUE(file_bytes(a) == file_bytes(b));
}

TEST(VideoWriter, FailuresLeaveNothingBehind) {
  VideoWriter writer;
  std::string path = scratch("clip.avi");
  EXPECT_FALSE(writer.open(path, 320, 200));
  EXPECT_NE(writer.error().find("unknown extension"), std::string::npos) << writer.error();
  EXPECT_TRUE(no_leftovers(path));

  path = scratch("no/such/folder/clip.mp4");
  EXPECT_FALSE(writer.open(path, 320, 200));
  EXPECT_NE(writer.error().find("cannot write"), std::string::npos) << writer.error();
  EXPECT_EQ(writer.error().find('\n'), std::string::npos);
  EXPECT_TRUE(no_leftovers(path));

  path = scratch("");
  EXPECT_FALSE(writer.open(path + "folder.mp4/", 320, 200));
  fs::create_directories(path + "folder.mp4");
  EXPECT_FALSE(writer.open(path + "folder.mp4", 320, 200));
  EXPECT_NE(writer.error().find("folder"), std::string::npos) << writer.error();
  EXPECT_TRUE(fs::is_empty(path + "folder.mp4"));

  // Given up half-way (or destroyed without finish): the temporary file goes.
  path = scratch("abandoned.mp4");
  {
    VideoWriter w;
    ASSERT_TRUE(w.open(path, 320, 200));
    std::vector<uint32_t> black(320 * 200);
    ASSERT_TRUE(w.add_frame(black.data(), 320));
    EXPECT_TRUE(fs::exists(VideoWriter::temporary_path(path)));
  }
  EXPECT_TRUE(no_leftovers(path));
}

TEST(VideoWriter, InterruptRemovesTheTemporaryFile) {
  std::string path = scratch("interrupted.mp4");
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    VideoWriter w;
    if (!w.open(path, 320, 200)) _exit(3);
    std::vector<uint32_t> black(320 * 200);
    w.add_frame(black.data(), 320);
    raise(SIGINT);
    _exit(4);  // not reached: the signal ends the process
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(WTERMSIG(status), SIGINT);
  EXPECT_TRUE(no_leftovers(path));
}
