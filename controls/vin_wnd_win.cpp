#include "controls/vin_wnd.h"

#include <commctrl.h>

#include "util/page_messages.h"

namespace {

constexpr UINT kFirstMouseMessage = 0x0200;
constexpr UINT kLastMouseMessage = 0x020E;

short Clamped(LONG value) { return static_cast<short>(value < -32768 ? -32768 : (value > 32767 ? 32767 : value)); }

int SignedLow(LPARAM lParam) { return static_cast<short>(LOWORD(lParam)); }
int SignedHigh(LPARAM lParam) { return static_cast<short>(HIWORD(lParam)); }

}  // namespace

void RequestControlRepaint(HWND owner, const RECT& rect) {
  if (owner == nullptr) return;
  const WPARAM topLeft = MAKEWPARAM(Clamped(rect.left), Clamped(rect.top));
  const LPARAM bottomRight = MAKELPARAM(Clamped(rect.right), Clamped(rect.bottom));
  if (SendMessageW(owner, WM_CONTROL_REPAINT, topLeft, bottomRight) == 0) InvalidateRect(owner, &rect, FALSE);
}

void CVinWnd::InvalidateArea(const RECT* rect) {
  if (Hwnd() != nullptr) InvalidateRect(Hwnd(), rect, FALSE);
}

void CVinWnd::AddControl(IVinControl* control) {
  if (walkDepth_ > 0) {
    pendingAdds_.push_back(control);
    return;
  }
  controls_.push_back(control);
}

void CVinWnd::ClearControls() {
  if (walkDepth_ > 0) {
    clearPending_ = true;
    pendingAdds_.clear();
    return;
  }
  controls_.clear();
}

template <typename Visit>
void CVinWnd::ForEachVisible(Visit visit) {
  ForEach(true, visit);
}

template <typename Visit>
void CVinWnd::ForEach(bool visibleOnly, Visit visit) {
  const Watch watch(*this);
  ++walkDepth_;
  for (IVinControl* control : controls_) {
    if (visibleOnly && !static_cast<CVinControl*>(control)->visible) continue;
    if (visit(control)) break;
    // A control's notification may have destroyed the window; its controls are done with.
    if (watch.Gone()) break;
  }
  if (--walkDepth_ > 0) return;
  if (clearPending_) {
    controls_.clear();
    clearPending_ = false;
  }
  controls_.insert(controls_.end(), pendingAdds_.begin(), pendingAdds_.end());
  pendingAdds_.clear();
}

void CVinWnd::DrawControls(HDC dc) {
  ForEachVisible([dc](IVinControl* control) {
    control->Draw(dc);
    return false;
  });
}

void CVinWnd::DrawControls(HDC dc, const RECT& area) {
  ForEachVisible([dc, &area](IVinControl* control) {
    const RECT reach = control->Reach(dc);
    RECT meet;
    if (IntersectRect(&meet, &reach, &area)) control->Draw(dc);
    return false;
  });
}

void CVinWnd::RequestLeaveNotification() {
  TRACKMOUSEEVENT request = {};
  request.cbSize = sizeof request;
  request.dwFlags = TME_LEAVE;
  request.hwndTrack = Hwnd();
  request.dwHoverTime = 0;
  leaveTrackingArmed_ = _TrackMouseEvent(&request);
}

BOOL CVinWnd::ProcessWindowMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result, DWORD mapId) {
  if (mapId != 0) return FALSE;
  // A message sent while a handler runs must not disturb the outer message's flag.
  const BOOL savedHandled = handled_;
  const HWND window = Hwnd();
  const BOOL handled = Dispatch(message, wParam, lParam, result);
  handled_ = savedHandled;
  if (Hwnd() != window) {
    // Gone during the walk: the deriving window must not go on with this message.
    result = 0;
    return TRUE;
  }
  return handled;
}

BOOL CVinWnd::Dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  const UINT keys = static_cast<UINT>(wParam);
  const int x = SignedLow(lParam);
  const int y = SignedHigh(lParam);
  result = 0;

  if (message >= kFirstMouseMessage && message <= kLastMouseMessage) {
    const HWND window = Hwnd();
    // Hidden controls too: a tooltip needs every mouse message.
    ForEach(false, [&](IVinControl* c) {
      c->RelayEvent(message, wParam, lParam);
      return false;
    });
    if (Hwnd() != window) return FALSE;
  }

  handled_ = TRUE;
  switch (message) {
    case WM_MOUSEMOVE:
      if (!leaveTrackingArmed_) RequestLeaveNotification();
      ForEachVisible([&](IVinControl* c) {
        c->OnMouseMove(keys, x, y);
        return false;
      });
      handled_ = FALSE;
      break;
    case WM_MOUSELEAVE:
      ForEachVisible([](IVinControl* c) {
        c->OnMouseLeave();
        return false;
      });
      leaveTrackingArmed_ = FALSE;
      handled_ = FALSE;
      break;
    case WM_MOUSEHOVER:
    case WM_RBUTTONUP:
      handled_ = FALSE;
      break;
    case WM_LBUTTONDOWN:
      ForEachVisible([&](IVinControl* c) {
        c->OnLButtonDown(keys, x, y);
        return false;
      });
      handled_ = FALSE;
      break;
    case WM_LBUTTONUP:
      ForEachVisible([&](IVinControl* c) {
        c->OnLButtonUp(keys, x, y);
        return false;
      });
      handled_ = FALSE;
      break;
    case WM_LBUTTONDBLCLK:
      ForEachVisible([&](IVinControl* c) {
        c->OnLButtonDblClk(keys, x, y);
        return false;
      });
      break;
    case WM_SETCURSOR: {
      bool claimed = false;
      ForEachVisible([&](IVinControl* c) {
        claimed = c->OnSetCursor(reinterpret_cast<HWND>(wParam), LOWORD(lParam), HIWORD(lParam));
        return claimed;
      });
      result = claimed ? 1 : DefaultProc(message, wParam, lParam);
      break;
    }
    case WM_CONTROL_HOST_PRIVATE:
      result = 1;
      break;
    case WM_CONTROL_REPAINT: {
      const RECT rect = {SignedLow(static_cast<LPARAM>(wParam)), SignedHigh(static_cast<LPARAM>(wParam)),
                         SignedLow(lParam), SignedHigh(lParam)};
      InvalidateArea(&rect);
      result = 1;
      break;
    }
    case WM_CAPTURECHANGED:
      ForEachVisible([&](IVinControl* c) {
        c->OnCaptureChanged(reinterpret_cast<HWND>(lParam));
        return false;
      });
      break;
    case WM_DESTROY:
      ForEachVisible([](IVinControl* c) {
        c->Destroy();
        return false;
      });
      ClearControls();
      break;
    default:
      handled_ = FALSE;
      break;
  }
  if (!handled_) result = 0;
  return handled_;
}
