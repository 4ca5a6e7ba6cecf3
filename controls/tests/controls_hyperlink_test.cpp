// The hyperlink: it sizes itself to its text, sends WM_COMMAND only for a release exactly
// where it was pressed, shows the hand while hovered or pressed, posts a paint on each change
// of state, registers its tooltip only while hovered, and draws its text (underlined or not).

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
// After windows.h, which it needs.
#include <commctrl.h>

#include <vector>

#include "controls/tests/controls_test_support.h"
#include "controls/vin_hyperlink.h"

namespace {

constexpr UINT kLinkId = 77;
constexpr POINT kCorner = {50, 60};
constexpr COLORREF kLinkColor = RGB(0x00, 0x00, 0xCC);
constexpr uint32_t kLinkPixel = 0x0000CC;
const wchar_t kText[] = L"Open the manual";
const wchar_t kTip[] = L"Shows the manual";

// The text's extent from `corner`, measured the link's way.
RECT MeasuredRect(HFONT font, POINT corner) {
  ScopedMemoryDC dc(nullptr);
  ScopedSelect selected(dc.Get(), font);
  RECT extent = {corner.x, corner.y, corner.x, corner.y};
  DrawTextW(dc.Get(), kText, -1, &extent, DT_CALCRECT | DT_BOTTOM);
  return extent;
}

class HyperLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(link.Create(host.Hwnd(), kLinkId, kText, kTip, kLinkColor, FALSE));
    link.Place(RECT{kCorner.x, kCorner.y, 0, 0}, DisplayScale(), font);
    host.AddControl(&link);
    host.TakePaints();
    on = {link.rect.left + 5, link.rect.top + 3};
  }
  LRESULT ToolCount() { return SendMessageW(link.TooltipWindow(), TTM_GETTOOLCOUNT, 0, 0); }

  SharedFont font = std::make_shared<const ScopedFont>(MakeTestFont(12, false));
  HFONT fontHandle = font->Get();
  DibCanvas canvas{820, 600, DibLayout::BottomUp24, test_color::kBackground};
  CVinHyperLink link;
  ControlTestHost host;
  POINT on = {};
  const POINT off = {400, 400};
};

TEST_F(HyperLinkTest, CreateSizesTheLinkToItsTextAndKeepsItsOwnerApart) {
  EXPECT_EQ(link.rect, MeasuredRect(fontHandle, kCorner));
  EXPECT_GT(link.rect.right - link.rect.left, 40);
  EXPECT_EQ(link.id, kLinkId);
  EXPECT_EQ(link.owner, nullptr);
  EXPECT_EQ(link.LinkOwner(), host.Hwnd());
  ASSERT_TRUE(IsWindow(link.TooltipWindow()));
  wchar_t className[64] = {};
  GetClassNameW(link.TooltipWindow(), className, 64);
  EXPECT_STREQ(className, L"tooltips_class32");
}

enum class Step { Down, Up, DoubleClick, Move };

struct Action {
  Step step;
  int dx;  // from the spot on the link; kOff for a point off it
  int dy;
};

constexpr int kOff = 1000;

struct ClickCase {
  const char* name;
  std::vector<Action> actions;
  size_t commands;
};

const ClickCase kClickCases[] = {
    {"press and release on the same spot", {{Step::Down, 0, 0}, {Step::Up, 0, 0}}, 1},
    {"a one-pixel move between press and release", {{Step::Down, 0, 0}, {Step::Move, 1, 0}, {Step::Up, 1, 0}}, 0},
    {"a release one pixel below the press", {{Step::Down, 0, 0}, {Step::Up, 0, 1}}, 0},
    {"a move away and back before the release", {{Step::Down, 0, 0}, {Step::Move, 3, 0}, {Step::Up, 0, 0}}, 1},
    {"press off the link, release on it", {{Step::Down, kOff, 0}, {Step::Up, 0, 0}}, 0},
    {"press on the link, release off it", {{Step::Down, 0, 0}, {Step::Up, kOff, 0}}, 0},
    {"press and release on the same spot off the link", {{Step::Down, kOff, 0}, {Step::Up, kOff, 0}}, 0},
    {"release without a press", {{Step::Up, 0, 0}}, 0},
    {"double click without movement",
     {{Step::Down, 0, 0}, {Step::Up, 0, 0}, {Step::DoubleClick, 0, 0}, {Step::Up, 0, 0}},
     2},
    // The second press is ignored, so the second release is compared with the first press.
    {"double click whose second press is a pixel off",
     {{Step::Down, 0, 0}, {Step::Up, 0, 0}, {Step::DoubleClick, 1, 0}, {Step::Up, 1, 0}},
     1},
};

