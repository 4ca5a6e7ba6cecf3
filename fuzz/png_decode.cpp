#include <climits>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

#include "fuzz/harness.h"
#include "imaging/image_view.h"
#include "imaging/ximage.h"

namespace {

constexpr std::string_view kPrefix = "not an image";

// Images above this many pixels are cropped and compared in small pieces only, so that a
// large picture does not stall the run.
constexpr uint64_t kWholeCompareLimit = 1u << 18;

// The stored value of top-down pixel (x, y): palette index, or blue | green << 8 | red << 16.
uint32_t PixelAt(const CxImage& image, uint32_t x, uint32_t y) {
  const uint8_t* row = image.Bits() + static_cast<size_t>(image.Height() - 1 - y) * image.EffectiveWidth();
  switch (image.BitsPerPixel()) {
    case 1:
      return (row[x >> 3] >> (7 - (x & 7))) & 1u;
    case 4:
      return (x & 1) ? (row[x >> 1] & 0x0Fu) : (row[x >> 1] >> 4);
    case 8:
      return row[x];
    default:
      return row[3 * x] | (row[3 * x + 1] << 8) | (static_cast<uint32_t>(row[3 * x + 2]) << 16);
  }
}

uint32_t AlphaAt(const CxImage& image, uint32_t x, uint32_t y) {
  if (!image.HasAlphaPlane()) return 255;
  return image.AlphaPlane()[static_cast<size_t>(image.Height() - 1 - y) * image.Width() + x];
}

uint64_t Touch(const uint8_t* bytes, size_t count) {
  uint64_t sum = 0;
  for (size_t i = 0; i < count; ++i) sum = sum * 31 + bytes[i];
  return sum;
}

// The layout promises of a decoded image, then a read of every byte it owns.
void CheckLayout(const CxImage& image) {
  const DibHeader* header = image.Header();
  FUZZ_CHECK(header != nullptr);
  if (header == nullptr) return;
  const uint32_t width = image.Width(), height = image.Height(), bpp = image.BitsPerPixel();
  FUZZ_CHECK(header->biSize == 40 && header->biPlanes == 1 && header->biCompression == 0);
  FUZZ_CHECK(width > 0 && height > 0);
  FUZZ_CHECK(bpp == 1 || bpp == 4 || bpp == 8 || bpp == 24);
  FUZZ_CHECK(static_cast<double>(width) * height * bpp / 8.0 <= kCxImageMaxMemory);
  FUZZ_CHECK(image.EffectiveWidth() == ((static_cast<uint64_t>(width) * bpp + 31) / 32) * 4);
  FUZZ_CHECK(header->biSizeImage == static_cast<uint64_t>(image.EffectiveWidth()) * height);
  const uint32_t paletteCount = image.PaletteCount();
  FUZZ_CHECK(paletteCount == (bpp == 24 ? 0u : 1u << bpp));
  FUZZ_CHECK(header->biClrUsed == paletteCount && header->biClrImportant <= paletteCount);
  FUZZ_CHECK(image.Format() == CXIMAGE_FORMAT_PNG);
  if (image.AlphaPaletteEnabled()) FUZZ_CHECK(paletteCount > 0);

  uint64_t sum = Touch(image.Bits(), header->biSizeImage);
  if (paletteCount > 0) sum += Touch(reinterpret_cast<const uint8_t*>(image.Palette()), paletteCount * sizeof(RgbQuad));
  if (image.HasAlphaPlane()) sum += Touch(image.AlphaPlane(), static_cast<size_t>(width) * height);
  FuzzSink(sum);
}

bool SameImage(const CxImage& a, const CxImage& b) {
  if (std::memcmp(a.Header(), b.Header(), sizeof(DibHeader)) != 0) return false;
  const size_t paletteBytes = a.PaletteCount() * sizeof(RgbQuad);
  if (paletteBytes > 0 && std::memcmp(a.Palette(), b.Palette(), paletteBytes) != 0) return false;
  if (std::memcmp(a.Bits(), b.Bits(), a.Header()->biSizeImage) != 0) return false;
  if (a.HasAlphaPlane() != b.HasAlphaPlane()) return false;
  if (a.HasAlphaPlane() &&
      std::memcmp(a.AlphaPlane(), b.AlphaPlane(), static_cast<size_t>(a.Width()) * a.Height()) != 0)
    return false;
  const RgbQuad ka = a.TransparencyColor(), kb = b.TransparencyColor();
  return a.TransparencyIndex() == b.TransparencyIndex() && std::memcmp(&ka, &kb, sizeof ka) == 0 &&
         a.AlphaPaletteEnabled() == b.AlphaPaletteEnabled() && a.XDpi() == b.XDpi() && a.YDpi() == b.YDpi();
}

int64_t Clamp(int64_t value, int64_t high) { return value < 0 ? 0 : (value > high ? high : value); }

void CheckCrop(CxImage& image, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  const int64_t width = image.Width(), height = image.Height();
  int64_t l = Clamp(left, width), r = Clamp(right, width);
  int64_t t = Clamp(top, height), b = Clamp(bottom, height);
  if (l > r) std::swap(l, r);
  if (t > b) std::swap(t, b);
  CxImage piece;
  const bool ok = image.CropInto(left, top, right, bottom, &piece);
  FUZZ_CHECK(ok == (l != r && t != b));
  if (!ok) {
    FUZZ_CHECK(!piece.IsValid());
    return;
  }
  const uint32_t w = static_cast<uint32_t>(r - l), h = static_cast<uint32_t>(b - t);
  FUZZ_CHECK(piece.Width() == w && piece.Height() == h);
  FUZZ_CHECK(piece.BitsPerPixel() == image.BitsPerPixel());
  FUZZ_CHECK(piece.HasAlphaPlane() == image.HasAlphaPlane());
  FUZZ_CHECK(piece.TransparencyIndex() == image.TransparencyIndex());
  if (piece.Width() != w || piece.Height() != h || piece.BitsPerPixel() != image.BitsPerPixel() ||
      piece.HasAlphaPlane() != image.HasAlphaPlane())
    return;
  if (image.PaletteCount() > 0)
    FUZZ_CHECK(std::memcmp(piece.Palette(), image.Palette(), image.PaletteCount() * sizeof(RgbQuad)) == 0);
  // Every pixel of a small piece, the border of a large one.
  const bool whole = static_cast<uint64_t>(w) * h <= kWholeCompareLimit;
  for (uint32_t y = 0; y < h; ++y) {
    const bool edgeRow = y == 0 || y == h - 1;
    for (uint32_t x = 0; x < w; ++x) {
      if (!whole && !edgeRow && x != 0 && x != w - 1) continue;
      const uint32_t sx = static_cast<uint32_t>(l) + x, sy = static_cast<uint32_t>(t) + y;
      FUZZ_CHECK(PixelAt(piece, x, y) == PixelAt(image, sx, sy));
      FUZZ_CHECK(AlphaAt(piece, x, y) == AlphaAt(image, sx, sy));
    }
  }
  CheckLayout(piece);
}

// Draws into a buffer exactly the size of the visible box, so any write or read outside it,
// or outside the image, is caught.
void Draw(const ImageView& view, int x, int y, int cx, int cy) {
  const PaintBox clip{0, 0, 16, 12};
  const PaintBox box = ComputePaintBox(clip, x, y, cx, cy);
  FUZZ_CHECK(box.left >= clip.left && box.right <= clip.right && box.left <= box.right);
  FUZZ_CHECK(box.top >= clip.top && box.bottom <= clip.bottom && box.top <= box.bottom);
  if (box.Width() <= 0 || box.Height() <= 0) return;
  std::vector<uint8_t> blended(static_cast<size_t>(Stride24(box.Width())) * box.Height(), 0x3C);
  std::vector<uint8_t> opaque(blended.size(), 0xC3);
  Surface24 buffer{blended.data(), box.Width(), box.Height(), Stride24(box.Width())};
  BlendImage(view, x, y, cx, cy, box, buffer);
  buffer.bits = opaque.data();
  ResampleOpaque(view, x, y, cx, cy, box, buffer);
  FuzzSink(Touch(blended.data(), blended.size()) + Touch(opaque.data(), opaque.size()));
}

void CheckDrawing(const CxImage& image) {
  const ImageView view = image.View();
  const int w = view.width, h = view.height;
  Draw(view, 0, 0, w, h);            // natural size, top-left corner
  Draw(view, 16 - w, 12 - h, w, h);  // natural size, bottom-right corner
  Draw(view, 0, 0, 16, 12);          // stretched or shrunk onto the clip
  Draw(view, -3, -5, 2 * (w % 4096) + 1, 3 * (h % 4096) + 2);
  Draw(view, 5, 7, 1, 1);
  Draw(view, -(INT_MAX - 8), -(INT_MAX - 6), INT_MAX, INT_MAX);  // the map's far end
  Draw(view, 15, 11, INT_MAX, INT_MAX);
  // The same pixels drawn with every setting that changes the blend path.
  ImageView keyed = view;
  keyed.transparencyIndex = 0;
  keyed.alphaMax = 77;
  keyed.alphaPaletteEnabled = view.paletteCount > 0;
  Draw(keyed, 1, 1, w, h);
}

// The photograph filter at a shrink, a growth and a seed-chosen size, each axis on its own:
// the target is exactly as large as asked, with an alpha plane where the source draws with
// any transparency.
void CheckSmoothResample(const CxImage& image, uint32_t seed) {
  if (static_cast<uint64_t>(image.Width()) * image.Height() > kWholeCompareLimit) return;
  const uint32_t w = image.Width(), h = image.Height();
  const uint32_t sizes[][2] = {{w / 2 + 1, h / 2 + 1}, {w * 3 / 2 + 1, h}, {1 + seed % 97, 1 + (seed >> 8) % 61}};
  for (const auto& size : sizes) {
    CxImage scaled;
    FUZZ_CHECK(image.SmoothResampleInto(size[0], size[1], &scaled));
    FUZZ_CHECK(scaled.Width() == size[0] && scaled.Height() == size[1] && scaled.BitsPerPixel() == 24);
    FUZZ_CHECK(scaled.HasAlphaPlane() == NeedsBlending(image.View()));
    CheckLayout(scaled);
  }
}

// Crops chosen from the image's size and the input, covering clamping, swapping and the
// empty rectangle.
void CheckCrops(CxImage& image, const uint8_t* data, size_t size) {
  const int32_t w = static_cast<int32_t>(image.Width()), h = static_cast<int32_t>(image.Height());
  if (static_cast<uint64_t>(image.Width()) * image.Height() <= kWholeCompareLimit) CheckCrop(image, 0, 0, w, h);
  CheckCrop(image, w - 5, h - 3, w + 20, h + 20);
  CheckCrop(image, -10, -10, 3, 3);
  CheckCrop(image, 7, 6, 1, 1);
  CheckCrop(image, w / 2, 0, w / 2, h);
  CheckCrop(image, INT_MIN, INT_MIN, INT_MAX, 1);
  uint32_t seed = 2166136261u;
  for (size_t i = 0; i < size; i += 1 + size / 64) seed = (seed ^ data[i]) * 16777619u;
  const int32_t x = static_cast<int32_t>(seed % (static_cast<uint32_t>(w) + 1));
  const int32_t y = static_cast<int32_t>((seed >> 8) % (static_cast<uint32_t>(h) + 1));
  CheckSmoothResample(image, seed);
  CheckCrop(image, x, y, x + 1 + static_cast<int32_t>(seed >> 27), y + 1 + static_cast<int32_t>((seed >> 22) & 31));

  // A crop into the image itself replaces it; it must still be whole and drawable.
  if (w > 2 && h > 2 && static_cast<uint64_t>(image.Width()) * image.Height() <= kWholeCompareLimit) {
    const uint32_t inner = PixelAt(image, 1, 1);
    FUZZ_CHECK(image.CropInto(1, 1, w - 1, h - 1));
    FUZZ_CHECK(image.Width() == static_cast<uint32_t>(w - 2) && image.Height() == static_cast<uint32_t>(h - 2));
    FUZZ_CHECK(PixelAt(image, 0, 0) == inner);
    CheckLayout(image);
    CheckDrawing(image);
  }
}

}  // namespace

