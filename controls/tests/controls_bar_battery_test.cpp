// The progress bar's fill width and the battery's cut level bar, body, panel and text, drawn
// through the host into a 24-bit surface.

#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>

#include "controls/tests/controls_test_support.h"
#include "controls/tests/painted_control_test.h"
#include "controls/vin_battery.h"
#include "controls/vin_progress_bar.h"

namespace {

// The page's phone memory bar: 200 x 19.
constexpr UINT kPhoneBarId = 115;
constexpr RECT kBarRect = {46, 524, 246, 543};
constexpr int kFillHeight = 16;  // the fill picture's height
constexpr int kFillProbeRow = kBarRect.top + 8;
constexpr int kBelowFillRow = kBarRect.top + kFillHeight;

class ProgressBarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(bar.Create(host.Hwnd(), kPhoneBarId));
    bar.Place(kBarRect, DisplayScale());
    host.AddControl(&bar);
  }
  void Paint() {
    canvas.Fill(test_color::kBackground);
    host.DrawControls(canvas.Dc());
  }

  DibCanvas canvas{820, 600, DibLayout::BottomUp24, test_color::kBackground};
  CVinProgressBar bar;
  ControlTestHost host;
};

TEST_F(ProgressBarTest, CreateKeepsTheRectangleAndStoresOwnerAndId) {
  EXPECT_EQ(bar.rect, kBarRect);
  EXPECT_EQ(bar.id, kPhoneBarId);
  EXPECT_EQ(bar.owner, host.Hwnd());
  EXPECT_EQ(bar.Value(), 0u);
}

TEST_F(ProgressBarTest, TheTrackKeepsItsEdgesAndStretchesItsMiddle) {
  Paint();
  for (int row : {kBarRect.top, kBarRect.bottom - 1}) {
    EXPECT_EQ(canvas.Pixel(kBarRect.left, row), test_color::kTrackLeft);
    EXPECT_EQ(canvas.Pixel(kBarRect.left + 7, row), test_color::kTrackLeft);
    EXPECT_EQ(canvas.Pixel(kBarRect.left + 8, row), test_color::kTrackMiddle);
    EXPECT_EQ(canvas.Pixel(kBarRect.right - 9, row), test_color::kTrackMiddle);
    EXPECT_EQ(canvas.Pixel(kBarRect.right - 8, row), test_color::kTrackRight);
    EXPECT_EQ(canvas.Pixel(kBarRect.right - 1, row), test_color::kTrackRight);
  }
  EXPECT_EQ(canvas.Pixel(kBarRect.right, kBarRect.top), test_color::kBackground);
  EXPECT_EQ(canvas.Pixel(kBarRect.left, kBarRect.bottom), test_color::kBackground);
}

struct FillCase {
  UINT value;
  int filled;  // 0: no fill at all
};

const FillCase kFillCases[] = {
    {0, 0}, {5, 0}, {6, 12}, {37, 74}, {50, 100}, {99, 198}, {100, 200}, {150, 200}, {0xFFFFFFFFu, 200},
};

TEST_F(ProgressBarTest, FillWidthFollowsTheValueOnA200PixelBar) {
  for (const FillCase& fillCase : kFillCases) {
    SCOPED_TRACE(fillCase.value);
    bar.SetValue(fillCase.value);
    EXPECT_EQ(bar.Value(), fillCase.value > 100 ? 100u : fillCase.value);
    Paint();
    const RECT fillRow = {kBarRect.left, kFillProbeRow, kBarRect.right, kFillProbeRow + 1};
    const int fillPixels = canvas.Count(fillRow, test_color::kFillLeft) +
                           canvas.Count(fillRow, test_color::kFillMiddle) +
                           canvas.Count(fillRow, test_color::kFillRight);
    EXPECT_EQ(fillPixels, fillCase.filled);
    if (fillCase.filled == 0) continue;
    // Rounded ends at natural size, the middle stretched between them.
    EXPECT_EQ(canvas.Pixel(kBarRect.left + 5, kFillProbeRow), test_color::kFillLeft);
    if (fillCase.filled > 12) {
      EXPECT_EQ(canvas.Pixel(kBarRect.left + 6, kFillProbeRow), test_color::kFillMiddle);
    }
    EXPECT_EQ(canvas.Pixel(kBarRect.left + fillCase.filled - 6, kFillProbeRow), test_color::kFillRight);
    EXPECT_EQ(canvas.Pixel(kBarRect.left + fillCase.filled - 1, kFillProbeRow), test_color::kFillRight);
    if (fillCase.filled < 200) {
      EXPECT_NE(canvas.Pixel(kBarRect.left + fillCase.filled, kFillProbeRow), test_color::kFillRight);
    }
    // As high as the fill picture, against the top of the track.
    EXPECT_EQ(canvas.Pixel(kBarRect.left + 3, kBarRect.top), test_color::kFillLeft);
    EXPECT_EQ(canvas.Pixel(kBarRect.left + 3, kBelowFillRow - 1), test_color::kFillLeft);
    EXPECT_EQ(canvas.Pixel(kBarRect.left + 3, kBelowFillRow), test_color::kTrackLeft);
  }
}

