// Cycles of a state change, a real paint and a swap of the model picture through the
// lookup stand-in, with the page made again every hundred cycles: the process's live GDI
// objects must come back to the same number, and the cached pictures must stay good.

#include <algorithm>
#include <climits>
#include <memory>
#include <vector>

#include "testing/lookup_stand_in.h"
#include "testing/test_support.h"
#include "tools/stress/stress_page.h"
#include "tools/stress/stress_support.h"
#include "tools/stress/stresses.h"

namespace {

constexpr int kCyclesPerPage = 100;
constexpr DWORD kRetryAfterMs = 3000;  // a phone update asks again, as the service would
constexpr DWORD kGiveUpAfterMs = 30000;
constexpr int kPrintEvery = 10;
const char16_t* const kModels[] = {u"Fennick F2", u"Ostrel 8X"};
// The states a cycle passes through before the swap; 5 keeps the picture, the rest drop it.
const int32_t kBetweenStates[] = {0, 2, 3, 4, 5, 0x12345678};

std::wstring Wide(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }

}  // namespace

bool RunPictureStress(const StressPlan& plan) {
  StressReport report("pictures");
  if (!GdiCounterWorks()) report.Fail("the GDI handle table does not follow objects made on purpose");
  LookupStandIn service;
  if (!service.Running()) {
    report.Fail("the lookup-service stand-in did not start");
    return report.Finish("nothing run");
  }
  SetLookupBase(Wide(service.Base()));
  PageModule module;
  if (!module.Load(StressModulePath())) {
    report.Fail("the module did not load");
    return report.Finish("nothing run");
  }
  // Visible, so invalidation leads to real WM_PAINTs.
  TestParent parent(kHostWidth, kHostHeight, true);
  PagePrinter printer(kHostWidth, kHostHeight);
  StressRandom random(plan.seed ^ 0x50494354ull);

  const int atRest = CountGdiObjects();
  int afterWarmUp = -1, highest = INT_MIN, lowest = INT_MAX, withPage = -1;
  std::vector<uint32_t> modelReference[2];
  long answered = 0, retries = 0, paints = 0, printChecks = 0, wrongPrints = 0;
  int pagesMade = 0;
  ProcessSample warmSample = SampleProcess();
  std::unique_ptr<StressPage> page;
  int current = 0;
  bool stopped = false;

  // Sends the record that switches the model and waits for the worker's answer.
  auto swapTo = [&](int model) -> bool {
    const LONG before = page->Tap().profileReady;
    const PhoneInfo record = PhoneRecord(1, kModels[model]);
    const DWORD start = GetTickCount();
    SendRecord(page->Hwnd(), record);
    while (!PumpUntil([&] { return page->Tap().profileReady > before; }, kRetryAfterMs)) {
      if (GetTickCount() - start >= kGiveUpAfterMs) return false;
      ++retries;
      SendRecord(page->Hwnd(), record);
    }
    ++answered;
    current = model;
    return true;
  };

  auto closePage = [&] {
    if (!page) return;
    paints += page->Tap().paints;
    withPage = CountGdiObjects();
    page->Close(random.Percent(80));
    page.reset();
    PumpPending();
    const int live = CountGdiObjects();
    if (pagesMade == 1) {
      afterWarmUp = live;
      warmSample = SampleProcess();
    }
    if (pagesMade > 1) {
      highest = std::max(highest, live);
      lowest = std::min(lowest, live);
    }
  };

  for (int cycle = 0; cycle < plan.pictureCycles && !stopped; ++cycle) {
    SetProgress("pictures", static_cast<uint64_t>(cycle));
    if (cycle % kCyclesPerPage == 0) {
      closePage();
      page = std::make_unique<StressPage>(module, parent.Hwnd());
      ++pagesMade;
      if (page->Hwnd() == nullptr) {
        report.Fail(Format("cycle %d: CreatePage gave no window", cycle));
        break;
      }
      // A new page knows no profile yet: one lookup first, for the model it starts with.
      if (!swapTo(current)) {
        report.Fail(Format("cycle %d: the first lookup of a new page never answered", cycle));
        break;
      }
    }
    const HWND hwnd = page->Hwnd();
    SendRecord(hwnd, PhoneRecord(kBetweenStates[cycle % 6], kModels[current]));
    UpdateWindow(hwnd);
    if (!swapTo(1 - current)) {
      report.Fail(Format("cycle %d: no WM_PROFILE_READY for %ls within %lu ms", cycle,
                         Wide(kModels[1 - current]).c_str(), static_cast<unsigned long>(kGiveUpAfterMs)));
      stopped = true;
      break;
    }
    UpdateWindow(hwnd);
    if (cycle % kPrintEvery == 0 || cycle < 4) {
      const std::vector<uint32_t>& printed = printer.Print(hwnd);
      if (modelReference[current].empty()) {
        modelReference[current] = printed;
      } else {
        ++printChecks;
        const int changed = DifferentPixels(printed, modelReference[current]);
        if (changed != 0) {
          ++wrongPrints;
          report.Fail(Format("cycle %d: %ls shows %d pixels unlike its first showing", cycle,
                             Wide(kModels[current]).c_str(), changed));
        }
      }
    }
  }
  closePage();
  const int afterRun = CountGdiObjects();
  const ProcessSample runSample = SampleProcess();
  if (modelReference[0] == modelReference[1]) report.Fail("both models look the same: no picture was swapped");
  if (paints == 0) report.Fail("no WM_PAINT reached the page");
  if (afterWarmUp >= 0 && afterRun != afterWarmUp) {
    report.Fail(Format("%d live GDI objects after warm-up, %d after the run", afterWarmUp, afterRun));
  }
  const CacheState cache = CheckCache();
  if (cache.damaged > 0) report.Fail("cached pictures damaged: " + cache.damagedNames);

  return report.Finish(Format(
      "%d cycles on %d pages, %ld WM_PROFILE_READY answered (%ld phone updates repeated after %lu ms without one), "
      "%ld real paints, %ld print checks of the swapped picture (%ld wrong); live GDI objects: %d at rest, %d with "
      "a page, %d after warm-up, %d after the run (between pages %d..%d); from warm-up to the end: %s; cache: %d "
      "pictures good, %d "
      "damaged, %d temporary files",
      plan.pictureCycles, pagesMade, answered, retries, static_cast<unsigned long>(kRetryAfterMs), paints, printChecks,
      wrongPrints, atRest, withPage, afterWarmUp, afterRun, lowest, highest,
      DescribeSamples(warmSample, runSample).c_str(), cache.pictures - cache.damaged, cache.damaged,
      cache.temporaries));
}
