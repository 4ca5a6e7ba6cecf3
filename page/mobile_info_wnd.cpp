#include "page/mobile_info_wnd.h"

#include <cwchar>

#include "page/offscreen_buffer.h"
#include "page/page_protocol.h"
#include "page/page_views.h"
#include "resources/resource.h"

namespace {

const WindowClassInfo kPageClass = {
    L"MobileInfoPage",
    CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS,
    COLOR_WINDOW,
    IDC_ARROW,
};

constexpr DWORD kPageStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;

HFONT MakePageFont(int height, int weight) {
  return CreateFontW(-height, 0, 0, 0, weight, FALSE, FALSE, FALSE, GB2312_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     DEFAULT_PITCH | FF_SWISS, L"Tahoma");
}

}  // namespace

CMobileInfoWnd::CMobileInfoWnd() : phoneInfo(EmptyPhoneInfo()) {}

CMobileInfoWnd::~CMobileInfoWnd() = default;

HWND CMobileInfoWnd::Create(HWND parent) {
  if (Hwnd() != nullptr) return Hwnd();
  if (windowMade || parent == nullptr || !IsWindow(parent)) return nullptr;
  HWND hwnd = CreateWindowOfClass(kPageClass, parent, kPageStyle, 0);
  windowMade = hwnd != nullptr;
  return hwnd;
}

BOOL CMobileInfoWnd::ProcessWindowMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                          LRESULT& result, DWORD mapId) {
  if (CVinWnd::ProcessWindowMessage(hwnd, message, wParam, lParam, result, mapId)) return TRUE;
  if (mapId != 0) return FALSE;
  result = 0;
  switch (message) {
    case WM_CREATE:
      OnCreate();
      return TRUE;
    case WM_ERASEBKGND:
      result = 1;  // every paint covers the whole client area
      return TRUE;
    case WM_PAINT:
    case WM_PRINTCLIENT:
      OnPaint(reinterpret_cast<HDC>(wParam));
      return TRUE;
    case WM_COPYDATA:
      result = OnPhoneData(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
      return TRUE;
    case WM_TIMER:
      OnTimer(wParam);
      return TRUE;
    case WM_COMMAND:
      OnCommand(wParam);
      return TRUE;
    default:
      return FALSE;
  }
}

void CMobileInfoWnd::OnCreate() {
  LoadImages();
  CreateFonts();
}

void CMobileInfoWnd::LoadImages() {
  const struct {
    CxImage* image;
    int id;
  } table[] = {
      {&images.statusBackground, IDR_PNG_STATUS_BACKGROUND},
      {&images.idleHeading, IDR_PNG_IDLE_HEADING},
      {&images.smallPhone, IDR_PNG_SMALL_PHONE},
      {&images.usbCable, IDR_PNG_USB_CABLE},
      {&images.computer, IDR_PNG_COMPUTER},
      {&images.connectSteps, IDR_PNG_CONNECT_STEPS},
      {&images.connectingHeading, IDR_PNG_CONNECTING_HEADING},
      {&images.currentDot, IDR_PNG_CURRENT_DOT},
      {&images.restingRing, IDR_PNG_RESTING_RING},
      {&images.failedHeading, IDR_PNG_FAILED_HEADING},
      {&images.infoBackground, IDR_PNG_INFO_BACKGROUND},
      {&images.topBand, IDR_PNG_TOP_BAND},
      {&images.infoCard, IDR_PNG_INFO_CARD},
      {&images.cardTab, IDR_PNG_CARD_TAB},
      {&images.connectedMark, IDR_PNG_CONNECTED_MARK},
      {&images.genericPhone, IDR_PNG_GENERIC_PHONE},
  };
  for (const auto& entry : table) LoadPngResource(*entry.image, entry.id, CWindowModule::Instance());
}

void CMobileInfoWnd::CreateFonts() {
  font12.Reset(MakePageFont(12, FW_NORMAL));
  font12Bold.Reset(MakePageFont(12, FW_BOLD));
  font14.Reset(MakePageFont(14, FW_NORMAL));
  font14Bold.Reset(MakePageFont(14, FW_BOLD));
  font16Bold.Reset(MakePageFont(16, FW_BOLD));
  font26Bold.Reset(MakePageFont(26, FW_BOLD));
}

void CMobileInfoWnd::OnPaint(HDC given) {
  if (given != nullptr) {
    RECT client;
    GetClientRect(Hwnd(), &client);
    COffscreenBuffer buffer(given, client);
    DoPaint(buffer.Dc());
    return;
  }
  CScopedPaint paint(Hwnd());
  COffscreenBuffer buffer(paint.Dc(), paint.InvalidRect());
  DoPaint(buffer.Dc());
}

void CMobileInfoWnd::DoPaint(HDC dc) {
  ScopedSaveDC saved(dc);
  RECT client;
  GetClientRect(Hwnd(), &client);
  const COLORREF previous = SetBkColor(dc, kBackgroundColor);
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &client, nullptr, 0, nullptr);
  SetBkColor(dc, previous);

  switch (ViewForState(phoneInfo.state)) {
    case PageView::Connected:
      DrawConnectedView(dc, *this);
      break;
    case PageView::GuardMissing:
      DrawGuardMissingView(dc, *this);
      break;
    case PageView::Connecting:
      DrawConnectingView(dc, *this);
      break;
    case PageView::ConnectFailed:
      DrawConnectFailedView(dc, *this);
      break;
    case PageView::Idle:
      DrawIdleView(dc, *this);
      break;
  }
  DrawControls(dc);
}

