// The picture cache next to the module and what the page calls to use it: where the cache
// is, where the lookup service is, and starting a lookup for the page's profile.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "picture/model_profile.h"
#include "util/wide_path.h"

class CDownloadThread;

// The folder of the module's own file; empty when the path does not fit 260 characters.
std::u16string GetModuleFolder();
// The module's folder + "\MobileImage".
std::u16string GetCacheFolder();

// Where the model-lookup service is: the environment variable, else the settings file next
// to the module, else the stand-in's default address. A value that is not a plain HTTP(S)
// address is ignored.
constexpr char16_t kDefaultLookupServiceBase[] = u"http://127.0.0.1:8087";
constexpr wchar_t kLookupServiceEnvironment[] = L"MOBILEINFOPAGE_LOOKUP_BASE";
constexpr wchar_t kSettingsFileName[] = L"MobileInfoPage.ini";
constexpr wchar_t kSettingsSection[] = L"ModelLookup";
constexpr wchar_t kLookupServiceKey[] = L"ServiceBase";
std::u16string LookupServiceBase();
// The same with the settings file looked for in `settingsFolder`.
std::u16string LookupServiceBaseIn(const std::u16string& settingsFolder);

// The picture step's lookup: creates the cache folder and starts a worker for the profile's
// raw model, which sends WM_PROFILE_READY to `page` once profile and picture are cached.
// False, with nothing started and nothing written, for a model name that cannot be a cache
// file.
bool StartLookup(CDownloadThread& launcher, HWND page, const ModelProfile& profile,
                 std::u16string_view defaultImageUrl);
// The same in a given cache folder against a given service.
bool StartLookupIn(CDownloadThread& launcher, HWND page, const std::u16string& cacheFolder,
                   std::u16string_view serviceBase, std::u16string_view rawModel, std::u16string_view defaultImageUrl);

// What tells one content of a cached file from another without reading it: a replacement
// comes in with its own size or write time.
struct CachedFileStamp {
  std::u16string path;
  uint64_t size = 0;
  uint64_t writeTime = 0;
  bool operator==(const CachedFileStamp& other) const {
    return path == other.path && size == other.size && writeTime == other.writeTime;
  }
};
// False when the file cannot be found.
bool ReadCachedFileStamp(const std::u16string& path, CachedFileStamp& stamp);
