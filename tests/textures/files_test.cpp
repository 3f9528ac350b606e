// PNG files and the texture tools of talvex-lab.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/png.h"

namespace {

// One scratch directory for the whole run, removed at exit.
const std::string& temp_dir() {
  static struct ScratchDir {
    std::string path;
    ScratchDir() {
      char pattern[] = "/tmp/talvex_textures_XXXXXX";
      path = mkdtemp(pattern);
    }
    ~ScratchDir() { std::filesystem::remove_all(path); }
  } dir;
  return dir.path;
}

bool exists(const std::string& path) { return std::filesystem::exists(path); }

TEST(Png, RoundTripsColourAndGreyAndFailuresLeaveNothing) {
  const std::string path = temp_dir() + "/colour.png", empty = temp_dir() + "/empty.png";
  std::vector<uint32_t> pixels(7 * 5), back;
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint32_t>(i * 0x01030507u + 0x11);
  int w = 0, h = 0;
  ASSERT_TRUE(write_png(path.c_str(), 6, 5, pixels.data(), 7));  // stride 7 over 6 pixels
  ASSERT_TRUE(read_png(path.c_str(), &w, &h, &back));
  ASSERT_EQ(std::pair(w, h), std::pair(6, 5));
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 6; ++x) ASSERT_EQ(back[y * 6 + x], pixels[y * 7 + x] | 0xFF000000u);
  const uint8_t grey[6] = {0, 50, 100, 150, 200, 255};
  ASSERT_TRUE(write_png_grey(path.c_str(), 3, 2, grey, 3));
  ASSERT_TRUE(read_png(path.c_str(), &w, &h, &back));
  EXPECT_EQ(back[4], 0xFFC8C8C8u);
  EXPECT_FALSE(write_png((temp_dir() + "/no/such/dir/x.png").c_str(), 1, 1, pixels.data(), 1));
  EXPECT_FALSE(write_png(empty.c_str(), 0, 1, pixels.data(), 1));
  EXPECT_FALSE(exists(empty) || exists(empty + ".tmp"));
  std::ofstream(temp_dir() + "/junk.png") << "not a png";
  EXPECT_FALSE(read_png((temp_dir() + "/junk.png").c_str(), &w, &h, &back));
}

// talvex-lab, when it has been built next to the tests.
class Lab : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!exists(lab)) GTEST_SKIP() << "talvex-lab is not built";
  }
  int run(const std::string& args) {
    const int status = std::system((lab + " " + args + " 2>/dev/null >/dev/null").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  const std::string lab = std::string(TALVEX_BINARY_DIR) + "/tools/talvex-lab";
};

TEST_F(Lab, TextureRejectsBadScriptsWithExitTwoAndNoFile) {
  const std::string out = temp_dir() + "/bad.png";
  for (const char* bad : {"256 256 1 17 0 -o",  // unknown opcode
                          "256 256 1 3 -o",     // blur without its pass count or end
                          "256 256 1 11 -o",    // no end
                          "300 300 1 0 -o",     // above 65536 pixels
                          "256 256 1 70000 0 -o"}) {
    EXPECT_EQ(run(std::string("texture ") + bad + " " + out), 2) << bad;
  }
  EXPECT_EQ(run("texture 256 256 1 0"), 2);  // nowhere to write
  EXPECT_FALSE(exists(out));
  ASSERT_EQ(run("texture 208 82 5 11 8 0 -o " + out), 0);
  int w = 0, h = 0;
  std::vector<uint32_t> back;
  ASSERT_TRUE(read_png(out.c_str(), &w, &h, &back));
  EXPECT_EQ(w, 208);
  EXPECT_EQ(back[100], 0xFFFFFFFFu);
}

TEST_F(Lab, GalleryManifestMatchesTheRawBytesOfOneScript) {
  const std::string dir = temp_dir() + "/gallery";
  ASSERT_EQ(run("textures " + dir), 0);
  std::ifstream manifest(dir + "/manifest.txt");
  std::string line, polar;
  int images = 0;
  while (std::getline(manifest, line)) {
    if (line.empty() || line[0] == '#') continue;
    ++images;
    const std::string name = line.substr(0, line.find(' '));
    EXPECT_TRUE(exists(dir + "/" + name + ".png")) << name;
    if (name == "polar_texture") polar = line;
  }
  EXPECT_EQ(images, 3 + 33 + 4);
  // The same script through `texture --raw`, hashed by the system's own tool.
  const std::string raw = temp_dir() + "/polar.raw";
  ASSERT_EQ(run("texture 256 256 100 1 1500 100 255 1 3 3 4 50 50 0 --raw " + raw), 0);
  FILE* pipe = popen(("sha256sum " + raw).c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  char digest[65] = {};
  ASSERT_EQ(std::fread(digest, 1, 64, pipe), 64u);
  pclose(pipe);
  EXPECT_EQ(polar, std::string("polar_texture 256 256 ") + digest);
}

}  // namespace
