// The keyboard on the page: Tab order per view with wrap-around, Enter and Space doing what a
// click does, a focus rectangle only once the keyboard was used, and a screen reader told
// where the focus is. In process, so the tests can ask the page's own focus order.

#include <gtest/gtest.h>
#include <windows.h>
#include <oleacc.h>

#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "page/mobile_info_wnd.h"
#include "page/page_keyboard.h"
#include "page/page_protocol.h"
#include "page/page_values.h"
#include "testing/accessible_child.h"
#include "testing/dib_canvas.h"
#include "testing/in_process_page_test.h"
#include "testing/test_support.h"

namespace {

constexpr wchar_t kHostClass[] = L"OrvelMobileManagerClass";
constexpr wchar_t kServiceClass[] = L"ZantorMobileSrvMainWindowClass";
constexpr LPARAM kFirstPress = 0x000F0001;  // scan code 15, one press
constexpr LPARAM kRepeatedPress = kFirstPress | (1 << 30);

// Keys the thread believes held while it lives.
class HeldKeys {
 public:
  explicit HeldKeys(std::initializer_list<int> keys) {
    GetKeyboardState(saved_);
    BYTE held[256];
    std::memcpy(held, saved_, sizeof held);
    for (int key : keys) held[key] = 0x80;
    SetKeyboardState(held);
  }
  ~HeldKeys() { SetKeyboardState(saved_); }
  HeldKeys(const HeldKeys&) = delete;
  HeldKeys& operator=(const HeldKeys&) = delete;

 private:
  BYTE saved_[256];
};

HWND g_watched = nullptr;
std::vector<LONG> g_focusEvents;  // child ids of EVENT_OBJECT_FOCUS on the client

void CALLBACK OnWinEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child, DWORD, DWORD) {
  if (event == EVENT_OBJECT_FOCUS && hwnd == g_watched && object == OBJID_CLIENT) g_focusEvents.push_back(child);
}

PhoneInfo Record(PageState state) {
  PhoneInfo record = MakeRecord(state);
  record.appCount = 3, record.musicCount = 4, record.novelCount = 5;
  return record;
}

// A host dialog: a button, a control parent holding the page, another button, in Tab order,
// driven through the dialog manager.
class HostDialog {
 public:
  static constexpr UINT kBefore = 1, kAfter = 2;

  HostDialog() {
    struct {
      DLGTEMPLATE header;
      WORD menu, windowClass, title;
    } empty = {};
    empty.header.style = WS_POPUP | WS_CAPTION;
    empty.header.cx = 600;
    empty.header.cy = 420;
    dialog_ = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), &empty.header, nullptr, Proc, 0);
    before_ = Button(L"before", kBefore);
    container_ = CreateWindowExW(WS_EX_CONTROLPARENT, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE, 0, 40, 800, 570,
                                 dialog_, nullptr, GetModuleHandleW(nullptr), nullptr);
    after_ = Button(L"after", kAfter);
  }
  ~HostDialog() {
    if (dialog_ != nullptr) DestroyWindow(dialog_);
  }
  HostDialog(const HostDialog&) = delete;
  HostDialog& operator=(const HostDialog&) = delete;

  HWND Hwnd() const { return dialog_; }
  HWND Container() const { return container_; }
  HWND Before() const { return before_; }
  HWND After() const { return after_; }
  // Tab or Shift+Tab where the focus is, as the host's message loop hands it to the dialog.
  void Tab(bool backwards) {
    HeldKeys keys(backwards ? std::initializer_list<int>{VK_TAB, VK_SHIFT} : std::initializer_list<int>{VK_TAB});
    MSG tab = {GetFocus(), WM_KEYDOWN, VK_TAB, kFirstPress, 0, {0, 0}};
    if (!IsDialogMessageW(dialog_, &tab)) DispatchMessageW(&tab);
  }
  void DropButtonStops() {
    for (HWND button : {before_, after_}) {
      SetWindowLongW(button, GWL_STYLE, GetWindowLongW(button, GWL_STYLE) & ~WS_TABSTOP);
    }
  }

 private:
  static INT_PTR CALLBACK Proc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
  HWND Button(const wchar_t* text, UINT id) {
    return CreateWindowExW(0, L"BUTTON", text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 60, 20,
                           dialog_, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), GetModuleHandleW(nullptr),
                           nullptr);
  }
  HWND dialog_ = nullptr;
  HWND before_ = nullptr;
  HWND container_ = nullptr;
  HWND after_ = nullptr;
};

