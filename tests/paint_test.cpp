// What the page puts on its target: through WM_PRINTCLIENT and through real WM_PAINTs.

#include <gtest/gtest.h>

#include <memory>

#include "testing/dib_canvas.h"
#include "testing/module_page_test.h"
#include "testing/test_support.h"

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 570;
constexpr uint32_t kMarker = 0x00FF00FF;
const RECT kClient = {0, 0, kWidth, kHeight};

class PaintTest : public ModulePageTest {
 protected:
  void Open(bool visible) { OpenPage(kWidth, kHeight, visible); }
};

TEST_F(PaintTest, PrintClientCoversTheWholeClientAreaInEveryState) {
  Open(false);
  const int32_t states[] = {0, 1, 2, 3, 4, 5, 6, -1, 0x7FFFFFFF};
  for (int32_t state : states) {
    SCOPED_TRACE(state);
    ASSERT_EQ(SendRecord(page, MakeRecord(state)), 1);
    DibCanvas canvas(kWidth, kHeight);
    const int pixels = kWidth * kHeight;
    canvas.Fill(kMarker);
    EXPECT_EQ(SendMessageW(page, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT), 0);
    EXPECT_EQ(canvas.CountOtherThan(kClient, kMarker), pixels);
  }
}

TEST_F(PaintTest, EraseBackgroundAnswersOneAndDrawsNothing) {
  Open(false);
  DibCanvas canvas(kWidth, kHeight);
  canvas.Fill(kMarker);
  EXPECT_EQ(SendMessageW(page, WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.Dc()), 0), 1);
  EXPECT_EQ(canvas.CountOtherThan(kClient, kMarker), 0);
}

TEST_F(PaintTest, PaintChangesOnlyTheInvalidRectangle) {
  Open(true);
  UpdateWindow(page);

  // Mark the whole window, declare it valid, then invalidate one rectangle.
  HDC dc = GetDC(page);
  HBRUSH marker = CreateSolidBrush(RGB(0xFF, 0x00, 0xFF));
  FillRect(dc, &kClient, marker);
  DeleteObject(marker);
  ReleaseDC(page, dc);
  ValidateRect(page, nullptr);

  const RECT invalid = {100, 100, 200, 150};
  InvalidateRect(page, &invalid, FALSE);
  UpdateWindow(page);

  DibCanvas printed(kWidth, kHeight);
  SendMessageW(page, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(printed.Dc()), PRF_CLIENT);
  DibCanvas screen(kWidth, kHeight);
  screen.CaptureClient(page);
  EXPECT_EQ(screen.CountDifferent(printed, invalid), 0) << "the repainted part is the page as printed";
  EXPECT_EQ(screen.Pixel(99, 100), kMarker);
  EXPECT_EQ(screen.Pixel(200, 149), kMarker);
  EXPECT_EQ(screen.Pixel(100, 99), kMarker);
  EXPECT_EQ(screen.Pixel(199, 150), kMarker);
  // Everything outside the rectangle is still the marker.
  int outside = 0;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const POINT point = {x, y};
      if (!PtInRect(&invalid, point)) outside += screen.Pixel(x, y) != kMarker;
    }
  }
  EXPECT_EQ(outside, 0);
}

}  // namespace
