#include "tools/harness/event_log.h"

#include <chrono>

#include "tools/harness/record_form.h"

namespace {

uint64_t NowMs() {
  return static_cast<uint64_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
          .count());
}

}  // namespace

EventLog::EventLog() : startTicks_(NowMs()) {}

uint64_t EventLog::Add(Event event) {
  uint64_t sequence;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    sequence = events_.size();
    event.sequence = sequence;
    event.milliseconds = static_cast<uint32_t>(NowMs() - startTicks_);
    events_.push_back(std::move(event));
  }
  added_.notify_all();
  return sequence;
}

uint64_t EventLog::Next() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return events_.size();
}

std::vector<Event> EventLog::Since(uint64_t sequence) const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (sequence >= events_.size()) return {};
  return std::vector<Event>(events_.begin() + static_cast<std::ptrdiff_t>(sequence), events_.end());
}

bool EventLog::WaitFor(uint64_t sequence, int timeoutMs, const std::function<bool(const Event&)>& match, Event* found) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  std::unique_lock<std::mutex> lock(mutex_);
  uint64_t next = sequence;
  for (;;) {
    for (; next < events_.size(); ++next) {
      if (match(events_[next])) {
        if (found != nullptr) *found = events_[next];
        return true;
      }
    }
    if (added_.wait_until(lock, deadline) == std::cv_status::timeout) {
      for (; next < events_.size(); ++next) {
        if (match(events_[next])) {
          if (found != nullptr) *found = events_[next];
          return true;
        }
      }
      return false;
    }
  }
}

std::string DescribeEvent(const Event& event) {
  switch (event.kind) {
    case EventKind::RecordSent: {
      std::string text = "record " + StateName(event.state);
      if (event.answer) text += " (answering the install request)";
      text += event.delivered ? ", reply " + std::to_string(event.reply) : ", not delivered";
      return text;
    }
    case EventKind::LinkReceived: {
      std::string text = "\"" + event.text + "\"";
      if (!event.wellFormed) {
        text += " (malformed: dwData " + std::to_string(event.dwData) + ", cbData " + std::to_string(event.cbData) +
                ", wParam " + std::to_string(event.wParam) + ")";
      }
      return text;
    }
    case EventKind::InstallRequest:
      return "install request 0x7001 (wParam " + std::to_string(event.wParam) + ", lParam " +
             std::to_string(event.lParam) + ")";
    case EventKind::HostPageShown:
      return "host shows its " + std::string(event.page == 0 ? "phone" : "") + " page" +
             (event.page == 0 ? "" : " " + std::to_string(event.page));
    case EventKind::PageMouse:
      return "mouse message " + std::to_string(event.message) + " at (" + std::to_string(event.x) + "," +
             std::to_string(event.y) + ")";
    case EventKind::Click:
      return "click (" + std::to_string(event.x) + "," + std::to_string(event.y) + ") by " + event.text;
  }
  return "?";
}
