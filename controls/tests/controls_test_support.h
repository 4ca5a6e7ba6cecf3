// What the control tests share: a host window that routes messages the way the page does and
// records what its controls send it, fonts, and the colours of the test pictures
// (data/make_controls_pngs.py). They draw on a DibCanvas of the page's own layout, BottomUp24.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <ostream>
#include <vector>

#include "controls/vin_wnd.h"
#include "testing/dib_canvas.h"
#include "util/scoped_gdi.h"

// 0xRRGGBB, as DibCanvas::Pixel reports them.
namespace test_color {
constexpr uint32_t kBackground = 0xF8F6F4;
constexpr uint32_t kNormal = 0xC03030;
constexpr uint32_t kHover = 0x30C030;
constexpr uint32_t kPressed = 0x3030C0;
constexpr uint32_t kFourth = 0xC0C030;
constexpr uint32_t kSpare = 0xC030C0;
constexpr uint32_t kTrackLeft = 0x102030;
constexpr uint32_t kTrackMiddle = 0x112131;
constexpr uint32_t kTrackRight = 0x122232;
constexpr uint32_t kFillLeft = 0x405060;
constexpr uint32_t kFillMiddle = 0x415161;
constexpr uint32_t kFillRight = 0x425262;
constexpr uint32_t kGlow = 0x206020;
constexpr uint32_t kBody = 0x505070;
constexpr uint32_t kIcon = 0x902060;
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kBlack = 0x000000;
// Column c of the battery's level bar.
constexpr uint32_t LevelColumn(int c) { return static_cast<uint32_t>(100 + c) << 16 | 0x2850; }
}  // namespace test_color

// A hidden window standing in for the page: CVinWnd's dispatch first, then its own entries,
// which record WM_COMMAND and WM_PAINT.
class ControlTestHost : public CVinWnd {
 public:
  struct Command {
    WPARAM wParam;
    LPARAM lParam;
  };

  ControlTestHost();
  ~ControlTestHost() override;
  HWND Hwnd() const { return CVinWnd::Hwnd(); }

  LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam);
  void Move(int x, int y) { Send(WM_MOUSEMOVE, 0, MAKELPARAM(x, y)); }
  void Down(int x, int y) { Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y)); }
  void Up(int x, int y) { Send(WM_LBUTTONUP, 0, MAKELPARAM(x, y)); }
  void DoubleClick(int x, int y) { Send(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(x, y)); }
  void Leave() { Send(WM_MOUSELEAVE, 0, 0); }
  // WM_SETCURSOR as the system sends it while the pointer moves over the client area.
  LRESULT AskCursor();
  // Dispatches the WM_PAINT messages waiting for this window and counts them.
  int TakePaints();

  BOOL ProcessWindowMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result,
                            DWORD mapId) override;

  std::vector<Command> commands;
  std::function<void(WPARAM)> onCommand;

 private:
  int paints_ = 0;
};

// A plain hidden window of the test, for a second party that takes the capture.
class OtherWindow {
 public:
  OtherWindow();
  ~OtherWindow();
  OtherWindow(const OtherWindow&) = delete;
  OtherWindow& operator=(const OtherWindow&) = delete;
  HWND Hwnd() const { return hwnd_; }

 private:
  HWND hwnd_;
};

// "Tahoma" in GB2312 like the page's fonts, but without antialiasing, so text pixels are
// exactly the text colour.
ScopedFont MakeTestFont(int height, bool bold);
// Width of `text` measured as the controls measure it (DT_CALCRECT from (0, 0, 1, 1)).
int TextWidth(HFONT font, const wchar_t* text);
bool CursorIs(const wchar_t* id);
bool operator==(const RECT& a, const RECT& b);
void PrintTo(const RECT& rect, std::ostream* out);
