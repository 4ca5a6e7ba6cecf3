// The image object's Windows side: module resources, files by wide path, and drawing into a
// device context around the platform-free kernels.

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "imaging/ximage.h"
#include "util/scoped_gdi.h"

namespace {

// The image's own header and palette, as the platform's DIB calls take them.
const BITMAPINFO* AsBitmapInfo(const DibHeader* header) { return reinterpret_cast<const BITMAPINFO*>(header); }

BITMAPINFO Header24(int width, int height) {
  BITMAPINFO info = BottomUpDibInfo(width, height, 24);
  info.bmiHeader.biSizeImage = static_cast<DWORD>(Stride24(width)) * height;
  return info;
}

Surface24 SurfaceOver(void* bits, int width, int height) {
  Surface24 surface;
  surface.bits = static_cast<uint8_t*>(bits);
  surface.width = width;
  surface.height = height;
  surface.stride = Stride24(width);
  return surface;
}

// Blends through a 24-bit DIB section that holds the target's current pixels of the box.
void BlendIntoTarget(const ImageView& view, HDC target, int x, int y, int cx, int cy, const PaintBox& box) {
  const int width = box.Width();
  const int height = box.Height();
  ScopedMemoryDC memory(target);
  if (memory.Get() == nullptr) return;
  BITMAPINFO info = Header24(width, height);
  void* bits = nullptr;
  ScopedBitmap section(CreateDIBSection(target, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!section) return;
  ScopedSelect selection(memory.Get(), section.Get());
  BitBlt(memory.Get(), 0, 0, width, height, target, box.left, box.top, SRCCOPY);
  GdiFlush();
  if (bits != nullptr) {
    Surface24 buffer = SurfaceOver(bits, width, height);
    BlendImage(view, x, y, cx, cy, box, buffer);
  }
  SetDIBitsToDevice(target, box.left, box.top, width, height, 0, 0, 0, height, bits, &info, DIB_RGB_COLORS);
}

// Resamples into a plain 24-bit buffer; the target is not read.
void ResampleIntoTarget(const ImageView& view, HDC target, int x, int y, int cx, int cy, const PaintBox& box) {
  const int width = box.Width();
  const int height = box.Height();
  BITMAPINFO info = Header24(width, height);
  uint8_t* bits = static_cast<uint8_t*>(std::malloc(info.bmiHeader.biSizeImage));
  if (bits == nullptr) return;
  Surface24 buffer = SurfaceOver(bits, width, height);
  ResampleOpaque(view, x, y, cx, cy, box, buffer);
  SetDIBitsToDevice(target, box.left, box.top, width, height, 0, 0, 0, height, bits, &info, DIB_RGB_COLORS);
  std::free(bits);
}

// The target's own pixels of `box` when the target draws into a bottom-up 24- or 32-bit DIB
// section through a plain translation and a rectangular clip: then the kernels can work on
// them in place, with the blue, green and red of the read-back and copy, minus both copies.
// The page's off-screen buffer is such a section.
struct DirectPixels {
  uint8_t* bits = nullptr;  // the bottom line of the box
  int stride = 0;
  int bitsPerPixel = 0;
};

bool DirectSurface(HDC target, int clipKind, const PaintBox& box, DirectPixels& pixels) {
  if (clipKind != SIMPLEREGION || GetMapMode(target) != MM_TEXT || GetGraphicsMode(target) != GM_COMPATIBLE) {
    return false;
  }
  HGDIOBJ bitmap = GetCurrentObject(target, OBJ_BITMAP);
  DIBSECTION section;
  if (bitmap == nullptr || GetObjectW(bitmap, sizeof section, &section) != sizeof section) return false;
  const BITMAPINFOHEADER& header = section.dsBmih;
  if (section.dsBm.bmBits == nullptr || (header.biBitCount != 24 && header.biBitCount != 32) ||
      header.biCompression != BI_RGB || header.biHeight <= 0) {
    return false;
  }
  POINT corners[2] = {{box.left, box.top}, {box.right, box.bottom}};
  if (!LPtoDP(target, corners, 2)) return false;
  const LONG width = section.dsBm.bmWidth;
  const LONG height = section.dsBm.bmHeight;
  if (corners[1].x - corners[0].x != box.Width() || corners[1].y - corners[0].y != box.Height() || corners[0].x < 0 ||
      corners[0].y < 0 || corners[1].x > width || corners[1].y > height) {
    return false;
  }
  GdiFlush();  // GDI may still be writing to the section
  const size_t stride = static_cast<size_t>(section.dsBm.bmWidthBytes);
  // Row 0 of a kernel surface is the bottom line of the box.
  pixels.bits = static_cast<uint8_t*>(section.dsBm.bmBits) + static_cast<size_t>(height - corners[1].y) * stride +
                static_cast<size_t>(corners[0].x) * (header.biBitCount / 8);
  pixels.stride = static_cast<int>(stride);
  pixels.bitsPerPixel = header.biBitCount;
  return true;
}

template <class Surface>
void DrawDirect(const ImageView& view, int x, int y, int cx, int cy, const PaintBox& box, const DirectPixels& pixels) {
  Surface surface;
  surface.bits = pixels.bits;
  surface.width = box.Width();
  surface.height = box.Height();
  surface.stride = pixels.stride;
  // A natural-size opaque draw through the kernel is the copy SetDIBitsToDevice makes.
  if (NeedsBlending(view)) {
    BlendImage(view, x, y, cx, cy, box, surface);
  } else {
    ResampleOpaque(view, x, y, cx, cy, box, surface);
  }
}

// A module's own resource bytes.
class CxResourceFile : public CxMemFile {
 public:
  using CxMemFile::CxMemFile;
  bool ModuleOwned() const override { return true; }
};

}  // namespace

bool CxImage::LoadFromResource(HRSRC resource, uint32_t format, HMODULE module) {
  HGLOBAL loaded = resource != nullptr ? LoadResource(module, resource) : nullptr;
  if (loaded == nullptr) {
    SetLastError("Unable to load resource!");
    return false;
  }
  const DWORD size = SizeofResource(module, resource);
  const void* bytes = LockResource(loaded);
  if (bytes == nullptr) return false;
  CxResourceFile stream(bytes, size);
  return Decode(&stream, format);
}

bool CxImage::LoadFromFile(const wchar_t* path, uint32_t format) {
  if (path == nullptr) return false;
  if (format == CXIMAGE_FORMAT_PNG || format == CXIMAGE_FORMAT_ICO) {
    FILE* file = _wfopen(path, L"rb");
    if (file == nullptr) return false;
    CxIOFile stream(file, true);
    if (Decode(&stream, format)) return true;
  }
  // Not decodable as asked: try detection, but report the first failure if that fails too.
  char firstError[sizeof lastError_];
  std::memcpy(firstError, lastError_, sizeof firstError);
  FILE* file = _wfopen(path, L"rb");
  if (file == nullptr) return false;
  CxIOFile stream(file, true);
  if (Decode(&stream, CXIMAGE_FORMAT_UNKNOWN)) return true;
  if (format != CXIMAGE_FORMAT_UNKNOWN) SetLastError(firstError);
  return false;
}

bool CxImage::DrawAt(HDC target, int32_t x, int32_t y, int32_t cx, int32_t cy) const {
  if (!IsValid() || target == nullptr || cx == 0 || cy == 0 || !enabled_) return false;
  const ImageView view = View();
  if (cx < 0) cx = view.width;
  if (cy < 0) cy = view.height;

  RECT clip;
  const int clipKind = GetClipBox(target, &clip);
  if (clipKind == ERROR) return false;
  const PaintBox box = ComputePaintBox(PaintBox{clip.left, clip.top, clip.right, clip.bottom}, x, y, cx, cy);
  if (box.Width() <= 0 || box.Height() <= 0) return true;

  // Straight into the section's rows, the context untouched: nothing to save.
  DirectPixels direct;
  if (DirectSurface(target, clipKind, box, direct)) {
    if (direct.bitsPerPixel == 32) {
      DrawDirect<Surface32>(view, x, y, cx, cy, box, direct);
    } else {
      DrawDirect<Surface24>(view, x, y, cx, cy, box, direct);
    }
    return true;
  }
  ScopedSaveDC saved(target);
  if (!saved.Saved()) return false;
  if (NeedsBlending(view)) {
    BlendIntoTarget(view, target, x, y, cx, cy, box);
  } else if (cx == view.width && cy == view.height) {
    SetStretchBltMode(target, COLORONCOLOR);
    SetDIBitsToDevice(target, x, y, cx, cy, 0, 0, 0, cy, Bits(), AsBitmapInfo(Header()), DIB_RGB_COLORS);
  } else {
    ResampleIntoTarget(view, target, x, y, cx, cy, box);
  }
  return true;
}

bool CxImage::DrawInRect(HDC target, const RECT& rect) const {
  return DrawAt(target, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
}

bool CxImage::StretchOpaque(HDC target, const RECT& rect, uint32_t rop) const {
  if (!IsValid() || target == nullptr) return false;
  SetStretchBltMode(target, COLORONCOLOR);
  StretchDIBits(target, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, 0, 0,
                static_cast<int>(Width()), static_cast<int>(Height()), Bits(), AsBitmapInfo(Header()), DIB_RGB_COLORS,
                rop);
  return true;
}
