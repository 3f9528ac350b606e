// The demo's logo: a 208x82 one-bit picture, drawn as ASCII art in data/logo.cpp.
#pragma once
#include <array>
#include <cstdint>

constexpr int32_t logo_width = 208;
constexpr int32_t logo_height = 82;
constexpr int32_t logo_row_bytes = logo_width / 8;            // 26
constexpr int32_t logo_bytes = logo_row_bytes * logo_height;  // 2132
constexpr int32_t logo_pixels = logo_width * logo_height;     // 17056

// Row-major, 26 bytes per row, the leftmost pixel in the most significant bit; 1 = logo.
extern const std::array<uint8_t, logo_bytes> logo_bitmap;
