// One buffer row of a blend: runs of clear pixels are skipped, runs of opaque ones copied,
// the rest blended 16 at a time by the chunk operations of a path (blend_portable.h,
// blend_sse2.h). Where the colours come from is a policy, so that the natural-size draw
// reads the source row in place and the others gather through the column map. Colours are
// gathered 3 bytes a pixel; the operations write the target's own layout (Ops::kBytes).
#pragma once

#include <cstdint>
#include <cstring>

#include "imaging/blend_portable.h"

// Pixels move as little-endian words (blue in the low byte), as on every target the module
// is built for.
#if defined(__BYTE_ORDER__)
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the blend kernels assume little-endian words");
#endif

namespace blend {
// Internal: each file that includes this compiles its own copy with its own flags.
namespace {

constexpr int kChunk = 16;
// Room for a gathered chunk: whole 4-byte stores, the last one a byte past 16 pixels.
constexpr int kChunkBytes = kChunk * 3 + 4;

// Where the 16 pixels of one buffer chunk come from in a stretched source row: a 16-byte load
// at a base offset and a byte shuffle, for the alpha row and for each 16 bytes of colour.
struct ChunkShuffle {
  int alphaBase;
  int colourBase[3];
  uint8_t alphaControl[16];
  uint8_t colourControl[3][16];
};

inline void Store4(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }
inline void Store3(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
}

// Copies of a few dozen bytes are the common case at the edges of shapes: 16-byte moves,
// the last one ending at the end and overlapping the one before, beat a library call.
inline void CopyBytes(uint8_t* dst, const uint8_t* src, size_t bytes) {
  if (bytes < 16) {
    // Whole pixels, 3 to 15 bytes: two overlapping moves of the widest size that fits.
    if (bytes >= 8) {
      std::memcpy(dst, src, 8);
      std::memcpy(dst + bytes - 8, src + bytes - 8, 8);
    } else if (bytes >= 4) {
      std::memcpy(dst, src, 4);
      std::memcpy(dst + bytes - 4, src + bytes - 4, 4);
    } else {
      std::memcpy(dst, src, bytes);
    }
    return;
  }
  for (size_t k = 0; k + 16 < bytes; k += 16) std::memcpy(dst + k, src + k, 16);
  std::memcpy(dst + bytes - 16, src + bytes - 16, 16);
}

// Pixel i of the row at bgr + 3 * i: the natural-size draw of a 24-bit image.
struct InPlaceColours {
  const uint8_t* bgr;

  const uint8_t* Chunk(int i, int, uint8_t*) const { return bgr + 3 * i; }
  void Gather(int i, int n, uint8_t* out) const { std::memcpy(out, bgr + 3 * i, 3 * static_cast<size_t>(n)); }
  // Pixels i to i + n - 1 into the target row's pixels from dst on.
  template <class Ops>
  void Copy(int i, int n, uint8_t* dst) const {
    if constexpr (Ops::kBytes == 3) {
      CopyBytes(dst, bgr + 3 * i, 3 * static_cast<size_t>(n));
    } else {
      Ops::Widen(bgr + 3 * i, n, dst);
    }
  }
};

// Pixel i's colour is Fetch(columns[i]) as blue | green << 8 | red << 16; gathered with
// 4-byte stores whose spare byte the next pixel overwrites.
template <class Source>
struct MappedColours {
  Source source;
  const int* columns;

