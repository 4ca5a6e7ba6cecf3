#include "controls/tests/controls_test_support.h"

namespace {

const WindowClassInfo kHostClass = {L"ControlsTestHost", CS_DBLCLKS, COLOR_WINDOW, IDC_ARROW};
const wchar_t kOtherClass[] = L"ControlsTestOther";
constexpr int kHostWidth = 820;
constexpr int kHostHeight = 600;

HBITMAP MakeSection(int width, int height, void** bits) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // bottom-up
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

}  // namespace

Canvas24::Canvas24(int width, int height, uint32_t rgb)
    : width_(width),
      height_(height),
      stride_((width * 3 + 3) & ~3),
      bitmap_(MakeSection(width, height, &bits_)),
      dc_(nullptr),
      selection_(dc_.Get(), bitmap_.Get()) {
  Fill(rgb);
}

uint8_t* Canvas24::At(int x, int y) const {
  return static_cast<uint8_t*>(bits_) + (height_ - 1 - y) * stride_ + 3 * x;
}

void Canvas24::Fill(uint32_t rgb) {
  GdiFlush();
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      uint8_t* p = At(x, y);
      p[0] = rgb & 0xFF;
      p[1] = (rgb >> 8) & 0xFF;
      p[2] = (rgb >> 16) & 0xFF;
    }
  }
}

uint32_t Canvas24::Pixel(int x, int y) const {
  GdiFlush();
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0xFFFFFFFFu;
  const uint8_t* p = At(x, y);
  return static_cast<uint32_t>(p[2]) << 16 | p[1] << 8 | p[0];
}

int Canvas24::Count(const RECT& area, uint32_t rgb) const {
  int count = 0;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) count += Pixel(x, y) == rgb;
  }
  return count;
}

namespace {

template <typename Match>
RECT BoundingBox(const RECT& area, Match match) {
  RECT box = {0, 0, 0, 0};
  bool any = false;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      if (!match(x, y)) continue;
      if (!any) {
        box = {x, y, x + 1, y + 1};
        any = true;
      }
      box.left = x < box.left ? x : box.left;
      box.right = x + 1 > box.right ? x + 1 : box.right;
      box.bottom = y + 1;
    }
  }
  return box;
}

}  // namespace

RECT Canvas24::InkBox(const RECT& area, uint32_t rgb) const {
  return BoundingBox(area, [&](int x, int y) { return Pixel(x, y) == rgb; });
}

RECT Canvas24::BoxOtherThan(const RECT& area, uint32_t rgb) const {
  return BoundingBox(area, [&](int x, int y) { return Pixel(x, y) != rgb; });
}

ControlTestHost::ControlTestHost() {
  CreateWindowOfClass(kHostClass, nullptr, WS_POPUP, 0);
  if (Hwnd() != nullptr) {
    SetWindowPos(Hwnd(), nullptr, 0, 0, kHostWidth, kHostHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
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

BOOL ControlTestHost::ProcessWindowMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                           LRESULT& result, DWORD mapId) {
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
  hwnd_ = atom != 0 ? CreateWindowExW(0, kOtherClass, nullptr, WS_POPUP, 0, 0, 10, 10, nullptr,
                                      nullptr, GetModuleHandleW(nullptr), nullptr)
                    : nullptr;
}

OtherWindow::~OtherWindow() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

ScopedFont MakeTestFont(int height, bool bold) {
  return ScopedFont(CreateFontW(-height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                                GB2312_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                NONANTIALIASED_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Tahoma"));
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
