// The draws every path is built from: the checks, the column map, the drawing rules' alpha
// and the rows of BlendImage and ResampleOpaque, over a path's chunk operations (Ops). Included
// by each path's file (blend_portable.cpp, blend_sse2.cpp, blend_ssse3.cpp), which compiles
// its own copy with its own flags: everything here has internal linkage, so the linker can
// never hand code outside a path a copy built for that path's instruction set.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <optional>

#include "imaging/blend_kernels.h"
#include "imaging/blend_map.h"
#include "imaging/blend_span.h"
#include "imaging/image_view.h"

// Everything a path's draw calls is inlined into it, so that none of it, the standard
// library's inline functions included, is left out of line for another file to share.
#if defined(__GNUC__)
#define PAGE_FLATTEN __attribute__((flatten))
#else
#define PAGE_FLATTEN
#endif

namespace blend {
namespace {

inline bool UsableImage(const ImageView& image) {
  if (image.bits == nullptr || image.width <= 0 || image.height <= 0) return false;
  const int bpp = image.bitsPerPixel;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24) return false;
  const int64_t minStride = (static_cast<int64_t>(image.width) * bpp + 31) / 32 * 4;
  return image.stride >= minStride;
}

template <class Surface>
bool Drawable(const ImageView& image, int cx, int cy, const PaintBox& box, const Surface& buffer, int pixelBytes) {
  if (!UsableImage(image) || cx <= 0 || cy <= 0 || buffer.bits == nullptr) return false;
  const int64_t w = static_cast<int64_t>(box.right) - box.left;
  const int64_t h = static_cast<int64_t>(box.bottom) - box.top;
  if (w <= 0 || h <= 0) return false;
  return buffer.width >= w && buffer.height >= h && buffer.stride >= w * pixelBytes;
}

// The image's palette as blue | green << 8 | red << 16, widened to 256 entries so that any
// index reads black without a check.
inline void PaletteTable(const ImageView& image, uint32_t (&out)[256]) {
  std::memset(out, 0, sizeof out);
  if (image.palette == nullptr) return;
  const int count = std::min(std::max(image.paletteCount, 0), 256);
  for (int i = 0; i < count; ++i) {
    const uint8_t* e = image.palette + 4 * i;
    out[i] = e[0] | static_cast<uint32_t>(e[1]) << 8 | static_cast<uint32_t>(e[2]) << 16;
  }
}

// Columns whose pixel can be read as 4 bytes without leaving its row.
inline int WideColumns(const ImageView& image) { return image.stride >= 4 ? (image.stride - 4) / 3 + 1 : 0; }

inline const uint8_t* SourceRow(const ImageView& image, int sy) {
  return image.bits + static_cast<size_t>(sy) * static_cast<size_t>(image.stride);
}

template <class Surface>
uint8_t* BufferRow(const Surface& buffer, int yy) {
  return buffer.bits + static_cast<size_t>(yy) * static_cast<size_t>(buffer.stride);
}

// Per-call working memory: the column map, one row of final alpha values and the shuffle
// controls of a stretch. Allocated once per draw, never per row.
class Scratch {
 public:
  bool ReserveColumns(int width) { return columns_.Reserve(static_cast<size_t>(width)); }
  bool ReserveAlpha(int width) { return alpha_.Reserve(static_cast<size_t>(width)); }
  bool ReserveShuffles(int width) { return shuffles_.Reserve(static_cast<size_t>(width) / kChunk + 1); }
  bool ReserveRuns(int count) { return runs_.Reserve(static_cast<size_t>(count)); }
  int* Columns() const { return columns_.Get(); }
  int* Runs() const { return runs_.Get(); }
  uint8_t* Alpha() const { return alpha_.Get(); }
  ChunkShuffle* Shuffles() const { return shuffles_.Get(); }

 private:
  // Draws up to this wide, as wide as the page's usually are, need no heap at all: a
  // repaint allocates nothing. Wider ones take their block from the heap once per draw, and
  // so does every draw under AddressSanitizer, whose exact blocks show any overread.
  static constexpr size_t kOnStack = 1024;
#if defined(__SANITIZE_ADDRESS__)
  static constexpr bool kStack = false;
#else
  static constexpr bool kStack = true;
#endif

  template <typename T, size_t N>
  class Block {
   public:
    bool Reserve(size_t count) {
      if (kStack && count <= N) {
        data_ = local_;
        return true;
      }
      heap_.reset(new (std::nothrow) T[count]);
      data_ = heap_.get();
      return data_ != nullptr;
    }
    T* Get() const { return data_; }

