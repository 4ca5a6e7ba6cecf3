#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/ximage.h"
#include "imaging/ximage_png.h"
#include "png_maker.h"

namespace {

// Top-down pixel (x, y) of a 24-bit image as blue, green, red.
std::vector<uint8_t> Bgr(const CxImage& image, uint32_t x, uint32_t y) {
  const uint8_t* p = image.Bits() + static_cast<size_t>(image.Height() - 1 - y) * image.EffectiveWidth() + 3 * x;
  return {p[0], p[1], p[2]};
}

uint8_t AlphaAt(const CxImage& image, uint32_t x, uint32_t y) {
  return image.AlphaPlane()[static_cast<size_t>(image.Height() - 1 - y) * image.Width() + x];
}

// Top-down palette index (x, y) of a 1-, 4- or 8-bit image.
unsigned IndexAt(const CxImage& image, uint32_t x, uint32_t y) {
  const uint8_t* row = image.Bits() + static_cast<size_t>(image.Height() - 1 - y) * image.EffectiveWidth();
  switch (image.BitsPerPixel()) {
    case 1:
      return (row[x / 8] >> (7 - x % 8)) & 1;
    case 4:
      return x % 2 ? row[x / 2] & 15 : row[x / 2] >> 4;
    default:
      return row[x];
  }
}

void SetIndex(CxImage& image, uint32_t x, uint32_t y, unsigned index) {
  uint8_t* row = image.Bits() + static_cast<size_t>(image.Height() - 1 - y) * image.EffectiveWidth();
  if (image.BitsPerPixel() == 1) {
    row[x / 8] = static_cast<uint8_t>((row[x / 8] & ~(0x80 >> x % 8)) | ((index & 1) << (7 - x % 8)));
  } else if (image.BitsPerPixel() == 4) {
    const int shift = x % 2 ? 0 : 4;
    row[x / 2] = static_cast<uint8_t>((row[x / 2] & ~(15 << shift)) | ((index & 15) << shift));
  } else {
    row[x] = static_cast<uint8_t>(index);
  }
}

bool DecodeBytes(CxImage& image, const std::vector<uint8_t>& bytes, uint32_t format = CXIMAGE_FORMAT_PNG) {
  CxMemFile stream(bytes.data(), bytes.size());
  return image.Decode(&stream, format);
}

// A 24-bit w x h image whose top-down pixel (x, y) is (x, y, 7) with alpha x + y.
// Writes the CRC of the chunk whose length field starts at `chunk`, over its type and data.
void FixChunkCrc(std::vector<uint8_t>& bytes, size_t chunk) {
  const size_t length = size_t{bytes[chunk]} << 24 | bytes[chunk + 1] << 16 | bytes[chunk + 2] << 8 | bytes[chunk + 3];
  const size_t end = chunk + 8 + length;
  uint32_t crc = 0xffffffffu;
  for (size_t i = chunk + 4; i < end; ++i) {
    crc ^= bytes[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1)));
  }
  crc ^= 0xffffffffu;
  for (int k = 0; k < 4; ++k) bytes[end + k] = static_cast<uint8_t>(crc >> (24 - 8 * k));
}

void FillCoordinates(CxImage& image, uint32_t w, uint32_t h, bool withAlpha) {
  ASSERT_NE(image.Create(w, h, 24, CXIMAGE_FORMAT_PNG), nullptr);
  if (withAlpha) {
    ASSERT_TRUE(image.CreateAlphaPlane());
  }
  for (uint32_t y = 0; y < h; ++y) {
    for (uint32_t x = 0; x < w; ++x) {
      uint8_t* p = image.Bits() + static_cast<size_t>(h - 1 - y) * image.EffectiveWidth() + 3 * x;
      p[0] = static_cast<uint8_t>(x), p[1] = static_cast<uint8_t>(y), p[2] = 7;
      if (withAlpha) image.AlphaPlane()[static_cast<size_t>(h - 1 - y) * w + x] = static_cast<uint8_t>(x + y);
    }
  }
}

