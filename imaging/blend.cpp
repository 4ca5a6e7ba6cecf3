#include "imaging/image_view.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <memory>
#include <new>

PaintBox ComputePaintBox(const PaintBox& clip, int x, int y, int cx, int cy) {
  // x + cx may not fit an int; the clamp to the clip box brings it back in range.
  const int64_t xEnd = static_cast<int64_t>(x) + cx;
  const int64_t yEnd = static_cast<int64_t>(y) + cy;
  PaintBox box;
  // A clip box can only be inverted by a caller's mistake; it shows nothing.
  if (clip.right <= clip.left || clip.bottom <= clip.top) {
    box.left = box.right = clip.left;
    box.top = box.bottom = clip.top;
    return box;
  }
  box.top = std::min(clip.bottom, std::max(clip.top, y));
  box.left = std::min(clip.right, std::max(clip.left, x));
  box.right = std::max(clip.left, static_cast<int>(std::min<int64_t>(clip.right, xEnd)));
  box.bottom = std::max(clip.top, static_cast<int>(std::min<int64_t>(clip.bottom, yEnd)));
  if (box.right < box.left) box.right = box.left;
  if (box.bottom < box.top) box.bottom = box.top;
  return box;
}

bool NeedsBlending(const ImageView& image) {
  return image.transparencyIndex >= 0 || image.alpha != nullptr || image.alphaPaletteEnabled;
}

namespace {

// Everything a row kernel needs; the row loops below are what a vector version replaces.
struct Row {
  const uint8_t* src;    // the source row
  const uint8_t* alpha;  // the alpha plane's row, or null
  const int* columns;    // source column of each buffer column
  int count;             // buffer columns
  uint8_t* dst;          // the buffer row
};

struct BlendSettings {
  const uint8_t* palette;  // 256 entries, the ones past the image's palette all zero
  unsigned alphaScale;     // alpha maximum + 1
  int32_t transparentIndex;
  bool keyed;              // 24 bits: a colour can match the transparency colour
  uint8_t key[3];
  bool paletteAlpha;
};

template <int Bpp>
inline unsigned IndexAt(const uint8_t* row, int sx) {
  if constexpr (Bpp == 8) {
    return row[sx];
  } else if constexpr (Bpp == 4) {
    const unsigned byte = row[sx >> 1];
    return (sx & 1) ? (byte & 0x0F) : (byte >> 4);
  } else {
    return (row[sx >> 3] >> (7 - (sx & 7))) & 1u;
  }
}

inline void Mix(uint8_t* d, unsigned b, unsigned g, unsigned r, unsigned a) {
  if (a == 0) return;
  if (a == 255) {
    d[0] = static_cast<uint8_t>(b);
    d[1] = static_cast<uint8_t>(g);
    d[2] = static_cast<uint8_t>(r);
    return;
  }
  const unsigned rest = 255 - a;
  d[0] = static_cast<uint8_t>((b * a + d[0] * rest) >> 8);
  d[1] = static_cast<uint8_t>((g * a + d[1] * rest) >> 8);
  d[2] = static_cast<uint8_t>((r * a + d[2] * rest) >> 8);
}

template <int Bpp>
void BlendRowIndexed(const Row& row, const BlendSettings& s) {
  uint8_t* d = row.dst;
  for (int xx = 0; xx < row.count; ++xx, d += 3) {
    const int sx = row.columns[xx];
    const unsigned index = IndexAt<Bpp>(row.src, sx);
    if (static_cast<int32_t>(index) == s.transparentIndex) continue;
    const uint8_t* entry = s.palette + index * 4;
    unsigned a = row.alpha ? row.alpha[sx] : 255u;
    a = (a * s.alphaScale) >> 8;
    if (s.paletteAlpha) a = (a * (entry[3] + 1u)) >> 8;
    Mix(d, entry[0], entry[1], entry[2], a);
  }
}

void BlendRow24(const Row& row, const BlendSettings& s) {
  uint8_t* d = row.dst;
  for (int xx = 0; xx < row.count; ++xx, d += 3) {
    const int sx = row.columns[xx];
    const uint8_t* p = row.src + static_cast<size_t>(sx) * 3;
    if (s.keyed && p[0] == s.key[0] && p[1] == s.key[1] && p[2] == s.key[2]) continue;
    unsigned a = row.alpha ? row.alpha[sx] : 255u;
    a = (a * s.alphaScale) >> 8;
    Mix(d, p[0], p[1], p[2], a);
  }
}

template <int Bpp>
void CopyRowIndexed(const Row& row, const uint8_t* palette) {
  uint8_t* d = row.dst;
  for (int xx = 0; xx < row.count; ++xx, d += 3) {
    const uint8_t* entry = palette + IndexAt<Bpp>(row.src, row.columns[xx]) * 4;
    d[0] = entry[0];
    d[1] = entry[1];
    d[2] = entry[2];
  }
}

void CopyRow24(const Row& row) {
  uint8_t* d = row.dst;
  for (int xx = 0; xx < row.count; ++xx, d += 3) {
    const uint8_t* p = row.src + static_cast<size_t>(row.columns[xx]) * 3;
    d[0] = p[0];
    d[1] = p[1];
    d[2] = p[2];
  }
}

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
// against rounding at sizes no caller uses.
class SourceMap {
 public:
  SourceMap(const ImageView& image, int x, int y, int cx, int cy, const PaintBox& box)
      : width_(image.width),
        height_(image.height),
        natural_(cx == image.width && cy == image.height),
        fx_(static_cast<float>(image.width) / static_cast<float>(cx)),
        fy_(static_cast<float>(image.height) / static_cast<float>(cy)),
        left_(static_cast<int64_t>(box.left) - x),
        bottom_(static_cast<int64_t>(box.bottom) - y) {}

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
};

bool UsableImage(const ImageView& image) {
  if (image.bits == nullptr || image.width <= 0 || image.height <= 0) return false;
  const int bpp = image.bitsPerPixel;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24) return false;
  const int64_t minStride = (static_cast<int64_t>(image.width) * bpp + 31) / 32 * 4;
  return image.stride >= minStride;
}

