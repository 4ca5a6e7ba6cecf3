// Chunk operations of the blend with SSE2: 16 pixels at a time, each channel in a 16-bit
// lane, into 24-bit targets (48 bytes) or 32-bit ones (four quads of 4 pixels). Bit for bit
// the portable operations.
#pragma once

#if defined(__SSE2__)
#define PAGE_BLEND_SSE2 1

#include <emmintrin.h>

#include <cstdint>

#include "imaging/blend_portable.h"

namespace blend {
// Internal: each file that includes this compiles its own copy with its own flags.
namespace {

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

  // Alpha bytes 2k and 2k + 1 of `a` over the 16-bit channel lanes of two 32-bit pixels.
  template <int K>
  static __m128i AlphaPair(__m128i a) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i w = K < 4 ? _mm_unpacklo_epi8(a, zero) : _mm_unpackhi_epi8(a, zero);
    const __m128i pairs = K % 4 < 2 ? _mm_unpacklo_epi16(w, w) : _mm_unpackhi_epi16(w, w);
    return K % 2 == 0 ? _mm_unpacklo_epi32(pairs, pairs) : _mm_unpackhi_epi32(pairs, pairs);
  }

  // The four 3-byte pixels in bytes 0 to 11 as 4-byte ones with a fourth byte of 0.
  static __m128i Widen4(__m128i v) {
    const __m128i first = _mm_unpacklo_epi32(v, _mm_srli_si128(v, 3));  // bytes 0-3, 3-6, ...
    const __m128i second = _mm_unpacklo_epi32(_mm_srli_si128(v, 6), _mm_srli_si128(v, 9));
    return _mm_and_si128(_mm_unpacklo_epi64(first, second), _mm_set1_epi32(0xFFFFFF));
  }
  // The same of the pixels in bytes 4 to 15.
  static __m128i Widen4Last(__m128i v) { return Widen4(_mm_srli_si128(v, 4)); }
};

// What both target layouts share: classifying alpha, the weights and the mix.
struct VectorAlpha {
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
  static Halves HalvesOf(const uint8_t* alpha) { return PortableAlpha::HalvesOf(alpha); }

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
};

template <class Spreader>
struct VectorOps : VectorAlpha {
  static constexpr bool kShuffles = Spreader::kShuffles;
  static constexpr bool kQuads = false;
  static constexpr int kBytes = 3;

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

  // 16 gathered pixels, all opaque.
  static void StoreColours(__m128i s0, __m128i s1, __m128i s2, uint8_t* dst) {
    Store16(dst, s0);
    Store16(dst + 16, s1);
    Store16(dst + 32, s2);
  }
};

// A 32-bit target: a register holds a quad of 4 pixels, and the fourth byte blends with a
// source of 0.
template <class Spreader>
struct VectorOps32 : VectorAlpha {
  static constexpr bool kShuffles = Spreader::kShuffles;
  static constexpr bool kQuads = true;
  static constexpr int kBytes = 4;

  // Quad q of the 48 bytes of 16 pixels, widened; the last from a load that ends at the
  // chunk's last byte, so nothing past it is read.
  template <int Q>
  static __m128i QuadOf(const uint8_t* src) {
    if constexpr (Q < 3) {
      return Spreader::Widen4(Load16(src + 12 * Q));
    } else {
      return Spreader::Widen4Last(Load16(src + 32));
    }
  }

  // A widened quad over the 16 bytes at dst, by alpha bytes 4q to 4q + 3 of `a`.
  template <int Q>
  static void MixQuad(__m128i quad, uint8_t* dst, __m128i a) {
    const __m128i low = Spreader::template AlphaPair<2 * Q>(a);
    const __m128i high = Spreader::template AlphaPair<2 * Q + 1>(a);
    MixRegister(quad, dst, SourceWeights(low), TargetWeights(low), SourceWeights(high), TargetWeights(high));
  }

