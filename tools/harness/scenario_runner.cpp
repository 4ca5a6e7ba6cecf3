#include "tools/harness/scenario_runner.h"

#include <algorithm>
#include <cstdio>

#include "tools/harness/contact_sheet.h"
#include "tools/harness/mouse_input.h"
#include "tools/harness/phone_service.h"
#include "tools/harness/png_file.h"
#include "tools/harness/record_form.h"

namespace {

constexpr UINT kCallTimeoutMs = 20000;
constexpr int kPollMs = 100;
// A click that reaches the page is handled at once; this only bounds a click that went astray.
constexpr int kClickDeliveryMs = 1500;

std::string Hex(uint32_t pixel) {
  char text[8];
  std::snprintf(text, sizeof text, "#%06X", static_cast<unsigned>(pixel & 0xFFFFFF));
  return text;
}

std::string RectText(const PixelRect& rect) {
  return "(" + std::to_string(rect.left) + "," + std::to_string(rect.top) + ")-(" + std::to_string(rect.right) + "," +
         std::to_string(rect.bottom) + ")";
}

std::string Two(int number) {
  char text[8];
  std::snprintf(text, sizeof text, "%02d", number);
  return text;
}

std::wstring Widen(const std::string& utf8) {
  const std::u16string text = Utf8ToUtf16(utf8);
  return std::wstring(reinterpret_cast<const wchar_t*>(text.data()), text.size());
}

std::string ClassOf(HWND window) {
  wchar_t name[128] = {};
  if (window == nullptr || GetClassNameW(window, name, 128) == 0) return "no window";
  return "a window of class " + Utf16ToUtf8(reinterpret_cast<const char16_t*>(name));
}

bool CallWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  DWORD_PTR answer = 0;
  if (SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, kCallTimeoutMs, &answer) == 0) return false;
  result = static_cast<LRESULT>(answer);
  return true;
}

std::string Join(const std::vector<std::string>& parts) {
  std::string text;
  for (const auto& part : parts) text += (text.empty() ? "" : ", ") + part;
  return text.empty() ? "nothing" : text;
}

}  // namespace

int CScenarioRunner::Run() {
  for (const Command& command : setup_.scenario->commands) {
    if (command.action == Action::Step) {
      if (inStep_) EndStep();
      BeginStep(command);
      continue;
    }
    std::string failure;
    if (!Execute(command, failure)) {
      ++failures_;
      const std::string line = "FAILED " + Where(command) + "\n       " + failure;
      if (inStep_) {
        step_.failures.push_back(line);
      } else {
        Print(line);
      }
    }
  }
  if (inStep_) EndStep();

  if (!setup_.contactSheet.empty() && !shots_.empty()) {
    std::vector<SheetEntry> entries;
    for (const Shot& shot : shots_) entries.push_back({&shot.capture.image, shot.name, shot.failed});
    if (!WriteContactSheet(entries, setup_.contactSheet)) {
      ++failures_;
      Print("FAILED cannot write the contact sheet " +
            Utf16ToUtf8(reinterpret_cast<const char16_t*>(setup_.contactSheet.c_str())));
    }
  }
  Print(setup_.scenarioName + ": " + std::to_string(stepsRun_) + " steps, " +
        (failures_ == 0 ? std::string("every expectation held")
                        : std::to_string(failures_) + " failed in " + std::to_string(stepsFailed_) + " steps"));
  return failures_ == 0 ? 0 : 1;
}

void CScenarioRunner::BeginStep(const Command& command) {
  step_ = StepState();
  step_.number = stepsRun_ + 1;
  step_.name = command.name;
  step_.firstEvent = setup_.log->Next();
  inStep_ = true;
  // For a person watching: the host's title bar says what the step is about.
  const std::wstring title =
      std::wstring(CHostWindow::kTitle) + L": " +
      Widen(Two(step_.number) + " " + command.name + (command.text.empty() ? "" : ", " + command.text));
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(setup_.host, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(title.c_str()), SMTO_NORMAL, kCallTimeoutMs,
                      &ignored);
}

