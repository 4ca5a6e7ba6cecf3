// Windowless controls: objects that live in one host window (CVinWnd), paint into its device
// context and react to the mouse messages it routes to them.
#pragma once

#include <windows.h>

#include "util/display_scale.h"

// The operations the host calls, in slot order.
class IVinControl {
 public:
  virtual BOOL Create(HWND owner, UINT id) = 0;
  virtual BOOL RelayEvent(UINT message, WPARAM wParam, LPARAM lParam) = 0;
  virtual void OnMouseMove(UINT keyFlags, int x, int y) = 0;
  virtual void OnMouseLeave() = 0;
  virtual void OnLButtonDown(UINT keyFlags, int x, int y) = 0;
  virtual void OnLButtonUp(UINT keyFlags, int x, int y) = 0;
  virtual void OnLButtonDblClk(UINT keyFlags, int x, int y) = 0;
  virtual void Draw(HDC dc) = 0;
  virtual BOOL OnSetCursor(HWND window, UINT hitTest, UINT mouseMessage) = 0;
  virtual void Destroy() = 0;
  virtual void OnCaptureChanged(HWND gainingCapture) = 0;
  virtual BOOL HitTest(POINT point) = 0;
  // Where Draw may put pixels: the control's rectangle, or more where it overhangs it.
  // `measure` is a context text can be measured in.
  virtual RECT Reach(HDC measure) = 0;
  virtual ~IVinControl() = default;
};

// Common fields and do-nothing defaults.
class CVinControl : public IVinControl {
 public:
  BOOL Create(HWND, UINT) override { return TRUE; }
  BOOL RelayEvent(UINT, WPARAM, LPARAM) override { return TRUE; }
  void OnMouseMove(UINT, int, int) override {}
  void OnMouseLeave() override {}
  void OnLButtonDown(UINT, int, int) override {}
  void OnLButtonUp(UINT, int, int) override {}
  void OnLButtonDblClk(UINT, int, int) override {}
  void Draw(HDC) override {}
  BOOL OnSetCursor(HWND, UINT, UINT) override { return FALSE; }
  void Destroy() override { owner = nullptr; }
  void OnCaptureChanged(HWND) override {}
  BOOL HitTest(POINT point) override { return PtInRect(&rect, point); }
  RECT Reach(HDC) override { return rect; }

  HWND owner = nullptr;  // receives notifications, invalidations and the mouse capture
  UINT id = 0;           // its low 16 bits go out with WM_COMMAND
  BOOL visible = TRUE;   // hidden controls get only RelayEvent and are not drawn
  RECT rect = {0, 0, 0, 0};
  DisplayScale scale;  // what the owner lays it out at; the control's own lengths follow it
};
