// What happened between the page and its two peers, in order, from every thread of the
// harness: the scenario runner checks it, the step lines print it.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

enum class EventKind {
  RecordSent,      // the service sent a PhoneInfo; `reply` is the page's answer
  LinkReceived,    // the host's main window got a WM_COPYDATA
  InstallRequest,  // the service window got 0x7001
  HostPageShown,   // the host switched pages
  PageMouse,       // a button message reached the page window and was handled
  Click,           // the runner clicked; `text` says how
};

struct Event {
  uint64_t sequence = 0;
  uint32_t milliseconds = 0;  // since the log was made
  EventKind kind = EventKind::RecordSent;
  int32_t state = 0;
  int64_t reply = 0;
  bool delivered = true;  // a record that timed out or had no page to go to is false
  bool answer = false;    // a record sent to answer an install request
  std::string text;       // link text (UTF-8), click method
  uint32_t dwData = 0;
  uint32_t cbData = 0;
  uintptr_t wParam = 0;
  intptr_t lParam = 0;
  bool wellFormed = true;  // a link whose bytes are exactly its text and a NUL
  int page = 0;
  uint32_t message = 0;
  int x = 0;
  int y = 0;
};

class EventLog {
 public:
  EventLog();

  // Stamps the event with its sequence number and time; returns the sequence number.
  uint64_t Add(Event event);
  // Sequence number the next event will get.
  uint64_t Next() const;
  std::vector<Event> Since(uint64_t sequence) const;
  // Waits until an event at or after `sequence` matches, or the time is up.
  bool WaitFor(uint64_t sequence, int timeoutMs, const std::function<bool(const Event&)>& match, Event* found);

 private:
  mutable std::mutex mutex_;
  std::condition_variable added_;
  std::vector<Event> events_;
  uint64_t startTicks_;
};

// "/page=3", "install request", "connected (reply 1)" and so on.
std::string DescribeEvent(const Event& event);
