#include "testing/png_writer.h"

#include <zlib.h>

#include <cstring>

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

bool Valid(int colorType, int bitDepth) {
  switch (colorType) {
    case 0:
      return bitDepth == 1 || bitDepth == 2 || bitDepth == 4 || bitDepth == 8 || bitDepth == 16;
    case 3:
      return bitDepth == 1 || bitDepth == 2 || bitDepth == 4 || bitDepth == 8;
    case 2:
    case 4:
    case 6:
      return bitDepth == 8 || bitDepth == 16;
    default:
      return false;
  }
}

void PutBigEndian(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

void PutChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
  PutBigEndian(out, static_cast<uint32_t>(data.size()));
  const size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  PutBigEndian(out, static_cast<uint32_t>(crc32(0, out.data() + start, static_cast<uInt>(out.size() - start))));
}

// The rows of the sub-image that holds every `dx`-th pixel from x0 of every `dy`-th row from
// y0, each behind its filter byte (0, none).
void AppendPass(std::vector<uint8_t>& raw, const PngDescription& d, uint32_t x0, uint32_t y0, uint32_t dx,
                uint32_t dy) {
  if (x0 >= d.width || y0 >= d.height) return;
  const size_t bits = static_cast<size_t>(Channels(d.colorType)) * d.bitDepth;
  const size_t stride = PngRowBytes(d.width, d.colorType, d.bitDepth);
  const uint32_t count = (d.width - x0 + dx - 1) / dx;
  for (uint32_t y = y0; y < d.height; y += dy) {
    const uint8_t* source = d.rows + stride * y;
    raw.push_back(0);
    const size_t start = raw.size();
    raw.resize(start + PngRowBytes(count, d.colorType, d.bitDepth), 0);
    for (uint32_t i = 0; i < count; ++i) {
      const size_t from = (x0 + static_cast<size_t>(i) * dx) * bits;
      const size_t to = static_cast<size_t>(i) * bits;
      if (bits >= 8) {
        std::memcpy(&raw[start + to / 8], source + from / 8, bits / 8);
        continue;
      }
      for (size_t b = 0; b < bits; ++b) {  // packed pixels, the first in the high bits
        const int bit = (source[(from + b) / 8] >> (7 - (from + b) % 8)) & 1;
        raw[start + (to + b) / 8] |= static_cast<uint8_t>(bit << (7 - (to + b) % 8));
      }
    }
  }
}

}  // namespace

size_t PngRowBytes(uint32_t width, int colorType, int bitDepth) {
  return (static_cast<size_t>(width) * Channels(colorType) * bitDepth + 7) / 8;
}

std::vector<uint8_t> WritePng(const PngDescription& d) {
  if (!Valid(d.colorType, d.bitDepth) || d.width == 0 || d.height == 0 || d.rows == nullptr) return {};
  std::vector<uint8_t> raw;
  if (d.interlaced) {
    static const uint32_t kPasses[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                           {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    for (const auto& pass : kPasses) AppendPass(raw, d, pass[0], pass[1], pass[2], pass[3]);
  } else {
    AppendPass(raw, d, 0, 0, 1, 1);
  }
  uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
  std::vector<uint8_t> packed(packedSize);
  if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), Z_BEST_COMPRESSION) != Z_OK) {
    return {};
  }
  packed.resize(packedSize);

  static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> out(kSignature, kSignature + 8);
  std::vector<uint8_t> header;
  PutBigEndian(header, d.width);
  PutBigEndian(header, d.height);
  header.push_back(static_cast<uint8_t>(d.bitDepth));
  header.push_back(static_cast<uint8_t>(d.colorType));
  header.push_back(0);  // deflate
  header.push_back(0);  // adaptive filtering
  header.push_back(d.interlaced ? 1 : 0);
  PutChunk(out, "IHDR", header);
  if (!d.palette.empty()) PutChunk(out, "PLTE", d.palette);
  if (!d.transparency.empty()) PutChunk(out, "tRNS", d.transparency);
  if (!d.physicalDensity.empty()) PutChunk(out, "pHYs", d.physicalDensity);
  PutChunk(out, "IDAT", packed);
  PutChunk(out, "IEND", {});
  return out;
}
