#include "controls/tests/controls_test_support.h"

namespace {

const WindowClassInfo kHostClass = {L"ControlsTestHost", CS_DBLCLKS, COLOR_WINDOW, IDC_ARROW};
const wchar_t kOtherClass[] = L"ControlsTestOther";
constexpr int kHostWidth = 820;
constexpr int kHostHeight = 600;

}  // namespace

ControlTestHost::ControlTestHost() {
  CreateWindowOfClass(kHostClass, nullptr, WS_POPUP, 0);
  if (Hwnd() != nullptr) {
    SetWindowPos(Hwnd(), nullptr, 0, 0, kHostWidth, kHostHeight, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
  }
}

ControlTestHost::~ControlTestHost() {
  if (Hwnd() != nullptr) DestroyWindow(Hwnd());
}

LRESULT ControlTestHost::Send(UINT message, WPARAM wParam, LPARAM lParam) {
  return SendMessageW(Hwnd(), message, wParam, lParam);
}

LRESULT ControlTestHost::AskCursor() {
  return Send(WM_SETCURSOR, reinterpret_cast<WPARAM>(Hwnd()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
}

int ControlTestHost::TakePaints() {
  paints_ = 0;
  // Only posted paints: the controls never leave an update region behind without one.
  ValidateRect(Hwnd(), nullptr);
  MSG msg;
  while (PeekMessageW(&msg, Hwnd(), WM_PAINT, WM_PAINT, PM_REMOVE)) DispatchMessageW(&msg);
  return paints_;
}

BOOL ControlTestHost::ProcessWindowMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result,
                                           DWORD mapId) {
  if (CVinWnd::ProcessWindowMessage(hwnd, message, wParam, lParam, result, mapId)) return TRUE;
  if (mapId != 0) return FALSE;
  result = 0;
  switch (message) {
    case WM_COMMAND:
      commands.push_back({wParam, lParam});
      if (onCommand) onCommand(wParam);
      return TRUE;
    case WM_PAINT:
      ++paints_;
      ValidateRect(hwnd, nullptr);
      return TRUE;
    default:
      return FALSE;
  }
}

OtherWindow::OtherWindow() {
  static const ATOM atom = [] {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kOtherClass;
    return RegisterClassExW(&wc);
  }();
  hwnd_ = atom != 0 ? CreateWindowExW(0, kOtherClass, nullptr, WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                      GetModuleHandleW(nullptr), nullptr)
                    : nullptr;
}

OtherWindow::~OtherWindow() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

ScopedFont MakeTestFont(int height, bool bold) {
  return ScopedFont(CreateFontW(-height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET,
                                OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                                DEFAULT_PITCH | FF_SWISS, L"Tahoma"));
}

int TextWidth(HFONT font, const wchar_t* text) {
  ScopedMemoryDC dc(nullptr);
  ScopedSelect selected(dc.Get(), font);
  RECT extent = {0, 0, 1, 1};
  DrawTextW(dc.Get(), text, -1, &extent, DT_CALCRECT | DT_BOTTOM);
  return extent.right - extent.left;
}

bool CursorIs(const wchar_t* id) { return GetCursor() == LoadCursorW(nullptr, id); }

bool operator==(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

void PrintTo(const RECT& rect, std::ostream* out) {
  *out << "(" << rect.left << ", " << rect.top << ", " << rect.right << ", " << rect.bottom << ")";
}
