// What a screen reader learns of the real module through oleacc: the elements of every view
// with their names, roles, states, values and places; default actions that do what clicks
// do; the events of a change; and an object that outlives its window, and the module, without
// touching them.

#include <gtest/gtest.h>
#include <windows.h>
#include <oleacc.h>

#include <algorithm>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "testing/accessible_child.h"
#include "testing/dib_canvas.h"
#include "testing/module_page_test.h"
#include "testing/test_support.h"

namespace {

constexpr wchar_t kHostClass[] = L"OrvelMobileManagerClass";
constexpr wchar_t kServiceClass[] = L"ZantorMobileSrvMainWindowClass";
constexpr LONG kReadOnly = STATE_SYSTEM_READONLY;
constexpr LONG kLink = STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_LINKED;
constexpr LONG kButton = STATE_SYSTEM_FOCUSABLE;

// One element as the client sees it; `rect` in the page's client coordinates.
struct Seen {
  std::wstring name;
  std::wstring value;
  LONG role = 0;
  LONG state = 0;
  RECT rect = {0, 0, 0, 0};
};

// What the test expects; a right or bottom of -1 is checked against the drawing instead.
struct Expected {
  const wchar_t* name;
  const wchar_t* value;  // null: none
  LONG role;
  LONG state;
  RECT rect;
};

std::wstring Take(BSTR text) {
  std::wstring taken = text != nullptr ? std::wstring(text, SysStringLen(text)) : std::wstring();
  SysFreeString(text);
  return taken;
}

// Events for the page's window, as an out-of-context hook of this process receives them.
struct Event {
  DWORD event;
  LONG object;
  LONG child;
  bool operator==(const Event& other) const {
    return event == other.event && object == other.object && child == other.child;
  }
};
HWND g_watched = nullptr;
std::vector<Event> g_events;

void CALLBACK OnWinEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child, DWORD, DWORD) {
  if (hwnd == g_watched && hwnd != nullptr) g_events.push_back({event, object, child});
}

bool Saw(const Event& wanted) { return std::find(g_events.begin(), g_events.end(), wanted) != g_events.end(); }

PhoneInfo ConnectedRecord(PageState state) {
  PhoneInfo record = MakeRecord(state);
  SetFieldText(record.brand, u"ABC");
  SetFieldText(record.model, u"X1");
  record.phoneTotalBytes = 8ull << 30;
  record.phoneFreeBytes = 1610612736;  // 1.5GB free: 81% used
  record.cardTotalBytes = 16ull << 30;
  record.cardFreeBytes = 0;
  record.batteryPercent = 80;
  record.appCount = 12, record.pictureCount = 34, record.musicCount = 56, record.videoCount = 7;
  record.novelCount = 0, record.contactCount = 250, record.smsCount = 1000;
  return record;
}

RECT TileRect(int i) {
  const LONG left = 122 + 113 * (i % 4), top = 197 + 104 * (i / 4);
  return {left, top, left + 80, top + 90};
}

