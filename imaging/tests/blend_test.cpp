#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <random>
#include <sstream>
#include <type_traits>
#include <vector>

#include "imaging/blend_paths.h"
#include "imaging/image_view.h"

namespace {

// An image over owned buffers; view() is valid while the Image lives and is not resized.
struct Image {
  std::vector<uint8_t> bits, palette, alpha;
  ImageView v;

  // `padding` bytes past the minimum row size; exactly sized, so the sanitizer sees any read
  // beyond the last row.
  Image(int width, int height, int bpp, int padding = 0) {
    v.width = width;
    v.height = height;
    v.bitsPerPixel = bpp;
    v.stride = ((width * bpp + 31) / 32) * 4 + padding;
    bits.assign(static_cast<size_t>(v.stride) * height, 0);
    if (bpp != 24) palette.assign(static_cast<size_t>(4) << bpp, 0);
    Sync();
  }
  void Sync() {
    v.bits = bits.data();
    v.palette = palette.empty() ? nullptr : palette.data();
    v.paletteCount = static_cast<int>(palette.size() / 4);
    v.alpha = alpha.empty() ? nullptr : alpha.data();
  }
  void SetEntry(int i, uint8_t b, uint8_t g, uint8_t r, uint8_t reserved = 0) {
    palette[i * 4] = b, palette[i * 4 + 1] = g, palette[i * 4 + 2] = r, palette[i * 4 + 3] = reserved;
  }
  // sy counts from the bottom row, as stored.
  void SetIndex(int sx, int sy, unsigned index) {
    uint8_t* row = &bits[static_cast<size_t>(sy) * v.stride];
    if (v.bitsPerPixel == 8) {
      row[sx] = static_cast<uint8_t>(index);
    } else if (v.bitsPerPixel == 4) {
      const int shift = (sx & 1) ? 0 : 4;
      row[sx >> 1] = static_cast<uint8_t>((row[sx >> 1] & ~(0xF << shift)) | (index << shift));
    } else {
      const int shift = 7 - (sx & 7);
      row[sx >> 3] = static_cast<uint8_t>((row[sx >> 3] & ~(1 << shift)) | ((index & 1) << shift));
    }
  }
  void SetBgr(int sx, int sy, uint8_t b, uint8_t g, uint8_t r) {
    uint8_t* p = &bits[static_cast<size_t>(sy) * v.stride + sx * 3];
    p[0] = b, p[1] = g, p[2] = r;
  }
  void SetAlpha(int sx, int sy, uint8_t a) {
    if (alpha.empty()) alpha.assign(static_cast<size_t>(v.width) * v.height, 255);
    alpha[static_cast<size_t>(sy) * v.width + sx] = a;
    Sync();
  }
};

// A 24- or 32-bit buffer; exactly sized, so the sanitizer sees any access past its last row.
template <class Surface>
struct BufferOf {
  static constexpr int kBytes = std::is_same_v<Surface, Surface32> ? 4 : 3;
  std::vector<uint8_t> bytes;
  Surface s;
  BufferOf(int width, int height, uint8_t fill, int padding = 0) {
    s.width = width;
    s.height = height;
    s.stride = (kBytes == 4 ? Stride32(width) : Stride24(width)) + padding;
    bytes.assign(static_cast<size_t>(s.stride) * height, fill);
    s.bits = bytes.data();
  }
  BufferOf(const BufferOf& other) : bytes(other.bytes), s(other.s) { s.bits = bytes.data(); }
  uint8_t* At(int xx, int yy) { return &bytes[static_cast<size_t>(yy) * s.stride + xx * kBytes]; }
  const uint8_t* At(int xx, int yy) const { return &bytes[static_cast<size_t>(yy) * s.stride + xx * kBytes]; }
  void Set(int xx, int yy, uint8_t b, uint8_t g, uint8_t r) {
    uint8_t* p = At(xx, yy);
    p[0] = b, p[1] = g, p[2] = r;
  }
};
using Buffer = BufferOf<Surface24>;
using Buffer32 = BufferOf<Surface32>;

using DrawFunction = void (*)(const ImageView&, int, int, int, int, const PaintBox&, Surface24&);

PaintBox Box(int left, int top, int right, int bottom) { return PaintBox{left, top, right, bottom}; }

std::vector<uint8_t> Bgr(const uint8_t* p) { return {p[0], p[1], p[2]}; }
using Px = std::vector<uint8_t>;

// One pixel of a 1x1 image over a 1x1 buffer, at natural size.
Px BlendOne(const Image& image, Px under) {
  Buffer buffer(1, 1, 0);
  buffer.Set(0, 0, under[0], under[1], under[2]);
  BlendImage(image.v, 0, 0, 1, 1, Box(0, 0, 1, 1), buffer.s);
  return Bgr(buffer.At(0, 0));
}

Image Solid24(uint8_t b, uint8_t g, uint8_t r, int alpha) {
  Image image(1, 1, 24);
  image.SetBgr(0, 0, b, g, r);
  if (alpha >= 0) image.SetAlpha(0, 0, static_cast<uint8_t>(alpha));
  return image;
}

TEST(ComputePaintBoxTest, ClampsTheDestinationToTheClipBox) {
  struct Case {
    int x, y, cx, cy;
    PaintBox want;
  };
  const PaintBox clip = Box(0, 0, 100, 50);
  const Case cases[] = {
      {10, 5, 20, 10, Box(10, 5, 30, 15)},
      {-5, -7, 20, 10, Box(0, 0, 15, 3)},
      {90, 45, 20, 10, Box(90, 45, 100, 50)},
      {200, 10, 5, 5, Box(100, 10, 100, 15)},             // right of the clip: empty
      {-50, -50, 10, 10, Box(0, 0, 0, 0)},                // above and left: empty
      {INT_MAX - 1, 0, INT_MAX, 5, Box(100, 0, 100, 5)},  // x + cx overflows an int
      {-10, 0, INT_MAX, 5, Box(0, 0, 100, 5)},
      {20, 20, -5, -5, Box(20, 20, 20, 20)},  // negative size: empty, not inverted
  };
  for (const Case& c : cases) {
    const PaintBox got = ComputePaintBox(clip, c.x, c.y, c.cx, c.cy);
    const PaintBox fromInverted = ComputePaintBox(Box(100, 50, 0, 0), c.x, c.y, c.cx, c.cy);
    EXPECT_EQ(fromInverted.Width(), 0);
    EXPECT_EQ(fromInverted.Height(), 0);
    EXPECT_EQ(got.left, c.want.left) << c.x << "," << c.y;
    EXPECT_EQ(got.top, c.want.top) << c.x << "," << c.y;
    EXPECT_EQ(got.right, c.want.right) << c.x << "," << c.y;
    EXPECT_EQ(got.bottom, c.want.bottom) << c.x << "," << c.y;
  }
}

TEST(NeedsBlendingTest, OnlyTransparencyOrAlphaNeedBlending) {
  const uint8_t plane[1] = {255};
  ImageView plain;
  EXPECT_FALSE(NeedsBlending(plain));
  ImageView keyed;
  keyed.transparencyIndex = 0;
  EXPECT_TRUE(NeedsBlending(keyed));
  ImageView withPlane;
  withPlane.alpha = plane;
  EXPECT_TRUE(NeedsBlending(withPlane));
  ImageView paletteAlpha;
  paletteAlpha.alphaPaletteEnabled = true;
  EXPECT_TRUE(NeedsBlending(paletteAlpha));
}

TEST(BlendImageTest, AlphaMixesSourceOverBuffer) {
  struct Case {
    Px src;
    int alpha;  // < 0: no alpha plane
    uint8_t alphaMax;
    Px under, want;
  };
  const Case cases[] = {
      {{10, 20, 30}, 255, 255, {200, 210, 220}, {10, 20, 30}},
      {{10, 20, 30}, -1, 255, {200, 210, 220}, {10, 20, 30}},
      {{10, 20, 30}, 0, 255, {200, 210, 220}, {200, 210, 220}},
      {{0, 0, 0}, 128, 255, {255, 255, 255}, {126, 126, 126}},  // 127 * 255 >> 8
      {{255, 255, 255}, 128, 255, {0, 0, 0}, {127, 127, 127}},  // 128 * 255 >> 8
      {{255, 255, 255}, 255, 127, {0, 0, 0}, {126, 126, 126}},  // a = 255 * 128 >> 8 = 127
      {{255, 255, 255}, -1, 127, {0, 0, 0}, {126, 126, 126}},
      {{255, 255, 255}, 255, 0, {9, 8, 7}, {9, 8, 7}},  // a = 255 * 1 >> 8 = 0
  };
  for (const Case& c : cases) {
    Image image = Solid24(c.src[0], c.src[1], c.src[2], c.alpha);
    image.v.alphaMax = c.alphaMax;
    EXPECT_EQ(BlendOne(image, c.under), c.want) << c.alpha << " max " << int{c.alphaMax};
  }
}

TEST(BlendImageTest, PaletteAlphaScalesPixelAlpha) {
  struct Case {
    uint8_t reserved;
    bool enabled;
    Px want;
  };
  const Case cases[] = {
      {255, true, {255, 255, 255}},
      {127, true, {126, 126, 126}},  // a = 255 * 128 >> 8 = 127, then 255 * 127 >> 8
      {0, true, {0, 0, 0}},          // a = 255 * 1 >> 8 = 0
      {0, false, {255, 255, 255}},
  };
  for (const Case& c : cases) {
    Image image(1, 1, 8);
    image.SetEntry(0, 255, 255, 255, c.reserved);
    image.v.alphaPaletteEnabled = c.enabled;
    EXPECT_EQ(BlendOne(image, {0, 0, 0}), c.want) << int{c.reserved} << c.enabled;
  }
}

TEST(BlendImageTest, TransparentIndexLeavesBufferUnchanged) {
  for (int bpp : {1, 4, 8}) {
    Image image(2, 1, bpp);
    image.SetEntry(0, 1, 2, 3);
    image.SetEntry(1, 4, 5, 6);
    image.SetIndex(0, 0, 0);
    image.SetIndex(1, 0, 1);
    image.v.transparencyIndex = 1;
    Buffer buffer(2, 1, 99);
    BlendImage(image.v, 0, 0, 2, 1, Box(0, 0, 2, 1), buffer.s);
    EXPECT_EQ(Bgr(buffer.At(0, 0)), (Px{1, 2, 3})) << bpp;
    EXPECT_EQ(Bgr(buffer.At(1, 0)), (Px{99, 99, 99})) << bpp;
  }
}

TEST(BlendImageTest, TransparentColourLeavesBufferUnchangedOnlyWithZeroFourthByte) {
  Image image = Solid24(10, 20, 30, -1);
  image.v.transparencyIndex = 0;
  image.v.transparencyColor[0] = 10, image.v.transparencyColor[1] = 20;
  image.v.transparencyColor[2] = 30;
  EXPECT_EQ(BlendOne(image, {7, 7, 7}), (Px{7, 7, 7}));
  image.v.transparencyColor[3] = 1;
  EXPECT_EQ(BlendOne(image, {7, 7, 7}), (Px{10, 20, 30}));
  image.v.transparencyColor[3] = 0;
  image.v.transparencyIndex = -1;
  EXPECT_EQ(BlendOne(image, {7, 7, 7}), (Px{10, 20, 30}));
}

TEST(BlendImageTest, IndexBeyondPaletteIsBlack) {
  Image image(1, 1, 8);
  image.SetEntry(5, 50, 60, 70);
  image.SetIndex(0, 0, 5);
  image.v.paletteCount = 2;
  EXPECT_EQ(BlendOne(image, {9, 9, 9}), (Px{0, 0, 0}));
  Buffer buffer(1, 1, 9);
  ResampleOpaque(image.v, 0, 0, 1, 1, Box(0, 0, 1, 1), buffer.s);
  EXPECT_EQ(Bgr(buffer.At(0, 0)), (Px{0, 0, 0}));
}

// A 24-bit image whose pixel (sx, sy) is (sx, sy, 77).
Image Coordinates(int width, int height) {
  Image image(width, height, 24);
  for (int sy = 0; sy < height; ++sy)
    for (int sx = 0; sx < width; ++sx) image.SetBgr(sx, sy, static_cast<uint8_t>(sx), static_cast<uint8_t>(sy), 77);
  image.SetAlpha(0, 0, 255);  // an all-opaque plane: blending mode, same pixels
  return image;
}

TEST(BlendImageTest, NearestNeighbourStretchAndShrink) {
  struct Case {
    int size, target;
  };
  for (const Case c : {Case{2, 4}, Case{4, 2}}) {
    const Image image = Coordinates(c.size, c.size);
    for (int blend = 0; blend < 2; ++blend) {
      Buffer buffer(c.target, c.target, 0);
      const PaintBox box = Box(0, 0, c.target, c.target);
      if (blend)
        BlendImage(image.v, 0, 0, c.target, c.target, box, buffer.s);
      else
        ResampleOpaque(image.v, 0, 0, c.target, c.target, box, buffer.s);
      for (int yy = 0; yy < c.target; ++yy) {
        for (int xx = 0; xx < c.target; ++xx) {
          // 2 -> 4: blocks of 2; 4 -> 2: columns and rows 0 and 2.
          const bool grow = c.size < c.target;
          const int sx = grow ? xx / 2 : xx * 2, sy = grow ? yy / 2 : yy * 2;
          EXPECT_EQ(Bgr(buffer.At(xx, yy)), (Px{uint8_t(sx), uint8_t(sy), 77}))
              << c.size << "->" << c.target << " at " << xx << "," << yy << " blend " << blend;
        }
      }
    }
  }
}

TEST(BlendImageTest, ClippedDrawMatchesUnclippedDrawWhereVisible) {
  const Image image = Coordinates(7, 5);
  for (int blend = 0; blend < 2; ++blend) {
    for (const int cx : {7, 13, 4}) {
      const int cy = cx == 7 ? 5 : cx - 1, x = -3, y = 2;
      const PaintBox full = ComputePaintBox(Box(-100, -100, 100, 100), x, y, cx, cy);
      const PaintBox part = ComputePaintBox(Box(0, 4, 100, 6), x, y, cx, cy);
      ASSERT_GT(part.Width(), 0);
      ASSERT_GT(part.Height(), 0);
      Buffer whole(full.Width(), full.Height(), 0), clipped(part.Width(), part.Height(), 0);
      const DrawFunction draw = blend ? DrawFunction{BlendImage} : DrawFunction{ResampleOpaque};
      draw(image.v, x, y, cx, cy, full, whole.s);
      draw(image.v, x, y, cx, cy, part, clipped.s);
      for (int yy = 0; yy < part.Height(); ++yy) {
        for (int xx = 0; xx < part.Width(); ++xx) {
          // Same target point: same column offset, rows counted from each box's bottom.
          const int wx = xx + part.left - full.left, wy = yy + full.bottom - part.bottom;
          EXPECT_EQ(Bgr(clipped.At(xx, yy)), Bgr(whole.At(wx, wy))) << cx << " " << xx << "," << yy;
        }
      }
    }
  }
}

TEST(BlendImageTest, NothingHappensForEmptyBoxOrUnusableInput) {
  const Image image = Coordinates(3, 3);
  const PaintBox box = Box(0, 0, 3, 3);
  struct Case {
    const char* what;
    ImageView v;
    int cx, cy;
    PaintBox box;
  };
  ImageView noBits = image.v, noWidth = image.v, badDepth = image.v, badStride = image.v;
  noBits.bits = nullptr;
  noWidth.width = 0;
  badDepth.bitsPerPixel = 16;
  badStride.stride = 4;
  const Case cases[] = {
      {"outside clip", image.v, 3, 3, ComputePaintBox(Box(0, 0, 3, 3), 10, 10, 3, 3)},
      {"no bits", noBits, 3, 3, box},
      {"zero width", noWidth, 3, 3, box},
      {"16 bits", badDepth, 3, 3, box},
      {"short stride", badStride, 3, 3, box},
      {"zero cx", image.v, 0, 3, box},
      {"negative cy", image.v, 3, -3, box},
      {"inverted box", image.v, 3, 3, Box(3, 3, 0, 0)},
      {"box larger than buffer", image.v, 3, 3, Box(0, 0, 4, 3)},
  };
  for (const Case& c : cases) {
    for (const DrawFunction draw : {DrawFunction{BlendImage}, DrawFunction{ResampleOpaque}}) {
      Buffer buffer(3, 3, 42);
      draw(c.v, 0, 0, c.cx, c.cy, c.box, buffer.s);
      EXPECT_EQ(buffer.bytes, std::vector<uint8_t>(buffer.bytes.size(), 42)) << c.what;
    }
    Buffer32 wide(3, 3, 42);
    BlendImage(c.v, 0, 0, c.cx, c.cy, c.box, wide.s);
    ResampleOpaque(c.v, 0, 0, c.cx, c.cy, c.box, wide.s);
    EXPECT_EQ(wide.bytes, std::vector<uint8_t>(wide.bytes.size(), 42)) << c.what << " into 32 bits";
  }
  Surface24 none;
  none.width = none.height = 3;
  none.stride = Stride24(3);
  BlendImage(image.v, 0, 0, 3, 3, box, none);
  ResampleOpaque(image.v, 0, 0, 3, 3, box, none);
  // Rows too short for 4 bytes a pixel: nothing is drawn, not even into the room there is.
  Buffer32 narrow(3, 3, 42);
  narrow.s.stride = Stride24(3) - 1;
  BlendImage(image.v, 0, 0, 3, 3, box, narrow.s);
  ResampleOpaque(image.v, 0, 0, 3, 3, box, narrow.s);
  EXPECT_EQ(narrow.bytes, std::vector<uint8_t>(narrow.bytes.size(), 42));
}

TEST(ResampleOpaqueTest, ReadsEachDepthThroughItsPaletteAndNeverTheBuffer) {
  // Indices 0..3 along a row of 9 pixels, 1-bit ones modulo 2; the 9th crosses a byte.
  for (int bpp : {1, 4, 8, 24}) {
    Image image(9, 2, bpp);
    for (int i = 0; i < (bpp == 24 ? 0 : 1 << std::min(bpp, 2)); ++i)
      image.SetEntry(i, uint8_t(10 * i), uint8_t(10 * i + 1), uint8_t(10 * i + 2), 0);
    const int levels = bpp == 1 ? 2 : 4;
    for (int sy = 0; sy < 2; ++sy) {
      for (int sx = 0; sx < 9; ++sx) {
        const int i = (sx + sy) % levels;
        if (bpp == 24)
          image.SetBgr(sx, sy, uint8_t(10 * i), uint8_t(10 * i + 1), uint8_t(10 * i + 2));
        else
          image.SetIndex(sx, sy, unsigned(i));
      }
    }
    image.SetAlpha(0, 0, 0);  // ignored
    image.v.transparencyIndex = 1;
    std::vector<uint8_t> results[2];
    for (int garbage = 0; garbage < 2; ++garbage) {
      Buffer buffer(9, 2, garbage ? 0xA5 : 0x00);
      ResampleOpaque(image.v, 0, 0, 9, 2, Box(0, 0, 9, 2), buffer.s);
      for (int yy = 0; yy < 2; ++yy) {
        for (int xx = 0; xx < 9; ++xx) {
          const int i = (xx + yy) % levels;
          EXPECT_EQ(Bgr(buffer.At(xx, yy)), (Px{uint8_t(10 * i), uint8_t(10 * i + 1), uint8_t(10 * i + 2)}))
              << bpp << " bits at " << xx << "," << yy;
          results[garbage].insert(results[garbage].end(), buffer.At(xx, yy), buffer.At(xx, yy) + 3);
        }
      }
    }
    EXPECT_EQ(results[0], results[1]) << bpp;
  }
}

// Every row-kernel path this build has on this processor.
std::vector<BlendPath> AvailablePaths() {
  std::vector<BlendPath> paths;
  for (const BlendPath path : {BlendPath::Portable, BlendPath::Sse2, BlendPath::Ssse3}) {
    if (HasBlendPath(path)) paths.push_back(path);
  }
  return paths;
}

template <class Surface>
void Draw(BlendPath path, bool blend, const ImageView& image, int x, int y, int cx, int cy, const PaintBox& box,
          Surface& buffer) {
  if (blend) {
    BlendImageUsing(path, image, x, y, cx, cy, box, buffer);
  } else {
    ResampleOpaqueUsing(path, image, x, y, cx, cy, box, buffer);
  }
}

// Per pixel, straight from the drawing rules; no maps, no shortcuts. A 32-bit target's fourth
// byte blends as a channel whose source is 0.
template <class Surface>
void Reference(const ImageView& im, int x, int y, int cx, int cy, const PaintBox& box, Surface& buf, bool blend) {
  constexpr int bytes = BufferOf<Surface>::kBytes;
  for (int yy = 0; yy < box.Height(); ++yy) {
    for (int xx = 0; xx < box.Width(); ++xx) {
      int64_t sx, sy;
      if (cx == im.width && cy == im.height) {
        sx = (box.left - int64_t{x}) + xx;
        sy = im.height - (box.bottom - int64_t{y}) + yy;
      } else {
        const float fx = float(im.width) / float(cx), fy = float(im.height) / float(cy);
        const float dy = float(im.height) - float(box.bottom - int64_t{y} - yy) * fy;
        const float dx = float((box.left - int64_t{x}) + xx) * fx;
        sy = std::max<int64_t>(0, int64_t(std::floor(dy)));
        sx = std::max<int64_t>(0, int64_t(std::floor(dx)));
      }
      sx = std::min<int64_t>(sx, im.width - 1);
      sy = std::min<int64_t>(sy, im.height - 1);
      const uint8_t* row = im.bits + sy * im.stride;
      unsigned a = im.alpha ? im.alpha[sy * im.width + sx] : 255;
      a = (a * (im.alphaMax + 1u)) >> 8;
      uint8_t src[4] = {0, 0, 0, 0};
      bool transparent = false;
      if (im.bitsPerPixel == 24) {
        std::copy(row + sx * 3, row + sx * 3 + 3, src);
        transparent = im.transparencyIndex >= 0 && std::equal(src, src + 4, im.transparencyColor);
      } else {
        unsigned index = 0;
        if (im.bitsPerPixel == 8) index = row[sx];
        if (im.bitsPerPixel == 4) index = sx % 2 ? row[sx / 2] & 15 : row[sx / 2] >> 4;
        if (im.bitsPerPixel == 1) index = (row[sx / 8] >> (7 - sx % 8)) & 1;
        if (int(index) < im.paletteCount) std::copy(im.palette + index * 4, im.palette + index * 4 + 4, src);
        if (im.alphaPaletteEnabled) a = (a * (src[3] + 1u)) >> 8;
        transparent = im.transparencyIndex >= 0 && int64_t(index) == im.transparencyIndex;
      }
      uint8_t* d = buf.bits + yy * buf.stride + xx * bytes;
      if (!blend) a = 255, transparent = false;
      if (transparent || a == 0) continue;
      src[3] = 0;
      for (int k = 0; k < bytes; ++k) d[k] = a == 255 ? src[k] : uint8_t((src[k] * a + d[k] * (255 - a)) >> 8);
    }
  }
}

// `before`'s pixels in a 32-bit buffer with the same row padding, fourth bytes of every value
// and padding bytes that must survive.
Buffer32 Widened(const Buffer& before) {
  const int padding = before.s.stride - Stride24(before.s.width);
  Buffer32 wide(before.s.width, before.s.height, 0xC3, padding);
  for (int yy = 0; yy < wide.s.height; ++yy) {
    for (int xx = 0; xx < wide.s.width; ++xx) {
      std::copy(before.At(xx, yy), before.At(xx, yy) + 3, wide.At(xx, yy));
      wide.At(xx, yy)[3] = uint8_t(37 * (yy * wide.s.width + xx) + 11);
    }
  }
  return wide;
}

// Every available path draws the case into a copy of `before`, and into a 32-bit buffer with
// the same pixels, exactly as the reference does.
void ExpectEveryPathMatchesReference(const ImageView& image, int x, int y, int cx, int cy, const PaintBox& box,
                                     const Buffer& before, bool blend, int caseNumber) {
  auto describe = [&](BlendPath path, int bits) {
    std::ostringstream text;
    text << "case " << caseNumber << " " << BlendPathName(path) << " into " << bits << " bits: " << image.bitsPerPixel
         << " bits " << image.width << "x" << image.height << " to " << cx << "x" << cy << " at " << x << "," << y
         << " box " << box.left << "," << box.top << "," << box.right << "," << box.bottom << " blend " << blend;
    return text.str();
  };
  Buffer want = before;
  Reference(image, x, y, cx, cy, box, want.s, blend);
  const Buffer32 before32 = Widened(before);
  Buffer32 want32 = before32;
  Reference(image, x, y, cx, cy, box, want32.s, blend);
  for (const BlendPath path : AvailablePaths()) {
    Buffer got = before;
    Draw(path, blend, image, x, y, cx, cy, box, got.s);
    ASSERT_EQ(got.bytes, want.bytes) << describe(path, 24);
    Buffer32 got32 = before32;
    Draw(path, blend, image, x, y, cx, cy, box, got32.s);
    ASSERT_EQ(got32.bytes, want32.bytes) << describe(path, 32);
  }
}

TEST(BlendImageTest, RandomDrawsMatchPerPixelReference) {
  std::mt19937 rng(20240611);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const int depths[] = {1, 4, 8, 24};
  for (int n = 0; n < 3000; ++n) {
    const int bpp = depths[pick(0, 3)];
    Image image(pick(1, 17), pick(1, 17), bpp);
    const int w = image.v.width, h = image.v.height;
    // Few distinct 24-bit colours, so the transparency colour gets hit.
    for (auto& b : image.bits) b = uint8_t(bpp == 24 ? pick(0, 2) * 100 : pick(0, 255));
    for (auto& b : image.palette) b = uint8_t(pick(0, 3) == 0 ? pick(0, 1) * 255 : pick(0, 255));
    if (pick(0, 1)) {
      image.alpha.resize(size_t(w) * h);
      for (auto& b : image.alpha) b = uint8_t(pick(0, 2) == 0 ? pick(0, 1) * 255 : pick(0, 255));
    }
    image.Sync();
    if (bpp != 24) image.v.paletteCount = pick(0, 2) ? 1 << bpp : pick(0, 1 << bpp);
    image.v.alphaPaletteEnabled = pick(0, 1);
    const int tr = pick(0, 2);
    image.v.transparencyIndex = tr == 0 ? -1 : tr == 1 ? pick(0, bpp == 24 ? 0 : (1 << bpp) - 1) : pick(0, 300);
    for (int k = 0; k < 3; ++k) image.v.transparencyColor[k] = uint8_t(pick(0, 2) * 100);
    image.v.transparencyColor[3] = uint8_t(pick(0, 4) == 0);
    const int am = pick(0, 3);
    image.v.alphaMax = uint8_t(am == 0 ? 255 : am == 1 ? 0 : pick(0, 255));

    const bool natural = pick(0, 2) == 0;
    const int cx = natural ? w : pick(1, 40), cy = natural ? h : pick(1, 40);
    const int x = pick(-30, 30), y = pick(-30, 30);
    const int cl = pick(-20, 20), ct = pick(-20, 20);
    const PaintBox clip = Box(cl, ct, cl + pick(-2, 40), ct + pick(-2, 40));
    const PaintBox box = ComputePaintBox(clip, x, y, cx, cy);
    ASSERT_GE(box.Width(), 0);
    ASSERT_GE(box.Height(), 0);
    const bool blend = pick(0, 3) != 0;
    Buffer before(box.Width(), box.Height(), 0);
    for (auto& b : before.bytes) b = uint8_t(pick(0, 255));
    ExpectEveryPathMatchesReference(image.v, x, y, cx, cy, box, before, blend, n);
    if (::testing::Test::HasFatalFailure()) return;
  }
}

// Alpha in runs of 0, 255 and partial values, their lengths around the 8-, 16- and 64-pixel
// steps at which the vector kernels copy, skip and blend.
template <typename Pick>
void FillRuns(std::vector<uint8_t>& plane, Pick& pick) {
  static const int kLengths[] = {1, 2, 3, 4, 5, 7, 8, 9, 15, 16, 17, 23, 24, 25, 31, 32, 33, 63, 64, 65, 100};
  size_t i = 0;
  while (i < plane.size()) {
    const int kind = pick(0, 3);  // clear, opaque, partial, or anything
    const size_t end = std::min(plane.size(), i + kLengths[pick(0, int(std::size(kLengths)) - 1)]);
    for (; i < end; ++i) {
      plane[i] = uint8_t(kind == 0 ? 0 : kind == 1 ? 255 : kind == 2 ? pick(1, 254) : pick(0, 255));
    }
  }
}

// The page's kind of picture (24 bits with a plain alpha plane) drawn by every path at sizes
// and offsets that cross the chunk steps, natural and stretched both ways, into clipped boxes
// and buffers with padded rows; everything else that changes alpha now and then.
TEST(BlendPathsTest, EveryPathMatchesReferenceOnRunsStretchesAndClips) {
  std::mt19937 rng(7350);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  static const int kWidths[] = {1, 2, 5, 7, 8, 9, 15, 16, 17, 24, 31, 32, 33, 47, 48, 52, 60, 63, 64, 65, 97, 130};
  for (int n = 0; n < 2500; ++n) {
    const int bpp = pick(0, 4) ? 24 : (pick(0, 1) ? 8 : pick(0, 1) ? 4 : 1);
    const int w = pick(0, 3) ? kWidths[pick(0, int(std::size(kWidths)) - 1)] : pick(1, 140);
    const int h = pick(1, 9);
    Image image(w, h, bpp, pick(0, 2) * 4);
    for (auto& b : image.bits) b = uint8_t(pick(0, 3) ? pick(0, 255) : pick(0, 1) * 100);
    for (auto& b : image.palette) b = uint8_t(pick(0, 255));
    if (pick(0, 5)) {
      image.alpha.resize(size_t(w) * h);
      FillRuns(image.alpha, pick);
    }
    image.Sync();
    const bool plain = pick(0, 1);  // nothing but the plane: the fastest paths
    if (!plain) {
      image.v.alphaMax = uint8_t(pick(0, 1) ? 255 : pick(0, 255));
      image.v.transparencyIndex = pick(0, 1) ? -1 : pick(0, bpp == 24 ? 0 : (1 << bpp) - 1);
      image.v.transparencyColor[0] = image.v.transparencyColor[1] = image.v.transparencyColor[2] = 100;
      image.v.alphaPaletteEnabled = bpp != 24 && pick(0, 1);
    }

    // Natural, enlarged (shuffles in whole chunks), reduced (pixel by pixel), or a step off.
    auto size = [&](int natural) {
      switch (pick(0, 4)) {
        case 0:
          return natural;
        case 1:
          return natural + pick(1, 3 * natural);
        case 2:
          return std::max(1, natural - pick(0, natural));
        case 3:
          return std::max(1, natural + pick(-1, 1));
        default:
          return pick(1, 200);
      }
    };
    const bool natural = pick(0, 2) == 0;
    const int cx = natural ? w : size(w), cy = natural ? h : size(h);
    const int x = pick(-20, 20), y = pick(-10, 10);
    const PaintBox clip =
        pick(0, 2) ? Box(-300, -300, 300, 300) : Box(pick(-20, 20), pick(-10, 10), pick(0, 250), pick(0, 20));
    const PaintBox box = ComputePaintBox(clip, x, y, cx, cy);
    if (box.Width() <= 0 || box.Height() <= 0) continue;
    const bool blend = pick(0, 4) != 0;
    Buffer before(box.Width(), box.Height(), 0, pick(0, 1) * pick(1, 9));
    for (auto& b : before.bytes) b = uint8_t(pick(0, 255));
    ExpectEveryPathMatchesReference(image.v, x, y, cx, cy, box, before, blend, n);
    if (::testing::Test::HasFatalFailure()) return;
  }
}

// The page's own stretches: the information background onto the page, the card's middle
// across the card, and a reduction. A pixel repeated by an enlargement once made a shuffle
// start past its own blue byte.
TEST(BlendPathsTest, PageStretchesMatchReference) {
  struct Case {
    int w, h, cx, cy;
  };
  const Case cases[] = {{742, 3, 800, 4}, {24, 2, 664, 2}, {60, 2, 700, 3}, {204, 3, 150, 2}, {17, 1, 16, 1}};
  std::mt19937 rng(1);
  for (const Case& c : cases) {
    Image image(c.w, c.h, 24);
    for (auto& b : image.bits) b = uint8_t(rng());
    image.alpha.resize(size_t(c.w) * c.h);
    for (size_t i = 0; i < image.alpha.size(); ++i) image.alpha[i] = uint8_t(i % 7 == 0 ? 255 : i % 5 == 0 ? 0 : rng());
    image.Sync();
    const PaintBox box = Box(0, 0, c.cx, c.cy);
    for (const bool blend : {true, false}) {
      ExpectEveryPathMatchesReference(image.v, 0, 0, c.cx, c.cy, box, Buffer(c.cx, c.cy, 90), blend, c.w);
    }
  }
}

// Where a row ends inside a chunk: every width up to past the 64-pixel look-ahead, each pixel
// position clear, opaque or partial in turn, over a buffer whose row padding must survive.
TEST(BlendPathsTest, RowEndsKeepThePixelsAlreadyDrawn) {
  for (int w = 1; w <= 70; ++w) {
    for (int pattern = 0; pattern < 6; ++pattern) {
      Image image(w, 2, 24);
      image.alpha.resize(size_t(w) * 2);
      for (int i = 0; i < w * 2; ++i) {
        const int k = (i + pattern) % 6;
        image.alpha[size_t(i)] = uint8_t(pattern < 3 ? (k == 0         ? 128
                                                        : pattern == 1 ? 0
                                                                       : 255)
                                         : k < 2     ? 0
                                         : k < 4     ? 255
                                                     : 77);
        image.bits[size_t(i / w) * image.v.stride + size_t(i % w) * 3] = uint8_t(i);
      }
      image.Sync();
      SCOPED_TRACE(::testing::Message() << "width " << w << " pattern " << pattern);
      ExpectEveryPathMatchesReference(image.v, 0, 0, w, 2, Box(0, 0, w, 2), Buffer(w, 2, 0x5A, 3), true, 0);
      if (::testing::Test::HasFatalFailure()) return;
    }
  }
}

TEST(BlendPathsTest, PortableIsAlwaysThereAndTheDefaultIsAvailable) {
  EXPECT_TRUE(HasBlendPath(BlendPath::Portable));
  EXPECT_TRUE(HasBlendPath(DefaultBlendPath()));
#if defined(__SSE2__)
  EXPECT_TRUE(HasBlendPath(BlendPath::Sse2));
  EXPECT_NE(DefaultBlendPath(), BlendPath::Portable);
#endif
  // The default is the last one in the order portable, SSE2, SSSE3 that is available.
  BlendPath best = BlendPath::Portable;
  for (const BlendPath path : {BlendPath::Sse2, BlendPath::Ssse3}) {
    if (HasBlendPath(path)) best = path;
  }
  EXPECT_EQ(DefaultBlendPath(), best);
}

}  // namespace
