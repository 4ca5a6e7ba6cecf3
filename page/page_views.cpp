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

RECT PictureRect(const CxImage& image, POINT at) {
  return {at.x, at.y, at.x + static_cast<LONG>(image.Width()), at.y + static_cast<LONG>(image.Height())};
}

void DrawNatural(HDC target, const CxImage& image, POINT at) {
  if (image.IsValid() && Visible(target, PictureRect(image, at))) image.DrawAt(target, at.x, at.y);
}

// At its own size through the rectangle form, as the idle view places its pictures.
void DrawInOwnRect(HDC target, const CxImage& image, POINT at) {
  if (!image.IsValid()) return;
  const RECT rect = PictureRect(image, at);
  if (Visible(target, rect)) image.DrawInRect(target, rect);
}

void StretchBackground(HDC target, const CxImage& image, const RECT& client) {
  if (image.IsValid()) image.StretchOpaque(target, client, SRCCOPY);
}

enum class Anchor { Left, Right };

// Measures the text in its font and draws it in a rectangle exactly its size, so nothing is
// ever cut; returns that rectangle.
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
  page.DrawThreeSlice(target, &images.topBand, kTopBandEdge, kTopBandEdge, &band);
  page.DrawThreeSlice(target, &images.infoCard, kCardEdge, kCardEdge, &kCardRect);
  DrawNatural(target, images.cardTab, kCardTabAt);
  DrawNatural(target, images.connectedMark, kConnectedMarkAt);
}

// The texts come ready from the page: a paint builds none.
void DrawInformationContent(HDC target, CMobileInfoWnd& page, bool guardMissing) {
  CMobileInfoWnd::ViewImages& images = page.Images();
  const CMobileInfoWnd::ShownTexts& texts = page.Texts();

  const RECT titleRect =
      DrawMeasuredText(target, page.Font16Bold(), kTitleColor, texts.title.c_str(), kTitleAt, Anchor::Left);
  if (guardMissing) {
    DrawMeasuredText(target, page.Font12(), kWarningColor, kGuardWarning,
                     POINT{kTitleAt.x, titleRect.bottom + kWarningGap}, Anchor::Left);
  }

  const CxImage& picture = page.ModelPicture().IsValid() ? page.ModelPicture() : images.genericPhone;
  if (picture.IsValid()) {
    // Half sizes rounded down: an odd size is drawn one pixel smaller.
    const LONG halfWidth = static_cast<LONG>(picture.Width() / 2);
    const LONG halfHeight = static_cast<LONG>(picture.Height() / 2);
    const RECT rect = {kPhonePictureCentre.x - halfWidth, kPhonePictureCentre.y - halfHeight,
                       kPhonePictureCentre.x + halfWidth, kPhonePictureCentre.y + halfHeight};
    if (Visible(target, rect)) picture.DrawInRect(target, rect);
  }

  DrawMeasuredText(target, page.Font12Bold(), kCapacityColor, kPhoneMemoryLabel, kPhoneLabelAt, Anchor::Left);
  DrawMeasuredText(target, page.Font12(), kCapacityColor, texts.phoneFree.c_str(), kPhoneFreeEnd, Anchor::Right);
  DrawMeasuredText(target, page.Font12Bold(), kCapacityColor, kCardLabel, kCardLabelAt, Anchor::Left);
  DrawMeasuredText(target, page.Font12(), kCapacityColor, texts.cardFree.c_str(), kCardFreeEnd, Anchor::Right);
}

POINT CurrentDotAt(uint32_t step) {
  return {kFirstDotX + kDotSpacing * static_cast<LONG>(step) + kCurrentDotOffset.x, kCurrentDotOffset.y};
}

POINT RestingRingAt(uint32_t step) { return {kFirstDotX + kDotSpacing * static_cast<LONG>(step), kRestingRingY}; }

void DrawConnectingContent(HDC target, CMobileInfoWnd& page) {
  const CMobileInfoWnd::ViewImages& images = page.Images();
  DrawNatural(target, images.smallPhone, kConnectingPhoneAt);
  DrawNatural(target, images.computer, kConnectingComputerAt);
  if (images.currentDot.IsValid() && images.restingRing.IsValid()) {
    for (uint32_t i = 0; i < static_cast<uint32_t>(kDotCount); ++i) {
      if (i == page.AnimStep()) {
        DrawNatural(target, images.currentDot, CurrentDotAt(i));
      } else {
        DrawNatural(target, images.restingRing, RestingRingAt(i));
      }
    }
  }
  DrawNatural(target, images.connectingHeading, kConnectingHeadingAt);
  DrawStatusText(target, page.Font12(), kConnectingText, kConnectingTextRect);
}

void DrawConnectFailedContent(HDC target, CMobileInfoWnd& page) {
  const CMobileInfoWnd::ViewImages& images = page.Images();
  DrawNatural(target, images.smallPhone, kFailedPhoneAt);
  DrawNatural(target, images.failedHeading, kFailedHeadingAt);
  RECT line = kFirstHintRect;
  for (const wchar_t* hint : kHints) {
    DrawStatusText(target, page.Font14(), hint, line);
    OffsetRect(&line, 0, (line.bottom - line.top) + kHintGap);
  }
}

void DrawIdleContent(HDC target, CMobileInfoWnd& page) {
  const CMobileInfoWnd::ViewImages& images = page.Images();
  DrawInOwnRect(target, images.idleHeading, kIdleHeadingAt);
  DrawInOwnRect(target, images.smallPhone, kIdlePhoneAt);
  DrawInOwnRect(target, images.usbCable, kIdleCableAt);
  DrawInOwnRect(target, images.computer, kIdleComputerAt);
  DrawInOwnRect(target, images.connectSteps, kIdleStepsAt);
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
  current = PictureRect(images.currentDot, CurrentDotAt(step));
  resting = PictureRect(images.restingRing, RestingRingAt(step));
  return true;
}
