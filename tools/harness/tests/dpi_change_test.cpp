// The host and the control panel moved to a monitor of another DPI. Wine has one DPI and never
// sends WM_DPICHANGED, so the test sends it as Windows does: the new DPI and a suggested frame.
#include <gtest/gtest.h>
#include <windows.h>

#include "tools/harness/event_log.h"
#include "tools/harness/host_window.h"
#include "tools/harness/phone_service.h"
#include "tools/harness/record_form.h"
#include "util/display_scale.h"

namespace {

struct Box {
  int left, top, width, height;
  bool operator==(const Box& other) const {
    return left == other.left && top == other.top && width == other.width && height == other.height;
  }
};

// The box whose edges at 96 DPI are given, with its edges scaled as the page scales its own.
Box Scaled(const DisplayScale& scale, int left, int top, int right, int bottom) {
  return {scale.Px(left), scale.Px(top), scale.Px(right) - scale.Px(left), scale.Px(bottom) - scale.Px(top)};
}

std::ostream& operator<<(std::ostream& out, const Box& box) {
  return out << "(" << box.left << "," << box.top << ") " << box.width << " x " << box.height;
}

// Where `child` is in its parent's client area.
Box PlaceOf(HWND child) {
  RECT rect = {};
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
  return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

Box FrameOf(HWND window) {
  RECT rect = {};
  GetWindowRect(window, &rect);
  return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

LONG FontHeight(HWND control) {
  LOGFONTW font = {};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof font, &font);
  return font.lfHeight;
}

void MoveToDpi(HWND window, int dpi, const Box& frame) {
  RECT suggested = {frame.left, frame.top, frame.left + frame.width, frame.top + frame.height};
  SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
}

// 120 DPI rounds halves (the container's bottom, 606 * 1.25 = 757.5); 96 at the end is the way
// back.
const int kDpis[] = {120, 144, 192, 96};

TEST(HarnessDpiChange, TheHostTakesTheSuggestedFrameAndScalesItsTabsContainerAndPage) {
  EventLog log;
  CHostWindow host(log);
  ASSERT_TRUE(host.Create(0, 0));
  HWND page = CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, host.Container(), nullptr,
                              nullptr, nullptr);
  host.SetPage(page);
  LOGFONTW gui = {};
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof gui, &gui);
  const wchar_t* const tabs[] = {L"Phone", L"Applications", L"Games", L"Music", L"Novels"};

  for (const int dpi : kDpis) {
    SCOPED_TRACE(dpi);
    const DisplayScale scale = DisplayScale::ForDpi(dpi);
    const Box suggested = {dpi, dpi / 2, 500 + dpi, 300 + dpi};  // within the 1024 x 768 desktop
    MoveToDpi(host.Hwnd(), dpi, suggested);
    EXPECT_EQ(FrameOf(host.Hwnd()), suggested);
    EXPECT_EQ(host.Dpi(), dpi);
    const Box container = Scaled(scale, 0, 36, 800, 606);
    EXPECT_EQ(PlaceOf(host.Container()), container);
    EXPECT_EQ(PlaceOf(page), (Box{0, 0, container.width, container.height}));
    for (int i = 0; i < 5; ++i) {
      HWND tab = FindWindowExW(host.Hwnd(), nullptr, L"Button", tabs[i]);
      ASSERT_NE(tab, nullptr) << i;
      EXPECT_EQ(PlaceOf(tab), Scaled(scale, 6 + 92 * i, 6, 6 + 92 * i + 88, 30)) << i;
      EXPECT_EQ(FontHeight(tab), -scale.Px(-gui.lfHeight)) << i;
    }
  }
  DestroyWindow(host.Hwnd());
}

TEST(HarnessDpiChange, TheControlPanelTakesTheSuggestedFrameAndScalesItsControls) {
  EventLog log;
  CPhoneService service(log, nullptr);
  ASSERT_TRUE(service.Start(0, 0, 216, 760));
  HWND panel = service.Hwnd();
  HWND send = FindWindowExW(panel, nullptr, L"Button", L"Send record");
  ASSERT_NE(send, nullptr);
  NONCLIENTMETRICSW metrics = {};
  metrics.cbSize = sizeof metrics;
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0));
  // The state's row and one per field, then the button.
  const int sendTop = 6 + 24 * static_cast<int>(1 + kRecordFieldCount) + 4;

  for (const int dpi : kDpis) {
    SCOPED_TRACE(dpi);
    const DisplayScale scale = DisplayScale::ForDpi(dpi);
    const Box suggested = {dpi, dpi / 2, scale.Px(216), 400 + dpi};
    MoveToDpi(panel, dpi, suggested);
    EXPECT_EQ(FrameOf(panel), suggested);
    RECT client = {};
    GetClientRect(panel, &client);
    // Its right edge follows the window's.
    const int top = scale.Px(sendTop);
    EXPECT_EQ(PlaceOf(send), (Box{scale.Px(6), top, client.right - 2 * scale.Px(6), scale.Px(sendTop + 26) - top}));
    EXPECT_EQ(FontHeight(send), -scale.Px(-metrics.lfMessageFont.lfHeight));
  }
  service.Stop();
}

}  // namespace
