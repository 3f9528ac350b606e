// The WAV support and the talvex-lab patch command.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/synth/example_patches.h"
#include "tools/support/wav.h"

namespace {

namespace fs = std::filesystem;

fs::path scratch_dir() {
  const fs::path dir = fs::temp_directory_path() / ("talvex_synth_test_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  return dir;
}

TEST(Wav, RoundTripsMonoAndStereoThroughATemporaryName) {
  const fs::path dir = scratch_dir();
  const int16_t samples[6] = {0, -1, 32767, -32768, 1234, -4321};
  std::string error;
  ASSERT_TRUE(write_wav((dir / "s.wav").string(), samples, 3, 2, 22050, &error)) << error;
  EXPECT_FALSE(fs::exists(dir / "s.wav.tmp"));
  EXPECT_EQ(fs::file_size(dir / "s.wav"), 44u + 12u);
  WavData wav;
  ASSERT_TRUE(read_wav((dir / "s.wav").string(), &wav, &error)) << error;
  EXPECT_EQ(wav.channels, 2);
  EXPECT_EQ(wav.rate, 22050);
  EXPECT_EQ(wav.frames(), 3u);
  EXPECT_EQ(wav.samples, std::vector<int16_t>(samples, samples + 6));

  // Through a symlink the file it names is replaced, the link stays.
  fs::create_symlink(dir / "s.wav", dir / "link.wav");
  ASSERT_TRUE(write_wav((dir / "link.wav").string(), samples, 6, 1, 8000, &error)) << error;
  EXPECT_TRUE(fs::is_symlink(dir / "link.wav"));
  ASSERT_TRUE(read_wav((dir / "s.wav").string(), &wav, &error));
  EXPECT_EQ(wav.channels, 1);

  std::ofstream(dir / "junk.wav") << "RIFF....WAVEjunk";
  EXPECT_FALSE(read_wav((dir / "junk.wav").string(), &wav, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(write_wav((dir / "no" / "such" / "dir.wav").string(), samples, 6, 1, 8000, &error));
  fs::remove_all(dir);
}

class LabPatch : public ::testing::Test {
 protected:
  fs::path dir = scratch_dir();
  std::string lab = std::string(TALVEX_BINARY_DIR) + "/tools/talvex-lab";
  void SetUp() override {
    if (!fs::exists(lab)) GTEST_SKIP() << "talvex-lab not built";
  }
  void TearDown() override { fs::remove_all(dir); }
  fs::path write_patch(const std::string& name, const void* bytes, size_t size) {
    std::ofstream(dir / name, std::ios::binary).write(static_cast<const char*>(bytes), size);
    return dir / name;
  }
  int run(const std::string& args) {
    const int status = std::system((lab + " patch " + args + " >/dev/null 2>&1").c_str());
    return WEXITSTATUS(status);
  }
};

TEST_F(LabPatch, RendersTheKick) {
  const fs::path in = write_patch("kick.patch", &bdsine1_6, sizeof bdsine1_6);
  ASSERT_EQ(run(in.string() + " -o " + (dir / "kick.wav").string()), 0);
  WavData wav;
  std::string error;
  ASSERT_TRUE(read_wav((dir / "kick.wav").string(), &wav, &error)) << error;
  EXPECT_EQ(wav.channels, 1);
  EXPECT_EQ(wav.rate, 44100);
  ASSERT_EQ(wav.frames(), 8192u);
  for (int i = 0; i < 80; ++i) ASSERT_EQ(wav.samples[i], 0);
  EXPECT_NE(wav.samples[200], 0);
}

TEST_F(LabPatch, BadInputIsRefusedWithoutOutput) {
  const std::string out = (dir / "out.wav").string();
  SynthPatch p = bdsine1_6;
  EXPECT_EQ(run(write_patch("short.patch", &p, 693).string() + " -o " + out), 2);
  p.master.length = 1000;
  EXPECT_EQ(run(write_patch("len.patch", &p, sizeof p).string() + " -o " + out), 2);
  p.master.length = 65536 + 512;
  EXPECT_EQ(run(write_patch("long.patch", &p, sizeof p).string() + " -o " + out), 2);
  p = bdsine1_6;
  p.master.rate = 0;
  const fs::path zero_rate = write_patch("rate.patch", &p, sizeof p);
  // A bad file anywhere in the list stops everything before any rendering.
  const fs::path good = write_patch("good.patch", &bdsine1_6, sizeof bdsine1_6);
  EXPECT_EQ(run(good.string() + " " + zero_rate.string() + " -o " + out), 2);
  EXPECT_EQ(run((dir / "missing.patch").string() + " -o " + out), 2);
  EXPECT_FALSE(fs::exists(out));
}

}  // namespace
