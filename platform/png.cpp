// PNG reading and writing through libpng. Writes go to "<path>.tmp" and are renamed into place
// only when complete.
#include "platform/png.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <string>

namespace {

struct File {
  FILE* f = nullptr;
  File(const char* path, const char* mode) : f(std::fopen(path, mode)) {}
  ~File() {
    if (f) std::fclose(f);
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  bool close() {
    const bool ok = std::fclose(f) == 0;
    f = nullptr;
    return ok;
  }
};

// Rows handed to libpng, each converted by fill_row into `row`.
template <typename FillRow>
bool write_rows(const char* path, int width, int height, int colour_type, int channels, FillRow fill_row) {
  if (width <= 0 || height <= 0) return false;
  const std::string temp = std::string(path) + ".tmp";
  bool ok = false;
  {
    File file(temp.c_str(), "wb");
    if (!file.f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    std::vector<png_byte> row(static_cast<size_t>(width) * channels);
    if (png && info && !setjmp(png_jmpbuf(png))) {
      png_init_io(png, file.f);
      png_set_IHDR(png, info, width, height, 8, colour_type, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                   PNG_FILTER_TYPE_DEFAULT);
      png_write_info(png, info);
      for (int y = 0; y < height; ++y) {
        fill_row(y, row.data());
        png_write_row(png, row.data());
      }
      png_write_end(png, info);
      ok = true;
    }
    png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
    ok = file.close() && ok;
  }
  if (ok && std::rename(temp.c_str(), path) == 0) return true;
  std::remove(temp.c_str());
  return false;
}

}  // namespace

bool write_png(const char* path, int width, int height, const uint32_t* pixels, int stride_pixels,
               bool with_alpha) {
  const int channels = with_alpha ? 4 : 3;
  return write_rows(path, width, height, with_alpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, channels,
                    [&](int y, png_byte* row) {
                      const uint32_t* src = pixels + static_cast<ptrdiff_t>(y) * stride_pixels;
                      for (int x = 0; x < width; ++x, row += channels) {
                        const uint32_t p = src[x];
                        row[0] = static_cast<png_byte>(p >> 16);  // R
                        row[1] = static_cast<png_byte>(p >> 8);   // G
                        row[2] = static_cast<png_byte>(p);        // B
                        if (with_alpha) row[3] = static_cast<png_byte>(p >> 24);
                      }
                    });
}

bool write_png_grey(const char* path, int width, int height, const uint8_t* pixels, int stride_bytes) {
  return write_rows(path, width, height, PNG_COLOR_TYPE_GRAY, 1, [&](int y, png_byte* row) {
    const uint8_t* src = pixels + static_cast<ptrdiff_t>(y) * stride_bytes;
    for (int x = 0; x < width; ++x) row[x] = src[x];
  });
}

bool read_png(const char* path, int* width, int* height, std::vector<uint32_t>* pixels) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path)) return false;
  image.format = PNG_FORMAT_BGRA;  // bytes B, G, R, A: one little-endian word per pixel
  std::vector<uint32_t> buffer(static_cast<size_t>(image.width) * image.height);
  if (!png_image_finish_read(&image, nullptr, buffer.data(), 0, nullptr)) {
    png_image_free(&image);
    return false;
  }
  *width = static_cast<int>(image.width);
  *height = static_cast<int>(image.height);
  *pixels = std::move(buffer);
  return true;
}
