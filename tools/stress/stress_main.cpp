// Stresses the page module the way its host, the phone service, the network and the user
// can, under Wine, and prints one line per stress:
//   page_stress.exe [--full] [--seed N] [--only NAME[,NAME...]]
// NAME is one of payloads, forgery, mouse, pictures, lookups, unload, reentry. Without --full the
// counts are a tenth, so that the run fits in the test suite. Exits 1 when a check failed.

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/stress/stress_page.h"
#include "tools/stress/stress_support.h"
#include "tools/stress/stresses.h"

namespace {

constexpr uint64_t kDefaultSeed = 20240611;
// Far above the slowest step of any stress; only a page that stopped answering gets here.
constexpr DWORD kHangSeconds = 120;
constexpr DWORD kWorkersLeaveWithinMs = 10000;

struct Stress {
  const char* name;
  bool (*run)(const StressPlan&);
};

const Stress kStresses[] = {
    {"payloads", RunPayloadStress}, {"forgery", RunForgeryStress},        {"mouse", RunMouseStress},
    {"pictures", RunPictureStress}, {"lookups", RunLookupTeardownStress}, {"unload", RunUnloadStress},
    {"reentry", RunReentryStress},
};

StressPlan MakePlan(bool full, uint64_t seed) {
  StressPlan plan;
  plan.full = full;
  plan.seed = seed;
  const int divisor = full ? 1 : 10;
  plan.payloads = 50000 / divisor;
  plan.forgeries = 10000 / divisor;
  plan.mouseMessages = 100000 / divisor;
  plan.pictureCycles = 10000 / divisor;
  plan.lookupCycles = 1000 / divisor;
  plan.unloadCycles = 200 / divisor;
  plan.reentryCycles = 2000 / divisor;
  return plan;
}

bool Chosen(const std::string& only, const char* name) {
  if (only.empty()) return true;
  const std::string list = "," + only + ",";
  return list.find("," + std::string(name) + ",") != std::string::npos;
}

}  // namespace

int main(int argc, char** argv) {
  bool full = false;
  uint64_t seed = kDefaultSeed;
  std::string only;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--full") == 0) {
      full = true;
    } else if (std::strcmp(argv[i], "--seed") == 0 && i + 1 < argc) {
      seed = std::strtoull(argv[++i], nullptr, 10);
    } else if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc) {
      only = argv[++i];
    } else {
      std::fprintf(stderr,
                   "usage: page_stress.exe [--full] [--seed N] [--only "
                   "payloads,forgery,mouse,pictures,lookups,unload,reentry]\n");
      return 2;
    }
  }
  StartFaultWatch();
  StartHangWatch(kHangSeconds);
  if (!FaultWatchSeesHandledFaults()) {
    std::printf("FAIL setup: the fault watch does not see faults that are handled\n");
    return 1;
  }
  if (!PrepareStressFolder()) {
    std::printf("FAIL setup: MobileInfoPage.dll not found beside the program\n");
    return 1;
  }
  const StressPlan plan = MakePlan(full, seed);
  std::printf("page stress, %s run, seed %llu\n", full ? "full" : "bounded", static_cast<unsigned long long>(seed));
  std::fflush(stdout);

  const LARGE_INTEGER start = Now();
  bool passed = true;
  for (const Stress& stress : kStresses) {
    if (!Chosen(only, stress.name)) continue;
    const LARGE_INTEGER began = Now();
    passed = stress.run(plan) && passed;
    std::printf("  (%s took %.1f s)\n", stress.name, MillisecondsSince(began) / 1000.0);
    std::fflush(stdout);
  }
  std::printf("%s after %.1f s\n", passed ? "all stresses passed" : "SOME STRESSES FAILED",
              MillisecondsSince(start) / 1000.0);
  std::fflush(stdout);
  // A worker still finishing holds the module's file open; let it end so the folder can go.
  PumpUntil([] { return !PageModule::Mapped(StressModulePath()); }, kWorkersLeaveWithinMs);
  RemoveStressFolder();
  return passed ? 0 : 1;
}