class KeyboardTest : public InProcessPageTest<> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    comReady = true;
    ASSERT_NO_FATAL_FAILURE(OpenPage());
    hwnd = page->Hwnd();
  }
  void TearDown() override {
    if (hook != nullptr) UnhookWinEvent(hook);
    g_watched = nullptr;
    InProcessPageTest::TearDown();
    page.reset();
    if (comReady) CoUninitialize();
  }

  // A new page inside `container`, in place of the first.
  void Remake(HWND container) {
    DestroyWindow(hwnd);
    ASSERT_NO_FATAL_FAILURE(OpenPage(container));
    hwnd = page->Hwnd();
  }
  void Send(const PhoneInfo& record) { ASSERT_EQ(SendRecord(hwnd, record), 1); }
  void Press(WPARAM key, LPARAM flags = kFirstPress) {
    SendMessageW(hwnd, WM_KEYDOWN, key, flags);
    SendMessageW(hwnd, WM_KEYUP, key, flags | 0xC0000000);
  }
  void Focus() {
    SetFocus(hwnd);
    ASSERT_EQ(GetFocus(), hwnd);
  }
  std::vector<UINT> Order() {
    std::vector<UINT> ids;
    for (const FocusElement& element : FocusOrder(*page)) ids.push_back(element.commandId);
    return ids;
  }
  // Where Tab goes, press by press.
  std::vector<UINT> Visit(int presses, bool backwards = false) {
    std::vector<UINT> visited;
    for (int i = 0; i < presses; ++i) {
      if (backwards) {
        HeldKeys shift({VK_SHIFT});
        Press(VK_TAB);
      } else {
        Press(VK_TAB);
      }
      visited.push_back(page->Keyboard().Focused());
    }
    return visited;
  }
  std::unique_ptr<DibCanvas> Print() {
    auto canvas = std::make_unique<DibCanvas>(800, 570);
    SendMessageW(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas->Dc()), PRF_CLIENT);
    return canvas;
  }
  static std::vector<POINT> Differences(const DibCanvas& a, const DibCanvas& b) {
    std::vector<POINT> points;
    for (int y = 0; y < 570; ++y)
      for (int x = 0; x < 800; ++x)
        if (a.Pixel(x, y) != b.Pixel(x, y)) points.push_back({x, y});
    return points;
  }
  bool CuesHidden() { return (SendMessageW(hwnd, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) != 0; }
  void Click(POINT at) {
    SendMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
    SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
  }
  void WatchFocusEvents() {
    g_focusEvents.clear();
    g_watched = hwnd;
    hook = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, nullptr, OnWinEvent, GetCurrentProcessId(), 0,
                           WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(hook, nullptr);
  }

  bool comReady = false;
  HWND hwnd = nullptr;
  HWINEVENTHOOK hook = nullptr;
};

TEST_F(KeyboardTest, TabVisitsTheLinkedTilesInReadingOrderAndWrapsAround) {
  Send(Record(PageState::Connected));
  Focus();
  ASSERT_EQ(Order(), (std::vector<UINT>{1001, 1003, 1005, 1008}));
  EXPECT_EQ(Visit(5), (std::vector<UINT>{1001, 1003, 1005, 1008, 1001}));
  EXPECT_EQ(Visit(3, true), (std::vector<UINT>{1008, 1005, 1003}));
  Press(VK_RIGHT);
  EXPECT_EQ(page->Keyboard().Focused(), 1005u);
  Press(VK_UP);
  Press(VK_LEFT);
  EXPECT_EQ(page->Keyboard().Focused(), 1001u);
  Press(VK_DOWN);
  EXPECT_EQ(page->Keyboard().Focused(), 1003u);
}

TEST_F(KeyboardTest, ShiftTabFromNowhereStartsAtTheLastElement) {
  Send(Record(PageState::Connected));
  Focus();
  EXPECT_EQ(Visit(1, true), (std::vector<UINT>{1008}));
}

TEST_F(KeyboardTest, EachViewHasItsOwnOrder) {
  struct Case {
    PageState state;
    std::vector<UINT> order;
  };
  const Case cases[] = {
      {PageState::GuardMissing, {333, 1001, 1003, 1005, 1008}},  // the install button sits at the top
      {PageState::ConnectFailed, {222}},
      {PageState::Connecting, {}},
      {PageState::NoPhone, {}},
      {PageState::Connected, {1001, 1003, 1005, 1008}},
  };
  Focus();
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.state));
    Send(Record(c.state));
    EXPECT_EQ(Order(), c.order);
    std::vector<UINT> expected = c.order;
    if (!expected.empty()) expected.push_back(c.order.front());
    EXPECT_EQ(Visit(static_cast<int>(expected.size())), expected);
  }
}

