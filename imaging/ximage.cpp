#include "imaging/ximage.h"

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

#include "imaging/blend_map.h"
#include "imaging/smooth_resample.h"
#include "imaging/ximage_ico.h"
#include "imaging/ximage_png.h"

namespace {

constexpr size_t kHeaderSize = sizeof(DibHeader);

uint32_t NormalisedBpp(uint32_t bpp) {
  if (bpp <= 1) return 1;
  if (bpp <= 4) return 4;
  if (bpp <= 8) return 8;
  return 24;
}

uint32_t PaletteSizeFor(uint32_t bpp) {
  switch (bpp) {
    case 1:
      return 2;
    case 4:
      return 16;
    case 8:
      return 256;
    default:
      return 0;
  }
}

uint64_t RowBytes(uint64_t width, uint64_t bpp) { return ((width * bpp + 31) / 32) * 4; }

int32_t PelsPerMeter(int32_t dpi) {
  if (dpi <= 0) dpi = 96;
  const double ppm = std::floor(dpi * 10000.0 / 254.0 + 0.5);
  // Large dpi would not fit the header field; keep the conversion defined.
  return ppm >= 2147483647.0 ? 2147483647 : static_cast<int32_t>(ppm);
}

uint8_t GetIndex(const uint8_t* row, uint32_t x, uint32_t bpp) {
  if (bpp == 1) return (row[x >> 3] >> (7 - (x & 7))) & 1;
  return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0f;
}

void SetIndex(uint8_t* row, uint32_t x, uint32_t bpp, uint8_t index) {
  if (bpp == 1) {
    const uint8_t mask = static_cast<uint8_t>(0x80 >> (x & 7));
    row[x >> 3] = static_cast<uint8_t>(index ? (row[x >> 3] | mask) : (row[x >> 3] & ~mask));
    return;
  }
  const int shift = (x & 1) ? 0 : 4;
  row[x >> 1] = static_cast<uint8_t>((row[x >> 1] & ~(0x0f << shift)) | ((index & 0x0f) << shift));
}

std::atomic<uint32_t> g_lastStamp{0};

}  // namespace

CxImage::CxImage(uint32_t format) : format_(format) {}

CxImage::~CxImage() { Release(); }

void CxImage::Touch() { stamp_ = ++g_lastStamp; }

void CxImage::Release() {
  if (block_ == nullptr && alpha_ == nullptr) return;
  std::free(block_);
  std::free(alpha_);
  block_ = nullptr;
  alpha_ = nullptr;
  Touch();
}

uint32_t CxImage::Width() const { return block_ ? static_cast<uint32_t>(Header()->biWidth) : 0; }

uint32_t CxImage::Height() const { return block_ ? static_cast<uint32_t>(Header()->biHeight) : 0; }

void* CxImage::Create(uint32_t width, uint32_t height, uint32_t bitsPerPixel, uint32_t format) {
  Release();
  if (width == 0 || height == 0) {
    SetLastError("CxImage::Create : width and height must be greater than zero");
    return nullptr;
  }
  const uint32_t bpp = NormalisedBpp(bitsPerPixel);
  // The header holds signed sizes, so anything past 31 bits counts as over the limit too.
  if (static_cast<double>(width) * height * bpp / 8.0 > kCxImageMaxMemory || width > 0x7fffffffu ||
      height > 0x7fffffffu) {
    SetLastError("CXIMAGE_MAX_MEMORY exceeded");
    return nullptr;
  }
  const uint32_t paletteCount = PaletteSizeFor(bpp);
  const uint64_t rowBytes = RowBytes(width, bpp);
  const uint64_t imageSize = rowBytes * height;
  const uint64_t blockSize = kHeaderSize + paletteCount * sizeof(RgbQuad) + imageSize;
  // Row padding can push a narrow image past what size_t or biSizeImage can hold on 32 bits.
  if (imageSize > 0xffffffffu || blockSize > static_cast<uint64_t>(SIZE_MAX)) {
    SetLastError("CxImage::Create can't allocate memory");
    return nullptr;
  }
  // Zeroed rows too: a short decode or crop never exposes stale heap bytes.
  block_ = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(blockSize), 1));
  if (block_ == nullptr) {
    SetLastError("CxImage::Create can't allocate memory");
    return nullptr;
  }
  DibHeader header = {};
  header.biSize = static_cast<uint32_t>(kHeaderSize);
  header.biWidth = static_cast<int32_t>(width);
  header.biHeight = static_cast<int32_t>(height);
  header.biPlanes = 1;
  header.biBitCount = static_cast<uint16_t>(bpp);
  header.biCompression = 0;
  header.biSizeImage = static_cast<uint32_t>(imageSize);
  header.biXPelsPerMeter = PelsPerMeter(xDpi_);
  header.biYPelsPerMeter = PelsPerMeter(yDpi_);
  header.biClrUsed = paletteCount;
  header.biClrImportant = 0;
  std::memcpy(block_, &header, sizeof(header));
  format_ = format;
  Touch();
  return block_;
}

