#include "page/page_model.h"

#include <algorithm>
#include <string>
#include <utility>

#include "page/page_values.h"
#include "resources/resource.h"

static_assert(kTileNotAvailable == kCountNotAvailable, "a tile's dashes are the details' missing count");

namespace {

constexpr uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) { return r | g << 8 | b << 16; }

constexpr uint32_t kBackgroundColor = Rgb(0xF8, 0xF6, 0xF4);
constexpr uint32_t kTitleColor = Rgb(0x26, 0x68, 0x9B);
constexpr uint32_t kWarningColor = Rgb(0x37, 0x37, 0x37);
constexpr uint32_t kCapacityColor = Rgb(0x53, 0x53, 0x53);
constexpr uint32_t kStatusTextColor = Rgb(0x77, 0x77, 0x77);

// The page's own texts, and the words inside the pictures (tools/artwork/README.md), kept in
// step with the artwork by the accessibility tests.
constexpr char16_t kGuardWarning[] = u"尚未安装最新版Pelmar，不能与电脑进行通讯，建议立即安装。";
constexpr char16_t kPhoneMemoryLabel[] = u"手机容量";
constexpr char16_t kCardLabel[] = u"存储卡容量";
constexpr char16_t kConnectingText[] = u"正在帮您连接手机与电脑，通常几秒就能完成，请稍候";
constexpr const char16_t* kHints[] = {
    u"1、如果您已经拔出手机，请重新插上",
    u"2、如果您的手机未打开“USB调试模式”，请重新打开",
    u"3、重试一次有问题后，请更换电脑插口再插上手机，然后点击重新连接",
    u"4、拔出手机，重新插上后重新连接一次",
};
constexpr char16_t kReconnectCaption[] = u"重新连接";
constexpr char16_t kBatteryName[] = u"电池电量";
constexpr char16_t kIdleHeading[] = u"请用USB数据线将手机连接到电脑";
constexpr char16_t kFirstStep[] = u"1 连接数据线 用USB数据线将手机连接到电脑";
constexpr char16_t kSecondStep[] = u"2 打开USB调试 在手机的开发者选项中打开USB调试";
constexpr char16_t kConnectingHeading[] = u"正在连接手机…";
constexpr char16_t kFailedHeading[] = u"手机连接失败，请尝试以下方法";
constexpr char16_t kCardTabCaption[] = u"手机信息";
constexpr char16_t kInstallCaption[] = u"安装Pelmar";
constexpr const char16_t* kTileLabels[kTileCount] = {
    u"个应用", u"张图片", u"首音乐", u"个视频", u"本小说", u"个联系人", u"条短信", u"个游戏",
};

// Where everything goes, in logical pixels. Information views:
constexpr int kTopBandEdge = 70;
constexpr int kCardEdge = 18;
constexpr PageRect kCardRect = {38, 118, 738, 455};
constexpr PagePoint kCardTabAt = {37, 136};
constexpr PagePoint kConnectedMarkAt = {19, 5};
constexpr PagePoint kTitleAt = {65, 13};
constexpr int kWarningGap = 2;
constexpr PagePoint kPhonePictureCentre = {694, 284};
constexpr PagePoint kPhoneLabelAt = {48, 506};
constexpr PagePoint kPhoneFreeEnd = {245, 506};
constexpr PagePoint kCardLabelAt = {310, 506};
constexpr PagePoint kCardFreeEnd = {506, 506};
constexpr PageRect kPhoneBarRect = {46, 524, 246, 543};
constexpr PageRect kCardBarRect = {308, 524, 508, 543};
constexpr PageRect kBatteryRect = {589, 503, 798, 569};
// Two rows of four 80 x 90 tiles, 113 apart across and 104 apart down.
constexpr int kTileWidth = 80;
constexpr int kTileHeight = 90;
constexpr int kTileLeft = 122;
constexpr int kTileTop = 197;
constexpr int kTileStepX = 113;
constexpr int kTileStepY = 104;
constexpr int kTilesPerRow = 4;
// The install button hangs from the top right: its caption box is (W - 200, 2, W - 128, 48).
constexpr int kInstallFromRight = 200;
constexpr int kInstallCaptionWidth = 72;
constexpr int kInstallTop = 2;
constexpr int kInstallBottom = 48;