class AccessibilityTest : public ModulePageTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    comReady = true;
    ASSERT_NO_FATAL_FAILURE(OpenPage());
    ASSERT_EQ(AccessibleObjectFromWindow(page, OBJID_CLIENT, IID_IAccessible, reinterpret_cast<void**>(&client)), S_OK);
    ASSERT_NE(client, nullptr);
  }
  void TearDown() override {
    if (hook != nullptr) UnhookWinEvent(hook);
    g_watched = nullptr;
    // Every reference goes before the module does: its code is the object's code.
    if (client != nullptr) client->Release();
    client = nullptr;
    parent.reset();
    module.Unload();
    if (comReady) CoUninitialize();
  }

  void Send(const PhoneInfo& record) {
    ASSERT_EQ(SendRecord(page, record), 1);
    PumpPending();
  }

  POINT Origin() const {
    POINT origin = {0, 0};
    ClientToScreen(page, &origin);
    return origin;
  }

  Seen Read(LONG id) {
    Seen seen;
    BSTR text = nullptr;
    if (client->get_accName(Child(id), &text) == S_OK) seen.name = Take(text);
    text = nullptr;
    if (client->get_accValue(Child(id), &text) == S_OK) seen.value = Take(text);
    VARIANT result;
    VariantInit(&result);
    if (client->get_accRole(Child(id), &result) == S_OK && result.vt == VT_I4) seen.role = result.lVal;
    VariantInit(&result);
    if (client->get_accState(Child(id), &result) == S_OK && result.vt == VT_I4) seen.state = result.lVal;
    LONG x = 0, y = 0, w = 0, h = 0;
    if (client->accLocation(&x, &y, &w, &h, Child(id)) == S_OK) {
      const POINT origin = Origin();
      seen.rect = {x - origin.x, y - origin.y, x - origin.x + w, y - origin.y + h};
    }
    return seen;
  }

  // The children the way oleacc enumerates them for a client.
  std::vector<Seen> Children() {
    LONG count = -1;
    EXPECT_EQ(client->get_accChildCount(&count), S_OK);
    std::vector<VARIANT> ids(static_cast<size_t>(std::max(count, 0L)) + 1);
    LONG obtained = 0;
    EXPECT_EQ(AccessibleChildren(client, 0, count, ids.data(), &obtained), S_OK);
    EXPECT_EQ(obtained, count);
    std::vector<Seen> seen;
    for (LONG i = 0; i < obtained; ++i) {
      EXPECT_EQ(ids[i].vt, VT_I4) << "simple children come back as ids";
      EXPECT_EQ(ids[i].lVal, i + 1);
      seen.push_back(Read(ids[i].lVal));
      VariantClear(&ids[i]);
    }
    return seen;
  }

  std::unique_ptr<DibCanvas> Print() {
    auto canvas = std::make_unique<DibCanvas>(800, 570);
    SendMessageW(page, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas->Dc()), PRF_CLIENT);
    return canvas;
  }

  void ExpectTree(const std::vector<Expected>& expected) {
    const std::vector<Seen> seen = Children();
    ASSERT_EQ(seen.size(), expected.size());
    for (size_t i = 0; i < seen.size(); ++i) {
      SCOPED_TRACE(i + 1);
      EXPECT_EQ(seen[i].name, expected[i].name);
      EXPECT_EQ(seen[i].value, expected[i].value != nullptr ? expected[i].value : L"");
      EXPECT_EQ(seen[i].role, expected[i].role);
      EXPECT_EQ(seen[i].state, expected[i].state);
      EXPECT_EQ(seen[i].rect.left, expected[i].rect.left);
      EXPECT_EQ(seen[i].rect.top, expected[i].rect.top);
      if (expected[i].rect.right >= 0) {
        EXPECT_EQ(seen[i].rect.right, expected[i].rect.right);
      }
      if (expected[i].rect.bottom >= 0) {
        EXPECT_EQ(seen[i].rect.bottom, expected[i].rect.bottom);
      }
    }
  }

  // Measured texts: the ink of the line lies inside the rectangle reported for it.
  void ExpectInkInside(const DibCanvas& canvas, const Seen& seen, LONG searchRight) {
    SCOPED_TRACE(seen.rect.top);
    EXPECT_GT(seen.rect.right - seen.rect.left, 8);
    const auto span = InkSpan(canvas, RECT{seen.rect.left - 3, seen.rect.top, searchRight, seen.rect.bottom});
    ASSERT_LE(span.first, span.second) << "no ink where the text is said to be";
    EXPECT_GE(span.first, seen.rect.left);
    EXPECT_LT(span.second, seen.rect.right);
  }

  void Watch() {
    g_events.clear();
    g_watched = page;
    hook = SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_VALUECHANGE, nullptr, OnWinEvent, GetCurrentProcessId(), 0,
                           WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(hook, nullptr);
  }

  bool comReady = false;
  IAccessible* client = nullptr;
  HWINEVENTHOOK hook = nullptr;
};

