// The host may unload the module while a worker is stalled on the network for minutes: the
// worker's own reference keeps the code mapped until the worker has left it.

#include <gtest/gtest.h>

#include "picture/picture_cache.h"
#include "testing/lookup_stand_in.h"

namespace {

const wchar_t kProbe[] = L"picture_probe.dll";

using StartProc = BOOL(__cdecl*)(const wchar_t*, const wchar_t*, const wchar_t*);
using RunningProc = LONG(__cdecl*)();

template <typename Proc>
Proc ExportOf(HMODULE module, const char* name) {
  return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

TEST(PictureUnloadTest, AStalledWorkerOutlivesItsModulesUnload) {
  LookupStandIn service;
  ASSERT_TRUE(service.Running()) << "the lookup-service stand-in did not start";
  Sandbox sandbox;
  service.Misbehave("stall-before", "/intf/", "&stall=2");

  HMODULE probe = LoadLibraryW(kProbe);
  ASSERT_NE(probe, nullptr);
  const auto start = ExportOf<StartProc>(probe, "ProbeStartLookup");
  const auto running = ExportOf<RunningProc>(probe, "ProbeRunningWorkers");
  ASSERT_NE(start, nullptr);
  ASSERT_NE(running, nullptr);
  ASSERT_TRUE(start(WidePath(sandbox.Cache()), WidePath(service.Base()), L"Fennick F2"));
  EXPECT_EQ(running(), 1);

  // The host lets go of the module while the worker waits for the service.
  ASSERT_TRUE(FreeLibrary(probe));
  EXPECT_NE(GetModuleHandleW(kProbe), nullptr);

  const DWORD begin = GetTickCount();
  while (GetModuleHandleW(kProbe) != nullptr && GetTickCount() - begin < 30000) Sleep(20);
  EXPECT_EQ(GetModuleHandleW(kProbe), nullptr) << "the worker never released the module";
  // It ran to its end in the unloaded module, and this process is still here to see it.
  EXPECT_EQ(Sandbox::List(sandbox.Cache()), (std::vector<std::u16string>{u"Fennick F2.ini", u"fennick_f2.png"}));
}

}  // namespace