// Connecting and failed views.
constexpr PagePoint kConnectingPhoneAt = {199, 200};
constexpr PagePoint kConnectingComputerAt = {529, 200};
constexpr int kFirstDotX = 288;
constexpr int kDotSpacing = 53;
constexpr uint32_t kDotCount = 5;
constexpr PagePoint kCurrentDotOffset = {-4, 233};  // x relative to the dot's column
constexpr int kRestingRingY = 237;
constexpr PagePoint kConnectingHeadingAt = {338, 323};
constexpr PageRect kConnectingTextRect = {270, 373, 570, 387};
constexpr PagePoint kFailedPhoneAt = {184, 164};
constexpr PagePoint kFailedHeadingAt = {269, 168};
constexpr PageRect kFirstHintRect = {267, 218, 767, 234};
constexpr int kHintGap = 14;
constexpr PageRect kReconnectRect = {340, 382, 462, 430};
constexpr PageRect kReconnectCaptionRect = {340, 382, 462, 426};

// Idle view.
constexpr PagePoint kIdleHeadingAt = {118, 79};
constexpr PagePoint kIdlePhoneAt = {200, 177};
constexpr PagePoint kIdleCableAt = {281, 211};
constexpr PagePoint kIdleComputerAt = {530, 177};
constexpr PagePoint kIdleStepsAt = {80, 331};
constexpr int kStepsDivider = 329;  // column of the line between the two steps in the picture

constexpr int kButtonFocusInset = 3;  // where a standard push button draws its focus

constexpr uint32_t kStatusViews =
    ViewBit(PageView::Idle) | ViewBit(PageView::Connecting) | ViewBit(PageView::ConnectFailed);
constexpr uint32_t kInformationViews = ViewBit(PageView::Connected) | ViewBit(PageView::GuardMissing);

PageRect RectAt(PagePoint at, PageSize size) { return {at.x, at.y, at.x + size.cx, at.y + size.cy}; }

// Hint `index`'s line, at 100 percent: edges are scaled, so the lines are placed first.
PageRect HintRect(int index) {
  const int32_t step = (kFirstHintRect.bottom - kFirstHintRect.top + kHintGap) * index;
  return {kFirstHintRect.left, kFirstHintRect.top + step, kFirstHintRect.right, kFirstHintRect.bottom + step};
}

PagePoint CurrentDotAt(uint32_t step) {
  return {kFirstDotX + kDotSpacing * static_cast<int32_t>(step) + kCurrentDotOffset.x, kCurrentDotOffset.y};
}

PagePoint RestingRingAt(uint32_t step) {
  return {kFirstDotX + kDotSpacing * static_cast<int32_t>(step), kRestingRingY};
}

