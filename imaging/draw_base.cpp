#include "imaging/draw_base.h"

#include "imaging/ximage.h"

bool LoadPngResource(CxImage& image, int id, HINSTANCE module) {
  HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(id), L"PNG");
  return image.LoadFromResource(resource, CXIMAGE_FORMAT_PNG, module);
}

void CDrawSpecific::DrawThreeSlice(HDC target, CxImage* image, int leftWidth, int rightWidth, const RECT* rect) const {
  if (target == nullptr || image == nullptr || rect == nullptr || !image->IsValid()) return;
  const int width = static_cast<int>(image->Width());
  const int height = static_cast<int>(image->Height());
  // The pieces are cut anew on every call; the images drawn this way are small.
  CxImage left;
  CxImage middle;
  CxImage right;
  image->CropInto(0, 0, leftWidth, height, &left);
  image->CropInto(leftWidth, 0, width - rightWidth, height, &middle);
  image->CropInto(width - rightWidth, 0, width, height, &right);

  left.DrawAt(target, rect->left, rect->top);
  const RECT between = {rect->left + leftWidth, rect->top, rect->right - rightWidth, rect->bottom};
  middle.DrawInRect(target, between);
  right.DrawAt(target, rect->right - rightWidth, rect->top);
}
