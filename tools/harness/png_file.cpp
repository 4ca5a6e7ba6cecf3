#include "tools/harness/png_file.h"

#include <png.h>

#include <cstdio>
#include <vector>

namespace {

// libpng's error path jumps; nothing with a destructor lives in this frame.
bool WriteRows(FILE* file, png_bytep* rows, int width, int height) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool SavePng(const wchar_t* path, const uint32_t* pixels, int width, int height) {
  std::vector<png_byte> rgb(static_cast<size_t>(width) * height * 3);
  std::vector<png_bytep> rows(height);
  for (int y = 0; y < height; ++y) {
    png_bytep row = &rgb[static_cast<size_t>(y) * width * 3];
    rows[y] = row;
    for (int x = 0; x < width; ++x) {
      const uint32_t p = pixels[static_cast<size_t>(y) * width + x];
      row[3 * x] = static_cast<png_byte>(p >> 16);
      row[3 * x + 1] = static_cast<png_byte>(p >> 8);
      row[3 * x + 2] = static_cast<png_byte>(p);
    }
  }
  FILE* file = _wfopen(path, L"wb");
  if (file == nullptr) return false;
  const bool written = WriteRows(file, rows.data(), width, height);
  return fclose(file) == 0 && written;
}
