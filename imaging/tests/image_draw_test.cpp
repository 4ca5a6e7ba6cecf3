// Drawing through real device contexts gives exactly the kernels' pixels.

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <type_traits>
#include <vector>

#include "imaging/draw_base.h"
#include "imaging/ximage.h"
#include "testing/dib_canvas.h"
#include "util/scoped_gdi.h"

namespace {

// A bottom-up 32-bit DIB section in its own memory context, as the page's kept buffer is.
class Section32 {
 public:
  Section32(int width, int height) : bitmap_(Make(width, height, &bits_)), selection_(dc_.Get(), bitmap_.Get()) {
    size_ = static_cast<size_t>(width) * 4 * height;
  }
  HDC Dc() const { return dc_.Get(); }
  std::vector<uint8_t> Rows() const {
    GdiFlush();
    return std::vector<uint8_t>(bits_, bits_ + size_);
  }
  void SetRows(const std::vector<uint8_t>& rows) { std::copy(rows.begin(), rows.end(), bits_); }

 private:
  static HBITMAP Make(int width, int height, uint8_t** bits) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(bits), nullptr, 0);
  }
  uint8_t* bits_ = nullptr;
  size_t size_ = 0;
  ScopedBitmap bitmap_;
  ScopedMemoryDC dc_{nullptr};
  ScopedSelect selection_;
};

// What DrawAt must produce: the kernel applied to the target's pixels of the paint box. `clip`
// and the draw are in logical coordinates, `offset` takes them to the target's pixels.
template <class Surface>
std::vector<uint8_t> KernelResult(const CxImage& image, std::vector<uint8_t> pixels, int targetWidth, int targetHeight,
                                  const PaintBox& clip, int x, int y, int cx, int cy, POINT offset = {0, 0}) {
  constexpr int bytes = std::is_same_v<Surface, Surface32> ? 4 : 3;
  const ImageView view = image.View();
  PaintBox box = ComputePaintBox(clip, x, y, cx, cy);
  const PaintBox logicalBox = box;
  box.left += offset.x, box.right += offset.x, box.top += offset.y, box.bottom += offset.y;
  if (box.Width() <= 0 || box.Height() <= 0) return pixels;
  const int stride = bytes == 4 ? Stride32(targetWidth) : Stride24(targetWidth);
  Surface buffer;
  buffer.width = box.Width();
  buffer.height = box.Height();
  buffer.stride = bytes * buffer.width;
  std::vector<uint8_t> boxPixels(buffer.stride * buffer.height);
  buffer.bits = boxPixels.data();
  // Box row 0 is its bottom line, target row 0 the bottom of the target.
  for (int row = 0; row < buffer.height; ++row) {
    std::memcpy(&boxPixels[row * buffer.stride], &pixels[(targetHeight - box.bottom + row) * stride + bytes * box.left],
                bytes * buffer.width);
  }
  if (NeedsBlending(view)) {
    BlendImage(view, x, y, cx, cy, logicalBox, buffer);
  } else {
    ResampleOpaque(view, x, y, cx, cy, logicalBox, buffer);
  }
  for (int row = 0; row < buffer.height; ++row) {
    std::memcpy(&pixels[(targetHeight - box.bottom + row) * stride + bytes * box.left], &boxPixels[row * buffer.stride],
                bytes * buffer.width);
  }
  return pixels;
}

// Blue, green and red of every pixel of bottom-up 24- or 32-bit rows, in order.
std::vector<uint8_t> Colours(const std::vector<uint8_t>& rows, int width, int height, int bytes) {
  const int stride = bytes == 4 ? Stride32(width) : Stride24(width);
  std::vector<uint8_t> out;
  for (int row = 0; row < height; ++row) {
    for (int px = 0; px < width; ++px) {
      const uint8_t* p = &rows[row * stride + bytes * px];
      out.insert(out.end(), p, p + 3);
    }
  }
  return out;
}

void FillRandomImage(CxImage& image, std::mt19937& random) {
  const int bitDepths[] = {1, 4, 8, 24};
  const int bpp = bitDepths[random() % 4];
  const int width = 1 + random() % 40;
  const int height = 1 + random() % 40;
  ASSERT_NE(image.Create(width, height, bpp, CXIMAGE_FORMAT_PNG), nullptr);
  uint8_t* bits = image.Bits();
  for (uint32_t i = 0; i < image.EffectiveWidth() * image.Height(); ++i) bits[i] = random();
  for (uint32_t i = 0; i < image.PaletteCount(); ++i) {
    image.Palette()[i] = RgbQuad{uint8_t(random()), uint8_t(random()), uint8_t(random()), uint8_t(random())};
  }
  if (random() % 2) {
    ASSERT_TRUE(image.CreateAlphaPlane());
    for (int i = 0; i < width * height; ++i) {
      const int kind = random() % 10;
      image.AlphaPlane()[i] = kind < 6 ? 255 : kind < 8 ? 0 : uint8_t(random());
    }
  }
  if (bpp < 24 && random() % 3 == 0) image.SetAlphaPaletteEnabled(true);
  if (random() % 4 == 0) image.SetTransparencyIndex(random() % 3);
  if (random() % 4 == 0) image.SetAlphaMax(uint8_t(random()));
}

