// Drawing shared by the page and its image-drawing controls.
#pragma once

#include <windows.h>

#include <cstdint>

#include "imaging/ximage.h"
#include "util/display_scale.h"

// Decodes the module's PNG resource with numeric id `id` for `scale` into `image`: from the
// scale's picture set (resource type "PNG125" and so on; "PNG" is the 100 percent set),
// resampled by the nearest rule when that set is not the scale's own. A set that lacks the
// picture gives way to the 100 percent one. A missing id fails like an unloadable resource and
// leaves the image as it was.
bool LoadPngResource(CxImage& image, int id, HINSTANCE module, const DisplayScale& scale);

class CDrawSpecific {
 public:
  CDrawSpecific() = default;
  CDrawSpecific(const CDrawSpecific&) = delete;
  CDrawSpecific& operator=(const CDrawSpecific&) = delete;
  virtual ~CDrawSpecific() = default;

  // Draws `image` across `rect` keeping its left and right edges (leftWidth, rightWidth
  // pixels) at natural size and stretching the part between them.
  void DrawThreeSlice(HDC target, CxImage* image, int leftWidth, int rightWidth, const RECT* rect) const;

 private:
  // An image cut into its three pieces, kept until the image or the edge widths change, so
  // that drawing it again cuts and allocates nothing.
  struct Slices {
    const CxImage* source = nullptr;
    uint32_t stamp = 0;
    int leftWidth = 0;
    int rightWidth = 0;
    CxImage left;
    CxImage middle;
    CxImage right;
  };
  // Each user draws two images this way: a bar its track and fill, the page its band and card.
  static constexpr int kKeptSlices = 2;

  const Slices& SlicesOf(CxImage& image, int leftWidth, int rightWidth) const;

  mutable Slices slices_[kKeptSlices];
  mutable int nextSlices_ = 0;
};
