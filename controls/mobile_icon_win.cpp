#include "controls/mobile_icon.h"

#include <cwchar>
#include <utility>

#include "controls/window_impl.h"
#include "imaging/draw_base.h"
#include "util/scoped_gdi.h"

namespace {

constexpr UINT kMeasureFormat = DT_CALCRECT | DT_BOTTOM;
constexpr UINT kTextFormat = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS;
const wchar_t kNotAvailableText[] = L"-- ";

}  // namespace

BOOL CMobileIcon::Create(HWND owner, UINT id) {
  this->owner = owner;
  this->id = id;
  return TRUE;
}

BOOL CMobileIcon::Create(HWND owner, UINT id, UINT imageId, const wchar_t* label) {
  CMobileIcon::Create(owner, id);
  imageId_ = imageId;
  label_ = label != nullptr ? label : L"";
  SetCount(count_);
  return TRUE;
}

void CMobileIcon::Place(const RECT& rect, const DisplayScale& scale, SharedFont font) {
  this->rect = rect;
  this->scale = scale;
  font_ = std::move(font);
  icon_.SetResource(imageId_, scale);
}

void CMobileIcon::SetCount(int count) {
  count_ = count;
  swprintf(number_, sizeof number_ / sizeof number_[0], L"%d", count_);
  line_.assign(number_);
  line_ += label_;
}

RECT CMobileIcon::IconBox() const {
  const CxImage& icon = icon_.Get();
  const int width = static_cast<int>(icon.Width());
  const int height = static_cast<int>(icon.Height());
  // Signed, so an icon wider than its tile overhangs both sides instead of flying off.
  const int inset = (rect.right - rect.left - width) / 2;
  return RECT{rect.left + inset, rect.top, rect.right - inset, rect.top + height};
}

RECT CMobileIcon::TextBand() const {
  return RECT{rect.left, rect.bottom - static_cast<int>(icon_.Get().Height()), rect.right, rect.bottom};
}

void CMobileIcon::OnMouseMove(UINT, int x, int y) {
  const RECT box = IconBox();
  hover_ = PtInRect(&box, POINT{x, y});
}

void CMobileIcon::OnLButtonUp(UINT, int x, int y) {
  // Presses are not tracked: any release over the icon counts.
  const RECT box = IconBox();
  if (!PtInRect(&box, POINT{x, y}) || owner == nullptr) return;
  SendMessageW(owner, WM_COMMAND, MAKEWPARAM(LOWORD(id), 0), 0);
}

BOOL CMobileIcon::OnSetCursor(HWND, UINT, UINT) {
  if (hover_) {
    SetCursor(LoadCursorW(nullptr, IDC_HAND));
    return TRUE;
  }
  SetCursor(LoadCursorW(nullptr, IDC_ARROW));
  return FALSE;
}

int CMobileIcon::TextWidth(HDC dc, const wchar_t* text) const {
  ScopedSaveDC saved(dc);
  ScopedSelect selected(dc, font_ != nullptr ? font_->Get() : nullptr);
  RECT extent = {0, 0, 1, 1};
  DrawTextW(dc, text, -1, &extent, kMeasureFormat);
  return extent.right - extent.left;
}

void CMobileIcon::DrawPart(HDC dc, const wchar_t* text, const RECT& box, COLORREF color) const {
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, color);
  if (font_ != nullptr && font_->Get() != nullptr) SelectObject(dc, font_->Get());
  RECT shown = box;
  DrawTextW(dc, text, -1, &shown, kTextFormat);
}

void CMobileIcon::Draw(HDC dc) {
  const CxImage& icon = icon_.Get();
  if (icon.IsValid()) icon.DrawInRect(dc, IconBox());

  // The line is centred as "<count><label>" even when the count shows as "-- ".
  const int combinedWidth = TextWidth(dc, line_.c_str());
  RECT box = TextBand();
  // Signed: a line wider than the tile reaches past both its edges.
  box.left += (rect.right - rect.left - combinedWidth) / 2;

  const wchar_t* numberText = count_ == kNotAvailable ? kNotAvailableText : number_;
  box.right = box.left + TextWidth(dc, numberText);
  DrawPart(dc, numberText, box, kCountColor);

  box.left = box.right;
  box.right = box.left + TextWidth(dc, label_.c_str());
  DrawPart(dc, label_.c_str(), box, kLabelColor);
}
