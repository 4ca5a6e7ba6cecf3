// The fixture of the control tests that draw text: one control in a ControlTestHost, made
// with the page's bold 12-pixel font, and a page-sized surface to paint the host on.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>

#include "controls/tests/controls_test_support.h"
#include "testing/dib_canvas.h"
#include "util/scoped_gdi.h"

template <typename Control>
class PaintedControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Create());
    host.AddControl(&control);
  }
  // The control's Create, in `host`, and its Place with `font`.
  virtual bool Create() = 0;
  void Paint() {
    canvas.Fill(test_color::kBackground);
    host.DrawControls(canvas.Dc());
  }

  SharedFont font = std::make_shared<const ScopedFont>(MakeTestFont(12, true));
  HFONT fontHandle = font->Get();
  DibCanvas canvas{820, 600, DibLayout::BottomUp24,
                   test_color::kBackground};  // after the font: it keeps the font selected
  Control control;
  ControlTestHost host;  // last, so that it goes before the control it holds
};
