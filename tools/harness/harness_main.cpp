// The page module between its two outside parties: a stand-in host that loads it through its
// four exports and a stand-in phone service that sends it records, for a person to use or
// driven by a scenario file.
//
//   harness.exe [--module PAGE.dll] [--scale PERCENT] [--scenario FILE [--out FOLDER] [--sheet FILE.png]]
//   harness.exe --check FILE

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <thread>

#include "testing/page_module.h"
#include "testing/window_dpi.h"
#include "tools/harness/event_log.h"
#include "tools/harness/host_window.h"
#include "tools/harness/phone_service.h"
#include "tools/harness/record_form.h"
#include "tools/harness/scenario.h"
#include "tools/harness/scenario_runner.h"
#include "util/display_scale.h"

namespace {

enum ExitCode { kOk = 0, kExpectationFailed = 1, kUsage = 2, kSetupFailed = 3 };

constexpr wchar_t kUsageText[] =
    L"usage: harness.exe [--module PAGE.dll] [--scale PERCENT] [--scenario FILE [--out FOLDER] [--sheet FILE.png]]\n"
    L"       harness.exe --check FILE\n"
    L"Without a scenario the host and the phone service stay open for a person until either is closed.\n"
    L"--scale 150: the host's window must have 150% of 96 DPI (144), or nothing runs; a multiple of 25, 100 to 500.\n";

struct Options {
  std::wstring module;
  std::wstring scenario;
  std::wstring out = L"screenshots";
  std::wstring sheet;
  int scale = 0;  // percent; 0: whatever DPI the window has
  bool checkOnly = false;
};

// Display scales are steps of 25%, so each is a whole DPI.
bool ParseScale(const std::wstring& text, int& scale) {
  if (text.empty() || text.size() > 3 || text.find_first_not_of(L"0123456789") != std::wstring::npos) return false;
  scale = std::stoi(text);
  return scale >= 100 && scale <= 500 && scale % 25 == 0;
}

std::string Narrow(const std::wstring& text) {
  return Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size()));
}

int Fail(int code, const std::string& message) {
  std::fprintf(stderr, "harness: %s\n", message.c_str());
  return code;
}

bool ParseOptions(int argc, wchar_t** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::wstring option = argv[i];
    const bool hasValue = i + 1 < argc;
    if (option == L"--module" && hasValue) {
      options.module = argv[++i];
    } else if (option == L"--scenario" && hasValue) {
      options.scenario = argv[++i];
    } else if (option == L"--out" && hasValue) {
      options.out = argv[++i];
    } else if (option == L"--sheet" && hasValue) {
      options.sheet = argv[++i];
    } else if (option == L"--scale" && hasValue) {
      if (!ParseScale(argv[++i], options.scale)) return false;
    } else if (option == L"--check" && hasValue) {
      options.scenario = argv[++i];
      options.checkOnly = true;
    } else {
      return false;
    }
  }
  return true;
}

bool ReadFile(const std::wstring& path, std::string& text) {
  FILE* file = _wfopen(path.c_str(), L"rb");
  if (file == nullptr) return false;
  char buffer[4096];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, got);
  const bool ok = std::ferror(file) == 0;
  std::fclose(file);
  return ok;
}