std::u16string Decimal(int64_t value) {
  const std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

std::u16string Percent(int32_t value) { return Decimal(value) + u"%"; }

// What the tile's dashes mean, in words: a label is a measure word and its noun ("个游戏"),
// and the name says that the count of that noun is not available.
std::u16string TileName(int index, int count) {
  const std::u16string_view label = TileLabel(index);
  if (count != kTileNotAvailable) return Decimal(count) + std::u16string(label);
  return std::u16string(label.size() > 1 ? label.substr(1) : label) + u"数量不可用";
}

// Appends the elements of one view, in drawing order; described ones get a place in the
// reading order, which is the drawing order unless a rank says otherwise.
class ViewBuilder {
 public:
  ViewBuilder(const PageModelInputs& inputs, ITextMeasure& measure, std::vector<ViewElement>& elements)
      : in_(inputs), scale_(inputs.scale), measure_(measure), elements_(elements) {}

  const std::vector<std::pair<int, uint16_t>>& Reading() const { return reading_; }
  const ViewElement& Last() const { return elements_.back(); }

  PageRect Client() const { return {0, 0, in_.client.cx, in_.client.cy}; }
  PageSize SizeOf(PagePicture picture) const { return in_.pictures[static_cast<size_t>(picture)]; }
  bool Has(PagePicture picture) const { return !SizeOf(picture).Empty(); }

  ViewElement& Add(ElementKind kind, const PageRect& rect, bool backdrop = false) {
    elements_.emplace_back();
    ViewElement& element = elements_.back();
    element.kind = kind;
    element.rect = rect;
    element.backdrop = backdrop;
    return element;
  }

  // Gives the element just added a name; `rank` orders it among the view's described ones.
  ViewElement& Describe(AccessRole role, std::u16string name, int rank = -1) {
    ViewElement& element = elements_.back();
    element.role = role;
    element.name = std::move(name);
    reading_.emplace_back(rank < 0 ? static_cast<int>(reading_.size()) : rank,
                          static_cast<uint16_t>(elements_.size() - 1));
    return element;
  }

  void Fill() { Add(ElementKind::Fill, Client(), true).color = kBackgroundColor; }

  // The status views' background, copied over the whole client: the plain fill only in its
  // place, as drawing both would pass over a fresh frame's memory twice.
  void StatusBackdrop() {
    if (!Has(PagePicture::StatusBackground)) Fill();
    Spread(PagePicture::StatusBackground, Client(), PictureFit::StretchOpaque);
  }

  // A picture drawn for the scale already, so at its own size; false when it is not loaded.
  bool Picture(PagePicture picture, PagePoint logical, PictureFit fit = PictureFit::At, bool backdrop = false) {
    if (!Has(picture)) return false;
    ViewElement& element = Add(ElementKind::Picture, RectAt(scale_.PxPoint(logical), SizeOf(picture)), backdrop);
    element.picture = picture;
    element.fit = fit;
    return true;
  }

  void Spread(PagePicture picture, const PageRect& rect, PictureFit fit, int32_t sliceEdge = 0) {
    if (!Has(picture)) return;
    ViewElement& element = Add(ElementKind::Picture, rect, true);
    element.picture = picture;
    element.fit = fit;
    element.sliceEdge = sliceEdge;
  }

  // A text measured in its font; `at` in pixels is its left or, for TextFit::Right, its right.
  ViewElement& MeasuredText(std::u16string text, PageFont font, uint32_t color, PagePoint at, TextFit fit) {
    const PageSize size = measure_.Measure(font, text);
    const PageRect rect =
        fit == TextFit::Right ? PageRect{at.x - size.cx, at.y, at.x, at.y + size.cy} : RectAt(at, size);
    return TextIn(std::move(text), font, color, rect, fit);
  }

  ViewElement& TextIn(std::u16string text, PageFont font, uint32_t color, const PageRect& rect, TextFit fit) {
    ViewElement& element = Add(ElementKind::Text, rect);
    element.text = std::move(text);
    element.font = font;
    element.color = color;
    element.textFit = fit;
    return element;
  }

  ViewElement& Control(PageControl control, int index, PageSize frame = {}) {
    PageRect rect = ControlPlace(control, index, scale_, in_.client);
    // A button is as large as one frame of its strip, when it has one.
    if (!frame.Empty()) rect = RectAt({rect.left, rect.top}, frame);
    ViewElement& element = Add(ElementKind::Control, rect);
    element.control = control;
    element.index = index;
    return element;
  }

 private:
  const PageModelInputs& in_;
  const DisplayScale& scale_;
  ITextMeasure& measure_;
  std::vector<ViewElement>& elements_;
  std::vector<std::pair<int, uint16_t>> reading_;
};

// The information view reads title, warning, install button, card tab, tiles, bars and
// battery; it draws the controls last.
enum InformationRank { kTitleRank, kWarningRank, kInstallRank, kCardTabRank, kFirstTileRank };
constexpr int kPhoneBarRank = kFirstTileRank + kTileCount;

void AddInformationView(ViewBuilder& view, const PageModelInputs& in, bool guardMissing) {
  const DisplayScale& scale = in.scale;
  const PhoneInfo& phone = *in.phone;
  const PageRect client = view.Client();
  view.Fill();
  view.Spread(PagePicture::InfoBackground, client, PictureFit::Stretch);
  const PageRect band = {client.left, client.top, client.right, client.top + view.SizeOf(PagePicture::TopBand).cy};
  view.Spread(PagePicture::TopBand, band, PictureFit::ThreeSlice, scale.Px(kTopBandEdge));
  view.Spread(PagePicture::InfoCard, scale.PxRect(kCardRect), PictureFit::ThreeSlice, scale.Px(kCardEdge));
  if (view.Picture(PagePicture::CardTab, kCardTabAt, PictureFit::At, true)) {
    view.Describe(AccessRole::StaticText, kCardTabCaption, kCardTabRank);
  }
  view.Picture(PagePicture::ConnectedMark, kConnectedMarkAt, PictureFit::At, true);

  const std::u16string title = TitleText(phone);
  const PageRect titleRect =
      view.MeasuredText(title, PageFont::Bold16, kTitleColor, scale.PxPoint(kTitleAt), TextFit::Left).rect;
  view.Describe(AccessRole::StaticText, title, kTitleRank);
  if (guardMissing) {
    view.MeasuredText(kGuardWarning, PageFont::Regular12, kWarningColor,
                      {scale.Px(kTitleAt.x), titleRect.bottom + scale.Px(kWarningGap)}, TextFit::Left);
    view.Describe(AccessRole::StaticText, kGuardWarning, kWarningRank);
  }

  // Centred on the anchor, half sizes rounded down: an odd size is drawn one pixel smaller.
  if (!in.phonePicture.Empty()) {
    const PagePoint centre = scale.PxPoint(kPhonePictureCentre);
    const int32_t halfWidth = in.phonePicture.cx / 2;
    const int32_t halfHeight = in.phonePicture.cy / 2;
    ViewElement& picture = view.Add(ElementKind::Picture, {centre.x - halfWidth, centre.y - halfHeight,
                                                           centre.x + halfWidth, centre.y + halfHeight});
    picture.picture = PagePicture::Phone;
    picture.fit = PictureFit::InOwnRect;
  }

  const std::u16string phoneFree = FreeSpaceText(phone.phoneFreeBytes);
  const std::u16string cardFree = FreeSpaceText(phone.cardFreeBytes);
  view.MeasuredText(kPhoneMemoryLabel, PageFont::Bold12, kCapacityColor, scale.PxPoint(kPhoneLabelAt), TextFit::Left);
  view.MeasuredText(phoneFree, PageFont::Regular12, kCapacityColor, scale.PxPoint(kPhoneFreeEnd), TextFit::Right);
  view.MeasuredText(kCardLabel, PageFont::Bold12, kCapacityColor, scale.PxPoint(kCardLabelAt), TextFit::Left);
  view.MeasuredText(cardFree, PageFont::Regular12, kCapacityColor, scale.PxPoint(kCardFreeEnd), TextFit::Right);

  const struct {
    PageControl control;
    const char16_t* label;
    const std::u16string* free;
    uint64_t total;
    uint64_t freeBytes;
  } bars[] = {
      {PageControl::PhoneBar, kPhoneMemoryLabel, &phoneFree, phone.phoneTotalBytes, phone.phoneFreeBytes},
      {PageControl::CardBar, kCardLabel, &cardFree, phone.cardTotalBytes, phone.cardFreeBytes},
  };
  int rank = kPhoneBarRank;
  for (const auto& bar : bars) {
    ViewElement& element = view.Control(bar.control, 0);
    element.number = static_cast<int32_t>(UsedPercent(bar.total, bar.freeBytes));
    view.Describe(AccessRole::ProgressBar, bar.label + (u" " + *bar.free), rank++).value = Percent(element.number);
  }
  ViewElement& battery = view.Control(PageControl::Battery, 0);
  battery.number = static_cast<int32_t>(BatteryLevel(phone.batteryPercent));
  view.Describe(AccessRole::ProgressBar, kBatteryName, rank).value = Percent(battery.number);

  const int32_t counts[kTileCount] = {
      phone.appCount,   phone.pictureCount, phone.musicCount, phone.videoCount,
      phone.novelCount, phone.contactCount, phone.smsCount,   kTileNotAvailable,
  };
  for (int i = 0; i < kTileCount; ++i) {
    ViewElement& tile = view.Control(PageControl::Tile, i);
    tile.number = counts[i];
    const bool link = kTileLink[i] >= 0;
    ViewElement& described =
        view.Describe(link ? AccessRole::Link : AccessRole::StaticText, TileName(i, counts[i]), kFirstTileRank + i);
    if (link) described.command = kFirstTileId + static_cast<uint32_t>(i);
  }
  if (guardMissing) {
    view.Control(PageControl::Install, 0, in.installFrame);
    view.Describe(AccessRole::PushButton, kInstallCaption, kInstallRank).command = kInstallButtonId;
  }
}

void AddConnectingView(ViewBuilder& view, const PageModelInputs& in) {
  view.StatusBackdrop();
  view.Picture(PagePicture::SmallPhone, kConnectingPhoneAt);
  view.Picture(PagePicture::Computer, kConnectingComputerAt);
  if (view.Has(PagePicture::CurrentDot) && view.Has(PagePicture::RestingRing)) {
    for (uint32_t i = 0; i < kDotCount; ++i) {
      if (i == in.animStep) {
        view.Picture(PagePicture::CurrentDot, CurrentDotAt(i));
      } else {
        view.Picture(PagePicture::RestingRing, RestingRingAt(i));
      }
    }
  }
  if (view.Picture(PagePicture::ConnectingHeading, kConnectingHeadingAt)) {
    view.Describe(AccessRole::StaticText, kConnectingHeading);
  }
  view.TextIn(kConnectingText, PageFont::Regular12, kStatusTextColor, in.scale.PxRect(kConnectingTextRect),
              TextFit::Line);
  view.Describe(AccessRole::StaticText, kConnectingText);
}

void AddConnectFailedView(ViewBuilder& view, const PageModelInputs& in) {
  view.StatusBackdrop();
  view.Picture(PagePicture::SmallPhone, kFailedPhoneAt);
  if (view.Picture(PagePicture::FailedHeading, kFailedHeadingAt)) {
    view.Describe(AccessRole::StaticText, kFailedHeading);
  }
  int index = 0;
  for (const char16_t* hint : kHints) {
    view.TextIn(hint, PageFont::Regular14, kStatusTextColor, in.scale.PxRect(HintRect(index++)), TextFit::Line);
    view.Describe(AccessRole::StaticText, hint);
  }
  ViewElement& button = view.Control(PageControl::Reconnect, 0, in.reconnectFrame);
  button.text = kReconnectCaption;
  view.Describe(AccessRole::PushButton, button.text).command = kReconnectButtonId;
}

void AddIdleView(ViewBuilder& view, const PageModelInputs& in) {
  view.StatusBackdrop();
  if (view.Picture(PagePicture::IdleHeading, kIdleHeadingAt, PictureFit::InOwnRect)) {
    view.Describe(AccessRole::StaticText, kIdleHeading);
  }
  view.Picture(PagePicture::SmallPhone, kIdlePhoneAt, PictureFit::InOwnRect);
  view.Picture(PagePicture::UsbCable, kIdleCableAt, PictureFit::InOwnRect);
  view.Picture(PagePicture::Computer, kIdleComputerAt, PictureFit::InOwnRect);
  if (view.Picture(PagePicture::ConnectSteps, kIdleStepsAt, PictureFit::InOwnRect)) {
    // One picture with two steps in it, read as two texts split at the line between them.
    const PageRect steps = view.Last().rect;
    const int32_t divider = in.scale.Px(kIdleStepsAt.x + kStepsDivider);
    view.Add(ElementKind::Words, {steps.left, steps.top, divider, steps.bottom});
    view.Describe(AccessRole::StaticText, kFirstStep);
    view.Add(ElementKind::Words, {divider, steps.top, steps.right, steps.bottom});
    view.Describe(AccessRole::StaticText, kSecondStep);
  }
}

}  // namespace

