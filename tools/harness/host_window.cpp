#include "tools/harness/host_window.h"

#include <string>

#include "page/page_protocol.h"
#include "testing/window_dpi.h"
#include "tools/harness/record_form.h"
#include "tools/harness/scenario.h"
#include "util/display_scale.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "texts are UTF-16 on this platform");

namespace {

constexpr wchar_t kPanelClass[] = L"HarnessHostPanel";
constexpr wchar_t kContainerClass[] = L"HarnessPageContainer";
constexpr int kFirstTabId = 100;
constexpr DWORD kHostStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
// The tab row, at 96 DPI: buttons from the left, the last request on the right.
constexpr int kTabLeft = 6;
constexpr int kTabTop = 6;
constexpr int kTabStep = 92;
constexpr int kTabWidth = 88;
constexpr int kTabHeight = 24;
constexpr int kStatusLeft = 470;

const wchar_t* const kPageTitles[] = {L"Phone", L"Applications", L"Games", L"Music", L"Novels"};

std::u16string_view AsUtf16(const wchar_t* text, size_t length) {
  return std::u16string_view(reinterpret_cast<const char16_t*>(text), length);
}

// The host's own pages are plain: a title and where the request came from.
LRESULT CALLBACK PanelProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd, &paint);
    RECT client;
    GetClientRect(hwnd, &client);
    HBRUSH background = CreateSolidBrush(RGB(0xEE, 0xF2, 0xF6));
    FillRect(dc, &client, background);
    DeleteObject(background);
    const int page = static_cast<int>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    const DisplayScale scale = DisplayScale::ForDpi(WindowDpi(hwnd));
    HFONT title = CreateFontW(-scale.Px(40), 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
    HFONT body = CreateFontW(-scale.Px(16), 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
    SetBkMode(dc, TRANSPARENT);
    HGDIOBJ previous = SelectObject(dc, title);
    SetTextColor(dc, RGB(0x26, 0x68, 0x9B));
    RECT titleRect = {0, scale.Px(200), client.right, scale.Px(260)};
    DrawTextW(dc, kPageTitles[page], -1, &titleRect, DT_CENTER | DT_SINGLELINE | DT_VCENTER);
    SelectObject(dc, body);
    SetTextColor(dc, RGB(0x53, 0x53, 0x53));
    const std::wstring note = L"The manager's own page " + std::to_wstring(page) + L", the one \"/page=" +
                              std::to_wstring(page) + L"\" asks for. The Phone tab goes back to the phone page.";
    RECT noteRect = {0, scale.Px(270), client.right, scale.Px(300)};
    DrawTextW(dc, note.c_str(), -1, &noteRect, DT_CENTER | DT_SINGLELINE | DT_VCENTER);
    SelectObject(dc, previous);
    DeleteObject(title);
    DeleteObject(body);
    EndPaint(hwnd, &paint);
    return 0;
  }
  if (message == WM_ERASEBKGND) return 1;
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

bool RegisterClasses(HINSTANCE instance, WNDPROC hostProc) {
  WNDCLASSEXW host = {};
  host.cbSize = sizeof host;
  host.lpfnWndProc = hostProc;
  host.hInstance = instance;
  host.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  host.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  host.lpszClassName = kHostMainWindowClass;
  WNDCLASSEXW panel = host;
  panel.lpfnWndProc = PanelProc;
  panel.hbrBackground = nullptr;
  panel.lpszClassName = kPanelClass;
  // The container only holds the page; the page paints all of it.
  WNDCLASSEXW container = host;
  container.lpfnWndProc = DefWindowProcW;
  container.hbrBackground = nullptr;
  container.lpszClassName = kContainerClass;
  // A second host in the same program (the tests make several) finds them registered.
  const auto registered = [](const WNDCLASSEXW& windowClass) {
    return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  };
  return registered(host) && registered(panel) && registered(container);
}

}  // namespace

bool CHostWindow::Create(int x, int y) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  if (!RegisterClasses(instance, Proc)) return false;
  // Made first, then sized: its DPI is known once it exists.
  hwnd_ = CreateWindowExW(0, kHostMainWindowClass, kTitle, kHostStyle, x, y, kContainerWidth,
                          kTabBarHeight + kContainerHeight, nullptr, nullptr, instance, this);
  if (hwnd_ == nullptr) return false;
  dpi_ = WindowDpi(hwnd_);
  RECT frame = {0, 0, Px(kContainerWidth), Px(kTabBarHeight + kContainerHeight)};
  AdjustFrameForDpi(frame, kHostStyle, 0, dpi_);
  SetWindowPos(hwnd_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  CreateChildren();
  return container_ != nullptr;
}

