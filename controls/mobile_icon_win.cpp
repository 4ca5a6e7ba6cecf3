#include "controls/mobile_icon.h"

#include <algorithm>
#include <cwchar>
#include <utility>

#include "controls/window_impl.h"
#include "imaging/draw_base.h"
#include "util/scoped_gdi.h"

namespace {

constexpr UINT kMeasureFormat = DT_CALCRECT | DT_BOTTOM;
constexpr UINT kTextFormat = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS;
const wchar_t kNotAvailableText[] = L"-- ";

void WriteNumber(int count, wchar_t (&text)[16]) { swprintf(text, 16, L"%d", count); }

// In the font selected into `dc`.
int TextWidth(HDC dc, const wchar_t* text, int* height = nullptr) {
  RECT extent = {0, 0, 1, 1};
  DrawTextW(dc, text, -1, &extent, kMeasureFormat);
  if (height != nullptr) *height = extent.bottom - extent.top;
  return extent.right - extent.left;
}

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
  for (LineWidths& widths : measured_) widths = LineWidths();
  labelWidth_ = -1;
  SetCount(count_);
  return TRUE;
}

void CMobileIcon::Place(const RECT& rect, const DisplayScale& scale, SharedFont font) {
  this->rect = rect;
  this->scale = scale;
  font_ = std::move(font);
  icon_.SetResource(imageId_, scale);
  for (LineWidths& widths : measured_) widths = LineWidths();
  labelWidth_ = -1;
}

void CMobileIcon::SetCount(int count) {
  count_ = count;
  WriteNumber(count_, number_);
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

void CMobileIcon::DrawPart(HDC dc, const wchar_t* text, const RECT& box, COLORREF color) const {
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, color);
  if (font_ != nullptr && font_->Get() != nullptr) SelectObject(dc, font_->Get());
  RECT shown = box;
  DrawTextW(dc, text, -1, &shown, kTextFormat);
}

const CMobileIcon::LineWidths& CMobileIcon::Measure(int count, HDC dc) {
  if (measured_[0].combined >= 0 && measured_[0].count == count) return measured_[0];
  std::swap(measured_[0], measured_[1]);
  if (measured_[0].combined >= 0 && measured_[0].count == count) return measured_[0];
  // The line is centred as "<count><label>" even when the count shows as "-- ".
  wchar_t number[16];
  WriteNumber(count, number);
  const std::wstring line = number + label_;
  ScopedSaveDC saved(dc);
  SelectObject(dc, font_ != nullptr ? font_->Get() : nullptr);
  if (labelWidth_ < 0) labelWidth_ = TextWidth(dc, label_.c_str());
  LineWidths& widths = measured_[0];
  widths.count = count;
  widths.combined = TextWidth(dc, line.c_str(), &widths.height);
  widths.number = TextWidth(dc, count == kNotAvailable ? kNotAvailableText : number);
  widths.label = labelWidth_;
  return widths;
}

void CMobileIcon::LineBoxes(const LineWidths& widths, RECT& number, RECT& label) const {
  number = TextBand();
  // Signed: a line wider than the tile reaches past both its edges.
  number.left += (rect.right - rect.left - widths.combined) / 2;
  number.right = number.left + widths.number;
  label = number;
  label.left = number.right;
  label.right = label.left + widths.label;
}

// DrawText centres a line as high as the font in the band; the margin covers its rounding and
// glyphs of a linked font that reach a little past the line.
void CMobileIcon::InkBoxes(const LineWidths& widths, RECT& number, RECT& label) const {
  LineBoxes(widths, number, label);
  const LONG middle = (number.top + number.bottom) / 2;
  const LONG half = widths.height / 2 + scale.Px(3);
  const LONG top = std::max(number.top, middle - half);
  const LONG bottom = std::min(number.bottom, middle + half + 1);
  number.top = label.top = top;
  number.bottom = label.bottom = bottom;
}

RECT CMobileIcon::Reach(HDC measure) {
  RECT reach = rect;
  const RECT icon = IconBox();
  UnionRect(&reach, &reach, &icon);
  RECT number;
  RECT label;
  InkBoxes(Measure(count_, measure), number, label);
  UnionRect(&reach, &reach, &number);
  UnionRect(&reach, &reach, &label);
  return reach;
}

RECT CMobileIcon::CountChangeArea(int before, int after, HDC measure) {
  RECT wasNumber;
  RECT wasLabel;
  InkBoxes(Measure(before, measure), wasNumber, wasLabel);
  RECT number;
  RECT label;
  InkBoxes(Measure(after, measure), number, label);
  RECT area;
  UnionRect(&area, &wasNumber, &number);
  if (!EqualRect(&wasLabel, &label)) {
    UnionRect(&area, &area, &wasLabel);
    UnionRect(&area, &area, &label);
  }
  return area;
}

// Each part is drawn inside its own box only, so a part the clip misses is skipped.
void CMobileIcon::Draw(HDC dc) {
  const CxImage& icon = icon_.Get();
  const RECT iconBox = IconBox();
  if (icon.IsValid() && RectVisible(dc, &iconBox)) icon.DrawInRect(dc, iconBox);

  RECT number;
  RECT label;
  LineBoxes(Measure(count_, dc), number, label);
  if (RectVisible(dc, &number))
    DrawPart(dc, count_ == kNotAvailable ? kNotAvailableText : number_, number, kCountColor);
  if (RectVisible(dc, &label)) DrawPart(dc, label_.c_str(), label, kLabelColor);
}
