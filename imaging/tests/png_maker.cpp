#include "png_maker.h"

#include <png.h>

#include <csetjmp>

namespace {

int Channels(int colorType) {
  switch (colorType) {
    case 2:
      return 3;
    case 4:
      return 2;
    case 6:
      return 4;
    default:
      return 1;
  }
}

void Append(png_structp png, png_bytep data, size_t length) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

void Flush(png_structp) {}

struct Writing {
  const PngMaker* maker;
  png_structp png;
  png_infop info;
  std::vector<png_bytep>* rowPointers;
  std::vector<png_color>* palette;
  std::vector<uint8_t>* out;
};

void WriteBody(Writing* w) {
  const PngMaker& m = *w->maker;
  png_set_write_fn(w->png, w->out, Append, Flush);
  png_set_IHDR(w->png, w->info, m.width, m.height, m.bitDepth, m.colorType,
               m.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!w->palette->empty()) png_set_PLTE(w->png, w->info, w->palette->data(), static_cast<int>(w->palette->size()));
  if (!m.trnsAlpha.empty()) {
    png_set_tRNS(w->png, w->info, m.trnsAlpha.data(), static_cast<int>(m.trnsAlpha.size()), nullptr);
  } else if (m.trnsColor) {
    png_color_16 color = {};
    color.gray = m.trnsGray;
    color.red = m.trnsRed;
    color.green = m.trnsGreen;
    color.blue = m.trnsBlue;
    png_set_tRNS(w->png, w->info, nullptr, 1, &color);
  }
  if (m.phys) png_set_pHYs(w->png, w->info, m.physX, m.physY, m.physUnit);
  png_write_info(w->png, w->info);
  png_write_image(w->png, w->rowPointers->data());
  png_write_end(w->png, nullptr);
}

bool RunWrite(Writing* w) {
  if (setjmp(png_jmpbuf(w->png))) return false;
  WriteBody(w);
  return true;
}

}  // namespace

size_t PngMaker::RowBytes() const { return (static_cast<size_t>(width) * Channels(colorType) * bitDepth + 7) / 8; }

std::vector<uint8_t> PngMaker::Encode() const {
  std::vector<uint8_t> out;
  if (rows.size() != RowBytes() * height) return out;
  std::vector<png_bytep> rowPointers(height);
  for (uint32_t y = 0; y < height; ++y) rowPointers[y] = const_cast<png_bytep>(rows.data()) + RowBytes() * y;
  std::vector<png_color> colors;
  for (size_t i = 0; i + 2 < palette.size(); i += 3)
    colors.push_back(png_color{palette[i], palette[i + 1], palette[i + 2]});

  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  Writing w = {this, png, info, &rowPointers, &colors, &out};
  const bool ok = info != nullptr && RunWrite(&w);
  png_destroy_write_struct(&png, &info);
  if (!ok) out.clear();
  return out;
}
