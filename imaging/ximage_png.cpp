#include "imaging/ximage_png.h"

#include <png.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// Everything the decode owns lives here, outside the setjmp frame, so the error path can
// free it and nothing in that frame needs a destructor or survives in a register.
struct PngDecode {
  CxImagePNG* image;
  CxFile* stream;
  png_structp png;
  png_infop info;
  uint8_t* row;    // one decoded row, non-interlaced images
  uint8_t* whole;  // every decoded row, interlaced images
  png_bytep* rowPointers;
};

void ReadData(png_structp png, png_bytep data, size_t length) {
  PngDecode* decode = static_cast<PngDecode*>(png_get_io_ptr(png));
  if (decode->stream->Read(data, 1, length) != length) png_error(png, "Read Error");
}

void OnError(png_structp png, png_const_charp message) {
  PngDecode* decode = static_cast<PngDecode*>(png_get_error_ptr(png));
  decode->image->ReportError(message);
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

int32_t DpiFromPng(png_uint_32 value, int unit) {
  if (unit == PNG_RESOLUTION_METER) return static_cast<int32_t>(std::floor(value * 254.0 / 10000.0 + 0.5));
  return value > 0x7fffffffu ? 0x7fffffff : static_cast<int32_t>(value);
}

uint8_t To8Bits(png_uint_16 value, int bitDepth) { return static_cast<uint8_t>(bitDepth == 16 ? value >> 8 : value); }

// Where decoded rows go: the image's layout, read once rather than for every row.
struct RowTarget {
  uint8_t* bits;
  uint8_t* alpha;
  size_t stride;
  uint32_t width;
  uint32_t height;
};

RowTarget TargetOf(CxImagePNG& image) {
  return RowTarget{image.Bits(), image.AlphaPlane(), image.EffectiveWidth(), image.Width(), image.Height()};
}

// The bottom-up storage row of top-down row y.
uint8_t* StorageRow(const RowTarget& target, uint32_t y) {
  return target.bits + static_cast<size_t>(target.height - 1 - y) * target.stride;
}

// Copies one decoded row (top-down index y) into its bottom-up storage row. Four-channel rows
// arrive red first: the swap to blue first happens here, in the same pass that splits off
// the alpha bytes.
void StoreRow(const RowTarget& target, const uint8_t* src, size_t srcBytes, uint32_t y, int channels, int bitDepth) {
  const uint32_t width = target.width;
  uint8_t* dst = StorageRow(target, y);
  uint8_t* alpha = target.alpha;
  if (alpha != nullptr) alpha += static_cast<size_t>(target.height - 1 - y) * width;
  if (channels == 4) {
    for (uint32_t x = 0; x < width; ++x, src += 4, dst += 3) {
      dst[0] = src[2];
      dst[1] = src[1];
      dst[2] = src[0];
      alpha[x] = src[3];
    }
  } else if (channels == 2) {
    for (uint32_t x = 0; x < width; ++x) {
      dst[x] = src[2 * x];
      alpha[x] = src[2 * x + 1];
    }
  } else if (bitDepth == 2) {
    // The object has no 2-bit layout: each 2-bit index becomes a 4-bit one.
    for (uint32_t x = 0; x < width; ++x) {
      const uint8_t index = (src[x >> 2] >> (6 - 2 * (x & 3))) & 3;
      if (x & 1)
        dst[x >> 1] = static_cast<uint8_t>(dst[x >> 1] | index);
      else
        dst[x >> 1] = static_cast<uint8_t>(index << 4);
    }
  } else {
    std::memcpy(dst, src, srcBytes < target.stride ? srcBytes : target.stride);
  }
}

void SetUpPalette(PngDecode* d, int colorType, int bitDepth) {
  CxImagePNG& image = *d->image;
  RgbQuad* palette = image.Palette();
  const uint32_t slots = image.PaletteCount();
  if (palette == nullptr) return;
  png_colorp pngPalette = nullptr;
  int entries = 0;
  if (colorType == PNG_COLOR_TYPE_PALETTE && png_get_PLTE(d->png, d->info, &pngPalette, &entries) && entries > 0) {
    const uint32_t count = static_cast<uint32_t>(entries) < slots ? entries : slots;
    for (uint32_t i = 0; i < count; ++i)
      palette[i] = RgbQuad{pngPalette[i].blue, pngPalette[i].green, pngPalette[i].red, 0};
    image.SetImportantColors(count);
  } else if (bitDepth == 2) {
    static const uint8_t kLevels[4] = {0, 85, 170, 255};
    for (uint32_t i = 0; i < 4; ++i) palette[i] = RgbQuad{kLevels[i], kLevels[i], kLevels[i], 0};
  } else {
    const uint32_t step = 255 / (slots - 1);
    for (uint32_t i = 0; i < slots; ++i) {
      const uint8_t level = static_cast<uint8_t>(i * step);
      palette[i] = RgbQuad{level, level, level, 0};
    }
  }
}

void SetUpTransparency(PngDecode* d, int channels, int colorType, int bitDepth) {
  CxImagePNG& image = *d->image;
  png_bytep alphas = nullptr;
  int count = 0;
  png_color_16p color = nullptr;
  if (!png_get_tRNS(d->png, d->info, &alphas, &count, &color)) return;
  if (channels == 1) {
    if (count == 1 && color != nullptr) {
      image.SetTransparencyIndex(colorType == PNG_COLOR_TYPE_PALETTE ? color->index : To8Bits(color->gray, bitDepth));
    } else if (count > 1 && alphas != nullptr) {
      RgbQuad* palette = image.Palette();
      const uint32_t slots = image.PaletteCount();
      const uint32_t used = static_cast<uint32_t>(count) < slots ? count : slots;
      for (uint32_t i = 0; i < slots; ++i) palette[i].reserved = i < used ? alphas[i] : 255;
      image.SetAlphaPaletteEnabled(true);
    }
  } else if (channels == 3 && color != nullptr) {
    image.SetTransparencyColor(
        RgbQuad{To8Bits(color->blue, bitDepth), To8Bits(color->green, bitDepth), To8Bits(color->red, bitDepth), 0});
    image.SetTransparencyIndex(0);
  }
}

// Longer than the side of any square image Create accepts, so the creation limit stays the
// one that refuses real pictures; short enough that libpng's row buffers stay under a megabyte.
constexpr png_uint_32 kMaxPngSide = 65536;
// Ancillary chunks are never used here: a hostile one may cost a bounded buffer, no more.
constexpr png_alloc_size_t kMaxChunkBytes = 1024 * 1024;
constexpr png_uint_32 kMaxStoredChunks = 64;

// Chunks the decoder never reads; skipped unparsed, so none of them allocates or inflates.
void IgnoreUnusedChunks(png_structp png) {
#if defined(PNG_HANDLE_AS_UNKNOWN_SUPPORTED)
  static const png_byte kUnused[] =
      "bKGD\0cHRM\0eXIf\0gAMA\0hIST\0iCCP\0iTXt\0oFFs\0pCAL\0sCAL\0sBIT\0sPLT\0sRGB\0"
      "sTER\0tEXt\0tIME\0zTXt";
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kUnused, static_cast<int>(sizeof kUnused / 5));
#else
  (void)png;
#endif
}