void CScenarioRunner::EndStep() {
  if (!step_.shot) {
    std::string failure;
    if (!Screenshot("", false, failure)) {
      ++failures_;
      step_.failures.push_back("FAILED screenshot of step " + step_.name + "\n       " + failure);
    }
  }
  std::vector<std::string> sent;
  std::vector<std::string> received;
  for (const Event& event : StepEvents()) {
    switch (event.kind) {
      case EventKind::RecordSent:
      case EventKind::Click:
        sent.push_back(DescribeEvent(event));
        break;
      case EventKind::LinkReceived:
      case EventKind::InstallRequest:
        received.push_back(DescribeEvent(event));
        break;
      case EventKind::HostPageShown:
        received.push_back(std::string("host shows ") + HostPageName(event.page));
        break;
      case EventKind::PageMouse:
        break;
    }
  }
  const bool ok = step_.failures.empty();
  std::string name = step_.name;
  if (name.size() < 24) name.resize(24, ' ');
  Print(Two(step_.number) + " " + name + " sent: " + Join(sent) + " | received: " + Join(received) + " | " +
        (ok ? "ok" : "FAILED"));
  for (const auto& failure : step_.failures) Print("   " + failure);
  if (!ok) {
    ++stepsFailed_;
    for (Shot& shot : shots_) {
      if (shot.name.compare(0, 3, Two(step_.number) + "-") == 0) shot.failed = true;
    }
  }
  ++stepsRun_;
  inStep_ = false;
}

bool CScenarioRunner::Execute(const Command& command, std::string& failure) {
  LRESULT result = 0;
  switch (command.action) {
    case Action::Step:
      return true;
    case Action::Set: {
      CPhoneService::FieldEdit edit{command.name, Utf8ToUtf16(command.text), {}};
      if (!CallWindow(setup_.service, CPhoneService::kSetFieldMessage, 0, reinterpret_cast<LPARAM>(&edit), result)) {
        failure = "the phone service does not answer";
        return false;
      }
      if (result != 1) failure = edit.error;
      return result == 1;
    }
    case Action::Send:
      if (!CallWindow(setup_.service, CPhoneService::kSendMessage, static_cast<WPARAM>(command.value), 0, result)) {
        failure = "the phone service does not answer";
        return false;
      }
      if (result != 1) failure = "the record did not reach the page: no page window, or it did not reply in 5 s";
      return result == 1;
    case Action::Wait:
      Sleep(static_cast<DWORD>(command.value));
      return true;
    case Action::Click:
      return Click(command, failure);
    case Action::Host:
      if (!CallWindow(setup_.host, CHostWindow::kShowPageMessage, static_cast<WPARAM>(command.value), 0, result)) {
        failure = "the host window does not answer";
        return false;
      }
      return true;
    case Action::Answer:
      if (!CallWindow(setup_.service, CPhoneService::kAnswerMessage, command.on ? 1 : 0, command.value, result)) {
        failure = "the phone service does not answer";
        return false;
      }
      return true;
    case Action::ClickMethod:
      method_ = command.method;
      return true;
    case Action::Screenshot:
      return Screenshot(command.name, command.on, failure);
    case Action::Expect:
      return Verify(command, failure);
  }
  return true;
}

