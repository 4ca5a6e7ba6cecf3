// Screenshots as plain pixels, and what scenarios ask of them: colour probes, comparisons,
// thumbnails and the contact sheet's layout. Platform-free.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/harness/scenario.h"

// 0x00RRGGBB, top-down rows, which is also how a 32-bit top-down DIB holds its pixels.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;

  Image() = default;
  Image(int w, int h, uint32_t fill = 0) : width(w), height(h), pixels(static_cast<size_t>(w) * h, fill) {}
  bool Empty() const { return width <= 0 || height <= 0; }
  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  uint32_t& At(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
};

uint32_t PackRgb(Rgb color);
// Every channel within `tolerance` of the colour's.
bool NearColor(uint32_t pixel, Rgb color, int tolerance);

// `rect` clipped to the image, possibly empty.
PixelRect ClipRect(const PixelRect& rect, int width, int height);
PixelRect Offset(const PixelRect& rect, int dx, int dy);

// Pixels of `rect` within `tolerance` of `color`.
int64_t CountNear(const Image& image, const PixelRect& rect, Rgb color, int tolerance);

struct RegionDifference {
  int64_t count = 0;  // pixels that differ by more than the tolerance in some channel
  int firstX = -1;    // the first of them in reading order, in image coordinates
  int firstY = -1;
  uint32_t was = 0;
  uint32_t now = 0;
};

// Compares `rect` of two images of the same size.
RegionDifference CompareRegion(const Image& before, const Image& now, const PixelRect& rect, int tolerance);

// The mean of the source pixels under each target pixel, so text stays legible when shrunk.
Image Downscale(const Image& source, int width, int height);

// Copies `source` into `target` with its top-left corner at (x, y), clipped.
void Paste(Image& target, const Image& source, int x, int y);
void FillRect(Image& target, const PixelRect& rect, uint32_t color);
void FrameRect(Image& target, const PixelRect& rect, int thickness, uint32_t color);

// Thumbnails in rows, each with a caption band below it.
struct SheetLayout {
  int width = 0;
  int height = 0;
  std::vector<PixelRect> thumbs;
  std::vector<PixelRect> captions;
};
SheetLayout LayOutSheet(int count, int thumbWidth, int thumbHeight, int columns, int captionHeight, int gap);
