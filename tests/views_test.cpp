// The views through the real module: records sent as the phone service sends them, the page
// printed into a DIB section, pixels checked where each picture and text must be.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "imaging/ximage.h"
#include "resources/resource.h"
#include "testing/dib_canvas.h"
#include "testing/module_page_test.h"
#include "testing/test_support.h"

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 570;

// Top-down pixel of a decoded picture as 0x00RRGGBB, and whether it is fully opaque.
struct SourcePixel {
  uint32_t rgb;
  bool opaque;
};

SourcePixel PixelOf(const CxImage& image, uint32_t x, uint32_t y) {
  const uint32_t row = image.Height() - 1 - y;
  const uint8_t* bits = image.Bits() + static_cast<size_t>(row) * image.EffectiveWidth();
  const bool opaque = !image.HasAlphaPlane() || image.AlphaPlane()[static_cast<size_t>(row) * image.Width() + x] == 255;
  if (image.BitsPerPixel() == 24) {
    const uint8_t* p = bits + 3 * x;
    return {static_cast<uint32_t>(p[2] << 16 | p[1] << 8 | p[0]), opaque};
  }
  const RgbQuad entry = image.Palette()[bits[x]];  // the page's palette pictures are 8-bit
  return {static_cast<uint32_t>(entry.red << 16 | entry.green << 8 | entry.blue), opaque};
}

class ViewsTest : public ModulePageTest {
 protected:
  void Open(int width = kWidth, int height = kHeight) {
    width_ = width;
    height_ = height;
    OpenPage(width, height);
  }

  std::unique_ptr<DibCanvas> Print() {
    auto canvas = std::make_unique<DibCanvas>(width_, height_);
    canvas->Fill(0x00FF00FF);
    SendMessageW(page, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas->Dc()), PRF_CLIENT);
    return canvas;
  }
  std::unique_ptr<DibCanvas> PrintState(PhoneInfo record) {
    EXPECT_EQ(SendRecord(page, record), 1);
    return Print();
  }

  // The module's own picture, decoded the way the page decodes it.
  const CxImage& Picture(int id) {
    std::unique_ptr<CxImage>& slot = pictures_[id];
    if (!slot) {
      slot = std::make_unique<CxImage>();
      HRSRC resource = FindResourceW(module.Handle(), MAKEINTRESOURCEW(id), L"PNG");
      HGLOBAL loaded = resource ? LoadResource(module.Handle(), resource) : nullptr;
      const void* bytes = loaded ? LockResource(loaded) : nullptr;
      if (bytes != nullptr) {
        CxMemFile stream(bytes, SizeofResource(module.Handle(), resource));
        slot->Decode(&stream, CXIMAGE_FORMAT_PNG);
      }
    }
    return *slot;
  }

  // Every opaque pixel of picture `id` at natural size with its top-left at (x, y).
  void ExpectPictureAt(const DibCanvas& canvas, int id, int x, int y) {
    const CxImage& picture = Picture(id);
    ASSERT_TRUE(picture.IsValid()) << "resource " << id;
    int opaque = 0, wrong = 0;
    for (uint32_t py = 0; py < picture.Height(); ++py) {
      for (uint32_t px = 0; px < picture.Width(); ++px) {
        const SourcePixel source = PixelOf(picture, px, py);
        if (!source.opaque) continue;
        ++opaque;
        if (canvas.Pixel(x + static_cast<int>(px), y + static_cast<int>(py)) != source.rgb) ++wrong;
      }
    }
    EXPECT_GT(opaque, 0) << "resource " << id;
    EXPECT_EQ(wrong, 0) << "resource " << id << " at " << x << "," << y;
  }

  // Where the ink of `text` ends when drawn plainly at the title's place in its font.
  static int InkEndOfTitle(const std::wstring& text) {
    DibCanvas canvas(kWidth, 60);
    canvas.Fill(0x00FFFFFF);
    HFONT font = CreateFontW(-16, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Tahoma");
    HGDIOBJ previous = SelectObject(canvas.Dc(), font);
    SetBkMode(canvas.Dc(), TRANSPARENT);
    TextOutW(canvas.Dc(), 65, 13, text.c_str(), static_cast<int>(text.size()));
    GdiFlush();
    SelectObject(canvas.Dc(), previous);
    DeleteObject(font);
    return InkSpan(canvas, RECT{0, 0, kWidth, 60}).second;
  }
  static bool HasInk(const DibCanvas& canvas, const RECT& area) {
    const auto span = InkSpan(canvas, area);
    return span.first <= span.second;
  }

 private:
  int width_ = kWidth;
  int height_ = kHeight;
  std::map<int, std::unique_ptr<CxImage>> pictures_;
};

PhoneInfo ConnectedRecord(PageState state, const char16_t* brand, const char16_t* model, uint64_t phoneFree,
                          uint64_t cardFree) {
  PhoneInfo record = MakeRecord(state);
  SetFieldText(record.brand, brand);
  SetFieldText(record.model, model);
  record.phoneTotalBytes = 8ull << 30;
  record.phoneFreeBytes = phoneFree;
  record.cardTotalBytes = 16ull << 30;
  record.cardFreeBytes = cardFree;
  return record;
}

