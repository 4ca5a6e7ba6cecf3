#include "testing/dib_canvas.h"

#include <algorithm>
#include <cstring>

namespace {

HBITMAP MakeSection(int width, int height, DibLayout layout, void** bits) {
  const bool topDown = layout == DibLayout::TopDown32;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = topDown ? -height : height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = topDown ? 32 : 24;
  info.bmiHeader.biCompression = BI_RGB;
  return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

template <typename Match>
RECT BoundingBox(const RECT& area, Match match) {
  RECT box = {0, 0, 0, 0};
  bool any = false;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      if (!match(x, y)) continue;
      if (!any) {
        box = {x, y, x + 1, y + 1};
        any = true;
      }
      box.left = x < box.left ? x : box.left;
      box.right = x + 1 > box.right ? x + 1 : box.right;
      box.bottom = y + 1;
    }
  }
  return box;
}

}  // namespace

DibCanvas::DibCanvas(int width, int height, DibLayout layout)
    : width_(width),
      height_(height),
      layout_(layout),
      stride_(layout == DibLayout::TopDown32 ? width * 4 : (width * 3 + 3) & ~3),
      bitmap_(MakeSection(width, height, layout, &bits_)),
      dc_(nullptr),
      selection_(dc_.Get(), bitmap_.Get()) {}

uint8_t* DibCanvas::At(int x, int y) const {
  const int row = layout_ == DibLayout::TopDown32 ? y : height_ - 1 - y;
  return static_cast<uint8_t*>(bits_) + row * stride_ + (layout_ == DibLayout::TopDown32 ? 4 : 3) * x;
}

std::vector<uint8_t> DibCanvas::Rows() const {
  GdiFlush();
  const auto* bytes = static_cast<const uint8_t*>(bits_);
  return std::vector<uint8_t>(bytes, bytes + static_cast<size_t>(stride_) * height_);
}

void DibCanvas::SetRows(const std::vector<uint8_t>& rows) {
  GdiFlush();
  std::memcpy(bits_, rows.data(), std::min(rows.size(), static_cast<size_t>(stride_) * height_));
}

void DibCanvas::Fill(uint32_t rgb) {
  GdiFlush();
  if (layout_ == DibLayout::TopDown32) {
    for (int i = 0; i < width_ * height_; ++i) Bits()[i] = rgb;
    return;
  }
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      uint8_t* p = At(x, y);
      p[0] = rgb & 0xFF;
      p[1] = (rgb >> 8) & 0xFF;
      p[2] = (rgb >> 16) & 0xFF;
    }
  }
}

uint32_t DibCanvas::Pixel(int x, int y) const {
  GdiFlush();
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0xFFFFFFFFu;
  const uint8_t* p = At(x, y);
  return static_cast<uint32_t>(p[2]) << 16 | p[1] << 8 | p[0];
}

void DibCanvas::CaptureClient(HWND window) {
  HDC source = GetDC(window);
  BitBlt(Dc(), 0, 0, width_, height_, source, 0, 0, SRCCOPY);
  ReleaseDC(window, source);
}

int DibCanvas::Count(const RECT& area, uint32_t rgb) const {
  int count = 0;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) count += Pixel(x, y) == rgb;
  }
  return count;
}

int DibCanvas::CountOtherThan(const RECT& area, uint32_t rgb) const {
  int count = 0;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) count += Pixel(x, y) != rgb;
  }
  return count;
}

int DibCanvas::CountDifferent(const DibCanvas& other, const RECT& area) const {
  int count = 0;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) count += Pixel(x, y) != other.Pixel(x, y);
  }
  return count;
}

RECT DibCanvas::InkBox(const RECT& area, uint32_t rgb) const {
  return BoundingBox(area, [&](int x, int y) { return Pixel(x, y) == rgb; });
}

RECT DibCanvas::BoxOtherThan(const RECT& area, uint32_t rgb) const {
  return BoundingBox(area, [&](int x, int y) { return Pixel(x, y) != rgb; });
}

bool IsInk(uint32_t rgb) {
  const int r = rgb >> 16 & 0xFF, g = rgb >> 8 & 0xFF, b = rgb & 0xFF;
  return r + g + b < 3 * 0xD0;
}

std::pair<int, int> InkSpan(const DibCanvas& canvas, const RECT& area) {
  int left = area.right, right = area.left - 1;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      if (!IsInk(canvas.Pixel(x, y))) continue;
      left = std::min(left, x);
      right = std::max(right, x);
    }
  }
  return {left, right};
}
