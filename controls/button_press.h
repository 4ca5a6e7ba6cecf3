// The press rules of a push button: which look it shows, when it takes and gives back the
// mouse capture and when a click counts, as the host routes the mouse to it. Platform-free:
// the button's window side does what the rules ask through IButtonHost.
#pragma once

class IButtonHost {
 public:
  virtual void TakeCapture() = 0;
  virtual bool HoldsCapture() const = 0;
  virtual void GiveBackCapture() = 0;
  // The click's notification; the button still shows pressed while it runs.
  virtual void Click() = 0;
  virtual void Redraw() = 0;

 protected:
  ~IButtonHost() = default;
};

class ButtonPress {
 public:
  enum class Look { Normal, Hover, Pressed };

  explicit ButtonPress(IButtonHost& host) : host_(host) {}
  ButtonPress(const ButtonPress&) = delete;
  ButtonPress& operator=(const ButtonPress&) = delete;

  void MouseMove(bool inside);
  void MouseLeave();
  void ButtonDown(bool inside);
  void DoubleClick(bool inside);
  // Where the release happens does not count: the last move decided the look.
  void ButtonUp();
  // For an owner that hides the button while it is held: a hidden button sees no release.
  void Cancel();
  // Another window took the capture, or the host gave it back.
  void CaptureLost();

  Look Shown() const { return pressed_ ? Look::Pressed : (hover_ ? Look::Hover : Look::Normal); }
  bool Pressed() const { return pressed_; }
  bool Hovered() const { return hover_; }
  bool Captured() const { return captured_; }

 private:
  IButtonHost& host_;
  bool pressed_ = false;
  bool hover_ = false;
  bool captured_ = false;
};