TEST(CxImageCreateTest, NormalisesDepthAndLaysOutAPackedDib) {
  struct Case {
    uint32_t width, requested, bpp, colors, stride;
  };
  const Case cases[] = {
      {5, 0, 1, 2, 4},    {5, 1, 1, 2, 4},    {33, 1, 1, 2, 8},  {5, 2, 4, 16, 4},
      {9, 4, 4, 16, 8},   {5, 5, 8, 256, 8},  {5, 8, 8, 256, 8}, {5, 9, 24, 0, 16},
      {5, 16, 24, 0, 16}, {5, 32, 24, 0, 16}, {1, 24, 24, 0, 4},
  };
  for (const Case& c : cases) {
    CxImage image;
    const void* block = image.Create(c.width, 3, c.requested, CXIMAGE_FORMAT_PNG);
    ASSERT_NE(block, nullptr) << c.requested;
    const DibHeader* h = image.Header();
    EXPECT_EQ(static_cast<const void*>(h), block);
    EXPECT_EQ(h->biSize, 40u);
    EXPECT_EQ(h->biWidth, static_cast<int32_t>(c.width));
    EXPECT_EQ(h->biHeight, 3);
    EXPECT_EQ(h->biPlanes, 1);
    EXPECT_EQ(h->biBitCount, c.bpp) << c.requested;
    EXPECT_EQ(h->biCompression, 0u);
    EXPECT_EQ(image.EffectiveWidth(), c.stride) << c.width << " x " << c.bpp;
    EXPECT_EQ(h->biSizeImage, c.stride * 3);
    EXPECT_EQ(h->biXPelsPerMeter, 3780);
    EXPECT_EQ(h->biYPelsPerMeter, 3780);
    EXPECT_EQ(h->biClrUsed, c.colors);
    EXPECT_EQ(image.Bits(), static_cast<const uint8_t*>(block) + 40 + 4 * c.colors);
    for (uint32_t i = 0; i < c.colors; ++i) {
      const RgbQuad q = image.Palette()[i];
      EXPECT_EQ(q.blue | q.green | q.red | q.reserved, 0) << "palette entry " << i;
    }
    EXPECT_EQ(image.Format(), static_cast<uint32_t>(CXIMAGE_FORMAT_PNG));
    EXPECT_EQ(image.Width(), c.width);
    EXPECT_EQ(image.Height(), 3u);
  }
}

TEST(CxImageCreateTest, RefusesEmptyAndOversizedImagesAndIsLeftEmpty) {
  struct Case {
    uint32_t width, height, bpp;
    const char* error;
  };
  const Case cases[] = {
      {0, 5, 24, "CxImage::Create : width and height must be greater than zero"},
      {5, 0, 8, "CxImage::Create : width and height must be greater than zero"},
      {16385, 16384, 8, "CXIMAGE_MAX_MEMORY exceeded"},              // 268451840 bytes
      {9460, 9460, 24, "CXIMAGE_MAX_MEMORY exceeded"},               // 268468800 bytes
      {0xffffffffu, 0xffffffffu, 1, "CXIMAGE_MAX_MEMORY exceeded"},  // no integer wrap
      {1, 0x80000000u, 1, "CXIMAGE_MAX_MEMORY exceeded"},            // the header's height is signed
  };
  for (const Case& c : cases) {
    CxImage image;
    FillCoordinates(image, 2, 2, true);
    EXPECT_EQ(image.Create(c.width, c.height, c.bpp, CXIMAGE_FORMAT_PNG), nullptr);
    EXPECT_STREQ(image.LastError(), c.error);
    EXPECT_FALSE(image.IsValid());
    EXPECT_FALSE(image.HasAlphaPlane());
    EXPECT_EQ(image.Width(), 0u);
    EXPECT_EQ(image.Bits(), nullptr);
  }
}