TEST_F(KeyboardTest, WithNothingToVisitTabIsLeftAloneAndTheCuesStayHidden) {
  Focus();
  auto before = Print();
  Press(VK_TAB);
  Press(VK_RIGHT);
  EXPECT_EQ(page->Keyboard().Focused(), 0u);
  EXPECT_TRUE(CuesHidden());
  EXPECT_TRUE(Differences(*before, *Print()).empty());
  EXPECT_EQ(SendMessageW(hwnd, WM_GETDLGCODE, 0, 0) & DLGC_WANTTAB, 0) << "Tab may go on to the host";
}

TEST_F(KeyboardTest, EnterAndSpaceOnALinkedTileSendItsPageCommandOncePerPress) {
  Send(Record(PageState::Connected));
  Focus();
  RecordingWindow host(kHostClass);
  Press(VK_RETURN);
  EXPECT_TRUE(host.CopiesReceived().empty()) << "nothing is focused yet";
  Visit(2);
  ASSERT_EQ(page->Keyboard().Focused(), 1003u);
  Press(VK_RETURN);
  ASSERT_EQ(host.CopiesReceived().size(), 1u);
  const RecordingWindow::CopyData& sent = host.CopiesReceived()[0];
  EXPECT_EQ(sent.wParam, 0u);
  EXPECT_EQ(sent.dwData, 0u);
  ASSERT_EQ(sent.bytes.size(), 16u);
  EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(sent.bytes.data())), L"/page=3");
  Press(VK_RETURN, kRepeatedPress);
  EXPECT_EQ(host.CopiesReceived().size(), 1u) << "a held key presses once";
  Press(VK_SPACE);
  EXPECT_EQ(host.CopiesReceived().size(), 2u);
  Visit(1);
  Press(VK_SPACE);
  ASSERT_EQ(host.CopiesReceived().size(), 3u);
  EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(host.CopiesReceived()[2].bytes.data())), L"/page=4");
}

TEST_F(KeyboardTest, SpaceOnReconnectReconnectsAndTheFocusGoesBackToThePage) {
  RecordingWindow service(kServiceClass);
  Send(Record(PageState::ConnectFailed));
  Focus();
  Visit(1);
  ASSERT_EQ(page->Keyboard().Focused(), 222u);
  Press(VK_SPACE);
  EXPECT_EQ(page->Phone().state, static_cast<int32_t>(PageState::ReconnectRequested));
  EXPECT_EQ(page->Keyboard().Focused(), 0u);
  EXPECT_FALSE(page->ReconnectButton().visible);
  PumpPending();
  EXPECT_TRUE(service.Received().empty());

  // Enter on install posts the request, as its click does.
  Send(Record(PageState::GuardMissing));
  Visit(1);
  ASSERT_EQ(page->Keyboard().Focused(), 333u);
  Press(VK_RETURN);
  PumpPending();
  ASSERT_EQ(service.Received().size(), 1u);
  EXPECT_EQ(service.Received()[0].message, 0x7001u);

  // A focused element that the next record hides takes the focus with it, and a screen
  // reader hears the focus go to the page.
  WatchFocusEvents();
  Send(Record(PageState::Connected));
  EXPECT_EQ(page->Keyboard().Focused(), 0u);
  PumpPending();
  EXPECT_EQ(g_focusEvents, (std::vector<LONG>{CHILDID_SELF}));
  EXPECT_EQ(Visit(1), (std::vector<UINT>{1001}));
}

