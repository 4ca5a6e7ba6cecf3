#include "page/page_frame.h"

CKeptSurface::Section::Section(int width, int height)
    : width(width),
      height(height),
      dc(nullptr),
      bitmap(dc.Get() != nullptr ? CreateBottomUpSection(dc.Get(), width, height, 32) : nullptr),
      selection(dc.Get(), bitmap.Get()) {}

bool CKeptSurface::Fit(int width, int height, bool& made) {
  made = false;
  if (section_ && section_->width == width && section_->height == height) return true;
  section_.reset();  // the old one goes first: two full-size sections need not fit at once
  if (width <= 0 || height <= 0) return false;
  section_.emplace(width, height);
  if (section_->dc.Get() == nullptr || !section_->bitmap) {
    section_.reset();
    return false;
  }
  made = true;
  return true;
}

CPageFrame::CPageFrame() : clip_(CreateRectRgn(0, 0, 0, 0)) {}

bool CPageFrame::Fit(int width, int height) {
  ReleaseOtherSizes(width, height);  // first: the old surfaces and the new frame need not fit at once
  bool made = false;
  if (!frame_.Fit(width, height, made)) {
    Release();
    return false;
  }
  if (made) damage_.AddAll();
  return true;
}

namespace {

bool KeptAtOtherSize(const CKeptSurface& surface, int width, int height) {
  return surface.Dc() != nullptr && (surface.Width() != width || surface.Height() != height);
}

}  // namespace

void CPageFrame::ReleaseOtherSizes(int width, int height) {
  if (KeptAtOtherSize(frame_, width, height)) {
    frame_.Release();
    damage_.AddAll();
  }
  for (CKeptSurface& backdrop : backdrops_) {
    if (KeptAtOtherSize(backdrop, width, height)) backdrop.Release();
  }
}

bool CPageFrame::KeepsOnly(int width, int height) const {
  if (KeptAtOtherSize(frame_, width, height)) return false;
  for (const CKeptSurface& backdrop : backdrops_) {
    if (KeptAtOtherSize(backdrop, width, height)) return false;
  }
  return true;
}

void CPageFrame::CopyTo(HDC target, const RECT& area) const {
  if (frame_.Dc() == nullptr || target == nullptr) return;
  BitBlt(target, area.left, area.top, area.right - area.left, area.bottom - area.top, frame_.Dc(), area.left, area.top,
         SRCCOPY);
}

void CPageFrame::CopyBackdrop(HDC dc, const CKeptSurface& backdrop, const RECT& rect) {
  BitBlt(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, backdrop.Dc(), rect.left, rect.top,
         SRCCOPY);
}

void CPageFrame::Release() {
  frame_.Release();
  for (CKeptSurface& backdrop : backdrops_) backdrop.Release();
  damage_.AddAll();
}
