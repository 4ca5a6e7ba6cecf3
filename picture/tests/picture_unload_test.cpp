// The host may unload the module while a worker is stalled on the network for minutes: the
// worker's own reference keeps the code mapped until the worker has left it, and no longer
// than its limits allow.

#include <gtest/gtest.h>

#include <vector>

#include "picture/picture_cache.h"
#include "picture/url_fetch.h"
#include "testing/lookup_stand_in.h"
#include "util/proc_address.h"

namespace {

const wchar_t kProbe[] = L"picture_probe.dll";

using StartProc = BOOL(__cdecl*)(const wchar_t*, const wchar_t*, const wchar_t*);
using RunningProc = LONG(__cdecl*)();
using LimitsProc = void(__cdecl*)(uint32_t, uint32_t, uint32_t);

struct Hang {
  const char* mode;
  const char* extra;
  uint32_t wholeMs;  // the probe's whole limit for a download
  std::vector<std::u16string> cached;
};

const Hang kHangs[] = {
    // A stall that ends: the worker finishes its lookup in the unloaded module.
    {"stall-before", "&stall=2", kFetchLimits.profileMs, {u"Fennick F2.ini", u"fennick_f2.png"}},
    // A server that sends its headers a byte every 2 s for minutes: the worker lets go at its limit.
    {"trickle-head", "&interval=2", 3000, {}},
};

TEST(PictureUnloadTest, AHangingWorkerOutlivesItsModulesUnloadOnlyUntilItsLimit) {
  for (const Hang& hang : kHangs) {
    SCOPED_TRACE(hang.mode);
    LookupStandIn service;
    ASSERT_TRUE(service.Running()) << "the lookup-service stand-in did not start";
    Sandbox sandbox;
    service.Misbehave(hang.mode, "/intf/", hang.extra);

    HMODULE probe = LoadLibraryW(kProbe);
    ASSERT_NE(probe, nullptr);
    const auto start = ProcOf<StartProc>(probe, "ProbeStartLookup");
    const auto running = ProcOf<RunningProc>(probe, "ProbeRunningWorkers");
    const auto setLimits = ProcOf<LimitsProc>(probe, "ProbeSetFetchLimits");
    ASSERT_NE(start, nullptr);
    ASSERT_NE(running, nullptr);
    ASSERT_NE(setLimits, nullptr);
    setLimits(kFetchLimits.connectMs, kFetchLimits.silenceMs, hang.wholeMs);
    ASSERT_TRUE(start(WidePath(sandbox.Cache()), WidePath(service.Base()), L"Fennick F2"));
    EXPECT_EQ(running(), 1);

    // The host lets go of the module while the worker waits for the service.
    const DWORD begin = GetTickCount();
    ASSERT_TRUE(FreeLibrary(probe));
    EXPECT_NE(GetModuleHandleW(kProbe), nullptr);

    while (GetModuleHandleW(kProbe) != nullptr && GetTickCount() - begin < 30000) Sleep(20);
    const DWORD held = GetTickCount() - begin;
    EXPECT_EQ(GetModuleHandleW(kProbe), nullptr) << "the worker never released the module";
    // Whatever the server does, a worker lets go within its limits and a little more.
    EXPECT_LT(held, hang.wholeMs + 3000) << "the module stayed mapped for " << held << " ms";
    // It ran to its end in the unloaded module, and this process is still here to see it.
    EXPECT_EQ(Sandbox::List(sandbox.Cache()), hang.cached);
  }
}

}  // namespace
