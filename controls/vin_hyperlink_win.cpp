#include "controls/vin_hyperlink.h"

#include <commctrl.h>

#include <utility>

#include "controls/control_tooltip.h"
#include "controls/window_impl.h"
#include "util/scoped_gdi.h"

namespace {

constexpr UINT kMeasureFormat = DT_CALCRECT | DT_BOTTOM;
constexpr UINT kDrawFormat = DT_SINGLELINE | DT_BOTTOM;

// The tool is the whole owner window, registered only while the pointer is over the link.
TOOLINFOW ToolRecord(HWND linkOwner, const wchar_t* text) {
  TOOLINFOW tool = {};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND;
  tool.hwnd = GetParent(linkOwner);
  tool.uId = reinterpret_cast<UINT_PTR>(linkOwner);
  tool.hinst = CWindowModule::Instance();
  tool.lpszText = const_cast<wchar_t*>(text);
  return tool;
}

}  // namespace

CVinHyperLink::~CVinHyperLink() { DestroyControlTooltip(tooltip_); }

BOOL CVinHyperLink::Create(HWND owner, UINT id) {
  this->id = id;
  linkOwner_ = owner;
  DestroyControlTooltip(tooltip_);
  tooltip_ = CreateControlTooltip(owner);
  toolAdded_ = false;
  return TRUE;
}

BOOL CVinHyperLink::Create(HWND owner, UINT id, const wchar_t* text, const wchar_t* tipText, COLORREF textColor,
                           BOOL underline) {
  CVinHyperLink::Create(owner, id);
  text_ = text != nullptr ? text : L"";
  tipText_ = tipText != nullptr ? tipText : L"";
  textColor_ = textColor;
  underline_ = underline;
  return TRUE;
}

void CVinHyperLink::Place(const RECT& rect, const DisplayScale& scale, SharedFont font) {
  this->rect = rect;
  this->scale = scale;
  font_ = std::move(font);
  HDC dc = linkOwner_ != nullptr ? GetDC(linkOwner_) : nullptr;
  if (dc == nullptr) return;
  {
    ScopedSaveDC saved(dc);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, textColor_);
    ScopedSelect selected(dc, font_ != nullptr ? font_->Get() : nullptr);
    DrawTextW(dc, text_.c_str(), -1, &this->rect, kMeasureFormat);
  }
  ReleaseDC(linkOwner_, dc);
}

BOOL CVinHyperLink::RelayEvent(UINT message, WPARAM wParam, LPARAM lParam) {
  RelayToTooltip(tooltip_, linkOwner_, message, wParam, lParam);
  return TRUE;
}

void CVinHyperLink::SetState(int state) {
  const int old = state_;
  state_ = state;
  if (state_ != old && linkOwner_ != nullptr) PostMessageW(linkOwner_, WM_PAINT, 0, 0);
}

POINT CVinHyperLink::ToScreen(int x, int y) const {
  POINT point = {x, y};
  if (linkOwner_ != nullptr) ClientToScreen(linkOwner_, &point);
  return point;
}

void CVinHyperLink::OnMouseMove(UINT, int x, int y) {
  const bool tooltipExists = tooltip_ != nullptr && IsWindow(tooltip_);
  if (HitTest(POINT{x, y})) {
    if (tooltipExists && !tipText_.empty()) {
      SendMessageW(tooltip_, TTM_ACTIVATE, TRUE, 0);
      if (!toolAdded_) {
        TOOLINFOW tool = ToolRecord(linkOwner_, tipText_.c_str());
        toolAdded_ = SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool)) != 0;
      }
    }
    SetState(kHovered);
    return;
  }
  if (tooltipExists) {
    TOOLINFOW tool = ToolRecord(linkOwner_, nullptr);
    SendMessageW(tooltip_, TTM_ACTIVATE, FALSE, 0);
    SendMessageW(tooltip_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    toolAdded_ = false;
  }
  SetState(kNormal);
}

void CVinHyperLink::OnLButtonDown(UINT, int x, int y) {
  SetState(HitTest(POINT{x, y}) ? kPressed : kNormal);
  // Kept for presses off the link too, so pressing off it and releasing on it sends nothing.
  pressPoint_ = ToScreen(x, y);
}

void CVinHyperLink::OnLButtonUp(UINT, int x, int y) {
  // A double click's second press is not recorded, so its release matches the first press.
  const POINT release = ToScreen(x, y);
  if (release.x != pressPoint_.x || release.y != pressPoint_.y || !HitTest(POINT{x, y})) return;
  if (linkOwner_ != nullptr) SendMessageW(linkOwner_, WM_COMMAND, MAKEWPARAM(LOWORD(id), 0), 0);
}

void CVinHyperLink::Draw(HDC dc) {
  if (linkOwner_ == nullptr) return;
  LOGFONTW description = {};
  HFONT base = font_ != nullptr ? font_->Get() : nullptr;
  if (base == nullptr || GetObjectW(base, sizeof description, &description) == 0) {
    // Without a usable base font, underline whatever the context already draws with.
    base = static_cast<HFONT>(GetCurrentObject(dc, OBJ_FONT));
    if (base == nullptr || GetObjectW(base, sizeof description, &description) == 0) return;
  }
  description.lfUnderline = LOBYTE(underline_);
  // Declared first, so it is deleted only after the context has let go of it.
  ScopedFont drawingFont(CreateFontIndirectW(&description));
  ScopedSaveDC saved(dc);
  ScopedSelect selected(dc, drawingFont.Get());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, textColor_);
  RECT box = rect;
  DrawTextW(dc, text_.c_str(), -1, &box, kDrawFormat);
}

BOOL CVinHyperLink::OnSetCursor(HWND, UINT, UINT) {
  if (state_ != kNormal) {
    SetCursor(LoadCursorW(nullptr, IDC_HAND));
    return TRUE;
  }
  SetCursor(LoadCursorW(nullptr, IDC_ARROW));
  return FALSE;
}

void CVinHyperLink::Destroy() {
  DestroyControlTooltip(tooltip_);
  toolAdded_ = false;
  owner = nullptr;
}