   private:
    T local_[N];
    std::unique_ptr<T[]> heap_;
    T* data_ = nullptr;
  };

  Block<int, kOnStack> columns_;
  Block<uint8_t, kOnStack> alpha_;
  Block<ChunkShuffle, kOnStack / kChunk + 1> shuffles_;
  Block<int, kOnStack> runs_;
};

// Where the runs of equal source columns of a row end, when an enlargement makes them long:
// then a 32-bit row is filled a register at a time. Empty for anything else.
struct ColumnRuns {
  const int* ends = nullptr;
  int count = 0;
};

inline ColumnRuns LongRuns(const int* columns, int width, Scratch& scratch) {
  constexpr int kLongRun = 8;  // on average; shorter ones go faster through the shuffles
  int count = 1;
  for (int k = 1; k < width; ++k) count += columns[k] != columns[k - 1];
  if (count * kLongRun > width || !scratch.ReserveRuns(count)) return {};
  int* ends = scratch.Runs();
  int j = 0;
  for (int k = 1; k < width; ++k) {
    if (columns[k] != columns[k - 1]) ends[j++] = k;
  }
  ends[j] = width;
  return ColumnRuns{ends, count};
}

// How the drawing rules turn a source pixel into the final alpha: the alpha maximum, the
// palette's alpha and the transparent index or colour, the last two as alpha 0.
struct AlphaRules {
  uint8_t scaled[256];    // a -> (a * (alpha maximum + 1)) >> 8
  uint16_t byIndex[256];  // palette images: 0 transparent, entry alpha + 1, or 256
  bool keyed = false;     // 24 bits: pixels of the transparency colour are clear
  uint32_t key = 0;

