// Chunk operations with SSSE3, for blend_ssse3.cpp (built for SSSE3 and reached only after a
// run-time check of the processor): a byte shuffle spreads the weights in one instruction per
// register, and gathers the pixels of a nearest-neighbour stretch through controls made once
// per draw. Bit for bit the portable operations.
#pragma once

#include "imaging/blend_span.h"
#include "imaging/blend_sse2.h"

#if defined(PAGE_BLEND_SSE2) && defined(__SSSE3__)
#define PAGE_BLEND_SSSE3 1

#include <tmmintrin.h>

#include <cstdint>

namespace blend {
// Internal: each file that includes this compiles its own copy with its own flags.
namespace {

struct Ssse3Spread {
  static constexpr bool kShuffles = true;

  template <int K>
  static __m128i Spread(__m128i w) {
    if constexpr (K == 0) {
      return _mm_shuffle_epi8(w, _mm_setr_epi8(0, 1, 0, 1, 0, 1, 2, 3, 2, 3, 2, 3, 4, 5, 4, 5));
    } else if constexpr (K == 1) {
      return _mm_shuffle_epi8(w, _mm_setr_epi8(4, 5, 6, 7, 6, 7, 6, 7, 8, 9, 8, 9, 8, 9, 10, 11));
    } else {
      return _mm_shuffle_epi8(w, _mm_setr_epi8(10, 11, 10, 11, 12, 13, 12, 13, 12, 13, 14, 15, 14, 15, 14, 15));
    }
  }

  template <int K>
  static __m128i AlphaPair(__m128i a) {
    constexpr char p = static_cast<char>(2 * K), q = static_cast<char>(2 * K + 1);
    return _mm_shuffle_epi8(a, _mm_setr_epi8(p, -1, p, -1, p, -1, p, -1, q, -1, q, -1, q, -1, q, -1));
  }

  static __m128i Widen4(__m128i v) {
    return _mm_shuffle_epi8(v, _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1));
  }
  static __m128i Widen4Last(__m128i v) {
    return _mm_shuffle_epi8(v, _mm_setr_epi8(4, 5, 6, -1, 7, 8, 9, -1, 10, 11, 12, -1, 13, 14, 15, -1));
  }
};

// The gathers of a stretch through the controls of BuildShuffles.
struct Ssse3Gathers {
  static __m128i GatherAlpha(const uint8_t* alphaRow, const ChunkShuffle& c) {
    return _mm_shuffle_epi8(Load16(alphaRow + c.alphaBase), Load16(c.alphaControl));
  }
  static __m128i GatherColour(const uint8_t* row, const ChunkShuffle& c, int r) {
    return _mm_shuffle_epi8(Load16(row + c.colourBase[r]), Load16(c.colourControl[r]));
  }
};

// The rows of a stretch whose chunks are gathered through the controls of BuildShuffles, for
// a path's whole set of operations Ops.
template <class Ops>
struct ShuffledRows {
  // A stretched row of a 24-bit image whose alpha plane is final.
  static void BlendRowShuffled(const uint8_t* plane, const MappedColours<BgrSource>& colours,
                               const ChunkShuffle* shuffles, uint8_t* dst, int count) {
    const uint8_t* src = colours.source.row;
    const int chunks = count / kChunk;
    for (int j = 0; j < chunks; ++j) {
      const ChunkShuffle& shuffle = shuffles[j];
      uint8_t* d = dst + Ops::kBytes * kChunk * j;
      const __m128i a = Ops::GatherAlpha(plane, shuffle);
      if (Ops::AllOpaque(a)) {
        Ops::StoreColours(Ops::GatherColour(src, shuffle, 0), Ops::GatherColour(src, shuffle, 1),
                          Ops::GatherColour(src, shuffle, 2), d);
      } else if (!Ops::AllClear(a)) {
        alignas(16) uint8_t colour[3 * kChunk];
        alignas(16) uint8_t alpha[kChunk];
        for (int r = 0; r < 3; ++r) Store16(colour + 16 * r, Ops::GatherColour(src, shuffle, r));
        Store16(alpha, a);
        BlendMixed<Ops>(InPlaceColours{colour}, 0, alpha, d, nullptr);
      }
    }
    const int rest = count - chunks * kChunk;
    if (rest == 0) return;
    // The last chunk again, its pixels already drawn made clear so that they stay.
    const int start = count - kChunk;
    alignas(16) uint8_t alpha[kChunk] = {};
    for (int k = kChunk - rest; k < kChunk; ++k) alpha[k] = plane[colours.columns[start + k]];
    if (Ops::AllClear16(alpha)) return;
    alignas(16) uint8_t gathered[kChunkBytes];
    BlendMixed<Ops>(colours, start, alpha, dst, gathered);
  }

  // A stretched row copied opaquely.
  static void CopyRowShuffled(const MappedColours<BgrSource>& colours, const ChunkShuffle* shuffles, uint8_t* dst,
                              int count) {
    const uint8_t* src = colours.source.row;
    const int chunks = count / kChunk;
    for (int j = 0; j < chunks; ++j) {
      const ChunkShuffle& shuffle = shuffles[j];
      Ops::StoreColours(Ops::GatherColour(src, shuffle, 0), Ops::GatherColour(src, shuffle, 1),
                        Ops::GatherColour(src, shuffle, 2), dst + Ops::kBytes * kChunk * j);
    }
    const int done = chunks * kChunk;
    if (done < count) colours.template Copy<Ops>(done, count - done, dst + Ops::kBytes * done);
  }
};

struct Ssse3Ops : VectorOps<Ssse3Spread>, Ssse3Gathers, ShuffledRows<Ssse3Ops> {};
struct Ssse3Ops32 : VectorOps32<Ssse3Spread>, Ssse3Gathers, ShuffledRows<Ssse3Ops32> {};

}  // namespace
}  // namespace blend

#endif