TEST_F(AccessibilityTest, TheClientIsThePageAndNamesItsViewsHeading) {
  VARIANT role;
  VariantInit(&role);
  ASSERT_EQ(client->get_accRole(Child(CHILDID_SELF), &role), S_OK);
  EXPECT_EQ(role.lVal, ROLE_SYSTEM_CLIENT);
  const Seen self = Read(CHILDID_SELF);
  EXPECT_EQ(self.name, L"请用USB数据线将手机连接到电脑");
  EXPECT_EQ(self.rect.left, 0);
  EXPECT_EQ(self.rect.top, 0);
  EXPECT_EQ(self.rect.right, 800);
  EXPECT_EQ(self.rect.bottom, 570);

  // Only the client object is the page's own; the window object is the system's.
  EXPECT_EQ(SendMessageW(page, WM_GETOBJECT, 0, OBJID_WINDOW), 0);
  IDispatch* parentObject = nullptr;
  EXPECT_EQ(client->get_accParent(&parentObject), S_OK);
  ASSERT_NE(parentObject, nullptr);
  IAccessible* window = nullptr;
  EXPECT_EQ(parentObject->QueryInterface(IID_IAccessible, reinterpret_cast<void**>(&window)), S_OK);
  if (window != nullptr) {
    // Wine's window object answers E_NOTIMPL here; Windows says ROLE_SYSTEM_WINDOW.
    VariantInit(&role);
    if (SUCCEEDED(window->get_accRole(Child(CHILDID_SELF), &role))) {
      EXPECT_EQ(role.lVal, ROLE_SYSTEM_WINDOW);
    }
    window->Release();
  }
  parentObject->Release();
}

TEST_F(AccessibilityTest, TheIdleViewReadsItsHeadingAndTheTwoSteps) {
  const std::vector<Expected> idle = {
      {L"请用USB数据线将手机连接到电脑", nullptr, ROLE_SYSTEM_STATICTEXT, kReadOnly, {118, 79, 350, 102}},
      {L"1 连接数据线 用USB数据线将手机连接到电脑", nullptr, ROLE_SYSTEM_STATICTEXT, kReadOnly, {80, 331, 409, 434}},
      {L"2 打开USB调试 在手机的开发者选项中打开USB调试",
       nullptr,
       ROLE_SYSTEM_STATICTEXT,
       kReadOnly,
       {409, 331, 739, 434}},
  };
  ExpectTree(idle);
  Send(MakeRecord(PageState::ReconnectRequested));
  ExpectTree(idle);
  Send(MakeRecord(9));
  ExpectTree(idle);
}

TEST_F(AccessibilityTest, TheInformationViewReadsTitleTilesBarsAndBatteryWhereTheyAreDrawn) {
  Send(ConnectedRecord(PageState::Connected));
  std::vector<Expected> expected = {
      {L"ABCX1已通过USB手机连线连上电脑", nullptr, ROLE_SYSTEM_STATICTEXT, kReadOnly, {65, 13, -1, -1}},
      {L"手机信息", nullptr, ROLE_SYSTEM_STATICTEXT, kReadOnly, {37, 136, 153, 173}},
  };
  const wchar_t* tiles[] = {L"12个应用", L"34张图片",    L"56首音乐",   L"7个视频",
                            L"0本小说",  L"250个联系人", L"1000条短信", L"游戏数量不可用"};
  for (int i = 0; i < 8; ++i) {
    const bool link = i == 0 || i == 2 || i == 4 || i == 7;
    expected.push_back(
        {tiles[i], nullptr, link ? ROLE_SYSTEM_LINK : ROLE_SYSTEM_STATICTEXT, link ? kLink : kReadOnly, TileRect(i)});
  }
  expected.push_back({L"手机容量 剩余1.5GB", L"81%", ROLE_SYSTEM_PROGRESSBAR, kReadOnly, {46, 524, 246, 543}});
  expected.push_back({L"存储卡容量 剩余0KB", L"100%", ROLE_SYSTEM_PROGRESSBAR, kReadOnly, {308, 524, 508, 543}});
  expected.push_back({L"电池电量", L"80%", ROLE_SYSTEM_PROGRESSBAR, kReadOnly, {589, 503, 798, 569}});
  ExpectTree(expected);

  const std::vector<Seen> seen = Children();
  auto canvas = Print();
  ExpectInkInside(*canvas, seen[0], 590);
  EXPECT_EQ(Read(CHILDID_SELF).name, seen[0].name) << "the client is named by the title";
  // The tile's words are drawn inside the place reported for the tile.
  for (int i = 0; i < 8; ++i) {
    const RECT band = {TileRect(i).left, TileRect(i).bottom - 52, TileRect(i).right, TileRect(i).bottom};
    const auto span = InkSpan(*canvas, band);
    EXPECT_LE(span.first, span.second) << i;
  }
}

