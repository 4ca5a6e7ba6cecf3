// The page's keyboard focus: Tab, Shift+Tab and the arrows move it over the elements a click
// acts on (the linked tiles and the buttons, in reading order, wrapping around); Enter and
// Space do what a click does. The focus rectangle shows only after the keyboard was used.
#pragma once

#include <windows.h>

#include "page/page_window.h"

class CPageKeyboard {
 public:
  explicit CPageKeyboard(IPageWindow& page) : page_(page) {}
  CPageKeyboard(const CPageKeyboard&) = delete;
  CPageKeyboard& operator=(const CPageKeyboard&) = delete;

  LRESULT OnGetDlgCode(const MSG* message);
  // False for keys the page leaves to the default procedure.
  bool OnKeyDown(WPARAM key, LPARAM flags);
  void OnFocusChanged(bool gained);
  void OnUpdateUiState(WPARAM wParam);
  LRESULT QueryUiState() const;
  // A click gives the page the focus, and the element clicked on the keyboard focus.
  void OnLButtonDown(LPARAM point);
  // After a new record, before the view's change is announced: a focused element that is
  // no longer shown loses the focus. True when that is to be announced (AnnounceFocus) after
  // the view's change.
  bool OnViewChanged();
  // Tells a screen reader where the focus is, while the page has it.
  void AnnounceFocus();
  // Over the finished page, only while keyboard cues are on and the page has the focus.
  void DrawFocus(HDC dc);

  // Command id of the focused element; 0 when the focus is on the page itself.
  UINT Focused() const { return focused_; }
  bool HasFocus() const { return hasFocus_; }
  bool CuesShown() const { return cuesShown_; }
  // Moves the keyboard focus to the element with `commandId` and the window focus to the
  // page; false when no such element is shown.
  bool TakeFocus(UINT commandId);

 private:
  bool MoveFocus(int step);
  bool Activate();
  HWND Hwnd() const { return page_.Window().Hwnd(); }
  void SetFocused(UINT commandId);
  void ShowCues();
  // Only while the rectangle shows.
  void InvalidateFocus();
  void InvalidateFocusAlways();

  IPageWindow& page_;
  UINT focused_ = 0;
  bool hasFocus_ = false;
  bool cuesShown_ = false;  // hidden until the first Tab, or until the host shows them
};
