// The control host sits in front of the page: which messages it routes to which controls,
// which it keeps from the page, and that its list holds still while it is being walked.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "page/mobile_info_wnd.h"
#include "testing/dib_canvas.h"
#include "testing/in_process_page_test.h"
#include "testing/test_support.h"

namespace {

// A control that writes down every operation the host calls on it.
class RecordingControl : public CVinControl {
 public:
  explicit RecordingControl(std::vector<std::string>* log, const char* name) : log_(log), name_(name) {}

  BOOL RelayEvent(UINT, WPARAM, LPARAM) override { return Note("relay"), TRUE; }
  void OnMouseMove(UINT, int x, int y) override { Note("move " + std::to_string(x) + "," + std::to_string(y)); }
  void OnMouseLeave() override { Note("leave"); }
  void OnLButtonDown(UINT, int, int) override { Note("down"); }
  void OnLButtonUp(UINT, int, int) override {
    Note("up");
    if (onUp) onUp();
  }
  void OnLButtonDblClk(UINT, int, int) override { Note("dblclk"); }
  void Draw(HDC) override { Note("draw"); }
  RECT Reach(HDC) override { return {0, 0, 800, 570}; }  // the whole page: never skipped
  BOOL OnSetCursor(HWND, UINT, UINT) override { return Note("cursor"), claimCursor; }
  void Destroy() override { Note("destroy"); }
  void OnCaptureChanged(HWND) override { Note("capture"); }

  BOOL claimCursor = FALSE;
  std::function<void()> onUp;

 private:
  void Note(const std::string& what) { log_->push_back(name_ + " " + what); }
  std::vector<std::string>* log_;
  std::string name_;
};

class ControlHostTest : public InProcessPageTest<> {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(OpenPage());
    page->AddControl(&first);
    page->AddControl(&second);
  }
  LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    log.clear();
    return SendMessageW(page->Hwnd(), message, wParam, lParam);
  }

  std::vector<std::string> log;
  RecordingControl first{&log, "first"};
  RecordingControl second{&log, "second"};
};

TEST_F(ControlHostTest, MouseMessagesReachEveryVisibleControlAndHiddenOnesOnlyAsRelay) {
  second.visible = FALSE;
  Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 20));
  EXPECT_EQ(log, (std::vector<std::string>{"first relay", "second relay", "first down"}));

  // Coordinates are signed 16-bit values.
  Send(WM_MOUSEMOVE, 0, MAKELPARAM(-5, 0xFFFE));
  EXPECT_EQ(log, (std::vector<std::string>{"first relay", "second relay", "first move -5,-2"}));
}

TEST_F(ControlHostTest, HandledMessagesStopAtTheHost) {
  EXPECT_EQ(Send(WM_USER + 2), 1);
  EXPECT_EQ(Send(WM_LBUTTONDBLCLK, 0, MAKELPARAM(1, 1)), 0);
  EXPECT_EQ(log, (std::vector<std::string>{"first relay", "second relay", "first dblclk", "second dblclk"}));
  Send(WM_CAPTURECHANGED);
  EXPECT_EQ(log, (std::vector<std::string>{"first capture", "second capture"}));
}

TEST_F(ControlHostTest, TheFirstControlThatSetsTheCursorEndsTheWalk) {
  first.claimCursor = TRUE;
  EXPECT_EQ(Send(WM_SETCURSOR, reinterpret_cast<WPARAM>(page->Hwnd()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), 1);
  EXPECT_EQ(log, (std::vector<std::string>{"first cursor"}));
  first.claimCursor = FALSE;
  Send(WM_SETCURSOR, reinterpret_cast<WPARAM>(page->Hwnd()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(log, (std::vector<std::string>{"first cursor", "second cursor"}));
}

TEST_F(ControlHostTest, VisibleControlsAreDrawnInListOrderAfterTheView) {
  second.visible = FALSE;
  DibCanvas canvas(800, 570);
  Send(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT);
  EXPECT_EQ(log, (std::vector<std::string>{"first draw"}));
}

TEST_F(ControlHostTest, AControlAddedDuringAWalkJoinsAfterIt) {
  std::vector<std::string> lateLog;
  RecordingControl late(&lateLog, "late");
  const size_t before = page->ControlCount();
  first.onUp = [&] { page->AddControl(&late); };
  Send(WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
  EXPECT_TRUE(lateLog.empty());
  EXPECT_EQ(page->ControlCount(), before + 1);
  first.onUp = nullptr;
  Send(WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
  EXPECT_EQ(lateLog, (std::vector<std::string>{"late relay", "late up"}));
}

TEST_F(ControlHostTest, DestroyReachesVisibleControlsAndEmptiesTheList) {
  second.visible = FALSE;
  log.clear();
  DestroyWindow(page->Hwnd());
  EXPECT_EQ(log, (std::vector<std::string>{"first destroy"}));
  EXPECT_EQ(page->ControlCount(), 0u);
}

}  // namespace
