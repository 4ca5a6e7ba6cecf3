// Runs a scenario from a thread of its own, as an outsider would: it asks the service to send
// records, clicks with the mouse, looks at the host window's pixels and at what the page
// sent to the host and the service. One line per step, a screenshot per step, a contact
// sheet at the end.
#pragma once

#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "tools/harness/event_log.h"
#include "tools/harness/host_window.h"
#include "tools/harness/scenario.h"

struct RunnerSetup {
  const Scenario* scenario = nullptr;
  std::string scenarioName;  // as failures name it: "demo.txt:12"
  HWND host = nullptr;
  HWND page = nullptr;
  HWND service = nullptr;
  EventLog* log = nullptr;
  std::wstring screenshotFolder;
  std::wstring contactSheet;  // empty: none
  FILE* out = stdout;
};

class CScenarioRunner {
 public:
  explicit CScenarioRunner(const RunnerSetup& setup) : setup_(setup) {}

  // 0 when every command did what it should and every expectation held, else 1.
  int Run();

 private:
  struct Shot {
    std::string name;  // "03-connecting-1" without ".png"
    HostCapture capture;
    bool failed = false;
  };
  struct StepState {
    int number = 0;
    std::string name;
    uint64_t firstEvent = 0;
    std::vector<std::string> failures;
    bool shot = false;
    size_t shotIndex = 0;
  };

  void BeginStep(const Command& command);
  void EndStep();
  bool Execute(const Command& command, std::string& failure);
  bool Verify(const Command& command, std::string& failure);
  bool Click(const Command& command, std::string& failure);
  bool Screenshot(const std::string& label, bool desktop, std::string& failure);
  bool CaptureNow(HostCapture& capture, std::string& failure);
  // Captures until `holds` is true or the time is up; `holds` explains itself when false.
  bool PollPixels(int timeoutMs, const std::function<bool(const HostCapture&, std::string&)>& holds,
                  std::string& failure);
  std::vector<Event> StepEvents() const;
  const Shot* ShotOfStep(const std::string& step) const;
  void Print(const std::string& line);
  std::string Where(const Command& command) const;

  RunnerSetup setup_;
  std::vector<Shot> shots_;
  std::vector<std::pair<std::string, size_t>> stepShots_;  // step name to its shot
  StepState step_;
  bool inStep_ = false;
  ClickMethod method_ = ClickMethod::Auto;
  int inputDelivered_ = -1;  // -1 not yet known, 1 SendInput reaches the page, 0 it does not
  int failures_ = 0;
  int stepsFailed_ = 0;
  int stepsRun_ = 0;
};
