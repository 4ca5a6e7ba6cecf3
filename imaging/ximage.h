// The image object: pixels in the layout of a packed device-independent bitmap (header,
// palette, bottom-up rows padded to 4 bytes), an optional alpha plane and the settings that
// drawing reads. Decodes PNG data; draws through the kernels of image_view.h.
//
// The core builds anywhere; loading from module resources and files, and drawing into a
// device context, exist in the Windows build only (ximage_win.cpp).
#pragma once

#include <cstdint>

#include "imaging/image_view.h"
#include "imaging/xfile.h"

#if defined(_WIN32)
struct HDC__;
struct HINSTANCE__;
struct HRSRC__;
struct tagRECT;
#endif

enum : uint32_t {
  CXIMAGE_FORMAT_UNKNOWN = 0,  // detect
  CXIMAGE_FORMAT_PNG = 4,
  CXIMAGE_FORMAT_ICO = 5,
};

// Width * height * bits per pixel / 8 above this many bytes is refused.
constexpr double kCxImageMaxMemory = 268435456.0;

// The 40-byte header in front of the palette and rows, as the platform's BITMAPINFOHEADER.
struct DibHeader {
  uint32_t biSize;
  int32_t biWidth;
  int32_t biHeight;
  uint16_t biPlanes;
  uint16_t biBitCount;
  uint32_t biCompression;
  uint32_t biSizeImage;
  int32_t biXPelsPerMeter;
  int32_t biYPelsPerMeter;
  uint32_t biClrUsed;
  uint32_t biClrImportant;
};
static_assert(sizeof(DibHeader) == 40, "DibHeader matches BITMAPINFOHEADER");

// One palette entry: blue, green, red, and the entry's alpha when the alpha palette is on.
struct RgbQuad {
  uint8_t blue;
  uint8_t green;
  uint8_t red;
  uint8_t reserved;
};
static_assert(sizeof(RgbQuad) == 4, "RgbQuad matches RGBQUAD");

class CxImage {
 public:
  explicit CxImage(uint32_t format = CXIMAGE_FORMAT_UNKNOWN);
  virtual ~CxImage();
  CxImage(const CxImage&) = delete;
  CxImage& operator=(const CxImage&) = delete;

  bool IsValid() const { return block_ != nullptr; }
  // Frees the pixels and the alpha plane; the settings stay.
  void Release();
  uint32_t Width() const;
  uint32_t Height() const;

  // An empty image of the given size, replacing any previous content. Bits per pixel are
  // normalised to 1, 4, 8 or 24; the palette is zeroed, the rows are left uninitialised.
  // Returns the pixel block, or null (with the reason in LastError) on failure.
  void* Create(uint32_t width, uint32_t height, uint32_t bitsPerPixel, uint32_t format);

  // Decodes a stream (4 PNG, 5 icon, 0 detect). On failure the image keeps what it had.
  bool Decode(CxFile* stream, uint32_t format);

  // Cuts (left, top, right, bottom), top-down and right/bottom exclusive, clamped to the
  // image, into `destination`, or into this image when there is none.
  bool CropInto(int32_t left, int32_t top, int32_t right, int32_t bottom, CxImage* destination = nullptr);

  // The whole image at width x height by the drawing's nearest rule, into `destination`: 24
  // bits, the alpha plane resampled alike. Refused for images with a transparent colour or
  // palette alpha, which a resample to 24 bits would lose.
  bool ResampleInto(uint32_t width, uint32_t height, CxImage* destination) const;

  // The whole image at width x height for a photograph (smooth_resample.h), into
  // `destination`: 24 bits, with an alpha plane that takes every kind of transparency the
  // image has. A failure leaves the destination as it was.
  bool SmoothResampleInto(uint32_t width, uint32_t height, CxImage* destination) const;

  const char* LastError() const { return lastError_; }

