// The page and the picture cache together: a connected model's own name and picture come
// from the lookup service once, and from the cache after that.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "page/mobile_info_wnd.h"
#include "picture/picture_cache.h"
#include "testing/dib_canvas.h"
#include "testing/in_process_page_test.h"
#include "testing/lookup_stand_in.h"
#include "testing/stand_in_test.h"
#include "testing/test_support.h"

namespace {

const char16_t kRawModel[] = u"Ostrel 8X";
const char16_t kShownName[] = u"Ostrel 8X \u9752\u6625\u7248";
const char16_t kPictureFile[] = u"ostrel_8x.png";

class PicturePageTest : public InProcessPageTest<StandInTest> {
 protected:
  void SetUp() override {
    StandInTest::SetUp();
    if (HasFatalFailure()) return;
    SetEnvironmentVariableW(kLookupServiceEnvironment, WidePath(service->Base()));
    // A first connection: nothing of this model cached yet.
    const std::u16string cache = GetCacheFolder();
    DeleteFileW(WidePath(cache + u"\\" + kRawModel + u".ini"));
    DeleteFileW(WidePath(cache + u"\\" + kPictureFile));
    OpenPage();
  }
  void TearDown() override {
    InProcessPageTest::TearDown();
    SetEnvironmentVariableW(kLookupServiceEnvironment, nullptr);
  }