TEST_F(HyperLinkTest, OnlyAReleaseExactlyWhereThePressWasSendsWmCommand) {
  for (const ClickCase& clickCase : kClickCases) {
    SCOPED_TRACE(clickCase.name);
    CVinHyperLink fresh;
    ControlTestHost rowHost;
    ASSERT_TRUE(fresh.Create(rowHost.Hwnd(), kLinkId, kText, kTip, kLinkColor, FALSE));
    fresh.Place(RECT{kCorner.x, kCorner.y, 0, 0}, DisplayScale(), font);
    rowHost.AddControl(&fresh);
    for (const Action& action : clickCase.actions) {
      const int x = action.dx == kOff ? off.x : on.x + action.dx;
      const int y = action.dx == kOff ? off.y : on.y + action.dy;
      switch (action.step) {
        case Step::Down:
          rowHost.Down(x, y);
          break;
        case Step::Up:
          rowHost.Up(x, y);
          break;
        case Step::DoubleClick:
          rowHost.DoubleClick(x, y);
          break;
        case Step::Move:
          rowHost.Move(x, y);
          break;
      }
    }
    ASSERT_EQ(rowHost.commands.size(), clickCase.commands);
    for (const ControlTestHost::Command& command : rowHost.commands) {
      EXPECT_EQ(command.wParam, MAKEWPARAM(kLinkId, 0));
      EXPECT_EQ(command.lParam, 0);
    }
    EXPECT_EQ(GetCapture(), nullptr);  // the link never takes the capture
  }
}

TEST_F(HyperLinkTest, TheHandShowsWhileHoveredOrPressedAndStaysAfterAClickUntilTheNextMove) {
  struct {
    const char* name;
    Step step;
    bool onLink;
    int state;
  } const steps[] = {
      {"hover", Step::Move, true, CVinHyperLink::kHovered},
      {"press", Step::Down, true, CVinHyperLink::kPressed},
      {"release", Step::Up, true, CVinHyperLink::kPressed},
      {"move on it", Step::Move, true, CVinHyperLink::kHovered},
      {"move off", Step::Move, false, CVinHyperLink::kNormal},
      {"press off", Step::Down, false, CVinHyperLink::kNormal},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.name);
    const POINT at = step.onLink ? on : off;
    if (step.step == Step::Move) host.Move(at.x, at.y);
    if (step.step == Step::Down) host.Down(at.x, at.y);
    if (step.step == Step::Up) host.Up(at.x, at.y);
    EXPECT_EQ(link.State(), step.state);
    const LRESULT result = host.AskCursor();
    if (step.state != CVinHyperLink::kNormal) {
      EXPECT_EQ(result, 1);
      EXPECT_TRUE(CursorIs(IDC_HAND));
    } else {
      EXPECT_TRUE(CursorIs(IDC_ARROW));
    }
  }
}

TEST_F(HyperLinkTest, EachChangeOfStatePostsOnePaintToTheOwner) {
  struct {
    const char* name;
    Step step;
    bool onLink;
    int paints;
  } const steps[] = {
      {"hover", Step::Move, true, 1},           {"hover again", Step::Move, true, 0},
      {"press", Step::Down, true, 1},           {"release", Step::Up, true, 0},
      {"move on it", Step::Move, true, 1},      {"move off", Step::Move, false, 1},
      {"move off again", Step::Move, false, 0}, {"press off", Step::Down, false, 0},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.name);
    const POINT at = step.onLink ? on : off;
    if (step.step == Step::Move) host.Move(at.x, at.y);
    if (step.step == Step::Down) host.Down(at.x, at.y);
    if (step.step == Step::Up) host.Up(at.x, at.y);
    EXPECT_EQ(host.TakePaints(), step.paints);
  }
}

TEST_F(HyperLinkTest, TheTipIsRegisteredOnceWhileHoveredAndRemovedWhenThePointerLeavesTheLink) {
  EXPECT_EQ(ToolCount(), 0);
  for (int i = 0; i < 5; ++i) host.Move(on.x + i, on.y);
  EXPECT_EQ(ToolCount(), 1);
  host.Move(off.x, off.y);
  EXPECT_EQ(ToolCount(), 0);
  host.Move(on.x, on.y);
  EXPECT_EQ(ToolCount(), 1);
}

TEST_F(HyperLinkTest, AnEmptyTipRegistersNoToolButTheLinkStillWorks) {
  CVinHyperLink quiet;
  ControlTestHost quietHost;
  ASSERT_TRUE(quiet.Create(quietHost.Hwnd(), kLinkId, kText, L"", kLinkColor, FALSE));
  quiet.Place(RECT{kCorner.x, kCorner.y, 0, 0}, DisplayScale(), font);
  quietHost.AddControl(&quiet);
  quietHost.TakePaints();
  quietHost.Move(on.x, on.y);
  EXPECT_EQ(SendMessageW(quiet.TooltipWindow(), TTM_GETTOOLCOUNT, 0, 0), 0);
  EXPECT_EQ(quiet.State(), CVinHyperLink::kHovered);
  EXPECT_EQ(quietHost.TakePaints(), 1);
  quietHost.Down(on.x, on.y);
  quietHost.Up(on.x, on.y);
  EXPECT_EQ(quietHost.commands.size(), 1u);
}

