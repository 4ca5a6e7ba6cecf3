// Chunk operations of the blend with SSE2: 16 pixels (48 bytes) at a time, each channel in a
// 16-bit lane. Bit for bit the portable operations.
#pragma once

#if defined(__SSE2__)
#define PAGE_BLEND_SSE2 1

#include <emmintrin.h>

#include <cstdint>

#include "imaging/blend_portable.h"

namespace blend {

inline __m128i Load16(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline __m128i Load8(const uint8_t* p) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)); }
inline void Store16(uint8_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
inline void Store8(uint8_t* p, __m128i v) { _mm_storel_epi64(reinterpret_cast<__m128i*>(p), v); }

// Spreads eight per-pixel 16-bit lanes w0..w7 over the 24 channel lanes of the same pixels,
// eight at a time: 0 gives (w0 w0 w0 w1 w1 w1 w2 w2), 1 (w2 w3 w3 w3 w4 w4 w4 w5) and
// 2 (w5 w5 w6 w6 w6 w7 w7 w7).
struct Sse2Spread {
  static constexpr bool kShuffles = false;  // no byte shuffle: a stretch gathers pixel by pixel

  template <int K>
  static __m128i Spread(__m128i w) {
    if constexpr (K == 0) {
      const __m128i low = _mm_unpacklo_epi64(w, w);  // w0 w1 w2 w3 w0 w1 w2 w3
      return _mm_shufflehi_epi16(_mm_shufflelo_epi16(low, _MM_SHUFFLE(1, 0, 0, 0)), _MM_SHUFFLE(2, 2, 1, 1));
    } else if constexpr (K == 1) {
      return _mm_shufflehi_epi16(_mm_shufflelo_epi16(w, _MM_SHUFFLE(3, 3, 3, 2)), _MM_SHUFFLE(1, 0, 0, 0));
    } else {
      const __m128i high = _mm_unpackhi_epi64(w, w);  // w4 w5 w6 w7 w4 w5 w6 w7
      return _mm_shufflehi_epi16(_mm_shufflelo_epi16(high, _MM_SHUFFLE(2, 2, 1, 1)), _MM_SHUFFLE(3, 3, 3, 2));
    }
  }
};

template <class Spreader>
struct VectorOps {
  static constexpr bool kShuffles = Spreader::kShuffles;

  static int OpaqueMask(__m128i a) { return _mm_movemask_epi8(_mm_cmpeq_epi8(a, _mm_set1_epi8(-1))); }
  static int ClearMask(__m128i a) { return _mm_movemask_epi8(_mm_cmpeq_epi8(a, _mm_setzero_si128())); }
  static bool AllOpaque(__m128i a) { return OpaqueMask(a) == 0xFFFF; }
  static bool AllClear(__m128i a) { return ClearMask(a) == 0xFFFF; }
  static bool AllOpaque16(const uint8_t* alpha) { return AllOpaque(Load16(alpha)); }
  static bool AllClear16(const uint8_t* alpha) { return AllClear(Load16(alpha)); }
  static bool AllOpaque64(const uint8_t* alpha) {
    return AllOpaque(_mm_and_si128(_mm_and_si128(Load16(alpha), Load16(alpha + 16)),
                                   _mm_and_si128(Load16(alpha + 32), Load16(alpha + 48))));
  }
  static bool AllClear64(const uint8_t* alpha) {
    return AllClear(_mm_or_si128(_mm_or_si128(Load16(alpha), Load16(alpha + 16)),
                                 _mm_or_si128(Load16(alpha + 32), Load16(alpha + 48))));
  }
  // Two 8-byte compares each: cheaper than shuffling the byte masks apart.
  static Halves HalvesOf(const uint8_t* alpha) { return PortableOps::HalvesOf(alpha); }

  // The weights of blend_portable.h for eight pixels: a + (a == 255) for the source and
  // 255 - a + (a == 0) for the target, so the ends come out exact without a select.
  static __m128i SourceWeights(__m128i a) { return _mm_sub_epi16(a, _mm_cmpeq_epi16(a, _mm_set1_epi16(255))); }
  static __m128i TargetWeights(__m128i a) {
    return _mm_sub_epi16(_mm_sub_epi16(_mm_set1_epi16(255), a), _mm_cmpeq_epi16(a, _mm_setzero_si128()));
  }

  // (s * ws + d * wd) >> 8 never exceeds 256 * 255, so 16-bit lanes hold it without loss.
  static __m128i Mix(__m128i s, __m128i d, __m128i ws, __m128i wd) {
    return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(s, ws), _mm_mullo_epi16(d, wd)), 8);
  }

  // 16 bytes of source over the 16 bytes at dst; the weights of their first and last eight.
  static void MixRegister(__m128i s, uint8_t* dst, __m128i wsLow, __m128i wdLow, __m128i wsHigh, __m128i wdHigh) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i d = Load16(dst);
    const __m128i low = Mix(_mm_unpacklo_epi8(s, zero), _mm_unpacklo_epi8(d, zero), wsLow, wdLow);
    const __m128i high = Mix(_mm_unpackhi_epi8(s, zero), _mm_unpackhi_epi8(d, zero), wsHigh, wdHigh);
    Store16(dst, _mm_packus_epi16(low, high));
  }

  // 16 pixels: alpha in a, the 48 bytes of source colour in s0, s1, s2. The weights are
  // spread register by register, so that few stay live on 32-bit x86 with its eight.
  static void BlendRegisters(__m128i a, __m128i s0, __m128i s1, __m128i s2, uint8_t* dst) {
    using S = Spreader;
    const __m128i zero = _mm_setzero_si128();
    const __m128i low = _mm_unpacklo_epi8(a, zero);
    const __m128i high = _mm_unpackhi_epi8(a, zero);
    const __m128i wsLow = SourceWeights(low), wdLow = TargetWeights(low);
    MixRegister(s0, dst, S::template Spread<0>(wsLow), S::template Spread<0>(wdLow), S::template Spread<1>(wsLow),
                S::template Spread<1>(wdLow));
    const __m128i wsHigh = SourceWeights(high), wdHigh = TargetWeights(high);
    MixRegister(s1, dst + 16, S::template Spread<2>(wsLow), S::template Spread<2>(wdLow), S::template Spread<0>(wsHigh),
                S::template Spread<0>(wdHigh));
    MixRegister(s2, dst + 32, S::template Spread<1>(wsHigh), S::template Spread<1>(wdHigh),
                S::template Spread<2>(wsHigh), S::template Spread<2>(wdHigh));
  }

  static void Blend16(const uint8_t* src, const uint8_t* alpha, uint8_t* dst) {
    BlendRegisters(Load16(alpha), Load16(src), Load16(src + 16), Load16(src + 32), dst);
  }

  // 8 pixels, 24 bytes: the edge of a shape, where the other half of the chunk is uniform.
  static void Blend8(const uint8_t* src, const uint8_t* alpha, uint8_t* dst) {
    using S = Spreader;
    const __m128i zero = _mm_setzero_si128();
    const __m128i a = _mm_unpacklo_epi8(Load8(alpha), zero);
    const __m128i ws = SourceWeights(a), wd = TargetWeights(a);
    MixRegister(Load16(src), dst, S::template Spread<0>(ws), S::template Spread<0>(wd), S::template Spread<1>(ws),
                S::template Spread<1>(wd));
    const __m128i low = Mix(_mm_unpacklo_epi8(Load8(src + 16), zero), _mm_unpacklo_epi8(Load8(dst + 16), zero),
                            S::template Spread<2>(ws), S::template Spread<2>(wd));
    Store8(dst + 16, _mm_packus_epi16(low, low));
  }
};

using Sse2Ops = VectorOps<Sse2Spread>;

}  // namespace blend

#endif  // __SSE2__
