#include "bench/bench_images.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <type_traits>

#include "imaging/xfile.h"

namespace {

uint8_t* StorageRow(CxImage& image, int topDownRow) {
  const int height = static_cast<int>(image.Height());
  return image.Bits() + static_cast<size_t>(height - 1 - topDownRow) * image.EffectiveWidth();
}

uint8_t* AlphaRow(CxImage& image, int topDownRow) {
  const int height = static_cast<int>(image.Height());
  return image.AlphaPlane() + static_cast<size_t>(height - 1 - topDownRow) * image.Width();
}

// Smooth colours, so opaque runs look like the page's gradients rather than noise.
void FillGradient(CxImage& image) {
  const int w = static_cast<int>(image.Width()), h = static_cast<int>(image.Height());
  for (int y = 0; y < h; ++y) {
    uint8_t* row = StorageRow(image, y);
    for (int x = 0; x < w; ++x) {
      row[x * 3] = static_cast<uint8_t>(60 + x * 180 / w);
      row[x * 3 + 1] = static_cast<uint8_t>(90 + y * 150 / h);
      row[x * 3 + 2] = static_cast<uint8_t>(200 - (x + y) * 150 / (w + h));
    }
  }
}

BenchImage Make24WithAlpha(int width, int height, std::string origin) {
  BenchImage out{std::make_unique<CxImage>(CXIMAGE_FORMAT_PNG), std::move(origin)};
  if (out.image->Create(width, height, 24, CXIMAGE_FORMAT_PNG) == nullptr || !out.image->CreateAlphaPlane()) {
    std::fprintf(stderr, "cannot create a %dx%d image\n", width, height);
    std::abort();
  }
  FillGradient(*out.image);
  return out;
}

// Coverage of a rounded rectangle inset by `inset` with corner `radius`, antialiased over
// about one and a half pixels, and a faint shadow below it.
BenchImage RoundedShape(int width, int height, const std::string& origin) {
  BenchImage out = Make24WithAlpha(width, height, origin);
  const double inset = std::max(1.0, std::min(width, height) * 0.06);
  const double radius = std::min(width, height) * 0.2;
  const double cx = width / 2.0, cy = height / 2.0;
  const double hx = cx - inset - radius, hy = cy - inset - radius;
  for (int y = 0; y < height; ++y) {
    uint8_t* alpha = AlphaRow(*out.image, y);
    for (int x = 0; x < width; ++x) {
      const double dx = std::max(std::abs(x + 0.5 - cx) - hx, 0.0);
      const double dy = std::max(std::abs(y + 0.5 - cy) - hy, 0.0);
      const double outside = std::hypot(dx, dy) - radius;  // < 0 inside the shape
      double a = std::clamp(0.5 - outside / 1.5, 0.0, 1.0);
      if (a == 0.0 && outside < inset) a = 0.25 * (1.0 - outside / inset);  // the shadow
      alpha[x] = static_cast<uint8_t>(std::lround(a * 255.0));
    }
  }
  return out;
}

BenchImage PaletteGradient(int width, int height, const std::string& origin) {
  BenchImage out{std::make_unique<CxImage>(CXIMAGE_FORMAT_PNG), origin};
  if (out.image->Create(width, height, 8, CXIMAGE_FORMAT_PNG) == nullptr) std::abort();
  RgbQuad* palette = out.image->Palette();
  for (int i = 0; i < 64; ++i) {
    palette[i] =
        RgbQuad{static_cast<uint8_t>(255 - i * (255 - 0xEE) / 63), static_cast<uint8_t>(255 - i * (255 - 0xE3) / 63),
                static_cast<uint8_t>(255 - i * (255 - 0xD9) / 63), 0};
  }
  for (int y = 0; y < height; ++y) {
    uint8_t* row = StorageRow(*out.image, y);
    for (int x = 0; x < width; ++x) {
      const double d = std::hypot(x - width / 2.0, y - height / 2.0) / std::hypot(width / 2.0, height / 2.0);
      row[x] = static_cast<uint8_t>(std::min(63, static_cast<int>(d * 64.0)));
    }
  }
  return out;
}

std::string FindPng(const std::string& dir, int id) {
  namespace fs = std::filesystem;
  std::error_code error;
  const std::string prefix = std::to_string(id) + "_";
  for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (name.rfind(prefix, 0) == 0 && it->path().extension() == ".png") return it->path().string();
  }
  return {};
}

}  // namespace