TEST(CxImageCreateTest, ResolutionIsMirroredAsPixelsPerMetre) {
  struct Case {
    int32_t dpi, stored, ppm;
  };
  const Case cases[] = {{96, 96, 3780},
                        {72, 72, 2835},
                        {300, 300, 11811},
                        {1, 1, 39},
                        {0, 96, 3780},
                        {-5, 96, 3780},
                        {0x7fffffff, 0x7fffffff, 0x7fffffff}};
  for (const Case& c : cases) {
    CxImage image;
    image.SetXDpi(c.dpi);
    ASSERT_NE(image.Create(1, 1, 24, 0), nullptr);
    EXPECT_EQ(image.XDpi(), c.stored);
    EXPECT_EQ(image.Header()->biXPelsPerMeter, c.ppm) << c.dpi;
    image.SetYDpi(c.dpi);  // after Create too
    EXPECT_EQ(image.Header()->biYPelsPerMeter, c.ppm) << c.dpi;
  }
}

TEST(CxImageCropTest, ClampsSwapsAndCopiesPixelsAndAlpha) {
  struct Case {
    int32_t left, top, right, bottom;
    bool ok;
    uint32_t x0, y0, w, h;  // the expected source rectangle
  };
  const uint32_t W = 12, H = 6;
  const Case cases[] = {
      {0, 0, 3, 6, true, 0, 0, 3, 6},     // the left columns
      {10, 0, 5, 6, true, 5, 0, 5, 6},    // reversed: columns 5 to 9
      {7, 0, 32, 6, true, 7, 0, 5, 6},    // past the right edge: clamped
      {-4, -9, 2, 3, true, 0, 0, 2, 3},   // before the top-left corner: clamped
      {2, 5, 4, 1, true, 2, 1, 2, 4},     // reversed rows
      {4, 0, 4, 6, false, 0, 0, 0, 0},    // no width
      {0, 2, 12, 2, false, 0, 0, 0, 0},   // no height
      {20, 0, 30, 6, false, 0, 0, 0, 0},  // both clamped to the right edge
  };
  for (const Case& c : cases) {
    CxImage source;
    FillCoordinates(source, W, H, true);
    source.SetTransparencyIndex(3);
    source.SetTransparencyColor(RgbQuad{1, 2, 3, 0});
    source.SetAlphaMax(99);
    source.SetXDpi(300);
    CxImage target;
    FillCoordinates(target, 1, 1, false);
    EXPECT_EQ(source.CropInto(c.left, c.top, c.right, c.bottom, &target), c.ok) << c.left << "," << c.right;
    if (!c.ok) {
      EXPECT_EQ(target.Width(), 1u) << "a failed crop leaves the destination alone";
      continue;
    }
    ASSERT_EQ(target.Width(), c.w);
    ASSERT_EQ(target.Height(), c.h);
    ASSERT_TRUE(target.HasAlphaPlane());
    for (uint32_t y = 0; y < c.h; ++y) {
      for (uint32_t x = 0; x < c.w; ++x) {
        EXPECT_EQ(Bgr(target, x, y), (std::vector<uint8_t>{uint8_t(c.x0 + x), uint8_t(c.y0 + y), 7}));
        EXPECT_EQ(AlphaAt(target, x, y), c.x0 + x + c.y0 + y);
      }
    }
    EXPECT_EQ(target.TransparencyIndex(), 3);
    EXPECT_EQ(target.TransparencyColor().red, 3);
    EXPECT_EQ(target.AlphaMax(), 99);
    EXPECT_EQ(target.Header()->biXPelsPerMeter, 11811);
    EXPECT_EQ(source.Width(), W) << "the source is unchanged";
  }
}

