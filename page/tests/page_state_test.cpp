// The page's own state as records, timer ticks and commands change it. These tests link the
// page code directly (see CMakeLists) because the state is not visible through the exports.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>

#include "page/mobile_info_wnd.h"
#include "page/offscreen_buffer.h"
#include "page/page_elements.h"
#include "page/page_protocol.h"
#include "testing/dib_canvas.h"
#include "testing/in_process_page_test.h"
#include "testing/test_support.h"

namespace {

class PageStateTest : public InProcessPageTest<> {
 protected:
  void SetUp() override { OpenPage(); }

  LRESULT Send(PageState state) { return SendRecord(page->Hwnd(), MakeRecord(state)); }
  int32_t State() const { return page->Phone().state; }
  void Tick(UINT_PTR timerId) { SendMessageW(page->Hwnd(), WM_TIMER, timerId, 0); }
};

TEST_F(PageStateTest, ANewPageHasAnEmptyRecordInNoPhone) {
  const PhoneInfo empty = EmptyPhoneInfo();
  EXPECT_EQ(page->Phone().size, kPhoneInfoSize);
  EXPECT_EQ(State(), static_cast<int32_t>(PageState::NoPhone));
  EXPECT_EQ(std::memcmp(&page->Phone(), &empty, sizeof empty), 0);
  EXPECT_EQ(page->AnimStep(), 0u);
}

TEST_F(PageStateTest, ARecordIsKeptWholeAndRefusedOnesChangeNothing) {
  PhoneInfo record = MakeRecord(PageState::Connected);
  record.size = 77;  // taken over without a check
  record.appCount = 12;
  record.phoneFreeBytes = 1610612736;
  SetFieldText(record.brand, u"ABC");
  ASSERT_EQ(SendRecord(page->Hwnd(), record), 1);
  EXPECT_EQ(std::memcmp(&page->Phone(), &record, sizeof record), 0);

  PhoneInfo refused = MakeRecord(PageState::ConnectFailed);
  EXPECT_EQ(SendPayload(page->Hwnd(), &refused, kPhoneInfoSize - 1), 0);
  EXPECT_EQ(SendPayload(page->Hwnd(), nullptr, kPhoneInfoSize), 0);
  EXPECT_EQ(SendMessageW(page->Hwnd(), WM_COPYDATA, 0, 0), 0);
  EXPECT_EQ(std::memcmp(&page->Phone(), &record, sizeof record), 0);
}

TEST_F(PageStateTest, TheAnimationStepsThroughFiveAndIgnoresOtherTimers) {
  const uint32_t expected[] = {1, 2, 3, 4, 0, 1};
  for (uint32_t step : expected) {
    Tick(CMobileInfoWnd::kAnimationTimerId);
    EXPECT_EQ(page->AnimStep(), step);
  }
  Tick(2);
  EXPECT_EQ(page->AnimStep(), 1u);
}

TEST_F(PageStateTest, TheTimerRunsOnlyWhileConnecting) {
  ASSERT_EQ(Send(PageState::Connecting), 1);
  EXPECT_EQ(page->AnimStep(), 0u);
  PumpFor(1300);
  EXPECT_GE(page->AnimStep(), 1u);

  ASSERT_EQ(Send(PageState::Connected), 1);
  EXPECT_EQ(page->AnimStep(), 0u);
  PumpFor(1300);
  EXPECT_EQ(page->AnimStep(), 0u);
}

TEST_F(PageStateTest, ASecondConnectingRecordStartsTheAnimationAgain) {
  ASSERT_EQ(Send(PageState::Connecting), 1);
  PumpFor(1300);
  ASSERT_GE(page->AnimStep(), 1u);
  ASSERT_EQ(Send(PageState::Connecting), 1);
  EXPECT_EQ(page->AnimStep(), 0u);
  PumpFor(1300);
  EXPECT_GE(page->AnimStep(), 1u);
}

// The user's "animate controls and elements inside windows", set for this session only and
// given back at the end.
class ClientAnimations {
 public:
  ClientAnimations() { SystemParametersInfoW(SPI_GETCLIENTAREAANIMATION, 0, &before_, 0); }
  ~ClientAnimations() { Set(before_); }
  static void Set(BOOL on) {
    SystemParametersInfoW(SPI_SETCLIENTAREAANIMATION, 0, reinterpret_cast<void*>(static_cast<INT_PTR>(on)), 0);
  }