TEST_F(KeyboardTest, NoFocusRectangleUntilTheKeyboardIsUsed) {
  Send(Record(PageState::Connected));
  auto untouched = Print();
  EXPECT_TRUE(CuesHidden());

  // Clicks give the page the focus and move the keyboard focus, and change no pixel.
  Click({122 + 113 + 40, 197 + 26});  // the pictures tile: no link
  EXPECT_EQ(GetFocus(), hwnd);
  EXPECT_EQ(page->Keyboard().Focused(), 0u);
  Click({122 + 226 + 40, 197 + 26});  // the music tile
  EXPECT_EQ(page->Keyboard().Focused(), 1003u);
  EXPECT_TRUE(Differences(*untouched, *Print()).empty());
  EXPECT_TRUE(CuesHidden());

  // The first Tab turns the cues on: the rectangle goes round the next tile and nothing else.
  Press(VK_TAB);
  ASSERT_EQ(page->Keyboard().Focused(), 1005u);
  EXPECT_FALSE(CuesHidden());
  auto focused = Print();
  const std::vector<POINT> changed = Differences(*untouched, *focused);
  const RECT ring = {122, 301, 202, 391};  // the novels tile
  EXPECT_GT(changed.size(), 100u);
  for (const POINT& p : changed) {
    const bool onBorder = (p.x == ring.left || p.x == ring.right - 1 || p.y == ring.top || p.y == ring.bottom - 1) &&
                          p.x >= ring.left && p.x < ring.right && p.y >= ring.top && p.y < ring.bottom;
    ASSERT_TRUE(onBorder) << p.x << "," << p.y;
  }

  // The host hides the cues again, then shows them; losing the focus hides the rectangle.
  SendMessageW(hwnd, WM_UPDATEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS), 0);
  EXPECT_TRUE(CuesHidden());
  EXPECT_TRUE(Differences(*untouched, *Print()).empty());
  SendMessageW(hwnd, WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
  EXPECT_TRUE(Differences(*focused, *Print()).empty());
  SetFocus(parent.Hwnd());
  EXPECT_TRUE(Differences(*untouched, *Print()).empty());
  SetFocus(hwnd);
  EXPECT_TRUE(Differences(*focused, *Print()).empty());

  // A button's rectangle sits inside it.
  Send(Record(PageState::ConnectFailed));
  auto hint = Print();
  Press(VK_TAB);
  const RECT inside = {343, 385, 459, 427};
  for (const POINT& p : Differences(*hint, *Print())) {
    ASSERT_TRUE(p.x >= inside.left && p.x < inside.right && p.y >= inside.top && p.y < inside.bottom)
        << p.x << "," << p.y;
  }
}

TEST_F(KeyboardTest, InsideAHostDialogTabGoesThroughThePageAndOnToTheDialogsControls) {
  HostDialog dialog;
  ASSERT_NE(dialog.Hwnd(), nullptr);
  Remake(dialog.Container());
  const UINT before = HostDialog::kBefore, after = HostDialog::kAfter;
  const auto tabs = [&](int presses, bool backwards = false) {
    std::vector<UINT> visited;
    for (int i = 0; i < presses; ++i) {
      dialog.Tab(backwards);
      visited.push_back(GetFocus() == hwnd ? page->Keyboard().Focused() : GetDlgCtrlID(GetFocus()));
    }
    return visited;
  };

  // With nothing to focus the page is no stop.
  SetFocus(dialog.Before());
  EXPECT_EQ(tabs(2), (std::vector<UINT>{after, before}));
  EXPECT_EQ(tabs(2, true), (std::vector<UINT>{after, before}));

  Send(Record(PageState::Connected));
  EXPECT_EQ(tabs(5), (std::vector<UINT>{1001, 1003, 1005, 1008, after}));
  EXPECT_FALSE(CuesHidden());
  // Given the focus another way, the page keeps the element it had.
  SetFocus(hwnd);
  EXPECT_EQ(page->Keyboard().Focused(), 1008u);
  SetFocus(dialog.After());
  EXPECT_EQ(tabs(2), (std::vector<UINT>{before, 1001}));
  EXPECT_EQ(tabs(7, true), (std::vector<UINT>{before, after, 1008, 1005, 1003, 1001, before}));

  MSG enter = {hwnd, WM_KEYDOWN, VK_RETURN, kFirstPress, 0, {0, 0}};
  EXPECT_NE(SendMessageW(hwnd, WM_GETDLGCODE, VK_RETURN, reinterpret_cast<LPARAM>(&enter)) & DLGC_WANTMESSAGE, 0)
      << "Enter presses the focused tile, not the dialog's default button";
  {
    HeldKeys control({VK_CONTROL});
    MSG tab = {hwnd, WM_KEYDOWN, VK_TAB, kFirstPress, 0, {0, 0}};
    EXPECT_EQ(SendMessageW(hwnd, WM_GETDLGCODE, VK_TAB, reinterpret_cast<LPARAM>(&tab)) & DLGC_WANTTAB, 0);
    Press(VK_TAB);
    EXPECT_EQ(page->Keyboard().Focused(), 1001u) << "Ctrl+Tab is the host's";
  }

  // One element: Tab and Shift+Tab both leave it.
  Send(Record(PageState::ConnectFailed));
  SetFocus(dialog.Before());
  EXPECT_EQ(tabs(3), (std::vector<UINT>{222, after, before}));
  EXPECT_EQ(tabs(3, true), (std::vector<UINT>{after, 222, before}));

  // Inside a container that is no control parent the dialog manager never finds the page.
  const LONG containerStyle = GetWindowLongW(dialog.Container(), GWL_EXSTYLE);
  SetWindowLongW(dialog.Container(), GWL_EXSTYLE, containerStyle & ~WS_EX_CONTROLPARENT);
  SetFocus(dialog.Before());
  EXPECT_EQ(tabs(2), (std::vector<UINT>{after, before}));
  SetWindowLongW(dialog.Container(), GWL_EXSTYLE, containerStyle);

  // The page alone in the dialog wraps around.
  dialog.DropButtonStops();
  Send(Record(PageState::Connected));
  SetFocus(hwnd);
  EXPECT_EQ(tabs(5), (std::vector<UINT>{1001, 1003, 1005, 1008, 1001}));
  EXPECT_EQ(tabs(2, true), (std::vector<UINT>{1008, 1005}));
}

