// The phone's battery level: a glow panel, the battery body, a level bar cut to a width that
// follows the level, and the level in white. Sends nothing and ignores the mouse.
#pragma once

#include <windows.h>

#include "controls/control_picture.h"
#include "controls/vin_control.h"
#include "imaging/draw_base.h"
#include "imaging/ximage.h"
#include "util/scoped_gdi.h"

class CVinBattery : public CVinControl, public CDrawSpecific {
 public:
  static constexpr UINT kBatteryId = 119;
  static constexpr COLORREF kTextColor = RGB(0xFF, 0xFF, 0xFF);
  static constexpr int kTextBandHeight = 30;

  CVinBattery() = default;
  CVinBattery(const CVinBattery&) = delete;
  CVinBattery& operator=(const CVinBattery&) = delete;

  using CVinControl::Create;
  // Takes id 119.
  BOOL Create(HWND owner);
  // Keeps `rect` (pixels) as given and names its three pictures drawn for `scale`, decoded
  // when first needed; the level is written in `font`. Called again when the owner's layout
  // changes.
  void Place(const RECT& rect, const DisplayScale& scale, SharedFont font);
  // Decodes the pictures now, so that the first paint that shows the battery decodes nothing.
  void LoadPictures() {
    panel_.Get();
    body_.Get();
    levelBar_.Get();
  }

  // Percent; the owner limits it to 100. The level bar is cut for it here, not while painting.
  void SetLevel(UINT level);
  UINT Level() const { return level_; }

  // Leaves the text colour, background mode and font set in `dc`.
  void Draw(HDC dc) override;
  // The body reaches above the rectangle.
  RECT Reach(HDC measure) override;

  // How many columns of a `levelWidth`-wide level bar show `level` at `scale`: worked out at
  // 100 percent and scaled by the page's one rule, never more than the picture has.
  static int CutWidth(UINT level, int levelWidth, const DisplayScale& scale);

 private:
  CControlPicture panel_;
  CControlPicture body_;
  CControlPicture levelBar_;
  // The level bar cut for the level shown, kept until the level or the picture changes.
  const CxImage& LevelCut();
  CxImage cut_;
  int cutWidth_ = -1;
  uint32_t cutStamp_ = 0;
  UINT level_ = 0;
  SharedFont font_;
};
