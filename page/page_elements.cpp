#include "page/page_elements.h"

#include <iterator>

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
constexpr int kTileCount = CMobileInfoWnd::kTileCount;

static_assert(kMaxFocusElements == CMobileInfoWnd::kButtonCount + kTileCount, "every button and tile fits");

// What an element is before its words are made: texts whose words are fixed carry them.
enum class Part { Text, Title, Warning, Tile, PhoneBar, CardBar, Battery };

struct Slot {
  Part part = Part::Text;
  const wchar_t* text = nullptr;  // Text and Warning
  int tile = 0;
  LONG role = ROLE_SYSTEM_STATICTEXT;
  RECT rect = {0, 0, 0, 0};  // measured with the words for Title and Warning
  UINT commandId = 0;
};

// The information view with the warning is the longest: title, warning, install button, card
// tab, the tiles, two bars and the battery.
constexpr size_t kMaxSlots = 4 + kTileCount + 3;
static_assert(kMaxSlots >= 2 + std::size(kHints), "the failed view fits");

// The elements in reading order, decided here only, so that the keyboard's order and the
// screen reader's cannot drift apart.
class Slots {
 public:
  size_t size() const { return count_; }
  const Slot* begin() const { return items_.data(); }
  const Slot* end() const { return items_.data() + count_; }

  void Add(const Slot& slot) {
    if (count_ < items_.size()) items_[count_++] = slot;
  }
  void AddText(const wchar_t* text, const RECT& rect) {
    Slot slot;
    slot.text = text;
    slot.rect = rect;
    Add(slot);
  }
  void AddButton(const CVinButton& button, const wchar_t* caption) {
    if (!button.visible) return;
    Slot slot;
    slot.text = caption;
    slot.role = ROLE_SYSTEM_PUSHBUTTON;
    slot.rect = button.rect;
    slot.commandId = button.id;
    Add(slot);
  }
  void AddPart(Part part, const CVinControl& control, LONG role) {
    if (!control.visible) return;
    Slot slot;
    slot.part = part;
    slot.role = role;
    slot.rect = control.rect;
    Add(slot);
  }

 private:
  std::array<Slot, kMaxSlots> items_ = {};
  size_t count_ = 0;
};

RECT RectAt(POINT at, SIZE size) { return {at.x, at.y, at.x + size.cx, at.y + size.cy}; }

// A picture at its own size (already drawn for the page's scale) at a logical place.
RECT PictureRect(const CMobileInfoWnd& page, const CxImage& image, POINT at) {
  return RectAt(page.Scale().PxPoint(at), {static_cast<LONG>(image.Width()), static_cast<LONG>(image.Height())});
}

void AddInformationView(Slots& slots, CMobileInfoWnd& page, bool guardMissing) {
  Slot title;
  title.part = Part::Title;
  slots.Add(title);
  if (guardMissing) {
    Slot warning;
    warning.part = Part::Warning;
    warning.text = kGuardWarning;
    slots.Add(warning);
    if (page.InstallButtonCreated()) slots.AddButton(page.InstallButton(), kInstallCaption);
  }
  const CxImage& cardTab = page.Images().cardTab;
  if (cardTab.IsValid()) slots.AddText(kCardTabCaption, PictureRect(page, cardTab, kCardTabAt));

  for (int i = 0; i < kTileCount; ++i) {
    const CMobileIcon& tile = page.Tile(i);
    if (!tile.visible) continue;
    Slot slot;
    slot.part = Part::Tile;
    slot.tile = i;
    slot.rect = tile.rect;
    if (LinkForTile(tile.id) != nullptr) {
      slot.role = ROLE_SYSTEM_LINK;
      slot.commandId = tile.id;
    }
    slots.Add(slot);
  }
  slots.AddPart(Part::PhoneBar, page.PhoneBar(), ROLE_SYSTEM_PROGRESSBAR);
  slots.AddPart(Part::CardBar, page.CardBar(), ROLE_SYSTEM_PROGRESSBAR);
  slots.AddPart(Part::Battery, page.Battery(), ROLE_SYSTEM_PROGRESSBAR);
}

