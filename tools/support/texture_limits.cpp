#include "tools/support/texture_limits.h"

#include <cstdlib>

#include "textures/texgen.h"

bool check_texture_limits(int32_t width, int32_t height, const int16_t* script, int32_t words,
                          std::string* why) {
  auto fail = [&](const std::string& reason) {
    if (why) *why = reason;
    return false;
  };
  if (width < 1 || height < 1 || width > lab_texture_max_side || height > lab_texture_max_side)
    return fail("width and height must be 1 to " + std::to_string(lab_texture_max_side));
  const int64_t pixels = int64_t(width) * height;
  if (pixels > texture_max_pixels)
    return fail(std::to_string(width) + " x " + std::to_string(height) + " is above " +
                std::to_string(texture_max_pixels) + " pixels");
  int64_t work = 0;
  for (int32_t pos = 1; pos < words && script[pos] != tex_end;) {
    const int16_t op = script[pos];
    if (op < 0 || op >= texture_opcode_count)
      return fail("unknown opcode " + std::to_string(op) + " at word " + std::to_string(pos));
    if (pos + texture_operand_counts[op] >= words) return fail("the script ends inside a command");
    const int16_t* a = script + pos + 1;
    switch (op) {
      case tex_blobs: {
        // Each blob visits at most its square, clipped to the texture.
        const int64_t side = std::abs(int64_t(a[1])) + std::abs(int64_t(a[2]));
        const int64_t square = side * side < pixels ? side * side : pixels;
        work += std::abs(int64_t(a[0])) * square;
        break;
      }
      case tex_blur:
        work += int64_t(uint8_t(a[0])) * pixels;
        break;
      case tex_walks:
        // Up to five texels a step.
        work += std::abs(int64_t(a[0])) * std::abs(int64_t(a[1])) * 5;
        break;
      case tex_plasma:
        work += 2 * pixels;
        break;
      default:
        work += pixels;
        break;
    }
    if (work > lab_texture_max_work)
      return fail("the script would visit more than " + std::to_string(lab_texture_max_work) +
                  " texels (command at word " + std::to_string(pos) + ")");
    pos += 1 + texture_operand_counts[op];
  }
  return true;
}
