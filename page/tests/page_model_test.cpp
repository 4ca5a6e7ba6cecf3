#include "page/page_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Every letter 7 pixels wide, lines as high as the font plus its leading.
class FixedMeasure final : public ITextMeasure {
 public:
  PageSize Measure(PageFont font, std::u16string_view text) override {
    return {static_cast<int32_t>(7 * text.size()), kPageFonts[static_cast<size_t>(font)].height + 3};
  }
};

// The pictures at their 100 percent sizes, scaled as the module's picture sets are.
PageModelInputs Inputs(const PhoneInfo& phone, int dpi, PageSize logicalClient = {800, 570}) {
  PageModelInputs in;
  in.phone = &phone;
  in.scale = DisplayScale::ForDpi(dpi);
  in.client = {in.scale.Px(logicalClient.cx), in.scale.Px(logicalClient.cy)};
  const PageSize sizes[kPagePictureCount] = {
      {741, 526}, {300, 23}, {65, 106},  {234, 21}, {116, 106}, {659, 103}, {160, 23}, {20, 20},
      {12, 14},   {288, 23}, {742, 526}, {147, 50}, {60, 337},  {116, 37},  {41, 40},  {204, 373},
  };
  for (size_t i = 0; i < kPagePictureCount; ++i) {
    in.pictures[i] = {in.scale.Px(sizes[i].cx), in.scale.Px(sizes[i].cy)};
  }
  in.phonePicture = in.pictures[static_cast<size_t>(PagePicture::GenericPhone)];
  in.reconnectFrame = {in.scale.Px(122), in.scale.Px(48)};
  in.installFrame = {in.scale.Px(142), in.scale.Px(46)};
  return in;
}

PhoneInfo Record(PageState state) {
  PhoneInfo phone = EmptyPhoneInfo();
  phone.state = static_cast<int32_t>(state);
  SetFieldText(phone.brand, u"Brisa");
  SetFieldText(phone.model, u"Mini");
  phone.appCount = 12;
  phone.pictureCount = 0;
  phone.phoneTotalBytes = 1000;
  phone.phoneFreeBytes = 250;
  phone.cardTotalBytes = 0;
  phone.batteryPercent = 130;
  return phone;
}

std::vector<AccessRole> Roles(const PageModel& model) {
  std::vector<AccessRole> roles;
  for (size_t i = 0; i < model.DescribedCount(); ++i) roles.push_back(model.Described(i).role);
  return roles;
}

std::vector<uint32_t> FocusCommands(const PageModel& model) {
  std::vector<uint32_t> commands;
  for (size_t i = 0; i < model.FocusCount(); ++i) commands.push_back(model.Focusable(i).command);
  return commands;
}

constexpr int kDpis[] = {96, 120, 144, 168, 192, 240};

using R = AccessRole;
const std::vector<AccessRole> kInformationRoles = {
    R::StaticText, R::StaticText, R::Link, R::StaticText,  R::Link,        R::StaticText, R::Link,
    R::StaticText, R::StaticText, R::Link, R::ProgressBar, R::ProgressBar, R::ProgressBar};

