// Where each buffer pixel's source pixel is: the row and column maps of a draw, and the
// shuffle controls that gather a stretched chunk in one go. Made once per draw.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "imaging/blend_span.h"
#include "imaging/image_view.h"

namespace blend {
// Internal: each file that includes this compiles its own copy with its own flags.
namespace {

// A floored float coordinate as an index below `limit`; huge values must not reach the int
// conversion, which would be undefined.
inline int ToIndex(float floored, int limit) {
  if (!(floored > 0.0f)) return 0;
  if (floored >= 2147483648.0f) return limit - 1;
  return std::min(static_cast<int>(floored), limit - 1);
}

inline int ClampIndex(int64_t v, int limit) {
  return static_cast<int>(std::min<int64_t>(std::max<int64_t>(v, 0), limit - 1));
}

// Source row and column of each buffer pixel. All arithmetic of the stretched case is single
// precision so that results match the original renderer bit for bit; the clamps only guard
// against rounding at sizes no caller uses, and against boxes outside the destination.
class SourceMap {
 public:
  SourceMap(const ImageView& image, int x, int y, int cx, int cy, const PaintBox& box)
      : width_(image.width),
        height_(image.height),
        natural_(cx == image.width && cy == image.height),
        fx_(static_cast<float>(image.width) / static_cast<float>(cx)),
        fy_(static_cast<float>(image.height) / static_cast<float>(cy)),
        left_(static_cast<int64_t>(box.left) - x),
        bottom_(static_cast<int64_t>(box.bottom) - y),
        inside_(natural_ && box.left >= x && box.top >= y && static_cast<int64_t>(box.right) <= int64_t{x} + cx &&
                static_cast<int64_t>(box.bottom) <= int64_t{y} + cy) {}

  // Natural size with the box inside the destination: buffer column xx is source column
  // First() + xx, every one inside the image, so rows can be read in place.
  bool InPlace() const { return inside_; }
  int First() const { return static_cast<int>(left_); }

  void FillColumns(int* columns, int count) const {
    for (int xx = 0; xx < count; ++xx) {
      const int64_t dest = left_ + xx;
      if (natural_) {
        columns[xx] = ClampIndex(dest, width_);
      } else {
        const float dx = static_cast<float>(dest) * fx_;
        columns[xx] = ToIndex(std::floor(dx), width_);
      }
    }
  }

  int RowOf(int yy) const {
    if (natural_) return ClampIndex(height_ - bottom_ + yy, height_);
    const float up = static_cast<float>(bottom_ - yy) * fy_;
    const float dy = static_cast<float>(height_) - up;
    return ToIndex(std::floor(dy), height_);
  }

 private:
  int width_;
  int height_;
  bool natural_;
  float fx_;
  float fy_;
  int64_t left_;
  int64_t bottom_;
  bool inside_;
};

// Shuffle controls for every whole chunk of a stretched row: true when each chunk's alpha
// and each 16 bytes of its colour come from one 16-byte load inside the source row, as in any
// enlargement; a reduction spreads wider and goes pixel by pixel.
inline bool BuildShuffles(const int* columns, int count, int width, ChunkShuffle* out) {
  // The row's last pixels are drawn as one more whole chunk: a row needs one.
  if (width < kChunk || count < kChunk) return false;
  auto control = [](int offset, uint8_t& to) {
    if (offset < 0 || offset >= 16) return false;
    to = static_cast<uint8_t>(offset);
    return true;
  };
  for (int j = 0; j < count / kChunk; ++j) {
    const int* c = columns + kChunk * j;
    ChunkShuffle& s = out[j];
    s.alphaBase = std::min(c[0], width - kChunk);
    for (int k = 0; k < kChunk; ++k) {
      if (!control(c[k] - s.alphaBase, s.alphaControl[k])) return false;
    }
    // Byte b of the chunk's colour is byte b % 3 of pixel b / 3.
    auto byteOf = [c](int b) { return 3 * c[b / 3] + b % 3; };
    for (int r = 0; r < 3; ++r) {
      // A repeated pixel starts again at its blue byte, below the byte before it.
      int lowest = byteOf(16 * r);
      for (int k = 1; k < 16; ++k) lowest = std::min(lowest, byteOf(16 * r + k));
      s.colourBase[r] = std::min(lowest, 3 * width - 16);
      for (int k = 0; k < 16; ++k) {
        if (!control(byteOf(16 * r + k) - s.colourBase[r], s.colourControl[r][k])) return false;
      }
    }
  }
  return true;
}

}  // namespace
}  // namespace blend