 private:
  BOOL before_ = TRUE;
};

bool ShowsLitDot(CMobileInfoWnd& page) {
  for (const ViewElement& element : page.Model().Elements()) {
    if (element.kind == ElementKind::Picture && element.picture == PagePicture::CurrentDot) return true;
  }
  return false;
}

// With animations turned off, the connecting view stands still, every dot at rest, and runs no
// timer; it still says it is connecting. Turned on again, it moves at once, and off, it stops.
TEST_F(PageStateTest, WithAnimationsOffTheConnectingViewStandsStill) {
  const ClientAnimations restore;
  const auto setting = [&](BOOL on) {
    ClientAnimations::Set(on);
    SendMessageW(page->Hwnd(), WM_SETTINGCHANGE, SPI_SETCLIENTAREAANIMATION, 0);
  };
  setting(FALSE);
  ASSERT_EQ(Send(PageState::Connecting), 1);
  PumpFor(1300);
  Tick(CMobileInfoWnd::kAnimationTimerId);
  EXPECT_EQ(page->AnimStep(), kStillAnimationStep);
  EXPECT_FALSE(ShowsLitDot(*page));
  EXPECT_EQ(page->Model().View(), PageView::Connecting);
  EXPECT_FALSE(KillTimer(page->Hwnd(), CMobileInfoWnd::kAnimationTimerId)) << "no timer runs";

  setting(TRUE);
  EXPECT_EQ(page->AnimStep(), 0u);
  EXPECT_TRUE(ShowsLitDot(*page));
  PumpFor(1300);
  EXPECT_GE(page->AnimStep(), 1u);

  setting(FALSE);
  EXPECT_EQ(page->AnimStep(), kStillAnimationStep);
  EXPECT_FALSE(KillTimer(page->Hwnd(), CMobileInfoWnd::kAnimationTimerId));
}

TEST_F(PageStateTest, ReconnectOnlyOnAClickAndOnlyResetsTheState) {
  ASSERT_EQ(Send(PageState::ConnectFailed), 1);
  SendMessageW(page->Hwnd(), WM_COMMAND, MAKEWPARAM(kReconnectButtonId, 1), 0);
  EXPECT_EQ(State(), static_cast<int32_t>(PageState::ConnectFailed));

  Tick(CMobileInfoWnd::kAnimationTimerId);
  SendMessageW(page->Hwnd(), WM_COMMAND, MAKEWPARAM(kReconnectButtonId, 0), 0);
  EXPECT_EQ(State(), static_cast<int32_t>(PageState::ReconnectRequested));
  EXPECT_EQ(page->AnimStep(), 0u);
}

TEST_F(PageStateTest, TheSixPageFontsAreTahomaInGb2312) {
  struct Expected {
    HFONT font;
    LONG height;
    LONG weight;
  };
  const Expected fonts[] = {
      {page->Font12(), -12, FW_NORMAL},   {page->Font12Bold(), -12, FW_BOLD}, {page->Font14(), -14, FW_NORMAL},
      {page->Font14Bold(), -14, FW_BOLD}, {page->Font16Bold(), -16, FW_BOLD}, {page->Font26Bold(), -26, FW_BOLD},
  };
  for (const Expected& e : fonts) {
    SCOPED_TRACE(e.height * 1000 - e.weight);
    LOGFONTW font = {};
    ASSERT_EQ(GetObjectW(e.font, sizeof font, &font), static_cast<int>(sizeof font));
    EXPECT_EQ(font.lfHeight, e.height);
    EXPECT_EQ(font.lfWeight, e.weight);
    EXPECT_EQ(font.lfWidth, 0);
    EXPECT_EQ(font.lfCharSet, GB2312_CHARSET);
    EXPECT_EQ(font.lfPitchAndFamily, DEFAULT_PITCH | FF_SWISS);
    EXPECT_FALSE(font.lfItalic || font.lfUnderline || font.lfStrikeOut);
    EXPECT_STREQ(font.lfFaceName, L"Tahoma");
  }
}

TEST_F(PageStateTest, ThePaintBufferCoversOnlyTheArea) {
  // A buffer for (100, 100, 200, 150) draws in client coordinates and lands at that area.
  DibCanvas canvas(300, 200);
  canvas.Fill(0x00FF00FF);
  const RECT area = {100, 100, 200, 150};
  {
    COffscreenBuffer buffer(canvas.Dc(), area);
    HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    const RECT everything = {0, 0, 300, 200};
    FillRect(buffer.Dc(), &everything, black);
    const RECT corner = {100, 100, 101, 101};
    FillRect(buffer.Dc(), &corner, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  }
  EXPECT_EQ(canvas.Pixel(100, 100), 0x00FFFFFFu);
  EXPECT_EQ(canvas.CountOtherThan(RECT{101, 101, 200, 150}, 0), 0);
  EXPECT_EQ(canvas.Pixel(99, 100), 0x00FF00FFu);
  EXPECT_EQ(canvas.Pixel(200, 149), 0x00FF00FFu);
  EXPECT_EQ(canvas.Pixel(150, 150), 0x00FF00FFu);
}

// The frame the page keeps between paints, printed, against a from-scratch DoPaint into a
// 24-bit DIB section as every paint drew the page before: the same blue, green and red.
class PageFrameTest : public PageStateTest {
 protected:
  static constexpr uint32_t kPoison = 0x00FF00FF;

  std::unique_ptr<DibCanvas> Print(int width = kPageWidth, int height = kPageHeight) {
    auto canvas = std::make_unique<DibCanvas>(width, height, DibLayout::TopDown32, 0x00123456);
    SendMessageW(page->Hwnd(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas->Dc()), PRF_CLIENT);
    GdiFlush();
    return canvas;
  }
  std::unique_ptr<DibCanvas> FullPaint(int width = kPageWidth, int height = kPageHeight) {
    auto canvas = std::make_unique<DibCanvas>(width, height, DibLayout::BottomUp24, 0x00123456);
    page->DoPaint(canvas->Dc());
    GdiFlush();
    return canvas;
  }
  void PoisonFrame() {
    HBRUSH poison = CreateSolidBrush(RGB(0xFF, 0x00, 0xFF));
    const RECT everything = {0, 0, kPageWidth, kPageHeight};
    FillRect(page->Frame().Dc(), &everything, poison);
    DeleteObject(poison);
    GdiFlush();
  }
  void Mouse(UINT message, POINT at) {
    SendMessageW(page->Hwnd(), message, message == WM_LBUTTONDOWN ? MK_LBUTTON : 0, MAKELPARAM(at.x, at.y));
  }
};

TEST_F(PageFrameTest, RepaintingWhatChangedGivesTheFullPaintsPixelsInEveryView) {
  const RECT client = {0, 0, kPageWidth, kPageHeight};
  const RECT damages[] = {
      {0, 0, 1, 1},
      {340, 382, 462, 430},  // the Reconnect button
      {760, 540, 840, 600},  // across the client's corner
      {284, 233, 304, 253},  // the first dot
      client,
  };
  const PhoneInfo connected = SampleRecord(PageState::Connected);
  const PhoneInfo guardMissing = SampleRecord(PageState::GuardMissing);
  // A record repaints only the elements it changed: every value, and a count whose line
  // reaches past its tile and back.
  PhoneInfo changed = connected;
  SetFieldText(changed.brand, u"Ostrel");
  changed.appCount = 2147483647;
  changed.musicCount = kTileNotAvailable;
  changed.smsCount += 1;
  changed.batteryPercent = 7;
  changed.phoneFreeBytes /= 3;
  changed.cardTotalBytes *= 2;
  const POINT button = {400, 400};
  const POINT away = {100, 100};
  const struct {
    const char* name;
    std::function<void()> change;
  } steps[] = {
      {"idle", [] {}},
      {"connected", [&] { SendRecord(page->Hwnd(), connected); }},
      {"connected, values changed", [&] { SendRecord(page->Hwnd(), changed); }},
      {"connected, values back", [&] { SendRecord(page->Hwnd(), connected); }},
      {"guard missing", [&] { SendRecord(page->Hwnd(), guardMissing); }},
      {"connecting", [&] { Send(PageState::Connecting); }},
      {"connecting, next step", [&] { Tick(CMobileInfoWnd::kAnimationTimerId); }},
      {"failed", [&] { Send(PageState::ConnectFailed); }},
      {"failed, Reconnect hovered", [&] { Mouse(WM_MOUSEMOVE, button); }},
      {"failed, Reconnect pressed", [&] { Mouse(WM_LBUTTONDOWN, button); }},
      {"failed, press dragged off", [&] { Mouse(WM_MOUSEMOVE, away); }},
      {"failed, keyboard focus shown",
       [&] {
         Mouse(WM_LBUTTONUP, away);
         SendMessageW(page->Hwnd(), WM_KEYDOWN, VK_TAB, 0x000F0001);
       }},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.name);
    step.change();
    // Only what the change damaged is recomposed, and that is enough.
    const auto full = FullPaint();
    EXPECT_EQ(Print()->CountDifferent(*full, client), 0);

    for (const RECT& damaged : damages) {
      SCOPED_TRACE(damaged.left * 1000 + damaged.top);
      PoisonFrame();
      page->InvalidateArea(&damaged);
      const auto printed = Print();
      RECT inside;
      IntersectRect(&inside, &damaged, &client);
      EXPECT_EQ(printed->CountDifferent(*full, inside), 0);
      EXPECT_EQ(printed->CountOtherThan(client, kPoison), (inside.right - inside.left) * (inside.bottom - inside.top));
    }
    page->InvalidateArea(nullptr);
    Print();  // whole again before the next change
  }
  EXPECT_TRUE(page->Keyboard().CuesShown());
  EXPECT_EQ(page->Keyboard().Focused(), kReconnectButtonId);
}

TEST_F(PageFrameTest, TheKeptFrameFollowsTheWindowsSize) {
  const SIZE sizes[] = {{1000, 700}, {640, 480}, {kPageWidth, kPageHeight}};
  for (PageState state : {PageState::NoPhone, PageState::Connected}) {
    ASSERT_EQ(Send(state), 1);
    Print();
    for (const SIZE& size : sizes) {
      SCOPED_TRACE(size.cx);
      MoveWindow(page->Hwnd(), 0, 0, size.cx, size.cy, FALSE);
      // Nothing kept for another size outlives the resize, the other view's backdrop included.
      EXPECT_TRUE(page->Frame().KeepsOnly(size.cx, size.cy));
      EXPECT_EQ(Print(size.cx, size.cy)->CountDifferent(*FullPaint(size.cx, size.cy), RECT{0, 0, size.cx, size.cy}), 0);
    }
  }
}

// A page told that its DPI changed, or resized by its host, is laid out exactly as a page made
// at that DPI and size: pictures, fonts, controls, hit tests, focus and the places it tells
// assistive technology.
TEST(ScaledPageTest, ADpiOrSizeChangeLaysOutALivePageAsAPageMadeThatWay) {
  const PhoneInfo connected = SampleRecord(PageState::Connected);
  const PhoneInfo guardMissing = SampleRecord(PageState::GuardMissing);
  const PhoneInfo views[] = {MakeRecord(PageState::ConnectFailed), MakeRecord(PageState::NoPhone), connected,
                             guardMissing, MakeRecord(PageState::Connecting)};
  RecordingWindow service(kPhoneServiceClass);

  // The live page shows its install button at 96 DPI in `shownAt`, then gets the DPI and the
  // size; 0 stands for the container of the layout, scaled. Every size holds the model picture.
  const struct {
    int dpi;
    SIZE shownAt;
    SIZE size;
  } changes[] = {
      {120, {0, 0}, {0, 0}},        {144, {0, 0}, {0, 0}},         {192, {0, 0}, {0, 0}},     {240, {0, 0}, {0, 0}},
      {96, {800, 570}, {760, 480}}, {96, {800, 570}, {1000, 700}}, {144, {800, 570}, {0, 0}},
  };
  for (const auto& change : changes) {
    const int dpi = change.dpi;
    SCOPED_TRACE(dpi * 100000 + change.size.cx);
    const DisplayScale scale = DisplayScale::ForDpi(dpi);
    const int width = change.size.cx != 0 ? change.size.cx : scale.Px(800);
    const int height = change.size.cy != 0 ? change.size.cy : scale.Px(570);
    TestParent parent(width, height);
    CPageAtDpi fresh;
    fresh.dpi = dpi;
    CPageAtDpi live;
    ASSERT_NE(live.Create(parent.Hwnd()), nullptr);
    ASSERT_NE(fresh.Create(parent.Hwnd()), nullptr);
    MoveWindow(fresh.Hwnd(), 0, 0, width, height, FALSE);
    MoveWindow(live.Hwnd(), 0, 0, change.shownAt.cx != 0 ? change.shownAt.cx : width,
               change.shownAt.cy != 0 ? change.shownAt.cy : height, FALSE);
    SendRecord(live.Hwnd(), guardMissing);
    live.dpi = dpi;
    SendMessageW(live.Hwnd(), 0x02E3 /* WM_DPICHANGED_AFTERPARENT */, 0, 0);
    MoveWindow(live.Hwnd(), 0, 0, width, height, FALSE);
    EXPECT_EQ(live.Scale(), scale);

    for (const PhoneInfo& record : views) {
      SCOPED_TRACE(record.state);
      for (CPageAtDpi* page : {&live, &fresh}) SendRecord(page->Hwnd(), record);
      DibCanvas shown(width, height, DibLayout::TopDown32, 0);
      DibCanvas expected(width, height, DibLayout::TopDown32, 0);
      SendMessageW(live.Hwnd(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(shown.Dc()), PRF_CLIENT);
      SendMessageW(fresh.Hwnd(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(expected.Dc()), PRF_CLIENT);
      GdiFlush();
      EXPECT_EQ(shown.CountDifferent(expected, RECT{0, 0, width, height}), 0);
      const std::vector<PageElement> liveElements = PageElements(live);
      const std::vector<PageElement> freshElements = PageElements(fresh);
      ASSERT_EQ(liveElements.size(), freshElements.size());
      for (size_t i = 0; i < liveElements.size(); ++i) {
        EXPECT_TRUE(EqualRect(&liveElements[i].rect, &freshElements[i].rect)) << i;
      }
    }

    // A click where the install button is drawn asks for the install.
    for (CPageAtDpi* page : {&live, &fresh}) SendRecord(page->Hwnd(), guardMissing);
    const RECT& install = fresh.InstallButton().rect;
    const LPARAM centre = MAKELPARAM((install.left + install.right) / 2, (install.top + install.bottom) / 2);
    const auto installRequests = [&] {
      return std::count_if(service.Received().begin(), service.Received().end(),
                           [](const MSG& message) { return message.message == kInstallRequestMessage; });
    };
    const auto requests = installRequests();
    SendMessageW(live.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, centre);
    SendMessageW(live.Hwnd(), WM_LBUTTONUP, 0, centre);
    PumpPending();
    EXPECT_EQ(installRequests(), requests + 1);

    // The model's own picture is drawn at the scale times its size, centred on the scaled anchor.
    SendRecord(fresh.Hwnd(), connected);
    CxImage& model = fresh.ModelPicture();
    ASSERT_NE(model.Create(101, 61, 24, CXIMAGE_FORMAT_PNG), nullptr);
    for (uint32_t row = 0; row < model.Height(); ++row) {
      uint8_t* bits = model.Bits() + row * model.EffectiveWidth();
      for (uint32_t x = 0; x < model.Width(); ++x) bits[3 * x] = 0x56, bits[3 * x + 1] = 0x34, bits[3 * x + 2] = 0x12;
    }
    fresh.InvalidateArea(nullptr);
    DibCanvas printed(width, height, DibLayout::TopDown32, 0);
    SendMessageW(fresh.Hwnd(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(printed.Dc()), PRF_CLIENT);
    GdiFlush();
    const LONG halfWidth = scale.Px(101) / 2;
    const LONG halfHeight = scale.Px(61) / 2;
    const RECT drawn = {scale.Px(694) - halfWidth, scale.Px(284) - halfHeight, scale.Px(694) + halfWidth,
                        scale.Px(284) + halfHeight};
    EXPECT_EQ(printed.Count(drawn, 0x123456), 4 * halfWidth * halfHeight);
    EXPECT_EQ(printed.Count(RECT{0, 0, width, height}, 0x123456), 4 * halfWidth * halfHeight);

    // Where the scaled Reconnect button is, a click reaches it.
    for (CPageAtDpi* page : {&live, &fresh}) SendRecord(page->Hwnd(), views[0]);
    const RECT button = scale.PxRect(RECT{340, 382, 462, 430});
    EXPECT_TRUE(EqualRect(&live.ReconnectButton().rect, &button));
    const LPARAM inside = MAKELPARAM(button.right - 2, button.bottom - 2);
    SendMessageW(live.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, inside);
    SendMessageW(live.Hwnd(), WM_LBUTTONUP, 0, inside);
    EXPECT_EQ(live.Phone().state, static_cast<int32_t>(PageState::ReconnectRequested));
    for (CPageAtDpi* page : {&live, &fresh}) DestroyWindow(page->Hwnd());
  }
}

}  // namespace