// Onto a 24-bit section and onto a 32-bit one (whose fourth bytes follow the kernels' rule
// where it draws in place, under a rectangular clip).
TEST(ImageDrawTest, DrawAtGivesTheKernelsPixelsUnderAnyClipRegionAndOrigin) {
  constexpr int kWidth = 97;
  constexpr int kHeight = 61;
  std::mt19937 random(20261207);
  for (int round = 0; round < 300; ++round) {
    SCOPED_TRACE(round);
    CxImage image;
    FillRandomImage(image, random);
    DibCanvas target(kWidth, kHeight, DibLayout::BottomUp24);
    std::vector<uint8_t> before(target.Stride() * kHeight);
    for (uint8_t& byte : before) byte = random();
    target.SetRows(before);
    // The same pixels with fourth bytes of every value.
    Section32 wide(kWidth, kHeight);
    std::vector<uint8_t> before32(Stride32(kWidth) * kHeight);
    for (int row = 0; row < kHeight; ++row) {
      for (int px = 0; px < kWidth; ++px) {
        std::copy_n(&before[row * target.Stride() + 3 * px], 3, &before32[row * Stride32(kWidth) + 4 * px]);
        before32[row * Stride32(kWidth) + 4 * px + 3] = uint8_t(random());
      }
    }
    wide.SetRows(before32);

    // A rectangle (drawn in the target's own memory), with a shifted origin (the same, offset),
    // or two rectangles (through a read-back, and only inside them).
    const int kind = round % 3;
    const PaintBox clip = {int(random() % 30), int(random() % 20), 40 + int(random() % 58), 30 + int(random() % 32)};
    HRGN region = CreateRectRgn(clip.left, clip.top, clip.right, clip.bottom);
    if (kind == 2) {
      HRGN second = CreateRectRgn(0, 50, 20, 61);
      CombineRgn(region, region, second, RGN_OR);
      DeleteObject(second);
    }
    SelectClipRgn(target.Dc(), region);
    SelectClipRgn(wide.Dc(), region);
    const POINT offset = {kind == 1 ? int(random() % 9) - 4 : 0, kind == 1 ? int(random() % 9) - 4 : 0};
    SetViewportOrgEx(target.Dc(), offset.x, offset.y, nullptr);
    SetViewportOrgEx(wide.Dc(), offset.x, offset.y, nullptr);
    RECT logicalClip;
    GetClipBox(target.Dc(), &logicalClip);

    const int x = int(random() % 120) - 30;
    const int y = int(random() % 80) - 20;
    const bool naturalSize = random() % 3 == 0;
    const int cx = naturalSize ? int(image.Width()) : 1 + int(random() % 90);
    const int cy = naturalSize ? int(image.Height()) : 1 + int(random() % 70);
    ASSERT_TRUE(image.DrawAt(target.Dc(), x, y, cx, cy));
    ASSERT_TRUE(image.DrawAt(wide.Dc(), x, y, cx, cy));
    const PaintBox bounds = {logicalClip.left, logicalClip.top, logicalClip.right, logicalClip.bottom};
    std::vector<uint8_t> expected =
        KernelResult<Surface24>(image, before, kWidth, kHeight, bounds, x, y, cx, cy, offset);
    std::vector<uint8_t> expected32 =
        KernelResult<Surface32>(image, before32, kWidth, kHeight, bounds, x, y, cx, cy, offset);
    for (int py = 0; py < kHeight; ++py) {
      for (int px = 0; px < kWidth; ++px) {
        if (PtInRegion(region, px, py)) continue;
        const size_t at = static_cast<size_t>(kHeight - 1 - py) * target.Stride() + 3 * px;
        std::copy(&before[at], &before[at] + 3, &expected[at]);
        const size_t at32 = static_cast<size_t>(kHeight - 1 - py) * Stride32(kWidth) + 4 * px;
        std::copy(&before32[at32], &before32[at32] + 4, &expected32[at32]);
      }
    }
    DeleteObject(region);
    EXPECT_EQ(target.Rows(), expected) << "clip kind " << kind;
    const std::vector<uint8_t> got32 = wide.Rows();
    EXPECT_EQ(Colours(got32, kWidth, kHeight, 4), Colours(target.Rows(), kWidth, kHeight, 3)) << "clip kind " << kind;
    if (kind != 2) {
      EXPECT_EQ(got32, expected32) << "clip kind " << kind;
    }
  }
}