// A picture set resampled to a scale of its own: whole source pixels, colour and alpha alike.
TEST(CxImageResampleTest, TakesWholeSourcePixelsAndRefusesWhatItWouldLose) {
  CxImage source;
  FillCoordinates(source, 12, 6, true);
  source.SetAlphaMax(99);
  const struct {
    uint32_t w, h;
    uint32_t step;  // target pixel x comes from source x * step / 2, y likewise
  } sizes[] = {{12, 6, 2}, {24, 12, 1}, {6, 3, 4}};
  for (const auto& size : sizes) {
    SCOPED_TRACE(size.w);
    CxImage target;
    ASSERT_TRUE(source.ResampleInto(size.w, size.h, &target));
    ASSERT_EQ(target.Width(), size.w);
    ASSERT_EQ(target.Height(), size.h);
    ASSERT_TRUE(target.HasAlphaPlane());
    EXPECT_EQ(target.AlphaMax(), 99);
    for (uint32_t y = 0; y < size.h; ++y) {
      for (uint32_t x = 0; x < size.w; ++x) {
        const uint32_t sx = x * size.step / 2, sy = y * size.step / 2;
        const std::vector<uint8_t> expected = {uint8_t(sx), uint8_t(sy), 7};
        if (size.step == 4) {  // a reduction takes one pixel of each 2 x 2 block
          const std::vector<uint8_t> got = Bgr(target, x, y);
          EXPECT_TRUE(got[0] / 2 == sx / 2 && got[1] / 2 == sy / 2 && AlphaAt(target, x, y) == got[0] + got[1]);
        } else {
          EXPECT_EQ(Bgr(target, x, y), expected);
          EXPECT_EQ(AlphaAt(target, x, y), sx + sy);
        }
      }
    }
  }

  CxImage target;
  FillCoordinates(target, 1, 1, false);
  EXPECT_FALSE(source.ResampleInto(0, 4, &target));
  EXPECT_FALSE(source.ResampleInto(4, 4, &source));
  EXPECT_FALSE(CxImage().ResampleInto(4, 4, &target));
  source.SetTransparencyIndex(3);
  EXPECT_FALSE(source.ResampleInto(4, 4, &target));
  source.SetTransparencyIndex(-1);
  source.SetAlphaPaletteEnabled(true);
  EXPECT_FALSE(source.ResampleInto(4, 4, &target));
  EXPECT_EQ(target.Width(), 1u) << "a refused resample leaves the destination alone";
}

TEST(CxImageCropTest, PackedDepthsCopyPixelByPixelWithPaletteAndReplaceTheImageItself) {
  for (uint32_t bpp : {1u, 4u, 8u}) {
    CxImage image;
    const uint32_t W = 19, H = 3, levels = 1u << bpp;
    ASSERT_NE(image.Create(W, H, bpp, CXIMAGE_FORMAT_PNG), nullptr);
    for (uint32_t i = 0; i < image.PaletteCount(); ++i)
      image.Palette()[i] = RgbQuad{uint8_t(i), uint8_t(2 * i), uint8_t(3 * i), uint8_t(255 - i)};
    image.SetAlphaPaletteEnabled(true);
    for (uint32_t y = 0; y < H; ++y)
      for (uint32_t x = 0; x < W; ++x) SetIndex(image, x, y, (x * 7 + y) % levels);
    ASSERT_TRUE(image.CropInto(3, 1, 14, 3)) << bpp;
    ASSERT_EQ(image.Width(), 11u);
    ASSERT_EQ(image.Height(), 2u);
    EXPECT_EQ(image.BitsPerPixel(), bpp);
    EXPECT_FALSE(image.HasAlphaPlane());
    EXPECT_TRUE(image.AlphaPaletteEnabled());
    EXPECT_EQ(image.Palette()[1].red, 3);
    EXPECT_EQ(image.Palette()[1].reserved, 254);
    for (uint32_t y = 0; y < 2; ++y)
      for (uint32_t x = 0; x < 11; ++x)
        EXPECT_EQ(IndexAt(image, x, y), ((x + 3) * 7 + y + 1) % levels) << bpp << " bits at " << x << "," << y;
  }
  CxImage empty;
  EXPECT_FALSE(empty.CropInto(0, 0, 1, 1));
}

