// PNG reading and writing through libpng. Writes go to an OutputFile, put in place only when
// complete; libpng's own messages are kept out of stderr and turned into the one-line error.
#include "platform/png.h"

#include <png.h>
#include <unistd.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/output_file.h"

namespace {

// What the write callbacks report back.
struct WriteState {
  int fd = -1;
  int error_number = 0;  // errno of the failed write, 0 for libpng's own failures
  std::string message;   // libpng's message
};

void write_data(png_structp png, png_bytep data, png_size_t length) {
  auto* state = static_cast<WriteState*>(png_get_io_ptr(png));
  while (length > 0) {
    const ssize_t n = ::write(state->fd, data, length);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      state->error_number = n < 0 ? errno : ENOSPC;
      png_error(png, "write failed");
    }
    data += n;
    length -= size_t(n);
  }
}

void flush_data(png_structp) {}

void on_error(png_structp png, png_const_charp message) {
  auto* state = static_cast<WriteState*>(png_get_error_ptr(png));
  if (state->message.empty()) state->message = message;
  png_longjmp(png, 1);
}

void on_warning(png_structp, png_const_charp) {}

// Rows handed to libpng, each converted by fill_row into `row`.
template <typename FillRow>
bool write_rows(const char* path, int width, int height, int colour_type, int channels, std::string* error,
                FillRow fill_row) {
  if (width <= 0 || height <= 0) {
    if (error) *error = std::string("cannot write ") + path + ": the picture is empty";
    return false;
  }
  OutputFile file;
  if (!file.open(path, error)) return false;
  WriteState state;
  state.fd = file.fd();
  volatile bool ok = false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &state, on_error, on_warning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  std::vector<png_byte> row(static_cast<size_t>(width) * channels);
  if (png && info && !setjmp(png_jmpbuf(png))) {
    png_set_write_fn(png, &state, write_data, flush_data);
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
  if (!ok) {
    if (error)
      *error = state.error_number ? write_error(path, state.error_number)
                                  : std::string("cannot write ") + path + ": " +
                                        (state.message.empty() ? "out of memory" : state.message);
    return false;
  }
  return file.commit(error);
}

}  // namespace

bool write_png(const char* path, int width, int height, const uint32_t* pixels, int stride_pixels,
               bool with_alpha, std::string* error) {
  const int channels = with_alpha ? 4 : 3;
  return write_rows(path, width, height, with_alpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, channels,
                    error, [&](int y, png_byte* row) {
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

bool write_png_grey(const char* path, int width, int height, const uint8_t* pixels, int stride_bytes,
                    std::string* error) {
  return write_rows(path, width, height, PNG_COLOR_TYPE_GRAY, 1, error, [&](int y, png_byte* row) {
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
