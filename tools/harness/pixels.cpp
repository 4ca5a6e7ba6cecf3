#include "tools/harness/pixels.h"

#include <algorithm>
#include <cstdlib>

namespace {

int Channel(uint32_t pixel, int shift) { return static_cast<int>((pixel >> shift) & 0xFF); }

}  // namespace

uint32_t PackRgb(Rgb color) {
  return (static_cast<uint32_t>(color.r) << 16) | (static_cast<uint32_t>(color.g) << 8) | color.b;
}

bool NearColor(uint32_t pixel, Rgb color, int tolerance) {
  return std::abs(Channel(pixel, 16) - color.r) <= tolerance && std::abs(Channel(pixel, 8) - color.g) <= tolerance &&
         std::abs(Channel(pixel, 0) - color.b) <= tolerance;
}

PixelRect ClipRect(const PixelRect& rect, int width, int height) {
  PixelRect clipped{std::max(rect.left, 0), std::max(rect.top, 0), std::min(rect.right, width),
                    std::min(rect.bottom, height)};
  if (clipped.right < clipped.left) clipped.right = clipped.left;
  if (clipped.bottom < clipped.top) clipped.bottom = clipped.top;
  return clipped;
}

PixelRect Offset(const PixelRect& rect, int dx, int dy) {
  return {rect.left + dx, rect.top + dy, rect.right + dx, rect.bottom + dy};
}

int64_t CountNear(const Image& image, const PixelRect& rect, Rgb color, int tolerance) {
  const PixelRect area = ClipRect(rect, image.width, image.height);
  int64_t count = 0;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      if (NearColor(image.At(x, y), color, tolerance)) ++count;
    }
  }
  return count;
}

RegionDifference CompareRegion(const Image& before, const Image& now, const PixelRect& rect, int tolerance) {
  RegionDifference difference;
  const PixelRect area = ClipRect(ClipRect(rect, before.width, before.height), now.width, now.height);
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      const uint32_t a = before.At(x, y);
      const uint32_t b = now.At(x, y);
      const bool differs = std::abs(Channel(a, 16) - Channel(b, 16)) > tolerance ||
                           std::abs(Channel(a, 8) - Channel(b, 8)) > tolerance ||
                           std::abs(Channel(a, 0) - Channel(b, 0)) > tolerance;
      if (!differs) continue;
      if (difference.count == 0) {
        difference.firstX = x;
        difference.firstY = y;
        difference.was = a;
        difference.now = b;
      }
      ++difference.count;
    }
  }
  return difference;
}

Image Downscale(const Image& source, int width, int height) {
  Image target(width, height);
  if (source.Empty() || width <= 0 || height <= 0) return target;
  for (int ty = 0; ty < height; ++ty) {
    const int y0 = static_cast<int>(static_cast<int64_t>(ty) * source.height / height);
    const int y1 = std::max(y0 + 1, static_cast<int>(static_cast<int64_t>(ty + 1) * source.height / height));
    for (int tx = 0; tx < width; ++tx) {
      const int x0 = static_cast<int>(static_cast<int64_t>(tx) * source.width / width);
      const int x1 = std::max(x0 + 1, static_cast<int>(static_cast<int64_t>(tx + 1) * source.width / width));
      uint64_t sums[3] = {0, 0, 0};
      for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
          const uint32_t p = source.At(x, y);
          sums[0] += Channel(p, 16);
          sums[1] += Channel(p, 8);
          sums[2] += Channel(p, 0);
        }
      }
      const uint64_t n = static_cast<uint64_t>(y1 - y0) * static_cast<uint64_t>(x1 - x0);
      const auto mean = [n](uint64_t sum) { return static_cast<uint32_t>((sum + n / 2) / n); };
      target.At(tx, ty) = (mean(sums[0]) << 16) | (mean(sums[1]) << 8) | mean(sums[2]);
    }
  }
  return target;
}

void Paste(Image& target, const Image& source, int x, int y) {
  const PixelRect area = ClipRect({x, y, x + source.width, y + source.height}, target.width, target.height);
  for (int ty = area.top; ty < area.bottom; ++ty) {
    for (int tx = area.left; tx < area.right; ++tx) target.At(tx, ty) = source.At(tx - x, ty - y);
  }
}

void FillRect(Image& target, const PixelRect& rect, uint32_t color) {
  const PixelRect area = ClipRect(rect, target.width, target.height);
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) target.At(x, y) = color;
  }
}

void FrameRect(Image& target, const PixelRect& rect, int thickness, uint32_t color) {
  FillRect(target, {rect.left, rect.top, rect.right, rect.top + thickness}, color);
  FillRect(target, {rect.left, rect.bottom - thickness, rect.right, rect.bottom}, color);
  FillRect(target, {rect.left, rect.top, rect.left + thickness, rect.bottom}, color);
  FillRect(target, {rect.right - thickness, rect.top, rect.right, rect.bottom}, color);
}

SheetLayout LayOutSheet(int count, int thumbWidth, int thumbHeight, int columns, int captionHeight, int gap) {
  SheetLayout layout;
  if (count <= 0 || columns <= 0) return layout;
  const int usedColumns = std::min(count, columns);
  const int rows = (count + columns - 1) / columns;
  const int cellHeight = thumbHeight + captionHeight;
  layout.width = gap + usedColumns * (thumbWidth + gap);
  layout.height = gap + rows * (cellHeight + gap);
  for (int i = 0; i < count; ++i) {
    const int left = gap + (i % columns) * (thumbWidth + gap);
    const int top = gap + (i / columns) * (cellHeight + gap);
    layout.thumbs.push_back({left, top, left + thumbWidth, top + thumbHeight});
    layout.captions.push_back({left, top + thumbHeight, left + thumbWidth, top + cellHeight});
  }
  return layout;
}
