#include "picture/cache_sweep.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "picture/cache_file.h"
#include "picture/cache_names.h"
#include "util/wide_path.h"

namespace {

// A temporary file lives from the moment a whole answer is in until it replaces the cached
// file, an aside file until its deletion is scheduled; one older than this is left over from a
// process that ended in between.
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

// Names are matched by their long form: the pattern only narrows the listing, and it also
// matches short names. What the listing says of a file may be what a link leads to, so only the
// open file is asked.
template <typename Wanted>
void DeleteOldFilesIn(const std::u16string& folder, const wchar_t* pattern, int realParts, Wanted wanted) {
  std::u16string search = folder + u"\\";
  search += reinterpret_cast<const char16_t*>(pattern);
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(WidePath(search), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  const ULONGLONG ticks = static_cast<ULONGLONG>(now.dwHighDateTime) << 32 | now.dwLowDateTime;
  do {
    const std::u16string name(reinterpret_cast<const char16_t*>(found.cFileName));
    CCacheFile file;
    if (wanted(name) && file.Open(folder + u"\\" + name, DELETE, realParts) &&
        ticks > file.LastWriteTime() + kLeftoverAge) {
      file.Delete();
    }
  } while (FindNextFileW(find, &found));
  FindClose(find);
}

}  // namespace

void SweepCacheLeftovers(const std::u16string& cacheFolder) {
  const size_t slash = cacheFolder.rfind(u'\\');
  if (slash == std::u16string::npos || slash + 1 == cacheFolder.size()) return;
  if (!FirstSweepOf(cacheFolder)) return;

  const std::wstring temporaries = std::wstring(kDownloadTemporaryPrefix) + L"*.tmp";
  DeleteOldFilesIn(cacheFolder, temporaries.c_str(), kInCacheFolder, IsDownloadTemporaryName);

  const std::u16string parent = cacheFolder.substr(0, slash);
  const std::u16string prefix = cacheFolder.substr(slash + 1) + u"~";
  DeleteOldFilesIn(parent, WidePath(prefix + u"*"), kBesideCacheFolder, [&](const std::u16string& name) {
    return name.size() > prefix.size() && SameName(std::u16string_view(name).substr(0, prefix.size()), prefix) &&
           IsUsableFileName(std::u16string_view(name).substr(prefix.size()));
  });
}