// The chunk CRCs and the zlib checksum cost about a fifth of a decode. The module's own
// pictures come with its code, not from outside; everything else keeps every check.
void SkipChecksumsOfModuleBytes(PngDecode* d) {
  if (!d->stream->ModuleOwned()) return;
  png_set_crc_action(d->png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
#if defined(PNG_IGNORE_ADLER32)
  png_set_option(d->png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
}

// Runs under libpng's longjmp: only plain data here and in the callees, all owned memory
// hangs off `d`.
bool DecodeBody(PngDecode* d) {
  // Limits first: everything png_read_info allocates is bounded by them, and Create bounds
  // what follows before any row buffer exists.
  png_set_user_limits(d->png, kMaxPngSide, kMaxPngSide);
  png_set_chunk_cache_max(d->png, kMaxStoredChunks);
  png_set_chunk_malloc_max(d->png, kMaxChunkBytes);
  IgnoreUnusedChunks(d->png);
  SkipChecksumsOfModuleBytes(d);
  png_read_info(d->png, d->info);
  png_uint_32 width = 0, height = 0;
  int bitDepth = 0, colorType = 0, interlace = 0;
  png_get_IHDR(d->png, d->info, &width, &height, &bitDepth, &colorType, &interlace, nullptr, nullptr);
  int channels;
  switch (colorType) {
    case PNG_COLOR_TYPE_GRAY:
    case PNG_COLOR_TYPE_PALETTE:
      channels = 1;
      break;
    case PNG_COLOR_TYPE_RGB:
      channels = 3;
      break;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
      channels = 2;
      break;
    case PNG_COLOR_TYPE_RGB_ALPHA:
      channels = 4;
      break;
    default:
      png_error(d->png, "unknown PNG color type");
  }
  const uint32_t bpp = channels >= 3 ? 24 : (channels == 2 ? 8 : (bitDepth < 8 ? bitDepth : 8));
  CxImagePNG& image = *d->image;
  // Create checks the size limit before any row buffer exists.
  if (image.Create(width, height, bpp, CXIMAGE_FORMAT_PNG) == nullptr) return false;

  png_uint_32 resX = 0, resY = 0;
  int unit = PNG_RESOLUTION_UNKNOWN;
  if (png_get_pHYs(d->png, d->info, &resX, &resY, &unit)) {
    image.SetXDpi(DpiFromPng(resX, unit));
    image.SetYDpi(DpiFromPng(resY, unit));
  }
  SetUpPalette(d, colorType, bitDepth);
  SetUpTransparency(d, channels, colorType, bitDepth);
  if ((channels == 2 || channels == 4) && !image.CreateAlphaPlane()) png_error(d->png, "Out of memory");

  if (colorType == PNG_COLOR_TYPE_RGB) png_set_bgr(d->png);
  if (bitDepth == 16) png_set_strip_16(d->png);
  const int passes = png_set_interlace_handling(d->png);
  png_read_update_info(d->png, d->info);
  const size_t rowBytes = png_get_rowbytes(d->png, d->info);

  const RowTarget target = TargetOf(image);
  // Whole bytes per sample that fit the storage row are read into it directly, sparing a copy.
  const bool direct =
      (channels == 1 || channels == 3) && png_get_bit_depth(d->png, d->info) == 8 && rowBytes <= target.stride;
  if (passes > 1) {
    if (rowBytes != 0 && height > SIZE_MAX / rowBytes) png_error(d->png, "Out of memory");
    d->whole = static_cast<uint8_t*>(std::malloc(rowBytes * height));
    d->rowPointers = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * height));
    if (d->whole == nullptr || d->rowPointers == nullptr) png_error(d->png, "Out of memory");
    for (png_uint_32 y = 0; y < height; ++y) d->rowPointers[y] = d->whole + rowBytes * y;
    png_read_image(d->png, d->rowPointers);
    for (png_uint_32 y = 0; y < height; ++y) StoreRow(target, d->rowPointers[y], rowBytes, y, channels, bitDepth);
  } else if (direct) {
    for (png_uint_32 y = 0; y < height; ++y) png_read_row(d->png, StorageRow(target, y), nullptr);
  } else {
    d->row = static_cast<uint8_t*>(std::malloc(rowBytes));
    if (d->row == nullptr) png_error(d->png, "Out of memory");
    for (png_uint_32 y = 0; y < height; ++y) {
      png_read_row(d->png, d->row, nullptr);
      StoreRow(target, d->row, rowBytes, y, channels, bitDepth);
    }
  }
  png_read_end(d->png, nullptr);
  return true;
}