// Makes every missing folder of the path.
bool MakeFolders(const std::wstring& path) {
  for (size_t i = 1; i <= path.size(); ++i) {
    if (i < path.size() && path[i] != L'\\' && path[i] != L'/') continue;
    const std::wstring part = path.substr(0, i);
    if (part.empty() || part.back() == L':') continue;
    if (!CreateDirectoryW(part.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
  }
  return true;
}

std::string FileName(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return Narrow(slash == std::wstring::npos ? path : path.substr(slash + 1));
}

int Run(int argc, wchar_t** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    std::fputws(kUsageText, stderr);
    return kUsage;
  }

  Scenario scenario;
  const bool scripted = !options.scenario.empty();
  if (scripted) {
    std::string text;
    std::string error;
    if (!ReadFile(options.scenario, text)) return Fail(kUsage, "cannot read " + Narrow(options.scenario));
    if (!ParseScenario(text, scenario, error)) return Fail(kUsage, FileName(options.scenario) + ": " + error);
    if (options.checkOnly) {
      std::printf("%s: %zu steps, %zu commands\n", FileName(options.scenario).c_str(), scenario.stepNames.size(),
                  scenario.commands.size());
      return kOk;
    }
    if (!MakeFolders(options.out)) return Fail(kSetupFailed, "cannot make the folder " + Narrow(options.out));
  }

  if (options.module.empty()) options.module = ModuleBesideProgram();
  PageModule module;
  std::string error;
  if (!module.Load(options.module, &error)) return Fail(kSetupFailed, error + ": " + Narrow(options.module));
  if (module.IsSupported() != 1) return Fail(kSetupFailed, "IsSupported does not return 1");

  EventLog log;
  CHostWindow host(log);
  if (!host.Create(0, 0)) {
    return Fail(kSetupFailed,
                "cannot create the host window (error " + std::to_string(GetLastError()) + "; is there a display?)");
  }
  if (options.scale != 0 && host.Dpi() * 100 != options.scale * 96) {
    DestroyWindow(host.Hwnd());
    const int wanted = options.scale * 96 / 100;
    return Fail(kUsage, "--scale " + std::to_string(options.scale) + " needs a window of " + std::to_string(wanted) +
                            " DPI, and the host's has " + std::to_string(host.Dpi()) +
                            " (under Wine every window has the prefix's DPI: PAGE_DPI=" + std::to_string(wanted) +
                            " cmake/wine-run runs the harness in the prefix made for it)");
  }
  RECT hostFrame;
  GetWindowRect(host.Hwnd(), &hostFrame);
  // Beside the host where the screen has room, so clicks on the page never land on it.
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const DisplayScale scale = DisplayScale::ForDpi(host.Dpi());
  const int serviceWidth = std::max(scale.Px(216), static_cast<int>(screenWidth - hostFrame.right));
  const int serviceLeft = std::min(static_cast<int>(hostFrame.right), screenWidth - serviceWidth);
  const int serviceHeight = std::min(scale.Px(760), GetSystemMetrics(SM_CYSCREEN));
  CPhoneService service(log, host.Hwnd());
  if (!service.Start(serviceLeft, 0, serviceWidth, serviceHeight)) {
    DestroyWindow(host.Hwnd());
    return Fail(kSetupFailed, "cannot create the phone service window");
  }

  if (!module.InitPage()) {
    service.Stop();
    DestroyWindow(host.Hwnd());
    return Fail(kSetupFailed, "InitPage failed");
  }
  HWND page = module.CreatePage(host.Container());
  if (page == nullptr) {
    service.Stop();
    DestroyWindow(host.Hwnd());
    module.UnInitPage();
    return Fail(kSetupFailed, "CreatePage returned no window");
  }
  host.SetPage(page);
  service.SetPage(page);
  ShowWindow(host.Hwnd(), SW_SHOW);
  UpdateWindow(host.Hwnd());
  SetForegroundWindow(host.Hwnd());

  std::thread runner;
  if (scripted) {
    RunnerSetup setup;
    setup.scenario = &scenario;
    setup.scenarioName = FileName(options.scenario);
    setup.host = host.Hwnd();
    setup.page = page;
    setup.service = service.Hwnd();
    setup.log = &log;
    setup.screenshotFolder = options.out;
    setup.contactSheet = options.sheet;
    HWND hostWindow = host.Hwnd();
    runner = std::thread([setup, hostWindow] {
      CScenarioRunner run(setup);
      const int code = run.Run();
      PostMessageW(hostWindow, CHostWindow::kFinishedMessage, static_cast<WPARAM>(code), 0);
    });
  } else {
    std::printf("harness: the host and the phone service are open; close either window to end\n");
    std::fflush(stdout);
  }

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    // Logged after dispatch, so whoever waits for a click sees everything it caused.
    if (msg.hwnd == page && (msg.message == WM_LBUTTONDOWN || msg.message == WM_LBUTTONUP)) {
      Event event;
      event.kind = EventKind::PageMouse;
      event.message = msg.message;
      event.x = static_cast<short>(LOWORD(msg.lParam));
      event.y = static_cast<short>(HIWORD(msg.lParam));
      log.Add(event);
    }
  }
  if (runner.joinable()) runner.join();

  // The host window, and the page with it, is gone; now the page object, as a host does.
  service.SetPage(nullptr);
  module.UnInitPage();
  service.Stop();
  module.Unload();
  return scripted ? host.ExitCode() : kOk;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  // Before any window: the host and the panel lay themselves out at their own DPI.
  BecomePerMonitorDpiAware();
  try {
    return Run(argc, argv);
  } catch (...) {
    // Only allocation can throw here; a tool that runs out of memory says so and stops.
    return Fail(kSetupFailed, "out of memory");
  }
}
