// The host stand-in: a main window of the host's class with a row of tabs (the phone page and
// the host's own applications, games, music and novels pages), a line with the last page
// request, and the 800 x 570 container that the page fills.
#pragma once

#include <windows.h>

#include "tools/harness/event_log.h"
#include "tools/harness/pixels.h"

// What the host window shows, and where the page sits in it.
struct HostCapture {
  bool desktop = false;  // the whole screen instead of the host window
  Image image;           // the host window's client area, or the screen
  int pageLeft = 0;
  int pageTop = 0;
  int pageWidth = 0;
  int pageHeight = 0;
  bool ok = false;
};

// Its layout is in pixels at 96 DPI, scaled to the window's DPI; it follows WM_DPICHANGED.
class CHostWindow {
 public:
  static constexpr int kContainerWidth = 800;
  static constexpr int kContainerHeight = 570;
  static constexpr int kTabBarHeight = 36;
  static constexpr wchar_t kTitle[] = L"Mobile manager (harness host)";

  // Sent by the scenario runner from its own thread, so the work happens on the host's.
  static constexpr UINT kCaptureMessage = WM_APP + 1;      // lParam: HostCapture*
  static constexpr UINT kShowPageMessage = WM_APP + 2;     // wParam: page 0 to 4
  static constexpr UINT kCurrentPageMessage = WM_APP + 3;  // result: the page shown
  static constexpr UINT kFinishedMessage = WM_APP + 4;     // wParam: exit code; closes the host

  explicit CHostWindow(EventLog& log) : log_(log) {}
  CHostWindow(const CHostWindow&) = delete;
  CHostWindow& operator=(const CHostWindow&) = delete;

  bool Create(int x, int y);
  HWND Hwnd() const { return hwnd_; }
  HWND Container() const { return container_; }
  int Dpi() const { return dpi_; }
  // The page fills the container, at whatever DPI.
  void SetPage(HWND page);
  // 0 shows the phone page; 1 to 4 one of the host's own.
  void ShowPage(int page);
  int ExitCode() const { return exitCode_; }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnCopyData(WPARAM wParam, const COPYDATASTRUCT* data);
  void Capture(HostCapture& capture);
  void CreateChildren();
  void OnDpiChanged(int dpi, const RECT& suggested);
  // Places every child and sets their font for dpi_.
  void Layout();
  // The page's container at dpi_, below the tab row; the page fills it.
  SIZE ContainerSize() const;
  void PlacePage();
  // A coordinate at 96 DPI at dpi_.
  int Px(int value) const;

  EventLog& log_;
  HWND hwnd_ = nullptr;
  HWND container_ = nullptr;
  HWND page_ = nullptr;
  HWND tabs_[5] = {};
  HWND panels_[5] = {};  // [0] unused: the phone page is the container
  HWND status_ = nullptr;
  HFONT font_ = nullptr;
  int dpi_ = 96;
  int shown_ = 0;
  int exitCode_ = 0;
};
