// A push button drawn from a horizontal strip of PNG frames (normal, hover, pressed) with an
// optional caption. It takes the owner's mouse capture while pressed and sends WM_COMMAND
// with its id when a press is released while it still shows pressed.
#pragma once

#include <windows.h>

#include <string>

#include "controls/button_press.h"
#include "controls/vin_control.h"
#include "imaging/ximage.h"
#include "util/scoped_gdi.h"

class CVinButton : public CVinControl, private IButtonHost {
 public:
  CVinButton() = default;
  ~CVinButton() override;
  CVinButton(const CVinButton&) = delete;
  CVinButton& operator=(const CVinButton&) = delete;

  BOOL Create(HWND owner, UINT id) override;
  // The button's words and picture: a caption, a tooltip window (made only for a non-empty
  // `tipText`) and the strip of PNG resource `imageId`, loaded when it is placed.
  BOOL Create(HWND owner, UINT id, const wchar_t* tipText, const wchar_t* text, UINT imageId);
  // Loads the strip drawn for `scale` and sizes `rect` to one frame; only the left and top of
  // `rect` count once the strip loads. An empty `textRect` means the button itself; the
  // caption is written in `font`. The rectangles are in pixels. Called again when the
  // owner's layout changes.
  void Place(const RECT& rect, const RECT& textRect, const DisplayScale& scale, SharedFont font);

  // Drops a press in progress: the capture goes back and the normal frame returns. For an
  // owner that hides the button while it is held, since a hidden control sees no release.
  void CancelPress();
  // Four frames instead of three; set it before Place.
  void SetFourFrames(BOOL fourFrames) { fourFrame_ = fourFrames; }

  BOOL RelayEvent(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnMouseMove(UINT keyFlags, int x, int y) override;
  void OnMouseLeave() override;
  void OnLButtonDown(UINT keyFlags, int x, int y) override;
  void OnLButtonUp(UINT keyFlags, int x, int y) override;
  void OnLButtonDblClk(UINT keyFlags, int x, int y) override;
  void Draw(HDC dc) override;
  void Destroy() override;
  void OnCaptureChanged(HWND gainingCapture) override;

  BOOL IsCreated() const { return created_; }
  BOOL IsPressed() const { return press_.Pressed(); }
  BOOL IsHovered() const { return press_.Hovered(); }
  BOOL IsCaptured() const { return press_.Captured(); }
  HWND TooltipWindow() const { return tooltip_; }
  const RECT& TextRect() const { return textRect_; }
  const std::wstring& Text() const { return text_; }

 private:
  BOOL Inside(int x, int y);
  // `frame` with the caption written on it, made when first drawn; null when the caption
  // reaches a pixel of the frame that is not opaque, as its pixels then depend on what the
  // button is drawn over.
  const CxImage* CaptionedFrame(int look, CxImage& frame);
  bool WriteCaption(CxImage& frame, CxImage& captioned) const;
  void TakeCapture() override;
  bool HoldsCapture() const override;
  void GiveBackCapture() override;
  void Click() override;
  void Redraw() override;

  CxImage strip_;
  CxImage normalFrame_;
  CxImage hoverFrame_;
  CxImage pressedFrame_;
  // The frames with their caption, so a repaint is one blend; by ButtonPress::Look.
  static constexpr int kLooks = 3;
  CxImage captioned_[kLooks];
  bool captionTried_[kLooks] = {};
  HWND tooltip_ = nullptr;
  std::wstring text_;
  std::wstring tipText_;
  RECT textRect_ = {0, 0, 0, 0};
  COLORREF textColor_ = RGB(0, 0, 0);
  SharedFont font_;
  UINT imageId_ = 0;
  ButtonPress press_{*this};
  BOOL fourFrame_ = FALSE;
  BOOL created_ = FALSE;
};
