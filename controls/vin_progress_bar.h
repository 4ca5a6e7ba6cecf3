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
  static constexpr UINT kTrackEdgeWidth = 8;
  static constexpr UINT kFillEdgeWidth = 6;
  static constexpr UINT kMaxValue = 100;

  CVinProgressBar() = default;
  CVinProgressBar(const CVinProgressBar&) = delete;
  CVinProgressBar& operator=(const CVinProgressBar&) = delete;

  BOOL Create(HWND owner, UINT id) override;
  // Keeps `rect` as given and names the track and fill pictures, decoded when first needed.
  BOOL Create(HWND owner, UINT id, const RECT& rect);
  // Decodes the pictures now, so that the first paint that shows the bar decodes nothing.
  void LoadPictures() {
    track_.Get();
    fill_.Get();
  }

  // Percent, shown at the next paint; anything above 100 is kept as 100.
  void SetValue(UINT value) { value_ = value > kMaxValue ? kMaxValue : value; }
  UINT Value() const { return value_; }

  void Draw(HDC dc) override;

  // Width of the fill for a bar `barWidth` pixels wide; 0 when no fill is drawn.
  static int FilledWidth(int barWidth, UINT value);

 private:
  CControlPicture track_;
  CControlPicture fill_;
  UINT value_ = 0;
};
