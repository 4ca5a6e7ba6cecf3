#include "imaging/draw_base.h"

#include <cwchar>

bool LoadPngResource(CxImage& image, int id, HINSTANCE module, const DisplayScale& scale) {
  int set = scale.ArtSet();
  HRSRC resource = nullptr;
  if (set != 100) {
    wchar_t type[16];
    swprintf(type, sizeof type / sizeof type[0], L"PNG%d", set);
    resource = FindResourceW(module, MAKEINTRESOURCEW(id), type);
  }
  if (resource == nullptr) {
    set = 100;
    resource = FindResourceW(module, MAKEINTRESOURCEW(id), L"PNG");
  }
  const DisplayScale own = DisplayScale::ForDpi(set * display_scale::kLogicalDpi / 100);
  if (own == scale) return image.LoadFromResource(resource, CXIMAGE_FORMAT_PNG, module);
  CxImage decoded;
  if (!decoded.LoadFromResource(resource, CXIMAGE_FORMAT_PNG, module)) return false;
  const int width = scale.FromArtSet(static_cast<int>(decoded.Width()), set);
  const int height = scale.FromArtSet(static_cast<int>(decoded.Height()), set);
  return decoded.ResampleInto(static_cast<uint32_t>(width), static_cast<uint32_t>(height), &image);
}

const CDrawSpecific::Slices& CDrawSpecific::SlicesOf(CxImage& image, int leftWidth, int rightWidth) const {
  for (const Slices& kept : slices_) {
    if (kept.source == &image && kept.stamp == image.Stamp() && kept.leftWidth == leftWidth &&
        kept.rightWidth == rightWidth) {
      return kept;
    }
  }
  Slices* slices = nullptr;
  for (Slices& kept : slices_) {
    if (kept.source == &image) slices = &kept;
  }
  if (slices == nullptr) {
    slices = &slices_[nextSlices_];
    nextSlices_ = (nextSlices_ + 1) % kKeptSlices;
  }
  const int width = static_cast<int>(image.Width());
  const int height = static_cast<int>(image.Height());
  // A piece that cannot be cut stays empty and is not drawn.
  slices->left.Release();
  slices->middle.Release();
  slices->right.Release();
  image.CropInto(0, 0, leftWidth, height, &slices->left);
  image.CropInto(leftWidth, 0, width - rightWidth, height, &slices->middle);
  image.CropInto(width - rightWidth, 0, width, height, &slices->right);
  slices->source = &image;
  slices->stamp = image.Stamp();
  slices->leftWidth = leftWidth;
  slices->rightWidth = rightWidth;
  return *slices;
}

void CDrawSpecific::DrawThreeSlice(HDC target, CxImage* image, int leftWidth, int rightWidth, const RECT* rect) const {
  if (target == nullptr || image == nullptr || rect == nullptr || !image->IsValid()) return;
  const Slices& slices = SlicesOf(*image, leftWidth, rightWidth);
  slices.left.DrawAt(target, rect->left, rect->top);
  const RECT between = {rect->left + leftWidth, rect->top, rect->right - rightWidth, rect->bottom};
  slices.middle.DrawInRect(target, between);
  slices.right.DrawAt(target, rect->right - rightWidth, rect->top);
}
