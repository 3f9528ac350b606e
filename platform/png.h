// PNG files for the tools and tests: pictures of frames, textures and tables.
// Writers go to a temporary name and rename at the end, so a failed write leaves nothing behind.
#pragma once
#include <cstdint>
#include <vector>

// pixels: 32-bit words with bytes B, G, R, X (the FrameBuffer's order); stride in pixels.
// with_alpha stores X as alpha, otherwise an RGB file is written.
bool write_png(const char* path, int width, int height, const uint32_t* pixels, int stride_pixels,
               bool with_alpha = false);
// 8-bit greyscale, stride in bytes.
bool write_png_grey(const char* path, int width, int height, const uint8_t* pixels, int stride_bytes);

// Reads any PNG into B, G, R, A words (A = 255 where the file has no alpha).
bool read_png(const char* path, int* width, int* height, std::vector<uint32_t>* pixels);