constexpr PagePictureSource kPagePictureSources[kPagePictureCount] = {
    {PagePicture::StatusBackground, IDR_PNG_STATUS_BACKGROUND, kStatusViews},
    {PagePicture::IdleHeading, IDR_PNG_IDLE_HEADING, ViewBit(PageView::Idle)},
    {PagePicture::SmallPhone, IDR_PNG_SMALL_PHONE, kStatusViews},
    {PagePicture::UsbCable, IDR_PNG_USB_CABLE, ViewBit(PageView::Idle)},
    {PagePicture::Computer, IDR_PNG_COMPUTER, ViewBit(PageView::Idle) | ViewBit(PageView::Connecting)},
    {PagePicture::ConnectSteps, IDR_PNG_CONNECT_STEPS, ViewBit(PageView::Idle)},
    {PagePicture::ConnectingHeading, IDR_PNG_CONNECTING_HEADING, ViewBit(PageView::Connecting)},
    {PagePicture::CurrentDot, IDR_PNG_CURRENT_DOT, ViewBit(PageView::Connecting)},
    {PagePicture::RestingRing, IDR_PNG_RESTING_RING, ViewBit(PageView::Connecting)},
    {PagePicture::FailedHeading, IDR_PNG_FAILED_HEADING, ViewBit(PageView::ConnectFailed)},
    {PagePicture::InfoBackground, IDR_PNG_INFO_BACKGROUND, kInformationViews},
    {PagePicture::TopBand, IDR_PNG_TOP_BAND, kInformationViews},
    {PagePicture::InfoCard, IDR_PNG_INFO_CARD, kInformationViews},
    {PagePicture::CardTab, IDR_PNG_CARD_TAB, kInformationViews},
    {PagePicture::ConnectedMark, IDR_PNG_CONNECTED_MARK, kInformationViews},
    {PagePicture::GenericPhone, IDR_PNG_GENERIC_PHONE, kInformationViews},
};