  void Gather(int i, int n, uint8_t* out) const {
    for (int k = 0; k < n; ++k) Store4(out + 3 * k, source.Fetch(columns[i + k]));
  }
  const uint8_t* Chunk(int i, int n, uint8_t* temp) const {
    Gather(i, n, temp);
    return temp;
  }
  // Into a 24-bit buffer the last pixel is stored in 3 bytes: its spare byte belongs to a
  // pixel that may have to stay.
  template <class Ops>
  void Copy(int i, int n, uint8_t* dst) const {
    const int* c = columns + i;
    if constexpr (Ops::kBytes == 3) {
      for (int k = 0; k < n - 1; ++k) Store4(dst + 3 * k, source.Fetch(c[k]));
      Store3(dst + 3 * (n - 1), source.Fetch(c[n - 1]));
    } else {
      int k = 0;
      for (; k + 4 <= n; k += 4) {
        Store4(dst + 4 * k, source.Pixel(c[k]));
        Store4(dst + 4 * k + 4, source.Pixel(c[k + 1]));
        Store4(dst + 4 * k + 8, source.Pixel(c[k + 2]));
        Store4(dst + 4 * k + 12, source.Pixel(c[k + 3]));
      }
      for (; k < n; ++k) Store4(dst + 4 * k, source.Pixel(c[k]));
    }
  }
};

// 24-bit pixels; a 4-byte read is used only where it stays inside the row.
struct BgrSource {
  const uint8_t* row;
  int wideColumns;  // columns below this one can be read 4 bytes at a time

  uint32_t Fetch(int sx) const {
    const uint8_t* p = row + 3 * static_cast<size_t>(sx);
    if (sx < wideColumns) {
      uint32_t v;
      std::memcpy(&v, p, 4);
      return v;
    }
    return p[0] | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16;
  }
  // The pixel with a fourth byte of 0.
  uint32_t Pixel(int sx) const { return Fetch(sx) & 0xFFFFFFu; }
};

// Palette pixels of 1, 4 or 8 bits through a 256-entry table.
template <int Bpp>
struct IndexedSource {
  const uint8_t* row;
  const uint32_t* palette;

