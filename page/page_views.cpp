#include "page/page_views.h"

#include "page/mobile_info_wnd.h"
#include "page/view_layout.h"

namespace {

using namespace page_layout;

constexpr COLORREF kTitleColor = RGB(0x26, 0x68, 0x9B);
constexpr COLORREF kWarningColor = RGB(0x37, 0x37, 0x37);
constexpr COLORREF kCapacityColor = RGB(0x53, 0x53, 0x53);
constexpr COLORREF kStatusTextColor = RGB(0x77, 0x77, 0x77);

RECT ClientRect(const CMobileInfoWnd& page) {
  RECT client = {0, 0, 0, 0};
  GetClientRect(page.Hwnd(), &client);
  return client;
}

// A repaint of a small part of the page skips what lies outside it: each picture and text
// below draws only inside its own rectangle, so skipping changes no pixel.
bool Visible(HDC target, const RECT& rect) { return RectVisible(target, &rect) != FALSE; }

// `at` in pixels; the pictures are drawn for the page's scale, so their own size is right.
RECT PictureRect(const CxImage& image, POINT at) {
  return {at.x, at.y, at.x + static_cast<LONG>(image.Width()), at.y + static_cast<LONG>(image.Height())};
}

// At a logical place, like every position below.
void DrawNatural(HDC target, const CMobileInfoWnd& page, const CxImage& image, POINT logical) {
  const POINT at = page.Scale().PxPoint(logical);
  if (image.IsValid() && Visible(target, PictureRect(image, at))) image.DrawAt(target, at.x, at.y);
}

// At its own size through the rectangle form, as the idle view places its pictures.
void DrawInOwnRect(HDC target, const CMobileInfoWnd& page, const CxImage& image, POINT logical) {
  if (!image.IsValid()) return;
  const RECT rect = PictureRect(image, page.Scale().PxPoint(logical));
  if (Visible(target, rect)) image.DrawInRect(target, rect);
}

void StretchBackground(HDC target, const CxImage& image, const RECT& client) {
  if (image.IsValid()) image.StretchOpaque(target, client, SRCCOPY);
}

enum class Anchor { Left, Right };

// Measures the text in its font and draws it in a rectangle exactly its size, so nothing is
// ever cut; returns that rectangle. `at` is in pixels.
RECT DrawMeasuredText(HDC target, HFONT font, COLORREF color, const wchar_t* text, POINT at, Anchor anchor) {
  RECT extent = {0, 0, 1, 1};
  {
    ScopedSaveDC saved(target);
    SelectObject(target, font);
    DrawTextW(target, text, -1, &extent, kMeasureTextFormat);
  }
  const LONG width = extent.right - extent.left;
  const LONG height = extent.bottom - extent.top;
  RECT rect = anchor == Anchor::Left ? RECT{at.x, at.y, at.x + width, at.y + height}
                                     : RECT{at.x - width, at.y, at.x, at.y + height};
  if (!Visible(target, rect)) return rect;  // drawn without DT_NOCLIP: nothing leaves the rectangle
  ScopedSaveDC saved(target);
  SetBkMode(target, TRANSPARENT);
  SetTextColor(target, color);
  SelectObject(target, font);
  const UINT flags = anchor == Anchor::Left ? DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX
                                            : DT_SINGLELINE | DT_BOTTOM | DT_RIGHT | DT_END_ELLIPSIS | DT_NOPREFIX;
  DrawTextW(target, text, -1, &rect, flags);
  return rect;
}

// The status views' texts sit in fixed rectangles and end in an ellipsis when too long.
void DrawStatusText(HDC target, HFONT font, const wchar_t* text, RECT rect) {
  if (!Visible(target, rect)) return;  // drawn without DT_NOCLIP: nothing leaves the rectangle
  ScopedSaveDC saved(target);
  SetBkMode(target, TRANSPARENT);
  SetTextColor(target, kStatusTextColor);
  SelectObject(target, font);
  DrawTextW(target, text, -1, &rect, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
}

void DrawInformationBackdrop(HDC target, CMobileInfoWnd& page) {
  CMobileInfoWnd::ViewImages& images = page.Images();
  const RECT client = ClientRect(page);
  if (images.infoBackground.IsValid()) images.infoBackground.DrawInRect(target, client);
  const RECT band = {client.left, client.top, client.right, client.top + static_cast<LONG>(images.topBand.Height())};
  const DisplayScale& scale = page.Scale();
  page.DrawThreeSlice(target, &images.topBand, scale.Px(kTopBandEdge), scale.Px(kTopBandEdge), &band);
  const RECT card = scale.PxRect(kCardRect);
  page.DrawThreeSlice(target, &images.infoCard, scale.Px(kCardEdge), scale.Px(kCardEdge), &card);
  DrawNatural(target, page, images.cardTab, kCardTabAt);
  DrawNatural(target, page, images.connectedMark, kConnectedMarkAt);
}

// The model's own picture is drawn resampled for the page's scale, or, when that could not be
// made, stretched to the scale times its size by the nearest rule; the generic phone is drawn
// for the scale already. Either is centred on the anchor, half sizes rounded down: an odd size
// is drawn one pixel smaller.
const CxImage& PhonePicture(CMobileInfoWnd& page) {
  if (const CxImage* scaled = page.ScaledModelPicture()) return *scaled;
  return page.ModelPicture().IsValid() ? page.ModelPicture() : page.Images().genericPhone;
}

RECT PhonePictureRect(CMobileInfoWnd& page) {
  const DisplayScale& scale = page.Scale();
  const CxImage& picture = PhonePicture(page);
  const bool stretched = &picture == &page.ModelPicture();
  const int width = static_cast<int>(picture.Width());
  const int height = static_cast<int>(picture.Height());
  const LONG halfWidth = (stretched ? scale.Px(width) : width) / 2;
  const LONG halfHeight = (stretched ? scale.Px(height) : height) / 2;
  const POINT centre = scale.PxPoint(kPhonePictureCentre);
  return {centre.x - halfWidth, centre.y - halfHeight, centre.x + halfWidth, centre.y + halfHeight};
}

// The texts come ready from the page: a paint builds none.
void DrawInformationContent(HDC target, CMobileInfoWnd& page, bool guardMissing) {
  const CMobileInfoWnd::ShownTexts& texts = page.Texts();
  const DisplayScale& scale = page.Scale();

  const RECT titleRect = DrawMeasuredText(target, page.Font16Bold(), kTitleColor, texts.title.c_str(),
                                          scale.PxPoint(kTitleAt), Anchor::Left);
  if (guardMissing) {
    DrawMeasuredText(target, page.Font12(), kWarningColor, kGuardWarning,
                     POINT{scale.Px(kTitleAt.x), titleRect.bottom + scale.Px(kWarningGap)}, Anchor::Left);
  }

  const RECT pictureRect = PhonePictureRect(page);
  const CxImage& picture = PhonePicture(page);
  if (picture.IsValid() && Visible(target, pictureRect)) picture.DrawInRect(target, pictureRect);

  DrawMeasuredText(target, page.Font12Bold(), kCapacityColor, kPhoneMemoryLabel, scale.PxPoint(kPhoneLabelAt),
                   Anchor::Left);
  DrawMeasuredText(target, page.Font12(), kCapacityColor, texts.phoneFree.c_str(), scale.PxPoint(kPhoneFreeEnd),
                   Anchor::Right);
  DrawMeasuredText(target, page.Font12Bold(), kCapacityColor, kCardLabel, scale.PxPoint(kCardLabelAt), Anchor::Left);
  DrawMeasuredText(target, page.Font12(), kCapacityColor, texts.cardFree.c_str(), scale.PxPoint(kCardFreeEnd),
                   Anchor::Right);
}

POINT CurrentDotAt(uint32_t step) {
  return {kFirstDotX + kDotSpacing * static_cast<LONG>(step) + kCurrentDotOffset.x, kCurrentDotOffset.y};
}

POINT RestingRingAt(uint32_t step) { return {kFirstDotX + kDotSpacing * static_cast<LONG>(step), kRestingRingY}; }

void DrawConnectingContent(HDC target, CMobileInfoWnd& page) {
  const CMobileInfoWnd::ViewImages& images = page.Images();
  DrawNatural(target, page, images.smallPhone, kConnectingPhoneAt);
  DrawNatural(target, page, images.computer, kConnectingComputerAt);
  if (images.currentDot.IsValid() && images.restingRing.IsValid()) {
    for (uint32_t i = 0; i < static_cast<uint32_t>(kDotCount); ++i) {
      if (i == page.AnimStep()) {
        DrawNatural(target, page, images.currentDot, CurrentDotAt(i));
      } else {
        DrawNatural(target, page, images.restingRing, RestingRingAt(i));
      }
    }
  }
  DrawNatural(target, page, images.connectingHeading, kConnectingHeadingAt);
  DrawStatusText(target, page.Font12(), kConnectingText, page.Scale().PxRect(kConnectingTextRect));
}

void DrawConnectFailedContent(HDC target, CMobileInfoWnd& page) {
  const CMobileInfoWnd::ViewImages& images = page.Images();
  DrawNatural(target, page, images.smallPhone, kFailedPhoneAt);
  DrawNatural(target, page, images.failedHeading, kFailedHeadingAt);
  int index = 0;
  for (const wchar_t* hint : kHints) {
    DrawStatusText(target, page.Font14(), hint, page.Scale().PxRect(HintRect(index++)));
  }
}

void DrawIdleContent(HDC target, CMobileInfoWnd& page) {
  const CMobileInfoWnd::ViewImages& images = page.Images();
  DrawInOwnRect(target, page, images.idleHeading, kIdleHeadingAt);
  DrawInOwnRect(target, page, images.smallPhone, kIdlePhoneAt);
  DrawInOwnRect(target, page, images.usbCable, kIdleCableAt);
  DrawInOwnRect(target, page, images.computer, kIdleComputerAt);
  DrawInOwnRect(target, page, images.connectSteps, kIdleStepsAt);
}

}  // namespace

void DrawViewBackdrop(HDC target, CMobileInfoWnd& page, PageView view) {
  if (view == PageView::Connected || view == PageView::GuardMissing) {
    DrawInformationBackdrop(target, page);
  } else {
    StretchBackground(target, page.Images().statusBackground, ClientRect(page));
  }
}

void DrawViewContent(HDC target, CMobileInfoWnd& page, PageView view) {
  switch (view) {
    case PageView::Connected:
      DrawInformationContent(target, page, false);
      break;
    case PageView::GuardMissing:
      DrawInformationContent(target, page, true);
      break;
    case PageView::Connecting:
      DrawConnectingContent(target, page);
      break;
    case PageView::ConnectFailed:
      DrawConnectFailedContent(target, page);
      break;
    case PageView::Idle:
      DrawIdleContent(target, page);
      break;
  }
}

bool AnimationDotRects(CMobileInfoWnd& page, uint32_t step, RECT& current, RECT& resting) {
  const CMobileInfoWnd::ViewImages& images = page.Images();
  if (!images.currentDot.IsValid() || !images.restingRing.IsValid()) return false;
  current = PictureRect(images.currentDot, page.Scale().PxPoint(CurrentDotAt(step)));
  resting = PictureRect(images.restingRing, page.Scale().PxPoint(RestingRingAt(step)));
  return true;
}
