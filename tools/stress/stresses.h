// The stresses the program runs, each against the real module, each printing one line.
#pragma once

#include <cstdint>

struct StressPlan {
  bool full = false;
  uint64_t seed = 0;
  int payloads = 0;       // WM_COPYDATA payloads of 0 to 20,000 bytes
  int forgeries = 0;      // forged WM_PROFILE_READY, half from a thread, half from a process
  int mouseMessages = 0;  // random mouse messages over every state
  int pictureCycles = 0;  // state change, paint and model-picture swap
  int lookupCycles = 0;   // a lookup started, the page destroyed within 0 to 50 ms
  int unloadCycles = 0;   // the module loaded, a stalled download started, the module unloaded
  int reentryCycles = 0;  // the page torn down by the host inside its link handler, then made again
};

bool RunPayloadStress(const StressPlan& plan);
bool RunForgeryStress(const StressPlan& plan);
bool RunMouseStress(const StressPlan& plan);
bool RunPictureStress(const StressPlan& plan);
bool RunLookupTeardownStress(const StressPlan& plan);
bool RunUnloadStress(const StressPlan& plan);
bool RunReentryStress(const StressPlan& plan);
