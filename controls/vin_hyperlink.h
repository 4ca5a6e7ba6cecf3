// One line of text that acts as a link: it takes the size of its text, shows the hand cursor
// while hovered or pressed, a tooltip while hovered, and sends WM_COMMAND with its id when
// released exactly where it was pressed.
#pragma once

#include <windows.h>

#include <string>

#include "controls/vin_control.h"
#include "util/scoped_gdi.h"

class CVinHyperLink : public CVinControl {
 public:
  enum LinkState : int { kNormal = 0, kHovered = 1, kPressed = 2 };

  CVinHyperLink() = default;
  ~CVinHyperLink() override;
  CVinHyperLink(const CVinHyperLink&) = delete;
  CVinHyperLink& operator=(const CVinHyperLink&) = delete;

  // Keeps the owner in a field of its own; the base's `owner` stays null.
  BOOL Create(HWND owner, UINT id) override;
  // The link's words, tooltip and colour. The low byte of `underline` is the drawing font's
  // underline attribute.
  virtual BOOL Create(HWND owner, UINT id, const wchar_t* text, const wchar_t* tipText, COLORREF textColor,
                      BOOL underline);
  // Sets `rect` to the text's extent from the left and top of `rect`, measured with `font` in
  // the owner's context. Called again when the owner's layout changes.
  void Place(const RECT& rect, const DisplayScale& scale, SharedFont font);

  BOOL RelayEvent(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnMouseMove(UINT keyFlags, int x, int y) override;
  void OnLButtonDown(UINT keyFlags, int x, int y) override;
  void OnLButtonUp(UINT keyFlags, int x, int y) override;
  void Draw(HDC dc) override;
  BOOL OnSetCursor(HWND window, UINT hitTest, UINT mouseMessage) override;
  void Destroy() override;

  int State() const { return state_; }
  HWND LinkOwner() const { return linkOwner_; }
  HWND TooltipWindow() const { return tooltip_; }

 private:
  void SetState(int state);
  POINT ToScreen(int x, int y) const;

  int state_ = kNormal;
  std::wstring text_;
  HWND linkOwner_ = nullptr;
  SharedFont font_;
  COLORREF textColor_ = 0;
  BOOL underline_ = FALSE;
  HWND tooltip_ = nullptr;
  bool toolAdded_ = false;  // the tooltip keeps every tool it is given, duplicates too
  std::wstring tipText_;
  POINT pressPoint_ = {0, 0};
};