// The window keeps picture i in slot i: the table is in the order of PagePicture.
constexpr bool InPictureOrder() {
  for (size_t i = 0; i < kPagePictureCount; ++i) {
    if (kPagePictureSources[i].picture != static_cast<PagePicture>(i)) return false;
  }
  return true;
}
static_assert(InPictureOrder(), "kPagePictureSources lists the pictures in their enum's order");

bool operator==(const PageModelInputs& a, const PageModelInputs& b) {
  for (size_t i = 0; i < kPagePictureCount; ++i) {
    if (a.pictures[i] != b.pictures[i]) return false;
  }
  return a.phone == b.phone && a.animStep == b.animStep && a.scale == b.scale && a.client == b.client &&
         a.phonePicture == b.phonePicture && a.reconnectFrame == b.reconnectFrame && a.installFrame == b.installFrame;
}

PageModel::PageModel(const PageModelInputs& inputs, ITextMeasure& measure)
    : view_(ViewForState(inputs.phone->state)), scale_(inputs.scale), client_(inputs.client) {
  ViewBuilder view(inputs, measure, elements_);
  switch (view_) {
    case PageView::Connected:
      AddInformationView(view, inputs, false);
      break;
    case PageView::GuardMissing:
      AddInformationView(view, inputs, true);
      break;
    case PageView::Connecting:
      AddConnectingView(view, inputs);
      break;
    case PageView::ConnectFailed:
      AddConnectFailedView(view, inputs);
      break;
    case PageView::Idle:
      AddIdleView(view, inputs);
      break;
  }
  std::vector<std::pair<int, uint16_t>> reading = view.Reading();
  std::stable_sort(reading.begin(), reading.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const auto& [rank, index] : reading) {
    described_.push_back(index);
    if (elements_[index].command != 0) focus_.push_back(index);
  }
}