TEST_F(AccessibilityTest, TheGuardMissingViewAddsTheWarningAndTheInstallButton) {
  Send(ConnectedRecord(PageState::GuardMissing));
  const std::vector<Seen> seen = Children();
  ASSERT_EQ(seen.size(), 15u);
  EXPECT_EQ(seen[0].name, L"ABCX1已通过USB手机连线连上电脑");
  EXPECT_EQ(seen[1].name, L"尚未安装最新版Pelmar，不能与电脑进行通讯，建议立即安装。");
  EXPECT_EQ(seen[1].role, ROLE_SYSTEM_STATICTEXT);
  EXPECT_EQ(seen[1].rect.left, 65);
  EXPECT_EQ(seen[1].rect.top, seen[0].rect.bottom + 2);
  EXPECT_EQ(seen[2].name, L"安装Pelmar");
  EXPECT_EQ(seen[2].role, ROLE_SYSTEM_PUSHBUTTON);
  EXPECT_EQ(seen[2].state, kButton);
  EXPECT_EQ(seen[2].rect.left, 600);
  EXPECT_EQ(seen[2].rect.top, 2);
  EXPECT_EQ(seen[2].rect.right, 742);
  EXPECT_EQ(seen[2].rect.bottom, 48);
  EXPECT_EQ(seen[3].name, L"手机信息");
  EXPECT_EQ(seen[14].name, L"电池电量");

  auto canvas = Print();
  ExpectInkInside(*canvas, seen[0], 590);
  ExpectInkInside(*canvas, seen[1], 590);

  // Back to connected: the warning and the button go.
  Send(ConnectedRecord(PageState::Connected));
  EXPECT_EQ(Children().size(), 13u);
}

TEST_F(AccessibilityTest, TheConnectingAndHintViewsReadTheirTextsAndTheReconnectButton) {
  Send(MakeRecord(PageState::Connecting));
  ExpectTree({
      {L"正在连接手机…", nullptr, ROLE_SYSTEM_STATICTEXT, kReadOnly, {338, 323, 498, 346}},
      {L"正在帮您连接手机与电脑，通常几秒就能完成，请稍候",
       nullptr,
       ROLE_SYSTEM_STATICTEXT,
       kReadOnly,
       {270, 373, 570, 387}},
  });

  Send(MakeRecord(PageState::ConnectFailed));
  ExpectTree({
      {L"手机连接失败，请尝试以下方法", nullptr, ROLE_SYSTEM_STATICTEXT, kReadOnly, {269, 168, 557, 191}},
      {L"1、如果您已经拔出手机，请重新插上", nullptr, ROLE_SYSTEM_STATICTEXT, kReadOnly, {267, 218, 767, 234}},
      {L"2、如果您的手机未打开“USB调试模式”，请重新打开",
       nullptr,
       ROLE_SYSTEM_STATICTEXT,
       kReadOnly,
       {267, 248, 767, 264}},
      {L"3、重试一次有问题后，请更换电脑插口再插上手机，然后点击重新连接",
       nullptr,
       ROLE_SYSTEM_STATICTEXT,
       kReadOnly,
       {267, 278, 767, 294}},
      {L"4、拔出手机，重新插上后重新连接一次", nullptr, ROLE_SYSTEM_STATICTEXT, kReadOnly, {267, 308, 767, 324}},
      {L"重新连接", nullptr, ROLE_SYSTEM_PUSHBUTTON, kButton, {340, 382, 462, 430}},
  });
}

