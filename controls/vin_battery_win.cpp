#include "controls/vin_battery.h"

#include <cwchar>
#include <utility>

#include "controls/window_impl.h"
#include "imaging/draw_base.h"
#include "resources/resource.h"

namespace {

constexpr UINT kTextFormat = DT_SINGLELINE | DT_VCENTER | DT_CENTER;
constexpr int kBodyRaise = 2;       // the body reaches above the control
constexpr int kBodyShift = 2;       // and sits right of centre
constexpr int kLevelBarShift = -1;  // the level bar sits left of centre
constexpr int kMinimumCut = 5;      // an empty battery still shows a sliver

// Left edge that centres `inner` pixels in `outer`; a wider picture overhangs both sides.
int CentredLeft(const RECT& outer, int inner) { return outer.left + (outer.right - outer.left - inner) / 2; }

}  // namespace

BOOL CVinBattery::Create(HWND owner) {
  this->owner = owner;
  id = kBatteryId;
  return TRUE;
}

void CVinBattery::Place(const RECT& rect, const DisplayScale& scale, SharedFont font) {
  this->rect = rect;
  this->scale = scale;
  panel_.SetResource(IDR_PNG_BATTERY_GLOW, scale);
  body_.SetResource(IDR_PNG_BATTERY_BODY, scale);
  levelBar_.SetResource(IDR_PNG_BATTERY_FILL, scale);
  font_ = std::move(font);
}

void CVinBattery::SetLevel(UINT level) {
  level_ = level;
  LevelCut();
}

const CxImage& CVinBattery::LevelCut() {
  CxImage& levelBar = levelBar_.Get();
  const int width = static_cast<int>(levelBar.Width());
  const int cut = CutWidth(level_, width, scale);
  if (cut != cutWidth_ || levelBar.Stamp() != cutStamp_) {
    cut_.Release();
    if (levelBar.IsValid()) levelBar.CropInto(0, 0, cut, static_cast<int>(levelBar.Height()), &cut_);
    cutWidth_ = cut;
    cutStamp_ = levelBar.Stamp();
  }
  return cut_;
}

int CVinBattery::CutWidth(UINT level, int levelWidth, const DisplayScale& scale) {
  if (level >= 100) return levelWidth;
  const int cut = scale.Px(level < 5 ? kMinimumCut : static_cast<int>(4 * level / 5));
  // Never more than the picture has, so the cut is never stretched.
  return cut < levelWidth ? cut : levelWidth;
}

RECT CVinBattery::Reach(HDC) {
  RECT reach = rect;
  const CxImage& body = body_.Get();
  if (body.IsValid()) {
    const int x = CentredLeft(rect, static_cast<int>(body.Width())) + scale.Px(kBodyShift);
    const int top = rect.top - scale.Px(kBodyRaise);
    const RECT box = {x, top, x + static_cast<int>(body.Width()), top + static_cast<int>(body.Height())};
    UnionRect(&reach, &reach, &box);
  }
  const CxImage& levelBar = levelBar_.Get();
  if (levelBar.IsValid()) {
    const int x = CentredLeft(rect, static_cast<int>(levelBar.Width())) + scale.Px(kLevelBarShift);
    const RECT box = {x, rect.top, x + static_cast<int>(levelBar.Width()),
                      rect.top + static_cast<int>(levelBar.Height())};
    UnionRect(&reach, &reach, &box);
  }
  return reach;
}

void CVinBattery::Draw(HDC dc) {
  const CxImage& panel = panel_.Get();
  const CxImage& body = body_.Get();
  const CxImage& levelBar = levelBar_.Get();
  if (panel.IsValid()) panel.DrawInRect(dc, rect);

  if (body.IsValid()) {
    const int width = static_cast<int>(body.Width());
    const int x = CentredLeft(rect, width) + scale.Px(kBodyShift);
    const int top = rect.top - scale.Px(kBodyRaise);
    body.DrawInRect(dc, RECT{x, top, x + width, top + static_cast<int>(body.Height())});
  }

  if (levelBar.IsValid()) {
    const int width = static_cast<int>(levelBar.Width());
    const int height = static_cast<int>(levelBar.Height());
    const int cut = CutWidth(level_, width, scale);
    const CxImage& shown = LevelCut();
    // The left end stays put; the bar grows to the right.
    const int x = CentredLeft(rect, width) + scale.Px(kLevelBarShift);
    if (shown.IsValid()) shown.DrawInRect(dc, RECT{x, rect.top, x + cut, rect.top + height});
  }

  wchar_t text[32];
  swprintf(text, sizeof text / sizeof text[0], L"  %u%%", level_);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, kTextColor);
  if (font_ != nullptr && font_->Get() != nullptr) SelectObject(dc, font_->Get());
  RECT band = {rect.left, rect.top, rect.right, rect.top + scale.Px(kTextBandHeight)};
  DrawTextW(dc, text, -1, &band, kTextFormat);
}
