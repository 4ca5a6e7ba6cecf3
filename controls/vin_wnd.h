// The window that hosts windowless controls: it keeps them in order, hands them the mouse
// messages, arranges the mouse-leave notification, lets them set the cursor and draws them.
#pragma once

#include <windows.h>

#include <vector>

#include "controls/vin_control.h"
#include "controls/window_impl.h"

// Asks the window that hosts a control to repaint `rect` of its client area: a control host
// hears of it through InvalidateArea, any other window gets a plain invalidation.
void RequestControlRepaint(HWND owner, const RECT& rect);

class CVinWnd : public CWindowImplBase {
 public:
  // Appends without checks; the list holds the pointer, not the control.
  void AddControl(IVinControl* control);
  // Draws the visible controls in list order, so later ones paint over earlier ones.
  void DrawControls(HDC dc);
  // Only those whose reach meets `area`: the others would change no pixel there.
  void DrawControls(HDC dc, const RECT& area);

  // Takes the mouse messages and the few others the host owns; a deriving window calls it
  // first and handles the message itself only when this returns FALSE.
  BOOL ProcessWindowMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result,
                            DWORD mapId) override;

  size_t ControlCount() const { return controls_.size(); }

  // Where the controls' repaints arrive (RequestControlRepaint); null is the whole client
  // area. A host that keeps its picture between paints notes there what changed.
  virtual void InvalidateArea(const RECT* rect);

 private:
  // Visits controls in list order until `visit` returns true.
  template <typename Visit>
  void ForEach(bool visibleOnly, Visit visit);
  template <typename Visit>
  void ForEachVisible(Visit visit);
  BOOL Dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  void ClearControls();
  void RequestLeaveNotification();

  BOOL handled_ = FALSE;
  std::vector<IVinControl*> controls_;
  BOOL leaveTrackingArmed_ = FALSE;

  // A control's notification is handled inside the walk that caused it; changes to the list
  // made meanwhile wait until the outermost walk ends.
  int walkDepth_ = 0;
  bool clearPending_ = false;
  std::vector<IVinControl*> pendingAdds_;
};
