// The pictures inside the built module: present in every scale's set (type "PNG" at 100%,
// "PNG125" to "PNG200" above it), in the form the drawing code relies on, and decodable by
// the image object.

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "imaging/ximage.h"
#include "resources/resource.h"
#include "testing/page_module.h"

namespace {

constexpr uint8_t kPalette = 3;
constexpr uint8_t kRgb = 2;
constexpr uint8_t kRgba = 6;

struct Picture {
  int id;
  uint32_t width;
  uint32_t height;
  uint8_t colourType;
  uint32_t frames = 1;  // button strips: frames side by side
};

// Sizes at 100%. 120's width follows its heading text; the rest are fixed by where the page
// draws them.
constexpr Picture kPictures[] = {
    {IDR_PNG_STATUS_BACKGROUND, 741, 526, kPalette},
    {IDR_PNG_GENERIC_PHONE, 204, 373, kRgba},
    {IDR_PNG_USB_CABLE, 234, 21, kRgba},
    {IDR_PNG_PROGRESS_KNOB, 19, 19, kRgba},
    {IDR_PNG_PROGRESS_FILL, 16, 16, kRgba},
    {IDR_PNG_SMALL_PHONE, 65, 106, kRgba},
    {IDR_PNG_INFO_CARD, 60, 337, kRgba},
    {IDR_PNG_BATTERY_BODY, 91, 48, kRgba},
    {IDR_PNG_BATTERY_FILL, 79, 33, kRgba},
    {IDR_PNG_IDLE_HEADING, 232, 23, kRgba},
    {IDR_PNG_CONNECT_STEPS, 659, 103, kRgba},
    {IDR_PNG_RECONNECT_BUTTON, 366, 48, kRgba, 3},
    {IDR_PNG_CONNECTED_MARK, 41, 40, kRgba},
    {IDR_PNG_BATTERY_GLOW, 209, 66, kRgba},
    {IDR_PNG_TILE_APPS, 52, 52, kRgba},
    {IDR_PNG_TILE_PICTURES, 52, 52, kRgba},
    {IDR_PNG_TILE_MUSIC, 52, 52, kRgba},
    {IDR_PNG_TILE_VIDEOS, 52, 52, kRgba},
    {IDR_PNG_TILE_NOVELS, 52, 52, kRgba},
    {IDR_PNG_TILE_CONTACTS, 52, 52, kRgba},
    {IDR_PNG_TILE_SMS, 52, 52, kRgba},
    {IDR_PNG_TILE_GAMES, 52, 52, kRgba},
    {IDR_PNG_COMPUTER, 116, 106, kRgba},
    {IDR_PNG_CONNECTING_HEADING, 160, 23, kRgba},
    {IDR_PNG_CURRENT_DOT, 20, 20, kRgba},
    {IDR_PNG_RESTING_RING, 12, 14, kRgba},
    {IDR_PNG_FAILED_HEADING, 288, 23, kRgba},
    {IDR_PNG_INFO_BACKGROUND, 742, 526, kPalette},
    {IDR_PNG_TOP_BAND, 147, 50, kRgb},
    {IDR_PNG_CARD_TAB, 116, 37, kRgba},
    {IDR_PNG_INSTALL_BUTTON, 568, 46, kRgba, 4},
};

// The images drawn in three slices, with their kept left and right edge widths.
struct Sliced {
  int id;
  uint32_t left;
  uint32_t right;
};

constexpr Sliced kSliced[] = {
    {IDR_PNG_INFO_CARD, 18, 18},
    {IDR_PNG_TOP_BAND, 70, 70},
    {IDR_PNG_PROGRESS_KNOB, 8, 8},
    {IDR_PNG_PROGRESS_FILL, 6, 6},
};

// One set of pictures per display scale, each under its own resource type.
struct Scale {
  const wchar_t* type;
  uint32_t percent;
};

constexpr Scale kScales[] = {
    {L"PNG", 100}, {L"PNG125", 125}, {L"PNG150", 150}, {L"PNG175", 175}, {L"PNG200", 200},
};

// A logical length at a scale, rounded half up.
uint32_t Scaled(uint32_t length, uint32_t percent) { return (length * percent + 50) / 100; }

// A strip scales its frame width, so every frame stays a whole number of pixels.
uint32_t ScaledWidth(const Picture& picture, uint32_t percent) {
  return picture.frames * Scaled(picture.width / picture.frames, percent);
}

HRSRC FindPicture(const PageModule& module, const Scale& scale, int id) {
  return FindResourceW(module.Handle(), MAKEINTRESOURCEW(id), scale.type);
}

std::string Bytes(const PageModule& module, HRSRC resource) {
  const void* bytes = LockResource(LoadResource(module.Handle(), resource));
  if (bytes == nullptr) return std::string();
  return std::string(static_cast<const char*>(bytes), SizeofResource(module.Handle(), resource));
}

uint32_t BigEndian32(const std::string& data, size_t at) {
  return (uint32_t{static_cast<uint8_t>(data[at])} << 24) | (uint32_t{static_cast<uint8_t>(data[at + 1])} << 16) |
         (uint32_t{static_cast<uint8_t>(data[at + 2])} << 8) | uint32_t{static_cast<uint8_t>(data[at + 3])};
}

struct PngFacts {
  bool wellFormed = false;  // signature, IHDR first, every chunk inside the data, IEND last
  uint32_t width = 0;
  uint32_t height = 0;
  uint8_t bitDepth = 0;
  uint8_t colourType = 0;
  uint8_t interlace = 0;
  uint32_t paletteEntries = 0;
  bool hasTransparency = false;
};

PngFacts ReadPngFacts(const std::string& data) {
  static const char kSignature[] = "\x89PNG\r\n\x1a\n";
  PngFacts facts;
  if (data.size() < 8 || data.compare(0, 8, kSignature, 8) != 0) return facts;
  size_t at = 8;
  bool first = true;
  while (at + 12 <= data.size()) {
    const uint32_t length = BigEndian32(data, at);
    if (length > data.size() - at - 12) return facts;
    const std::string type = data.substr(at + 4, 4);
    const size_t payload = at + 8;
    if (first) {
      if (type != "IHDR" || length != 13) return facts;
      facts.width = BigEndian32(data, payload);
      facts.height = BigEndian32(data, payload + 4);
      facts.bitDepth = static_cast<uint8_t>(data[payload + 8]);
      facts.colourType = static_cast<uint8_t>(data[payload + 9]);
      facts.interlace = static_cast<uint8_t>(data[payload + 12]);
      first = false;
    } else if (type == "PLTE") {
      facts.paletteEntries = length / 3;
    } else if (type == "tRNS") {
      facts.hasTransparency = true;
    }
    at += 12 + length;
    if (type == "IEND") {
      facts.wellFormed = at == data.size();
      return facts;
    }
  }
  return facts;
}

std::string Named(const Scale& scale, int id) {
  return "PNG " + std::to_string(id) + " at " + std::to_string(scale.percent) + "%";
}

TEST(ModuleResources, EachIsPresentInItsDrawnFormAndDecodes) {
  PageModule module(ModuleBesideProgram());
  ASSERT_NE(module.Handle(), nullptr);
  for (const Scale& scale : kScales) {
    for (const Picture& picture : kPictures) {
      SCOPED_TRACE(Named(scale, picture.id));
      const uint32_t width = ScaledWidth(picture, scale.percent);
      const uint32_t height = Scaled(picture.height, scale.percent);
      HRSRC resource = FindPicture(module, scale, picture.id);
      ASSERT_NE(resource, nullptr);

      const PngFacts facts = ReadPngFacts(Bytes(module, resource));
      EXPECT_TRUE(facts.wellFormed);
      EXPECT_EQ(facts.width, width);
      EXPECT_EQ(facts.height, height);
      EXPECT_EQ(facts.bitDepth, 8);
      EXPECT_EQ(facts.colourType, picture.colourType);
      EXPECT_EQ(facts.interlace, 0);
      // A tRNS chunk would switch the backgrounds and the band to blended drawing.
      EXPECT_FALSE(facts.hasTransparency);
      EXPECT_EQ(facts.paletteEntries, picture.colourType == kPalette ? 64u : 0u);

      CxImage image;
      ASSERT_TRUE(image.LoadFromResource(resource, CXIMAGE_FORMAT_PNG, module.Handle())) << image.LastError();
      EXPECT_EQ(image.Width(), width);
      EXPECT_EQ(image.Height(), height);
      EXPECT_EQ(image.BitsPerPixel(), picture.colourType == kPalette ? 8u : 24u);
      EXPECT_EQ(image.HasAlphaPlane(), picture.colourType == kRgba);
    }
  }
}

// The middle slice is stretched across hundreds of pixels, so any column in it that differs
// from its neighbours shows as a streak. Each scale keeps its edges at their scaled widths.
TEST(ModuleResources, ThreeSliceMiddlesAreUniformAcross) {
  PageModule module(ModuleBesideProgram());
  ASSERT_NE(module.Handle(), nullptr);
  for (const Scale& scale : kScales) {
    for (const Sliced& sliced : kSliced) {
      SCOPED_TRACE(Named(scale, sliced.id));
      const uint32_t left = Scaled(sliced.left, scale.percent);
      const uint32_t right = Scaled(sliced.right, scale.percent);
      CxImage image;
      ASSERT_TRUE(image.LoadFromResource(FindPicture(module, scale, sliced.id), CXIMAGE_FORMAT_PNG, module.Handle()));
      ASSERT_EQ(image.BitsPerPixel(), 24u);
      const uint32_t width = image.Width();
      ASSERT_GT(width, left + right);
      for (uint32_t row = 0; row < image.Height(); ++row) {
        const uint8_t* pixels = image.Bits() + row * image.EffectiveWidth();
        const uint8_t* alpha = image.HasAlphaPlane() ? image.AlphaPlane() + row * width : nullptr;
        for (uint32_t x = left + 1; x < width - right; ++x) {
          const bool sameColour = std::memcmp(pixels + 3 * x, pixels + 3 * left, 3) == 0;
          const bool sameAlpha = alpha == nullptr || alpha[x] == alpha[left];
          ASSERT_TRUE(sameColour && sameAlpha) << "column " << x << ", storage row " << row;
        }
      }
    }
  }
}

}  // namespace