bool CScenarioRunner::Verify(const Command& command, std::string& failure) {
  EventLog& log = *setup_.log;
  const uint64_t since = step_.firstEvent;
  Event found;
  switch (command.check) {
    case Check::Reply: {
      const Event* last = nullptr;
      const std::vector<Event> events = StepEvents();
      for (const Event& event : events) {
        if (event.kind == EventKind::RecordSent && !event.answer) last = &event;
      }
      if (last == nullptr) {
        failure = "no record was sent in this step";
        return false;
      }
      if (!last->delivered || last->reply != command.value) {
        failure = "the page answered the record " + StateName(last->state) + " with " +
                  (last->delivered ? std::to_string(last->reply) : std::string("nothing")) + ", not " +
                  std::to_string(command.value);
        return false;
      }
      return true;
    }
    case Check::Link: {
      const auto isLink = [](const Event& event) { return event.kind == EventKind::LinkReceived; };
      const auto isThisLink = [&](const Event& event) { return isLink(event) && event.text == command.name; };
      if (log.WaitFor(since, command.timeoutMs, isThisLink, &found)) {
        if (found.wellFormed) return true;
        failure = "the host received " + DescribeEvent(found) +
                  ": a link carries its text and one NUL, with dwData 0 and wParam 0";
        return false;
      }
      std::vector<std::string> others;
      for (const Event& event : StepEvents()) {
        if (isLink(event)) others.push_back(DescribeEvent(event));
      }
      failure = "no \"" + command.name + "\" reached the host's main window in " + std::to_string(command.timeoutMs) +
                " ms; it received " + Join(others) + " in this step";
      return false;
    }
    case Check::NoLink:
    case Check::NoInstall: {
      const EventKind kind = command.check == Check::NoLink ? EventKind::LinkReceived : EventKind::InstallRequest;
      if (log.WaitFor(
              since, command.timeoutMs, [kind](const Event& event) { return event.kind == kind; }, &found)) {
        failure = std::string(command.check == Check::NoLink ? "the host's main window" : "the phone service") +
                  " received " + DescribeEvent(found);
        return false;
      }
      return true;
    }
    case Check::Install: {
      const auto isInstall = [](const Event& event) { return event.kind == EventKind::InstallRequest; };
      if (!log.WaitFor(since, command.timeoutMs, isInstall, &found)) {
        failure =
            "no install request (0x7001) reached the phone service in " + std::to_string(command.timeoutMs) + " ms";
        return false;
      }
      if (found.wParam != 0 || found.lParam != 0) {
        failure = "the service received " + DescribeEvent(found) + ", where both parameters are 0";
        return false;
      }
      return true;
    }
    case Check::Sent: {
      const auto isSent = [&](const Event& event) {
        return event.kind == EventKind::RecordSent && event.state == command.value && event.delivered &&
               event.reply == 1;
      };
      if (log.WaitFor(since, command.timeoutMs, isSent, &found)) return true;
      std::vector<std::string> records;
      for (const Event& event : StepEvents()) {
        if (event.kind == EventKind::RecordSent) records.push_back(DescribeEvent(event));
      }
      failure = "the service sent no " + StateName(command.value) + " record that the page took (reply 1) in " +
                std::to_string(command.timeoutMs) + " ms; it sent " + Join(records) + " in this step";
      return false;
    }
    case Check::HostPage: {
      const DWORD deadline = GetTickCount() + static_cast<DWORD>(command.timeoutMs);
      LRESULT page = -1;
      for (;;) {
        if (!CallWindow(setup_.host, CHostWindow::kCurrentPageMessage, 0, 0, page)) {
          failure = "the host window does not answer";
          return false;
        }
        if (page == command.value) return true;
        if (static_cast<int>(GetTickCount() - deadline) >= 0) break;
        Sleep(kPollMs);
      }
      failure = std::string("the host shows its ") + HostPageName(static_cast<int>(page)) + " page, not " +
                HostPageName(command.value);
      return false;
    }
    case Check::Color:
      return PollPixels(
          command.timeoutMs,
          [&](const HostCapture& capture, std::string& why) {
            const PixelRect rect = Offset(command.rect, capture.pageLeft, capture.pageTop);
            const int64_t area = static_cast<int64_t>(command.rect.Width()) * command.rect.Height();
            const int64_t needed = command.atLeastPercent ? (area * command.atLeast + 99) / 100 : command.atLeast;
            const int64_t count = CountNear(capture.image, rect, command.color, command.tolerance);
            if (count >= needed && (command.atMost < 0 || count <= command.atMost)) return true;
            const PixelRect inside = ClipRect(rect, capture.image.width, capture.image.height);
            const uint32_t sample =
                inside.Width() > 0 && inside.Height() > 0
                    ? capture.image.At((inside.left + inside.right - 1) / 2, (inside.top + inside.bottom - 1) / 2)
                    : 0;
            if (area == 1) {
              why = "the pixel at (" + std::to_string(command.rect.left) + "," + std::to_string(command.rect.top) +
                    ") is " + Hex(sample) + ", not " + Hex(PackRgb(command.color)) + " within " +
                    std::to_string(command.tolerance);
              return false;
            }
            why = std::to_string(count) + " of the " + std::to_string(area) + " pixels in " + RectText(command.rect) +
                  " are within " + std::to_string(command.tolerance) + " of " + Hex(PackRgb(command.color)) +
                  "; wanted at least " + std::to_string(needed) +
                  (command.atMost >= 0 ? " and at most " + std::to_string(command.atMost) : std::string()) +
                  " (the middle pixel is " + Hex(sample) + ")";
            return false;
          },
          failure);
    case Check::Same:
    case Check::Differs: {
      const Shot* reference = ShotOfStep(command.name);
      if (reference == nullptr) {
        failure = "step " + command.name + " has no screenshot to compare with";
        return false;
      }
      return PollPixels(
          command.timeoutMs,
          [&](const HostCapture& capture, std::string& why) {
            const PixelRect pageRect =
                command.hasRect ? command.rect : PixelRect{0, 0, capture.pageWidth, capture.pageHeight};
            const PixelRect rect = Offset(pageRect, capture.pageLeft, capture.pageTop);
            const RegionDifference difference = CompareRegion(reference->capture.image, capture.image, rect,
                                                              command.check == Check::Same ? command.tolerance : 0);
            if (command.check == Check::Same) {
              if (difference.count == 0) return true;
              why = std::to_string(difference.count) + " pixels in " + RectText(pageRect) + " differ from step " +
                    command.name + "; the first at (" + std::to_string(difference.firstX - capture.pageLeft) + "," +
                    std::to_string(difference.firstY - capture.pageTop) + ") was " + Hex(difference.was) + ", is " +
                    Hex(difference.now);
              return false;
            }
            const int64_t area = static_cast<int64_t>(pageRect.Width()) * pageRect.Height();
            const int64_t needed = command.atLeastPercent ? (area * command.atLeast + 99) / 100 : command.atLeast;
            if (difference.count >= std::max<int64_t>(needed, 1)) return true;
            why = "only " + std::to_string(difference.count) + " pixels in " + RectText(pageRect) +
                  " differ from step " + command.name + "; wanted at least " +
                  std::to_string(std::max<int64_t>(needed, 1));
            return false;
          },
          failure);
    }
  }
  return true;
}

