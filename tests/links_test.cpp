// Clicks on the page: count tiles that are links send the host's main window a page command;
// the install button asks the phone service; Reconnect shows the instructions again. A host
// may tear the page down while it handles the link.

#include <gtest/gtest.h>
#include <windows.h>
#include <oleacc.h>

#include <cwchar>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "testing/dib_canvas.h"
#include "testing/link_teardown.h"
#include "testing/module_page_test.h"
#include "testing/test_support.h"

namespace {

constexpr wchar_t kHostClass[] = L"OrvelMobileManagerClass";

std::vector<uint8_t> Utf16WithNul(const wchar_t* text) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(text);
  return std::vector<uint8_t>(bytes, bytes + (std::wcslen(text) + 1) * sizeof(wchar_t));
}

class LinksTest : public ModulePageTest {
 protected:
  void SetUp() override { OpenPage(); }
};

TEST_F(LinksTest, LinkedTilesSendTheirPageCommandWhateverTheNotificationCode) {
  struct Case {
    WORD id, code;
    const wchar_t* command;  // null: nothing is sent
  };
  const Case cases[] = {
      {1001, 0, L"/page=1"}, {1002, 0, nullptr},         {1003, 0, L"/page=3"}, {1004, 0, nullptr},
      {1005, 0, L"/page=4"}, {1006, 0, nullptr},         {1007, 0, nullptr},    {1008, 0, L"/page=2"},
      {1008, 7, L"/page=2"}, {1003, 0xFFFF, L"/page=3"}, {1000, 0, nullptr},    {1009, 0, nullptr},
  };
  for (const Case& c : cases) {
    RecordingWindow host(kHostClass);
    EXPECT_EQ(SendMessageW(page, WM_COMMAND, MAKEWPARAM(c.id, c.code), 0), 0);
    SCOPED_TRACE(c.id);
    if (c.command == nullptr) {
      EXPECT_TRUE(host.CopiesReceived().empty());
      continue;
    }
    ASSERT_EQ(host.CopiesReceived().size(), 1u);
    const RecordingWindow::CopyData& sent = host.CopiesReceived()[0];
    EXPECT_EQ(sent.wParam, 0u);
    EXPECT_EQ(sent.dwData, 0u);
    EXPECT_EQ(sent.bytes.size(), 16u);
    EXPECT_EQ(sent.bytes, Utf16WithNul(c.command));
  }
}

// Centre of tile i's icon: tiles are 80 wide, 113 apart, rows 104 apart; icons 52 x 52 on top.
POINT IconCentre(int i) { return {122 + 113 * (i % 4) + 40, 197 + 104 * (i / 4) + 26}; }

void Click(HWND page, POINT down, POINT up) {
  SendMessageW(page, WM_MOUSEMOVE, 0, MAKELPARAM(down.x, down.y));
  SendMessageW(page, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(down.x, down.y));
  SendMessageW(page, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(up.x, up.y));
  SendMessageW(page, WM_LBUTTONUP, 0, MAKELPARAM(up.x, up.y));
}

TEST_F(LinksTest, AClickOnATilesIconNavigatesAndOneInItsTextBandDoesNot) {
  ASSERT_EQ(SendRecord(page, MakeRecord(PageState::Connected)), 1);
  const wchar_t* commands[] = {L"/page=1", nullptr, L"/page=3", nullptr, L"/page=4", nullptr, nullptr, L"/page=2"};
  for (int i = 0; i < 8; ++i) {
    SCOPED_TRACE(i);
    RecordingWindow host(kHostClass);
    Click(page, IconCentre(i), IconCentre(i));
    if (commands[i] == nullptr) {
      EXPECT_TRUE(host.CopiesReceived().empty());
    } else {
      ASSERT_EQ(host.CopiesReceived().size(), 1u);
      EXPECT_EQ(host.CopiesReceived()[0].bytes, Utf16WithNul(commands[i]));
    }
    const POINT band = {IconCentre(i).x, IconCentre(i).y + 50};
    Click(page, band, band);
    EXPECT_EQ(host.CopiesReceived().size(), commands[i] == nullptr ? 0u : 1u) << "a release in the text band";
    EXPECT_EQ(GetCapture(), nullptr);
  }
  // Hidden tiles do not react at all.
  ASSERT_EQ(SendRecord(page, MakeRecord(PageState::NoPhone)), 1);
  RecordingWindow host(kHostClass);
  Click(page, IconCentre(2), IconCentre(2));
  EXPECT_TRUE(host.CopiesReceived().empty());
}

TEST_F(LinksTest, TheButtonsAnswerRealClicks) {
  RecordingWindow service(L"ZantorMobileSrvMainWindowClass");
  ASSERT_EQ(SendRecord(page, MakeRecord(PageState::GuardMissing)), 1);
  const POINT install = {800 - 200 + 71, 25};
  Click(page, install, install);
  PumpPending();
  ASSERT_EQ(service.Received().size(), 1u);
  EXPECT_EQ(service.Received()[0].message, 0x7001u);
  EXPECT_EQ(service.Received()[0].wParam, 0u);
  EXPECT_EQ(service.Received()[0].lParam, 0);

  // Reconnect in the hint view: the idle view comes back and nothing goes to the service.
  ASSERT_EQ(SendRecord(page, MakeRecord(PageState::ConnectFailed)), 1);
  DibCanvas idle(800, 570), after(800, 570);
  ASSERT_EQ(SendRecord(page, MakeRecord(PageState::NoPhone)), 1);
  SendMessageW(page, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(idle.Dc()), PRF_CLIENT);
  ASSERT_EQ(SendRecord(page, MakeRecord(PageState::ConnectFailed)), 1);
  const POINT reconnect = {401, 406};
  Click(page, reconnect, reconnect);
  PumpPending();
  SendMessageW(page, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(after.Dc()), PRF_CLIENT);
  int differing = 0;
  for (int y = 0; y < 570; y += 2)
    for (int x = 0; x < 800; x += 2) differing += idle.Pixel(x, y) != after.Pixel(x, y);
  EXPECT_EQ(differing, 0) << "the idle view after Reconnect";
  EXPECT_EQ(service.Received().size(), 1u);
}

