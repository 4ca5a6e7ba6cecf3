// Encodes small PNGs for decoder tests, so each test states the exact colour type, depth,
// transparency and chunks it needs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct PngMaker {
  uint32_t width = 1;
  uint32_t height = 1;
  int colorType = 6;  // PNG colour type: 0 grey, 2 RGB, 3 palette, 4 grey + alpha, 6 RGBA
  int bitDepth = 8;
  bool interlaced = false;
  // Rows top first, each packed exactly as PNG stores it (high byte first for 16 bits).
  std::vector<uint8_t> rows;
  std::vector<uint8_t> palette;    // red, green, blue per entry
  std::vector<uint8_t> trnsAlpha;  // palette images
  bool trnsColor = false;          // grey and RGB images
  uint16_t trnsGray = 0, trnsRed = 0, trnsGreen = 0, trnsBlue = 0;
  bool phys = false;
  uint32_t physX = 0, physY = 0;
  int physUnit = 0;  // 0 unknown, 1 metre

  // Bytes per PNG row for the current width, type and depth.
  size_t RowBytes() const;
  // Empty for a description PNG cannot hold.
  std::vector<uint8_t> Encode() const;
};
