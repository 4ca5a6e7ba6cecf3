#include "picture/cache_sweep.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "picture/cache_names.h"
#include "picture/picture_cache.h"

namespace {

// A temporary file lives from the moment a whole answer is in until it replaces the cached
// file; one that is older than this is left over from a process that ended in between.
constexpr ULONGLONG kLeftoverAge = 10ULL * 60 * 10000000;  // in 100 ns units

SRWLOCK g_sweptLock = SRWLOCK_INIT;
std::vector<std::u16string> g_swept;

// Held for its scope, so that a failed allocation cannot leave the list locked.
class SweptListLock {
 public:
  SweptListLock() { AcquireSRWLockExclusive(&g_sweptLock); }
  ~SweptListLock() { ReleaseSRWLockExclusive(&g_sweptLock); }
};

bool IsHexDigit(char16_t c) { return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'); }

bool SameName(std::u16string_view a, std::u16string_view b) {
  return CompareStringOrdinal(reinterpret_cast<const wchar_t*>(a.data()), static_cast<int>(a.size()),
                              reinterpret_cast<const wchar_t*>(b.data()), static_cast<int>(b.size()),
                              TRUE) == CSTR_EQUAL;
}

// Sweeps a folder once: true for the first caller.
bool FirstSweepOf(const std::u16string& folder) {
  const SweptListLock lock;
  bool first = true;
  for (const std::u16string& swept : g_swept) first = first && !SameName(swept, folder);
  // Without memory to note it the worker gives up, and the next lookup sweeps it.
  if (first) g_swept.push_back(folder);
  return first;
}

bool IsDownloadTemporaryName(std::u16string_view name) {
  const std::u16string_view prefix(reinterpret_cast<const char16_t*>(kDownloadTemporaryPrefix));
  const size_t digits = name.size() - std::min(name.size(), prefix.size() + 4);
  if (digits < 1 || digits > 4) return false;
  if (!SameName(name.substr(0, prefix.size()), prefix) || !SameName(name.substr(name.size() - 4), u".tmp")) {
    return false;
  }
  for (char16_t c : name.substr(prefix.size(), digits)) {
    if (!IsHexDigit(c)) return false;
  }
  return true;
}

ULONGLONG Ticks(const FILETIME& time) {
  return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// Names are matched by their long form: the pattern only narrows the listing, and it also
// matches short names.
template <typename Wanted>
void DeleteFilesIn(const std::u16string& folder, const wchar_t* pattern, Wanted wanted) {
  std::u16string search = folder + u"\\";
  search += reinterpret_cast<const char16_t*>(pattern);
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(WidePath(search), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::u16string name(reinterpret_cast<const char16_t*>(found.cFileName));
    constexpr DWORD kNotPlain = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE;
    if ((found.dwFileAttributes & kNotPlain) == 0 && wanted(name, found)) {
      DeleteFileW(WidePath(folder + u"\\" + name));
    }
  } while (FindNextFileW(find, &found));
  FindClose(find);
}

}  // namespace

void SweepCacheLeftovers(const std::u16string& cacheFolder) {
  const size_t slash = cacheFolder.rfind(u'\\');
  if (slash == std::u16string::npos || slash + 1 == cacheFolder.size()) return;
  if (!FirstSweepOf(cacheFolder)) return;

  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  const std::wstring temporaries = std::wstring(kDownloadTemporaryPrefix) + L"*.tmp";
  DeleteFilesIn(cacheFolder, temporaries.c_str(), [&](const std::u16string& name, const WIN32_FIND_DATAW& found) {
    return IsDownloadTemporaryName(name) && Ticks(now) > Ticks(found.ftLastWriteTime) + kLeftoverAge;
  });

  const std::u16string parent = cacheFolder.substr(0, slash);
  const std::u16string prefix = cacheFolder.substr(slash + 1) + u"~";
  DeleteFilesIn(parent, WidePath(prefix + u"*"), [&](const std::u16string& name, const WIN32_FIND_DATAW&) {
    return name.size() > prefix.size() && SameName(std::u16string_view(name).substr(0, prefix.size()), prefix) &&
           IsUsableFileName(std::u16string_view(name).substr(prefix.size()));
  });
}