TEST_F(ProgressBarTest, FilledWidthArithmetic) {
  EXPECT_EQ(CVinProgressBar::FilledWidth(200, 5), 0);
  EXPECT_EQ(CVinProgressBar::FilledWidth(200, 6), 12);
  EXPECT_EQ(CVinProgressBar::FilledWidth(200, 37), 74);
  EXPECT_EQ(CVinProgressBar::FilledWidth(200, 150), 200);
  EXPECT_EQ(CVinProgressBar::FilledWidth(199, 33), 65);  // 65.67 truncated
  // At 150 percent: a 300-pixel bar whose fill ends are 9 pixels wide.
  EXPECT_EQ(CVinProgressBar::FilledWidth(300, 5, 9), 0);
  EXPECT_EQ(CVinProgressBar::FilledWidth(300, 6, 9), 18);
  EXPECT_EQ(CVinProgressBar::FilledWidth(300, 37, 9), 111);
  // A rectangle given upside down has no room for a fill.
  EXPECT_EQ(CVinProgressBar::FilledWidth(-200, 50), 0);
}

TEST_F(ProgressBarTest, ABarNeverSetUpDrawsNothing) {
  CVinProgressBar bare;
  bare.rect = kBarRect;
  bare.SetValue(50);
  canvas.Fill(test_color::kBackground);
  bare.Draw(canvas.Dc());
  EXPECT_EQ(canvas.Count(RECT{0, 0, 820, 600}, test_color::kBackground), 820 * 600);
}

TEST_F(ProgressBarTest, AHiddenBarIsNotDrawn) {
  bar.SetValue(50);
  bar.visible = FALSE;
  Paint();
  EXPECT_EQ(canvas.Count(RECT{0, 0, 820, 600}, test_color::kBackground), 820 * 600);
}

// The page's battery: 209 x 66 with a 91-wide body and a 79-wide level bar.
constexpr RECT kBatteryRect = {589, 503, 798, 569};
constexpr int kBodyLeft = kBatteryRect.left + 61;
constexpr int kBodyTop = kBatteryRect.top - 2;
constexpr int kLevelLeft = kBatteryRect.left + 64;
constexpr int kLevelProbeRow = kBatteryRect.top + 31;  // below the text band
constexpr RECT kTextBand = {kBatteryRect.left, kBatteryRect.top, kBatteryRect.right, kBatteryRect.top + 30};

class BatteryTest : public PaintedControlTest<CVinBattery> {
 protected:
  bool Create() override {
    if (!battery.Create(host.Hwnd())) return false;
    battery.Place(kBatteryRect, DisplayScale(), font);
    return true;
  }
  CVinBattery& battery = control;
};

TEST_F(BatteryTest, CreateTakesId119AndKeepsTheRectangle) {
  EXPECT_EQ(battery.id, 119u);
  EXPECT_EQ(battery.owner, host.Hwnd());
  EXPECT_EQ(battery.rect, kBatteryRect);
}

TEST_F(BatteryTest, PanelFillsTheRectangleAndTheBodyReachesTwoPixelsAbove) {
  Paint();
  EXPECT_EQ(canvas.Pixel(kBatteryRect.left, kBatteryRect.bottom - 1), test_color::kGlow);
  EXPECT_EQ(canvas.Pixel(kBatteryRect.right - 1, kBatteryRect.top), test_color::kGlow);
  EXPECT_EQ(canvas.Pixel(kBatteryRect.right, kBatteryRect.top), test_color::kBackground);
  // Body: centred, two pixels right, two above the control, at its own 91 x 48.
  EXPECT_EQ(canvas.Pixel(kBodyLeft, kBodyTop), test_color::kBody);
  EXPECT_EQ(canvas.Pixel(kBodyLeft - 1, kBodyTop), test_color::kBackground);
  EXPECT_EQ(canvas.Pixel(kBodyLeft, kBodyTop - 1), test_color::kBackground);
  EXPECT_EQ(canvas.Pixel(kBodyLeft + 90, kBodyTop + 47), test_color::kBody);
  EXPECT_EQ(canvas.Pixel(kBodyLeft + 91, kBodyTop + 47), test_color::kGlow);
  EXPECT_EQ(canvas.Pixel(kBodyLeft, kBodyTop + 48), test_color::kGlow);
}

struct CutCase {
  UINT level;
  int cut;
};

const CutCase kCutCases[] = {
    {0, 5}, {4, 5}, {5, 4}, {10, 8}, {50, 40}, {99, 79}, {100, 79}, {101, 79}, {250, 79},
};