const ViewElement* PageModel::Control(PageControl control, int index) const {
  for (const ViewElement& element : elements_) {
    if (element.kind == ElementKind::Control && element.control == control && element.index == index) return &element;
  }
  return nullptr;
}

const ViewElement* PageModel::Pressable(uint32_t command) const {
  if (command == 0) return nullptr;
  for (size_t i = 0; i < focus_.size(); ++i) {
    if (Focusable(i).command == command) return &Focusable(i);
  }
  return nullptr;
}

int32_t PageModel::ChildIdOf(uint32_t command) const {
  if (command == 0) return 0;
  for (size_t i = 0; i < described_.size(); ++i) {
    if (Described(i).command == command) return static_cast<int32_t>(i + 1);
  }
  return 0;
}

const ViewElement* PageModel::PressableAt(int32_t x, int32_t y) const {
  for (size_t i = 0; i < focus_.size(); ++i) {
    if (Focusable(i).rect.Contains(x, y)) return &Focusable(i);
  }
  return nullptr;
}

uint32_t PageModel::NextFocus(uint32_t command, int step) const {
  const int count = static_cast<int>(focus_.size());
  if (count == 0) return 0;
  int at = -1;
  for (int i = 0; i < count; ++i) {
    if (Focusable(static_cast<size_t>(i)).command == command && command != 0) at = i;
  }
  const int next = at < 0 ? (step > 0 ? 0 : count - 1) : ((at + step) % count + count) % count;
  return Focusable(static_cast<size_t>(next)).command;
}

