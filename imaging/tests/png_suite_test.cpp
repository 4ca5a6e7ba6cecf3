// Every image of libpng's copy of the PNG test suite, decoded by the image object and by
// libpng's own expanding reader, must give the same colours and alpha pixel for pixel.
#include <gtest/gtest.h>
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <string>
#include <vector>

#include "imaging/ximage.h"

namespace {

const std::string kSource = PAGE_LIBPNG_SOURCE;

std::vector<std::string> FilesIn(const std::string& dir) {
  std::vector<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) {
      const std::string name = e->d_name;
      if (name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0) names.push_back(name);
    }
    closedir(d);
  }
  return names;
}

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::vector<uint8_t> bytes;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    uint8_t chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
    std::fclose(f);
  }
  return bytes;
}

// libpng's own answer: 8-bit RGBA rows top-down, tRNS turned into alpha.
struct Rgba {
  uint32_t width = 0, height = 0;
  std::vector<uint8_t> pixels;
};

struct ReferenceRead {
  FILE* file;
  png_structp png;
  png_infop info;
  Rgba* out;
  std::vector<png_bytep>* rows;
};

void ReferenceBody(ReferenceRead* r) {
  png_init_io(r->png, r->file);
  png_read_info(r->png, r->info);
  png_set_expand(r->png);
  png_set_strip_16(r->png);
  png_set_gray_to_rgb(r->png);
  png_set_add_alpha(r->png, 0xff, PNG_FILLER_AFTER);
  png_set_interlace_handling(r->png);
  png_read_update_info(r->png, r->info);
  r->out->width = png_get_image_width(r->png, r->info);
  r->out->height = png_get_image_height(r->png, r->info);
  r->out->pixels.resize(static_cast<size_t>(r->out->width) * r->out->height * 4);
  r->rows->resize(r->out->height);
  for (uint32_t y = 0; y < r->out->height; ++y)
    (*r->rows)[y] = r->out->pixels.data() + static_cast<size_t>(y) * r->out->width * 4;
  png_read_image(r->png, r->rows->data());
}

bool RunReference(ReferenceRead* r) {
  if (setjmp(png_jmpbuf(r->png))) return false;
  ReferenceBody(r);
  return true;
}

bool ReferenceDecode(const std::string& path, Rgba& out) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  std::vector<png_bytep> rows;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  ReferenceRead r = {file, png, info, &out, &rows};
  const bool ok = RunReference(&r);
  png_destroy_read_struct(&png, &info, nullptr);
  std::fclose(file);
  return ok;
}

// What the image object means to draw at top-down (x, y): colour, and alpha where 0 stands
// for a transparent index or colour.
void Resolve(const CxImage& image, uint32_t x, uint32_t y, uint8_t out[4]) {
  const uint32_t row = image.Height() - 1 - y;
  const uint8_t* bits = image.Bits() + static_cast<size_t>(row) * image.EffectiveWidth();
  unsigned alpha = image.HasAlphaPlane() ? image.AlphaPlane()[static_cast<size_t>(row) * image.Width() + x] : 255;
  if (image.BitsPerPixel() == 24) {
    const uint8_t* p = bits + 3 * x;
    out[0] = p[2], out[1] = p[1], out[2] = p[0];
    const RgbQuad key = image.TransparencyColor();
    if (image.TransparencyIndex() >= 0 && key.reserved == 0 && key.blue == p[0] && key.green == p[1] && key.red == p[2])
      alpha = 0;
  } else {
    unsigned index;
    switch (image.BitsPerPixel()) {
      case 1:
        index = (bits[x / 8] >> (7 - x % 8)) & 1;
        break;
      case 4:
        index = x % 2 ? bits[x / 2] & 15 : bits[x / 2] >> 4;
        break;
      default:
        index = bits[x];
    }
    const RgbQuad entry = image.Palette()[index];
    out[0] = entry.red, out[1] = entry.green, out[2] = entry.blue;
    if (image.AlphaPaletteEnabled()) alpha = entry.reserved;
    if (static_cast<int32_t>(index) == image.TransparencyIndex()) alpha = 0;
  }
  out[3] = static_cast<uint8_t>(alpha);
}