TEST_F(BatteryTest, TheLevelBarIsCutToAWidthThatFollowsTheLevel) {
  for (const CutCase& cutCase : kCutCases) {
    SCOPED_TRACE(cutCase.level);
    EXPECT_EQ(CVinBattery::CutWidth(cutCase.level, 79, DisplayScale()), cutCase.cut);
    // At 150 percent the picture is 119 wide and the cut is the same length scaled.
    const DisplayScale scale = DisplayScale::ForDpi(144);
    EXPECT_EQ(CVinBattery::CutWidth(cutCase.level, 119, scale), std::min(scale.Px(cutCase.cut), 119));
    battery.SetLevel(cutCase.level);
    Paint();
    // The left end stays put; column c of the picture shows at kLevelLeft + c.
    for (int c = 0; c < cutCase.cut; ++c) {
      ASSERT_EQ(canvas.Pixel(kLevelLeft + c, kLevelProbeRow), test_color::LevelColumn(c)) << c;
    }
    EXPECT_EQ(canvas.Pixel(kLevelLeft - 1, kLevelProbeRow), test_color::kBody);
    EXPECT_EQ(canvas.Pixel(kLevelLeft + cutCase.cut, kLevelProbeRow), test_color::kBody);
    // 33 rows high from the control's top.
    EXPECT_EQ(canvas.Pixel(kLevelLeft, kBatteryRect.top + 32), test_color::LevelColumn(0));
    EXPECT_EQ(canvas.Pixel(kLevelLeft, kBatteryRect.top + 33), test_color::kBody);
  }
}

// White ink of `text` drawn the battery's way on the battery's background: the reference
// that the battery's own text must match in extent.
RECT ReferenceInk(HFONT font, const wchar_t* text) {
  DibCanvas reference(820, 600, DibLayout::BottomUp24, test_color::kGlow);
  ScopedSaveDC saved(reference.Dc());
  ScopedSelect selected(reference.Dc(), font);
  SetBkMode(reference.Dc(), TRANSPARENT);
  SetTextColor(reference.Dc(), RGB(0xFF, 0xFF, 0xFF));
  RECT band = kTextBand;
  DrawTextW(reference.Dc(), text, -1, &band, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
  return reference.InkBox(kTextBand, test_color::kWhite);
}

TEST_F(BatteryTest, TheLevelIsWrittenInWhiteAfterTwoSpacesCentredInTheTopThirtyRows) {
  for (UINT level : {0u, 5u, 50u, 100u}) {
    SCOPED_TRACE(level);
    battery.SetLevel(level);
    Paint();
    wchar_t expected[16];
    swprintf(expected, 16, L"  %u%%", level);
    const RECT ink = canvas.InkBox(kTextBand, test_color::kWhite);
    ASSERT_GT(ink.right, ink.left) << "no white text";
    EXPECT_EQ(ink, ReferenceInk(fontHandle, expected));
    // The leading spaces count in the centring.
    wchar_t bare[16];
    swprintf(bare, 16, L"%u%%", level);
    EXPECT_NE(ink.left, ReferenceInk(fontHandle, bare).left);
    // Nothing white outside the band.
    EXPECT_EQ(canvas.Count(RECT{0, kTextBand.bottom, 820, 600}, test_color::kWhite), 0);
  }
}

TEST_F(BatteryTest, TheTextIsWhiteWhateverTheContextHadAndStaysSetAfterwards) {
  battery.SetLevel(50);
  canvas.Fill(test_color::kBackground);
  SetTextColor(canvas.Dc(), RGB(0x12, 0x34, 0x56));
  SetBkMode(canvas.Dc(), OPAQUE);
  host.DrawControls(canvas.Dc());
  EXPECT_GT(canvas.Count(kTextBand, test_color::kWhite), 0);
  EXPECT_EQ(canvas.Count(kTextBand, 0x123456), 0);
  EXPECT_EQ(GetTextColor(canvas.Dc()), RGB(0xFF, 0xFF, 0xFF));
  EXPECT_EQ(GetBkMode(canvas.Dc()), TRANSPARENT);
  EXPECT_EQ(GetCurrentObject(canvas.Dc(), OBJ_FONT), fontHandle);
}

TEST_F(BatteryTest, WithoutPicturesOnlyTheTextIsDrawn) {
  CVinBattery bare;
  bare.rect = kBatteryRect;
  SetBkMode(canvas.Dc(), OPAQUE);
  canvas.Fill(test_color::kBackground);
  bare.Draw(canvas.Dc());
  const RECT whole = {0, 0, 820, 600};
  EXPECT_GT(canvas.Count(kTextBand, test_color::kWhite), 0);
  EXPECT_EQ(canvas.BoxOtherThan(whole, test_color::kBackground), canvas.InkBox(whole, test_color::kWhite));
}

TEST_F(BatteryTest, TheBatteryIgnoresTheMouseAndSendsNothing) {
  host.Move(650, 520);
  host.Down(650, 520);
  host.Up(650, 520);
  EXPECT_TRUE(host.commands.empty());
  EXPECT_EQ(GetCapture(), nullptr);
}

}  // namespace