std::vector<AccessChange> AccessChanges(const PageModel* before, const PageModel& after) {
  const std::vector<AccessChange> reorder = {{AccessEvent::Reorder, 0}, {AccessEvent::NameChange, 0}};
  if (before == nullptr) return after.View() != PageView::Idle ? reorder : std::vector<AccessChange>();
  const size_t count = after.DescribedCount();
  bool reordered = before->View() != after.View() || before->DescribedCount() != count;
  for (size_t i = 0; !reordered && i < count; ++i) {
    reordered = before->Described(i).role != after.Described(i).role ||
                before->Described(i).command != after.Described(i).command;
  }
  if (reordered) return reorder;
  std::vector<AccessChange> changes;
  for (size_t i = 0; i < count; ++i) {
    const ViewElement& was = before->Described(i);
    const ViewElement& now = after.Described(i);
    const int32_t child = static_cast<int32_t>(i + 1);
    if (was.name != now.name) changes.push_back({AccessEvent::NameChange, child});
    if (was.value != now.value) changes.push_back({AccessEvent::ValueChange, child});
    if (was.rect != now.rect) changes.push_back({AccessEvent::LocationChange, child});
  }
  return changes;
}

namespace {

// Everything that reaches the pixels; what only assistive technology hears is left out.
bool DrawnAlike(const ViewElement& a, const ViewElement& b) {
  return a.kind == b.kind && a.backdrop == b.backdrop && a.rect == b.rect && a.picture == b.picture && a.fit == b.fit &&
         a.sliceEdge == b.sliceEdge && a.font == b.font && a.color == b.color && a.textFit == b.textFit &&
         a.control == b.control && a.index == b.index && a.number == b.number && a.text == b.text;
}

}  // namespace

