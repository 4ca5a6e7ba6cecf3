#include "controls/vin_button.h"

#include <utility>

#include <commctrl.h>

#include "controls/control_tooltip.h"
#include "controls/vin_wnd.h"
#include "controls/window_impl.h"
#include "imaging/draw_base.h"
#include "util/scoped_gdi.h"

namespace {

constexpr UINT kCaptionFormat = DT_SINGLELINE | DT_VCENTER | DT_CENTER;

}  // namespace

CVinButton::~CVinButton() { DestroyControlTooltip(tooltip_); }

BOOL CVinButton::Create(HWND owner, UINT id) {
  this->owner = owner;
  this->id = id;
  created_ = TRUE;
  return TRUE;
}

BOOL CVinButton::Create(HWND owner, UINT id, const wchar_t* tipText, const wchar_t* text, UINT imageId) {
  CVinButton::Create(owner, id);
  text_ = text != nullptr ? text : L"";
  tipText_ = tipText != nullptr ? tipText : L"";
  DestroyControlTooltip(tooltip_);
  if (!tipText_.empty()) tooltip_ = CreateControlTooltip(owner);
  imageId_ = imageId;
  textColor_ = RGB(0, 0, 0);
  return TRUE;
}

void CVinButton::Place(const RECT& rect, const RECT& textRect, const DisplayScale& scale, SharedFont font) {
  this->rect = rect;
  this->scale = scale;
  textRect_ = textRect;
  font_ = std::move(font);

  strip_.Release();
  normalFrame_.Release();
  hoverFrame_.Release();
  pressedFrame_.Release();
  LoadPngResource(strip_, imageId_, CWindowModule::Instance(), scale);
  const int frameWidth = static_cast<int>(strip_.Width() / (fourFrame_ ? 4 : 3));
  const int frameHeight = static_cast<int>(strip_.Height());
  strip_.CropInto(0, 0, frameWidth, frameHeight, &normalFrame_);
  strip_.CropInto(frameWidth, 0, 2 * frameWidth, frameHeight, &hoverFrame_);
  strip_.CropInto(2 * frameWidth, 0, 3 * frameWidth, frameHeight, &pressedFrame_);

  if (strip_.IsValid()) {
    this->rect.right = this->rect.left + frameWidth;
    this->rect.bottom = this->rect.top + frameHeight;
  }
  // Also without a picture: a caption in an empty rectangle would be clipped away.
  if (IsRectEmpty(&textRect_)) textRect_ = this->rect;
}

BOOL CVinButton::Inside(int x, int y) { return HitTest(POINT{x, y}); }

void CVinButton::TakeCapture() { SetCapture(owner); }

bool CVinButton::HoldsCapture() const { return owner != nullptr && GetCapture() == owner; }

void CVinButton::GiveBackCapture() { ReleaseCapture(); }

void CVinButton::Click() {
  if (owner != nullptr) SendMessageW(owner, WM_COMMAND, MAKEWPARAM(LOWORD(id), 0), 0);
}

void CVinButton::Redraw() { RequestControlRepaint(owner, rect); }

BOOL CVinButton::RelayEvent(UINT message, WPARAM wParam, LPARAM lParam) {
  RelayToTooltip(tooltip_, owner, message, wParam, lParam);
  return TRUE;
}

void CVinButton::OnMouseMove(UINT, int x, int y) { press_.MouseMove(Inside(x, y) != FALSE); }

void CVinButton::OnMouseLeave() { press_.MouseLeave(); }

void CVinButton::OnLButtonDown(UINT, int x, int y) { press_.ButtonDown(Inside(x, y) != FALSE); }

void CVinButton::OnLButtonDblClk(UINT, int x, int y) { press_.DoubleClick(Inside(x, y) != FALSE); }

void CVinButton::OnLButtonUp(UINT, int, int) { press_.ButtonUp(); }

void CVinButton::CancelPress() { press_.Cancel(); }

void CVinButton::OnCaptureChanged(HWND) { press_.CaptureLost(); }

void CVinButton::Draw(HDC dc) {
  const ButtonPress::Look look = press_.Shown();
  const CxImage& frame = look == ButtonPress::Look::Pressed ? pressedFrame_
                         : look == ButtonPress::Look::Hover ? hoverFrame_
                                                            : normalFrame_;
  if (frame.IsValid()) frame.DrawInRect(dc, rect);

  ScopedSaveDC saved(dc);
  ScopedSelect font(dc, font_ != nullptr ? font_->Get() : nullptr);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, textColor_);
  RECT textRect = textRect_;
  DrawTextW(dc, text_.c_str(), -1, &textRect, kCaptionFormat);
}

void CVinButton::Destroy() { DestroyControlTooltip(tooltip_); }