const DibHeader* CxImage::Header() const { return reinterpret_cast<const DibHeader*>(block_); }

uint32_t CxImage::BitsPerPixel() const { return block_ ? Header()->biBitCount : 0; }

uint32_t CxImage::PaletteCount() const { return block_ ? Header()->biClrUsed : 0; }

uint32_t CxImage::EffectiveWidth() const {
  return block_ ? static_cast<uint32_t>(RowBytes(Width(), BitsPerPixel())) : 0;
}

RgbQuad* CxImage::Palette() {
  return block_ && PaletteCount() ? reinterpret_cast<RgbQuad*>(block_ + kHeaderSize) : nullptr;
}

const RgbQuad* CxImage::Palette() const {
  return block_ && PaletteCount() ? reinterpret_cast<const RgbQuad*>(block_ + kHeaderSize) : nullptr;
}

uint8_t* CxImage::Bits() { return block_ ? block_ + kHeaderSize + PaletteCount() * sizeof(RgbQuad) : nullptr; }

const uint8_t* CxImage::Bits() const {
  return block_ ? block_ + kHeaderSize + PaletteCount() * sizeof(RgbQuad) : nullptr;
}

bool CxImage::CreateAlphaPlane() {
  if (block_ == nullptr) return false;
  if (alpha_ != nullptr) return true;
  const uint64_t size = static_cast<uint64_t>(Width()) * Height();
  if (size > static_cast<uint64_t>(SIZE_MAX)) return false;
  alpha_ = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(size)));
  if (alpha_ == nullptr) return false;
  std::memset(alpha_, 255, static_cast<size_t>(size));
  Touch();
  return true;
}

void CxImage::SetXDpi(int32_t dpi) {
  xDpi_ = dpi > 0 ? dpi : 96;
  if (block_) reinterpret_cast<DibHeader*>(block_)->biXPelsPerMeter = PelsPerMeter(xDpi_);
}

void CxImage::SetYDpi(int32_t dpi) {
  yDpi_ = dpi > 0 ? dpi : 96;
  if (block_) reinterpret_cast<DibHeader*>(block_)->biYPelsPerMeter = PelsPerMeter(yDpi_);
}

void CxImage::SetLastError(const char* text) {
  if (text == nullptr) text = "";
  std::strncpy(lastError_, text, sizeof(lastError_) - 1);
  lastError_[sizeof(lastError_) - 1] = '\0';
}

void CxImage::CopySettingsFrom(const CxImage& other) {
  transparencyIndex_ = other.transparencyIndex_;
  transparencyColor_ = other.transparencyColor_;
  alphaMax_ = other.alphaMax_;
  enabled_ = other.enabled_;
  xDpi_ = other.xDpi_;
  yDpi_ = other.yDpi_;
}

// Transparency belongs to the picture that declared it: a palette picture's transparent
// index left behind would turn the next picture's pure black into background.
void CxImage::InheritDrawingSettingsFrom(const CxImage& other) {
  alphaMax_ = other.alphaMax_;
  enabled_ = other.enabled_;
  xDpi_ = other.xDpi_;
  yDpi_ = other.yDpi_;
}

