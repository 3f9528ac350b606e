// What talvex-lab and the tool support refuse: sizes, operands and rates that would overflow
// or run for minutes.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "data/texture_scripts.h"
#include "synth/synth.h"
#include "textures/texgen.h"
#include "tools/support/texture_limits.h"
#include "tools/support/wav.h"

namespace fs = std::filesystem;

namespace {

fs::path scratch_folder() {
  fs::path dir = fs::path(TALVEX_BINARY_DIR) / "test_output" / "lab_limits";
  fs::create_directories(dir);
  return dir;
}

int lab(const std::string& arguments) {
  const std::string binary = std::string(TALVEX_BINARY_DIR) + "/tools/talvex-lab";
  if (!fs::exists(binary)) return -1;
  const int status = std::system((binary + " " + arguments + " >/dev/null 2>&1").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST(LabLimits, EveryScriptOfTheProgramIsAccepted) {
  for (const TextureScriptEntry& entry : texture_script_table) {
    std::string why;
    EXPECT_TRUE(check_texture_limits(entry.width, entry.height, entry.script,
                                     texture_script_length(entry.script, 4096), &why))
        << entry.name << ": " << why;
  }
}

TEST(LabLimits, OverflowsAndRunawaysAreRefused) {
  const struct {
    int32_t width, height;
    std::vector<int16_t> script;
    const char* reason;
  } cases[] = {
      {1, 65536, {1, tex_plasma, 1, 5, 255, 0, tex_end}, "width and height"},
      {8192, 8, {1, tex_plasma, 1, 5, 255, 0, tex_end}, "width and height"},
      {256, 256, {1, tex_walks, 32767, 32767, 5, 0, 8, 16, 0, tex_end}, "visit more"},
      {256, 256, {1, tex_blobs, 32767, 32767, 1, 0, 0, 0, 0, tex_end}, "visit more"},
      {256,
       256,
       {1, tex_blur, 255, tex_blur, 255, tex_blur, 255, tex_blur, 255, tex_blur, 255, tex_end},
       "visit more"},
      {256, 256, {1, 99, tex_end}, "unknown opcode"},
  };
  for (const auto& c : cases) {
    std::string why;
    EXPECT_FALSE(check_texture_limits(c.width, c.height, c.script.data(), int32_t(c.script.size()), &why))
        << c.width << "x" << c.height << " " << c.script[1];
    EXPECT_NE(why.find(c.reason), std::string::npos) << why;
  }
  // The largest accepted sizes: as thin as they can be, and the roughest plasma.
  std::string why;
  const std::vector<int16_t> rough = {1, tex_plasma, 1, 32767, 255, 0, tex_end};
  EXPECT_TRUE(check_texture_limits(16, 4096, rough.data(), int32_t(rough.size()), &why)) << why;
  EXPECT_EQ(lab("texture 1 65536 1 1 1 5 255 0 0 -o " + (scratch_folder() / "thin.png").string()), 2);
  EXPECT_EQ(lab("texture 16 4096 1 1 1 32767 255 0 0 -o " + (scratch_folder() / "thin.png").string()), 0);
}

// A rate whose byte rate passes 32 bits cannot go into a WAV header; the lab refuses it first.
TEST(LabLimits, SamplingRates) {
  const int16_t samples[4] = {};
  std::string error;
  const std::string wav = (scratch_folder() / "rate.wav").string();
  EXPECT_FALSE(write_wav(wav, samples, 2, 2, 0x7FFFFFFF, &error));
  EXPECT_NE(error.find("sampling rate"), std::string::npos) << error;
  EXPECT_TRUE(write_wav(wav, samples, 2, 2, 192000, &error)) << error;
  SynthPatch patch{};
  patch.master.length = 512;
  patch.master.rate = 0x7FFFFFFF;
  patch.master.output_level = 127;
  const std::string file = (scratch_folder() / "fast.patch").string();
  std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(&patch), sizeof patch);
  EXPECT_EQ(lab("patch " + file + " -o " + wav), 2);
}