// Rows of the link's rectangle in which the ink covers most of the text's width.
int FullInkRows(const DibCanvas& canvas, const RECT& rect) {
  int rows = 0;
  for (int y = rect.top; y < rect.bottom; ++y) {
    rows += canvas.Count(RECT{rect.left, y, rect.right, y + 1}, kLinkPixel) * 10 >= (rect.right - rect.left) * 9;
  }
  return rows;
}

TEST_F(HyperLinkTest, TheTextIsDrawnInItsColourUnderlinedOnlyWhenAsked) {
  canvas.Fill(test_color::kBackground);
  host.DrawControls(canvas.Dc());
  const RECT whole = {0, 0, 820, 600};
  const RECT ink = canvas.InkBox(whole, kLinkPixel);
  ASSERT_GT(ink.right, ink.left);
  EXPECT_EQ(canvas.BoxOtherThan(whole, test_color::kBackground), ink);
  EXPECT_GE(ink.left, link.rect.left);
  EXPECT_LE(ink.right, link.rect.right);
  EXPECT_GE(ink.top, link.rect.top);
  EXPECT_LE(ink.bottom, link.rect.bottom);
  EXPECT_EQ(FullInkRows(canvas, link.rect), 0);

  CVinHyperLink underlined;
  ControlTestHost underlinedHost;
  ASSERT_TRUE(underlined.Create(underlinedHost.Hwnd(), kLinkId, kText, kTip, kLinkColor, TRUE));
  underlined.Place(RECT{kCorner.x, kCorner.y, 0, 0}, DisplayScale(), font);
  // Measured without the underline: the same rectangle.
  EXPECT_EQ(underlined.rect, link.rect);
  canvas.Fill(test_color::kBackground);
  underlined.Draw(canvas.Dc());
  EXPECT_GE(FullInkRows(canvas, underlined.rect), 1);
}

TEST_F(HyperLinkTest, DrawingLeavesTheContextAsItFoundIt) {
  SetTextColor(canvas.Dc(), RGB(1, 2, 3));
  SetBkMode(canvas.Dc(), OPAQUE);
  const HGDIOBJ before = GetCurrentObject(canvas.Dc(), OBJ_FONT);
  link.Draw(canvas.Dc());
  EXPECT_EQ(GetTextColor(canvas.Dc()), RGB(1, 2, 3));
  EXPECT_EQ(GetBkMode(canvas.Dc()), OPAQUE);
  EXPECT_EQ(GetCurrentObject(canvas.Dc(), OBJ_FONT), before);
}

TEST_F(HyperLinkTest, ALinkNeverSetUpDrawsNothingAndIgnoresTheMouse) {
  CVinHyperLink bare;
  bare.rect = {kCorner.x, kCorner.y, kCorner.x + 80, kCorner.y + 20};
  canvas.Fill(test_color::kBackground);
  bare.Draw(canvas.Dc());
  EXPECT_EQ(canvas.Count(RECT{0, 0, 820, 600}, test_color::kBackground), 820 * 600);

  ControlTestHost bareHost;
  bareHost.AddControl(&bare);
  bareHost.Move(on.x, on.y);
  bareHost.Down(on.x, on.y);
  bareHost.Up(on.x, on.y);
  EXPECT_TRUE(bareHost.commands.empty());
  // Nothing posted to the thread either.
  MSG msg;
  EXPECT_FALSE(PeekMessageW(&msg, reinterpret_cast<HWND>(-1), WM_PAINT, WM_PAINT, PM_REMOVE));
}

TEST_F(HyperLinkTest, DestroyRemovesTheTooltipAndClearsOnlyTheBaseOwner) {
  const HWND tooltip = link.TooltipWindow();
  link.owner = host.Hwnd();
  link.Destroy();
  EXPECT_FALSE(IsWindow(tooltip));
  EXPECT_EQ(link.TooltipWindow(), nullptr);
  EXPECT_EQ(link.owner, nullptr);
  EXPECT_EQ(link.LinkOwner(), host.Hwnd());
  EXPECT_TRUE(link.RelayEvent(WM_MOUSEMOVE, 0, 0));
}

TEST_F(HyperLinkTest, SlotZeroCreateStoresIdAndOwnerAndMakesATooltip) {
  CVinHyperLink plain;
  ControlTestHost plainHost;
  EXPECT_TRUE(plain.Create(plainHost.Hwnd(), 12));
  EXPECT_EQ(plain.id, 12u);
  EXPECT_EQ(plain.owner, nullptr);
  EXPECT_EQ(plain.LinkOwner(), plainHost.Hwnd());
  EXPECT_TRUE(IsWindow(plain.TooltipWindow()));
}

}  // namespace