TEST_F(KeyboardTest, AScreenReaderIsToldWhereTheFocusIs) {
  Send(Record(PageState::GuardMissing));
  WatchFocusEvents();
  Focus();
  IAccessible* client = nullptr;
  ASSERT_EQ(AccessibleObjectFromWindow(hwnd, OBJID_CLIENT, IID_IAccessible, reinterpret_cast<void**>(&client)), S_OK);

  // Both read the same elements: what the IAccessible reports is what PageElements gives.
  const std::vector<PageElement> elements = PageElements(*page);
  LONG count = 0;
  ASSERT_EQ(client->get_accChildCount(&count), S_OK);
  ASSERT_EQ(static_cast<size_t>(count), elements.size());
  POINT origin = {0, 0};
  ClientToScreen(hwnd, &origin);
  for (size_t i = 0; i < elements.size(); ++i) {
    SCOPED_TRACE(i);
    BSTR name = nullptr;
    ASSERT_EQ(client->get_accName(Child(static_cast<LONG>(i + 1)), &name), S_OK);
    EXPECT_EQ(std::wstring(name, SysStringLen(name)), elements[i].name);
    SysFreeString(name);
    VARIANT role;
    VariantInit(&role);
    ASSERT_EQ(client->get_accRole(Child(static_cast<LONG>(i + 1)), &role), S_OK);
    EXPECT_EQ(role.lVal, elements[i].role);
    LONG x = 0, y = 0, w = 0, h = 0;
    ASSERT_EQ(client->accLocation(&x, &y, &w, &h, Child(static_cast<LONG>(i + 1))), S_OK);
    EXPECT_EQ(x - origin.x, elements[i].rect.left);
    EXPECT_EQ(y - origin.y, elements[i].rect.top);
    EXPECT_EQ(w, elements[i].rect.right - elements[i].rect.left);
    EXPECT_EQ(h, elements[i].rect.bottom - elements[i].rect.top);
  }
  // The tiles' places are the tiles' own.
  EXPECT_TRUE(EqualRect(&elements[ChildIdOf(elements, 1003) - 1].rect, &page->Tile(2).rect));
  EXPECT_TRUE(EqualRect(&elements[ChildIdOf(elements, 333) - 1].rect, &page->InstallButton().rect));

  VARIANT focus;
  VariantInit(&focus);
  ASSERT_EQ(client->get_accFocus(&focus), S_OK);
  EXPECT_EQ(focus.lVal, CHILDID_SELF);

  Visit(2);
  const LONG tile = ChildIdOf(elements, 1001);
  ASSERT_EQ(client->get_accFocus(&focus), S_OK);
  EXPECT_EQ(focus.vt, VT_I4);
  EXPECT_EQ(focus.lVal, tile);
  VARIANT state;
  VariantInit(&state);
  ASSERT_EQ(client->get_accState(Child(tile), &state), S_OK);
  EXPECT_EQ(state.lVal, STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_FOCUSED | STATE_SYSTEM_LINKED);

  // A screen reader may move the focus itself.
  const LONG games = ChildIdOf(elements, 1008);
  EXPECT_EQ(client->accSelect(SELFLAG_TAKEFOCUS, Child(games)), S_OK);
  EXPECT_EQ(page->Keyboard().Focused(), 1008u);
  EXPECT_EQ(client->accSelect(SELFLAG_TAKEFOCUS, Child(1)), DISP_E_MEMBERNOTFOUND) << "the title";

  PumpPending();
  const LONG install = ChildIdOf(elements, 333);
  EXPECT_EQ(g_focusEvents, (std::vector<LONG>{CHILDID_SELF, install, tile, games}));

  // Losing the focus: the client has none to report.
  SetFocus(parent.Hwnd());
  VariantInit(&focus);
  EXPECT_EQ(client->get_accFocus(&focus), S_FALSE);
  EXPECT_EQ(focus.vt, VT_EMPTY);
  client->Release();
}

