// A DIB section selected into its own memory context, for reading back exactly what GDI, the
// drawing kernels or the page drew.
#pragma once

#include <windows.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "util/scoped_gdi.h"

enum class DibLayout {
  TopDown32,   // blue, green, red, unused; what prints and screen captures are compared in
  BottomUp24,  // the kind of surface the page paints into, whose rows the kernels blend
};

class DibCanvas {
 public:
  DibCanvas(int width, int height, DibLayout layout = DibLayout::TopDown32);
  // Filled with 0x00RRGGBB.
  DibCanvas(int width, int height, DibLayout layout, uint32_t rgb) : DibCanvas(width, height, layout) { Fill(rgb); }
  DibCanvas(const DibCanvas&) = delete;
  DibCanvas& operator=(const DibCanvas&) = delete;

  HDC Dc() const { return dc_.Get(); }
  int Width() const { return width_; }
  int Height() const { return height_; }
  int Stride() const { return stride_; }
  // The pixels of a TopDown32 canvas, top row first; call GdiFlush before reading what GDI drew.
  uint32_t* Bits() const { return static_cast<uint32_t*>(bits_); }
  // Every row as the section stores it, Stride() bytes each.
  std::vector<uint8_t> Rows() const;
  void SetRows(const std::vector<uint8_t>& rows);

  // 0x00RRGGBB in every pixel; a TopDown32 canvas also takes the top byte.
  void Fill(uint32_t rgb);
  // 0x00RRGGBB of pixel (x, y), y counted from the top; 0xFFFFFFFF outside the canvas.
  uint32_t Pixel(int x, int y) const;
  // Copies a window's client pixels into the canvas at (0, 0).
  void CaptureClient(HWND window);

  // How many pixels of `area` have colour `rgb`, or another one.
  int Count(const RECT& area, uint32_t rgb) const;
  int CountOtherThan(const RECT& area, uint32_t rgb) const;
  // How many pixels of `area` differ from the same pixels of `other`.
  int CountDifferent(const DibCanvas& other, const RECT& area) const;
  // Bounding box of the pixels of `area` that have colour `rgb`, or another one; empty when none.
  RECT InkBox(const RECT& area, uint32_t rgb) const;
  RECT BoxOtherThan(const RECT& area, uint32_t rgb) const;

 private:
  uint8_t* At(int x, int y) const;
  int width_;
  int height_;
  DibLayout layout_;
  int stride_;
  void* bits_ = nullptr;
  ScopedBitmap bitmap_;
  ScopedMemoryDC dc_;
  ScopedSelect selection_;
};

// A dark pixel: text ink on the page's light grounds.
bool IsInk(uint32_t rgb);
// Columns of the leftmost and rightmost ink in `area`; left > right when there is none.
std::pair<int, int> InkSpan(const DibCanvas& canvas, const RECT& area);