TEST(CxImageDecodeTest, FailuresReportTheirTextAndKeepThePreviousPicture) {
  PngMaker maker;
  maker.width = 3, maker.height = 2, maker.colorType = 2;
  maker.rows.assign(maker.RowBytes() * 2, 9);
  const std::vector<uint8_t> good = maker.Encode();
  ASSERT_FALSE(good.empty());
  std::vector<uint8_t> badCrc = good;
  badCrc[29] ^= 1;  // inside IHDR
  std::vector<uint8_t> badType = good;
  badType[25] = 5;  // no such colour type
  // The zlib stream's own checksum, in the last bytes of the one IDAT, wrong under a right CRC.
  std::vector<uint8_t> badAdler = good;
  const size_t idat = 33;  // right after IHDR
  ASSERT_EQ(std::memcmp(&badAdler[idat + 4], "IDAT", 4), 0);
  const size_t idatLength = size_t{badAdler[idat + 2]} << 8 | badAdler[idat + 3];
  badAdler[idat + 8 + idatLength - 1] ^= 1;
  FixChunkCrc(badAdler, idat);
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    uint32_t format;
    const char* error;  // null: any libpng message
  };
  const Case cases[] = {
      {"truncated", std::vector<uint8_t>(good.begin(), good.end() - 20), CXIMAGE_FORMAT_PNG, "Read Error"},
      {"empty", {}, CXIMAGE_FORMAT_PNG, "Read Error"},
      {"not a PNG", std::vector<uint8_t>(64, 'x'), CXIMAGE_FORMAT_PNG, nullptr},
      {"bad CRC", badCrc, CXIMAGE_FORMAT_PNG, nullptr},
      {"bad zlib checksum", badAdler, CXIMAGE_FORMAT_PNG, nullptr},
      {"bad colour type", badType, CXIMAGE_FORMAT_PNG, nullptr},
      {"detect garbage", std::vector<uint8_t>(64, 'x'), CXIMAGE_FORMAT_UNKNOWN, "Decode: Unknown or wrong format"},
      {"unknown format", good, 7, "Decode: Unknown or wrong format"},
      {"icon", good, CXIMAGE_FORMAT_ICO, nullptr},
  };
  for (const Case& c : cases) {
    CxImage image;
    FillCoordinates(image, 4, 4, true);
    image.SetAlphaMax(50);
    EXPECT_FALSE(DecodeBytes(image, c.bytes, c.format)) << c.what;
    if (c.error != nullptr) {
      EXPECT_STREQ(image.LastError(), c.error) << c.what;
    } else {
      EXPECT_GT(std::strlen(image.LastError()), 0u) << c.what;
    }
    EXPECT_EQ(image.Width(), 4u) << c.what;
    EXPECT_EQ(Bgr(image, 3, 1), (std::vector<uint8_t>{3, 1, 7})) << c.what;
    EXPECT_EQ(AlphaAt(image, 3, 1), 4) << c.what;
    EXPECT_EQ(image.AlphaMax(), 50) << c.what;
  }

  CxImage image;
  EXPECT_FALSE(image.Decode(nullptr, CXIMAGE_FORMAT_PNG));
  EXPECT_STREQ(image.LastError(), "null file handler");
  EXPECT_TRUE(DecodeBytes(image, good, CXIMAGE_FORMAT_UNKNOWN)) << "detection falls through to PNG";
  EXPECT_EQ(image.Format(), static_cast<uint32_t>(CXIMAGE_FORMAT_PNG));
}

TEST(CxImageDecodeTest, SizeLimitRefusesBeforeAllocatingPixels) {
  // A valid header for 20000 x 20000 RGBA and no image data: only the limit can refuse it.
  PngMaker maker;
  maker.rows.assign(maker.RowBytes(), 0);
  std::vector<uint8_t> bytes = maker.Encode();
  const uint8_t size[4] = {0, 0, 0x4e, 0x20};
  std::memcpy(&bytes[16], size, 4);
  std::memcpy(&bytes[20], size, 4);
  FixChunkCrc(bytes, 8);  // so libpng accepts the header
  CxImage image;
  EXPECT_FALSE(DecodeBytes(image, bytes));
  EXPECT_STREQ(image.LastError(), "CXIMAGE_MAX_MEMORY exceeded");
}

TEST(CxImageDecodeTest, LongDecoderMessagesAreCutTo255Characters) {
  CxImagePNG decoder;
  const std::string text(400, 'e');
  decoder.ReportError(text.c_str());
  EXPECT_EQ(std::strlen(decoder.LastError()), 255u);
}

