// What talvex-lab accepts as a texture script: sizes and operands that keep every product of
// the operations in 32 bits and every script's work within about a second.
#pragma once
#include <cstdint>
#include <string>

// The largest side the lab accepts (the program's own sizes are 256x256, 320x200 and 208x82).
constexpr int32_t lab_texture_max_side = 4096;
// The most texel operations (texels visited, summed over the commands) one script may cost.
constexpr int64_t lab_texture_max_work = int64_t(1) << 26;

// Checks a size and a whole script (seed, commands, the end word). Returns false with why in
// one line.
bool check_texture_limits(int32_t width, int32_t height, const int16_t* script, int32_t words,
                          std::string* why);
