// A percentage as a horizontal bar: a rounded track stretched to the control's width, and a
// rounded fill over its left part. Both keep their rounded ends at natural size.
#pragma once

#include <windows.h>

#include "controls/control_picture.h"
#include "controls/vin_control.h"
#include "imaging/draw_base.h"
#include "imaging/ximage.h"

class CVinProgressBar : public CVinControl, public CDrawSpecific {
 public:
  static constexpr int kTrackEdgeWidth = 8;
  static constexpr int kFillEdgeWidth = 6;
  static constexpr UINT kMaxValue = 100;

  CVinProgressBar() = default;
  CVinProgressBar(const CVinProgressBar&) = delete;
  CVinProgressBar& operator=(const CVinProgressBar&) = delete;

  BOOL Create(HWND owner, UINT id) override;
  // Keeps `rect` (pixels) as given and names the track and fill pictures drawn for `scale`,
  // decoded when first needed. Called again when the owner's layout changes.
  void Place(const RECT& rect, const DisplayScale& scale);
  // Decodes the pictures now, so that the first paint that shows the bar decodes nothing.
  void LoadPictures() {
    track_.Get();
    fill_.Get();
  }

  // Percent, shown at the next paint; anything above 100 is kept as 100.
  void SetValue(UINT value) { value_ = value > kMaxValue ? kMaxValue : value; }
  UINT Value() const { return value_; }

  void Draw(HDC dc) override;
  // The fill may be taller than the track.
  RECT Reach(HDC measure) override;

  // Width of the fill for a bar `barWidth` pixels wide whose fill has rounded ends
  // `fillEdgeWidth` pixels wide; 0 when no fill is drawn. The fill is a share of the track as
  // drawn, so at any scale it cannot drift against it.
  static int FilledWidth(int barWidth, UINT value, int fillEdgeWidth = kFillEdgeWidth);

 private:
  CControlPicture track_;
  CControlPicture fill_;
  UINT value_ = 0;
};