// What each view says and lets a keyboard press, in reading order, at every scale.
TEST(PageModelTest, EachViewIsReadAndFocusedInItsOwnOrder) {
  std::vector<AccessRole> guardRoles = kInformationRoles;
  guardRoles.insert(guardRoles.begin() + 1, {R::StaticText, R::PushButton});
  const struct {
    PageState state;
    std::vector<AccessRole> roles;
    std::vector<uint32_t> focus;
  } views[] = {
      {PageState::NoPhone, {R::StaticText, R::StaticText, R::StaticText}, {}},
      {PageState::ReconnectRequested, {R::StaticText, R::StaticText, R::StaticText}, {}},
      {PageState::Connecting, {R::StaticText, R::StaticText}, {}},
      {PageState::ConnectFailed,
       {R::StaticText, R::StaticText, R::StaticText, R::StaticText, R::StaticText, R::PushButton},
       {kReconnectButtonId}},
      {PageState::Connected, kInformationRoles, {1001, 1003, 1005, 1008}},
      {PageState::GuardMissing, guardRoles, {kInstallButtonId, 1001, 1003, 1005, 1008}},
  };
  for (int dpi : kDpis) {
    for (const auto& view : views) {
      SCOPED_TRACE(testing::Message() << "state " << static_cast<int>(view.state) << " at " << dpi);
      const PhoneInfo phone = Record(view.state);
      FixedMeasure measure;
      const PageModel model(Inputs(phone, dpi), measure);
      EXPECT_EQ(Roles(model), view.roles);
      EXPECT_EQ(FocusCommands(model), view.focus);
      const PageRect client = {0, 0, Inputs(phone, dpi).client.cx, Inputs(phone, dpi).client.cy};
      for (size_t i = 0; i < model.DescribedCount(); ++i) {
        const ViewElement& element = model.Described(i);
        EXPECT_FALSE(element.name.empty()) << i;
        EXPECT_LT(element.rect.left, element.rect.right) << i;
        EXPECT_LT(element.rect.top, element.rect.bottom) << i;
        EXPECT_TRUE(element.rect.left >= client.left && element.rect.right <= client.right &&
                    element.rect.top >= client.top && element.rect.bottom <= client.bottom)
            << i;
        if (element.command != 0) {
          EXPECT_EQ(model.ChildIdOf(element.command), static_cast<int32_t>(i + 1));
          EXPECT_EQ(model.Pressable(element.command), &element);
        }
      }
    }
  }
}

TEST(PageModelTest, TheKeyboardWrapsAndAClickFindsWhatIsDrawnThere) {
  const PhoneInfo phone = Record(PageState::GuardMissing);
  for (int dpi : kDpis) {
    SCOPED_TRACE(dpi);
    FixedMeasure measure;
    const PageModel model(Inputs(phone, dpi), measure);
    const std::vector<uint32_t> order = FocusCommands(model);
    ASSERT_EQ(order.size(), 5u);
    EXPECT_EQ(model.NextFocus(0, 1), order.front());
    EXPECT_EQ(model.NextFocus(0, -1), order.back());
    EXPECT_EQ(model.NextFocus(order.back(), 1), order.front());
    EXPECT_EQ(model.NextFocus(order.front(), -1), order.back());
    EXPECT_EQ(model.NextFocus(1002, 1), order.front());  // a tile that is no link
    for (size_t i = 0; i + 1 < order.size(); ++i) EXPECT_EQ(model.NextFocus(order[i], 1), order[i + 1]);

    for (size_t i = 0; i < model.FocusCount(); ++i) {
      const PageRect rect = model.Focusable(i).rect;
      EXPECT_EQ(model.PressableAt(rect.left, rect.top), &model.Focusable(i));
      EXPECT_EQ(model.PressableAt(rect.right - 1, rect.bottom - 1), &model.Focusable(i));
      const ViewElement* right = model.PressableAt(rect.right, rect.bottom - 1);
      EXPECT_TRUE(right == nullptr || right != &model.Focusable(i));
      // A button's focus rectangle lies inside it, a tile's around it.
      const PageRect focus = FocusRectOf(model.Focusable(i), model.Scale());
      EXPECT_TRUE(focus.left >= rect.left && focus.right <= rect.right && focus.top >= rect.top &&
                  focus.bottom <= rect.bottom);
    }
    const PageRect tile = model.Control(PageControl::Tile, 1)->rect;  // not a link
    EXPECT_EQ(model.PressableAt((tile.left + tile.right) / 2, (tile.top + tile.bottom) / 2), nullptr);
  }
  const PhoneInfo idle = Record(PageState::NoPhone);
  FixedMeasure measure;
  const PageModel model(Inputs(idle, 96), measure);
  EXPECT_EQ(model.NextFocus(0, 1), 0u);
  EXPECT_EQ(model.PressableAt(400, 300), nullptr);

  // Whatever can be focused does something when pressed, and nothing else does.
  for (PageState state : {PageState::ConnectFailed, PageState::GuardMissing}) {
    const PhoneInfo phone = Record(state);
    const PageModel shown(Inputs(phone, 144), measure);
    for (size_t i = 0; i < shown.FocusCount(); ++i) {
      EXPECT_NE(ActionOf(shown.Focusable(i).command, 0), PageAction::None) << shown.Focusable(i).command;
    }
  }
  const struct {
    uint32_t command;
    uint32_t notification;
    PageAction action;
  } presses[] = {
      {kReconnectButtonId, 0, PageAction::Reconnect},
      {kReconnectButtonId, 1, PageAction::None},
      {kInstallButtonId, 0, PageAction::RequestInstall},
      {kInstallButtonId, 5, PageAction::None},
      {1001, 0, PageAction::OpenHostPage},
      {1008, 7, PageAction::OpenHostPage},
      {1002, 0, PageAction::None},
      {1000, 0, PageAction::None},
      {1009, 0, PageAction::None},
  };
  for (const auto& press : presses) {
    EXPECT_EQ(ActionOf(press.command, press.notification), press.action) << press.command << "/" << press.notification;
  }
}