// Text on the clipboard, as CF_UNICODETEXT; empty when there is none.
std::u16string ClipboardText() {
  std::u16string text;
  if (!OpenClipboard(nullptr)) return text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* chars = static_cast<const char16_t*>(GlobalLock(data))) {
      text = chars;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

void SetClipboardText(const std::u16string& text) {
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(char16_t));
  std::memcpy(GlobalLock(memory), text.c_str(), (text.size() + 1) * sizeof(char16_t));
  GlobalUnlock(memory);
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  SetClipboardData(CF_UNICODETEXT, memory);
  CloseClipboard();
}

// What the context menu showed, read from inside its own loop, which it then leaves by
// choosing its item (`choose`) or by being cancelled.
struct MenuSeen {
  bool shown = false;
  bool grayed = false;
  std::u16string text;
  bool choose = false;
};
MenuSeen* g_menu = nullptr;

void CALLBACK ReadMenu(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND window = FindWindowW(L"#32768", nullptr);
  HMENU menu = window != nullptr ? reinterpret_cast<HMENU>(SendMessageW(window, MN_GETHMENU, 0, 0)) : nullptr;
  if (menu == nullptr || g_menu == nullptr) return;  // not open yet: the next tick
  KillTimer(nullptr, timer);
  g_menu->shown = GetMenuItemCount(menu) == 1;
  g_menu->grayed = (GetMenuState(menu, 0, MF_BYPOSITION) & MF_GRAYED) != 0;
  wchar_t text[64] = {};
  GetMenuStringW(menu, 0, text, 64, MF_BYPOSITION);
  g_menu->text = reinterpret_cast<const char16_t*>(text);
  if (g_menu->choose) {
    PostMessageW(window, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(window, WM_KEYDOWN, VK_RETURN, 0);
  } else {
    EndMenu();
  }
}

// Ctrl+C, or the one item of the context menu (from the mouse or the keyboard), copies the
// connected phone's details as text; with no phone connected the item is greyed and the
// clipboard keeps what it had.
TEST_F(KeyboardTest, CtrlCAndTheContextMenuCopyTheConnectedPhonesDetails) {
  const std::u16string before = u"kept";
  ASSERT_NO_FATAL_FAILURE(SetClipboardText(before));
  const auto ctrlC = [&] {
    const HeldKeys control({VK_CONTROL});
    Press('C');
  };
  const auto menu = [&](bool choose, LPARAM at) {
    MenuSeen seen;
    seen.choose = choose;
    g_menu = &seen;
    SetTimer(nullptr, 0, 50, ReadMenu);
    SendMessageW(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), at);
    g_menu = nullptr;
    return seen;
  };
  ctrlC();
  EXPECT_EQ(ClipboardText(), before);
  MenuSeen seen = menu(true, MAKELPARAM(100, 100));
  EXPECT_TRUE(seen.shown);
  EXPECT_TRUE(seen.grayed);
  EXPECT_EQ(seen.text, kChineseDetailTexts.copyItem);
  EXPECT_EQ(ClipboardText(), before);

  Send(SampleRecord(PageState::Connected));
  const std::u16string details = PhoneDetailsText(page->Phone(), u"");
  ASSERT_FALSE(details.empty());
  ctrlC();
  EXPECT_EQ(ClipboardText(), details);

  ASSERT_NO_FATAL_FAILURE(SetClipboardText(before));
  seen = menu(false, -1);
  EXPECT_TRUE(seen.shown);
  EXPECT_FALSE(seen.grayed);
  EXPECT_EQ(ClipboardText(), before) << "cancelled: nothing copied";
  seen = menu(true, -1);
  EXPECT_TRUE(seen.shown);
  EXPECT_EQ(ClipboardText(), details);
}

}  // namespace
