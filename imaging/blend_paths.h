// The row-kernel paths behind BlendImage and ResampleOpaque, selectable so that tests hold
// every path to the same pixels and benchmarks can show what each one gives.
#pragma once

#include "imaging/image_view.h"

enum class BlendPath {
  Portable,  // plain C++, for any target
  Sse2,      // 16 pixels at a time in 16-bit lanes; where the compiler targets SSE2
  Ssse3,     // SSE2 plus byte shuffles; where the processor has them, checked at run time
};

// Whether this build on this processor can take the path.
bool HasBlendPath(BlendPath path);
// The path BlendImage and ResampleOpaque take: the fastest one available.
BlendPath DefaultBlendPath();
const char* BlendPathName(BlendPath path);

// BlendImage and ResampleOpaque through the given path; a path that is not available draws
// through the portable one.
void BlendImageUsing(BlendPath path, const ImageView& image, int x, int y, int cx, int cy, const PaintBox& box,
                     Surface24& buffer);
void BlendImageUsing(BlendPath path, const ImageView& image, int x, int y, int cx, int cy, const PaintBox& box,
                     Surface32& buffer);
void ResampleOpaqueUsing(BlendPath path, const ImageView& image, int x, int y, int cx, int cy, const PaintBox& box,
                         Surface24& buffer);
void ResampleOpaqueUsing(BlendPath path, const ImageView& image, int x, int y, int cx, int cy, const PaintBox& box,
                         Surface32& buffer);
