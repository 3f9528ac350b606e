// PNG files for the tools and tests: pictures of frames, textures and tables.
// A written file appears whole or not at all (see output_file.h); a symbolic link is written
// where it points. On failure the writers return false and, given error, say why in one line.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// pixels: 32-bit words with bytes B, G, R, X (the FrameBuffer's order); stride in pixels.
// with_alpha stores X as alpha, otherwise an RGB file is written.
bool write_png(const char* path, int width, int height, const uint32_t* pixels, int stride_pixels,
               bool with_alpha = false, std::string* error = nullptr);
// 8-bit greyscale, stride in bytes.
bool write_png_grey(const char* path, int width, int height, const uint8_t* pixels, int stride_bytes,
                    std::string* error = nullptr);

// Reads any PNG into B, G, R, A words (A = 255 where the file has no alpha).
bool read_png(const char* path, int* width, int* height, std::vector<uint32_t>* pixels);
