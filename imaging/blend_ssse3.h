// Chunk operations with SSSE3, reached only after a run-time check of the processor: a byte
// shuffle spreads the weights in one instruction per register, and gathers the pixels of a
// nearest-neighbour stretch through controls made once per draw. Bit for bit the portable
// operations.
#pragma once

#include "imaging/blend_span.h"
#include "imaging/blend_sse2.h"

#if defined(PAGE_BLEND_SSE2) && defined(__GNUC__)
#define PAGE_BLEND_SSSE3 1

#include <tmmintrin.h>

#include <cstdint>

// Code built for SSSE3 inside a translation unit built for SSE2; callers check the CPU first.
#define PAGE_TARGET_SSSE3 __attribute__((target("ssse3")))

namespace blend {

struct Ssse3Spread {
  static constexpr bool kShuffles = true;

  template <int K>
  PAGE_TARGET_SSSE3 static __m128i Spread(__m128i w) {
    if constexpr (K == 0) {
      return _mm_shuffle_epi8(w, _mm_setr_epi8(0, 1, 0, 1, 0, 1, 2, 3, 2, 3, 2, 3, 4, 5, 4, 5));
    } else if constexpr (K == 1) {
      return _mm_shuffle_epi8(w, _mm_setr_epi8(4, 5, 6, 7, 6, 7, 6, 7, 8, 9, 8, 9, 8, 9, 10, 11));
    } else {
      return _mm_shuffle_epi8(w, _mm_setr_epi8(10, 11, 10, 11, 12, 13, 12, 13, 12, 13, 14, 15, 14, 15, 14, 15));
    }
  }

  template <int K>
  PAGE_TARGET_SSSE3 static __m128i AlphaPair(__m128i a) {
    constexpr char p = static_cast<char>(2 * K), q = static_cast<char>(2 * K + 1);
    return _mm_shuffle_epi8(a, _mm_setr_epi8(p, -1, p, -1, p, -1, p, -1, q, -1, q, -1, q, -1, q, -1));
  }

  PAGE_TARGET_SSSE3 static __m128i Widen4(__m128i v) {
    return _mm_shuffle_epi8(v, _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1));
  }
  PAGE_TARGET_SSSE3 static __m128i Widen4Last(__m128i v) {
    return _mm_shuffle_epi8(v, _mm_setr_epi8(4, 5, 6, -1, 7, 8, 9, -1, 10, 11, 12, -1, 13, 14, 15, -1));
  }
};

// The gathers of a stretch through the controls of BuildShuffles.
struct Ssse3Gathers {
  PAGE_TARGET_SSSE3 static __m128i GatherAlpha(const uint8_t* alphaRow, const ChunkShuffle& c) {
    return _mm_shuffle_epi8(Load16(alphaRow + c.alphaBase), Load16(c.alphaControl));
  }
  PAGE_TARGET_SSSE3 static __m128i GatherColour(const uint8_t* row, const ChunkShuffle& c, int r) {
    return _mm_shuffle_epi8(Load16(row + c.colourBase[r]), Load16(c.colourControl[r]));
  }
};

struct Ssse3Ops : VectorOps<Ssse3Spread>, Ssse3Gathers {};
struct Ssse3Ops32 : VectorOps32<Ssse3Spread>, Ssse3Gathers {};

}  // namespace blend

#endif
