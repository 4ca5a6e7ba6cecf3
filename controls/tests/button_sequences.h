// The press rules of the push button, as sequences of mouse events the host routes to it and
// what follows each: the look it shows, how many clicks it sent, who holds the mouse capture.
// Played on the rules alone (button_press_test.cpp) and on the button in a window.
#pragma once

#include <cstddef>
#include <vector>

namespace button_sequences {

enum class Event { MoveIn, MoveOut, DownIn, DownOut, UpIn, UpOut, DoubleClickIn, DoubleClickOut, Leave, StealCapture };
enum class Frame { Normal, Hover, Pressed };
enum class Holder { Nobody, Host, Other };

struct Sequence {
  const char* name;
  std::vector<Event> events;
  Frame frame;
  size_t commands;
  Holder capture;
};

inline const Sequence kSequences[] = {
    {"move in", {Event::MoveIn}, Frame::Hover, 0, Holder::Nobody},
    {"move in and out", {Event::MoveIn, Event::MoveOut}, Frame::Normal, 0, Holder::Nobody},
    {"hover, then the pointer leaves the window", {Event::MoveIn, Event::Leave}, Frame::Normal, 0, Holder::Nobody},
    {"press", {Event::MoveIn, Event::DownIn}, Frame::Pressed, 0, Holder::Host},
    {"click", {Event::MoveIn, Event::DownIn, Event::UpIn}, Frame::Hover, 1, Holder::Nobody},
    {"click without a move before it", {Event::DownIn, Event::UpIn}, Frame::Normal, 1, Holder::Nobody},
    {"press, drag out", {Event::MoveIn, Event::DownIn, Event::MoveOut}, Frame::Normal, 0, Holder::Host},
    {"press, drag out, release",
     {Event::MoveIn, Event::DownIn, Event::MoveOut, Event::UpOut},
     Frame::Normal,
     0,
     Holder::Nobody},
    {"press, drag out and back",
     {Event::MoveIn, Event::DownIn, Event::MoveOut, Event::MoveIn},
     Frame::Pressed,
     0,
     Holder::Host},
    {"press, drag out and back, release",
     {Event::MoveIn, Event::DownIn, Event::MoveOut, Event::MoveIn, Event::UpIn},
     Frame::Normal,
     1,
     Holder::Nobody},
    {"... then the next move shows hover",
     {Event::MoveIn, Event::DownIn, Event::MoveOut, Event::MoveIn, Event::UpIn, Event::MoveIn},
     Frame::Hover,
     1,
     Holder::Nobody},
    // The release point is not tested: only the last move decides.
    {"press, release outside without a move",
     {Event::MoveIn, Event::DownIn, Event::UpOut},
     Frame::Hover,
     1,
     Holder::Nobody},
    {"release without press", {Event::MoveIn, Event::UpIn}, Frame::Hover, 0, Holder::Nobody},
    {"press outside, release inside", {Event::DownOut, Event::UpIn}, Frame::Normal, 0, Holder::Nobody},
    {"press outside, drag in", {Event::DownOut, Event::MoveIn}, Frame::Hover, 0, Holder::Nobody},
    {"press, capture taken by another window",
     {Event::MoveIn, Event::DownIn, Event::StealCapture},
     Frame::Hover,
     0,
     Holder::Other},
    {"... then a move over it shows pressed again",
     {Event::MoveIn, Event::DownIn, Event::StealCapture, Event::MoveIn},
     Frame::Pressed,
     0,
     Holder::Other},
    {"... and a release over it still sends, leaving the other window its capture",
     {Event::MoveIn, Event::DownIn, Event::StealCapture, Event::MoveIn, Event::UpIn},
     Frame::Hover,
     1,
     Holder::Other},
    {"press, capture taken, release",
     {Event::DownIn, Event::StealCapture, Event::UpIn},
     Frame::Normal,
     0,
     Holder::Other},
    {"double click", {Event::DownIn, Event::UpIn, Event::DoubleClickIn, Event::UpIn}, Frame::Normal, 2, Holder::Nobody},
    {"double click, second press held",
     {Event::MoveIn, Event::DownIn, Event::UpIn, Event::DoubleClickIn},
     Frame::Pressed,
     1,
     Holder::Host},
    {"double click outside", {Event::DoubleClickOut, Event::UpIn}, Frame::Normal, 0, Holder::Nobody},
};

}  // namespace button_sequences