void CxImage::TakeContentOf(CxImage& other) {
  if (&other == this) return;
  Release();
  block_ = other.block_;
  alpha_ = other.alpha_;
  other.block_ = nullptr;
  other.alpha_ = nullptr;
  CopySettingsFrom(other);
  alphaPaletteEnabled_ = other.alphaPaletteEnabled_;
  format_ = other.format_;
  Touch();
}

// Decodes in a fresh decoder that starts from this image's drawing settings; only a complete
// decode replaces the content. A failure reports the decoder's reason when asked to.
template <typename Decoder>
bool CxImage::DecodeWith(CxFile* stream, bool reportFailure) {
  Decoder decoder;
  static_cast<CxImage&>(decoder).InheritDrawingSettingsFrom(*this);
  if (!decoder.DecodeStream(stream)) {
    if (reportFailure) SetLastError(decoder.LastError());
    return false;
  }
  TakeContentOf(decoder);
  return true;
}

bool CxImage::Decode(CxFile* stream, uint32_t format) {
  if (stream == nullptr) {
    SetLastError("null file handler");
    return false;
  }
  if (format == CXIMAGE_FORMAT_PNG) return DecodeWith<CxImagePNG>(stream, true);
  if (format == CXIMAGE_FORMAT_ICO) return DecodeWith<CxImageICO>(stream, true);
  if (format == CXIMAGE_FORMAT_UNKNOWN) {
    // Each decoder starts where the stream stood.
    const int64_t start = stream->Tell();
    if (stream->Seek(start, SEEK_SET) && DecodeWith<CxImageICO>(stream, false)) return true;
    if (stream->Seek(start, SEEK_SET) && DecodeWith<CxImagePNG>(stream, false)) return true;
  }
  SetLastError("Decode: Unknown or wrong format");
  return false;
}

bool CxImage::CropInto(int32_t left, int32_t top, int32_t right, int32_t bottom, CxImage* destination) {
  if (block_ == nullptr) {
    SetLastError("CropInto: image is not valid");
    return false;
  }
  const int64_t width = Width();
  const int64_t height = Height();
  auto clamp = [](int64_t value, int64_t high) { return value < 0 ? 0 : (value > high ? high : value); };
  int64_t l = clamp(left, width), r = clamp(right, width);
  int64_t t = clamp(top, height), b = clamp(bottom, height);
  if (l == r || t == b) {
    SetLastError("CropInto: empty rectangle");
    return false;
  }
  if (l > r) std::swap(l, r);
  if (t > b) std::swap(t, b);

  const uint32_t newWidth = static_cast<uint32_t>(r - l);
  const uint32_t newHeight = static_cast<uint32_t>(b - t);
  const uint32_t bpp = BitsPerPixel();
  CxImage result(format_);
  result.CopySettingsFrom(*this);
  if (result.Create(newWidth, newHeight, bpp, format_) == nullptr) {
    SetLastError(result.LastError());
    return false;
  }
  if (PaletteCount() != 0) {
    std::memcpy(result.Palette(), Palette(), PaletteCount() * sizeof(RgbQuad));
    reinterpret_cast<DibHeader*>(result.block_)->biClrImportant = Header()->biClrImportant;
  }
  result.transparencyIndex_ = transparencyIndex_;
  result.transparencyColor_ = transparencyColor_;
  // The copied palette keeps its alpha bytes, so it keeps meaning them.
  result.alphaPaletteEnabled_ = alphaPaletteEnabled_;

  const uint32_t srcStride = EffectiveWidth();
  const uint32_t dstStride = result.EffectiveWidth();
  const uint8_t* srcBits = Bits();
  uint8_t* dstBits = result.Bits();
  for (uint32_t y = 0; y < newHeight; ++y) {
    // Top-down row t + y lives in storage row height - 1 - (t + y).
    const uint8_t* src = srcBits + static_cast<size_t>(height - 1 - (t + y)) * srcStride;
    uint8_t* dst = dstBits + static_cast<size_t>(newHeight - 1 - y) * dstStride;
    if (bpp >= 8) {
      std::memcpy(dst, src + static_cast<size_t>(l) * (bpp / 8), static_cast<size_t>(newWidth) * (bpp / 8));
    } else {
      for (uint32_t x = 0; x < newWidth; ++x) SetIndex(dst, x, bpp, GetIndex(src, static_cast<uint32_t>(l) + x, bpp));
    }
  }

  if (alpha_ != nullptr) {
    if (!result.CreateAlphaPlane()) {
      SetLastError("CxImage::Create can't allocate memory");
      return false;
    }
    for (uint32_t y = 0; y < newHeight; ++y) {
      const uint8_t* src = alpha_ + static_cast<size_t>(height - 1 - (t + y)) * width + l;
      std::memcpy(result.alpha_ + static_cast<size_t>(newHeight - 1 - y) * newWidth, src, newWidth);
    }
  }

  (destination != nullptr ? destination : this)->TakeContentOf(result);
  return true;
}

