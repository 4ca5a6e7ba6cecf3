#include "controls/vin_progress_bar.h"

#include <algorithm>

#include "controls/window_impl.h"
#include "imaging/draw_base.h"
#include "resources/resource.h"

BOOL CVinProgressBar::Create(HWND owner, UINT id) {
  this->owner = owner;
  this->id = id;
  return TRUE;
}

void CVinProgressBar::Place(const RECT& rect, const DisplayScale& scale) {
  this->rect = rect;
  this->scale = scale;
  track_.SetResource(IDR_PNG_PROGRESS_KNOB, scale);
  fill_.SetResource(IDR_PNG_PROGRESS_FILL, scale);
}

int CVinProgressBar::FilledWidth(int barWidth, UINT value, int fillEdgeWidth) {
  if (barWidth <= 0 || value == 0) return 0;
  if (value > kMaxValue) value = kMaxValue;
  const UINT product = static_cast<UINT>(barWidth) * value;
  const int filled = static_cast<int>(static_cast<double>(product) / 100.0);
  // Narrower than its two rounded ends, the fill would not look like one.
  return filled < 2 * fillEdgeWidth ? 0 : filled;
}

RECT CVinProgressBar::Reach(HDC) {
  RECT reach = rect;
  const CxImage& fill = fill_.Get();
  if (fill.IsValid()) reach.bottom = std::max(reach.bottom, rect.top + static_cast<LONG>(fill.Height()));
  return reach;
}

void CVinProgressBar::Draw(HDC dc) {
  CxImage& track = track_.Get();
  if (!track.IsValid()) return;
  const int trackEdge = scale.Px(kTrackEdgeWidth);
  DrawThreeSlice(dc, &track, trackEdge, trackEdge, &rect);
  CxImage& fill = fill_.Get();
  if (!fill.IsValid()) return;
  if (value_ > kMaxValue) value_ = kMaxValue;
  const int fillEdge = scale.Px(kFillEdgeWidth);
  const int filled = FilledWidth(rect.right - rect.left, value_, fillEdge);
  if (filled == 0) return;
  // As high as the fill picture, against the top of the track.
  const RECT fillRect = {rect.left, rect.top, rect.left + filled, rect.top + static_cast<LONG>(fill.Height())};
  DrawThreeSlice(dc, &fill, fillEdge, fillEdge, &fillRect);
}
