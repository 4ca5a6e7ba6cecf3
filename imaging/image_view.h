// The pixel kernels of image drawing, over plain buffers: no device context, no allocation
// per pixel or per row. The device-context side wraps them in a few calls.
#pragma once

#include <cstdint>

// A read-only look at an image's pixels and drawing settings.
struct ImageView {
  const uint8_t* bits = nullptr;  // rows bottom-up, `stride` bytes apart
  int width = 0;
  int height = 0;
  int bitsPerPixel = 0;                         // 1, 4, 8 or 24
  int stride = 0;                               // ((width * bitsPerPixel + 31) / 32) * 4
  const uint8_t* palette = nullptr;             // blue, green, red, reserved per entry
  int paletteCount = 0;                         // 2, 16 or 256; 0 for 24 bits
  const uint8_t* alpha = nullptr;               // width * height bytes, rows bottom-up and packed; or none
  int32_t transparencyIndex = -1;               // < 0: no transparent colour
  uint8_t transparencyColor[4] = {0, 0, 0, 0};  // blue, green, red, reserved
  uint8_t alphaMax = 255;
  bool alphaPaletteEnabled = false;
};

// A 24-bit working surface: rows bottom-up (row 0 is the bottom line), blue, green, red.
struct Surface24 {
  uint8_t* bits = nullptr;
  int width = 0;
  int height = 0;
  int stride = 0;  // ((24 * width + 31) / 32) * 4
};

// A 32-bit working surface: rows bottom-up, blue, green, red and a fourth byte per pixel.
// Blue, green and red come out exactly as in a Surface24 drawn the same way. The fourth byte
// blends as a fourth channel whose source is 0: a kept pixel keeps it, a pixel that takes its
// source (alpha 255, and every pixel ResampleOpaque writes) gets 0, one in between
// (byte * (255 - a)) >> 8. So fourth bytes that are 0 stay 0.
struct Surface32 {
  uint8_t* bits = nullptr;
  int width = 0;
  int height = 0;
  int stride = 0;  // at least 4 * width
};

// A rectangle in target coordinates, right and bottom exclusive.
struct PaintBox {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
};

inline int Stride24(int width) { return ((24 * width + 31) / 32) * 4; }
inline int Stride32(int width) { return 4 * width; }

// The part of the destination (x, y, cx, cy) inside the clip box; empty when none is.
PaintBox ComputePaintBox(const PaintBox& clip, int x, int y, int cx, int cy);

// Whether a draw must read and blend the target: a transparent colour, an alpha plane or
// palette alpha. Otherwise the image is copied opaquely.
bool NeedsBlending(const ImageView& image);

// Blends the image, drawn at (x, y) with size cx x cy, into `buffer`, which holds the target's
// pixels of `box` (box.Width() x box.Height()). Natural size maps pixels one to one; any other
// size takes the nearest source pixel.
void BlendImage(const ImageView& image, int x, int y, int cx, int cy, const PaintBox& box, Surface24& buffer);
void BlendImage(const ImageView& image, int x, int y, int cx, int cy, const PaintBox& box, Surface32& buffer);

// Fills `buffer` (the size of `box`) with the image resampled to cx x cy at (x, y), ignoring
// alpha and transparency and never reading the buffer.
void ResampleOpaque(const ImageView& image, int x, int y, int cx, int cy, const PaintBox& box, Surface24& buffer);
void ResampleOpaque(const ImageView& image, int x, int y, int cx, int cy, const PaintBox& box, Surface32& buffer);