void CHostWindow::CreateChildren() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  for (int page = 0; page < 5; ++page) {
    tabs_[page] =
        CreateWindowExW(0, L"BUTTON", kPageTitles[page],
                        WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON | BS_PUSHLIKE | (page == 0 ? WS_GROUP : 0), 0, 0, 0,
                        0, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstTabId + page)), instance, nullptr);
  }
  status_ = CreateWindowExW(0, L"STATIC", L"Last page request: none", WS_CHILD | WS_VISIBLE | SS_RIGHT | SS_CENTERIMAGE,
                            0, 0, 0, 0, hwnd_, nullptr, instance, nullptr);
  container_ = CreateWindowExW(0, kContainerClass, nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 0, 0, hwnd_,
                               nullptr, instance, nullptr);
  for (int page = 1; page < 5; ++page) {
    panels_[page] = CreateWindowExW(0, kPanelClass, nullptr, WS_CHILD, 0, 0, 0, 0, hwnd_, nullptr, instance, nullptr);
    if (panels_[page] != nullptr) SetWindowLongPtrW(panels_[page], GWLP_USERDATA, page);
  }
  Layout();
  SendMessageW(tabs_[0], BM_SETCHECK, BST_CHECKED, 0);
}

int CHostWindow::Px(int value) const { return DisplayScale::ForDpi(dpi_).Px(value); }

// Edges are scaled, as the page scales its own: boxes that touch at 96 DPI touch at every DPI.
void CHostWindow::Layout() {
  LOGFONTW logical = GuiFontForDpi(dpi_);
  HFONT font = CreateFontIndirectW(&logical);
  const int tabTop = Px(kTabTop);
  const int tabBottom = Px(kTabTop + kTabHeight);
  for (int page = 0; page < 5; ++page) {
    const int left = Px(kTabLeft + page * kTabStep);
    MoveWindow(tabs_[page], left, tabTop, Px(kTabLeft + page * kTabStep + kTabWidth) - left, tabBottom - tabTop, TRUE);
    SendMessageW(tabs_[page], WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  }
  const int statusLeft = Px(kStatusLeft);
  MoveWindow(status_, statusLeft, tabTop, Px(kContainerWidth - kTabLeft) - statusLeft, tabBottom - tabTop, TRUE);
  SendMessageW(status_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  // The old font goes once no child uses it.
  if (font_ != nullptr) DeleteObject(font_);
  font_ = font;

  const int top = Px(kTabBarHeight);
  const SIZE size = ContainerSize();
  MoveWindow(container_, 0, top, size.cx, size.cy, TRUE);
  for (int page = 1; page < 5; ++page) MoveWindow(panels_[page], 0, top, size.cx, size.cy, TRUE);
  PlacePage();
}

SIZE CHostWindow::ContainerSize() const {
  return {Px(kContainerWidth), Px(kTabBarHeight + kContainerHeight) - Px(kTabBarHeight)};
}

void CHostWindow::PlacePage() {
  if (page_ == nullptr) return;
  const SIZE size = ContainerSize();
  MoveWindow(page_, 0, 0, size.cx, size.cy, TRUE);
}

void CHostWindow::SetPage(HWND page) {
  page_ = page;
  PlacePage();
}

void CHostWindow::OnDpiChanged(int dpi, const RECT& suggested) {
  dpi_ = dpi;
  SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  Layout();
}

void CHostWindow::ShowPage(int page) {
  if (page < 0 || page > 4) return;
  // Show the new page before hiding the old, so nothing shows through in between.
  ShowWindow(page == 0 ? container_ : panels_[page], SW_SHOW);
  for (int other = 0; other < 5; ++other) {
    if (other == page) continue;
    ShowWindow(other == 0 ? container_ : panels_[other], SW_HIDE);
  }
  for (int tab = 0; tab < 5; ++tab) SendMessageW(tabs_[tab], BM_SETCHECK, tab == page ? BST_CHECKED : BST_UNCHECKED, 0);
  shown_ = page;
  Event event;
  event.kind = EventKind::HostPageShown;
  event.page = page;
  log_.Add(event);
}

LRESULT CALLBACK CHostWindow::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    auto* self = static_cast<CHostWindow*>(create->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<CHostWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
  return self->Handle(message, wParam, lParam);
}

LRESULT CHostWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COPYDATA:
      return OnCopyData(wParam, reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      if (HIWORD(wParam) == BN_CLICKED && id >= kFirstTabId && id < kFirstTabId + 5) ShowPage(id - kFirstTabId);
      return 0;
    }
    case kCaptureMessage:
      Capture(*reinterpret_cast<HostCapture*>(lParam));
      return 1;
    case kShowPageMessage:
      ShowPage(static_cast<int>(wParam));
      return 1;
    case kCurrentPageMessage:
      return shown_;
    case WM_DPICHANGED:
      OnDpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case kFinishedMessage:
      exitCode_ = static_cast<int>(wParam);
      DestroyWindow(hwnd_);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      // The children, which used the font, are gone by now.
      if (font_ != nullptr) DeleteObject(font_);
      font_ = nullptr;
      SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
      hwnd_ = nullptr;
      return 0;
    default:
      return DefWindowProcW(hwnd_, message, wParam, lParam);
  }
}