TEST(CxImageDecodeTest, ColourTypesMapToTheImageLayout) {
  struct Case {
    const char* what;
    int colorType, bitDepth;
    uint32_t bpp, colors;
    bool alphaPlane;
  };
  const Case cases[] = {
      {"grey 1", 0, 1, 1, 2, false},        {"grey 2", 0, 2, 4, 16, false},         {"grey 4", 0, 4, 4, 16, false},
      {"grey 8", 0, 8, 8, 256, false},      {"grey 16", 0, 16, 8, 256, false},      {"RGB 8", 2, 8, 24, 0, false},
      {"RGB 16", 2, 16, 24, 0, false},      {"palette 2", 3, 2, 4, 16, false},      {"palette 8", 3, 8, 8, 256, false},
      {"grey+alpha 8", 4, 8, 8, 256, true}, {"grey+alpha 16", 4, 16, 8, 256, true}, {"RGBA 8", 6, 8, 24, 0, true},
      {"RGBA 16", 6, 16, 24, 0, true},
  };
  for (const Case& c : cases) {
    PngMaker maker;
    maker.width = 3, maker.height = 2, maker.colorType = c.colorType, maker.bitDepth = c.bitDepth;
    maker.rows.assign(maker.RowBytes() * 2, 0);
    if (c.colorType == 3) maker.palette.assign(3 * (1u << c.bitDepth), 40);
    CxImage image;
    ASSERT_TRUE(DecodeBytes(image, maker.Encode())) << c.what << ": " << image.LastError();
    EXPECT_EQ(image.BitsPerPixel(), c.bpp) << c.what;
    EXPECT_EQ(image.PaletteCount(), c.colors) << c.what;
    EXPECT_EQ(image.HasAlphaPlane(), c.alphaPlane) << c.what;
    EXPECT_EQ(image.Format(), static_cast<uint32_t>(CXIMAGE_FORMAT_PNG));
    EXPECT_EQ(image.TransparencyIndex(), -1) << c.what;
  }
}

TEST(CxImageDecodeTest, PixelsLandBottomUpWithBlueFirstAndHighBytesKept) {
  // RGBA 16: pixel (x, y) = red 0x10+x, green 0x20+y, blue 0x30, alpha 0x40+x+y, low bytes 0xff.
  PngMaker rgba;
  rgba.width = 3, rgba.height = 2, rgba.colorType = 6, rgba.bitDepth = 16;
  for (uint8_t y = 0; y < 2; ++y)
    for (uint8_t x = 0; x < 3; ++x)
      for (uint8_t v : {uint8_t(0x10 + x), uint8_t(0x20 + y), uint8_t(0x30), uint8_t(0x40 + x + y)})
        rgba.rows.insert(rgba.rows.end(), {v, 0xff});
  for (bool interlaced : {false, true}) {
    rgba.interlaced = interlaced;
    CxImage image;
    ASSERT_TRUE(DecodeBytes(image, rgba.Encode()));
    for (uint32_t y = 0; y < 2; ++y) {
      for (uint32_t x = 0; x < 3; ++x) {
        EXPECT_EQ(Bgr(image, x, y), (std::vector<uint8_t>{0x30, uint8_t(0x20 + y), uint8_t(0x10 + x)}));
        EXPECT_EQ(AlphaAt(image, x, y), 0x40 + x + y);
      }
    }
    // Top-left of the PNG is the first pixel of the last storage row.
    EXPECT_EQ(image.Bits()[image.EffectiveWidth() + 2], 0x10);
  }

  // Grey 2 bits: 0..3 along the row, widened to 4-bit indices over four grey levels.
  PngMaker grey2;
  grey2.width = 5, grey2.colorType = 0, grey2.bitDepth = 2;
  grey2.rows = {0x1b, 0xc0};  // 00 01 10 11 | 11
  CxImage image;
  ASSERT_TRUE(DecodeBytes(image, grey2.Encode()));
  ASSERT_EQ(image.BitsPerPixel(), 4u);
  const unsigned want[5] = {0, 1, 2, 3, 3};
  for (uint32_t x = 0; x < 5; ++x) EXPECT_EQ(IndexAt(image, x, 0), want[x]) << x;
  const uint8_t levels[4] = {0, 85, 170, 255};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(image.Palette()[i].green, levels[i]);

  // Grey 4 bits: a ramp in steps of 17.
  PngMaker grey4;
  grey4.width = 2, grey4.colorType = 0, grey4.bitDepth = 4;
  grey4.rows = {0x0f};
  ASSERT_TRUE(DecodeBytes(image, grey4.Encode()));
  EXPECT_EQ(image.Palette()[1].red, 17);
  EXPECT_EQ(image.Palette()[15].red, 255);
  EXPECT_EQ(IndexAt(image, 1, 0), 15u);
}