  explicit AlphaRules(const ImageView& image) {
    const unsigned scale = image.alphaMax + 1u;
    for (unsigned a = 0; a < 256; ++a) scaled[a] = static_cast<uint8_t>((a * scale) >> 8);
    const int count = image.palette ? std::min(std::max(image.paletteCount, 0), 256) : 0;
    for (int i = 0; i < 256; ++i) {
      // Entries past the palette read as all zero, their alpha byte too.
      const unsigned entryAlpha = i < count ? image.palette[4 * i + 3] : 0u;
      byIndex[i] = static_cast<uint16_t>(image.alphaPaletteEnabled ? entryAlpha + 1 : 256);
      if (i == image.transparencyIndex) byIndex[i] = 0;
    }
    // The key's fourth byte is compared with 0, so a non-zero one never matches.
    keyed = image.bitsPerPixel == 24 && image.transparencyIndex >= 0 && image.transparencyColor[3] == 0;
    key = image.transparencyColor[0] | static_cast<uint32_t>(image.transparencyColor[1]) << 8 |
          static_cast<uint32_t>(image.transparencyColor[2]) << 16;
  }
};

// Final alpha of one row of buffer pixels; the colour sources double as pixel readers.
inline void GatherAlpha24(const BgrSource& colour, const uint8_t* plane, const int* columns, int count,
                          const AlphaRules& rules, uint8_t* out) {
  for (int k = 0; k < count; ++k) {
    const int sx = columns[k];
    unsigned a = rules.scaled[plane ? plane[sx] : 255];
    if (rules.keyed && (colour.Fetch(sx) & 0xFFFFFFu) == rules.key) a = 0;
    out[k] = static_cast<uint8_t>(a);
  }
}

template <int Bpp>
void GatherAlphaIndexed(const uint8_t* row, const uint8_t* plane, const int* columns, int count,
                        const AlphaRules& rules, uint8_t* out) {
  for (int k = 0; k < count; ++k) {
    const int sx = columns[k];
    const unsigned a = rules.scaled[plane ? plane[sx] : 255];
    out[k] = static_cast<uint8_t>((a * rules.byIndex[IndexedSource<Bpp>::IndexAt(row, sx)]) >> 8);
  }
}

// The page's pictures at their own size: alpha and colour rows read in place, one below the
// other.
template <class Ops, class Surface>
void BlendFinalPlaneInPlace(const ImageView& image, const SourceMap& map, int w, int h, Surface& buffer) {
  const size_t first = static_cast<size_t>(map.First());
  const int bottom = map.RowOf(0);
  for (int yy = 0; yy < h; ++yy) {
    const size_t sy = static_cast<size_t>(bottom + yy);
    BlendSpan<Ops>(image.alpha + sy * static_cast<size_t>(image.width) + first,
                   InPlaceColours{SourceRow(image, static_cast<int>(sy)) + 3 * first}, BufferRow(buffer, yy), w);
  }
}

// The final alpha of one row's buffer pixels, by the drawing rules.
inline void GatherRowAlpha(const ImageView& image, const uint8_t* src, const uint8_t* plane, const int* columns, int w,
                           int wide, const AlphaRules& rules, uint8_t* out) {
  switch (image.bitsPerPixel) {
    case 1:
      GatherAlphaIndexed<1>(src, plane, columns, w, rules, out);
      break;
    case 4:
      GatherAlphaIndexed<4>(src, plane, columns, w, rules, out);
      break;
    case 8:
      GatherAlphaIndexed<8>(src, plane, columns, w, rules, out);
      break;
    default:
      GatherAlpha24(BgrSource{src, wide}, plane, columns, w, rules, out);
      break;
  }
}

// One row's colours by its final alpha; a 24-bit row in place starts at source column `first`.
template <class Ops>
void BlendRowColours(const ImageView& image, const uint8_t* alpha, const uint8_t* src, const int* columns,
                     const uint32_t* palette, int wide, bool inPlace, int first, uint8_t* dst, int w) {
  switch (image.bitsPerPixel) {
    case 1:
      BlendSpan<Ops>(alpha, MappedColours<IndexedSource<1>>{{src, palette}, columns}, dst, w);
      break;
    case 4:
      BlendSpan<Ops>(alpha, MappedColours<IndexedSource<4>>{{src, palette}, columns}, dst, w);
      break;
    case 8:
      BlendSpan<Ops>(alpha, MappedColours<IndexedSource<8>>{{src, palette}, columns}, dst, w);
      break;
    default:
      if (inPlace) {
        BlendSpan<Ops>(alpha, InPlaceColours{src + 3 * static_cast<size_t>(first)}, dst, w);
      } else {
        BlendSpan<Ops>(alpha, MappedColours<BgrSource>{{src, wide}, columns}, dst, w);
      }
      break;
  }
}

// Every other draw: the source of each buffer column through the column map, each row's final
// alpha gathered by the drawing rules; a final plane stretched on a path with shuffles gathers
// alpha and colours a chunk at a time instead.
template <class Ops, class Surface>
void BlendMapped(const ImageView& image, const SourceMap& map, int w, int h, bool inPlace, bool finalPlane,
                 Surface& buffer) {
  Scratch scratch;
  if (!scratch.ReserveColumns(w)) return;
  map.FillColumns(scratch.Columns(), w);
  bool shuffled = false;
  // A final plane comes here only when it is not in place.
  if (Ops::kShuffles && finalPlane) {
    shuffled = scratch.ReserveShuffles(w) && BuildShuffles(scratch.Columns(), w, image.width, scratch.Shuffles());
  }
  std::optional<AlphaRules> rules;  // only draws that gather alpha need them
  if (!shuffled) {
    if (!scratch.ReserveAlpha(w)) return;
    rules.emplace(image);
  }
  const int* columns = scratch.Columns();
  uint32_t palette[256];
  if (image.bitsPerPixel != 24) PaletteTable(image, palette);
  const int wide = WideColumns(image);

  int gatheredRow = -1;  // the source row whose alpha the scratch row holds
  for (int yy = 0; yy < h; ++yy) {
    const int sy = map.RowOf(yy);
    const uint8_t* src = SourceRow(image, sy);
    const uint8_t* plane =
        image.alpha ? image.alpha + static_cast<size_t>(sy) * static_cast<size_t>(image.width) : nullptr;
    uint8_t* dst = BufferRow(buffer, yy);
    if constexpr (Ops::kShuffles) {
      if (shuffled) {
        Ops::BlendRowShuffled(plane, MappedColours<BgrSource>{{src, wide}, columns}, scratch.Shuffles(), dst, w);
        continue;
      }
    }
    // Rows repeated by a vertical stretch have the same alpha.
    if (sy != gatheredRow) {
      gatheredRow = sy;
      GatherRowAlpha(image, src, plane, columns, w, wide, *rules, scratch.Alpha());
    }
    BlendRowColours<Ops>(image, scratch.Alpha(), src, columns, palette, wide, inPlace, map.First(), dst, w);
  }
}

template <class Ops, class Surface>
PAGE_FLATTEN void BlendWith(const ImageView& image, int x, int y, int cx, int cy, const PaintBox& box,
                            Surface& buffer) {
  if (!Drawable(image, cx, cy, box, buffer, Ops::kBytes)) return;
  const SourceMap map(image, x, y, cx, cy, box);
  const bool inPlace = map.InPlace() && image.bitsPerPixel == 24;
  // The page's pictures: 24 bits with an alpha plane and nothing else that changes alpha.
  const bool finalPlane = image.bitsPerPixel == 24 && image.alpha != nullptr && image.alphaMax == 255 &&
                          !(image.transparencyIndex >= 0 && image.transparencyColor[3] == 0);
  if (inPlace && finalPlane) {
    BlendFinalPlaneInPlace<Ops>(image, map, box.Width(), box.Height(), buffer);
  } else {
    BlendMapped<Ops>(image, map, box.Width(), box.Height(), inPlace, finalPlane, buffer);
  }
}

template <class Ops, class Source>
void CopyMapped(const Source& source, const int* columns, int count, const ColumnRuns& runs, uint8_t* dst) {
  if constexpr (Ops::kBytes == 4) {
    if (runs.count > 0) {
      int start = 0;
      for (int j = 0; j < runs.count; ++j) {
        Ops::Fill(dst + 4 * start, source.Pixel(columns[start]), runs.ends[j] - start);
        start = runs.ends[j];
      }
      return;
    }
  }
  MappedColours<Source>{source, columns}.template Copy<Ops>(0, count, dst);
}

template <class Ops, class Surface>
PAGE_FLATTEN void ResampleWith(const ImageView& image, int x, int y, int cx, int cy, const PaintBox& box,
                               Surface& buffer) {
  if (!Drawable(image, cx, cy, box, buffer, Ops::kBytes)) return;
  const SourceMap map(image, x, y, cx, cy, box);
  const int w = box.Width();
  const int h = box.Height();
  const bool inPlace = map.InPlace() && image.bitsPerPixel == 24;
  const bool tryShuffles = Ops::kShuffles && !inPlace && image.bitsPerPixel == 24;
  Scratch scratch;
  bool shuffled = false;
  ColumnRuns runs;
  if (!inPlace) {
    if (!scratch.ReserveColumns(w)) return;
    map.FillColumns(scratch.Columns(), w);
    if constexpr (Ops::kBytes == 4) runs = LongRuns(scratch.Columns(), w, scratch);
    shuffled = runs.count == 0 && tryShuffles && scratch.ReserveShuffles(w) &&
               BuildShuffles(scratch.Columns(), w, image.width, scratch.Shuffles());
  }
  const int* columns = scratch.Columns();
  uint32_t palette[256];
  if (image.bitsPerPixel != 24) PaletteTable(image, palette);
  const int wide = WideColumns(image);

  const size_t rowBytes = Ops::kBytes * static_cast<size_t>(w);
  int previous = -1;
  for (int yy = 0; yy < h; ++yy) {
    const int sy = map.RowOf(yy);
    uint8_t* dst = BufferRow(buffer, yy);
    // A row the vertical stretch repeats is the row below it again.
    if (sy == previous) {
      std::memcpy(dst, BufferRow(buffer, yy - 1), rowBytes);
      continue;
    }
    previous = sy;
    const uint8_t* src = SourceRow(image, sy);
    if constexpr (Ops::kShuffles) {
      if (shuffled) {
        Ops::CopyRowShuffled(MappedColours<BgrSource>{{src, wide}, columns}, scratch.Shuffles(), dst, w);
        continue;
      }
    }
    switch (image.bitsPerPixel) {
      case 1:
        CopyMapped<Ops>(IndexedSource<1>{src, palette}, columns, w, runs, dst);
        break;
      case 4:
        CopyMapped<Ops>(IndexedSource<4>{src, palette}, columns, w, runs, dst);
        break;
      case 8:
        CopyMapped<Ops>(IndexedSource<8>{src, palette}, columns, w, runs, dst);
        break;
      default:
        if (!inPlace) {
          CopyMapped<Ops>(BgrSource{src, wide}, columns, w, runs, dst);
        } else if constexpr (Ops::kBytes == 3) {
          std::memcpy(dst, src + 3 * static_cast<size_t>(map.First()), rowBytes);
        } else {
          Ops::Widen(src + 3 * static_cast<size_t>(map.First()), w, dst);
        }
        break;
    }
  }
}

// A path's table of draws, from its operations for each target layout.
template <class Ops24, class Ops32>
constexpr PathKernels KernelsWith() {
  return PathKernels{&BlendWith<Ops24, Surface24>, &BlendWith<Ops32, Surface32>, &ResampleWith<Ops24, Surface24>,
                     &ResampleWith<Ops32, Surface32>};
}

}  // namespace
}  // namespace blend
