// A module of its own that runs a lookup, so that a test can unload it while its worker is
// still stalled on the network.
#include <windows.h>

#include "picture/download_thread.h"
#include "picture/picture_cache.h"
#include "picture/url_fetch.h"

namespace {

CDownloadThread g_launcher;

}  // namespace

extern "C" __declspec(dllexport) BOOL
    __cdecl ProbeStartLookup(const wchar_t* cacheFolder, const wchar_t* serviceBase, const wchar_t* model) {
  CDownloadThread::SetNetworkOverride(CDownloadThread::NetworkOverride::Up);
  const auto text = [](const wchar_t* wide) { return std::u16string(reinterpret_cast<const char16_t*>(wide)); };
  return StartLookupIn(g_launcher, nullptr, text(cacheFolder), text(serviceBase), text(model), u"");
}

extern "C" __declspec(dllexport) LONG __cdecl ProbeRunningWorkers() { return CDownloadThread::RunningWorkers(); }

extern "C" __declspec(dllexport) void __cdecl ProbeSetFetchLimits(uint32_t connectMs, uint32_t silenceMs,
                                                                  uint32_t wholeMs) {
  SetFetchLimits({connectMs, silenceMs, wholeMs, wholeMs});
}
