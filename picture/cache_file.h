// A file the cache may read, delete or move: only a plain file with one name that is exactly
// where its path says. A link, a junction or a second name of someone else's file is refused,
// so nothing outside the cache is ever read as a cached file, deleted or overwritten.
#pragma once

#include <windows.h>

#include <string>

// How many trailing parts of a path must be real entries, not reached through a link: the
// file and its cache folder, or an aside file beside the cache folder.
constexpr int kInCacheFolder = 2;
constexpr int kBesideCacheFolder = 1;

class CCacheFile {
 public:
  CCacheFile() = default;
  ~CCacheFile() { Close(); }
  CCacheFile(const CCacheFile&) = delete;
  CCacheFile& operator=(const CCacheFile&) = delete;

  // Opens an existing `path` for `access` if it is provably such a file, the last `realParts`
  // parts of the path included. False, with nothing open, otherwise.
  bool Open(const std::u16string& path, DWORD access, int realParts);
  // Opens the cache folder itself on the same terms, and holds it so that it cannot be renamed
  // or deleted meanwhile.
  bool OpenFolder(const std::u16string& folder);
  void Close();
  HANDLE Get() const { return handle_; }
  ULONGLONG LastWriteTime() const { return lastWrite_; }

  // Both act on the open file itself, never on whatever its name leads to meanwhile. Delete
  // takes effect when the handle closes; MoveTo never replaces an existing file.
  bool Delete();
  bool MoveTo(const std::u16string& path);

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  ULONGLONG lastWrite_ = 0;
};

// Clears a download target: deletes it, or moves it beside the cache folder and deletes it
// at the next restart when it cannot be deleted now.
bool DeleteOrDefer(const wchar_t* path);
