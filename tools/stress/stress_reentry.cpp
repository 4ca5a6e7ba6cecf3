// A host that tears the page down inside its handler of the page's link: the link sent by a
// tile's click, by Tab and Enter, or by a screen reader's default action, and the host
// answering with UnInitPage, with DestroyWindow of the page or of its parent, with UnInitPage
// and a new page at once, and the like. Nothing may fault, every link arrives once, no window
// of the old page is left, and the page made next shows a record exactly as a fresh one does.

#include "page/page_accessible.h"
#include "page/page_protocol.h"
#include "testing/link_teardown.h"
#include "testing/test_support.h"
#include "tools/stress/stress_page.h"
#include "tools/stress/stress_support.h"
#include "tools/stress/stresses.h"

namespace {

enum class Press { Click, Keyboard, DefaultAction, kCount };
using Teardown = LinkTeardown;

constexpr int kPressCount = static_cast<int>(Press::kCount);
constexpr int kTeardownCount = kLinkTeardownCount;
const char* const kPressNames[kPressCount] = {"click", "Tab and Enter", "default action"};
const char* const kTeardownNames[kTeardownCount] = {"UnInitPage",
                                                    "DestroyWindow(page)",
                                                    "DestroyWindow(parent)",
                                                    "UnInitPage, InitPage, CreatePage",
                                                    "DestroyWindow(page), UnInitPage",
                                                    "UnInitPage, then messages pumped"};
// The linked tiles in Tab order, and where their icons are.
const UINT kLinkedTiles[] = {1001, 1003, 1005, 1008};
const POINT kLinkedIcons[] = {{162, 223}, {388, 223}, {162, 327}, {501, 327}};
constexpr int kLinkedCount = 4;
constexpr int kPrintEvery = 10;  // cycles between two checks of the next page's print

void PressLink(HWND page, Press press, int tile) {
  const LPARAM at = MAKELPARAM(kLinkedIcons[tile].x, kLinkedIcons[tile].y);
  switch (press) {
    case Press::Click:
      PostMessageW(page, WM_MOUSEMOVE, 0, at);
      PostMessageW(page, WM_LBUTTONDOWN, MK_LBUTTON, at);
      PostMessageW(page, WM_LBUTTONUP, 0, at);
      break;
    case Press::Keyboard:
      for (int i = 0; i <= tile; ++i) PostMessageW(page, WM_KEYDOWN, VK_TAB, 0x000F0001);
      PostMessageW(page, WM_KEYDOWN, VK_RETURN, 0x001C0001);
      break;
    case Press::DefaultAction:
      // What the page's accessible object posts; taking the object itself would pin the module,
      // which the other stresses unload.
      PostMessageW(page, WM_PAGE_DEFAULT_ACTION, kLinkedTiles[tile], 0);
      break;
    case Press::kCount:
      break;
  }
}

}  // namespace

bool RunReentryStress(const StressPlan& plan) {
  StressReport report("reentry");
  StressRandom random(plan.seed ^ 0x5245454E54ull);
  SetLookupBase(kRefusingLookupBase);
  PageModule module;
  if (!module.Load(StressModulePath())) {
    report.Fail("the module did not load");
    return report.Finish("nothing run");
  }
  const ProcessSample before = SampleProcess();
  const PhoneInfo record = PhoneRecord(1, u"Reentry R1");  // in no cache: the generic picture
  PagePrinter printer(kHostWidth, kHostHeight);
  std::vector<uint32_t> reference;
  {
    TestParent parent(kHostWidth, kHostHeight);
    module.InitPage();
    const HWND page = module.CreatePage(parent.Hwnd());
    SendRecord(page, record);
    reference = printer.Print(page);
    module.UnInitPage();
  }

  int counts[kPressCount][kTeardownCount] = {};
  int wrongLinks = 0, oldWindowsLeft = 0, notRemade = 0, wrongPrints = 0, printChecks = 0;
  for (int cycle = 0; cycle < plan.reentryCycles; ++cycle) {
    SetProgress("reentry", static_cast<uint64_t>(cycle));
    const Press press = static_cast<Press>(random.Below(kPressCount));
    const Teardown teardown = static_cast<Teardown>(random.Below(kTeardownCount));
    const int tile = static_cast<int>(random.Below(kLinkedCount));
    ++counts[static_cast<int>(press)][static_cast<int>(teardown)];
    const auto what = [&] {
      return Format("cycle %d: %s on tile %u, then %s", cycle, kPressNames[static_cast<int>(press)], kLinkedTiles[tile],
                    kTeardownNames[static_cast<int>(teardown)]);
    };

    TestParent parent(kHostWidth, kHostHeight);
    module.InitPage();
    const HWND old = module.CreatePage(parent.Hwnd());
    if (old == nullptr) {
      report.Fail(what() + ": CreatePage gave no window");
      break;
    }
    SendRecord(old, record);
    HWND remade = nullptr;
    RecordingWindow host(kHostMainWindowClass);
    host.ReactToCopyData([&] { remade = TearDownInLink(module, teardown, old, parent.Hwnd()); });
    PressLink(old, press, tile);
    PumpPending();

    if (host.CopiesReceived().size() != 1) {
      ++wrongLinks;
      report.Fail(what() + Format(": %u links arrived", static_cast<unsigned>(host.CopiesReceived().size())));
    }
    if (IsWindow(old)) {
      ++oldWindowsLeft;
      report.Fail(what() + ": the old page's window is still there");
    }
    HWND next = remade;
    if (teardown == Teardown::UnInitAndRemake && (remade == nullptr || !IsWindow(remade))) {
      ++notRemade;
      report.Fail(what() + ": the page made inside the handler has no window");
      next = nullptr;
    }
    if (cycle % kPrintEvery == 0) {
      // The page made next, inside the handler or after it, works like a fresh one.
      TestParent fresh(kHostWidth, kHostHeight);
      if (next == nullptr) {
        module.UnInitPage();
        module.InitPage();
        next = module.CreatePage(fresh.Hwnd());
      }
      ++printChecks;
      if (next == nullptr || SendRecord(next, record) != 1 || DifferentPixels(printer.Print(next), reference) != 0) {
        ++wrongPrints;
        report.Fail(what() + ": the next page does not show the record as a fresh page does");
      }
    }
    module.UnInitPage();
  }
  module.Unload();
  const ProcessSample after = SampleProcess();

  std::string mix;
  for (int p = 0; p < kPressCount; ++p) {
    int sum = 0;
    for (int t = 0; t < kTeardownCount; ++t) sum += counts[p][t];
    mix += Format("%s%d by %s", p == 0 ? "" : ", ", sum, kPressNames[p]);
  }
  std::string teardowns;
  for (int t = 0; t < kTeardownCount; ++t) {
    int sum = 0;
    for (int p = 0; p < kPressCount; ++p) sum += counts[p][t];
    teardowns += Format("%s%d %s", t == 0 ? "" : ", ", sum, kTeardownNames[t]);
  }
  return report.Finish(
      Format("%d pages torn down by the host inside its link handler (links %s; %s); %d wrong link counts, %d old "
             "windows left, %d pages not remade, %d of %d next pages printed wrong; %s",
             plan.reentryCycles, mix.c_str(), teardowns.c_str(), wrongLinks, oldWindowsLeft, notRemade, wrongPrints,
             printChecks, DescribeSamples(before, after).c_str()));
}