TEST_F(LinksTest, WithoutAHostWindowNothingIsSentAndThePageStaysAsItWas) {
  ASSERT_EQ(SendRecord(page, MakeRecord(PageState::Connected)), 1);
  DibCanvas before(800, 570), after(800, 570);
  SendMessageW(page, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(before.Dc()), PRF_CLIENT);
  RecordingWindow other(L"SomeOtherMainWindowClass");
  for (WORD id = 1001; id <= 1008; ++id) EXPECT_EQ(SendMessageW(page, WM_COMMAND, MAKEWPARAM(id, 0), 0), 0);
  EXPECT_TRUE(other.CopiesReceived().empty());
  SendMessageW(page, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(after.Dc()), PRF_CLIENT);
  int changed = 0;
  for (int y = 0; y < 570; y += 3)
    for (int x = 0; x < 800; x += 3) changed += before.Pixel(x, y) != after.Pixel(x, y);
  EXPECT_EQ(changed, 0);
}

bool ShowsARecord(HWND page) {
  DibCanvas before(800, 570), after(800, 570);
  SendMessageW(page, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(before.Dc()), PRF_CLIENT);
  if (SendRecord(page, MakeRecord(PageState::Connected)) != 1) return false;
  SendMessageW(page, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(after.Dc()), PRF_CLIENT);
  int changed = 0;
  for (int y = 0; y < 570; y += 3)
    for (int x = 0; x < 800; x += 3) changed += before.Pixel(x, y) != after.Pixel(x, y);
  return changed > 1000;
}

TEST_F(LinksTest, AHostThatTearsThePageDownWhileHandlingItsLinkSurvives) {
  enum class Press { Mouse, Keyboard, DefaultAction };
  using Teardown = LinkTeardown;
  const std::pair<Press, const char*> presses[] = {
      {Press::Mouse, "mouse"}, {Press::Keyboard, "Tab, Enter"}, {Press::DefaultAction, "default action"}};
  const std::pair<Teardown, const char*> teardowns[] = {
      {Teardown::UnInitPage, "UnInitPage"},
      {Teardown::DestroyPage, "DestroyWindow(page)"},
      {Teardown::DestroyParent, "DestroyWindow(parent)"},
      {Teardown::UnInitAndRemake, "UnInitPage, InitPage, CreatePage"}};
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  for (const auto& [press, pressName] : presses) {
    for (const auto& [teardown, teardownName] : teardowns) {
      SCOPED_TRACE(std::string(pressName) + ", then " + teardownName);
      module.UnInitPage();
      parent = std::make_unique<TestParent>(800, 570);
      ASSERT_TRUE(module.InitPage());
      const HWND old = module.CreatePage(parent->Hwnd());
      ASSERT_NE(old, nullptr);
      ASSERT_EQ(SendRecord(old, MakeRecord(PageState::Connected)), 1);
      HWND remade = nullptr;
      const Teardown act = teardown;  // structured bindings cannot be captured in C++17
      RecordingWindow host(kHostClass);
      host.ReactToCopyData([&] { remade = TearDownInLink(module, act, old, parent->Hwnd()); });

      const POINT at = IconCentre(0);  // applications: "/page=1"
      if (press == Press::Mouse) {
        PostMessageW(old, WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
        PostMessageW(old, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
        PostMessageW(old, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
      } else if (press == Press::Keyboard) {
        SetFocus(old);  // as the host's Tab would have given it
        PostMessageW(old, WM_KEYDOWN, VK_TAB, 0x000F0001);
        PostMessageW(old, WM_KEYDOWN, VK_RETURN, 0x001C0001);
      } else {
        IAccessible* client = nullptr;
        ASSERT_EQ(AccessibleObjectFromWindow(old, OBJID_CLIENT, IID_IAccessible, reinterpret_cast<void**>(&client)),
                  S_OK);
        VARIANT child;
        VariantInit(&child);
        child.vt = VT_I4;
        child.lVal = 3;  // the title, the card's tab, then the applications tile
        EXPECT_EQ(client->accDoDefaultAction(child), S_OK);
        client->Release();
      }
      PumpPending();

      EXPECT_EQ(host.CopiesReceived().size(), 1u);
      EXPECT_FALSE(IsWindow(old));
      // The page had the focus at the press and moves it nowhere as it goes: the system leaves
      // it on the container, for the host to move.
      if (press != Press::DefaultAction && teardown != Teardown::DestroyParent) {
        EXPECT_EQ(GetFocus(), parent->Hwnd());
      }
      if (teardown == Teardown::UnInitAndRemake) {
        ASSERT_NE(remade, nullptr);
        EXPECT_EQ(parent->ChildCount(), 1);
        EXPECT_TRUE(ShowsARecord(remade));
        continue;
      }
      if (IsWindow(parent->Hwnd())) {
        EXPECT_EQ(parent->ChildCount(), 0);
      }
      module.UnInitPage();
      parent = std::make_unique<TestParent>(800, 570);
      ASSERT_TRUE(module.InitPage());
      const HWND page = module.CreatePage(parent->Hwnd());
      ASSERT_NE(page, nullptr);
      EXPECT_TRUE(ShowsARecord(page));
    }
  }
  module.UnInitPage();
  CoUninitialize();
}

}  // namespace