TEST(ImageDrawTest, NothingIsDrawnForAnEmptyDisabledOrZeroSizedDraw) {
  DibCanvas target(8, 8, DibLayout::BottomUp24);
  std::vector<uint8_t> before(target.Stride() * 8, 0x33);
  target.SetRows(before);
  CxImage image;
  EXPECT_FALSE(image.DrawAt(target.Dc(), 0, 0));  // not valid
  ASSERT_NE(image.Create(4, 4, 24, CXIMAGE_FORMAT_PNG), nullptr);
  std::memset(image.Bits(), 0xEE, image.EffectiveWidth() * 4);
  EXPECT_FALSE(image.DrawAt(nullptr, 0, 0));
  EXPECT_FALSE(image.DrawAt(target.Dc(), 0, 0, 0, 4));
  EXPECT_FALSE(image.DrawAt(target.Dc(), 0, 0, 4, 0));
  image.SetEnabled(false);
  EXPECT_FALSE(image.DrawAt(target.Dc(), 0, 0));
  image.SetEnabled(true);
  EXPECT_TRUE(image.DrawAt(target.Dc(), 20, 20));  // runs, but lies outside the target
  EXPECT_EQ(target.Rows(), before);
  EXPECT_TRUE(image.DrawAt(target.Dc(), 0, 0));
  EXPECT_NE(target.Rows(), before);
}

TEST(ImageDrawTest, StretchOpaqueCoversTheRectangleIgnoringAlpha) {
  CxImage image;
  ASSERT_NE(image.Create(2, 2, 24, CXIMAGE_FORMAT_PNG), nullptr);
  // Bottom row first: (0,1) (1,1) then (0,0) (1,0), blue, green, red.
  const uint8_t rows[2][8] = {{1, 2, 3, 4, 5, 6, 0, 0}, {7, 8, 9, 10, 11, 12, 0, 0}};
  std::memcpy(image.Bits(), rows, sizeof rows);
  ASSERT_TRUE(image.CreateAlphaPlane());
  std::memset(image.AlphaPlane(), 0, 4);

  DibCanvas target(6, 6, DibLayout::BottomUp24);
  const RECT rect = {1, 1, 5, 5};
  EXPECT_TRUE(image.StretchOpaque(target.Dc(), rect, SRCCOPY));
  const uint32_t topLeft = 0x090807, topRight = 0x0C0B0A, bottomLeft = 0x030201, bottomRight = 0x060504;
  const uint32_t expected[4][4] = {{topLeft, topLeft, topRight, topRight},
                                   {topLeft, topLeft, topRight, topRight},
                                   {bottomLeft, bottomLeft, bottomRight, bottomRight},
                                   {bottomLeft, bottomLeft, bottomRight, bottomRight}};
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) EXPECT_EQ(target.Pixel(1 + x, 1 + y), expected[y][x]) << x << "," << y;
  }
  EXPECT_EQ(target.Pixel(0, 0), 0u);
  EXPECT_EQ(target.Pixel(5, 5), 0u);

  CxImage empty;
  EXPECT_FALSE(empty.StretchOpaque(target.Dc(), rect, SRCCOPY));
}

TEST(ImageDrawTest, ThreeSlicesKeepTheEdgesAndStretchTheMiddle) {
  constexpr int kImageWidth = 60;
  constexpr int kHeight = 3;
  CxImage image;
  ASSERT_NE(image.Create(kImageWidth, kHeight, 24, CXIMAGE_FORMAT_PNG), nullptr);
  for (uint32_t row = 0; row < kHeight; ++row) {
    for (int x = 0; x < kImageWidth; ++x) {
      uint8_t* p = image.Bits() + row * image.EffectiveWidth() + 3 * x;
      p[0] = uint8_t(x);
      p[1] = uint8_t(row);
      p[2] = 0x80;
    }
  }
  DibCanvas target(720, kHeight, DibLayout::BottomUp24);
  const RECT rect = {10, 0, 710, kHeight};
  CDrawSpecific drawing;
  drawing.DrawThreeSlice(target.Dc(), &image, 18, 18, &rect);

  auto column = [&](int x) { return int(target.Pixel(x, 0) & 0xFF); };
  for (int i = 0; i < 18; ++i) {
    EXPECT_EQ(column(10 + i), i);
    EXPECT_EQ(column(692 + i), 42 + i);
  }
  // The 24 middle columns over 664 pixels, by the nearest rule.
  const float step = 24.0f / 664.0f;
  for (int k = 0; k < 664; ++k) {
    EXPECT_EQ(column(28 + k), 18 + int(float(k) * step)) << k;
  }
  EXPECT_EQ(target.Pixel(9, 0), 0u);
  EXPECT_EQ(target.Pixel(710, 0), 0u);
}

}  // namespace
