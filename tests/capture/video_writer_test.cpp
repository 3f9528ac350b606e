#include "platform/video_writer.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <cstring>
#include <tuple>

#include "tests/capture/media_probe.h"
#include "tests/capture/test_files.h"

namespace fs = std::filesystem;

namespace {

// A moving picture with scanlines like the display's, and a tone, frame by frame.
bool write_clip(const std::string& path, int frames, int bpp = 32) {
  constexpr int width = 320, height = 200;
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

}  // namespace

TEST(VideoWriter, WritesH264AndAacThatDecodeToWhatWentIn) {
  for (int bpp : {32, 24}) {
    SCOPED_TRACE(bpp);
    std::string path = scratch("clip" + std::to_string(bpp) + ".mp4");
    ASSERT_TRUE(write_clip(path, 45, bpp));
    MediaProbe p = probe_media(path);
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.video_codec + " " + p.pixel_format + " " + p.audio_codec, "h264 yuv420p aac");
    EXPECT_EQ(std::tuple(p.width, p.height), std::tuple(320, 200));
    EXPECT_EQ(p.video_frames, 45);
    EXPECT_DOUBLE_EQ(p.frame_rate, 60.0);
    EXPECT_EQ(std::tuple(p.sample_rate, p.channels), std::tuple(44100, 2));
    EXPECT_NEAR(p.audio_duration, 45 / 60.0, 1e-6);
  }
  // Whole pixels take the vector conversion, three-byte ones the plain one: the same video.
  EXPECT_TRUE(file_bytes(scratch("clip32.mp4")) == file_bytes(scratch("clip24.mp4")));
}

// The capture tests compare whole MP4 runs; Matroska's muxer would otherwise draw random identifiers.
TEST(VideoWriter, MatroskaIsReproducibleToo) {
  std::string a = scratch("same_a.mkv"), b = scratch("same_b.mkv");
  ASSERT_TRUE(write_clip(a, 10) && write_clip(b, 10));
  std::string bytes = file_bytes(a);
  EXPECT_GT(bytes.size(), 1000u);
  EXPECT_TRUE(bytes == file_bytes(b));
}

TEST(VideoWriter, FailuresLeaveNothingBehind) {
  fs::create_directories(scratch("folder.mp4"));
  const struct {
    std::string path, error;
  } cases[] = {{scratch("clip.avi"), "unknown extension"},
               {scratch("no/such/folder/clip.mp4"), "cannot write"},
               {scratch("folder.mp4/"), ""},
               {scratch("folder.mp4"), "folder"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    VideoWriter writer;
    EXPECT_FALSE(writer.open(c.path, 320, 200));
    EXPECT_NE(writer.error().find(c.error), std::string::npos) << writer.error();
    EXPECT_EQ(writer.error().find('\n'), std::string::npos);
  }
  EXPECT_TRUE(fs::is_empty(scratch("folder.mp4")));
  EXPECT_FALSE(fs::exists(scratch("clip.avi")));
}

// Given up half-way (0: the writer destroyed without finish), Ctrl+C, a kill or SIGKILL:
// nothing is left, and a signal still ends the process.
TEST(VideoWriter, AnAbandonedWriteLeavesNothingBehind) {
  for (int sig : {0, SIGINT, SIGTERM, SIGKILL}) {
    SCOPED_TRACE(sig);
    fs::remove_all(scratch("abandoned"));  // leftovers of an earlier failed run
    std::string path = scratch("abandoned/x.mp4");
    fs::create_directories(scratch("abandoned"));
    std::fflush(nullptr);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      {
        VideoWriter w;
        std::vector<uint32_t> black(320 * 200);
        if (!w.open(path, 320, 200) || !w.add_frame(black.data(), 320)) _exit(3);
        if (!fs::is_empty(scratch("abandoned"))) _exit(4);  // nothing shows while it is written
        if (sig) raise(sig);
      }
      _exit(sig ? 5 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(sig ? WIFSIGNALED(status) && WTERMSIG(status) == sig
                    : WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << status;
    EXPECT_TRUE(fs::is_empty(scratch("abandoned")));
  }
}
