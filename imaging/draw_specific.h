// Drawing shared by the page and its image-drawing controls.
#pragma once

#include <windows.h>

class CxImage;

class CDrawSpecific {
 public:
  virtual ~CDrawSpecific() = default;

  // Draws `image` across `rect` keeping its left and right edges (leftWidth, rightWidth
  // pixels) at natural size and stretching the part between them.
  void DrawThreeSlice(HDC target, CxImage* image, int leftWidth, int rightWidth,
                      const RECT* rect) const;
};
