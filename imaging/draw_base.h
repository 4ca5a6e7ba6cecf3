// Drawing shared by the page and its image-drawing controls.
#pragma once

#include <windows.h>

class CxImage;

// Decodes the module's resource of type "PNG" with numeric id `id` into `image`. A missing
// id fails like an unloadable resource and leaves the image as it was.
bool LoadPngResource(CxImage& image, int id, HINSTANCE module);

class CDrawSpecific {
 public:
  virtual ~CDrawSpecific() = default;

  // Draws `image` across `rect` keeping its left and right edges (leftWidth, rightWidth
  // pixels) at natural size and stretching the part between them.
  void DrawThreeSlice(HDC target, CxImage* image, int leftWidth, int rightWidth, const RECT* rect) const;
};