LRESULT CMobileInfoWnd::OnPhoneData(const COPYDATASTRUCT* copyData) {
  if (copyData == nullptr || copyData->lpData == nullptr) return 0;
  PhoneInfo incoming;
  // The sender's buffer may be shorter than a record: refuse it rather than read past it.
  if (!TakePhoneInfo(copyData->lpData, copyData->cbData, incoming)) return 0;
  // Release the service before doing any work; its buffer is not touched after this.
  ReplyMessage(1);
  phoneInfo = incoming;
  ApplyPhoneState();
  return 1;
}

void CMobileInfoWnd::ApplyPhoneState() {
  animStep = 0;
  if (static_cast<PageState>(phoneInfo.state) == PageState::Connecting) {
    SetTimer(Hwnd(), kAnimationTimerId, kAnimationPeriodMs, nullptr);  // restarts a running one
  } else {
    KillTimer(Hwnd(), kAnimationTimerId);
  }
  InvalidateRect(Hwnd(), nullptr, FALSE);
}

void CMobileInfoWnd::OnTimer(UINT_PTR timerId) {
  if (timerId != kAnimationTimerId) return;
  animStep = (animStep + 1) % kAnimationSteps;
  InvalidateRect(Hwnd(), nullptr, FALSE);
}

void CMobileInfoWnd::OnCommand(WPARAM wParam) {
  const UINT id = LOWORD(wParam);
  const UINT code = HIWORD(wParam);
  if (id == kReconnectButtonId && code == 0) {
    Reconnect();
  } else if (id == kInstallButtonId && code == 0) {
    RequestGuardInstall();
  } else if (id >= kFirstTileId && id <= kLastTileId) {
    NavigateToPage(id);  // whatever the notification code
  }
}

void CMobileInfoWnd::NavigateToPage(UINT tileId) {
  HWND host = FindWindowW(kHostMainWindowClass, nullptr);
  const wchar_t* link = LinkForTile(tileId);
  if (host == nullptr || !IsWindow(host) || link == nullptr) return;
  COPYDATASTRUCT data = {};
  data.dwData = 0;
  data.cbData = static_cast<DWORD>((wcslen(link) + 1) * sizeof(wchar_t));
  data.lpData = const_cast<wchar_t*>(link);
  SendMessageW(host, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
}

void CMobileInfoWnd::Reconnect() {
  phoneInfo.state = static_cast<int32_t>(PageState::ReconnectRequested);
  ApplyPhoneState();
}

void CMobileInfoWnd::RequestGuardInstall() {
  HWND service = FindWindowW(kPhoneServiceClass, nullptr);
  if (service != nullptr && IsWindow(service)) PostMessageW(service, kInstallRequestMessage, 0, 0);
}
