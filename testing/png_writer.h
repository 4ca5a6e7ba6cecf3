// Writes PNG files straight with zlib: the tests' crafted pictures and the harness's
// screenshots. The module's libpng is built without its writer, which only these needed.
// Platform-free.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct PngDescription {
  uint32_t width = 0;
  uint32_t height = 0;
  int colorType = 6;  // 0 grey, 2 RGB, 3 palette, 4 grey + alpha, 6 RGBA
  int bitDepth = 8;
  bool interlaced = false;               // Adam7
  const uint8_t* rows = nullptr;         // top first, each packed exactly as PNG stores it
  std::vector<uint8_t> palette;          // PLTE: red, green, blue per entry
  std::vector<uint8_t> transparency;     // tRNS, as stored
  std::vector<uint8_t> physicalDensity;  // pHYs, as stored (9 bytes), or none
};

// Bytes per stored row of `width` pixels.
size_t PngRowBytes(uint32_t width, int colorType, int bitDepth);
// The file: signature, IHDR, PLTE, tRNS, pHYs (those given), one IDAT with every row
// unfiltered, IEND. Empty for a colour type and depth PNG does not have.
std::vector<uint8_t> WritePng(const PngDescription& description);