// The only frame that calls setjmp; it holds nothing but the pointer it was given.
bool RunDecode(PngDecode* d) {
  if (setjmp(png_jmpbuf(d->png))) return false;
  return DecodeBody(d);
}

}  // namespace

void CxImagePNG::SetImportantColors(uint32_t count) {
  // Header() is read-only for callers; this object owns the block it points into.
  if (IsValid()) const_cast<DibHeader*>(Header())->biClrImportant = count;
}

bool CxImagePNG::DecodeStream(CxFile* stream) {
  if (stream == nullptr) {
    SetLastError("null file handler");
    return false;
  }
  PngDecode decode = {this, stream, nullptr, nullptr, nullptr, nullptr, nullptr};
  decode.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &decode, OnError, OnWarning);
  if (decode.png == nullptr) {
    SetLastError("Out of memory");
    return false;
  }
  decode.info = png_create_info_struct(decode.png);
  bool ok = false;
  if (decode.info == nullptr) {
    SetLastError("Out of memory");
  } else {
    png_set_read_fn(decode.png, &decode, ReadData);
    ok = RunDecode(&decode);
  }
  png_destroy_read_struct(&decode.png, &decode.info, nullptr);
  std::free(decode.row);
  std::free(decode.whole);
  std::free(decode.rowPointers);
  if (!ok) Release();
  return ok;
}
