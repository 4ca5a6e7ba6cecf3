#include "page/page_elements.h"

#include "page/mobile_info_wnd.h"
#include "page/page_protocol.h"
#include "page/page_values.h"
#include "page/view_layout.h"
#include "util/scoped_gdi.h"

namespace {

using namespace page_layout;

// The words inside the pictures (tools/artwork/README.md), kept in step with the artwork by
// the accessibility tests, and the names of what has no words.
constexpr wchar_t kBatteryName[] = L"电池电量";
constexpr wchar_t kIdleHeading[] = L"请用USB数据线将手机连接到电脑";
constexpr wchar_t kFirstStep[] = L"1 连接数据线 用USB数据线将手机连接到电脑";
constexpr wchar_t kSecondStep[] = L"2 打开USB调试 在手机的开发者选项中打开USB调试";
constexpr wchar_t kConnectingHeading[] = L"正在连接手机…";
constexpr wchar_t kFailedHeading[] = L"手机连接失败，请尝试以下方法";
constexpr wchar_t kCardTabCaption[] = L"手机信息";
constexpr wchar_t kInstallCaption[] = L"安装Pelmar";

constexpr int kStepsDivider = 329;  // column of the line between the two steps in the picture
constexpr int kTileCount = 8;

std::wstring Wide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

std::wstring Percent(UINT value) { return std::to_wstring(value) + L"%"; }

// The extent page_views.cpp measures before it draws a text.
SIZE MeasureText(HDC dc, HFONT font, const std::wstring& text) {
  ScopedSaveDC saved(dc);
  SelectObject(dc, font);
  RECT extent = {0, 0, 1, 1};
  DrawTextW(dc, text.c_str(), -1, &extent, kMeasureTextFormat);
  return {extent.right - extent.left, extent.bottom - extent.top};
}

RECT RectAt(POINT at, SIZE size) { return {at.x, at.y, at.x + size.cx, at.y + size.cy}; }

RECT PictureRect(const CxImage& image, POINT at) {
  return RectAt(at, {static_cast<LONG>(image.Width()), static_cast<LONG>(image.Height())});
}

// What the tile's dashes mean, in words: a label is a measure word and its noun ("个游戏"),
// and the name says that the count of that noun is not available.
std::wstring UnavailableCountName(const std::wstring& label) {
  return (label.size() > 1 ? label.substr(1) : label) + L"数量不可用";
}

void AddText(std::vector<PageElement>& elements, std::wstring name, const RECT& rect) {
  PageElement element;
  element.name = std::move(name);
  element.rect = rect;
  elements.push_back(std::move(element));
}

void AddButton(std::vector<PageElement>& elements, const CVinButton& button, std::wstring name) {
  if (!button.visible) return;
  PageElement element;
  element.name = std::move(name);
  element.role = ROLE_SYSTEM_PUSHBUTTON;
  element.rect = button.rect;
  element.commandId = button.id;
  elements.push_back(std::move(element));
}

void AddBar(std::vector<PageElement>& elements, const CVinControl& bar, const wchar_t* label,
            uint64_t freeBytes, UINT value) {
  if (!bar.visible) return;
  PageElement element;
  element.name = std::wstring(label) + L" " + Wide(FreeSpaceText(freeBytes));
  element.value = Percent(value);
  element.role = ROLE_SYSTEM_PROGRESSBAR;
  element.rect = bar.rect;
  elements.push_back(std::move(element));
}

void AddInformationView(std::vector<PageElement>& elements, CMobileInfoWnd& page, bool guardMissing) {
  const PhoneInfo& phone = page.Phone();
  ScopedMemoryDC dc(nullptr);
  const std::wstring title = Wide(TitleText(phone));
  const RECT titleRect = RectAt(kTitleAt, MeasureText(dc.Get(), page.Font16Bold(), title));
  AddText(elements, title, titleRect);
  if (guardMissing) {
    const POINT at = {kTitleAt.x, titleRect.bottom + kWarningGap};
    AddText(elements, kGuardWarning, RectAt(at, MeasureText(dc.Get(), page.Font12(), kGuardWarning)));
    if (page.InstallButtonCreated()) AddButton(elements, page.InstallButton(), kInstallCaption);
  }
  const CxImage& cardTab = page.Images().cardTab;
  if (cardTab.IsValid()) AddText(elements, kCardTabCaption, PictureRect(cardTab, kCardTabAt));

  for (int i = 0; i < kTileCount; ++i) {
    const CMobileIcon& tile = page.Tile(i);
    if (!tile.visible) continue;
    PageElement element;
    const int count = tile.Count();
    element.name = count == CMobileIcon::kNotAvailable ? UnavailableCountName(tile.Label())
                                                       : std::to_wstring(count) + tile.Label();
    element.rect = tile.rect;
    if (LinkForTile(tile.id) != nullptr) {
      element.role = ROLE_SYSTEM_LINK;
      element.commandId = tile.id;
    }
    elements.push_back(std::move(element));
  }
  AddBar(elements, page.PhoneBar(), kPhoneMemoryLabel, phone.phoneFreeBytes, page.PhoneBar().Value());
  AddBar(elements, page.CardBar(), kCardLabel, phone.cardFreeBytes, page.CardBar().Value());
  const CVinBattery& battery = page.Battery();
  if (battery.visible) {
    PageElement element;
    element.name = kBatteryName;
    element.value = Percent(battery.Level());
    element.role = ROLE_SYSTEM_PROGRESSBAR;
    element.rect = battery.rect;
    elements.push_back(std::move(element));
  }
}

}  // namespace

std::vector<PageElement> PageElements(CMobileInfoWnd& page) {
  std::vector<PageElement> elements;
  const CMobileInfoWnd::ViewImages& images = page.Images();
  switch (ViewForState(page.Phone().state)) {
    case PageView::Connected:
      AddInformationView(elements, page, false);
      break;
    case PageView::GuardMissing:
      AddInformationView(elements, page, true);
      break;
    case PageView::Connecting:
      if (images.connectingHeading.IsValid()) {
        AddText(elements, kConnectingHeading, PictureRect(images.connectingHeading, kConnectingHeadingAt));
      }
      AddText(elements, kConnectingText, kConnectingTextRect);
      break;
    case PageView::ConnectFailed: {
      if (images.failedHeading.IsValid()) {
        AddText(elements, kFailedHeading, PictureRect(images.failedHeading, kFailedHeadingAt));
      }
      RECT line = kFirstHintRect;
      for (const wchar_t* hint : kHints) {
        AddText(elements, hint, line);
        OffsetRect(&line, 0, (line.bottom - line.top) + kHintGap);
      }
      AddButton(elements, page.ReconnectButton(), page.ReconnectButton().Text());
      break;
    }
    case PageView::Idle:
      if (images.idleHeading.IsValid()) {
        AddText(elements, kIdleHeading, PictureRect(images.idleHeading, kIdleHeadingAt));
      }
      if (images.connectSteps.IsValid()) {
        const RECT steps = PictureRect(images.connectSteps, kIdleStepsAt);
        AddText(elements, kFirstStep, {steps.left, steps.top, steps.left + kStepsDivider, steps.bottom});
        AddText(elements, kSecondStep, {steps.left + kStepsDivider, steps.top, steps.right, steps.bottom});
      }
      break;
  }
  return elements;
}

LONG ChildIdOf(const std::vector<PageElement>& elements, UINT commandId) {
  if (commandId == 0) return CHILDID_SELF;
  for (size_t i = 0; i < elements.size(); ++i) {
    if (elements[i].commandId == commandId) return static_cast<LONG>(i + 1);
  }
  return CHILDID_SELF;
}