TEST(CxImageDecodeTest, PaletteTransparencyAndResolutionChunks) {
  // 64 colours, no tRNS: 256 slots, the first 64 filled, 64 important.
  PngMaker palette64;
  palette64.width = 4, palette64.colorType = 3, palette64.bitDepth = 8;
  for (int i = 0; i < 64; ++i)
    palette64.palette.insert(palette64.palette.end(), {uint8_t(i), uint8_t(i + 1), uint8_t(i + 2)});
  palette64.rows = {0, 1, 62, 63};
  CxImage image;
  ASSERT_TRUE(DecodeBytes(image, palette64.Encode()));
  EXPECT_EQ(image.PaletteCount(), 256u);
  EXPECT_EQ(image.Header()->biClrImportant, 64u);
  EXPECT_EQ(image.Palette()[63].blue, 65);
  EXPECT_EQ(image.Palette()[63].red, 63);
  EXPECT_EQ(image.Palette()[64].red, 0);
  EXPECT_FALSE(image.AlphaPaletteEnabled());
  EXPECT_EQ(IndexAt(image, 2, 0), 62u);

  // Several tRNS entries: an alpha palette, 255 past them.
  PngMaker alphas = palette64;
  alphas.trnsAlpha = {0, 128, 7};
  ASSERT_TRUE(DecodeBytes(image, alphas.Encode()));
  EXPECT_TRUE(image.AlphaPaletteEnabled());
  EXPECT_EQ(image.Palette()[1].reserved, 128);
  EXPECT_EQ(image.Palette()[2].reserved, 7);
  EXPECT_EQ(image.Palette()[3].reserved, 255);
  EXPECT_EQ(image.Palette()[255].reserved, 255);
  EXPECT_EQ(image.TransparencyIndex(), -1);

  // One tRNS entry on a palette: the decoder's transparent-colour record names index 0.
  PngMaker single = palette64;
  single.trnsAlpha = {0};
  ASSERT_TRUE(DecodeBytes(image, single.Encode()));
  EXPECT_EQ(image.TransparencyIndex(), 0);
  EXPECT_FALSE(image.AlphaPaletteEnabled());

  // Grey tRNS: the grey value shifted to 8 bits.
  PngMaker grey16;
  grey16.colorType = 0, grey16.bitDepth = 16, grey16.rows = {0xab, 0xcd};
  grey16.trnsColor = true, grey16.trnsGray = 0xabcd;
  ASSERT_TRUE(DecodeBytes(image, grey16.Encode()));
  EXPECT_EQ(image.TransparencyIndex(), 0xab);

  // RGB tRNS: the transparent colour, and index 0 to switch it on.
  PngMaker rgb16;
  rgb16.colorType = 2, rgb16.bitDepth = 16, rgb16.rows.assign(6, 0);
  rgb16.trnsColor = true, rgb16.trnsRed = 0x1234, rgb16.trnsGreen = 0x5678, rgb16.trnsBlue = 0x9abc;
  rgb16.phys = true, rgb16.physX = 11811, rgb16.physY = 3780, rgb16.physUnit = 1;
  ASSERT_TRUE(DecodeBytes(image, rgb16.Encode()));
  EXPECT_EQ(image.TransparencyIndex(), 0);
  const RgbQuad key = image.TransparencyColor();
  EXPECT_EQ((std::vector<uint8_t>{key.blue, key.green, key.red, key.reserved}),
            (std::vector<uint8_t>{0x9a, 0x56, 0x12, 0}));
  EXPECT_EQ(image.XDpi(), 300);
  EXPECT_EQ(image.YDpi(), 96);
  EXPECT_EQ(image.Header()->biXPelsPerMeter, 11811);

  // pHYs without a unit: the raw values are the dpi.
  PngMaker raw = palette64;
  raw.phys = true, raw.physX = 2, raw.physY = 3, raw.physUnit = 0;
  ASSERT_TRUE(DecodeBytes(image, raw.Encode()));
  EXPECT_EQ(image.XDpi(), 2);
  EXPECT_EQ(image.YDpi(), 3);
}

