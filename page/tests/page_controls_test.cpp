// What each state does to the page's controls: which are shown and the values they carry.

#include <gtest/gtest.h>

#include <memory>

#include "page/mobile_info_wnd.h"
#include "page/page_protocol.h"
#include "testing/in_process_page_test.h"
#include "testing/test_support.h"

namespace {

class PageControlsTest : public InProcessPageTest<> {
 protected:
  void SetUp() override { OpenPage(); }
  void Send(const PhoneInfo& record) { ASSERT_EQ(SendRecord(page->Hwnd(), record), 1); }
};

struct Shown {
  bool reconnect, data, install;
};

Shown ShownOn(const CMobileInfoWnd& page) {
  bool data = page.PhoneBar().visible && page.CardBar().visible && page.Battery().visible;
  const bool anyData = page.PhoneBar().visible || page.CardBar().visible || page.Battery().visible;
  for (int i = 0; i < 8; ++i) {
    data = data && page.Tile(i).visible;
    EXPECT_EQ(page.Tile(i).visible != 0, anyData) << "tile " << i << " goes with the bars";
  }
  EXPECT_EQ(data, anyData) << "bars, battery and tiles are shown together";
  return {page.ReconnectButton().visible != 0, data, page.InstallButtonCreated() && page.InstallButton().visible};
}

TEST_F(PageControlsTest, EachStateShowsItsControlsAndNothingElse) {
  EXPECT_EQ(page->ControlCount(), 12u) << "Reconnect, two bars, battery, eight tiles";
  const Shown none = ShownOn(*page);
  EXPECT_FALSE(none.reconnect || none.data || none.install) << "all hidden after creation";
  struct Case {
    int32_t state;
    Shown shown;
  };
  const Case cases[] = {
      {1, {false, true, false}},  {2, {false, false, false}},  {3, {true, false, false}}, {5, {false, true, true}},
      {0, {false, false, false}}, {4, {false, false, false}},  {1, {false, true, false}}, {6, {false, false, false}},
      {5, {false, true, true}},   {-7, {false, false, false}}, {3, {true, false, false}},
  };
  for (const Case& c : cases) {
    Send(MakeRecord(c.state));
    const Shown shown = ShownOn(*page);
    EXPECT_EQ(shown.reconnect, c.shown.reconnect) << c.state;
    EXPECT_EQ(shown.data, c.shown.data) << c.state;
    EXPECT_EQ(shown.install, c.shown.install) << c.state;
  }
  // Reconnect hides its own button.
  SendMessageW(page->Hwnd(), WM_COMMAND, MAKEWPARAM(kReconnectButtonId, 0), 0);
  EXPECT_FALSE(ShownOn(*page).reconnect);
}

TEST_F(PageControlsTest, AButtonHiddenWhileHeldGivesTheMouseBack) {
  struct Case {
    PageState shows, hides;
    POINT at;
  };
  const Case cases[] = {{PageState::ConnectFailed, PageState::Connected, {401, 406}},
                        {PageState::GuardMissing, PageState::Connected, {671, 25}}};
  for (const Case& c : cases) {
    Send(MakeRecord(c.shows));
    SendMessageW(page->Hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(c.at.x, c.at.y));
    SendMessageW(page->Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(c.at.x, c.at.y));
    ASSERT_EQ(GetCapture(), page->Hwnd()) << "held";
    Send(MakeRecord(c.hides));
    EXPECT_EQ(GetCapture(), nullptr);
    const CVinButton& button = c.shows == PageState::ConnectFailed ? page->ReconnectButton() : page->InstallButton();
    EXPECT_FALSE(button.IsPressed());
    EXPECT_FALSE(button.IsCaptured());
    SendMessageW(page->Hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(c.at.x, c.at.y));
  }
}

TEST_F(PageControlsTest, RecordsSetBarsBatteryAndTileCounts) {
  struct Case {
    uint64_t phoneTotal, phoneFree, cardTotal, cardFree;
    uint32_t battery;
    UINT phoneBar, cardBar, level;
  };
  const Case cases[] = {
      {1000, 333, 0, 55, 0, 66, 0, 0},
      {0, 99, 1000, 0, 150, 0, 100, 100},
      {1000, 1001, 2000, 1000, 0xFFFFFFFF, 0, 50, 100},  // more free than total stays on the scale
      {1000, 1, 1000, 999, 100, 99, 0, 100},             // 99.9 and 0.1, truncated
  };
  for (const Case& c : cases) {
    PhoneInfo record = MakeRecord(PageState::Connected);
    record.phoneTotalBytes = c.phoneTotal;
    record.phoneFreeBytes = c.phoneFree;
    record.cardTotalBytes = c.cardTotal;
    record.cardFreeBytes = c.cardFree;
    record.batteryPercent = c.battery;
    record.appCount = 1, record.pictureCount = 2, record.musicCount = 3, record.videoCount = 4;
    record.novelCount = 5, record.contactCount = 6, record.smsCount = 7;
    Send(record);
    EXPECT_EQ(page->PhoneBar().Value(), c.phoneBar) << c.phoneTotal << " " << c.phoneFree;
    EXPECT_EQ(page->CardBar().Value(), c.cardBar) << c.cardTotal << " " << c.cardFree;
    EXPECT_EQ(page->Battery().Level(), c.level) << c.battery;
    for (int i = 0; i < 7; ++i) EXPECT_EQ(page->Tile(i).Count(), i + 1);
    EXPECT_EQ(page->Tile(7).Count(), -1) << "the games tile is never counted";
  }
}

TEST_F(PageControlsTest, TheInstallButtonIsMadeOnceAtTheFirstGuardMissingOfEachPage) {
  Send(MakeRecord(PageState::Connected));
  EXPECT_FALSE(page->InstallButtonCreated());
  Send(MakeRecord(PageState::GuardMissing));
  ASSERT_TRUE(page->InstallButtonCreated());
  EXPECT_EQ(page->ControlCount(), 13u);
  // Sized by its four-frame strip where the module has it; placed 200 from the right.
  EXPECT_EQ(page->InstallButton().rect.left, 600);
  EXPECT_EQ(page->InstallButton().rect.top, 2);
  EXPECT_EQ(page->InstallButton().TextRect().right, 672);
  EXPECT_EQ(page->InstallButton().TextRect().bottom, 48);
  Send(MakeRecord(PageState::Connected));
  EXPECT_FALSE(page->InstallButton().visible);
  Send(MakeRecord(PageState::GuardMissing));
  EXPECT_TRUE(page->InstallButton().visible);
  EXPECT_EQ(page->ControlCount(), 13u) << "shown again, not made again";

  DestroyWindow(page->Hwnd());
  OpenPage();
  EXPECT_FALSE(page->InstallButtonCreated());
  Send(MakeRecord(PageState::GuardMissing));
  EXPECT_TRUE(page->InstallButtonCreated());
  EXPECT_EQ(page->ControlCount(), 13u);
}

}  // namespace
