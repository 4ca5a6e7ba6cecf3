#include "tools/harness/png_file.h"

#include <cstdio>
#include <vector>

#include "testing/png_writer.h"

bool SavePng(const wchar_t* path, const uint32_t* pixels, int width, int height) {
  if (width <= 0 || height <= 0) return false;
  std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
  for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
    rgb[3 * i] = static_cast<uint8_t>(pixels[i] >> 16);
    rgb[3 * i + 1] = static_cast<uint8_t>(pixels[i] >> 8);
    rgb[3 * i + 2] = static_cast<uint8_t>(pixels[i]);
  }
  PngDescription d;
  d.width = static_cast<uint32_t>(width);
  d.height = static_cast<uint32_t>(height);
  d.colorType = 2;
  d.rows = rgb.data();
  const std::vector<uint8_t> bytes = WritePng(d);
  if (bytes.empty()) return false;
  FILE* file = _wfopen(path, L"wb");
  if (file == nullptr) return false;
  const bool written = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return fclose(file) == 0 && written;
}
