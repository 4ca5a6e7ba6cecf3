#include "png_maker.h"

#include "testing/png_writer.h"

namespace {

void PutBigEndian16(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value >> 8));
  out.push_back(static_cast<uint8_t>(value));
}

void PutBigEndian32(std::vector<uint8_t>& out, uint32_t value) {
  PutBigEndian16(out, static_cast<uint16_t>(value >> 16));
  PutBigEndian16(out, static_cast<uint16_t>(value));
}

}  // namespace

size_t PngMaker::RowBytes() const { return PngRowBytes(width, colorType, bitDepth); }

std::vector<uint8_t> PngMaker::Encode() const {
  if (rows.size() != RowBytes() * height) return {};
  PngDescription d;
  d.width = width;
  d.height = height;
  d.colorType = colorType;
  d.bitDepth = bitDepth;
  d.interlaced = interlaced;
  d.rows = rows.data();
  d.palette = palette;
  if (!trnsAlpha.empty()) {
    d.transparency = trnsAlpha;
  } else if (trnsColor) {
    if (colorType == 0) {
      PutBigEndian16(d.transparency, trnsGray);
    } else {
      PutBigEndian16(d.transparency, trnsRed);
      PutBigEndian16(d.transparency, trnsGreen);
      PutBigEndian16(d.transparency, trnsBlue);
    }
  }
  if (phys) {
    PutBigEndian32(d.physicalDensity, physX);
    PutBigEndian32(d.physicalDensity, physY);
    d.physicalDensity.push_back(static_cast<uint8_t>(physUnit));
  }
  return WritePng(d);
}