bool ChangedElements(const PageModel& before, const PageModel& after, std::vector<size_t>& changed) {
  changed.clear();
  const std::vector<ViewElement>& was = before.Elements();
  const std::vector<ViewElement>& now = after.Elements();
  if (before.View() != after.View() || before.Scale() != after.Scale() || before.Client() != after.Client() ||
      was.size() != now.size()) {
    return false;
  }
  for (size_t i = 0; i < now.size(); ++i) {
    if (was[i].kind != now[i].kind || was[i].control != now[i].control) return false;
    if (!DrawnAlike(was[i], now[i])) changed.push_back(i);
  }
  return true;
}

PageAction ActionOf(uint32_t command, uint32_t notification) {
  if (command == kReconnectButtonId && notification == 0) return PageAction::Reconnect;
  if (command == kInstallButtonId && notification == 0) return PageAction::RequestInstall;
  if (command >= kFirstTileId && command <= kLastTileId && kTileLink[command - kFirstTileId] >= 0) {
    return PageAction::OpenHostPage;
  }
  return PageAction::None;
}

PageSize PhotoSizeAt(PageSize decoded, const DisplayScale& scale) {
  return {2 * (scale.Px(decoded.cx) / 2), 2 * (scale.Px(decoded.cy) / 2)};
}

PageRect ControlPlace(PageControl control, int index, const DisplayScale& scale, PageSize client) {
  switch (control) {
    case PageControl::Reconnect:
      return scale.PxRect(kReconnectRect);
    case PageControl::Install: {
      const int32_t left = client.cx - scale.Px(kInstallFromRight);
      return {left, scale.Px(kInstallTop), left + scale.Px(kInstallCaptionWidth), scale.Px(kInstallBottom)};
    }
    case PageControl::PhoneBar:
      return scale.PxRect(kPhoneBarRect);
    case PageControl::CardBar:
      return scale.PxRect(kCardBarRect);
    case PageControl::Battery:
      return scale.PxRect(kBatteryRect);
    case PageControl::Tile: {
      const int32_t left = kTileLeft + kTileStepX * (index % kTilesPerRow);
      const int32_t top = kTileTop + kTileStepY * (index / kTilesPerRow);
      return scale.PxRect(PageRect{left, top, left + kTileWidth, top + kTileHeight});
    }
    case PageControl::None:
      break;
  }
  return {};
}

PageRect ButtonCaptionPlace(PageControl control, const DisplayScale& scale, PageSize client) {
  if (control == PageControl::Reconnect) return scale.PxRect(kReconnectCaptionRect);
  return ControlPlace(control, 0, scale, client);
}

std::u16string_view ButtonCaption(PageControl control) {
  return control == PageControl::Reconnect ? std::u16string_view(kReconnectCaption) : std::u16string_view();
}

std::u16string_view TileLabel(int index) {
  return index >= 0 && index < kTileCount ? std::u16string_view(kTileLabels[index]) : std::u16string_view();
}

bool AnimationDotRects(const DisplayScale& scale, PageSize currentDot, PageSize restingRing, uint32_t step,
                       PageRect& current, PageRect& resting) {
  if (currentDot.Empty() || restingRing.Empty()) return false;
  current = RectAt(scale.PxPoint(CurrentDotAt(step)), currentDot);
  resting = RectAt(scale.PxPoint(RestingRingAt(step)), restingRing);
  return true;
}

PageRect FocusRectOf(const ViewElement& element, const DisplayScale& scale) {
  PageRect rect = element.rect;
  if (element.role == AccessRole::PushButton) {
    const int32_t inset = scale.Px(kButtonFocusInset);
    rect = {rect.left + inset, rect.top + inset, rect.right - inset, rect.bottom - inset};
  }
  return rect;
}
