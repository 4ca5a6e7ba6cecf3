// Turns the page model into pixels: each element of a layer drawn with the window's pictures
// and fonts. The controls draw themselves where the model placed them.
#pragma once

#include <windows.h>

#include "imaging/draw_base.h"
#include "imaging/ximage.h"
#include "page/page_model.h"

// What the elements are drawn with; a picture that is not loaded is empty and skipped.
struct PagePaintSources {
  CxImage* pictures[kPagePictureCount] = {};
  const CxImage* phone = nullptr;  // PagePicture::Phone, as drawn
  HFONT fonts[kPageFontCount] = {};
  const CDrawSpecific* slicer = nullptr;
};

// The model's backdrop elements (`backdrop`), or the rest but the controls, in drawing order.
// A repaint of a small part skips what lies outside `area` and the clip: every element draws
// only inside its own rectangle, so skipping changes no pixel.
void PaintElements(HDC dc, const PageModel& model, const PagePaintSources& sources, bool backdrop, const RECT& area);