TEST_F(AccessibilityTest, DefaultActionsDoWhatClicksDo) {
  Send(ConnectedRecord(PageState::Connected));
  BSTR action = nullptr;
  ASSERT_EQ(client->get_accDefaultAction(Child(5), &action), S_OK);
  EXPECT_EQ(Take(action), L"跳转");
  action = nullptr;
  EXPECT_EQ(client->get_accDefaultAction(Child(4), &action), DISP_E_MEMBERNOTFOUND) << "the pictures tile";
  EXPECT_EQ(action, nullptr);

  {
    RecordingWindow host(kHostClass);
    EXPECT_EQ(client->accDoDefaultAction(Child(5)), S_OK) << "the music tile";
    PumpPending();
    ASSERT_EQ(host.CopiesReceived().size(), 1u);
    const RecordingWindow::CopyData& sent = host.CopiesReceived()[0];
    EXPECT_EQ(sent.wParam, 0u);
    EXPECT_EQ(sent.dwData, 0u);
    ASSERT_EQ(sent.bytes.size(), 16u);
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(sent.bytes.data())), L"/page=3");

    EXPECT_EQ(client->accDoDefaultAction(Child(4)), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(client->accDoDefaultAction(Child(CHILDID_SELF)), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(client->accDoDefaultAction(Child(99)), E_INVALIDARG);
    VARIANT wrong;
    VariantInit(&wrong);
    wrong.vt = VT_BSTR;
    wrong.bstrVal = nullptr;
    EXPECT_EQ(client->accDoDefaultAction(wrong), E_INVALIDARG);
    PumpPending();
    EXPECT_EQ(host.CopiesReceived().size(), 1u);
  }

  RecordingWindow service(kServiceClass);
  Send(ConnectedRecord(PageState::GuardMissing));
  action = nullptr;
  ASSERT_EQ(client->get_accDefaultAction(Child(3), &action), S_OK);
  EXPECT_EQ(Take(action), L"按下");
  EXPECT_EQ(client->accDoDefaultAction(Child(3)), S_OK) << "install";
  PumpPending();
  ASSERT_EQ(service.Received().size(), 1u);
  EXPECT_EQ(service.Received()[0].message, 0x7001u);

  // Reconnect brings the idle view back and tells the service nothing.
  Send(MakeRecord(PageState::ConnectFailed));
  EXPECT_EQ(client->accDoDefaultAction(Child(6)), S_OK);
  PumpPending();
  EXPECT_EQ(Read(1).name, L"请用USB数据线将手机连接到电脑");
  LONG count = 0;
  EXPECT_EQ(client->get_accChildCount(&count), S_OK);
  EXPECT_EQ(count, 3);
  EXPECT_EQ(service.Received().size(), 1u);

  // An action still queued when a record hides its button does nothing.
  Send(MakeRecord(PageState::ConnectFailed));
  EXPECT_EQ(client->accDoDefaultAction(Child(6)), S_OK) << "Reconnect";
  ASSERT_EQ(SendRecord(page, ConnectedRecord(PageState::Connected)), 1);
  PumpPending();
  EXPECT_EQ(Read(1).name, L"ABCX1已通过USB手机连线连上电脑") << "still connected";
  Send(ConnectedRecord(PageState::GuardMissing));
  EXPECT_EQ(client->accDoDefaultAction(Child(3)), S_OK) << "install";
  ASSERT_EQ(SendRecord(page, ConnectedRecord(PageState::Connected)), 1);
  PumpPending();
  EXPECT_EQ(service.Received().size(), 1u);
}

TEST_F(AccessibilityTest, HitTestingAndNavigationFollowTheLayout) {
  Send(ConnectedRecord(PageState::Connected));
  const POINT origin = Origin();
  VARIANT hit;
  VariantInit(&hit);
  ASSERT_EQ(client->accHitTest(origin.x + 122 + 226 + 40, origin.y + 197 + 26, &hit), S_OK);
  EXPECT_EQ(hit.vt, VT_I4);
  EXPECT_EQ(hit.lVal, 5) << "the music tile's icon";
  VariantInit(&hit);
  ASSERT_EQ(client->accHitTest(origin.x + 700, origin.y + 100, &hit), S_OK);
  EXPECT_EQ(hit.lVal, CHILDID_SELF) << "the phone picture is no element";
  VariantInit(&hit);
  EXPECT_EQ(client->accHitTest(origin.x - 10, origin.y - 10, &hit), S_FALSE);
  EXPECT_EQ(hit.vt, VT_EMPTY);

  VARIANT to;
  VariantInit(&to);
  ASSERT_EQ(client->accNavigate(NAVDIR_FIRSTCHILD, Child(CHILDID_SELF), &to), S_OK);
  EXPECT_EQ(to.lVal, 1);
  ASSERT_EQ(client->accNavigate(NAVDIR_LASTCHILD, Child(CHILDID_SELF), &to), S_OK);
  EXPECT_EQ(to.lVal, 13);
  ASSERT_EQ(client->accNavigate(NAVDIR_NEXT, Child(4), &to), S_OK);
  EXPECT_EQ(to.lVal, 5);
  ASSERT_EQ(client->accNavigate(NAVDIR_PREVIOUS, Child(4), &to), S_OK);
  EXPECT_EQ(to.lVal, 3);
  EXPECT_EQ(client->accNavigate(NAVDIR_NEXT, Child(13), &to), S_FALSE);
  EXPECT_EQ(client->accNavigate(NAVDIR_PREVIOUS, Child(1), &to), S_FALSE);
  EXPECT_EQ(client->accNavigate(NAVDIR_NEXT, Child(14), &to), E_INVALIDARG);
}

