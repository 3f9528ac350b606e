// talvex-lab texture: runs one texture script into a PNG or raw file.
// talvex-lab textures: writes every texture of the program, the start-up tables, the glow and the
// dissolve mask, made in the program's start-up order, with a manifest of their SHA-256 sums.
#include <sys/stat.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "data/modules.h"
#include "data/texture_scripts.h"
#include "platform/png.h"
#include "synth/patcher.h"
#include "textures/tables.h"
#include "textures/texgen.h"
#include "tools/lab.h"
#include "tools/support/texture_limits.h"

namespace {

// SHA-256 (FIPS 180-4) of a byte string, as 64 hex digits.
std::string sha256_hex(const uint8_t* data, size_t size) {
  static const uint32_t k[64] = {
      0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
      0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
      0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
      0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
      0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
      0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
      0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
      0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};
  uint32_t h[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                   0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
  std::vector<uint8_t> m(data, data + size);
  m.push_back(0x80);
  while (m.size() % 64 != 56) m.push_back(0);
  const uint64_t bits = static_cast<uint64_t>(size) * 8;
  for (int i = 7; i >= 0; --i) m.push_back(static_cast<uint8_t>(bits >> (8 * i)));
  const auto rotr = [](uint32_t x, int n) { return (x >> n) | (x << (32 - n)); };
  for (size_t block = 0; block < m.size(); block += 64) {
    uint32_t w[64];
    for (int i = 0; i < 16; ++i)
      w[i] = static_cast<uint32_t>(m[block + 4 * i]) << 24 |
             static_cast<uint32_t>(m[block + 4 * i + 1]) << 16 |
             static_cast<uint32_t>(m[block + 4 * i + 2]) << 8 | m[block + 4 * i + 3];
    for (int i = 16; i < 64; ++i) {
      const uint32_t s0 = rotr(w[i - 15], 7) ^ rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
      const uint32_t s1 = rotr(w[i - 2], 17) ^ rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
      w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4], f = h[5], g = h[6], hh = h[7];
    for (int i = 0; i < 64; ++i) {
      const uint32_t t1 = hh + (rotr(e, 6) ^ rotr(e, 11) ^ rotr(e, 25)) + ((e & f) ^ (~e & g)) + k[i] + w[i];
      const uint32_t t2 = (rotr(a, 2) ^ rotr(a, 13) ^ rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
      hh = g, g = f, f = e, e = d + t1, d = c, c = b, b = a, a = t1 + t2;
    }
    h[0] += a, h[1] += b, h[2] += c, h[3] += d, h[4] += e, h[5] += f, h[6] += g, h[7] += hh;
  }
  std::string hex;
  char digits[9];
  for (uint32_t v : h) {
    std::snprintf(digits, sizeof digits, "%08x", v);
    hex += digits;
  }
  return hex;
}

// Writes bytes to path through a temporary name.
bool write_file(const std::string& path, const void* bytes, size_t size) {
  const std::string temp = path + ".tmp";
  FILE* f = std::fopen(temp.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(bytes, 1, size, f) == size;
  if (std::fclose(f) != 0 || !ok || std::rename(temp.c_str(), path.c_str()) != 0) {
    std::remove(temp.c_str());
    return false;
  }
  return true;
}

// Raw pixel words in B, G, R, X byte order whatever the host's byte order.
std::vector<uint8_t> raw_bytes(const uint32_t* pixels, size_t count) {
  std::vector<uint8_t> bytes(count * 4);
  for (size_t i = 0; i < count; ++i)
    for (int b = 0; b < 4; ++b) bytes[4 * i + b] = static_cast<uint8_t>(pixels[i] >> (8 * b));
  return bytes;
}

// Parses a whole decimal number into [lo, hi]; a trailing comma is allowed (pasted lists).
bool parse_int(const char* text, long lo, long hi, long* out) {
  std::string s(text);
  if (!s.empty() && s.back() == ',') s.pop_back();
  if (s.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(s.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || v < lo || v > hi) return false;
  *out = v;
  return true;
}

int texture_error(const std::string& message) {
  std::fprintf(stderr, "talvex-lab texture: %s\n", message.c_str());
  return lab_usage_error;
}

int run_texture(int argc, char** argv) {
  const char* png_path = nullptr;
  const char* raw_path = nullptr;
  std::vector<const char*> positional;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "-o") || !std::strcmp(argv[i], "--raw")) {
      if (i + 1 == argc) return texture_error(std::string(argv[i]) + " needs a file name");
      (argv[i][1] == 'o' ? png_path : raw_path) = argv[i + 1];
      ++i;
    } else {
      positional.push_back(argv[i]);
    }
  }
  if (!png_path && !raw_path) return texture_error("give -o OUT.png or --raw OUT");
  if (positional.size() < 3) return texture_error("expected W H SEED COMMAND... end");
  long width = 0, height = 0;
  if (!parse_int(positional[0], 1, lab_texture_max_side, &width) ||
      !parse_int(positional[1], 1, lab_texture_max_side, &height))
    return texture_error("width and height must be whole numbers from 1 to " +
                         std::to_string(lab_texture_max_side));
  std::vector<int16_t> script;
  for (size_t i = 2; i < positional.size(); ++i) {
    long word = 0;
    if (!parse_int(positional[i], -32768, 32767, &word))
      return texture_error(std::string("'") + positional[i] + "' is not a 16-bit word");
    script.push_back(static_cast<int16_t>(word));
  }
  const int32_t words = static_cast<int32_t>(script.size());
  // Walk the commands to name the first fault.
  for (int32_t pos = 1;;) {
    if (pos >= words) return texture_error("the script has no end (opcode 0)");
    const int16_t op = script[pos];
    if (op == tex_end) {
      if (pos + 1 != words) return texture_error("words after the end of the script");
      break;
    }
    if (op < 0 || op >= texture_opcode_count)
      return texture_error("unknown opcode " + std::to_string(op) + " at word " + std::to_string(pos));
    pos += 1 + texture_operand_counts[op];
  }
  // Sizes and operands that keep the operations' products in 32 bits and the run short.
  if (std::string why; !check_texture_limits(int32_t(width), int32_t(height), script.data(), words, &why))
    return texture_error(why);

  build_texture_tables();
  texgen_set_size(static_cast<int32_t>(width), static_cast<int32_t>(height));
  std::vector<uint32_t> pixels(static_cast<size_t>(texture_pixels));
  generate_texture(script.data(), pixels.data());
  if (png_path && !write_png(png_path, texture_width, texture_height, pixels.data(), texture_width)) {
    std::fprintf(stderr, "talvex-lab texture: cannot write %s\n", png_path);
    return 1;
  }
  if (raw_path) {
    const std::vector<uint8_t> bytes = raw_bytes(pixels.data(), pixels.size());
    if (!write_file(raw_path, bytes.data(), bytes.size())) {
      std::fprintf(stderr, "talvex-lab texture: cannot write %s\n", raw_path);
      return 1;
    }
  }
  return 0;
}

struct GalleryImage {
  std::string name;
  int width, height;
  std::string sha256;
};

int run_textures(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "talvex-lab textures: expected one output directory\n");
    return lab_usage_error;
  }
  const std::string dir = argv[1];
  struct stat st {};
  if (stat(dir.c_str(), &st) != 0 ? mkdir(dir.c_str(), 0777) != 0 : !S_ISDIR(st.st_mode)) {
    std::fprintf(stderr, "talvex-lab textures: cannot use directory %s\n", dir.c_str());
    return lab_usage_error;
  }
  std::vector<GalleryImage> manifest;
  bool ok = true;
  const auto add_pixels = [&](const std::string& name, int w, int h, const uint32_t* pixels) {
    const std::vector<uint8_t> bytes = raw_bytes(pixels, static_cast<size_t>(w) * h);
    manifest.push_back({name, w, h, sha256_hex(bytes.data(), bytes.size())});
    ok = write_png((dir + "/" + name + ".png").c_str(), w, h, pixels, w) && ok;
  };
  const auto add_grey = [&](const std::string& name, const uint8_t* bytes) {
    manifest.push_back({name, 256, 256, sha256_hex(bytes, 65536)});
    ok = write_png_grey((dir + "/" + name + ".png").c_str(), 256, 256, bytes, 256) && ok;
  };

