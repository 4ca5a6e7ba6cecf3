#include "tools/harness/contact_sheet.h"

#include <windows.h>

#include <algorithm>

#include "tools/harness/png_file.h"
#include "tools/harness/record_form.h"

namespace {

constexpr int kThumbWidth = 300;
constexpr int kColumns = 4;
constexpr int kCaptionHeight = 24;
constexpr int kGap = 12;
constexpr uint32_t kBackground = 0xE9ECEF;
constexpr uint32_t kFailedRed = 0xD0302C;

// GDI draws the captions, since it has the fonts; the pixels go through a DIB and back.
bool DrawCaptions(Image& sheet, const std::vector<SheetEntry>& entries, const SheetLayout& layout) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = sheet.width;
  info.bmiHeader.biHeight = -sheet.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap == nullptr) return false;
  auto* pixels = static_cast<uint32_t*>(bits);
  std::copy(sheet.pixels.begin(), sheet.pixels.end(), pixels);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ previousBitmap = SelectObject(dc, bitmap);
  HFONT font = CreateFontW(-13, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, CLEARTYPE_QUALITY, 0, L"Tahoma");
  HGDIOBJ previousFont = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  for (size_t i = 0; i < entries.size(); ++i) {
    const std::u16string caption = Utf8ToUtf16(entries[i].caption + (entries[i].failed ? "  (failed)" : ""));
    const PixelRect& band = layout.captions[i];
    RECT rect = {band.left + 2, band.top, band.right - 2, band.bottom};
    SetTextColor(dc, entries[i].failed ? RGB(0xD0, 0x30, 0x2C) : RGB(0x33, 0x33, 0x33));
    DrawTextW(dc, reinterpret_cast<const wchar_t*>(caption.c_str()), static_cast<int>(caption.size()), &rect,
              DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
  }
  GdiFlush();
  for (size_t i = 0; i < sheet.pixels.size(); ++i) sheet.pixels[i] = pixels[i] & 0x00FFFFFF;
  SelectObject(dc, previousFont);
  DeleteObject(font);
  SelectObject(dc, previousBitmap);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return true;
}

}  // namespace

bool WriteContactSheet(const std::vector<SheetEntry>& entries, const std::wstring& path) {
  if (entries.empty()) return false;
  int thumbHeight = 0;
  for (const auto& entry : entries) {
    if (entry.image->Empty()) return false;
    thumbHeight = std::max(thumbHeight, entry.image->height * kThumbWidth / entry.image->width);
  }
  const SheetLayout layout =
      LayOutSheet(static_cast<int>(entries.size()), kThumbWidth, thumbHeight, kColumns, kCaptionHeight, kGap);
  Image sheet(layout.width, layout.height, kBackground);
  for (size_t i = 0; i < entries.size(); ++i) {
    const Image& image = *entries[i].image;
    const PixelRect& cell = layout.thumbs[i];
    const Image thumb = Downscale(image, kThumbWidth, image.height * kThumbWidth / image.width);
    Paste(sheet, thumb, cell.left, cell.top);
    if (entries[i].failed)
      FrameRect(sheet, {cell.left - 3, cell.top - 3, cell.right + 3, cell.top + thumb.height + 3}, 3, kFailedRed);
  }
  if (!DrawCaptions(sheet, entries, layout)) return false;
  return SavePng(path.c_str(), sheet.pixels.data(), sheet.width, sheet.height);
}