TEST(PngSuiteTest, EveryImageDecodesToLibpngsOwnPixels) {
  const std::string contrib = kSource + "/contrib/";
  int decoded = 0, withTransparency = 0;
  for (const char* folder : {"pngsuite/", "pngsuite/interlaced/", "testpngs/"}) {
    const std::string dir = contrib + folder;
    for (const std::string& name : FilesIn(dir)) {
      SCOPED_TRACE(folder + name);
      Rgba want;
      ASSERT_TRUE(ReferenceDecode(dir + name, want));
      const std::vector<uint8_t> bytes = ReadFile(dir + name);
      ASSERT_GT(bytes.size(), 26u);
      CxMemFile stream(bytes.data(), bytes.size());
      CxImage image;
      ASSERT_TRUE(image.Decode(&stream, CXIMAGE_FORMAT_PNG)) << image.LastError();
      ASSERT_EQ(image.Width(), want.width);
      ASSERT_EQ(image.Height(), want.height);
      if (image.TransparencyIndex() >= 0 || image.AlphaPaletteEnabled()) ++withTransparency;

      // The header's depth and colour type, normalised to the object's layout.
      const int depth = bytes[24], colorType = bytes[25];
      const uint32_t bpp = colorType == 2 || colorType == 6 ? 24
                           : colorType == 4                 ? 8
                           : depth == 1                     ? 1
                           : depth <= 4                     ? 4
                                                            : 8;
      EXPECT_EQ(image.BitsPerPixel(), bpp);
      EXPECT_EQ(image.HasAlphaPlane(), colorType == 4 || colorType == 6);

      int mismatches = 0;
      for (uint32_t y = 0; y < want.height && mismatches < 5; ++y) {
        for (uint32_t x = 0; x < want.width && mismatches < 5; ++x) {
          uint8_t got[4];
          Resolve(image, x, y, got);
          const uint8_t* w = &want.pixels[(static_cast<size_t>(y) * want.width + x) * 4];
          if (std::memcmp(got, w, 4) != 0) {
            ++mismatches;
            ADD_FAILURE() << "at " << x << "," << y << ": got " << int{got[0]} << " " << int{got[1]} << " "
                          << int{got[2]} << " " << int{got[3]} << ", libpng " << int{w[0]} << " " << int{w[1]} << " "
                          << int{w[2]} << " " << int{w[3]};
          }
        }
      }
      ++decoded;
    }
  }
  EXPECT_GE(decoded, 150) << "the test images were not found under " << contrib;
  EXPECT_GE(withTransparency, 40);
}

TEST(PngSuiteTest, DamagedAndCutFilesFailCleanlyAndKeepThePreviousPicture) {
  std::vector<std::pair<std::string, std::vector<uint8_t>>> inputs;
  const std::string crashers = kSource + "/contrib/testpngs/crashers/";
  for (const std::string& name : FilesIn(crashers)) inputs.emplace_back(name, ReadFile(crashers + name));
  ASSERT_GE(inputs.size(), 5u);
  // Every cut of a plain and an interlaced image, and every single-bit flip of a small one.
  for (const char* name : {"basn3p02.png", "ibasn6a08.png"}) {
    const std::vector<uint8_t> whole = ReadFile(kSource + "/contrib/pngsuite/" + name);
    ASSERT_FALSE(whole.empty());
    for (size_t n = 0; n < whole.size(); ++n)
      inputs.emplace_back(std::string(name) + " cut at " + std::to_string(n),
                          std::vector<uint8_t>(whole.begin(), whole.begin() + n));
  }
  const std::vector<uint8_t> small = ReadFile(kSource + "/contrib/pngsuite/basn0g01.png");
  for (size_t bit = 0; bit < small.size() * 8; bit += 3) {
    std::vector<uint8_t> flipped = small;
    flipped[bit / 8] ^= static_cast<uint8_t>(1u << (bit % 8));
    inputs.emplace_back("basn0g01 bit " + std::to_string(bit), flipped);
  }

  for (const auto& [what, bytes] : inputs) {
    CxImage image;
    ASSERT_NE(image.Create(2, 2, 24, CXIMAGE_FORMAT_PNG), nullptr);
    image.Bits()[0] = 0x5a;
    CxMemFile stream(bytes.data(), bytes.size());
    if (image.Decode(&stream, CXIMAGE_FORMAT_PNG)) {
      // Some flips land in ancillary data libpng may ignore; the result must still be whole.
      EXPECT_TRUE(image.IsValid()) << what;
      continue;
    }
    EXPECT_GT(std::strlen(image.LastError()), 0u) << what;
    EXPECT_EQ(image.Width(), 2u) << what;
    EXPECT_EQ(image.Bits()[0], 0x5a) << what;
    if (what.find(" cut at ") != std::string::npos) {
      EXPECT_STREQ(image.LastError(), "Read Error") << what;
    }
  }
}

}  // namespace
