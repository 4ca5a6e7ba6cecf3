#include "page/page_painter.h"

#include "page/page_window.h"
#include "util/scoped_gdi.h"

namespace {

bool Visible(HDC dc, const RECT& rect) { return RectVisible(dc, &rect) != FALSE; }

void PaintPicture(HDC dc, const ViewElement& element, const PagePaintSources& sources) {
  CxImage* picture = element.picture == PagePicture::Phone ? const_cast<CxImage*>(sources.phone)
                                                           : sources.pictures[static_cast<size_t>(element.picture)];
  if (picture == nullptr || !picture->IsValid()) return;
  const RECT rect = ToRect(element.rect);
  switch (element.fit) {
    case PictureFit::At:
      if (Visible(dc, rect)) picture->DrawAt(dc, rect.left, rect.top);
      break;
    case PictureFit::InOwnRect:
      if (Visible(dc, rect)) picture->DrawInRect(dc, rect);
      break;
    case PictureFit::Stretch:
      picture->DrawInRect(dc, rect);
      break;
    case PictureFit::StretchOpaque:
      picture->StretchOpaque(dc, rect, SRCCOPY);
      break;
    case PictureFit::ThreeSlice:
      if (sources.slicer != nullptr) {
        sources.slicer->DrawThreeSlice(dc, picture, element.sliceEdge, element.sliceEdge, &rect);
      }
      break;
  }
}

// Drawn in a rectangle exactly the text's measured size, or the fixed one, without DT_NOCLIP:
// nothing leaves the rectangle. The phone's names may hold an "&", a letter, not a mnemonic.
void PaintText(HDC dc, const ViewElement& element, const PagePaintSources& sources) {
  RECT rect = ToRect(element.rect);
  if (!Visible(dc, rect)) return;
  UINT format = DT_SINGLELINE | DT_END_ELLIPSIS;
  switch (element.textFit) {
    case TextFit::Left:
      format |= DT_VCENTER | DT_NOPREFIX;
      break;
    case TextFit::Right:
      format |= DT_BOTTOM | DT_RIGHT | DT_NOPREFIX;
      break;
    case TextFit::Line:
      format |= DT_VCENTER;
      break;
  }
  ScopedSaveDC saved(dc);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, element.color);
  SelectObject(dc, sources.fonts[static_cast<size_t>(element.font)]);
  DrawTextW(dc, AsWide(element.text), -1, &rect, format);
}

void PaintFill(HDC dc, const ViewElement& element) {
  const RECT rect = ToRect(element.rect);
  const COLORREF previous = SetBkColor(dc, element.color);
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
  SetBkColor(dc, previous);
}

}  // namespace

void PaintElements(HDC dc, const PageModel& model, const PagePaintSources& sources, bool backdrop, const RECT& area) {
  const PageRect within = {area.left, area.top, area.right, area.bottom};
  for (const ViewElement& element : model.Elements()) {
    if (element.backdrop != backdrop || Intersect(element.rect, within).Empty()) continue;
    switch (element.kind) {
      case ElementKind::Fill:
        PaintFill(dc, element);
        break;
      case ElementKind::Picture:
        PaintPicture(dc, element, sources);
        break;
      case ElementKind::Text:
        PaintText(dc, element, sources);
        break;
      case ElementKind::Control:
      case ElementKind::Words:
        break;
    }
  }
}
