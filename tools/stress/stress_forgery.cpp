// Forged WM_PROFILE_READY messages from another thread and from another process, with the
// addresses a forger would try: nothing, garbage, freed records, live look-alikes and the
// record of a worker that has finished. None may fault or change the page.

#include <string>
#include <vector>

#include "picture/download_thread.h"
#include "picture/model_profile.h"
#include "testing/lookup_stand_in.h"
#include "testing/program_files.h"
#include "testing/test_support.h"
#include "tools/stress/stress_page.h"
#include "tools/stress/stress_support.h"
#include "tools/stress/stresses.h"

namespace {

constexpr DWORD kLookupTimeoutMs = 30000;
constexpr DWORD kSendTimeoutMs = 30000;
constexpr LONG kPrintEvery = 25;
constexpr int kLookAlikes = 16;

std::wstring Wide(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }

// A record that would change the page's name and picture if the page took it.
ModelProfile* NewLookAlike() {
  auto* record = new ModelProfile;
  record->loaded = 1;
  record->rawModel = u"Fennick F2";
  record->fixedModel = u"FORGED NAME";
  record->imageUrl = u"http://127.0.0.1:1/pictures/ostrel_8x.png";
  const std::wstring cache = StressCacheFolder();
  record->profileFolder = std::u16string(cache.begin(), cache.end()) + u"\\";
  record->localImagePath = record->profileFolder + u"ostrel_8x.png";
  return record;
}

LPARAM PickLParam(StressRandom& random) {
  const uint32_t pick = random.Below(10);
  if (pick < 6) return kDownloadJobProfileAndPicture;
  if (pick == 6) return 0;
  if (pick == 7) return 2;
  if (pick == 8) return -1;
  return static_cast<LPARAM>(random.Next32());
}

struct ThreadForger {
  HWND page;
  std::vector<WPARAM> addresses;
  int count;
  uint64_t seed;
  volatile LONG sent;
  int timeouts;
};

DWORD WINAPI ForgeFromThread(void* parameter) {
  auto& forger = *static_cast<ThreadForger*>(parameter);
  StressRandom random(forger.seed);
  // The closest forgery there is: a look-alike on the sender's own stack, sent while the
  // sender is blocked in the send, exactly as a worker does it.
  ModelProfile onStack;
  onStack.loaded = 1;
  onStack.rawModel = u"Fennick F2";
  onStack.fixedModel = u"FORGED ON STACK";
  forger.addresses.push_back(reinterpret_cast<WPARAM>(&onStack));
  for (int i = 0; i < forger.count; ++i) {
    const uint32_t pick = random.Below(10);
    const WPARAM wParam = pick < 8 ? forger.addresses[random.Below(static_cast<uint32_t>(forger.addresses.size()))]
                                   : static_cast<WPARAM>(random.Next32());
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(forger.page, WM_PROFILE_READY, wParam, PickLParam(random), SMTO_NORMAL, kSendTimeoutMs,
                             &result)) {
      ++forger.timeouts;
    }
    InterlockedIncrement(&forger.sent);
  }
  return 0;
}

}  // namespace

