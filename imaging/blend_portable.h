// Chunk operations of the blend in plain C++: the path for targets without SSE2, and the
// yardstick the vector paths are held to.
#pragma once

#include <cstdint>
#include <cstring>

namespace blend {
// Internal: each file that includes this compiles its own copy with its own flags.
namespace {

// Which halves of a 16-pixel chunk are uniform: bit 0 the first eight pixels, bit 1 the last.
struct Halves {
  int opaque;
  int clear;
};

// Weights that make the fixed formula exact at the ends: alpha 255 takes the source and 0
// keeps the target, where (s * 255 + d * 0) >> 8 and (d * 255) >> 8 would lose a level.
inline unsigned SourceWeight(unsigned a) { return a + (a == 255); }
inline unsigned TargetWeight(unsigned a) { return 255 - a + (a == 0); }

// Classification of alpha bytes, shared by every path and both target layouts.
struct PortableAlpha {
  static uint64_t Word(const uint8_t* alpha) {
    uint64_t w;
    std::memcpy(&w, alpha, sizeof w);
    return w;
  }
  static bool AllOpaque16(const uint8_t* alpha) { return (Word(alpha) & Word(alpha + 8)) == ~uint64_t{0}; }
  static bool AllClear16(const uint8_t* alpha) { return (Word(alpha) | Word(alpha + 8)) == 0; }
  static bool AllOpaque64(const uint8_t* alpha) {
    return AllOpaque16(alpha) && AllOpaque16(alpha + 16) && AllOpaque16(alpha + 32) && AllOpaque16(alpha + 48);
  }
  static bool AllClear64(const uint8_t* alpha) {
    return AllClear16(alpha) && AllClear16(alpha + 16) && AllClear16(alpha + 32) && AllClear16(alpha + 48);
  }
  static Halves HalvesOf(const uint8_t* alpha) {
    const uint64_t low = Word(alpha), high = Word(alpha + 8);
    return Halves{(low == ~uint64_t{0}) | (high == ~uint64_t{0}) << 1, (low == 0) | (high == 0) << 1};
  }
};

// Source colours are always 3 bytes a pixel; the target has `Bytes` (3, or 4 with a fourth
// byte that blends as a channel whose source is 0).
template <int Bytes>
struct PortableOpsOf : PortableAlpha {
  static constexpr bool kShuffles = false;
  static constexpr bool kQuads = false;
  static constexpr int kBytes = Bytes;

  // dst = (src * a + dst * (255 - a)) >> 8 per channel, src where a is 255 and dst unchanged
  // where a is 0.
  static void BlendPixels(const uint8_t* src, const uint8_t* alpha, uint8_t* dst, int count) {
    for (int k = 0; k < count; ++k, src += 3, dst += Bytes) {
      const unsigned a = alpha[k];
      if (a == 0) continue;
      const unsigned ws = SourceWeight(a), wd = TargetWeight(a);
      dst[0] = static_cast<uint8_t>((src[0] * ws + dst[0] * wd) >> 8);
      dst[1] = static_cast<uint8_t>((src[1] * ws + dst[1] * wd) >> 8);
      dst[2] = static_cast<uint8_t>((src[2] * ws + dst[2] * wd) >> 8);
      if constexpr (Bytes == 4) dst[3] = static_cast<uint8_t>((dst[3] * wd) >> 8);
    }
  }
  static void Blend16(const uint8_t* src, const uint8_t* alpha, uint8_t* dst) { BlendPixels(src, alpha, dst, 16); }
  static void Blend8(const uint8_t* src, const uint8_t* alpha, uint8_t* dst) { BlendPixels(src, alpha, dst, 8); }

  // `count` copies of a 4-byte pixel.
  static void Fill(uint8_t* dst, uint32_t pixel, int count) {
    for (int k = 0; k < count; ++k) std::memcpy(dst + 4 * k, &pixel, 4);
  }

  // `count` 3-byte pixels as 4-byte ones with a fourth byte of 0; reads no byte past the last.
  static void Widen(const uint8_t* bgr, int count, uint8_t* dst) {
    for (int k = 0; k + 1 < count; ++k) {
      uint32_t v;
      std::memcpy(&v, bgr + 3 * k, 4);
      v &= 0xFFFFFFu;
      std::memcpy(dst + 4 * k, &v, 4);
    }
    if (count > 0) {
      const uint8_t* p = bgr + 3 * (count - 1);
      const uint32_t v = p[0] | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16;
      std::memcpy(dst + 4 * (count - 1), &v, 4);
    }
  }
};

using PortableOps = PortableOpsOf<3>;
using PortableOps32 = PortableOpsOf<4>;

}  // namespace
}  // namespace blend