bool CxImage::ResampleInto(uint32_t width, uint32_t height, CxImage* destination) const {
  if (block_ == nullptr || destination == nullptr || destination == this || transparencyIndex_ >= 0 ||
      alphaPaletteEnabled_ || width == 0 || height == 0) {
    return false;
  }
  CxImage result(format_);
  result.CopySettingsFrom(*this);
  if (result.Create(width, height, 24, format_) == nullptr) return false;
  const ImageView view = View();
  const int w = static_cast<int>(width);
  const int h = static_cast<int>(height);
  const PaintBox box = {0, 0, w, h};
  Surface24 surface = {result.Bits(), w, h, static_cast<int>(result.EffectiveWidth())};
  ResampleOpaque(view, 0, 0, w, h, box, surface);
  if (alpha_ != nullptr) {
    if (!result.CreateAlphaPlane()) return false;
    const blend::SourceMap map(view, 0, 0, w, h, box);
    std::unique_ptr<int[]> columns(new (std::nothrow) int[width]);
    if (columns == nullptr) return false;
    map.FillColumns(columns.get(), w);
    for (int yy = 0; yy < h; ++yy) {  // rows bottom-up, as the planes keep them
      const uint8_t* source = alpha_ + static_cast<size_t>(map.RowOf(yy)) * Width();
      uint8_t* row = result.alpha_ + static_cast<size_t>(yy) * width;
      for (int x = 0; x < w; ++x) row[x] = source[columns[x]];
    }
  }
  destination->TakeContentOf(result);
  return true;
}

bool CxImage::SmoothResampleInto(uint32_t width, uint32_t height, CxImage* destination) const {
  if (block_ == nullptr || destination == nullptr || destination == this || width == 0 || height == 0) return false;
  const ImageView view = View();
  CxImage result(format_);
  result.CopySettingsFrom(*this);
  result.transparencyIndex_ = -1;  // the alpha plane holds it now
  if (result.Create(width, height, 24, format_) == nullptr) return false;
  if (NeedsBlending(view) && !result.CreateAlphaPlane()) return false;
  SmoothTarget target;
  target.bits = result.Bits();
  target.width = static_cast<int>(width);
  target.height = static_cast<int>(height);
  target.stride = static_cast<int>(result.EffectiveWidth());
  target.alpha = result.alpha_;
  if (!SmoothResample(view, target)) return false;
  destination->TakeContentOf(result);
  return true;
}

ImageView CxImage::View() const {
  ImageView view;
  if (block_ == nullptr) return view;
  view.bits = Bits();
  view.width = static_cast<int>(Width());
  view.height = static_cast<int>(Height());
  view.bitsPerPixel = static_cast<int>(BitsPerPixel());
  view.stride = static_cast<int>(EffectiveWidth());
  view.palette = reinterpret_cast<const uint8_t*>(Palette());
  view.paletteCount = static_cast<int>(PaletteCount());
  view.alpha = alpha_;
  view.transparencyIndex = transparencyIndex_;
  view.transparencyColor[0] = transparencyColor_.blue;
  view.transparencyColor[1] = transparencyColor_.green;
  view.transparencyColor[2] = transparencyColor_.red;
  view.transparencyColor[3] = transparencyColor_.reserved;
  view.alphaMax = alphaMax_;
  view.alphaPaletteEnabled = alphaPaletteEnabled_;
  return view;
}