// The checks both kernels share; on success `columns` holds the column map.
bool Prepare(const ImageView& image, int cx, int cy, const PaintBox& box, const Surface24& buffer,
             std::unique_ptr<int[]>& columns) {
  if (!UsableImage(image) || cx <= 0 || cy <= 0 || buffer.bits == nullptr) return false;
  const int64_t w = static_cast<int64_t>(box.right) - box.left;
  const int64_t h = static_cast<int64_t>(box.bottom) - box.top;
  if (w <= 0 || h <= 0) return false;
  if (buffer.width < w || buffer.height < h || buffer.stride < w * 3) return false;
  columns.reset(new (std::nothrow) int[static_cast<size_t>(w)]);
  return columns != nullptr;
}

// The image's palette widened to 256 entries, so that any index reads black without a check.
void WidenPalette(const ImageView& image, uint8_t (&out)[256 * 4]) {
  std::memset(out, 0, sizeof out);
  if (image.palette == nullptr) return;
  const int count = std::min(std::max(image.paletteCount, 0), 256);
  std::memcpy(out, image.palette, static_cast<size_t>(count) * 4);
}

// Walks the buffer rows, bottom first, handing each with its source row to a row kernel.
struct Rows {
  const ImageView& image;
  const SourceMap& map;
  const int* columns;
  const PaintBox& box;
  Surface24& buffer;
  bool withAlpha;

  template <typename Kernel>
  void Run(Kernel kernel) const {
    const int w = box.Width();
    const int h = box.Height();
    for (int yy = 0; yy < h; ++yy) {
      const size_t sy = static_cast<size_t>(map.RowOf(yy));
      Row row;
      row.src = image.bits + sy * static_cast<size_t>(image.stride);
      row.alpha = withAlpha && image.alpha ? image.alpha + sy * static_cast<size_t>(image.width)
                                           : nullptr;
      row.columns = columns;
      row.count = w;
      row.dst = buffer.bits + static_cast<size_t>(yy) * static_cast<size_t>(buffer.stride);
      kernel(row);
    }
  }
};

}  // namespace

void BlendImage(const ImageView& image, int x, int y, int cx, int cy, const PaintBox& box,
                Surface24& buffer) {
  std::unique_ptr<int[]> columns;
  if (!Prepare(image, cx, cy, box, buffer, columns)) return;
  const SourceMap map(image, x, y, cx, cy, box);
  map.FillColumns(columns.get(), box.Width());

  uint8_t palette[256 * 4];
  WidenPalette(image, palette);
  BlendSettings s;
  s.palette = palette;
  s.alphaScale = image.alphaMax + 1u;
  s.transparentIndex = image.transparencyIndex;
  // The key's fourth byte is compared with 0, so a non-zero one never matches.
  s.keyed = image.transparencyIndex >= 0 && image.transparencyColor[3] == 0;
  s.key[0] = image.transparencyColor[0];
  s.key[1] = image.transparencyColor[1];
  s.key[2] = image.transparencyColor[2];
  s.paletteAlpha = image.alphaPaletteEnabled;

  const Rows rows{image, map, columns.get(), box, buffer, true};
  switch (image.bitsPerPixel) {
    case 1: rows.Run([&](const Row& r) { BlendRowIndexed<1>(r, s); }); break;
    case 4: rows.Run([&](const Row& r) { BlendRowIndexed<4>(r, s); }); break;
    case 8: rows.Run([&](const Row& r) { BlendRowIndexed<8>(r, s); }); break;
    default: rows.Run([&](const Row& r) { BlendRow24(r, s); }); break;
  }
}

void ResampleOpaque(const ImageView& image, int x, int y, int cx, int cy, const PaintBox& box,
                    Surface24& buffer) {
  std::unique_ptr<int[]> columns;
  if (!Prepare(image, cx, cy, box, buffer, columns)) return;
  const SourceMap map(image, x, y, cx, cy, box);
  map.FillColumns(columns.get(), box.Width());

  uint8_t palette[256 * 4];
  WidenPalette(image, palette);

  const Rows rows{image, map, columns.get(), box, buffer, false};
  switch (image.bitsPerPixel) {
    case 1: rows.Run([&](const Row& r) { CopyRowIndexed<1>(r, palette); }); break;
    case 4: rows.Run([&](const Row& r) { CopyRowIndexed<4>(r, palette); }); break;
    case 8: rows.Run([&](const Row& r) { CopyRowIndexed<8>(r, palette); }); break;
    default: rows.Run([](const Row& r) { CopyRow24(r); }); break;
  }
}
