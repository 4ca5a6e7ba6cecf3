#include "controls/button_press.h"

void ButtonPress::MouseMove(bool inside) {
  if (inside) {
    // While the press holds the capture, coming back in shows pressed again, not hover.
    bool& flag = captured_ ? pressed_ : hover_;
    if (!flag) {
      flag = true;
      host_.Redraw();
    }
    return;
  }
  // Moves elsewhere on the page change nothing once the button shows normal.
  if (!pressed_ && !hover_) return;
  pressed_ = false;
  hover_ = false;
  host_.Redraw();
}

void ButtonPress::MouseLeave() {
  if (!pressed_ && !hover_) return;
  pressed_ = false;
  hover_ = false;
  host_.Redraw();
}

void ButtonPress::ButtonDown(bool inside) {
  if (!inside) return;
  // Capture first: the capture change it causes must not clear the press set after it.
  host_.TakeCapture();
  captured_ = true;
  pressed_ = true;
  host_.Redraw();
}

void ButtonPress::DoubleClick(bool inside) {
  if (!inside) return;
  if (!host_.HoldsCapture()) {
    host_.TakeCapture();
    captured_ = true;
  }
  if (!pressed_) {
    pressed_ = true;
    host_.Redraw();
  }
}

void ButtonPress::ButtonUp() {
  if (!captured_) return;
  if (pressed_) {
    host_.Click();
    pressed_ = false;
    host_.Redraw();
  }
  // Another window that took the capture meanwhile keeps it.
  if (host_.HoldsCapture()) host_.GiveBackCapture();
  captured_ = false;
}

void ButtonPress::Cancel() {
  const bool held = captured_;
  captured_ = false;
  hover_ = false;
  if (pressed_) {
    pressed_ = false;
    host_.Redraw();
  }
  if (held && host_.HoldsCapture()) host_.GiveBackCapture();
}

void ButtonPress::CaptureLost() {
  if (!pressed_) return;
  pressed_ = false;
  host_.Redraw();
}
