#include <algorithm>
#include <cstdint>

#include "imaging/blend_kernels.h"
#include "imaging/blend_paths.h"
#include "imaging/image_view.h"

#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
#include <cpuid.h>
#define PAGE_BLEND_CPUID 1
#endif

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

// What the processor offers each path's file: its flags let the compiler use every
// instruction set up to the path's own.
struct Processor {
  bool sse2 = false;
  bool ssse3 = false;
};

Processor AskProcessor() {
  Processor found;
#if defined(PAGE_BLEND_CPUID)
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) != 0) {
    found.sse2 = (edx & bit_SSE) != 0 && (edx & bit_SSE2) != 0;
    found.ssse3 = found.sse2 && (ecx & bit_SSE3) != 0 && (ecx & bit_SSSE3) != 0;
  }
#endif
  return found;
}

const Processor& ThisProcessor() {
  static const Processor processor = AskProcessor();
  return processor;
}

}  // namespace

bool HasBlendPath(BlendPath path) {
  // Only a table is read before the check: its functions are built for the path's set.
  switch (path) {
    case BlendPath::Portable:
      return true;
    case BlendPath::Sse2:
      return blend::kSse2Kernels.blend24 != nullptr && ThisProcessor().sse2;
    case BlendPath::Ssse3:
      return blend::kSsse3Kernels.blend24 != nullptr && ThisProcessor().ssse3;
  }
  return false;
}

BlendPath DefaultBlendPath() {
  static const BlendPath best = HasBlendPath(BlendPath::Ssse3)  ? BlendPath::Ssse3
                                : HasBlendPath(BlendPath::Sse2) ? BlendPath::Sse2
                                                                : BlendPath::Portable;
  return best;
}

const char* BlendPathName(BlendPath path) {
  switch (path) {
    case BlendPath::Portable:
      return "portable";
    case BlendPath::Sse2:
      return "sse2";
    case BlendPath::Ssse3:
      return "ssse3";
  }
  return "?";
}

namespace {

// The path's draws if this build on this processor has it, else the portable ones.
const blend::PathKernels& KernelsOf(BlendPath path) {
  if (!HasBlendPath(path)) path = BlendPath::Portable;
  switch (path) {
    case BlendPath::Ssse3:
      return blend::kSsse3Kernels;
    case BlendPath::Sse2:
      return blend::kSse2Kernels;
    case BlendPath::Portable:
      break;
  }
  return blend::kPortableKernels;
}

}  // namespace

void BlendImageUsing(BlendPath path, const ImageView& image, int x, int y, int cx, int cy, const PaintBox& box,
                     Surface24& buffer) {
  KernelsOf(path).blend24(image, x, y, cx, cy, box, buffer);
}
void BlendImageUsing(BlendPath path, const ImageView& image, int x, int y, int cx, int cy, const PaintBox& box,
                     Surface32& buffer) {
  KernelsOf(path).blend32(image, x, y, cx, cy, box, buffer);
}
void ResampleOpaqueUsing(BlendPath path, const ImageView& image, int x, int y, int cx, int cy, const PaintBox& box,
                         Surface24& buffer) {
  KernelsOf(path).resample24(image, x, y, cx, cy, box, buffer);
}
void ResampleOpaqueUsing(BlendPath path, const ImageView& image, int x, int y, int cx, int cy, const PaintBox& box,
                         Surface32& buffer) {
  KernelsOf(path).resample32(image, x, y, cx, cy, box, buffer);
}

void BlendImage(const ImageView& image, int x, int y, int cx, int cy, const PaintBox& box, Surface24& buffer) {
  BlendImageUsing(DefaultBlendPath(), image, x, y, cx, cy, box, buffer);
}
void BlendImage(const ImageView& image, int x, int y, int cx, int cy, const PaintBox& box, Surface32& buffer) {
  BlendImageUsing(DefaultBlendPath(), image, x, y, cx, cy, box, buffer);
}

void ResampleOpaque(const ImageView& image, int x, int y, int cx, int cy, const PaintBox& box, Surface24& buffer) {
  ResampleOpaqueUsing(DefaultBlendPath(), image, x, y, cx, cy, box, buffer);
}
void ResampleOpaque(const ImageView& image, int x, int y, int cx, int cy, const PaintBox& box, Surface32& buffer) {
  ResampleOpaqueUsing(DefaultBlendPath(), image, x, y, cx, cy, box, buffer);
}