int FuzzPngDecode(const uint8_t* data, size_t size) {
  // A picture the target already holds, which a failed decode must leave alone.
  CxImage image;
  if (image.Create(3, 2, 24, CXIMAGE_FORMAT_PNG) == nullptr) return 0;
  image.Bits()[0] = 0x5A;
  image.SetAlphaMax(200);
  CxMemFile stream(data, size);
  const bool decoded = image.Decode(&stream, CXIMAGE_FORMAT_PNG);

  // Detection from the middle of a stream: each attempt must start where the stream stood.
  std::vector<uint8_t> prefixed(kPrefix.size() + size);
  std::memcpy(prefixed.data(), kPrefix.data(), kPrefix.size());
  if (size > 0) std::memcpy(prefixed.data() + kPrefix.size(), data, size);
  CxMemFile again(prefixed.data(), prefixed.size());
  FUZZ_CHECK(again.Seek(static_cast<int64_t>(kPrefix.size()), SEEK_SET));
  CxImage detected;
  const bool detectedOk = detected.Decode(&again, CXIMAGE_FORMAT_UNKNOWN);
  FUZZ_CHECK(detectedOk == decoded);

  if (!decoded) {
    const size_t length = std::strlen(image.LastError());
    FUZZ_CHECK(length > 0 && length < 256);
    FUZZ_CHECK(image.Width() == 3 && image.Height() == 2 && image.Bits()[0] == 0x5A);
    FUZZ_CHECK(image.AlphaMax() == 200);
    FUZZ_CHECK(!detected.IsValid());
    FUZZ_CHECK(std::strcmp(detected.LastError(), "Decode: Unknown or wrong format") == 0);
    return 0;
  }
  FUZZ_CHECK(image.AlphaMax() == 200);
  CheckLayout(image);
  if (detectedOk) FUZZ_CHECK(SameImage(image, detected));
  CheckDrawing(image);
  CheckCrops(image, data, size);
  return 0;
}
