#include "controls/vin_button.h"

#include <algorithm>
#include <cstdint>
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
  for (int look = 0; look < kLooks; ++look) {
    captioned_[look].Release();
    captionTried_[look] = false;
  }
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

const CxImage* CVinButton::CaptionedFrame(int look, CxImage& frame) {
  if (look < 0 || look >= kLooks) return nullptr;
  if (!captionTried_[look]) {
    captionTried_[look] = true;
    if (!WriteCaption(frame, captioned_[look])) captioned_[look].Release();
  }
  return captioned_[look].IsValid() ? &captioned_[look] : nullptr;
}

// The caption is drawn as Draw would, onto the frame's own colours in a section of the frame's
// size; every pixel it changed must be an opaque one of the frame, as must the box the caption
// is centred in (with a margin), and the frame must be drawn at its own size.
bool CVinButton::WriteCaption(CxImage& frame, CxImage& captioned) const {
  const ImageView view = frame.View();
  const int width = view.width;
  const int height = view.height;
  if (!frame.IsValid() || text_.empty() || font_ == nullptr || font_->Get() == nullptr || view.bitsPerPixel != 24 ||
      view.alpha == nullptr || view.alphaMax != 255 || view.alphaPaletteEnabled || view.transparencyIndex >= 0 ||
      width != rect.right - rect.left || height != rect.bottom - rect.top) {
    return false;
  }
  ScopedMemoryDC dc(nullptr);
  const BITMAPINFO info = BottomUpDibInfo(width, height, 32);
  void* bits = nullptr;
  ScopedBitmap section(dc.Get() != nullptr ? CreateDIBSection(dc.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0)
                                           : nullptr);
  if (!section || bits == nullptr) return false;
  ScopedSelect selected(dc.Get(), section.Get());
  auto* pixels = static_cast<uint8_t*>(bits);  // rows bottom-up, as the frame's
  const auto pixel = [&](int x, int row) { return pixels + (static_cast<size_t>(row) * width + x) * 4; };
  const auto colour = [&](int x, int row) { return view.bits + static_cast<size_t>(row) * view.stride + x * 3; };
  for (int row = 0; row < height; ++row) {
    for (int x = 0; x < width; ++x) {
      uint8_t* to = pixel(x, row);
      const uint8_t* from = colour(x, row);
      to[0] = from[0];
      to[1] = from[1];
      to[2] = from[2];
      to[3] = 0;
    }
  }
  RECT box = {0, 0, 1, 1};
  {
    ScopedSelect font(dc.Get(), font_->Get());
    SetBkMode(dc.Get(), TRANSPARENT);
    SetTextColor(dc.Get(), textColor_);
    DrawTextW(dc.Get(), text_.c_str(), -1, &box, DT_CALCRECT | DT_SINGLELINE);
    RECT textRect = textRect_;
    OffsetRect(&textRect, -rect.left, -rect.top);
    // Where DrawText centres the caption, whatever its rounding.
    const int left = textRect.left + (textRect.right - textRect.left - box.right) / 2;
    const int top = textRect.top + (textRect.bottom - textRect.top - box.bottom) / 2;
    box = RECT{left - 2, top - 2, left + box.right + 2, top + box.bottom + 2};
    IntersectRect(&box, &box, &textRect);
    DrawTextW(dc.Get(), text_.c_str(), -1, &textRect, kCaptionFormat);
  }
  GdiFlush();
  const auto opaque = [&](int x, int row) { return view.alpha[static_cast<size_t>(row) * width + x] == 255; };
  for (int y = std::max(0, static_cast<int>(box.top)); y < std::min(height, static_cast<int>(box.bottom)); ++y) {
    for (int x = std::max(0, static_cast<int>(box.left)); x < std::min(width, static_cast<int>(box.right)); ++x) {
      if (!opaque(x, height - 1 - y)) return false;
    }
  }
  if (!frame.CropInto(0, 0, width, height, &captioned)) return false;
  uint8_t* out = captioned.Bits();
  const int outStride = static_cast<int>(captioned.EffectiveWidth());
  for (int row = 0; row < height; ++row) {
    for (int x = 0; x < width; ++x) {
      const uint8_t* drawn = pixel(x, row);
      const uint8_t* was = colour(x, row);
      if (drawn[0] == was[0] && drawn[1] == was[1] && drawn[2] == was[2]) continue;
      if (!opaque(x, row)) return false;
      uint8_t* to = out + static_cast<size_t>(row) * outStride + x * 3;
      to[0] = drawn[0];
      to[1] = drawn[1];
      to[2] = drawn[2];
    }
  }
  return true;
}

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
  CxImage& frame = look == ButtonPress::Look::Pressed ? pressedFrame_
                   : look == ButtonPress::Look::Hover ? hoverFrame_
                                                      : normalFrame_;
  if (const CxImage* captioned = CaptionedFrame(static_cast<int>(look), frame)) {
    captioned->DrawInRect(dc, rect);
    return;
  }
  if (frame.IsValid()) frame.DrawInRect(dc, rect);

  ScopedSaveDC saved(dc);
  ScopedSelect font(dc, font_ != nullptr ? font_->Get() : nullptr);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, textColor_);
  RECT textRect = textRect_;
  DrawTextW(dc, text_.c_str(), -1, &textRect, kCaptionFormat);
}

void CVinButton::Destroy() { DestroyControlTooltip(tooltip_); }
