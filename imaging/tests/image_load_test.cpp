// Loading images from the module's PNG resources and from files by wide path.

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "imaging/ximage.h"

namespace {

constexpr int kRgbaResource = 201;

HRSRC FindPng(int id) { return FindResourceW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), L"PNG"); }

std::string ResourceBytes(int id) {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC resource = FindPng(id);
  const void* bytes = LockResource(LoadResource(module, resource));
  return std::string(static_cast<const char*>(bytes), SizeofResource(module, resource));
}

std::wstring TempPath(const wchar_t* name) {
  wchar_t folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  return std::wstring(folder) + name;
}

void WriteFile(const std::wstring& path, const std::string& bytes) {
  FILE* file = _wfopen(path.c_str(), L"wb");
  ASSERT_NE(file, nullptr);
  fwrite(bytes.data(), 1, bytes.size(), file);
  fclose(file);
}

// Checks the decoded 5 x 3 test picture: red 40x+10, green 60y+20, blue 200-30x, alpha 255
// left of x = 3, then 64 and 128.
void ExpectTestPicture(const CxImage& image) {
  ASSERT_TRUE(image.IsValid());
  ASSERT_EQ(image.Width(), 5u);
  ASSERT_EQ(image.Height(), 3u);
  EXPECT_EQ(image.BitsPerPixel(), 24u);
  ASSERT_TRUE(image.HasAlphaPlane());
  const uint8_t alphas[] = {255, 255, 255, 64, 128};
  for (int y = 0; y < 3; ++y) {
    const int row = 2 - y;  // stored bottom-up
    for (int x = 0; x < 5; ++x) {
      const uint8_t* p = image.Bits() + row * image.EffectiveWidth() + 3 * x;
      EXPECT_EQ(p[0], 200 - 30 * x);
      EXPECT_EQ(p[1], 60 * y + 20);
      EXPECT_EQ(p[2], 40 * x + 10);
      EXPECT_EQ(image.AlphaPlane()[row * 5 + x], alphas[x]);
    }
  }
}

TEST(ImageLoadTest, APngResourceOfTheModuleLoads) {
  CxImage image;
  ASSERT_NE(FindPng(kRgbaResource), nullptr);
  EXPECT_TRUE(image.LoadFromResource(FindPng(kRgbaResource), CXIMAGE_FORMAT_PNG, GetModuleHandleW(nullptr)));
  ExpectTestPicture(image);
  EXPECT_EQ(image.Format(), static_cast<uint32_t>(CXIMAGE_FORMAT_PNG));
}

TEST(ImageLoadTest, AMissingResourceLeavesTheImageInvalidAndDrawsNothing) {
  CxImage image;
  EXPECT_EQ(FindPng(999), nullptr);
  EXPECT_FALSE(image.LoadFromResource(FindPng(999), CXIMAGE_FORMAT_PNG, GetModuleHandleW(nullptr)));
  EXPECT_FALSE(image.IsValid());
  EXPECT_STREQ(image.LastError(), "Unable to load resource!");
  HDC dc = CreateCompatibleDC(nullptr);
  EXPECT_FALSE(image.DrawAt(dc, 0, 0));
  DeleteDC(dc);

  // A valid image stays as it was.
  ASSERT_TRUE(image.LoadFromResource(FindPng(kRgbaResource), CXIMAGE_FORMAT_PNG, GetModuleHandleW(nullptr)));
  EXPECT_FALSE(image.LoadFromResource(FindPng(999), CXIMAGE_FORMAT_PNG, GetModuleHandleW(nullptr)));
  ExpectTestPicture(image);
}

TEST(ImageLoadTest, FilesLoadByWidePath) {
  const std::wstring path = TempPath(L"页面测试 图片.png");
  WriteFile(path, ResourceBytes(kRgbaResource));
  for (uint32_t format : {uint32_t{CXIMAGE_FORMAT_PNG}, uint32_t{CXIMAGE_FORMAT_UNKNOWN}}) {
    CxImage image;
    EXPECT_TRUE(image.LoadFromFile(path.c_str(), format)) << format;
    ExpectTestPicture(image);
  }
  DeleteFileW(path.c_str());
}

TEST(ImageLoadTest, AFailedFileLoadKeepsThePictureAndReportsThePngFailure) {
  const std::wstring truncated = TempPath(L"page-test-truncated.png");
  WriteFile(truncated, ResourceBytes(kRgbaResource).substr(0, 60));
  const std::wstring missing = TempPath(L"page-test-no-such-file.png");
  DeleteFileW(missing.c_str());

  CxImage image;
  ASSERT_TRUE(image.LoadFromResource(FindPng(kRgbaResource), CXIMAGE_FORMAT_PNG, GetModuleHandleW(nullptr)));

  // Asked for PNG: the detection retry fails too, and the PNG decoder's text is put back.
  EXPECT_FALSE(image.LoadFromFile(truncated.c_str(), CXIMAGE_FORMAT_PNG));
  EXPECT_STREQ(image.LastError(), "Read Error");
  ExpectTestPicture(image);

  // Asked to detect: the detection's own text stays.
  EXPECT_FALSE(image.LoadFromFile(truncated.c_str(), CXIMAGE_FORMAT_UNKNOWN));
  EXPECT_STREQ(image.LastError(), "Decode: Unknown or wrong format");
  ExpectTestPicture(image);

  // A file that cannot be opened changes nothing, not even the text.
  EXPECT_FALSE(image.LoadFromFile(missing.c_str(), CXIMAGE_FORMAT_PNG));
  EXPECT_STREQ(image.LastError(), "Decode: Unknown or wrong format");
  ExpectTestPicture(image);
  DeleteFileW(truncated.c_str());
}

}  // namespace
