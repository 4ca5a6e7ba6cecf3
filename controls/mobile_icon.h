// A count tile: a category icon and, centred under it, the count in green directly followed
// by a grey unit label. The icon is a link: the hand cursor shows over it, and a release of
// the left button over it sends WM_COMMAND with the tile's id.
#pragma once

#include <windows.h>

#include <string>

#include "controls/control_picture.h"
#include "controls/vin_control.h"
#include "imaging/draw_base.h"
#include "imaging/ximage.h"
#include "util/scoped_gdi.h"

class CMobileIcon : public CVinControl, public CDrawSpecific {
 public:
  static constexpr int kNotAvailable = -1;  // shown as "-- "
  static constexpr COLORREF kCountColor = RGB(0x53, 0x94, 0x52);
  static constexpr COLORREF kLabelColor = RGB(0x83, 0x83, 0x83);

  CMobileIcon() = default;
  CMobileIcon(const CMobileIcon&) = delete;
  CMobileIcon& operator=(const CMobileIcon&) = delete;

  BOOL Create(HWND owner, UINT id) override;
  // The tile's icon, PNG resource `imageId`, and its label. Keeps visibility, count and hover.
  BOOL Create(HWND owner, UINT id, UINT imageId, const wchar_t* label);
  // `rect` is in pixels; the icon is the one drawn for `scale`, decoded when first needed
  // (left empty when that fails); the texts are written in `font`. Called again when the
  // owner's layout changes.
  void Place(const RECT& rect, const DisplayScale& scale, SharedFont font);
  // Decodes the icon now, so that the first paint that shows the tile decodes nothing.
  void LoadPictures() { icon_.Get(); }

  // Makes the texts the tile draws, so that a paint makes none.
  void SetCount(int count);
  int Count() const { return count_; }
  const std::wstring& Label() const { return label_; }
  BOOL IsHovered() const { return hover_; }

  void OnMouseMove(UINT keyFlags, int x, int y) override;
  void OnLButtonUp(UINT keyFlags, int x, int y) override;
  // Draws only the parts the clip reaches; leaves the label's colour, transparent background
  // and the font set in `dc` when it drew the label.
  void Draw(HDC dc) override;
  // The line of a long count reaches past the tile's sides.
  RECT Reach(HDC measure) override;
  // What changes when the count goes from `before` to `after`: the count, and the label only
  // when it moves.
  RECT CountChangeArea(int before, int after, HDC measure);
  BOOL OnSetCursor(HWND window, UINT hitTest, UINT mouseMessage) override;

  // The icon centred at the top of `rect`, at the icon's size (one wider for an odd margin).
  RECT IconBox() const;
  // The bottom strip of `rect`, as high as the icon; the text line is centred across it.
  RECT TextBand() const;

 private:
  // The line's widths for a count, measured once: the count shown now and the one before are
  // kept, so a record's repaint measures only the new one.
  struct LineWidths {
    int count = 0;
    int combined = -1;  // -1: not measured
    int number = 0;
    int label = 0;
    int height = 0;  // of the line, as the font measures it
  };
  const LineWidths& Measure(int count, HDC dc);
  // Where the count and the label are drawn, side by side across the text band.
  void LineBoxes(const LineWidths& widths, RECT& number, RECT& label) const;
  // The same, narrowed to the rows their glyphs can reach: what a change of the line repaints.
  void InkBoxes(const LineWidths& widths, RECT& number, RECT& label) const;
  void DrawPart(HDC dc, const wchar_t* text, const RECT& box, COLORREF color) const;

  CControlPicture icon_;
  std::wstring label_;
  int count_ = 0;
  wchar_t number_[16] = L"0";
  SharedFont font_;
  UINT imageId_ = 0;
  LineWidths measured_[2];  // cleared when the font changes
  int labelWidth_ = -1;     // likewise; -1: not measured
  BOOL hover_ = FALSE;
};
