// The count tile: icon and text boxes, the green count directly followed by the grey label
// centred under the icon, and the icon acting as a link (hand cursor, WM_COMMAND on release).

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cwchar>
#include <string>

#include "controls/mobile_icon.h"
#include "controls/tests/controls_test_ids.h"
#include "controls/tests/controls_test_support.h"
#include "controls/tests/painted_control_test.h"

namespace {

// The page's first tile: 80 x 90 at (122, 197), with a 52 x 52 icon.
constexpr UINT kAppsId = 1001;
constexpr RECT kTileRect = {122, 197, 202, 287};
constexpr RECT kIconBox = {136, 197, 188, 249};
constexpr RECT kTextBand = {122, 235, 202, 287};
const wchar_t kAppsLabel[] = L"\u4e2a\u5e94\u7528";  // "个应用"

constexpr uint32_t kGreen = 0x539452;
constexpr uint32_t kGrey = 0x838383;

class TileTest : public PaintedControlTest<CMobileIcon> {
 protected:
  bool Create() override {
    if (!tile.Create(host.Hwnd(), kAppsId, IDR_TEST_TILE_ICON, kAppsLabel)) return false;
    tile.Place(kTileRect, DisplayScale(), font);
    return true;
  }
  CMobileIcon& tile = control;
};

TEST_F(TileTest, TheIconSitsCentredAtTheTopAndTheTextBandIsTheBottomStrip) {
  EXPECT_EQ(tile.IconBox(), kIconBox);
  EXPECT_EQ(tile.TextBand(), kTextBand);
  Paint();
  EXPECT_EQ(canvas.InkBox(kTileRect, test_color::kIcon), kIconBox);
  EXPECT_EQ(canvas.Count(kIconBox, test_color::kIcon), 52 * 52);
}

TEST_F(TileTest, AnOddMarginMakesTheIconBoxOnePixelWider) {
  CMobileIcon odd;
  ASSERT_TRUE(odd.Create(host.Hwnd(), 9, IDR_TEST_TILE_ICON, L""));
  odd.Place(RECT{0, 0, 81, 90}, DisplayScale(), font);
  EXPECT_EQ(odd.IconBox(), (RECT{14, 0, 67, 52}));
}

TEST_F(TileTest, AnIconWiderThanItsTileOverhangsBothSides) {
  CMobileIcon narrow;
  ASSERT_TRUE(narrow.Create(host.Hwnd(), 9, IDR_TEST_TILE_ICON, L""));
  narrow.Place(RECT{100, 0, 140, 90}, DisplayScale(), font);
  EXPECT_EQ(narrow.IconBox(), (RECT{94, 0, 146, 52}));
}

struct CountCase {
  int count;
  const wchar_t* shown;     // the green part
  const wchar_t* centring;  // what the line is centred as
};

const CountCase kCountCases[] = {
    {12, L"12", L"12"},  {0, L"0", L"0"},
    {-1, L"-- ", L"-1"},                                              // the mark, centred as if "-1" were drawn
    {-5, L"-5", L"-5"},  {2147483647, L"2147483647", L"2147483647"},  // wider than the tile: drawn whole past its edges
};

// Green ink of `text` drawn alone at `box` the tile's way: the reference for the green part.
RECT ReferenceInk(HFONT font, const wchar_t* text, RECT box, uint32_t rgb) {
  DibCanvas reference(820, 600, DibLayout::BottomUp24, test_color::kBackground);
  ScopedSaveDC saved(reference.Dc());
  ScopedSelect selected(reference.Dc(), font);
  SetBkMode(reference.Dc(), TRANSPARENT);
  SetTextColor(reference.Dc(), RGB(rgb >> 16, (rgb >> 8) & 0xFF, rgb & 0xFF));
  DrawTextW(reference.Dc(), text, -1, &box, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
  return reference.InkBox(RECT{0, 0, 820, 600}, rgb);
}

TEST_F(TileTest, TheCountInGreenIsDirectlyFollowedByTheGreyLabelCentredAcrossTheBand) {
  const RECT everywhere = {0, 0, 820, 600};
  for (const CountCase& countCase : kCountCases) {
    SCOPED_TRACE(countCase.count);
    tile.SetCount(countCase.count);
    Paint();

    const std::wstring combined = std::wstring(countCase.centring) + kAppsLabel;
    const int combinedWidth = TextWidth(fontHandle, combined.c_str());
    const int left = kTileRect.left + (80 - combinedWidth) / 2;
    const int numberWidth = TextWidth(fontHandle, countCase.shown);
    const int labelWidth = TextWidth(fontHandle, kAppsLabel);
    const RECT numberBox = {left, kTextBand.top, left + numberWidth, kTextBand.bottom};
    const RECT labelBox = {numberBox.right, kTextBand.top, numberBox.right + labelWidth, kTextBand.bottom};

    const RECT green = canvas.InkBox(everywhere, kGreen);
    const RECT grey = canvas.InkBox(everywhere, kGrey);
    ASSERT_GT(green.right, green.left) << "no count drawn";
    ASSERT_GT(grey.right, grey.left) << "no label drawn";
    EXPECT_EQ(green, ReferenceInk(fontHandle, countCase.shown, numberBox, kGreen));
    EXPECT_EQ(grey, ReferenceInk(fontHandle, kAppsLabel, labelBox, kGrey));
    // One line, the label right after the count's box.
    EXPECT_LE(green.right, grey.left);
    EXPECT_GE(grey.left, numberBox.right);
    EXPECT_LE(grey.left, numberBox.right + 3);
    // Vertically centred in the band, 26 rows above the tile's bottom.
    EXPECT_LE(std::abs((grey.top + grey.bottom) / 2 - (kTileRect.bottom - 26)), 3);
    // Only the count and the label: nothing else but the icon is drawn.
    EXPECT_EQ(canvas.BoxOtherThan(RECT{0, kIconBox.bottom, 820, 600}, test_color::kBackground),
              (RECT{std::min(green.left, grey.left), std::min(green.top, grey.top), std::max(green.right, grey.right),
                    std::max(green.bottom, grey.bottom)}));
  }
}

TEST_F(TileTest, TheNotAvailableMarkIsTwoDashes) {
  tile.SetCount(CMobileIcon::kNotAvailable);
  Paint();
  const RECT green = canvas.InkBox(RECT{0, 0, 820, 600}, kGreen);
  ASSERT_GT(green.right, green.left);
  EXPECT_LE(green.bottom - green.top, 3);  // dashes are flat
  // Two runs of ink along the dashes' row.
  int runs = 0;
  bool inInk = false;
  for (int x = green.left; x < green.right; ++x) {
    const bool ink = canvas.Count(RECT{x, green.top, x + 1, green.bottom}, kGreen) > 0;
    runs += ink && !inInk;
    inInk = ink;
  }
  EXPECT_EQ(runs, 2);
}

TEST_F(TileTest, TheTextLeavesItsColourBackgroundAndFontSetInTheContext) {
  tile.SetCount(3);
  SetBkMode(canvas.Dc(), OPAQUE);
  Paint();
  EXPECT_EQ(GetTextColor(canvas.Dc()), RGB(0x83, 0x83, 0x83));
  EXPECT_EQ(GetBkMode(canvas.Dc()), TRANSPARENT);
  EXPECT_EQ(GetCurrentObject(canvas.Dc(), OBJ_FONT), fontHandle);
}

struct PointCase {
  const char* name;
  POINT point;
  bool onIcon;
};

const PointCase kPointCases[] = {
    {"icon centre", {162, 223}, true},
    {"icon top-left corner", {136, 197}, true},
    {"icon bottom-right pixel", {187, 248}, true},
    {"just left of the icon", {135, 220}, false},
    {"icon's right edge", {188, 220}, false},
    {"icon's bottom edge", {160, 249}, false},
    {"text band", {162, 270}, false},
    {"outside the tile", {400, 400}, false},
};

TEST_F(TileTest, TheHandCursorShowsOverTheIconOnly) {
  for (const PointCase& pointCase : kPointCases) {
    SCOPED_TRACE(pointCase.name);
    host.Move(pointCase.point.x, pointCase.point.y);
    EXPECT_EQ(tile.IsHovered(), pointCase.onIcon);
    const LRESULT result = host.AskCursor();
    EXPECT_EQ(CursorIs(IDC_HAND), pointCase.onIcon);
    if (pointCase.onIcon) {
      EXPECT_EQ(result, 1);  // claimed by the tile
    } else {
      EXPECT_TRUE(CursorIs(IDC_ARROW));
    }
  }
}

TEST_F(TileTest, AReleaseOverTheIconSendsWmCommandWithoutAPressNoneElsewhere) {
  for (const PointCase& pointCase : kPointCases) {
    SCOPED_TRACE(pointCase.name);
    host.commands.clear();
    host.Up(pointCase.point.x, pointCase.point.y);
    ASSERT_EQ(host.commands.size(), pointCase.onIcon ? 1u : 0u);
    if (pointCase.onIcon) {
      EXPECT_EQ(host.commands[0].wParam, MAKEWPARAM(kAppsId, 0));
      EXPECT_EQ(host.commands[0].lParam, 0);
    }
  }
  // A press on the icon alone sends nothing.
  host.commands.clear();
  host.Down(162, 223);
  EXPECT_TRUE(host.commands.empty());
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(TileTest, HoverKeepsItsLastValueWhenThePointerLeavesTheWindow) {
  host.Move(162, 223);
  host.Leave();
  EXPECT_TRUE(tile.IsHovered());
}

TEST_F(TileTest, AHiddenTileNeitherDrawsNorReacts) {
  tile.visible = FALSE;
  tile.SetCount(12);
  Paint();
  EXPECT_EQ(canvas.Count(RECT{0, 0, 820, 600}, test_color::kBackground), 820 * 600);
  host.Move(162, 223);
  host.Up(162, 223);
  EXPECT_FALSE(tile.IsHovered());
  EXPECT_TRUE(host.commands.empty());
}

TEST_F(TileTest, WithoutItsIconATileCannotBeClickedAndItsTextIsClippedAway) {
  CMobileIcon bare;
  ControlTestHost bareHost;  // after the tile: its window goes first
  ASSERT_TRUE(bare.Create(bareHost.Hwnd(), 1002, IDR_TEST_MISSING, kAppsLabel));
  bare.Place(kTileRect, DisplayScale(), font);
  bareHost.AddControl(&bare);
  bare.SetCount(7);
  const RECT iconBox = bare.IconBox();
  EXPECT_TRUE(IsRectEmpty(&iconBox));
  for (const PointCase& pointCase : kPointCases) {
    bareHost.Move(pointCase.point.x, pointCase.point.y);
    EXPECT_FALSE(bare.IsHovered()) << pointCase.name;
    bareHost.Up(pointCase.point.x, pointCase.point.y);
  }
  EXPECT_TRUE(bareHost.commands.empty());

  // The text band has no height, and DrawText clips to it: nothing shows.
  canvas.Fill(test_color::kBackground);
  bareHost.DrawControls(canvas.Dc());
  EXPECT_EQ(canvas.Count(RECT{0, 0, 820, 600}, test_color::kBackground), 820 * 600);
}

TEST_F(TileTest, CreateKeepsVisibilityCountAndHover) {
  tile.SetCount(9);
  tile.visible = FALSE;
  host.Move(162, 223);  // hidden: no hover
  ASSERT_TRUE(tile.Create(host.Hwnd(), kAppsId, IDR_TEST_TILE_ICON, kAppsLabel));
  tile.Place(kTileRect, DisplayScale(), font);
  EXPECT_EQ(tile.Count(), 9);
  EXPECT_FALSE(tile.visible);
  EXPECT_FALSE(tile.IsHovered());
}

}  // namespace
