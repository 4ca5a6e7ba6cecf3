// The push button's press rules without a window: the same sequences the button in a window
// plays, against a host that keeps the capture as the system does.

#include "controls/button_press.h"

#include <gtest/gtest.h>

#include <vector>

#include "controls/tests/button_sequences.h"

namespace {

using namespace button_sequences;

// Who holds the capture, and the capture change the host hears when it loses it.
class FakeHost final : public IButtonHost {
 public:
  void TakeCapture() override { holder = Holder::Host; }
  bool HoldsCapture() const override { return holder == Holder::Host; }
  void GiveBackCapture() override { LoseCapture(Holder::Nobody); }
  void Click() override { looksAtClick.push_back(press.Shown()); }
  void Redraw() override {}

  void LoseCapture(Holder to) {
    const bool held = holder == Holder::Host;
    holder = to;
    if (held) press.CaptureLost();
  }
  void Play(Event event) {
    switch (event) {
      case Event::MoveIn:
      case Event::MoveOut:
        return press.MouseMove(event == Event::MoveIn);
      case Event::DownIn:
      case Event::DownOut:
        return press.ButtonDown(event == Event::DownIn);
      case Event::UpIn:
      case Event::UpOut:
        return press.ButtonUp();
      case Event::DoubleClickIn:
      case Event::DoubleClickOut:
        return press.DoubleClick(event == Event::DoubleClickIn);
      case Event::Leave:
        return press.MouseLeave();
      case Event::StealCapture:
        return LoseCapture(Holder::Other);
    }
  }

  Holder holder = Holder::Nobody;
  std::vector<ButtonPress::Look> looksAtClick;
  ButtonPress press{*this};
};

TEST(ButtonPressTest, EventSequencesDecideLookClicksAndCapture) {
  for (const Sequence& sequence : kSequences) {
    SCOPED_TRACE(sequence.name);
    FakeHost host;
    for (Event event : sequence.events) host.Play(event);
    EXPECT_EQ(static_cast<int>(host.press.Shown()), static_cast<int>(sequence.frame));
    EXPECT_EQ(host.looksAtClick, std::vector<ButtonPress::Look>(sequence.commands, ButtonPress::Look::Pressed));
    EXPECT_EQ(host.holder, sequence.capture);
  }
}

}  // namespace