  // The layout, for drawing and for tests. All null or 0 while the image is not valid.
  const DibHeader* Header() const;
  uint8_t* Bits();  // the bottom row first
  const uint8_t* Bits() const;
  RgbQuad* Palette();
  const RgbQuad* Palette() const;
  uint32_t PaletteCount() const;  // 2, 16 or 256; 0 for 24 bits
  uint32_t BitsPerPixel() const;
  uint32_t EffectiveWidth() const;  // bytes per row
  uint8_t* AlphaPlane() { return alpha_; }
  const uint8_t* AlphaPlane() const { return alpha_; }
  bool HasAlphaPlane() const { return alpha_ != nullptr; }
  // Gives the image an alpha plane with every byte 255 (a no-op when it has one).
  bool CreateAlphaPlane();

  int32_t TransparencyIndex() const { return transparencyIndex_; }
  void SetTransparencyIndex(int32_t index) {
    transparencyIndex_ = index;
    Touch();
  }
  RgbQuad TransparencyColor() const { return transparencyColor_; }
  void SetTransparencyColor(RgbQuad color) {
    transparencyColor_ = color;
    Touch();
  }
  uint8_t AlphaMax() const { return alphaMax_; }
  void SetAlphaMax(uint8_t value) {
    alphaMax_ = value;
    Touch();
  }
  bool AlphaPaletteEnabled() const { return alphaPaletteEnabled_; }
  void SetAlphaPaletteEnabled(bool enabled) {
    alphaPaletteEnabled_ = enabled;
    Touch();
  }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled) {
    enabled_ = enabled;
    Touch();
  }
  // Dots per inch, mirrored into the header as pixels per metre; <= 0 means 96.
  int32_t XDpi() const { return xDpi_; }
  int32_t YDpi() const { return yDpi_; }
  void SetXDpi(int32_t dpi);
  void SetYDpi(int32_t dpi);
  uint32_t Format() const { return format_; }

  // A new value, never used by any image before, whenever the content or a drawing setting
  // changes, so that what was made from an image can tell whether it is still current. Writes
  // through Bits(), Palette() or AlphaPlane() do not count.
  uint32_t Stamp() const { return stamp_; }

  ImageView View() const;

#if defined(_WIN32)
  // A module resource of type "PNG", found by the caller (FindResourceW).
  bool LoadFromResource(HRSRC__* resource, uint32_t format, HINSTANCE__* module);
  bool LoadFromFile(const wchar_t* path, uint32_t format);

  // Draws at (x, y) with size cx x cy (negative: the image's own size), blending with the
  // target where the image has alpha. True when the draw ran.
  bool DrawAt(HDC__* target, int32_t x, int32_t y, int32_t cx = -1, int32_t cy = -1) const;
  bool DrawInRect(HDC__* target, const tagRECT& rect) const;
  // Stretches the whole image over `rect`, ignoring alpha, with the raster operation `rop`.
  bool StretchOpaque(HDC__* target, const tagRECT& rect, uint32_t rop) const;
#endif

 protected:
  void SetLastError(const char* text);
  // Settings a crop starts from: transparency, alpha maximum, enabled, dpi.
  void CopySettingsFrom(const CxImage& other);
  // Opacity, enabled flag and resolution, without the transparency.
  void InheritDrawingSettingsFrom(const CxImage& other);
  // Takes over another image's pixels, alpha plane, settings and format, leaving it empty.
  void TakeContentOf(CxImage& other);
  template <typename Decoder>
  bool DecodeWith(CxFile* stream, bool reportFailure);
  void Touch();

 private:
  uint8_t* block_ = nullptr;  // header, palette, rows; malloc'd
  uint8_t* alpha_ = nullptr;  // malloc'd
  int32_t transparencyIndex_ = -1;
  RgbQuad transparencyColor_ = {0, 0, 0, 0};
  uint8_t alphaMax_ = 255;
  bool alphaPaletteEnabled_ = false;
  bool enabled_ = true;
  int32_t xDpi_ = 96;
  int32_t yDpi_ = 96;
  uint32_t format_;
  char lastError_[256] = {};
  uint32_t stamp_ = 0;
};
