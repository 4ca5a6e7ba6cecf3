// The image button: which frame it shows, when it sends WM_COMMAND and who holds the mouse
// capture after each sequence of mouse events the host routes to it; frame sizes of three-
// and four-frame strips; the caption.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "controls/tests/button_sequences.h"
#include "controls/tests/controls_test_ids.h"
#include "controls/tests/controls_test_support.h"
#include "controls/vin_button.h"
#include "imaging/draw_base.h"
#include "imaging/ximage.h"
#include "util/scoped_gdi.h"

namespace {

using namespace button_sequences;

constexpr UINT kReconnectId = 222;
constexpr RECT kReconnectRect = {340, 382, 462, 430};
constexpr RECT kReconnectCaptionRect = {340, 382, 462, 426};
constexpr int kHostWidth = 800;
constexpr RECT kInstallRect = {kHostWidth - 200, 2, kHostWidth - 128, 48};
constexpr RECT kNoRect = {0, 0, 0, 0};

// Points of the Reconnect button: one well inside, one on its right edge (outside).
constexpr POINT kIn = {400, 400};
constexpr POINT kOut = {462, 400};
// Where the frame colour is read: a corner away from any caption.
constexpr POINT kFrameProbe = {343, 385};

uint32_t ColorOf(Frame frame) {
  switch (frame) {
    case Frame::Hover:
      return test_color::kHover;
    case Frame::Pressed:
      return test_color::kPressed;
    default:
      return test_color::kNormal;
  }
}

class ButtonTest : public ::testing::Test {
 protected:
  void CreateReconnect(const wchar_t* text = L"") {
    ASSERT_TRUE(button.Create(host.Hwnd(), kReconnectId, L"", text, IDR_TEST_STRIP_THREE));
    button.Place(kReconnectRect, kReconnectCaptionRect, DisplayScale(), font);
    host.AddControl(&button);
  }
  uint32_t Shown(POINT at = kFrameProbe) {
    canvas.Fill(test_color::kBackground);
    host.DrawControls(canvas.Dc());
    return canvas.Pixel(at.x, at.y);
  }
  void Play(ControlTestHost& target, Event event) {
    switch (event) {
      case Event::MoveIn:
        return target.Move(kIn.x, kIn.y);
      case Event::MoveOut:
        return target.Move(kOut.x, kOut.y);
      case Event::DownIn:
        return target.Down(kIn.x, kIn.y);
      case Event::DownOut:
        return target.Down(kOut.x, kOut.y);
      case Event::UpIn:
        return target.Up(kIn.x, kIn.y);
      case Event::UpOut:
        return target.Up(kOut.x, kOut.y);
      case Event::DoubleClickIn:
        return target.DoubleClick(kIn.x, kIn.y);
      case Event::DoubleClickOut:
        return target.DoubleClick(kOut.x, kOut.y);
      case Event::Leave:
        return target.Leave();
      case Event::StealCapture:
        SetCapture(other.Hwnd());
        return;
    }
  }

