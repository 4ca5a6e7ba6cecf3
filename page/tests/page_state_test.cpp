// The page's own state as records, timer ticks and commands change it. These tests link the
// page code directly (see CMakeLists) because the state is not visible through the exports.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "page/mobile_info_wnd.h"
#include "page/offscreen_buffer.h"
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

}  // namespace