TEST_F(AccessibilityTest, ChangesRaiseReorderNameAndValueEvents) {
  Watch();
  const Event reorder = {EVENT_OBJECT_REORDER, OBJID_CLIENT, CHILDID_SELF};
  const Event clientName = {EVENT_OBJECT_NAMECHANGE, OBJID_CLIENT, CHILDID_SELF};

  Send(MakeRecord(PageState::NoPhone));
  EXPECT_FALSE(Saw(reorder)) << "still the idle view";

  Send(ConnectedRecord(PageState::Connected));
  EXPECT_TRUE(Saw(reorder));
  EXPECT_TRUE(Saw(clientName));

  g_events.clear();
  PhoneInfo record = ConnectedRecord(PageState::Connected);
  record.batteryPercent = 79;
  record.musicCount = 57;
  Send(record);
  EXPECT_FALSE(Saw(reorder));
  EXPECT_TRUE(Saw({EVENT_OBJECT_VALUECHANGE, OBJID_CLIENT, 13})) << "the battery";
  EXPECT_TRUE(Saw({EVENT_OBJECT_NAMECHANGE, OBJID_CLIENT, 5})) << "the music tile";
  EXPECT_FALSE(Saw({EVENT_OBJECT_NAMECHANGE, OBJID_CLIENT, 3})) << "the applications tile kept its name";

  g_events.clear();
  Send(record);
  EXPECT_TRUE(g_events.empty()) << "nothing changed";

  Send(ConnectedRecord(PageState::GuardMissing));
  EXPECT_TRUE(Saw(reorder));
  g_events.clear();
  Send(MakeRecord(PageState::ConnectFailed));
  EXPECT_TRUE(Saw(reorder));
  EXPECT_TRUE(Saw(clientName));
  g_events.clear();
  SendMessageW(page, WM_COMMAND, MAKEWPARAM(222, 0), 0);  // Reconnect
  PumpPending();
  EXPECT_TRUE(Saw(reorder));
}

TEST_F(AccessibilityTest, AnObjectThatOutlivesItsWindowFailsInsteadOfReachingThePage) {
  // A view without a model lookup, whose worker would keep the module loaded a while.
  Send(MakeRecord(PageState::ConnectFailed));
  IAccessible* second = nullptr;
  ASSERT_EQ(AccessibleObjectFromWindow(page, OBJID_CLIENT, IID_IAccessible, reinterpret_cast<void**>(&second)), S_OK);
  ASSERT_NE(second, nullptr);
  second->Release();

  DestroyWindow(page);
  EXPECT_EQ(client->AddRef(), 2u) << "the page and the stubs let go with the window";
  client->Release();
  LONG count = 7;
  EXPECT_EQ(client->get_accChildCount(&count), CO_E_OBJNOTCONNECTED);
  EXPECT_EQ(count, 0);
  BSTR name = nullptr;
  EXPECT_EQ(client->get_accName(Child(1), &name), CO_E_OBJNOTCONNECTED);
  EXPECT_EQ(name, nullptr);
  EXPECT_EQ(client->accDoDefaultAction(Child(3)), CO_E_OBJNOTCONNECTED);
  LONG x = 1, y = 1, w = 1, h = 1;
  EXPECT_EQ(client->accLocation(&x, &y, &w, &h, Child(CHILDID_SELF)), CO_E_OBJNOTCONNECTED);

  // The page object goes too, and the host frees the module: the reference still answers,
  // and ours is the last one.
  module.UnInitPage();
  module.Unload();
  VARIANT focus;
  VariantInit(&focus);
  EXPECT_EQ(client->get_accFocus(&focus), CO_E_OBJNOTCONNECTED);
  EXPECT_EQ(client->AddRef(), 2u);
  EXPECT_EQ(client->Release(), 1u);
  EXPECT_EQ(client->Release(), 0u);
  client = nullptr;
}

}  // namespace
