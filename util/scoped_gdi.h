// One owner per GDI handle. Owners are move-only, so a handle is deleted exactly once, and a
// selection guard puts the previous object back before its owner deletes anything: declare
// the owner first and the guard after it, and destruction runs in the safe order.
#pragma once

#include <windows.h>

#include <memory>
#include <utility>

template <typename Handle>
class ScopedGdiObject {
 public:
  ScopedGdiObject() = default;
  explicit ScopedGdiObject(Handle handle) : handle_(handle) {}
  ScopedGdiObject(ScopedGdiObject&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  ScopedGdiObject& operator=(ScopedGdiObject&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.handle_, nullptr));
    return *this;
  }
  ScopedGdiObject(const ScopedGdiObject&) = delete;
  ScopedGdiObject& operator=(const ScopedGdiObject&) = delete;
  ~ScopedGdiObject() { Reset(nullptr); }

  Handle Get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

  void Reset(Handle handle) {
    if (handle_ != nullptr) DeleteObject(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_ = nullptr;
};

using ScopedFont = ScopedGdiObject<HFONT>;
// A font several holders draw with: it goes when the last of them lets go, so a control never
// reads a handle its owner has already deleted.
using SharedFont = std::shared_ptr<const ScopedFont>;
inline SharedFont ShareFont(HFONT font) { return std::make_shared<const ScopedFont>(font); }
using ScopedBitmap = ScopedGdiObject<HBITMAP>;
using ScopedBrush = ScopedGdiObject<HBRUSH>;

// A memory device context made by CreateCompatibleDC.
class ScopedMemoryDC {
 public:
  explicit ScopedMemoryDC(HDC compatibleWith) : dc_(CreateCompatibleDC(compatibleWith)) {}
  ScopedMemoryDC(const ScopedMemoryDC&) = delete;
  ScopedMemoryDC& operator=(const ScopedMemoryDC&) = delete;
  ~ScopedMemoryDC() {
    if (dc_ != nullptr) DeleteDC(std::exchange(dc_, nullptr));
  }
  HDC Get() const { return dc_; }

 private:
  HDC dc_;
};

// Selects an object into a context and selects the previous one back at scope end.
class ScopedSelect {
 public:
  ScopedSelect(HDC dc, HGDIOBJ object)
      : dc_(dc), previous_(dc != nullptr && object != nullptr ? SelectObject(dc, object) : nullptr) {}
  ScopedSelect(const ScopedSelect&) = delete;
  ScopedSelect& operator=(const ScopedSelect&) = delete;
  ~ScopedSelect() {
    if (previous_ != nullptr && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
  }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// SaveDC now, RestoreDC at scope end.
class ScopedSaveDC {
 public:
  explicit ScopedSaveDC(HDC dc) : dc_(dc), saved_(dc != nullptr ? SaveDC(dc) : 0) {}
  ScopedSaveDC(const ScopedSaveDC&) = delete;
  ScopedSaveDC& operator=(const ScopedSaveDC&) = delete;
  ~ScopedSaveDC() {
    if (saved_ != 0) RestoreDC(dc_, saved_);
  }
  bool Saved() const { return saved_ != 0; }

 private:
  HDC dc_;
  int saved_;
};

// The header of a bottom-up BI_RGB bitmap, rows from the bottom line up as the drawing
// kernels' surfaces are, with no colour table.
inline BITMAPINFO BottomUpDibInfo(int width, int height, WORD bitsPerPixel) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = bitsPerPixel;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

// A bottom-up DIB section of that header; null when it cannot be made.
inline HBITMAP CreateBottomUpSection(HDC dc, int width, int height, WORD bitsPerPixel) {
  const BITMAPINFO info = BottomUpDibInfo(width, height, bitsPerPixel);
  void* bits = nullptr;
  return CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
}