TEST_F(ViewsTest, IdleViewAfterCreationAfterReconnectAndForUnknownStates) {
  Open();
  std::vector<std::unique_ptr<DibCanvas>> renders;
  renders.push_back(Print());
  ASSERT_EQ(SendRecord(page, MakeRecord(PageState::ConnectFailed)), 1);
  SendMessageW(page, WM_COMMAND, MAKEWPARAM(222, 0), 0);
  renders.push_back(Print());
  renders.push_back(PrintState(MakeRecord(6)));
  renders.push_back(PrintState(MakeRecord(-1)));
  for (size_t i = 0; i < renders.size(); ++i) {
    SCOPED_TRACE(i);
    const DibCanvas& canvas = *renders[i];
    ExpectPictureAt(canvas, IDR_PNG_IDLE_HEADING, 118, 79);
    ExpectPictureAt(canvas, IDR_PNG_SMALL_PHONE, 200, 177);
    ExpectPictureAt(canvas, IDR_PNG_USB_CABLE, 281, 211);
    ExpectPictureAt(canvas, IDR_PNG_COMPUTER, 530, 177);
    ExpectPictureAt(canvas, IDR_PNG_CONNECT_STEPS, 80, 331);
    // The background's corners land on the client's corners.
    const CxImage& background = Picture(IDR_PNG_STATUS_BACKGROUND);
    EXPECT_EQ(canvas.Pixel(0, 0), PixelOf(background, 0, 0).rgb);
    EXPECT_EQ(canvas.Pixel(kWidth - 1, kHeight - 1),
              PixelOf(background, background.Width() - 1, background.Height() - 1).rgb);
  }
}

TEST_F(ViewsTest, ConnectingViewHighlightsTheAnimationStepsDot) {
  Open();
  auto canvas = PrintState(MakeRecord(PageState::Connecting));
  ExpectPictureAt(*canvas, IDR_PNG_SMALL_PHONE, 199, 200);
  ExpectPictureAt(*canvas, IDR_PNG_COMPUTER, 529, 200);
  ExpectPictureAt(*canvas, IDR_PNG_CONNECTING_HEADING, 338, 323);
  ExpectPictureAt(*canvas, IDR_PNG_CURRENT_DOT, 284, 233);
  for (int x : {341, 394, 447, 500}) ExpectPictureAt(*canvas, IDR_PNG_RESTING_RING, x, 237);
  EXPECT_TRUE(HasInk(*canvas, RECT{270, 373, 570, 387})) << "the waiting line";
  EXPECT_FALSE(HasInk(*canvas, RECT{270, 387, 570, 400}));

  // Four timer ticks move the highlight to the last dot.
  for (int tick = 0; tick < 4; ++tick) SendMessageW(page, WM_TIMER, 1, 0);
  canvas = Print();
  ExpectPictureAt(*canvas, IDR_PNG_CURRENT_DOT, 496, 233);
  for (int x : {288, 341, 394, 447}) ExpectPictureAt(*canvas, IDR_PNG_RESTING_RING, x, 237);

  // The real timer advances it too: one period later the second dot is highlighted.
  SendRecord(page, MakeRecord(PageState::Connecting));
  PumpFor(1300);
  canvas = Print();
  ExpectPictureAt(*canvas, IDR_PNG_CURRENT_DOT, 337, 233);
  ExpectPictureAt(*canvas, IDR_PNG_RESTING_RING, 288, 237);
}

TEST_F(ViewsTest, HintViewListsFourLinesThirtyPixelsApart) {
  Open();
  auto canvas = PrintState(MakeRecord(PageState::ConnectFailed));
  ExpectPictureAt(*canvas, IDR_PNG_SMALL_PHONE, 184, 164);
  ExpectPictureAt(*canvas, IDR_PNG_FAILED_HEADING, 269, 168);
  for (int top : {218, 248, 278, 308}) {
    SCOPED_TRACE(top);
    EXPECT_TRUE(HasInk(*canvas, RECT{267, top, 767, top + 16}));
    EXPECT_FALSE(HasInk(*canvas, RECT{267, top + 16, 767, top + 30}));
  }
  EXPECT_FALSE(HasInk(*canvas, RECT{267, 200, 767, 218}));
}