  static unsigned IndexAt(const uint8_t* row, int sx) {
    if constexpr (Bpp == 8) {
      return row[sx];
    } else if constexpr (Bpp == 4) {
      const unsigned byte = row[sx >> 1];
      return (sx & 1) ? (byte & 0x0F) : (byte >> 4);
    } else {
      return (row[sx >> 3] >> (7 - (sx & 7))) & 1u;
    }
  }
  uint32_t Fetch(int sx) const { return palette[IndexAt(row, sx)]; }
  uint32_t Pixel(int sx) const { return Fetch(sx); }  // the table's fourth bytes are 0
};

// A chunk with some pixels neither clear nor opaque. At the edge of a shape one half is
// often uniform, and only the other half needs blending.
template <class Ops, class Colours>
void BlendMixed(const Colours& colours, int i, const uint8_t* alpha, Halves halves, uint8_t* dst, uint8_t* gathered) {
  constexpr int B = Ops::kBytes;
  if constexpr (Ops::kQuads) {
    Ops::BlendQuads(colours.Chunk(i, kChunk, gathered), alpha, dst + B * i);
    return;
  }
  if ((halves.opaque | halves.clear) == 0) {
    Ops::Blend16(colours.Chunk(i, kChunk, gathered), alpha, dst + B * i);
    return;
  }
  for (int half = 0; half < 2; ++half) {
    const int at = i + 8 * half;
    if (halves.opaque >> half & 1) {
      colours.template Copy<Ops>(at, 8, dst + B * at);
    } else if (!(halves.clear >> half & 1)) {
      Ops::Blend8(colours.Chunk(at, 8, gathered), alpha + 8 * half, dst + B * at);
    }
  }
}

template <class Ops, class Colours>
void BlendMixed(const Colours& colours, int i, const uint8_t* alpha, uint8_t* dst, uint8_t* gathered) {
  BlendMixed<Ops>(colours, i, alpha, Ops::HalvesOf(alpha), dst, gathered);
}

// The first `done` bytes of 8 at `alpha` made 0, so that pixels already drawn stay.
inline void ClearedPrefix8(const uint8_t* alpha, int done, uint8_t* out) {
  uint64_t word;
  std::memcpy(&word, alpha, sizeof word);
  word &= done >= 8 ? 0 : ~uint64_t{0} << (8 * done);  // little-endian: byte k is bits 8k..8k+7
  std::memcpy(out, &word, sizeof word);
}

// A row of a 32-bit target, a quad of pixels to a register: each chunk is classified once and
// its quads skipped, copied or blended. Short rows, as in the small pictures, have no room
// for runs to pay off; long opaque stretches cost a little more than a run's copy.
template <class Ops, class Colours>
void BlendQuadSpan(const uint8_t* alpha, const Colours& colours, uint8_t* dst, int count) {
  alignas(16) uint8_t gathered[kChunkBytes];
  auto chunk = [&](int i, const typename Ops::Masks& masks) {
    if (masks.AllClear()) return;
    const uint8_t* src = colours.Chunk(i, kChunk, gathered);
    if (masks.AllOpaque()) {
      Ops::StoreChunk(src, dst + 4 * i);
    } else {
      Ops::BlendQuads(src, masks, dst + 4 * i);
    }
  };
  int i = 0;
  for (; i + kChunk <= count; i += kChunk) chunk(i, Ops::Classify(alpha + i));
  // The last pixels: the row's last chunk again, the pixels already drawn made clear.
  if (i < count) chunk(count - kChunk, Ops::ClassifyLast(alpha + count - kChunk, kChunk - (count - i)));
}

// Blends `count` pixels of `colours` by `alpha` (final values, one per pixel) into `dst`.
template <class Ops, class Colours>
void BlendSpan(const uint8_t* alpha, const Colours& colours, uint8_t* dst, int count) {
  constexpr int B = Ops::kBytes;
  if constexpr (Ops::kQuads) {
    if (count >= kChunk) {
      BlendQuadSpan<Ops>(alpha, colours, dst, count);
      return;
    }
  }
  alignas(16) uint8_t gathered[kChunkBytes];
  int i = 0;
  while (i + kChunk <= count) {
    const Halves halves = Ops::HalvesOf(alpha + i);
    if (halves.opaque == 3) {
      // Opaque and clear regions are long in the page's pictures: look 64 pixels ahead.
      int end = i + kChunk;
      while (end + 4 * kChunk <= count && Ops::AllOpaque64(alpha + end)) end += 4 * kChunk;
      while (end + kChunk <= count && Ops::AllOpaque16(alpha + end)) end += kChunk;
      colours.template Copy<Ops>(i, end - i, dst + B * i);
      i = end;
    } else if (halves.clear == 3) {
      i += kChunk;
      while (i + 4 * kChunk <= count && Ops::AllClear64(alpha + i)) i += 4 * kChunk;
    } else {
      BlendMixed<Ops>(colours, i, alpha + i, halves, dst, gathered);
      i += kChunk;
    }
  }
  const int rest = count - i;
  if (rest == 0) return;
  // The last few pixels: the final whole half or chunk again, with the pixels already drawn
  // made clear; a row shorter than that goes through copies.
  alignas(16) uint8_t tailAlpha[kChunk] = {};
  if (count >= 8 && rest <= 8) {
    ClearedPrefix8(alpha + count - 8, 8 - rest, tailAlpha);
    const uint64_t word = PortableAlpha::Word(tailAlpha);
    if (word == 0) return;
    if ((word | ~(~uint64_t{0} << (8 * (8 - rest)))) == ~uint64_t{0}) {
      colours.template Copy<Ops>(i, rest, dst + B * i);  // the pixels left are all opaque
    } else {
      Ops::Blend8(colours.Chunk(count - 8, 8, gathered), tailAlpha, dst + B * (count - 8));
    }
    return;
  }
  if (count >= kChunk) {
    ClearedPrefix8(alpha + count - kChunk, kChunk - rest, tailAlpha);
    std::memcpy(tailAlpha + 8, alpha + count - 8, 8);
    BlendMixed<Ops>(colours, count - kChunk, tailAlpha, dst, gathered);
    return;
  }
  std::memcpy(tailAlpha, alpha, static_cast<size_t>(rest));
  if (Ops::AllClear16(tailAlpha)) return;
  alignas(16) uint8_t under[kChunk * B] = {};
  std::memset(gathered, 0, sizeof gathered);
  colours.Gather(0, rest, gathered);
  std::memcpy(under, dst, B * static_cast<size_t>(rest));
  Ops::Blend16(gathered, tailAlpha, under);
  std::memcpy(dst, under, B * static_cast<size_t>(rest));
}

}  // namespace
}  // namespace blend