  // Start-up order: the samples of both modules (their noise voices leave demo_rand's state,
  // from which the glow's streaks continue), the glow, the tables, then the scripts.
  std::vector<uint8_t> module1(module_one, module_one + module_one_size);
  std::vector<uint8_t> module2(module_two, module_two + module_two_size);
  patch_module_samples(module1_sample_offsets, module1.data(), module1_patches, module1_patch_count);
  patch_module_samples(module2_sample_offsets, module2.data(), module2_patches, module2_patch_count);
  build_glow_texture();
  build_texture_tables();
  add_grey("light_table", &light_table[0][0]);
  add_grey("blob_table", &blob_table[0][0]);
  add_pixels("glow_texture", 256, 256, glow_texture);

  static uint32_t texture[texture_max_pixels];
  const int16_t stored_backdrop_seed = backdrop_script[0];
  for (const TextureScriptEntry& entry : texture_script_table) {
    if (entry.script == dissolve_mask_script) {
      build_dissolve_mask();
      add_pixels(entry.name, 320, 200, dissolve_mask);
      continue;
    }
    texgen_set_size(entry.width, entry.height);
    generate_texture(entry.script, texture);
    add_pixels(entry.name, entry.width, entry.height, texture);
  }
  // The backdrop above used its stored seed; the clock picks one of four at start-up.
  texgen_set_size(320, 200);
  for (int v = 0; v < 4; ++v) {
    backdrop_script[0] = static_cast<int16_t>(backdrop_variants[v]);
    generate_texture(backdrop_script, texture);
    add_pixels("title_backdrop_variant_" + std::to_string(v), 320, 200, texture);
  }
  backdrop_script[0] = stored_backdrop_seed;

  std::string text = "# name width height sha256-of-raw-bytes (B,G,R,X per pixel; tables one byte)\n";
  for (const GalleryImage& image : manifest)
    text += image.name + " " + std::to_string(image.width) + " " + std::to_string(image.height) + " " +
            image.sha256 + "\n";
  ok = write_file(dir + "/manifest.txt", text.data(), text.size()) && ok;
  if (!ok) {
    std::fprintf(stderr, "talvex-lab textures: cannot write into %s\n", dir.c_str());
    return 1;
  }
  std::printf("%zu images and manifest.txt in %s\n", manifest.size(), dir.c_str());
  return 0;
}

LabCommand texture_command{"texture", "W H SEED COMMAND... 0 (-o OUT.png | --raw OUT)", run_texture};
LabCommand textures_command{"textures", "DIR", run_textures};

}  // namespace