TEST_F(ViewsTest, InformationViewPlacesTitleTextsAndPictures) {
  Open();
  auto connected = PrintState(ConnectedRecord(PageState::Connected, u"ABC", u"X1", 0, 1610612736));
  ExpectPictureAt(*connected, IDR_PNG_CARD_TAB, 37, 136);
  ExpectPictureAt(*connected, IDR_PNG_CONNECTED_MARK, 19, 5);

  // The title starts just right of x = 65; nothing of it lies left of that.
  const auto title = InkSpan(*connected, RECT{60, 13, 760, 32});
  EXPECT_GE(title.first, 65);
  EXPECT_LE(title.first, 67);

  // The phone's names exactly: an "&" is drawn, a control character reads as a space and
  // never breaks or cuts the line, so the ink ends where the whole text does.
  const struct {
    const char16_t* brand;
    const char16_t* model;
    const wchar_t* shown;
  } names[] = {
      {u"AT&T", u"X&1", L"AT&TX&1"},
      {u"A\tB", u"C\r\nD", L"A BC  D"},
  };
  for (const auto& name : names) {
    auto canvas = PrintState(ConnectedRecord(PageState::Connected, name.brand, name.model, 0, 0));
    const std::wstring shown = std::wstring(name.shown) + L"已通过USB手机连线连上电脑";
    const auto span = InkSpan(*canvas, RECT{60, 13, 760, 40});
    EXPECT_EQ(span.second, InkEndOfTitle(shown)) << (&name - names);
  }

  // The generic phone, 204 x 372 around (694, 284): its middle row comes from the source's.
  const CxImage& phone = Picture(IDR_PNG_GENERIC_PHONE);
  ASSERT_EQ(phone.Width(), 204u);
  int opaque = 0, wrong = 0;
  for (int row : {120, 200, 284, 400, 460}) {
    // Nearest row of a 373-row picture drawn into rows 98 to 469, counted from the bottom:
    // the buffer row from the bottom is 469 - row, so bottom - y - yy = row - 97.
    const float fy = 373.0f / 372.0f;
    const int fromBottom = static_cast<int>(373.0f - static_cast<float>(row - 97) * fy);
    for (uint32_t x = 0; x < 204; ++x) {
      const SourcePixel source = PixelOf(phone, x, 372 - fromBottom);
      if (!source.opaque) continue;
      ++opaque;
      if (connected->Pixel(592 + static_cast<int>(x), row) != source.rgb) ++wrong;
    }
  }
  EXPECT_GT(opaque, 100);
  EXPECT_EQ(wrong, 0);

  // Free-space texts end at x = 245 and 506 whatever their length.
  const PhoneInfo lengths[] = {
      ConnectedRecord(PageState::Connected, u"ABC", u"X1", 0, 1610612736),
      ConnectedRecord(PageState::Connected, u"ABC", u"X1", 1048575, 104899215),
  };
  for (const PhoneInfo& record : lengths) {
    auto canvas = PrintState(record);
    for (int end : {245, 506}) {
      const auto span = InkSpan(*canvas, RECT{end - 120, 506, end + 40, 522});
      EXPECT_GE(span.second, end - 3) << end;
      EXPECT_LT(span.second, end) << end;
    }
  }

  // 剩余0KB: as wide as that text in the page's font.
  HFONT font = CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Tahoma");
  HDC dc = connected->Dc();
  HGDIOBJ previous = SelectObject(dc, font);
  RECT extent = {0, 0, 1, 1};
  DrawTextW(dc, L"剩余0KB", -1, &extent, DT_CALCRECT | DT_BOTTOM);
  SelectObject(dc, previous);
  DeleteObject(font);
  const auto zero = InkSpan(*connected, RECT{100, 506, 245, 522});
  EXPECT_GE(zero.first, 245 - extent.right);
  EXPECT_LE(zero.first, 245 - extent.right + 3);
}

TEST_F(ViewsTest, TheGuardWarningAppearsOnlyWhenTheGuardIsMissingTwoPixelsBelowTheTitle) {
  Open();
  auto connected = PrintState(ConnectedRecord(PageState::Connected, u"ABC", u"X1", 0, 0));
  auto missing = PrintState(ConnectedRecord(PageState::GuardMissing, u"ABC", u"X1", 0, 0));
  // Rows where the two views differ, left of where a button could sit.
  int first = -1, last = -1, left = kWidth;
  for (int y = 0; y < 118; ++y) {
    for (int x = 0; x < 560; ++x) {
      if (connected->Pixel(x, y) == missing->Pixel(x, y)) continue;
      if (first < 0) first = y;
      last = y;
      left = std::min(left, x);
    }
  }
  ASSERT_GE(first, 0) << "no warning drawn";
  // The title in font16Bold is 16 to 20 pixels high from y = 13; the warning's rectangle
  // starts two below its bottom and the ink a little lower.
  EXPECT_GE(first, 13 + 16 + 2);
  EXPECT_LE(last, 13 + 20 + 2 + 20);
  EXPECT_GE(left, 65);
}

TEST_F(ViewsTest, ALargerClientStretchesTheBackgroundAndKeepsTheLayout) {
  Open(1000, 700);
  auto idle = Print();
  ExpectPictureAt(*idle, IDR_PNG_SMALL_PHONE, 200, 177);
  const CxImage& status = Picture(IDR_PNG_STATUS_BACKGROUND);
  EXPECT_EQ(idle->Pixel(999, 699), PixelOf(status, status.Width() - 1, status.Height() - 1).rgb);

  auto info = PrintState(ConnectedRecord(PageState::Connected, u"ABC", u"X1", 0, 0));
  ExpectPictureAt(*info, IDR_PNG_CARD_TAB, 37, 136);
  const CxImage& background = Picture(IDR_PNG_INFO_BACKGROUND);
  EXPECT_EQ(info->Pixel(999, 699), PixelOf(background, background.Width() - 1, background.Height() - 1).rgb);
}

}  // namespace