// The values a record gives its controls and what a screen reader hears of them.
TEST(PageModelTest, TheRecordsValuesReachTheControlsAndTheirNames) {
  const PhoneInfo phone = Record(PageState::Connected);
  FixedMeasure measure;
  const PageModel model(Inputs(phone, 144), measure);
  const struct {
    PageControl control;
    int index;
    int32_t number;
    std::u16string name;
    std::u16string value;
  } rows[] = {
      {PageControl::PhoneBar, 0, 75, u"手机容量 剩余0.244KB", u"75%"},
      {PageControl::CardBar, 0, 0, u"存储卡容量 剩余0KB", u"0%"},
      {PageControl::Battery, 0, 100, u"电池电量", u"100%"},
      {PageControl::Tile, 0, 12, u"12个应用", u""},
      {PageControl::Tile, 1, 0, u"0张图片", u""},
      {PageControl::Tile, 7, kTileNotAvailable, u"游戏数量不可用", u""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(static_cast<int>(row.control) * 10 + row.index);
    const ViewElement* element = model.Control(row.control, row.index);
    ASSERT_NE(element, nullptr);
    EXPECT_EQ(element->number, row.number);
    EXPECT_EQ(element->name, row.name);
    EXPECT_EQ(element->value, row.value);
  }
  EXPECT_EQ(model.Control(PageControl::Reconnect), nullptr);
  EXPECT_EQ(model.Control(PageControl::Install), nullptr);
}

// Texts are placed by their measured size; the install button and the card follow the client.
TEST(PageModelTest, MeasuredTextsAndTheRightEdgePlaceWhatDependsOnThem) {
  const PhoneInfo phone = Record(PageState::GuardMissing);
  for (int dpi : kDpis) {
    SCOPED_TRACE(dpi);
    const DisplayScale scale = DisplayScale::ForDpi(dpi);
    FixedMeasure measure;
    const PageModel model(Inputs(phone, dpi), measure);
    const ViewElement& title = model.Described(0);
    const ViewElement& warning = model.Described(1);
    EXPECT_EQ(title.rect.left, scale.Px(65));
    EXPECT_EQ(title.rect.right - title.rect.left, static_cast<int32_t>(7 * title.name.size()));
    EXPECT_EQ(warning.rect.top, title.rect.bottom + scale.Px(2));
    int rightAnchored = 0;
    for (const ViewElement& element : model.Elements()) {
      if (element.kind == ElementKind::Text && element.textFit == TextFit::Right) {
        EXPECT_TRUE(element.rect.right == scale.Px(245) || element.rect.right == scale.Px(506));
        ++rightAnchored;
      }
    }
    EXPECT_EQ(rightAnchored, 2);

    PageModelInputs wide = Inputs(phone, dpi, {1000, 700});
    const PageModel wider(wide, measure);
    const PageRect before = model.Control(PageControl::Install)->rect;
    const PageRect after = wider.Control(PageControl::Install)->rect;
    EXPECT_EQ(after.left - before.left, wide.client.cx - Inputs(phone, dpi).client.cx);
    EXPECT_EQ(after.right - after.left, scale.Px(142));
    EXPECT_EQ(after.top, before.top);
    // The top band spans the client; the card keeps its place.
    for (const ViewElement& element : wider.Elements()) {
      if (element.kind == ElementKind::Picture && element.picture == PagePicture::TopBand) {
        EXPECT_EQ(element.rect.right, wide.client.cx);
      }
    }
  }
}

// What is drawn where the invalidation of an animation step says, and a picture that did not
// load leaves nothing behind: no element, no words.
TEST(PageModelTest, DotsAreDrawnWhereTheirStepsRepaintAndMissingPicturesDropOut) {
  PhoneInfo phone = Record(PageState::Connecting);
  for (int dpi : kDpis) {
    for (uint32_t step = 0; step < 5; ++step) {
      SCOPED_TRACE(testing::Message() << dpi << " step " << step);
      PageModelInputs in = Inputs(phone, dpi);
      in.animStep = step;
      FixedMeasure measure;
      const PageModel model(in, measure);
      std::vector<PageRect> current;
      std::vector<PageRect> resting;
      for (const ViewElement& element : model.Elements()) {
        if (element.picture == PagePicture::CurrentDot) current.push_back(element.rect);
        if (element.picture == PagePicture::RestingRing) resting.push_back(element.rect);
      }
      ASSERT_EQ(current.size(), 1u);
      EXPECT_EQ(resting.size(), 4u);
      PageRect dot;
      PageRect ring;
      ASSERT_TRUE(AnimationDotRects(in.scale, in.pictures[static_cast<size_t>(PagePicture::CurrentDot)],
                                    in.pictures[static_cast<size_t>(PagePicture::RestingRing)], step, dot, ring));
      EXPECT_EQ(current.front(), dot);
      for (uint32_t other = 0; other < 5; ++other) {
        if (other == step) continue;
        PageRect otherDot;
        PageRect otherRing;
        AnimationDotRects(in.scale, in.pictures[static_cast<size_t>(PagePicture::CurrentDot)],
                          in.pictures[static_cast<size_t>(PagePicture::RestingRing)], other, otherDot, otherRing);
        EXPECT_NE(std::find(resting.begin(), resting.end(), otherRing), resting.end()) << other;
      }
    }
  }

  const struct {
    PageState state;
    PagePicture missing;
    size_t described;
    size_t pictures;
  } rows[] = {
      {PageState::Connecting, PagePicture::RestingRing, 2, 4},  // background, phone, computer, heading
      {PageState::Connecting, PagePicture::ConnectingHeading, 1, 8},
      {PageState::NoPhone, PagePicture::ConnectSteps, 1, 5},
      {PageState::ConnectFailed, PagePicture::FailedHeading, 5, 2},
      {PageState::Connected, PagePicture::CardTab, 12, 5},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(static_cast<int>(row.missing));
    phone = Record(row.state);
    PageModelInputs in = Inputs(phone, 120);
    in.pictures[static_cast<size_t>(row.missing)] = {};
    FixedMeasure measure;
    const PageModel model(in, measure);
    size_t pictures = 0;
    for (const ViewElement& element : model.Elements()) {
      EXPECT_FALSE(element.kind == ElementKind::Picture && element.picture == row.missing);
      if (element.kind == ElementKind::Picture) ++pictures;
    }
    EXPECT_EQ(model.DescribedCount(), row.described);
    EXPECT_EQ(pictures, row.pictures);
  }
}

}  // namespace