Slots ViewSlots(CMobileInfoWnd& page) {
  Slots slots;
  const CMobileInfoWnd::ViewImages& images = page.Images();
  switch (ViewForState(page.Phone().state)) {
    case PageView::Connected:
      AddInformationView(slots, page, false);
      break;
    case PageView::GuardMissing:
      AddInformationView(slots, page, true);
      break;
    case PageView::Connecting:
      if (images.connectingHeading.IsValid()) {
        slots.AddText(kConnectingHeading, PictureRect(page, images.connectingHeading, kConnectingHeadingAt));
      }
      slots.AddText(kConnectingText, page.Scale().PxRect(kConnectingTextRect));
      break;
    case PageView::ConnectFailed: {
      if (images.failedHeading.IsValid()) {
        slots.AddText(kFailedHeading, PictureRect(page, images.failedHeading, kFailedHeadingAt));
      }
      int index = 0;
      for (const wchar_t* hint : kHints) slots.AddText(hint, page.Scale().PxRect(HintRect(index++)));
      slots.AddButton(page.ReconnectButton(), page.ReconnectButton().Text().c_str());
      break;
    }
    case PageView::Idle:
      if (images.idleHeading.IsValid()) {
        slots.AddText(kIdleHeading, PictureRect(page, images.idleHeading, kIdleHeadingAt));
      }
      if (images.connectSteps.IsValid()) {
        const RECT steps = PictureRect(page, images.connectSteps, kIdleStepsAt);
        const LONG divider = page.Scale().Px(kIdleStepsAt.x + kStepsDivider);
        slots.AddText(kFirstStep, {steps.left, steps.top, divider, steps.bottom});
        slots.AddText(kSecondStep, {divider, steps.top, steps.right, steps.bottom});
      }
      break;
  }
  return slots;
}

std::wstring Wide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

std::wstring Percent(UINT value) { return std::to_wstring(value) + L"%"; }

// The extent page_views.cpp measures before it draws a text.
SIZE MeasureText(HFONT font, const std::wstring& text) {
  ScopedMemoryDC dc(nullptr);
  ScopedSaveDC saved(dc.Get());
  SelectObject(dc.Get(), font);
  RECT extent = {0, 0, 1, 1};
  DrawTextW(dc.Get(), text.c_str(), -1, &extent, kMeasureTextFormat);
  return {extent.right - extent.left, extent.bottom - extent.top};
}

// What the tile's dashes mean, in words: a label is a measure word and its noun ("个游戏"),
// and the name says that the count of that noun is not available.
std::wstring UnavailableCountName(const std::wstring& label) {
  return (label.size() > 1 ? label.substr(1) : label) + L"数量不可用";
}

std::wstring TileName(const CMobileIcon& tile) {
  const int count = tile.Count();
  return count == CMobileIcon::kNotAvailable ? UnavailableCountName(tile.Label())
                                             : std::to_wstring(count) + tile.Label();
}

std::wstring BarName(const wchar_t* label, uint64_t freeBytes) {
  return std::wstring(label) + L" " + Wide(FreeSpaceText(freeBytes));
}

}  // namespace

std::vector<PageElement> PageElements(CMobileInfoWnd& page) {
  const Slots slots = ViewSlots(page);
  const PhoneInfo& phone = page.Phone();
  std::vector<PageElement> elements;
  elements.reserve(slots.size());
  LONG titleBottom = 0;
  for (const Slot& slot : slots) {
    PageElement element;
    element.role = slot.role;
    element.rect = slot.rect;
    element.commandId = slot.commandId;
    switch (slot.part) {
      case Part::Text:
        element.name = slot.text;
        break;
      case Part::Title:
        element.name = Wide(TitleText(phone));
        element.rect = RectAt(page.Scale().PxPoint(kTitleAt), MeasureText(page.Font16Bold(), element.name));
        titleBottom = element.rect.bottom;
        break;
      case Part::Warning:
        element.name = slot.text;
        element.rect = RectAt({page.Scale().Px(kTitleAt.x), titleBottom + page.Scale().Px(kWarningGap)},
                              MeasureText(page.Font12(), element.name));
        break;
      case Part::Tile:
        element.name = TileName(page.Tile(slot.tile));
        break;
      case Part::PhoneBar:
        element.name = BarName(kPhoneMemoryLabel, phone.phoneFreeBytes);
        element.value = Percent(page.PhoneBar().Value());
        break;
      case Part::CardBar:
        element.name = BarName(kCardLabel, phone.cardFreeBytes);
        element.value = Percent(page.CardBar().Value());
        break;
      case Part::Battery:
        element.name = kBatteryName;
        element.value = Percent(page.Battery().Level());
        break;
    }
    elements.push_back(std::move(element));
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

const FocusElement* FocusList::Find(UINT commandId) const {
  if (commandId == 0) return nullptr;
  for (const FocusElement& element : *this) {
    if (element.commandId == commandId) return &element;
  }
  return nullptr;
}

LONG FocusList::ChildIdOf(UINT commandId) const {
  const FocusElement* element = Find(commandId);
  return element != nullptr ? element->childId : CHILDID_SELF;
}

void FocusList::Add(const FocusElement& element) {
  if (count_ < items_.size()) items_[count_++] = element;
}

FocusList FocusOrder(CMobileInfoWnd& page) noexcept {
  FocusList order;
  LONG childId = 0;
  for (const Slot& slot : ViewSlots(page)) {
    ++childId;
    if (slot.commandId != 0) order.Add({slot.commandId, slot.role, slot.rect, childId});
  }
  return order;
}
