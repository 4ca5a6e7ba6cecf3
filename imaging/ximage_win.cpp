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
const BITMAPINFO* AsBitmapInfo(const DibHeader* header) {
  return reinterpret_cast<const BITMAPINFO*>(header);
}

BITMAPINFO Header24(int width, int height) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // bottom-up, like the kernels' surfaces
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
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
void BlendIntoTarget(const ImageView& view, HDC target, int x, int y, int cx, int cy,
                     const PaintBox& box) {
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
  SetDIBitsToDevice(target, box.left, box.top, width, height, 0, 0, 0, height, bits, &info,
                    DIB_RGB_COLORS);
}

// Resamples into a plain 24-bit buffer; the target is not read.
void ResampleIntoTarget(const ImageView& view, HDC target, int x, int y, int cx, int cy,
                        const PaintBox& box) {
  const int width = box.Width();
  const int height = box.Height();
  BITMAPINFO info = Header24(width, height);
  uint8_t* bits = static_cast<uint8_t*>(std::malloc(info.bmiHeader.biSizeImage));
  if (bits == nullptr) return;
  Surface24 buffer = SurfaceOver(bits, width, height);
  ResampleOpaque(view, x, y, cx, cy, box, buffer);
  SetDIBitsToDevice(target, box.left, box.top, width, height, 0, 0, 0, height, bits, &info,
                    DIB_RGB_COLORS);
  std::free(bits);
}

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
  CxMemFile stream(bytes, size);
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

  ScopedSaveDC saved(target);
  if (!saved.Saved()) return false;
  RECT clip;
  GetClipBox(target, &clip);
  const PaintBox box = ComputePaintBox(PaintBox{clip.left, clip.top, clip.right, clip.bottom}, x, y, cx, cy);

  if (NeedsBlending(view)) {
    if (box.Width() > 0 && box.Height() > 0) BlendIntoTarget(view, target, x, y, cx, cy, box);
  } else if (cx == view.width && cy == view.height) {
    SetStretchBltMode(target, COLORONCOLOR);
    SetDIBitsToDevice(target, x, y, cx, cy, 0, 0, 0, cy, Bits(), AsBitmapInfo(Header()),
                      DIB_RGB_COLORS);
  } else if (box.Width() > 0 && box.Height() > 0) {
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
                static_cast<int>(Width()), static_cast<int>(Height()), Bits(),
                AsBitmapInfo(Header()), DIB_RGB_COLORS, rop);
  return true;
}