bool RunForgeryStress(const StressPlan& plan) {
  StressReport report("forgery");
  LookupStandIn service;
  if (!service.Running()) {
    report.Fail("the lookup-service stand-in did not start");
    return report.Finish("nothing sent");
  }
  SetLookupBase(Wide(service.Base()));
  PageModule module;
  if (!module.Load(StressModulePath())) {
    report.Fail("the module did not load");
    return report.Finish("nothing sent");
  }
  TestParent parent(kHostWidth, kHostHeight);
  StressPage page(module, parent.Hwnd());
  const HWND hwnd = page.Hwnd();
  PagePrinter printer(kHostWidth, kHostHeight);

  // A genuine lookup first, so the page shows a model's name and picture, and the address of
  // a worker's record (on a stack that is gone once the worker ends) is known.
  SendRecord(hwnd, PhoneRecord(1, u"Fennick F2"));
  if (!PumpUntil([&] { return page.Tap().profileReady >= 1; }, kLookupTimeoutMs)) {
    report.Fail("the genuine lookup never answered");
    return report.Finish("nothing sent");
  }
  PumpUntil([] { return false; }, 300);
  const WPARAM finishedWorkerRecord = page.Tap().profileAddresses.front();
  const std::vector<uint32_t> baseline = printer.Print(hwnd);
  const LONG genuineSeen = page.Tap().profileReady;
  const ProcessSample before = SampleProcess();

  std::vector<WPARAM> addresses = {0, 0x41414141, 0xFFFFFFFF, finishedWorkerRecord};
  std::vector<ModelProfile*> lookAlikes;
  std::vector<void*> heapBlocks;
  StressRandom random(plan.seed ^ 0x464F52474552ull);
  for (int i = 0; i < kLookAlikes; ++i) {
    ModelProfile* freed = NewLookAlike();
    addresses.push_back(reinterpret_cast<WPARAM>(freed));
    delete freed;
  }
  for (int i = 0; i < kLookAlikes; ++i) {
    lookAlikes.push_back(NewLookAlike());
    addresses.push_back(reinterpret_cast<WPARAM>(lookAlikes.back()));
    void* block = HeapAlloc(GetProcessHeap(), 0, 64 + random.Below(4096));
    random.Fill(block, 64);
    heapBlocks.push_back(block);
    addresses.push_back(reinterpret_cast<WPARAM>(block));
  }

  int changedChecks = 0, checks = 0;
  auto checkUnchanged = [&](const char* when, long sent) {
    ++checks;
    const int changed = DifferentPixels(printer.Print(hwnd), baseline);
    if (changed == 0) return;
    ++changedChecks;
    report.Fail(Format("%s, after %ld forged messages: %d pixels of the page changed", when, sent, changed));
  };

  // From another thread of the host's process.
  ThreadForger forger{hwnd, addresses, plan.forgeries / 2, plan.seed ^ 0x7468726561ull, 0, 0};
  HANDLE thread = CreateThread(nullptr, 0, ForgeFromThread, &forger, 0, nullptr);
  LONG nextCheck = kPrintEvery;
  while (thread != nullptr && MsgWaitForMultipleObjects(1, &thread, FALSE, 50, QS_ALLINPUT) != WAIT_OBJECT_0) {
    PumpPending();
    const LONG sent = forger.sent;
    SetProgress("forgery", static_cast<uint64_t>(sent));
    if (sent >= nextCheck) {
      checkUnchanged("from a thread", sent);
      nextCheck = sent + kPrintEvery;
    }
  }
  if (thread != nullptr) CloseHandle(thread);
  checkUnchanged("from a thread", forger.sent);
  if (forger.timeouts > 0) report.Fail(Format("%d forged sends from a thread timed out", forger.timeouts));

  // From another process.
  const int fromProcess = plan.forgeries - forger.count;
  const std::string arguments = Format("%lx %d %llu", static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(hwnd)),
                                       fromProcess, static_cast<unsigned long long>(plan.seed));
  std::wstring command =
      L"\"" + ProgramFolder() + L"\\stress_forger.exe\" " + std::wstring(arguments.begin(), arguments.end());
  for (WPARAM address : addresses) {
    const std::string hex = Format(" %lx", static_cast<unsigned long>(address));
    command += std::wstring(hex.begin(), hex.end());
  }
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  DWORD exitCode = 99;
  if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    report.Fail("the forging process did not start");
  } else {
    CloseHandle(process.hThread);
    DWORD lastCheck = GetTickCount();
    uint64_t turns = 0;
    while (MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, 50, QS_ALLINPUT) != WAIT_OBJECT_0) {
      PumpPending();
      SetProgress("forgery", static_cast<uint64_t>(forger.count) + ++turns);
      if (GetTickCount() - lastCheck >= 100) {
        checkUnchanged("from another process", -1);
        lastCheck = GetTickCount();
      }
    }
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hProcess);
    if (exitCode != 0) report.Fail(Format("the forging process ended with %lu", static_cast<unsigned long>(exitCode)));
  }
  checkUnchanged("from another process", fromProcess);
  const LONG forgedSeen = page.Tap().profileReady - genuineSeen;
  if (forgedSeen != plan.forgeries) {
    report.Fail(
        Format("%ld forged messages reached the page, %d were sent", static_cast<long>(forgedSeen), plan.forgeries));
  }

  const ProcessSample after = SampleProcess();
  // The page still takes what its own worker sends.
  const LONG seenBeforeGenuine = page.Tap().profileReady;
  SendRecord(hwnd, PhoneRecord(1, u"Ostrel 8X"));
  const bool answered = PumpUntil([&] { return page.Tap().profileReady > seenBeforeGenuine; }, kLookupTimeoutMs);
  const bool moved = answered && DifferentPixels(printer.Print(hwnd), baseline) != 0;
  if (!moved) report.Fail("a genuine lookup after the forgeries did not change the page");

  for (ModelProfile* record : lookAlikes) delete record;
  for (void* block : heapBlocks) HeapFree(GetProcessHeap(), 0, block);
  return report.Finish(Format(
      "%d forged WM_PROFILE_READY (%d from a thread, %d from another process; wParam 0, 0x41414141, 0xFFFFFFFF, a "
      "finished worker's record, %d freed and %d live look-alikes, one on the sender's stack, heap blocks, random; "
      "lParam 1 and others), %ld reached the page; page changed in %d of %d print checks; a genuine lookup "
      "afterwards %s; while forging: %s",
      plan.forgeries, forger.count, fromProcess, kLookAlikes, kLookAlikes, static_cast<long>(forgedSeen), changedChecks,
      checks, moved ? "still shows" : "did NOT show", DescribeSamples(before, after).c_str()));
}