  PhoneInfo Connected() const {
    PhoneInfo record = MakeRecord(PageState::Connected);
    SetFieldText(record.model, kRawModel);
    return record;
  }
  bool WaitForProfile() {
    for (int i = 0; i < 200 && page->Profile().loaded != 1; ++i) PumpFor(50);
    return page->Profile().loaded == 1;
  }
  // Opaque pixels of the picture the page should show where it centres it on (694, 284) at
  // `scale`.
  int WrongPixelsOfPicture(const CxImage& picture, const DisplayScale& scale = DisplayScale()) {
    DibCanvas canvas(scale.Px(800), scale.Px(570));
    SendMessageW(page->Hwnd(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT);
    const int left = scale.Px(694) - static_cast<int>(picture.Width() / 2);
    const int top = scale.Px(284) - static_cast<int>(picture.Height() / 2);
    int wrong = 0;
    for (uint32_t y = 0; y < picture.Height(); y += 3) {
      const uint32_t row = picture.Height() - 1 - y;
      for (uint32_t x = 0; x < picture.Width(); x += 3) {
        if (picture.AlphaPlane()[row * picture.Width() + x] != 255) continue;
        const uint8_t* p = picture.Bits() + row * picture.EffectiveWidth() + 3 * x;
        const uint32_t rgb = p[2] << 16 | p[1] << 8 | p[0];
        wrong += canvas.Pixel(left + static_cast<int>(x), top + static_cast<int>(y)) != rgb;
      }
    }
    return wrong;
  }
};

TEST_F(PicturePageTest, AFirstConnectionShowsTheModelsOwnNameAndPictureAndLaterOnesAskNothing) {
  ASSERT_EQ(SendRecord(page->Hwnd(), Connected()), 1);
  EXPECT_EQ(FieldText(page->Phone().model), kRawModel) << "the raw name until the profile comes";
  ASSERT_TRUE(WaitForProfile());
  EXPECT_EQ(FieldText(page->Phone().model), kShownName);
  EXPECT_EQ(service->ProfileRequests(Utf8(kRawModel)), 1);
  EXPECT_EQ(service->PictureRequests(Utf8(kPictureFile)), 1);

  CxImage picture;
  ASSERT_TRUE(picture.LoadFromFile(WidePath(GetCacheFolder() + u"\\" + kPictureFile), CXIMAGE_FORMAT_PNG));
  ASSERT_EQ(picture.Width() % 2, 0u);  // even sizes are drawn at their own size
  EXPECT_EQ(WrongPixelsOfPicture(picture), 0);

  // The same model again, also after a spell without a phone: from the cache, no request.
  const int requests = service->Total();
  ASSERT_EQ(SendRecord(page->Hwnd(), Connected()), 1);
  PhoneInfo unplugged = Connected();  // the profile is kept across states for the same model
  unplugged.state = static_cast<int32_t>(PageState::NoPhone);
  ASSERT_EQ(SendRecord(page->Hwnd(), unplugged), 1);
  ASSERT_EQ(SendRecord(page->Hwnd(), Connected()), 1);
  PumpFor(300);
  EXPECT_EQ(service->Total(), requests);
  EXPECT_EQ(FieldText(page->Phone().model), kShownName);
  EXPECT_EQ(WrongPixelsOfPicture(picture), 0);

  // A model differing only in letter case is the same model.
  PhoneInfo shouted = Connected();
  SetFieldText(shouted.model, u"OSTREL 8x");
  ASSERT_EQ(SendRecord(page->Hwnd(), shouted), 1);
  PumpFor(300);
  EXPECT_EQ(service->Total(), requests);
  EXPECT_EQ(FieldText(page->Phone().model), kShownName);
}

// A later download replaces the cached picture of the same model: the next record shows it,
// and so does the next profile, whether or not the file kept its size.
TEST_F(PicturePageTest, AReplacedCachedPictureIsShownAfterTheNextRecordOrProfile) {
  ASSERT_EQ(SendRecord(page->Hwnd(), Connected()), 1);
  ASSERT_TRUE(WaitForProfile());
  const std::u16string cached = GetCacheFolder() + u"\\" + kPictureFile;
  const struct {
    const char* replacement;
    bool sameSize;  // padded after its end to the size of the file it replaces
    bool byProfile;
  } cases[] = {
      {"quorle_q5.png", false, false},
      {"brisa_mini.png", true, false},
      {"tallow_t9_pro.png", false, true},
      {"fennick_f2.png", true, true},
  };
  WORD day = 1;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.replacement);
    std::string bytes = ReadSource((std::string("tools/lookup_service/data/pictures/") + c.replacement).c_str());
    ASSERT_FALSE(bytes.empty());
    if (c.sameSize) {
      const size_t previousSize = ReadAll(cached).size();
      ASSERT_LE(bytes.size(), previousSize);
      bytes.resize(previousSize, '\0');
    }
    ASSERT_TRUE(WriteAll(cached, bytes));
    // Downloads happen apart in time: each replacement gets a write time of its own.
    const SYSTEMTIME when = {2020, 1, 0, day++, 12, 0, 0, 0};
    FILETIME written;
    SystemTimeToFileTime(&when, &written);
    HANDLE file =
        CreateFileW(WidePath(cached), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    SetFileTime(file, nullptr, nullptr, &written);
    CloseHandle(file);

    if (c.byProfile) {
      PhoneInfo other = Connected();
      SetFieldText(other.model, u"Unknown U1");
      ASSERT_EQ(SendRecord(page->Hwnd(), other), 1);
      ASSERT_EQ(SendRecord(page->Hwnd(), Connected()), 1);
      ASSERT_TRUE(WaitForProfile());
    } else {
      ASSERT_EQ(SendRecord(page->Hwnd(), Connected()), 1);
    }
    CxImage picture;
    ASSERT_TRUE(picture.LoadFromFile(WidePath(cached), CXIMAGE_FORMAT_PNG));
    EXPECT_EQ(WrongPixelsOfPicture(picture), 0);
  }
}

// Away from 100 percent the model's picture is resampled for photographs to the size it is
// drawn at, when it is decoded and again when the scale changes, and drawn one to one; at
// 100 percent it is drawn exactly as decoded.
TEST_F(PicturePageTest, AtEveryScaleTheModelPictureIsDrawnSmoothlyResampled) {
  DestroyWindow(page->Hwnd());
  auto made = std::make_unique<CPageAtDpi>();
  CPageAtDpi& atDpi = *made;
  atDpi.dpi = 144;
  ASSERT_NE(atDpi.Create(parent.Hwnd()), nullptr);
  page = std::move(made);
  ASSERT_EQ(SendRecord(page->Hwnd(), Connected()), 1);
  ASSERT_TRUE(WaitForProfile());
  CxImage decoded;
  ASSERT_TRUE(decoded.LoadFromFile(WidePath(GetCacheFolder() + u"\\" + kPictureFile), CXIMAGE_FORMAT_PNG));

  for (int dpi : {144, 192, 96}) {  // decoded at 144, then two scale changes
    SCOPED_TRACE(dpi);
    atDpi.dpi = dpi;
    SendMessageW(page->Hwnd(), 0x02E3 /* WM_DPICHANGED_AFTERPARENT */, 0, 0);
    const DisplayScale scale = DisplayScale::ForDpi(dpi);
    for (HWND window : {parent.Hwnd(), page->Hwnd()}) MoveWindow(window, 0, 0, scale.Px(800), scale.Px(570), FALSE);
    CxImage resampled;
    if (dpi != 96) {
      const uint32_t width = 2 * (scale.Px(static_cast<int>(decoded.Width())) / 2);
      const uint32_t height = 2 * (scale.Px(static_cast<int>(decoded.Height())) / 2);
      ASSERT_TRUE(decoded.SmoothResampleInto(width, height, &resampled));
    }
    EXPECT_EQ(WrongPixelsOfPicture(dpi == 96 ? decoded : resampled, scale), 0);
  }
}

TEST_F(PicturePageTest, AForgedProfileMessageChangesNothing) {
  ASSERT_EQ(SendRecord(page->Hwnd(), Connected()), 1);
  ModelProfile fake;
  fake.loaded = 1;
  fake.fixedModel = u"Forged";
  for (WPARAM wParam : {WPARAM{0}, WPARAM{0x41414141}, reinterpret_cast<WPARAM>(&fake), ~WPARAM{0}}) {
    EXPECT_EQ(SendMessageW(page->Hwnd(), WM_PROFILE_READY, wParam, 1), 0);
  }
  EXPECT_EQ(FieldText(page->Phone().model), kRawModel);
  ASSERT_TRUE(WaitForProfile()) << "the genuine record still arrives";
  EXPECT_EQ(FieldText(page->Phone().model), kShownName);
}

TEST_F(PicturePageTest, ALateProfileOfThePhoneBeforeIsIgnored) {
  const char16_t kSlowModel[] = u"Fennick F2";
  DeleteFileW(WidePath(GetCacheFolder() + u"\\" + kSlowModel + u".ini"));
  service->Misbehave("stall-before", "Fennick", "&stall=2");
  PhoneInfo slow = Connected();
  SetFieldText(slow.model, kSlowModel);
  ASSERT_EQ(SendRecord(page->Hwnd(), slow), 1);
  // Another phone while the first one's lookup still hangs: its own answer comes first.
  ASSERT_EQ(SendRecord(page->Hwnd(), Connected()), 1);
  ASSERT_TRUE(WaitForWorkers());
  EXPECT_EQ(service->ProfileRequests(Utf8(kSlowModel)), 1);
  EXPECT_EQ(page->Profile().rawModel, kRawModel);
  EXPECT_EQ(FieldText(page->Phone().model), kShownName);
  CxImage picture;
  ASSERT_TRUE(picture.LoadFromFile(WidePath(GetCacheFolder() + u"\\" + kPictureFile), CXIMAGE_FORMAT_PNG));
  EXPECT_EQ(WrongPixelsOfPicture(picture), 0);
}

}  // namespace
