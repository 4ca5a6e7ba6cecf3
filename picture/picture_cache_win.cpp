#include "picture/picture_cache.h"

#include <shlwapi.h>

#include "picture/cache_names.h"
#include "picture/download_thread.h"
#include "util/module_handle.h"

namespace {

std::u16string FromWide(const wchar_t* text) { return std::u16string(reinterpret_cast<const char16_t*>(text)); }

std::u16string TrimmedBase(std::u16string base) {
  while (!base.empty() && base.back() == u'/') base.pop_back();
  return base;
}

}  // namespace

std::u16string GetModuleFolder() {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(OwnModule(), path, MAX_PATH);
  // A cut path would name some other folder.
  if (length == 0 || length >= MAX_PATH) return {};
  if (!PathRemoveFileSpecW(path)) return {};
  return FromWide(path);
}

std::u16string GetCacheFolder() {
  std::u16string folder = GetModuleFolder();
  if (folder.empty()) return {};
  wchar_t path[MAX_PATH] = {};
  lstrcpynW(path, WidePath(folder), MAX_PATH);
  if (!PathAppendW(path, L"MobileImage")) return {};
  return FromWide(path);
}

bool ReadCachedFileStamp(const std::u16string& path, CachedFileStamp& stamp) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (path.empty() || !GetFileAttributesExW(WidePath(path), GetFileExInfoStandard, &data)) return false;
  stamp.path = path;
  stamp.size = static_cast<uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
  stamp.writeTime =
      static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32 | data.ftLastWriteTime.dwLowDateTime;
  return true;
}

std::u16string LookupServiceBaseIn(const std::u16string& settingsFolder) {
  wchar_t value[1024] = {};
  const DWORD length = GetEnvironmentVariableW(kLookupServiceEnvironment, value, ARRAYSIZE(value));
  if (length > 0 && length < ARRAYSIZE(value) && IsUsableServiceBase(FromWide(value))) {
    return TrimmedBase(FromWide(value));
  }
  if (!settingsFolder.empty()) {
    wchar_t settings[MAX_PATH] = {};
    lstrcpynW(settings, WidePath(settingsFolder), MAX_PATH);
    // The platform's reader looks for a bare name in the Windows folder: give it the whole path.
    if (PathAppendW(settings, kSettingsFileName) && PathFileExistsW(settings)) {
      value[0] = L'\0';
      GetPrivateProfileStringW(kSettingsSection, kLookupServiceKey, L"", value, ARRAYSIZE(value), settings);
      if (IsUsableServiceBase(FromWide(value))) return TrimmedBase(FromWide(value));
    }
  }
  return kDefaultLookupServiceBase;
}

std::u16string LookupServiceBase() { return LookupServiceBaseIn(GetModuleFolder()); }

bool StartLookupIn(CDownloadThread& launcher, HWND page, const std::u16string& cacheFolder,
                   std::u16string_view serviceBase, std::u16string_view rawModel, std::u16string_view defaultImageUrl) {
  const std::u16string profilePath = ProfilePathFor(cacheFolder, rawModel);
  const std::u16string url = LookupRequestUrl(serviceBase, rawModel);
  if (profilePath.empty() || url.empty() || !IsFetchableUrl(url)) return false;
  CreateDirectoryW(WidePath(cacheFolder), nullptr);
  return launcher.Start(page, url, profilePath, std::u16string(defaultImageUrl));
}

bool StartLookup(CDownloadThread& launcher, HWND page, const ModelProfile& profile,
                 std::u16string_view defaultImageUrl) {
  const std::u16string cacheFolder = GetCacheFolder();
  if (cacheFolder.empty()) return false;
  return StartLookupIn(launcher, page, cacheFolder, LookupServiceBase(), profile.rawModel, defaultImageUrl);
}
