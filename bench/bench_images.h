// The pictures the benchmarks draw: the page's own PNGs, or stand-ins of the same size and
// kind where one cannot be read. Platform-free, so the native benchmark, the instruction
// counter and the Windows benchmark share them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/image_view.h"
#include "imaging/ximage.h"

struct BenchImage {
  std::unique_ptr<CxImage> image;
  std::string origin;  // the PNG it came from, or what stands in for it
  ImageView View() const { return image->View(); }
  int Width() const { return static_cast<int>(image->Width()); }
  int Height() const { return static_cast<int>(image->Height()); }
};

// The page's picture `id` from `pngDir` (a file named "<id>_*.png"); when there is none, a
// stand-in of the given size: an RGBA picture with antialiased edges, or for `palette` a
// 64-colour gradient without alpha.
BenchImage PageImage(const std::string& pngDir, int id, int width, int height, bool palette);

// Shares of clear, opaque and partial pixels of an image's alpha plane, in percent.
struct AlphaShares {
  double clear = 0, opaque = 0, partial = 0;
};
AlphaShares SharesOf(const ImageView& image);

// A 24- or 32-bit target surface filled with a light gradient, like the page under its
// pictures.
template <class Surface>
struct BenchSurfaceOf {
  std::vector<uint8_t> bytes;
  Surface surface;
  BenchSurfaceOf(int width, int height);
  BenchSurfaceOf(const BenchSurfaceOf&) = delete;
  BenchSurfaceOf& operator=(const BenchSurfaceOf&) = delete;
};
using BenchSurface = BenchSurfaceOf<Surface24>;
using BenchSurface32 = BenchSurfaceOf<Surface32>;

// 0xAARRGGBB premultiplied, top-down rows: the layout of pixman's a8r8g8b8 and of a 32-bit
// top-down DIB section used with AlphaBlend.
std::vector<uint32_t> Premultiplied(const ImageView& image);

// `pngDir` as built in, or from PAGE_PNG_DIR in the environment.
std::string DefaultPngDir();