LRESULT CHostWindow::OnCopyData(WPARAM wParam, const COPYDATASTRUCT* data) {
  Event event;
  event.kind = EventKind::LinkReceived;
  event.wParam = wParam;
  if (data == nullptr) {
    event.wellFormed = false;
    log_.Add(event);
    return FALSE;
  }
  event.dwData = static_cast<uint32_t>(data->dwData);
  event.cbData = data->cbData;
  std::u16string_view text;
  if (data->lpData != nullptr) {
    const auto* units = static_cast<const wchar_t*>(data->lpData);
    const size_t count = data->cbData / sizeof(wchar_t);
    size_t length = 0;
    while (length < count && units[length] != L'\0') ++length;
    text = AsUtf16(units, length);
    // Exactly the text and one NUL, nothing after it.
    event.wellFormed = length + 1 == count && data->cbData % sizeof(wchar_t) == 0;
  } else {
    event.wellFormed = false;
  }
  event.wellFormed = event.wellFormed && data->dwData == 0 && wParam == 0;
  event.text = Utf16ToUtf8(text);
  const int page = HostPageOfLink(text);
  log_.Add(event);

  const std::wstring shown(reinterpret_cast<const wchar_t*>(text.data()), text.size());
  const std::wstring line = page != 0 ? L"Last page request: " + shown + L" (" + kPageTitles[page] + L")"
                                      : L"Last page request not understood: \"" + shown + L"\"";
  SetWindowTextW(status_, line.c_str());
  if (page == 0) return FALSE;
  ShowPage(page);
  return TRUE;
}

void CHostWindow::Capture(HostCapture& capture) {
  capture.ok = false;
  RedrawWindow(hwnd_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  HWND source = capture.desktop ? nullptr : hwnd_;
  RECT client = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (source != nullptr) GetClientRect(source, &client);
  const int width = client.right;
  const int height = client.bottom;
  if (width <= 0 || height <= 0) return;

  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down, as Image holds its rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap == nullptr) return;
  HDC memory = CreateCompatibleDC(nullptr);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  HDC screen = GetDC(source);
  const bool copied = BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY) != FALSE;
  ReleaseDC(source, screen);
  GdiFlush();
  if (copied) {
    capture.image = Image(width, height);
    const auto* source = static_cast<const uint32_t*>(bits);
    for (size_t i = 0; i < capture.image.pixels.size(); ++i) capture.image.pixels[i] = source[i] & 0x00FFFFFF;
    capture.ok = true;
  }
  SelectObject(memory, previous);
  DeleteObject(bitmap);
  DeleteDC(memory);

  POINT origin = {0, 0};
  RECT pageRect = {0, 0, kContainerWidth, kContainerHeight};
  HWND pageWindow = page_ != nullptr && IsWindow(page_) ? page_ : container_;
  MapWindowPoints(pageWindow, source, &origin, 1);
  GetClientRect(pageWindow, &pageRect);
  capture.pageLeft = origin.x;
  capture.pageTop = origin.y;
  capture.pageWidth = pageRect.right;
  capture.pageHeight = pageRect.bottom;
}
