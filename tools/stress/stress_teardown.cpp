// Teardown while the network is busy: the page destroyed within 0 to 50 ms of starting a
// lookup, and the whole module unloaded under downloads that a stalled server holds up.
// Nothing may fault, every worker must let go of the module in the end, and the cached
// pictures must stay good.

#include <string>

#include "testing/lookup_stand_in.h"
#include "testing/test_support.h"
#include "tools/stress/stress_page.h"
#include "tools/stress/stress_support.h"
#include "tools/stress/stresses.h"

namespace {

constexpr DWORD kMaxTeardownDelayMs = 50;
// Workers stalled by the server end after the stall; this is generous on top of it.
constexpr DWORD kWorkersEndWithinMs = 60000;
const char16_t* const kKnownModels[] = {u"Brisa Mini", u"Fennick F2", u"Ostrel 8X", u"Quorle Q5", u"Tallow T9 Pro"};
constexpr uint32_t kKnownCount = sizeof kKnownModels / sizeof kKnownModels[0];
const char* const kStallModes[] = {"stall-before", "stall-during"};
const char* const kStallSeconds[] = {"0.1", "0.3", "0.5", "1", "2"};

std::wstring Wide(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }

std::u16string StallModelName(int cycle) {
  std::u16string name = u"Stall ";
  name += static_cast<char16_t>(u'a' + cycle % 26);
  name += static_cast<char16_t>(u'a' + cycle / 26 % 26);
  return name;
}

// Waits 0 to 50 ms, dispatching messages (so a worker's answer may arrive) or not (so it
// stays blocked in its send while the page goes).
void TeardownDelay(StressRandom& random) {
  const DWORD delay = random.Below(kMaxTeardownDelayMs + 1);
  if (random.Percent(50)) {
    PumpUntil([] { return false; }, delay);
  } else {
    Sleep(delay);
  }
}

// Dispatches messages until no worker holds the module any more.
bool WaitForModuleToGo(DWORD& waitedMs) {
  const DWORD start = GetTickCount();
  const bool gone = PumpUntil([] { return !PageModule::Mapped(StressModulePath()); }, kWorkersEndWithinMs);
  waitedMs = GetTickCount() - start;
  return gone;
}

}  // namespace

bool RunLookupTeardownStress(const StressPlan& plan) {
  StressReport report("lookups");
  LookupStandIn service;
  if (!service.Running()) {
    report.Fail("the lookup-service stand-in did not start");
    return report.Finish("nothing run");
  }
  SetLookupBase(Wide(service.Base()));
  service.Reset();
  StressRandom random(plan.seed ^ 0x4C4F4F4Bull);
  const ProcessSample before = SampleProcess();
  PageModule module;
  if (!module.Load(StressModulePath())) {
    report.Fail("the module did not load");
    return report.Finish("nothing run");
  }
  TestParent parent(kHostWidth, kHostHeight);
  long answeredBeforeTeardown = 0;
  int plainTeardowns = 0;
  for (int cycle = 0; cycle < plan.lookupCycles; ++cycle) {
    SetProgress("lookups", static_cast<uint64_t>(cycle));
    StressPage page(module, parent.Hwnd());
    if (page.Hwnd() == nullptr) {
      report.Fail(Format("cycle %d: CreatePage gave no window", cycle));
      break;
    }
    // Mostly models the stand-in knows; now and then one it answers with an error page.
    const uint32_t pick = random.Below(kKnownCount + 1);
    const std::u16string model = pick < kKnownCount ? kKnownModels[pick] : u"Stress Unknown";
    SendRecord(page.Hwnd(), PhoneRecord(random.Percent(80) ? 1 : 5, model));
    TeardownDelay(random);
    answeredBeforeTeardown += page.Tap().profileReady;
    const bool destroyFirst = random.Percent(70);
    plainTeardowns += destroyFirst;
    page.Close(destroyFirst);
  }
  module.Unload();
  DWORD waited = 0;
  if (!WaitForModuleToGo(waited)) {
    report.Fail(
        Format("workers still held the module %lu ms after the last page went", static_cast<unsigned long>(waited)));
  }
  const int requests = service.Total();
  const ProcessSample after = SampleProcess();
  const CacheState cache = CheckCache();
  if (cache.damaged > 0) report.Fail("cached pictures damaged: " + cache.damagedNames);
  return report.Finish(Format(
      "%d pages torn down 0..%lu ms after a lookup started (%d window first, %d by UnInitPage alone), %d requests "
      "reached the stand-in, %ld answers arrived before the teardown; the last worker let go of the module %lu ms "
      "after the last page; module not loaded before and after: %s; cache: %d pictures good, %d damaged, %d "
      "temporary files",
      plan.lookupCycles, static_cast<unsigned long>(kMaxTeardownDelayMs), plainTeardowns,
      plan.lookupCycles - plainTeardowns, requests, answeredBeforeTeardown, static_cast<unsigned long>(waited),
      DescribeSamples(before, after).c_str(), cache.pictures - cache.damaged, cache.damaged, cache.temporaries));
}