std::string DefaultPngDir() {
  if (const char* dir = std::getenv("PAGE_PNG_DIR")) return dir;
#ifdef PAGE_PNG_DIR
  return PAGE_PNG_DIR;
#else
  return "resources/png";
#endif
}

BenchImage PageImage(const std::string& pngDir, int id, int width, int height, bool palette) {
  const std::string path = FindPng(pngDir, id);
  if (!path.empty()) {
    std::ifstream file(path, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    BenchImage out{std::make_unique<CxImage>(CXIMAGE_FORMAT_PNG), std::filesystem::path(path).filename().string()};
    CxMemFile stream(bytes.data(), bytes.size());
    if (out.image->Decode(&stream, CXIMAGE_FORMAT_PNG)) return out;
    std::fprintf(stderr, "%s does not decode (%s); using a stand-in\n", path.c_str(), out.image->LastError());
  }
  const std::string origin = "stand-in " + std::to_string(width) + "x" + std::to_string(height);
  return palette ? PaletteGradient(width, height, origin + " palette") : RoundedShape(width, height, origin);
}

AlphaShares SharesOf(const ImageView& image) {
  AlphaShares shares;
  const size_t count = static_cast<size_t>(image.width) * image.height;
  if (image.alpha == nullptr || count == 0) {
    shares.opaque = 100;
    return shares;
  }
  size_t clear = 0, opaque = 0;
  for (size_t i = 0; i < count; ++i) {
    clear += image.alpha[i] == 0;
    opaque += image.alpha[i] == 255;
  }
  shares.clear = 100.0 * clear / count;
  shares.opaque = 100.0 * opaque / count;
  shares.partial = 100.0 - shares.clear - shares.opaque;
  return shares;
}

template <class Surface>
BenchSurfaceOf<Surface>::BenchSurfaceOf(int width, int height) {
  constexpr int pixelBytes = std::is_same_v<Surface, Surface32> ? 4 : 3;
  surface.width = width;
  surface.height = height;
  surface.stride = pixelBytes == 4 ? Stride32(width) : Stride24(width);
  bytes.resize(static_cast<size_t>(surface.stride) * height);  // fourth bytes 0, as GDI leaves them
  for (int y = 0; y < height; ++y) {
    uint8_t* row = bytes.data() + static_cast<size_t>(y) * surface.stride;
    for (int x = 0; x < width; ++x) {
      row[x * pixelBytes] = static_cast<uint8_t>(244 - y * 40 / height);
      row[x * pixelBytes + 1] = static_cast<uint8_t>(246 - x * 30 / width);
      row[x * pixelBytes + 2] = 248;
    }
  }
  surface.bits = bytes.data();
}

template struct BenchSurfaceOf<Surface24>;
template struct BenchSurfaceOf<Surface32>;

std::vector<uint32_t> Premultiplied(const ImageView& image) {
  std::vector<uint32_t> out(static_cast<size_t>(image.width) * image.height);
  for (int y = 0; y < image.height; ++y) {
    const int sy = image.height - 1 - y;
    const uint8_t* row = image.bits + static_cast<size_t>(sy) * image.stride;
    for (int x = 0; x < image.width; ++x) {
      uint32_t b, g, r;
      if (image.bitsPerPixel == 24) {
        b = row[x * 3], g = row[x * 3 + 1], r = row[x * 3 + 2];
      } else {
        const uint8_t* entry = image.palette + 4 * row[x];  // 8-bit palette images only
        b = entry[0], g = entry[1], r = entry[2];
      }
      const uint32_t a = image.alpha ? image.alpha[static_cast<size_t>(sy) * image.width + x] : 255u;
      auto pre = [a](uint32_t c) { return (c * a + 127) / 255; };
      out[static_cast<size_t>(y) * image.width + x] = a << 24 | pre(r) << 16 | pre(g) << 8 | pre(b);
    }
  }
  return out;
}