  // A chunk's alpha, and which of its quads are all opaque and all clear, a bit each: a quad's
  // four alpha bytes are one 32-bit lane.
  struct Masks {
    __m128i alpha;
    int opaque;
    int clear;
    bool AllOpaque() const { return opaque == 15; }
    bool AllClear() const { return clear == 15; }
  };
  static int LaneMask(__m128i m) { return _mm_movemask_ps(_mm_castsi128_ps(m)); }
  static Masks Classify(__m128i a) {
    return Masks{a, LaneMask(_mm_cmpeq_epi32(a, _mm_set1_epi8(-1))), LaneMask(_mm_cmpeq_epi32(a, _mm_setzero_si128()))};
  }
  static Masks Classify(const uint8_t* alpha) { return Classify(Load16(alpha)); }
  // The last chunk of a row whose first `done` pixels are drawn already: they count as clear.
  static Masks ClassifyLast(const uint8_t* alpha, int done) {
    alignas(16) static constexpr uint8_t kKeep[32] = {0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,
                                                      0,    0,    0,    0,    0,    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                                      0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    return Classify(_mm_and_si128(Load16(alpha), Load16(kKeep + 16 - done)));
  }

  // Quad q of a chunk: left where all clear, copied where all opaque, blended otherwise.
  template <int Q>
  static void Quad(const uint8_t* src, uint8_t* dst, const Masks& m) {
    if (m.clear >> Q & 1) return;
    const __m128i s = QuadOf<Q>(src);
    if (m.opaque >> Q & 1) {
      Store16(dst + 16 * Q, s);
    } else {
      MixQuad<Q>(s, dst + 16 * Q, m.alpha);
    }
  }

  // 16 opaque pixels.
  static void StoreChunk(const uint8_t* src, uint8_t* dst) {
    Store16(dst, QuadOf<0>(src));
    Store16(dst + 16, QuadOf<1>(src));
    Store16(dst + 32, QuadOf<2>(src));
    Store16(dst + 48, QuadOf<3>(src));
  }

  // A chunk with pixels neither clear nor opaque: the edge of a shape, where most quads are
  // uniform.
  static void BlendQuads(const uint8_t* src, const Masks& m, uint8_t* dst) {
    Quad<0>(src, dst, m);
    Quad<1>(src, dst, m);
    Quad<2>(src, dst, m);
    Quad<3>(src, dst, m);
  }
  static void BlendQuads(const uint8_t* src, const uint8_t* alpha, uint8_t* dst) {
    BlendQuads(src, Classify(alpha), dst);
  }

  static void Blend16(const uint8_t* src, const uint8_t* alpha, uint8_t* dst) {
    const __m128i a = Load16(alpha);
    MixQuad<0>(QuadOf<0>(src), dst, a);
    MixQuad<1>(QuadOf<1>(src), dst + 16, a);
    MixQuad<2>(QuadOf<2>(src), dst + 32, a);
    MixQuad<3>(QuadOf<3>(src), dst + 48, a);
  }

  static void Blend8(const uint8_t* src, const uint8_t* alpha, uint8_t* dst) {
    const __m128i a = Load8(alpha);
    MixQuad<0>(Spreader::Widen4(Load16(src)), dst, a);
    MixQuad<1>(Spreader::Widen4Last(Load16(src + 8)), dst + 16, a);
  }

  // `count` copies of a 4-byte pixel, a quad a store; the last store ends at the last pixel.
  static void Fill(uint8_t* dst, uint32_t pixel, int count) {
    if (count < 4) {
      PortableOps32::Fill(dst, pixel, count);
      return;
    }
    const __m128i quad = _mm_set1_epi32(static_cast<int>(pixel));
    for (int k = 0; k + 4 < count; k += 4) Store16(dst + 4 * k, quad);
    Store16(dst + 4 * (count - 4), quad);
  }

  // `count` 3-byte pixels as 4-byte ones, 16 at a time, then by quads; reads no byte past the
  // last.
  static void Widen(const uint8_t* bgr, int count, uint8_t* dst) {
    using S = Spreader;
    if (count < 6) {
      PortableOps32::Widen(bgr, count, dst);
      return;
    }
    int k = 0;
    for (; k + 16 <= count; k += 16) StoreChunk(bgr + 3 * k, dst + 4 * k);
    for (; 3 * k + 16 <= 3 * count; k += 4) Store16(dst + 4 * k, S::Widen4(Load16(bgr + 3 * k)));
    if (k == count) return;
    // The 16 bytes that end the row hold its last five pixels from byte 1 on.
    const __m128i last = Load16(bgr + 3 * count - 16);
    if (count - k == 5) Store16(dst + 4 * (count - 5), S::Widen4(_mm_srli_si128(last, 1)));
    Store16(dst + 4 * (count - 4), S::Widen4Last(last));
  }

  // 16 gathered pixels in 3-byte order, all opaque.
  static void StoreColours(__m128i s0, __m128i s1, __m128i s2, uint8_t* dst) {
    using S = Spreader;
    Store16(dst, S::Widen4(s0));
    Store16(dst + 16, S::Widen4(_mm_or_si128(_mm_srli_si128(s0, 12), _mm_slli_si128(s1, 4))));
    Store16(dst + 32, S::Widen4(_mm_or_si128(_mm_srli_si128(s1, 8), _mm_slli_si128(s2, 8))));
    Store16(dst + 48, S::Widen4Last(s2));
  }
};

using Sse2Ops = VectorOps<Sse2Spread>;
using Sse2Ops32 = VectorOps32<Sse2Spread>;

}  // namespace
}  // namespace blend

#endif  // __SSE2__
