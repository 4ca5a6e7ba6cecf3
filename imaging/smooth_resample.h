// Resampling made for photographs, run once per size rather than per paint: each axis that
// shrinks averages the exact source area under a target pixel, each axis that grows takes a
// Catmull-Rom cubic, both on premultiplied alpha. Platform-free.
#pragma once

#include <cstdint>

#include "imaging/image_view.h"

// The resampled pixels: 24-bit rows bottom-up (blue, green, red) and, when the source draws
// with any transparency (NeedsBlending), a packed alpha plane with rows bottom-up.
struct SmoothTarget {
  uint8_t* bits = nullptr;
  int width = 0;
  int height = 0;
  int stride = 0;            // at least ((24 * width + 31) / 32) * 4
  uint8_t* alpha = nullptr;  // width * height bytes; none drops the source's transparency
};

// The whole image at the target's size. Transparency of every kind (alpha plane, palette
// alpha, transparent index or colour) ends in the alpha plane; the alpha maximum is left to
// the caller's drawing setting. False, with the target partly written, when the input is
// unusable or working memory cannot be had.
bool SmoothResample(const ImageView& image, const SmoothTarget& target);