bool RunUnloadStress(const StressPlan& plan) {
  StressReport report("unload");
  LookupStandIn service;
  if (!service.Running()) {
    report.Fail("the lookup-service stand-in did not start");
    return report.Finish("nothing run");
  }
  SetLookupBase(Wide(service.Base()));
  service.Reset();
  StressRandom random(plan.seed ^ 0x554E4C4F4144ull);
  TestParent parent(kHostWidth, kHostHeight);
  const ProcessSample before = SampleProcess();
  int unloadedAtOnce = 0, keptByWorker = 0, unmappedBetween = 0;
  for (int cycle = 0; cycle < plan.unloadCycles; ++cycle) {
    SetProgress("unload", static_cast<uint64_t>(cycle));
    service.Misbehave(
        kStallModes[random.Below(2)], "/",
        std::string("&stall=") + kStallSeconds[random.Below(sizeof kStallSeconds / sizeof kStallSeconds[0])]);
    PageModule module;
    if (!module.Load(StressModulePath())) {
      report.Fail(Format("cycle %d: the module did not load", cycle));
      continue;
    }
    {
      StressPage page(module, parent.Hwnd());
      // Distinct unknown names get a worker each, however many known ones are still stalled.
      const uint32_t pick = random.Below(kKnownCount * 2);
      const std::u16string model = pick < kKnownCount ? std::u16string(kKnownModels[pick]) : StallModelName(cycle);
      if (page.Hwnd() != nullptr) SendRecord(page.Hwnd(), PhoneRecord(1, model));
      TeardownDelay(random);
      page.Close(random.Percent(70));
    }
    module.Unload();
    if (PageModule::Mapped(StressModulePath())) {
      ++keptByWorker;
      // Now and then the workers are let finish, so the next load maps the module afresh.
      if (random.Percent(25)) {
        DWORD waited = 0;
        if (WaitForModuleToGo(waited)) ++unmappedBetween;
      }
    } else {
      ++unloadedAtOnce;
    }
  }
  // Workers already stalled sleep on; later requests are answered at once.
  service.Misbehave("", "");
  DWORD waited = 0;
  if (!WaitForModuleToGo(waited)) {
    report.Fail(
        Format("workers still held the module %lu ms after the last unload", static_cast<unsigned long>(waited)));
  }
  const int requests = service.Total();
  if (requests == 0) report.Fail("no download ever reached the stalled server");
  const ProcessSample after = SampleProcess();
  const CacheState cache = CheckCache();
  if (cache.damaged > 0) report.Fail("cached pictures damaged: " + cache.damagedNames);
  return report.Finish(Format(
      "%d cycles of load, lookup against a stalled server (stall 0.1..2 s, before or during the body), page torn "
      "down within %lu ms, unload: %d unloaded at once, %d kept mapped by a running worker (%d of them let "
      "finish before the next load); %d requests reached the server; the last worker let go of the module %lu ms "
      "after the last unload; module not loaded before and after: %s; cache: %d pictures good, %d damaged, %d "
      "temporary files",
      plan.unloadCycles, static_cast<unsigned long>(kMaxTeardownDelayMs), unloadedAtOnce, keptByWorker, unmappedBetween,
      requests, static_cast<unsigned long>(waited), DescribeSamples(before, after).c_str(),
      cache.pictures - cache.damaged, cache.damaged, cache.temporaries));
}
