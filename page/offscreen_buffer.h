// The off-screen surface of one paint: everything is drawn into a bitmap covering the area
// first, and one block copy puts the finished picture on the target.
#pragma once

#include <windows.h>

#include "util/scoped_gdi.h"

class COffscreenBuffer {
 public:
  // Drawing into Dc() uses the target's client coordinates; only `area` is kept.
  COffscreenBuffer(HDC target, const RECT& area);
  // Copies the area to the target, then releases the bitmap and the context.
  ~COffscreenBuffer();
  COffscreenBuffer(const COffscreenBuffer&) = delete;
  COffscreenBuffer& operator=(const COffscreenBuffer&) = delete;

  HDC Dc() const { return memoryDc_.Get(); }

 private:
  HDC target_;
  RECT area_;
  // Declaration order is teardown order reversed: the bitmap is selected out before it is
  // deleted, and the context goes last.
  ScopedMemoryDC memoryDc_;
  ScopedBitmap bitmap_;
  ScopedSelect selection_;
};

// BeginPaint now, EndPaint at scope end.
class CScopedPaint {
 public:
  explicit CScopedPaint(HWND window) : window_(window) { dc_ = BeginPaint(window_, &paint_); }
  ~CScopedPaint() { EndPaint(window_, &paint_); }
  CScopedPaint(const CScopedPaint&) = delete;
  CScopedPaint& operator=(const CScopedPaint&) = delete;

  HDC Dc() const { return dc_; }
  const RECT& InvalidRect() const { return paint_.rcPaint; }

 private:
  HWND window_;
  PAINTSTRUCT paint_;
  HDC dc_;
};