TEST(CxImageDecodeTest, TheDecodeKeepsTheTargetsDrawingSettingsButNotItsTransparency) {
  PngMaker maker;
  maker.rows.assign(4, 200);
  CxImage image;
  image.SetAlphaMax(77);
  image.SetEnabled(false);
  image.SetXDpi(120);
  // As a palette picture with one transparent entry leaves them.
  image.SetTransparencyIndex(0);
  image.SetTransparencyColor(RgbQuad{1, 2, 3, 0});
  ASSERT_TRUE(DecodeBytes(image, maker.Encode()));
  EXPECT_EQ(image.AlphaMax(), 77);
  EXPECT_FALSE(image.Enabled());
  EXPECT_EQ(image.XDpi(), 120);
  EXPECT_EQ(image.Header()->biXPelsPerMeter, 4724);
  EXPECT_EQ(image.TransparencyIndex(), -1);
  EXPECT_EQ(image.TransparencyColor().red, 0);
}

TEST(CxFileTest, MemoryStreamsReadWholeItemsAndRefuseSeeksOutside) {
  const uint8_t data[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  CxMemFile file(data, sizeof data);
  uint8_t out[16] = {};
  EXPECT_EQ(file.Read(out, 4, 2), 2u);
  EXPECT_EQ(file.Tell(), 8);
  EXPECT_EQ(file.Read(out, 4, 1), 0u) << "two bytes left: no whole item";
  EXPECT_EQ(file.Tell(), 8);
  EXPECT_EQ(file.Read(out, 1, 5), 2u);
  EXPECT_EQ(out[1], 9);
  struct Case {
    int64_t offset;
    int origin;
    bool ok;
    int64_t position;
  };
  const Case cases[] = {{0, SEEK_SET, true, 0},    {10, SEEK_SET, true, 10},        {11, SEEK_SET, false, 10},
                        {-1, SEEK_SET, false, 10}, {-10, SEEK_END, true, 0},        {-11, SEEK_END, false, 0},
                        {3, SEEK_CUR, true, 3},    {INT64_MAX, SEEK_CUR, false, 3}, {INT64_MIN, SEEK_CUR, false, 3},
                        {0, 99, false, 3}};
  for (const Case& c : cases) {
    EXPECT_EQ(file.Seek(c.offset, c.origin), c.ok) << c.offset;
    EXPECT_EQ(file.Tell(), c.position) << c.offset;
  }
  EXPECT_EQ(file.Size(), 10);
  CxMemFile none(nullptr, 5);
  EXPECT_EQ(none.Size(), 0);
  EXPECT_EQ(none.Read(out, 1, 1), 0u);
}

TEST(CxFileTest, FileStreamsDecodeLikeMemoryStreams) {
  PngMaker maker;
  maker.width = 2, maker.rows = {1, 2, 3, 4, 5, 6, 7, 8};
  const std::vector<uint8_t> bytes = maker.Encode();
  FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
  std::rewind(file);
  CxIOFile stream(file, true);
  EXPECT_EQ(stream.Size(), static_cast<int64_t>(bytes.size()));
  EXPECT_EQ(stream.Tell(), 0);
  CxImage fromFile, fromMemory;
  ASSERT_TRUE(fromFile.Decode(&stream, CXIMAGE_FORMAT_PNG));
  ASSERT_TRUE(DecodeBytes(fromMemory, bytes));
  EXPECT_EQ(std::memcmp(fromFile.Bits(), fromMemory.Bits(), fromFile.Header()->biSizeImage), 0);
  EXPECT_EQ(AlphaAt(fromFile, 1, 0), 8);
}

}  // namespace
