// The WAV support and the talvex-lab patch command.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/synth/example_patches.h"
#include "tools/support/wav.h"

namespace {

namespace fs = std::filesystem;

class WavLab : public ::testing::Test {
 protected:
  fs::path dir = fs::temp_directory_path() / ("talvex_synth_test_" + std::to_string(::getpid()));
  std::string error;
  WavData wav;
  void SetUp() override { fs::create_directories(dir); }
  void TearDown() override { fs::remove_all(dir); }
  std::string path(const std::string& name) const { return (dir / name).string(); }
  std::string write_patch(const std::string& name, const SynthPatch& p, size_t size = sizeof(SynthPatch)) {
    std::ofstream(path(name), std::ios::binary).write(reinterpret_cast<const char*>(&p), size);
    return path(name);
  }
  // Exit status of talvex-lab patch ARGS, or -1 when talvex-lab is not built.
  static int lab_patch(const std::string& args) {
    const std::string lab = std::string(TALVEX_BINARY_DIR) + "/tools/talvex-lab";
    if (!fs::exists(lab)) return -1;
    return WEXITSTATUS(std::system((lab + " patch " + args + " >/dev/null 2>&1").c_str()));
  }
};

TEST_F(WavLab, RoundTripsThroughATemporaryNameAndSymlinks) {
  const int16_t samples[6] = {0, -1, 32767, -32768, 1234, -4321};
  ASSERT_TRUE(write_wav(path("s.wav"), samples, 3, 2, 22050, &error)) << error;
  EXPECT_FALSE(fs::exists(path("s.wav.tmp")));
  EXPECT_EQ(fs::file_size(path("s.wav")), 44u + 12u);
  ASSERT_TRUE(read_wav(path("s.wav"), &wav, &error)) << error;
  EXPECT_EQ(wav.channels, 2);
  EXPECT_EQ(wav.rate, 22050);
  EXPECT_EQ(wav.samples, std::vector<int16_t>(samples, samples + 6));
  // Through a symlink the file it names is replaced, the link stays.
  fs::create_symlink(path("s.wav"), path("link.wav"));
  ASSERT_TRUE(write_wav(path("link.wav"), samples, 6, 1, 8000, &error)) << error;
  EXPECT_TRUE(fs::is_symlink(path("link.wav")));
  ASSERT_TRUE(read_wav(path("s.wav"), &wav, &error));
  EXPECT_EQ(wav.channels, 1);
  std::ofstream(path("junk.wav")) << "RIFF....WAVEjunk";
  EXPECT_FALSE(read_wav(path("junk.wav"), &wav, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(write_wav(path("no/such/dir.wav"), samples, 6, 1, 8000, &error));
}

TEST_F(WavLab, PatchCommandRendersTheKickAndRefusesBadInput) {
  const std::string kick = write_patch("kick.patch", bdsine1_6);
  const int status = lab_patch(kick + " -o " + path("kick.wav"));
  if (status < 0) GTEST_SKIP() << "talvex-lab not built";
  ASSERT_EQ(status, 0);
  ASSERT_TRUE(read_wav(path("kick.wav"), &wav, &error)) << error;
  EXPECT_EQ(wav.channels, 1);
  EXPECT_EQ(wav.rate, 44100);
  ASSERT_EQ(wav.frames(), 8192u);
  EXPECT_EQ(wav.samples[79], 0);
  EXPECT_NE(wav.samples[200], 0);

  SynthPatch p = bdsine1_6;
  const std::string out = " -o " + path("out.wav");
  EXPECT_EQ(lab_patch(write_patch("short.patch", p, 693) + out), 2);
  p.master.length = 1000;
  EXPECT_EQ(lab_patch(write_patch("len.patch", p) + out), 2);
  p.master.length = 65536 + 512;
  EXPECT_EQ(lab_patch(write_patch("long.patch", p) + out), 2);
  p = bdsine1_6;
  p.master.rate = 0;
  // A bad file anywhere in the list stops everything before any rendering.
  EXPECT_EQ(lab_patch(kick + " " + write_patch("rate.patch", p) + out), 2);
  EXPECT_EQ(lab_patch(path("missing.patch") + out), 2);
  EXPECT_FALSE(fs::exists(path("out.wav")));
}

}  // namespace