bool CScenarioRunner::PollPixels(int timeoutMs, const std::function<bool(const HostCapture&, std::string&)>& holds,
                                 std::string& failure) {
  const DWORD deadline = GetTickCount() + static_cast<DWORD>(timeoutMs);
  for (;;) {
    HostCapture capture;
    if (!CaptureNow(capture, failure)) return false;
    std::string why;
    if (holds(capture, why)) return true;
    if (static_cast<int>(GetTickCount() - deadline) >= 0) {
      failure = why + (timeoutMs > 0 ? " (waited " + std::to_string(timeoutMs) + " ms)" : std::string());
      return false;
    }
    Sleep(kPollMs);
  }
}

bool CScenarioRunner::CaptureNow(HostCapture& capture, std::string& failure) {
  LRESULT result = 0;
  if (!CallWindow(setup_.host, CHostWindow::kCaptureMessage, 0, reinterpret_cast<LPARAM>(&capture), result)) {
    failure = "the host window does not answer";
    return false;
  }
  if (!capture.ok) failure = "the host window could not be captured";
  return capture.ok;
}

bool CScenarioRunner::Click(const Command& command, std::string& failure) {
  POINT client = {command.x, command.y};
  POINT screen = client;
  ClientToScreen(setup_.page, &screen);
  EventLog& log = *setup_.log;
  const auto reached = [&](uint64_t since) {
    return log.WaitFor(
        since, kClickDeliveryMs,
        [&](const Event& event) {
          return event.kind == EventKind::PageMouse && event.message == WM_LBUTTONUP && event.x == command.x &&
                 event.y == command.y;
        },
        nullptr);
  };
  HWND under = WindowFromPoint(screen);
  if (under != setup_.page) {
    failure = "the point (" + std::to_string(command.x) + "," + std::to_string(command.y) +
              ") of the page is covered by " + ClassOf(under) + " (is the host showing another page?)";
    return false;
  }
  std::string how;
  if (method_ != ClickMethod::Messages && inputDelivered_ != 0) {
    const uint64_t since = log.Next();
    if (SendClickInput(screen) && reached(since)) {
      how = "SendInput";
      inputDelivered_ = 1;
    } else if (method_ == ClickMethod::Input || inputDelivered_ == 1) {
      failure = "the mouse input did not reach the page";
      return false;
    } else {
      // The pointer was over the page and nothing came: this platform drops synthetic input.
      inputDelivered_ = 0;
    }
  }
  if (how.empty()) {
    const uint64_t since = log.Next();
    if (!PostClickMessages(setup_.page, client) || !reached(since)) {
      failure = "the posted click did not reach the page";
      return false;
    }
    how = "window messages";
  }
  Event event;
  event.kind = EventKind::Click;
  event.x = command.x;
  event.y = command.y;
  event.text = how;
  log.Add(event);
  return true;
}

bool CScenarioRunner::Screenshot(const std::string& label, bool desktop, std::string& failure) {
  Shot shot;
  shot.name = Two(step_.number) + "-" + step_.name + (label.empty() ? "" : "-" + label);
  shot.capture.desktop = desktop;
  if (!CaptureNow(shot.capture, failure)) return false;
  const std::wstring path = setup_.screenshotFolder + L"\\" + Widen(shot.name) + L".png";
  if (!SavePng(path.c_str(), shot.capture.image.pixels.data(), shot.capture.image.width, shot.capture.image.height)) {
    failure = "cannot write " + Utf16ToUtf8(reinterpret_cast<const char16_t*>(path.c_str()));
    return false;
  }
  shots_.push_back(std::move(shot));
  if (label.empty()) {
    step_.shot = true;
    stepShots_.emplace_back(step_.name, shots_.size() - 1);
  }
  return true;
}

std::vector<Event> CScenarioRunner::StepEvents() const { return setup_.log->Since(step_.firstEvent); }

const CScenarioRunner::Shot* CScenarioRunner::ShotOfStep(const std::string& step) const {
  for (const auto& [name, index] : stepShots_) {
    if (name == step) return &shots_[index];
  }
  return nullptr;
}

void CScenarioRunner::Print(const std::string& line) {
  std::fputs((line + "\n").c_str(), setup_.out);
  std::fflush(setup_.out);
}

std::string CScenarioRunner::Where(const Command& command) const {
  return setup_.scenarioName + ":" + std::to_string(command.line) + ": " + command.source;
}
