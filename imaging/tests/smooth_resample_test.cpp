// The smooth resampling of photographs, through the image object the page uses.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#include "imaging/ximage.h"

namespace {

struct Bgra {
  uint8_t b, g, r, a;
};

// A w x h 24-bit image, with an alpha plane when asked, from a top-down pixel function.
void Paint(CxImage& image, uint32_t w, uint32_t h, bool withAlpha, const std::function<Bgra(uint32_t, uint32_t)>& at) {
  ASSERT_NE(image.Create(w, h, 24, CXIMAGE_FORMAT_PNG), nullptr);
  if (withAlpha) {
    ASSERT_TRUE(image.CreateAlphaPlane());
  }
  for (uint32_t y = 0; y < h; ++y) {
    for (uint32_t x = 0; x < w; ++x) {
      const Bgra p = at(x, y);
      uint8_t* bgr = image.Bits() + static_cast<size_t>(h - 1 - y) * image.EffectiveWidth() + 3 * x;
      bgr[0] = p.b, bgr[1] = p.g, bgr[2] = p.r;
      if (withAlpha) image.AlphaPlane()[static_cast<size_t>(h - 1 - y) * w + x] = p.a;
    }
  }
}

// Top-down pixel (x, y); alpha 255 without a plane.
Bgra PixelAt(const CxImage& image, uint32_t x, uint32_t y) {
  const uint32_t row = image.Height() - 1 - y;
  const uint8_t* p = image.Bits() + static_cast<size_t>(row) * image.EffectiveWidth() + 3 * x;
  const uint8_t a = image.HasAlphaPlane() ? image.AlphaPlane()[static_cast<size_t>(row) * image.Width() + x] : 255;
  return {p[0], p[1], p[2], a};
}

// A ramp keeps its order and its values: enlarged, no column repeats the one before it; every
// pixel away from the picture's edges is the ramp's value at its centre, shrunk ones the mean
// of their exact footprint. A flat picture stays flat; a resample that cannot be made leaves
// the target alone.
TEST(SmoothResampleTest, ARampStaysInOrderAndOnTheRampAtEveryFactor) {
  constexpr uint32_t kWidth = 32, kHeight = 8;
  auto ramp = [](double x) { return 8.0 * x + 4.0; };  // source pixel x holds ramp(x)
  CxImage source;
  Paint(source, kWidth, kHeight, false, [&](uint32_t x, uint32_t) {
    const uint8_t v = static_cast<uint8_t>(ramp(x));
    return Bgra{v, v, v, 255};
  });
  const uint32_t widths[] = {48, 64, 16, 24};  // 1.5, 2, 0.5 and 0.75
  for (uint32_t width : widths) {
    SCOPED_TRACE(width);
    const uint32_t height = kHeight * width / kWidth;
    CxImage target;
    ASSERT_TRUE(source.SmoothResampleInto(width, height, &target));
    ASSERT_EQ(target.Width(), width);
    ASSERT_EQ(target.Height(), height);
    EXPECT_FALSE(target.HasAlphaPlane()) << "an opaque picture stays opaque";
    const double step = static_cast<double>(kWidth) / width;
    for (uint32_t y = 0; y < height; ++y) {
      for (uint32_t x = 0; x < width; ++x) {
        const Bgra p = PixelAt(target, x, y);
        ASSERT_TRUE(p.g == p.b && p.r == p.b) << x << "," << y;
        if (x > 0) {
          EXPECT_GT(p.b, PixelAt(target, x - 1, y).b) << x << "," << y;
        }
        const double centre = (x + 0.5) * step - 0.5;
        if (centre >= 1.0 && centre <= kWidth - 2.0) {
          EXPECT_NEAR(p.b, ramp(centre), 1.0) << x << "," << y;
        }
      }
    }
  }

  // A flat picture stays exactly flat at any size, also from and to a few pixels.
  const struct {
    uint32_t w, h, toW, toH;
  } flats[] = {{1, 1, 3, 3}, {2, 3, 5, 7}, {3, 2, 1, 1}, {5, 4, 2, 9}, {7, 7, 7, 3}};
  for (const auto& flat : flats) {
    SCOPED_TRACE(flat.toW * 100 + flat.toH);
    CxImage from, to;
    Paint(from, flat.w, flat.h, true, [](uint32_t, uint32_t) { return Bgra{40, 150, 220, 90}; });
    ASSERT_TRUE(from.SmoothResampleInto(flat.toW, flat.toH, &to));
    for (uint32_t y = 0; y < flat.toH; ++y) {
      for (uint32_t x = 0; x < flat.toW; ++x) {
        const Bgra p = PixelAt(to, x, y);
        EXPECT_TRUE(p.b == 40 && p.g == 150 && p.r == 220 && p.a == 90) << x << "," << y;
      }
    }
  }

  CxImage target;
  Paint(target, 1, 1, false, [](uint32_t, uint32_t) { return Bgra{1, 2, 3, 255}; });
  EXPECT_FALSE(source.SmoothResampleInto(0, 4, &target));
  EXPECT_FALSE(source.SmoothResampleInto(4, 4, &source));
  EXPECT_FALSE(CxImage().SmoothResampleInto(4, 4, &target));
  EXPECT_FALSE(source.SmoothResampleInto(20000, 20000, &target)) << "past the creation limit";
  EXPECT_FALSE(source.SmoothResampleInto(0x80000000u, 1, &target));
  ASSERT_EQ(target.Width(), 1u) << "a refused resample leaves the destination alone";
  EXPECT_EQ(PixelAt(target, 0, 0).r, 3);
}

// A hard diagonal edge enlarged by 1.5 becomes a soft one: every row passes through values in
// between, in order, and no row or column repeats its neighbour as whole-pixel steps would.
TEST(SmoothResampleTest, AHardDiagonalEdgeGrowsWithoutSteps) {
  constexpr uint32_t kSize = 16, kGrown = 24;
  CxImage source;
  Paint(source, kSize, kSize, false, [](uint32_t x, uint32_t y) {
    const uint8_t v = 2 * x > y + 8 ? 255 : 0;  // crosses every row
    return Bgra{v, v, v, 255};
  });
  CxImage target;
  ASSERT_TRUE(source.SmoothResampleInto(kGrown, kGrown, &target));
  auto value = [&](uint32_t x, uint32_t y) { return PixelAt(target, x, y).g; };
  for (uint32_t y = 0; y < kGrown; ++y) {
    int between = 0;
    for (uint32_t x = 0; x < kGrown; ++x) {
      between += value(x, y) > 0 && value(x, y) < 255;
      if (x > 0) {
        EXPECT_GE(value(x, y), value(x - 1, y)) << x << "," << y;
      }
    }
    EXPECT_GT(between, 0) << "row " << y;
  }
  // The edge crosses every row, and the columns in its middle.
  auto softColumn = [&](uint32_t x) {
    for (uint32_t y = 0; y < kGrown; ++y) {
      if (value(x, y) > 0 && value(x, y) < 255) return true;
    }
    return false;
  };
  for (uint32_t i = 1; i < kGrown; ++i) {
    bool rowDiffers = false, columnDiffers = false;
    for (uint32_t k = 0; k < kGrown; ++k) {
      rowDiffers |= value(k, i) != value(k, i - 1);
      columnDiffers |= value(i, k) != value(i - 1, k);
    }
    EXPECT_TRUE(rowDiffers) << "row " << i;
    EXPECT_TRUE(columnDiffers || !softColumn(i) || !softColumn(i - 1)) << "column " << i;
  }
}

// An opaque red square in a clear border of black, in each of the ways a picture can be
// transparent: its edges soften into partial alpha and stay pure red, never darkened by the
// black of the clear pixels beside them.
TEST(SmoothResampleTest, AClearBorderLeavesNoDarkFringe) {
  constexpr uint32_t kSize = 16;
  auto inSquare = [](uint32_t x, uint32_t y) { return x >= 5 && x <= 10 && y >= 5 && y <= 10; };
  auto plane = [&](CxImage& image) {
    Paint(image, kSize, kSize, true, [&](uint32_t x, uint32_t y) {
      return inSquare(x, y) ? Bgra{0, 0, 255, 255} : Bgra{0, 0, 0, 0};
    });
  };
  auto colourKey = [&](CxImage& image) {
    Paint(image, kSize, kSize, false, [&](uint32_t x, uint32_t y) {
      return inSquare(x, y) ? Bgra{0, 0, 255, 255} : Bgra{0, 0, 0, 255};
    });
    image.SetTransparencyColor(RgbQuad{0, 0, 0, 0});
    image.SetTransparencyIndex(0);
  };
  // Index 0 black, 1 red, in 8 or 4 bits.
  auto indexed = [&](CxImage& image, uint32_t bpp, bool paletteAlpha) {
    ASSERT_NE(image.Create(kSize, kSize, bpp, CXIMAGE_FORMAT_PNG), nullptr);
    image.Palette()[0] = RgbQuad{0, 0, 0, 0};
    image.Palette()[1] = RgbQuad{0, 0, 255, 255};
    for (uint32_t y = 0; y < kSize; ++y) {
      uint8_t* row = image.Bits() + static_cast<size_t>(kSize - 1 - y) * image.EffectiveWidth();
      for (uint32_t x = 0; x < kSize; ++x) {
        const uint8_t index = inSquare(x, y) ? 1 : 0;
        if (bpp == 8) row[x] = index;
        if (bpp == 4) row[x / 2] |= static_cast<uint8_t>(index << (x % 2 ? 0 : 4));
      }
    }
    if (paletteAlpha) {
      image.SetAlphaPaletteEnabled(true);
    } else {
      image.SetTransparencyIndex(0);
    }
  };
  const struct {
    const char* name;
    std::function<void(CxImage&)> make;
  } sources[] = {
      {"alpha plane", plane},
      {"transparent colour", colourKey},
      {"transparent index", [&](CxImage& image) { indexed(image, 8, false); }},
      {"palette alpha, 4 bits", [&](CxImage& image) { indexed(image, 4, true); }},
  };
  for (const auto& made : sources) {
    SCOPED_TRACE(made.name);
    CxImage source;
    ASSERT_NO_FATAL_FAILURE(made.make(source));
    for (uint32_t size : {24u, 12u}) {
      SCOPED_TRACE(size);
      CxImage target;
      ASSERT_TRUE(source.SmoothResampleInto(size, size, &target));
      ASSERT_TRUE(target.HasAlphaPlane());
      EXPECT_LT(target.TransparencyIndex(), 0);
      EXPECT_FALSE(target.AlphaPaletteEnabled());
      EXPECT_EQ(PixelAt(target, 0, 0).a, 0);
      EXPECT_EQ(PixelAt(target, size / 2, size / 2).a, 255);
      int partial = 0;
      for (uint32_t y = 0; y < size; ++y) {
        for (uint32_t x = 0; x < size; ++x) {
          const Bgra p = PixelAt(target, x, y);
          if (p.a == 0) continue;
          partial += p.a < 255;
          EXPECT_TRUE(p.r == 255 && p.g == 0 && p.b == 0)
              << x << "," << y << " alpha " << int(p.a) << " red " << int(p.r);
        }
      }
      EXPECT_GT(partial, 0) << "soft edges";
    }
  }
}

}  // namespace