  SharedFont font = std::make_shared<const ScopedFont>(MakeTestFont(12, false));
  HFONT fontHandle = font->Get();
  DibCanvas canvas{820, 600, DibLayout::BottomUp24, test_color::kBackground};
  CVinButton button;
  OtherWindow other;
  ControlTestHost host;  // last: its window goes first, while the button still exists
};

TEST_F(ButtonTest, EventSequencesDecideFrameCommandAndCapture) {
  for (const Sequence& sequence : kSequences) {
    SCOPED_TRACE(sequence.name);
    CVinButton fresh;
    ControlTestHost rowHost;
    ASSERT_TRUE(fresh.Create(rowHost.Hwnd(), kReconnectId, L"", L"", IDR_TEST_STRIP_THREE));
    fresh.Place(kReconnectRect, kReconnectCaptionRect, DisplayScale(), font);
    rowHost.AddControl(&fresh);
    std::vector<uint32_t> shownAtCommand;
    rowHost.onCommand = [&](WPARAM) {
      canvas.Fill(test_color::kBackground);
      fresh.Draw(canvas.Dc());
      shownAtCommand.push_back(canvas.Pixel(kFrameProbe.x, kFrameProbe.y));
    };

    for (Event event : sequence.events) Play(rowHost, event);

    canvas.Fill(test_color::kBackground);
    rowHost.DrawControls(canvas.Dc());
    EXPECT_EQ(canvas.Pixel(kFrameProbe.x, kFrameProbe.y), ColorOf(sequence.frame));
    ASSERT_EQ(rowHost.commands.size(), sequence.commands);
    for (const ControlTestHost::Command& command : rowHost.commands) {
      EXPECT_EQ(command.wParam, MAKEWPARAM(kReconnectId, 0));
      EXPECT_EQ(command.lParam, 0);
    }
    // The owner's handler runs while the button still shows pressed.
    EXPECT_EQ(shownAtCommand, std::vector<uint32_t>(sequence.commands, test_color::kPressed));
    const Holder expected = sequence.capture;
    EXPECT_EQ(GetCapture(), expected == Holder::Host    ? rowHost.Hwnd()
                            : expected == Holder::Other ? other.Hwnd()
                                                        : nullptr);
    ReleaseCapture();
  }
}

TEST_F(ButtonTest, ThreeFrameStripSizesTheButtonToOneFrame) {
  CreateReconnect();
  EXPECT_EQ(button.rect, kReconnectRect);  // 366 / 3 = 122 wide, 48 high
  EXPECT_EQ(button.TextRect(), kReconnectCaptionRect);
  EXPECT_TRUE(button.IsCreated());
  EXPECT_EQ(Shown({kReconnectRect.right - 1, kReconnectRect.bottom - 1}), test_color::kNormal);
  EXPECT_EQ(Shown({kReconnectRect.right, kReconnectRect.top}), test_color::kBackground);
  EXPECT_EQ(Shown({kReconnectRect.left, kReconnectRect.bottom}), test_color::kBackground);
}

TEST_F(ButtonTest, FourFrameStripShowsItsFirstThreeFramesAndDropsTheRemainder) {
  button.SetFourFrames(TRUE);
  ASSERT_TRUE(button.Create(host.Hwnd(), 333, L"", L"", IDR_TEST_STRIP_FOUR));
  button.Place(kInstallRect, kInstallRect, DisplayScale(), font);
  host.AddControl(&button);
  // 570 / 4 = 142: the given rectangle only fixes the corner.
  EXPECT_EQ(button.rect, (RECT{kHostWidth - 200, 2, kHostWidth - 58, 48}));
  EXPECT_EQ(button.TextRect(), kInstallRect);

  const POINT firstColumn = {kHostWidth - 200, 10};
  const POINT lastColumn = {kHostWidth - 59, 47};
  EXPECT_EQ(Shown(firstColumn), test_color::kNormal);
  EXPECT_EQ(Shown(lastColumn), test_color::kNormal);
  host.Move(kHostWidth - 100, 20);
  EXPECT_EQ(Shown(firstColumn), test_color::kHover);
  EXPECT_EQ(Shown(lastColumn), test_color::kHover);
  host.Down(kHostWidth - 100, 20);
  EXPECT_EQ(Shown(firstColumn), test_color::kPressed);
  EXPECT_EQ(Shown(lastColumn), test_color::kPressed);
  host.Up(kHostWidth - 100, 20);
  ASSERT_EQ(host.commands.size(), 1u);
  EXPECT_EQ(host.commands[0].wParam, MAKEWPARAM(333, 0));

  const RECT drawn = button.rect;
  canvas.Fill(test_color::kBackground);
  host.DrawControls(canvas.Dc());
  EXPECT_EQ(canvas.Count(drawn, test_color::kFourth), 0);
  EXPECT_EQ(canvas.Count(drawn, test_color::kSpare), 0);
}

// The caption's ink must lie within the text box that DrawText centres in `area`.
void ExpectCaptionCentredIn(const DibCanvas& canvas, const RECT& area, HFONT font, const wchar_t* text) {
  const RECT ink = canvas.InkBox(area, test_color::kBlack);
  ASSERT_GT(ink.right, ink.left) << "no caption drawn";
  const int width = TextWidth(font, text);
  const int left = area.left + (area.right - area.left - width) / 2;
  EXPECT_GE(ink.left, left);
  EXPECT_LE(ink.right, left + width);
  EXPECT_LE(std::abs((ink.left + ink.right) - (area.left + area.right)), 3);
  EXPECT_LE(std::abs((ink.top + ink.bottom) - (area.top + area.bottom)), 4);
  // Nothing of it outside the area.
  EXPECT_EQ(canvas.Count(RECT{0, 0, 820, area.top}, test_color::kBlack), 0);
  EXPECT_EQ(canvas.Count(RECT{0, area.bottom, 820, 600}, test_color::kBlack), 0);
}

TEST_F(ButtonTest, AMissingPictureKeepsTheGivenRectangleAndStillDrawsTheCaption) {
  const RECT given = {100, 100, 180, 130};
  ASSERT_TRUE(button.Create(host.Hwnd(), 7, L"", L"OK", IDR_TEST_MISSING));
  button.Place(given, kNoRect, DisplayScale(), font);
  host.AddControl(&button);
  EXPECT_EQ(button.rect, given);
  EXPECT_EQ(button.TextRect(), given);
  canvas.Fill(test_color::kBackground);
  host.DrawControls(canvas.Dc());
  const RECT whole = {0, 0, 820, 600};
  EXPECT_EQ(canvas.BoxOtherThan(whole, test_color::kBackground), canvas.InkBox(whole, test_color::kBlack));
  ExpectCaptionCentredIn(canvas, given, fontHandle, L"OK");

  // Still a button: a click on the given rectangle is one.
  host.Down(110, 110);
  host.Up(110, 110);
  EXPECT_EQ(host.commands.size(), 1u);
}

TEST_F(ButtonTest, CaptionIsCentredInItsRectangleInBlackOverTheFrame) {
  CreateReconnect(L"\u91cd\u65b0\u8fde\u63a5");
  canvas.Fill(test_color::kBackground);
  host.DrawControls(canvas.Dc());
  ExpectCaptionCentredIn(canvas, kReconnectCaptionRect, fontHandle, L"\u91cd\u65b0\u8fde\u63a5");
  EXPECT_EQ(canvas.Pixel(kFrameProbe.x, kFrameProbe.y), test_color::kNormal);
}

// The caption is written onto each frame once; drawn, that must be the frame blended over
// what lies under it with the caption drawn over the result, to the byte, also where the
// frame's edges are partly transparent.
TEST_F(ButtonTest, AFrameWithItsCaptionWrittenOnDrawsAsTheCaptionOverTheFrame) {
  const wchar_t caption[] = L"\u91cd\u65b0\u8fde\u63a5";
  ASSERT_TRUE(button.Create(host.Hwnd(), kReconnectId, L"", caption, IDR_TEST_RECONNECT));
  button.Place(kReconnectRect, kReconnectCaptionRect, DisplayScale(), font);
  host.AddControl(&button);
  CxImage strip;
  ASSERT_TRUE(LoadPngResource(strip, IDR_TEST_RECONNECT, GetModuleHandleW(nullptr), DisplayScale()));
  const int width = static_cast<int>(strip.Width()) / 3;
  for (const Frame frame : {Frame::Normal, Frame::Hover, Frame::Pressed}) {
    SCOPED_TRACE(static_cast<int>(frame));
    if (frame == Frame::Hover) host.Move(kIn.x, kIn.y);
    if (frame == Frame::Pressed) host.Down(kIn.x, kIn.y);
    CxImage shown;
    const int index = static_cast<int>(frame);
    ASSERT_TRUE(strip.CropInto(index * width, 0, (index + 1) * width, static_cast<int>(strip.Height()), &shown));
    DibCanvas expected(820, 600, DibLayout::BottomUp24, test_color::kBackground);
    shown.DrawInRect(expected.Dc(), kReconnectRect);
    {
      ScopedSaveDC saved(expected.Dc());
      SelectObject(expected.Dc(), fontHandle);
      SetBkMode(expected.Dc(), TRANSPARENT);
      SetTextColor(expected.Dc(), RGB(0, 0, 0));
      RECT box = kReconnectCaptionRect;
      DrawTextW(expected.Dc(), caption, -1, &box, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
    }
    for (int i = 0; i < 2; ++i) {  // the frame is written at the first draw, used at the second
      canvas.Fill(test_color::kBackground);
      host.DrawControls(canvas.Dc());
      EXPECT_EQ(canvas.CountDifferent(expected, RECT{0, 0, 820, 600}), 0) << i;
    }
  }
}

TEST_F(ButtonTest, AnEmptyTextRectangleCentresTheCaptionInTheButton) {
  ASSERT_TRUE(button.Create(host.Hwnd(), kReconnectId, L"", L"Go", IDR_TEST_STRIP_THREE));
  button.Place(RECT{340, 382, 341, 383}, kNoRect, DisplayScale(), font);
  host.AddControl(&button);
  EXPECT_EQ(button.TextRect(), kReconnectRect);
  canvas.Fill(test_color::kBackground);
  host.DrawControls(canvas.Dc());
  ExpectCaptionCentredIn(canvas, kReconnectRect, fontHandle, L"Go");
}

TEST_F(ButtonTest, CaptionLeavesTheContextAsItFoundIt) {
  CreateReconnect(L"Go");
  SetTextColor(canvas.Dc(), RGB(1, 2, 3));
  SetBkMode(canvas.Dc(), OPAQUE);
  const HGDIOBJ before = GetCurrentObject(canvas.Dc(), OBJ_FONT);
  host.DrawControls(canvas.Dc());
  EXPECT_EQ(GetTextColor(canvas.Dc()), RGB(1, 2, 3));
  EXPECT_EQ(GetBkMode(canvas.Dc()), OPAQUE);
  EXPECT_EQ(GetCurrentObject(canvas.Dc(), OBJ_FONT), before);
}

TEST_F(ButtonTest, OnlyATipTextMakesATooltipWindowAndDestroyRemovesIt) {
  CreateReconnect();
  EXPECT_EQ(button.TooltipWindow(), nullptr);
  EXPECT_TRUE(button.RelayEvent(WM_MOUSEMOVE, 0, 0));

  CVinButton tipped;
  ASSERT_TRUE(tipped.Create(host.Hwnd(), 5, L"tip", L"", IDR_TEST_STRIP_THREE));
  tipped.Place(kReconnectRect, kNoRect, DisplayScale(), font);
  const HWND tooltip = tipped.TooltipWindow();
  ASSERT_TRUE(IsWindow(tooltip));
  wchar_t className[64] = {};
  GetClassNameW(tooltip, className, 64);
  EXPECT_STREQ(className, L"tooltips_class32");
  EXPECT_TRUE(tipped.RelayEvent(WM_MOUSEMOVE, 0, MAKELPARAM(1, 1)));
  tipped.Destroy();
  EXPECT_FALSE(IsWindow(tooltip));
  EXPECT_EQ(tipped.TooltipWindow(), nullptr);
  EXPECT_EQ(tipped.owner, host.Hwnd());
}

TEST_F(ButtonTest, IdsAboveFFFFReachTheOwnerAsTheirLowWord) {
  ASSERT_TRUE(button.Create(host.Hwnd(), 0x10000 + kReconnectId, L"", L"", IDR_TEST_STRIP_THREE));
  button.Place(kReconnectRect, kNoRect, DisplayScale(), font);
  host.AddControl(&button);
  host.Down(kIn.x, kIn.y);
  host.Up(kIn.x, kIn.y);
  ASSERT_EQ(host.commands.size(), 1u);
  EXPECT_EQ(host.commands[0].wParam, MAKEWPARAM(kReconnectId, 0));
}

TEST_F(ButtonTest, AHiddenButtonNeitherDrawsNorTakesAPress) {
  CreateReconnect();
  button.visible = FALSE;
  host.Down(kIn.x, kIn.y);
  host.Up(kIn.x, kIn.y);
  EXPECT_TRUE(host.commands.empty());
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(Shown(), test_color::kBackground);
}

TEST_F(ButtonTest, SlotZeroCreateStoresOwnerAndIdOnly) {
  CVinButton bare;
  EXPECT_FALSE(bare.IsCreated());
  EXPECT_TRUE(bare.Create(host.Hwnd(), 42));
  EXPECT_TRUE(bare.IsCreated());
  EXPECT_EQ(bare.owner, host.Hwnd());
  EXPECT_EQ(bare.id, 42u);
  EXPECT_EQ(bare.rect, kNoRect);
}

}  // namespace
